#include "kvx_mesh.h"
#include "nvn_system.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace norvane {
namespace kvx {

namespace {

const uint16_t kMesh = 0x2000;
const uint16_t kPositions = 0xFF00;
const uint16_t kSubmesh = 0x2200;
const uint16_t kMaterialNames = 0x6200;
const uint16_t kWeightList = 0x2300;

typedef mathbase::Vector3T<float> Vec3;

bool isFinite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Unit length, or zero when the vector has no usable direction.
Vec3 normalizedOrZero(const Vec3& v) {
    const float length = v.length();
    if (!(length > 1e-20f) || !std::isfinite(length)) return Vec3();
    Vec3 n = v * (1.0f / length);
    return isFinite(n) ? n : Vec3();
}

const std::string kNoName;

} // namespace

Mesh::Mesh() : name(), materialNames(), positions(), submeshes(), bounds(), weightLists() {}

Mesh::~Mesh() { reset(); }

void Mesh::reset() {
    for (Submesh* submesh : submeshes) delete submesh;
    submeshes.clear();
    for (WeightList* list : weightLists) delete list;
    weightLists.clear();
    materialNames.clear();
    positions.clear();
    name.clear();
    bounds = Bounds();
}

const std::string& Mesh::getMaterialName(int index) const {
    if (index < 0 || index >= static_cast<int>(materialNames.size())) return kNoName;
    return materialNames[index];
}

bool Mesh::hasNormals() const {
    for (const Submesh* submesh : submeshes)
        if (submesh->vertexFrames.empty()) return false;
    return true;
}

void Mesh::clearNormals() {
    for (Submesh* submesh : submeshes) submesh->vertexFrames.clear();
}

bool Mesh::hasWeightList(int index) const {
    return index >= 0 && index < static_cast<int>(weightLists.size()) && weightLists[index] != nullptr;
}

void Mesh::computeBounds() {
    if (submeshes.empty()) return;
    bounds = submeshes[0]->bounds;
    for (size_t i = 1; i < submeshes.size(); ++i) {
        const Bounds& b = submeshes[i]->bounds;
        if (b.min.x < bounds.min.x) bounds.min.x = b.min.x;
        if (b.min.y < bounds.min.y) bounds.min.y = b.min.y;
        if (b.min.z < bounds.min.z) bounds.min.z = b.min.z;
        if (b.max.x > bounds.max.x) bounds.max.x = b.max.x;
        if (b.max.y > bounds.max.y) bounds.max.y = b.max.y;
        if (b.max.z > bounds.max.z) bounds.max.z = b.max.z;
    }
}

void Mesh::loadChunk(ChunkReader& reader) {
    reader.readString(name);
    while (uint16_t id = reader.nextChunk()) {
        switch (id) {
        case kPositions: reader.readVec3Array(positions); break;
        case kSubmesh: {
            std::unique_ptr<Submesh> submesh(new Submesh());
            submesh->mesh = this;
            const size_t depth = reader.getDepth();
            try {
                submesh->loadChunk(reader);
                submeshes.push_back(submesh.get());
                submesh.release();
            } catch (...) {
                reader.unwindTo(depth);
            }
            break;
        }
        case kMaterialNames: {
            std::string current;
            uint8_t byte = 0;
            while (reader.readByte(byte)) {
                if (byte == 0) {
                    materialNames.push_back(current);
                    current.clear();
                } else {
                    current += static_cast<char>(byte);
                }
            }
            break;
        }
        case kWeightList: break;
        default: NVN_LOG("warning", "kvx", "mesh::Unknown chunk with ID=0x%X\n", id); break;
        }
        reader.endChunk();
    }
    computeBounds();
}

void Mesh::save(ChunkWriter& writer) const {
    writer.beginChunk(kMesh);
    writer.writeString(name);
    writer.writeVec3Array(kPositions, positions);
    for (const Submesh* submesh : submeshes) submesh->save(writer);
    // Every name with its terminating zero, so empty names keep their index.
    writer.beginChunk(kMaterialNames);
    for (const std::string& material : materialNames) writer.writeString(material);
    writer.endChunk();
    writer.endChunk();
}

void Mesh::computeNormals(bool withTangents) {
    clearNormals();
    const size_t positionCount = positions.size();
    if (positionCount == 0) return;
    std::vector<Vec3> normals(positionCount);
    std::vector<char> used(positionCount, 0);

    // For every position, the current submesh's vertices on it in ascending vertex order, as
    // linked lists; the heads are reset after each submesh, so the work follows the vertex count.
    std::vector<int32_t> head(positionCount, -1);
    std::vector<int32_t> next;
    for (Submesh* submesh : submeshes) {
        const std::vector<uint32_t>& vertices = submesh->vertices;
        const size_t vertexCount = vertices.size();
        // Texture coordinates only count when there is one per vertex.
        const Submesh::VertexArray* uv = nullptr;
        if (!submesh->vertexArrays.empty() && submesh->vertexArrays[0]->size() >= vertexCount)
            uv = submesh->vertexArrays[0];
        submesh->vertexFrames.assign(vertexCount, Submesh::VertexFrame());

        next.assign(vertexCount, -1);
        for (size_t v = vertexCount; v-- > 0;) {
            const uint32_t p = vertices[v];
            if (p >= positionCount) continue;
            next[v] = head[p];
            head[p] = static_cast<int32_t>(v);
        }

        int faceIndex = -1;
        for (const Submesh::Face& face : submesh->faces) {
            ++faceIndex;
            const uint32_t c[3] = {face.corner[0], face.corner[1], face.corner[2]};
            if (c[0] >= vertexCount || c[1] >= vertexCount || c[2] >= vertexCount) continue;
            const uint32_t p[3] = {vertices[c[0]], vertices[c[1]], vertices[c[2]]};
            if (p[0] >= positionCount || p[1] >= positionCount || p[2] >= positionCount) continue;
            const Vec3 e1 = positions[p[1]] - positions[p[0]];
            const Vec3 e2 = positions[p[2]] - positions[p[0]];
            Vec3 n;
            e1.cross(n, e2);
            const float length = n.length();
            const float area = 0.5f * length;
            if (!(area >= 1e-9f)) {
                std::printf("Face %d in %s has face with area %f, skipped (index=%d, %d, %d)\n", faceIndex,
                            name.c_str(), area, static_cast<int>(p[0]), static_cast<int>(p[1]),
                            static_cast<int>(p[2]));
                continue;
            }
            n *= 1.0f / length;
            if (withTangents && uv) {
                const Vec3& uv0 = (*uv)[c[0]];
                const Vec3& uv1 = (*uv)[c[1]];
                const Vec3& uv2 = (*uv)[c[2]];
                const float du1 = uv1.x - uv0.x, dv1 = uv1.y - uv0.y;
                const float du2 = uv2.x - uv0.x, dv2 = uv2.y - uv0.y;
                const float r = 1.0f / (du1 * dv2 - du2 * dv1);
                const Vec3 t = (e1 * dv2 - e2 * dv1) * r;
                const Vec3 b = (e2 * du1 - e1 * du2) * r;
                // Texture coordinates without area give no direction: no contribution.
                if (std::isfinite(r) && isFinite(t) && isFinite(b)) {
                    for (int k = 0; k < 3; ++k) {
                        const Vec3& uvc = (*uv)[c[k]];
                        for (int32_t w = head[p[k]]; w >= 0; w = next[w]) {
                            if (((*uv)[w] - uvc).lengthSquared() < 0.01f) {
                                submesh->vertexFrames[w].tangent += t;
                                submesh->vertexFrames[w].bitangent += b;
                            }
                        }
                    }
                }
            }
            for (int k = 0; k < 3; ++k) {
                normals[p[k]] += n;
                used[p[k]] = 1;
            }
        }
        for (uint32_t p : vertices)
            if (p < positionCount) head[p] = -1;
    }

    for (size_t p = 0; p < positionCount; ++p) {
        const float length = normals[p].length();
        if (used[p] && length > 1e-8f) normals[p] *= 1.0f / length;
        else std::printf("Ignore a normal\n");
    }

    for (Submesh* submesh : submeshes) {
        const std::vector<uint32_t>& vertices = submesh->vertices;
        const bool hasUv = !submesh->vertexArrays.empty() && submesh->vertexArrays[0]->size() >= vertices.size();
        for (size_t v = 0; v < vertices.size(); ++v) {
            Submesh::VertexFrame& frame = submesh->vertexFrames[v];
            if (vertices[v] < positionCount) frame.normal = normals[vertices[v]];
            if (!withTangents || !hasUv) continue;
            const Vec3& n = frame.normal;
            const Vec3 t = normalizedOrZero(frame.tangent - n * n.dot(frame.tangent));
            Vec3 b = frame.bitangent - n * n.dot(frame.bitangent);
            b = normalizedOrZero(b - t * t.dot(b));
            frame.tangent = t;
            frame.bitangent = b;
        }
    }
}

} // namespace kvx
} // namespace norvane
