#include "kvx_mesh.h"
#include "nvn_system.h"

#include <memory>

namespace norvane {
namespace kvx {

namespace {
const uint16_t kFaces = 0xFF30;
const uint16_t kVertices = 0xFF60;
const uint16_t kVertexArray = 0xFF10;
} // namespace

Submesh::Submesh() : bounds(), materialIndex(0), mesh(nullptr) {}

Submesh::~Submesh() { reset(); }

void Submesh::reset() {
    faces.clear();
    vertices.clear();
    vertexFrames.clear();
    for (VertexArray* array : vertexArrays) delete array;
    vertexArrays.clear();
    bounds = Bounds();
}

void Submesh::computeBounds() {
    bounds = Bounds();
    if (!mesh) return;
    const std::vector<mathbase::Vector3T<float>>& positions = mesh->positions;
    bool first = true;
    for (uint32_t index : vertices) {
        if (index >= positions.size()) continue;
        const mathbase::Vector3T<float>& p = positions[index];
        if (first) {
            bounds.min = bounds.max = p;
            first = false;
            continue;
        }
        if (p.x < bounds.min.x) bounds.min.x = p.x;
        if (p.y < bounds.min.y) bounds.min.y = p.y;
        if (p.z < bounds.min.z) bounds.min.z = p.z;
        if (p.x > bounds.max.x) bounds.max.x = p.x;
        if (p.y > bounds.max.y) bounds.max.y = p.y;
        if (p.z > bounds.max.z) bounds.max.z = p.z;
    }
}

void Submesh::loadChunk(ChunkReader& reader) {
    uint8_t index = 0;
    reader.readByte(index);
    materialIndex = index;
    while (uint16_t id = reader.nextChunk()) {
        switch (id) {
        case kVertexArray: {
            std::unique_ptr<VertexArray> array(new VertexArray());
            reader.readVec3Array(*array);
            vertexArrays.push_back(array.get());
            array.release();
            break;
        }
        case kFaces:
            try {
                reader.readFaceArray(faces);
            } catch (...) {
                faces.clear();
            }
            break;
        case kVertices:
            try {
                reader.readU32Array(vertices);
                computeBounds();
            } catch (...) {
                vertices.clear();
            }
            break;
        default:
            NVN_LOG("warning", "kvx", "Submesh: Unknown chunk with ID=0x%X\n", id);
            break;
        }
        reader.endChunk();
    }
}

void Submesh::save(ChunkWriter& writer) const {
    writer.beginChunk(0x2200);
    writer.writeByte(static_cast<uint8_t>(materialIndex));
    writer.writeFaceArray(kFaces, faces);
    writer.writeU32Array(kVertices, vertices);
    // Every array is written, empty ones too: an array's place in the list is its meaning.
    for (const VertexArray* array : vertexArrays) writer.writeVec3Array(kVertexArray, *array, true);
    writer.endChunk();
}

void WeightList::loadChunk(ChunkReader& reader) {
    reader.readU32(key);
    reader.readPairArray(pairs);
}

void WeightList::save(ChunkWriter& writer) const {
    writer.beginChunk(0x2300);
    writer.writeU32(key);
    for (const IndexWeight& pair : pairs) writer.writePair(pair);
    writer.endChunk();
}

} // namespace kvx
} // namespace norvane
