#pragma once
// The content of one .kvx file: meshes, materials, texture references and scenes, with lookups
// by name and by index, loaded from a buffer and saved back into one.

#include "kvx_chunk.h"
#include "kvx_material.h"
#include "kvx_mesh.h"
#include "kvx_scenenode.h"

#include <map>
#include <string>
#include <vector>

namespace norvane {
namespace kvx {

// A named path to an image.
class TextureRef {
public:
    void reset();
    void loadChunk(ChunkReader& reader);
    void save(ChunkWriter& writer) const;

    std::string name;
    std::string path;
};

class Manager {
public:
    Manager();
    ~Manager();
    Manager(const Manager&) = delete;
    Manager& operator=(const Manager&) = delete;

    // Adds the content of one file held in the caller's buffer. Throws Exception on a wrong
    // header or when the file does not start with the main chunk; bad chunks inside are skipped.
    // A file given its name is warned about, once, when it is cut short (a chunk declares an end
    // past the end of the data); what it holds is read all the same.
    void load(const char* data, int size, const std::string& fileName = std::string());
    void loadChunkMain(ChunkReader& reader);
    // The whole content as a new file in a new buffer that the caller frees with delete[].
    void save(char*& data, int& size) const;
    // The whole content as the main chunk, into a writer that already wrote its header.
    void save(ChunkWriter& writer) const;
    void clear();

    int getMeshIndex(const std::string& name) const;
    int getMaterialIndex(const std::string& name) const;
    int getTextureRefIndex(const std::string& name) const;
    Mesh* getMesh(const std::string& name);
    const Mesh* getMesh(const std::string& name) const;
    Material* getMaterial(const std::string& name);
    const Material* getMaterial(const std::string& name) const;
    TextureRef* getTextureRef(const std::string& name);
    const TextureRef* getTextureRef(const std::string& name) const;
    SceneNode* getScene(const std::string& name) const;

    // Null for an index outside the list (-1 included).
    Mesh* getMeshByIndex(int index) const;
    Material* getMaterialByIndex(int index) const;
    TextureRef* getTextureRefByIndex(int index) const;
    SceneNode* getSceneByIndex(int index) const;
    int getMeshCount() const { return static_cast<int>(meshes.size()); }
    int getMaterialCount() const { return static_cast<int>(materials.size()); }
    int getTextureRefCount() const { return static_cast<int>(textureRefs.size()); }
    int getSceneCount() const { return static_cast<int>(scenes.size()); }

    // Takes ownership.
    void addScene(SceneNode* scene);

    std::vector<Mesh*> meshes;
    std::vector<Material*> materials;
    std::vector<SceneNode*> scenes;
    std::vector<TextureRef*> textureRefs;
    std::map<std::string, int> textureRefIndex;
    std::map<std::string, int> meshIndex;
    std::map<std::string, int> materialIndex;
};

} // namespace kvx
} // namespace norvane
