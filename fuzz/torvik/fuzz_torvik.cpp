// Packs every mesh of a .kvx file from arbitrary bytes the way the GPU mesh fills its buffers,
// into memory: every index must land inside its own submesh's vertices and every vertex must be
// written from inside the file's arrays.

#include "fuzz_quiet.h"
#include "kvx_manager.h"
#include "nvn_system.h"
#include "tvk_mesh.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using norvane::torvik::Mesh;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::quiet(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    norvane::kvx::Manager scene;
    try {
        scene.load(reinterpret_cast<const char*>(data), static_cast<int>(size));
    } catch (const norvane::Exception&) {
        return 0;
    }
    std::vector<Mesh::DrawRange> ranges;
    std::vector<uint32_t> corners;
    std::vector<float> vertices;
    for (norvane::kvx::Mesh* mesh : scene.meshes) {
        if (!mesh->hasNormals()) mesh->computeNormals(true);
        int indexTotal = 0, vertexTotal = 0;
        Mesh::planRanges(*mesh, ranges, indexTotal, vertexTotal);
        if (ranges.size() != mesh->submeshes.size()) std::abort();
        vertices.assign(static_cast<size_t>(vertexTotal) * 16, 0.0f);
        int indexSeen = 0;
        for (size_t i = 0; i < ranges.size(); ++i) {
            const Mesh::DrawRange& range = ranges[i];
            if (range.indexCount == 0) {
                if (range.vertexCount != 0 || range.firstIndex != 0 || range.firstVertex != 0 || range.mode != 0)
                    std::abort();
                continue;
            }
            if (range.firstIndex != indexSeen) std::abort();
            indexSeen += range.indexCount;
            Mesh::submeshCorners(*mesh->submeshes[i], corners);
            if (static_cast<int>(corners.size()) != range.indexCount) std::abort();
            for (uint32_t corner : corners)
                if (corner >= static_cast<uint32_t>(range.vertexCount)) std::abort();
            Mesh::packVertices(*mesh, *mesh->submeshes[i], range,
                               vertices.data() + static_cast<size_t>(range.firstVertex) * 16);
        }
        if (indexSeen != indexTotal) std::abort();
    }
    return 0;
}
