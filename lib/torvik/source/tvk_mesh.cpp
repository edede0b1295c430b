#include "tvk_mesh.h"

#include "dis_display.h"
#include "dis_glcheck.h"
#include "nvn_system.h"

#include <cstdint>
#include <cstring>

namespace norvane {
namespace torvik {

namespace {

const char* const kLoadFunction = "norvane::torvik::Mesh::load";

// The mesh vertex of format F: sixteen floats.
struct GpuVertex {
    float position[3];
    float normal[3];
    float uv[2];
    float tangent[4];
    float bitangent[4];
};
static_assert(sizeof(GpuVertex) == 64, "the mesh vertex is 64 bytes");

// A submesh can be packed when every face corner names one of its vertices and every vertex
// names a position of the mesh; anything else would read past the arrays or index into
// another submesh's vertices.
bool submeshIsSound(const kvx::Submesh& submesh, size_t positionCount) {
    const size_t vertexCount = submesh.vertices.size();
    for (const kvx::Submesh::Face& face : submesh.faces)
        for (uint32_t corner : face.corner)
            if (corner >= vertexCount) return false;
    for (uint32_t position : submesh.vertices)
        if (position >= positionCount) return false;
    return true;
}

GLenum indexTypeFor(int vertexCount) {
    if (vertexCount <= 255) return GL_UNSIGNED_BYTE;
    if (vertexCount <= 65535) return GL_UNSIGNED_SHORT;
    return GL_UNSIGNED_INT;
}

void copy3(float* out, const mathbase::Vector3T<float>& v) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

} // namespace

Mesh::Mesh(display::DisplayGL* display_) : vbo(display_), ibo(display_), display(display_) {}

Mesh::~Mesh() = default; // the buffers take themselves off the display and delete their GL names

void Mesh::detachBuffers() {
    if (!display) return;
    if (display->getCurrentVBO() == &vbo) display->setVBO(nullptr);
    if (display->getCurrentIBO() == &ibo) display->setIBO(nullptr);
}

void Mesh::load(const kvx::Mesh& source, int /*flags*/) {
    detachBuffers();
    vbo.mDisplay = display;
    ibo.mDisplay = display;

    const size_t submeshCount = source.submeshes.size();
    ranges.assign(submeshCount, DrawRange());
    bounds = source.bounds;
    name = source.name;
    if (submeshCount == 0) return;

    // First pass: the ranges. Empty and unsound submeshes take no room.
    const size_t positionCount = source.positions.size();
    int totalIndices = 0, totalVertices = 0;
    for (size_t i = 0; i < submeshCount; ++i) {
        const kvx::Submesh* submesh = source.submeshes[i];
        if (!submesh || submesh->faces.empty() || submesh->vertices.empty()) continue;
        if (!submeshIsSound(*submesh, positionCount)) {
            logMessage("warning", "kvx", __FILE__, __LINE__, kLoadFunction,
                       "Mesh '%s': submesh %d names vertices or positions it does not have; it is left empty",
                       source.name.c_str(), static_cast<int>(i));
            continue;
        }
        DrawRange& range = ranges[i];
        range.mode = GL_TRIANGLES;
        range.indexCount = 3 * static_cast<int>(submesh->faces.size());
        range.firstIndex = totalIndices;
        range.firstVertex = totalVertices;
        range.vertexCount = static_cast<int>(submesh->vertices.size());
        totalIndices += range.indexCount;
        totalVertices += range.vertexCount;
    }
    if (totalVertices == 0 || totalIndices == 0) {
        vbo.release();
        ibo.release();
        return;
    }

    vbo.setup(&display::formatF, totalVertices, nullptr);
    DIS_GL_STATUS();
    ibo.setup(indexTypeFor(totalVertices), totalIndices, nullptr);
    DIS_GL_STATUS();

    // Second pass: the indices, mesh-wide, narrowed by the index buffer.
    std::vector<uint32_t> corners;
    for (size_t i = 0; i < submeshCount; ++i) {
        const DrawRange& range = ranges[i];
        if (range.indexCount == 0) continue;
        corners.clear();
        for (const kvx::Submesh::Face& face : source.submeshes[i]->faces)
            corners.insert(corners.end(), face.corner, face.corner + 3);
        ibo.replace(range.firstIndex, range.indexCount, corners.data(), range.firstVertex, GL_UNSIGNED_INT);
    }

    // Third pass: the vertices, through one write-only lock. Everything a submesh does not
    // provide (frames, texture coordinates, the padding floats) is zero, never left undefined.
    GpuVertex* out = static_cast<GpuVertex*>(vbo.lock(true, false));
    if (!out) {
        vbo.unlock();
        DIS_GL_STATUS();
        throw Exception("[torvik::Mesh] Could not lock the vertex buffer of mesh '%s'", source.name.c_str());
    }
    std::memset(out, 0, sizeof(GpuVertex) * static_cast<size_t>(totalVertices));
    for (size_t i = 0; i < submeshCount; ++i) {
        const DrawRange& range = ranges[i];
        if (range.indexCount == 0) continue;
        const kvx::Submesh& submesh = *source.submeshes[i];
        const std::vector<kvx::Submesh::VertexFrame>& frames = submesh.vertexFrames;
        if (frames.empty())
            logMessage("warning", "kvx", __FILE__, __LINE__, kLoadFunction, "Mesh '%s' has no normals",
                       source.name.c_str());
        const kvx::Submesh::VertexArray* uv = nullptr;
        if (!submesh.vertexArrays.empty()) uv = submesh.vertexArrays[0];
        GpuVertex* vertex = out + range.firstVertex;
        for (int v = 0; v < range.vertexCount; ++v, ++vertex) {
            const size_t k = static_cast<size_t>(v);
            copy3(vertex->position, source.positions[submesh.vertices[k]]);
            if (k < frames.size()) {
                copy3(vertex->normal, frames[k].normal);
                copy3(vertex->tangent, frames[k].tangent);
                copy3(vertex->bitangent, frames[k].bitangent);
            }
            if (uv && k < uv->size()) {
                vertex->uv[0] = (*uv)[k].x;
                vertex->uv[1] = (*uv)[k].y;
            }
        }
    }
    vbo.unlock();
    DIS_GL_STATUS();
}

void Mesh::loadWithNormals(kvx::Mesh& source, int flags) {
    if (!source.hasNormals()) source.computeNormals((flags & 6) != 0);
    load(source, flags);
}

void Mesh::draw() {
    for (unsigned i = 0; i < ranges.size(); ++i) drawSubmesh(i);
}

void Mesh::drawSubmesh(unsigned index) {
    if (index >= ranges.size()) return;
    const DrawRange& range = ranges[index];
    if (range.indexCount <= 0 || range.vertexCount <= 0) return;
    display->setVBO(&vbo);
    display->setIBO(&ibo);
    display->draw(static_cast<int>(range.mode), range.firstIndex, range.indexCount, range.firstVertex,
                  range.vertexCount);
}

} // namespace torvik
} // namespace norvane
