// Loading a scene file with a 1,000,000-vertex mesh, beside memcpy of the same number of bytes.
// Both report bytes per second over the file's size, so their ratio is the load throughput as a
// share of memory bandwidth.

#include "kvx_manager.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace norvane::kvx;
using norvane::mathbase::Vector3;

namespace {

const int kSide = 1000; // a grid of kSide x kSide vertices

const std::vector<char>& sceneFile() {
    static std::vector<char> bytes;
    if (!bytes.empty()) return bytes;
    Manager manager;
    Mesh* mesh = new Mesh();
    mesh->name = "grid";
    mesh->materialNames = {"ground"};
    mesh->positions.reserve(kSide * kSide);
    Submesh* submesh = new Submesh();
    submesh->mesh = mesh;
    Submesh::VertexArray* uv = new Submesh::VertexArray();
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            mesh->positions.push_back(Vector3(static_cast<float>(x), 0.01f * static_cast<float>((x * y) % 7), static_cast<float>(y)));
            uv->push_back(Vector3(x / float(kSide), y / float(kSide), 0));
            submesh->vertices.push_back(static_cast<uint32_t>(y * kSide + x));
        }
    }
    for (uint32_t y = 0; y + 1 < kSide; ++y) {
        for (uint32_t x = 0; x + 1 < kSide; ++x) {
            const uint32_t v = y * kSide + x;
            submesh->faces.push_back(Face{0, {v, v + 1, v + kSide + 1}});
            submesh->faces.push_back(Face{0, {v, v + kSide + 1, v + kSide}});
        }
    }
    submesh->vertexArrays.push_back(uv);
    mesh->submeshes.push_back(submesh);
    manager.meshes.push_back(mesh);
    Scene* scene = new Scene();
    scene->name = "scene";
    MeshInstance* instance = new MeshInstance();
    instance->name = "ground";
    instance->meshName = "grid";
    scene->addChild(instance);
    manager.addScene(scene);
    char* data = nullptr;
    int size = 0;
    manager.save(data, size);
    bytes.assign(data, data + size);
    delete[] data;
    return bytes;
}

void BM_LoadScene(benchmark::State& state) {
    const std::vector<char>& bytes = sceneFile();
    for (auto _ : state) {
        Manager manager;
        manager.load(bytes.data(), static_cast<int>(bytes.size()));
        benchmark::DoNotOptimize(manager.meshes[0]->positions.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(BM_LoadScene)->Unit(benchmark::kMillisecond);

void BM_MemcpySameBytes(benchmark::State& state) {
    const std::vector<char>& bytes = sceneFile();
    std::vector<char> target(bytes.size());
    for (auto _ : state) {
        std::memcpy(target.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
