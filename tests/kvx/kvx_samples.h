#pragma once
// Small scenes built in memory, shared by the round-trip tests and the fuzz seed corpus.

#include "kvx_manager.h"

#include <string>
#include <vector>

namespace kvxsamples {

// A cube-ish mesh with two submeshes and two material names; the first submesh has texture
// coordinates and a second per-vertex array.
norvane::kvx::Mesh* makeMesh(const std::string& name);
// A material with both flags set the unusual way and attributes with and without items.
norvane::kvx::Material* makeMaterial(const std::string& name);
// A scene with one node of every written kind, animated with every interpolation and
// extrapolation mode, and nested children.
norvane::kvx::Scene* makeScene(const std::string& name);
// Everything above, with a texture reference, in one manager.
void fillManager(norvane::kvx::Manager& manager);
// The manager as it saves itself.
std::vector<char> managerBytes(const norvane::kvx::Manager& manager);

// The seed files of the fuzz corpus: name and bytes.
struct SeedFile {
    std::string name;
    std::vector<char> bytes;
};
std::vector<SeedFile> seedFiles();

} // namespace kvxsamples
