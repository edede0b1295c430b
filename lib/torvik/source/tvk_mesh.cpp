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

void Mesh::planRanges(const kvx::Mesh& source, std::vector<DrawRange>& planned, int& indexTotal,
                      int& vertexTotal) {
    const size_t submeshCount = source.submeshes.size();
    planned.assign(submeshCount, DrawRange());
    indexTotal = 0;
    vertexTotal = 0;
    // Empty and unsound submeshes take no room.
    const size_t positionCount = source.positions.size();
    for (size_t i = 0; i < submeshCount; ++i) {
        const kvx::Submesh* submesh = source.submeshes[i];
        if (!submesh || submesh->faces.empty() || submesh->vertices.empty()) continue;
        if (!submeshIsSound(*submesh, positionCount)) {
            logMessage("warning", "kvx", __FILE__, __LINE__, kLoadFunction,
                       "Mesh '%s': submesh %d names vertices or positions it does not have; it is left empty",
                       source.name.c_str(), static_cast<int>(i));
            continue;
        }
        DrawRange& range = planned[i];
        range.mode = GL_TRIANGLES;
        range.indexCount = 3 * static_cast<int>(submesh->faces.size());
        range.firstIndex = indexTotal;
        range.firstVertex = vertexTotal;
        range.vertexCount = static_cast<int>(submesh->vertices.size());
        indexTotal += range.indexCount;
        vertexTotal += range.vertexCount;
    }
}

void Mesh::submeshCorners(const kvx::Submesh& submesh, std::vector<uint32_t>& corners) {
    corners.clear();
    corners.reserve(submesh.faces.size() * 3);
    for (const kvx::Submesh::Face& face : submesh.faces) corners.insert(corners.end(), face.corner, face.corner + 3);
}

void Mesh::packVertices(const kvx::Mesh& source, const kvx::Submesh& submesh, const DrawRange& range, float* out) {
    GpuVertex* vertex = reinterpret_cast<GpuVertex*>(out);
    std::memset(vertex, 0, sizeof(GpuVertex) * static_cast<size_t>(range.vertexCount));
    const std::vector<kvx::Submesh::VertexFrame>& frames = submesh.vertexFrames;
    const kvx::Submesh::VertexArray* uv = submesh.vertexArrays.empty() ? nullptr : submesh.vertexArrays[0];
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

void Mesh::load(const kvx::Mesh& source, int /*flags*/) {
    detachBuffers();
    vbo.mDisplay = display;
    ibo.mDisplay = display;

    bounds = source.bounds;
    name = source.name;
    int totalIndices = 0, totalVertices = 0;
    planRanges(source, ranges, totalIndices, totalVertices);
    if (totalVertices == 0 || totalIndices == 0) {
        vbo.release();
        ibo.release();
        return;
    }

    vbo.setup(&display::formatF, totalVertices, nullptr);
    DIS_GL_STATUS();
    ibo.setup(indexTypeFor(totalVertices), totalIndices, nullptr);
    DIS_GL_STATUS();

    // The indices, mesh-wide: each submesh's corners plus its first vertex, narrowed by the buffer.
    std::vector<uint32_t> corners;
    for (size_t i = 0; i < ranges.size(); ++i) {
        const DrawRange& range = ranges[i];
        if (range.indexCount == 0) continue;
        submeshCorners(*source.submeshes[i], corners);
        ibo.replace(range.firstIndex, range.indexCount, corners.data(), range.firstVertex, GL_UNSIGNED_INT);
    }

    // The vertices, through one write-only lock.
    float* out = static_cast<float*>(vbo.lock(true, false));
    if (!out) {
        vbo.unlock();
        DIS_GL_STATUS();
        throw Exception("[torvik::Mesh] Could not lock the vertex buffer of mesh '%s'", source.name.c_str());
    }
    for (size_t i = 0; i < ranges.size(); ++i) {
        const DrawRange& range = ranges[i];
        if (range.indexCount == 0) continue;
        const kvx::Submesh& submesh = *source.submeshes[i];
        if (submesh.vertexFrames.empty())
            logMessage("warning", "kvx", __FILE__, __LINE__, kLoadFunction, "Mesh '%s' has no normals",
                       source.name.c_str());
        packVertices(source, submesh, range, out + static_cast<size_t>(range.firstVertex) * 16);
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
