#pragma once
// The drawable form of a .kvx mesh: every submesh packed into one vertex buffer (format F) and one
// index buffer of the narrowest index type, with one draw range per submesh.

#include "dis_ibo.h"
#include "dis_vbo.h"
#include "kvx_mesh.h"

#include <GL/glew.h>

#include <string>
#include <vector>

namespace norvane {
namespace display {
class DisplayGL;
}

namespace torvik {

class Mesh {
public:
    // Where one submesh lies in the buffers; all zero for a submesh that draws nothing.
    struct DrawRange {
        int firstIndex = 0;
        int indexCount = 0;
        int firstVertex = 0;
        int vertexCount = 0;
        GLenum mode = 0;
    };

    explicit Mesh(display::DisplayGL* display);
    // Must run while the GL context exists.
    ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Builds the buffers and ranges from the source mesh; flags are not used here. A submesh whose
    // faces or vertices point past its own arrays is logged and left empty.
    void load(const kvx::Mesh& source, int flags);
    // Computes missing normals first (tangents too when flags & 6), then loads.
    void loadWithNormals(kvx::Mesh& source, int flags);

    void draw();
    // Draws one range; an empty range or an index past the ranges draws nothing.
    void drawSubmesh(unsigned index);
    int getSubmeshCount() const { return static_cast<int>(ranges.size()); }

    std::vector<DrawRange> ranges;
    display::VBO vbo;
    display::IBO ibo;
    std::string name;
    kvx::Bounds bounds;
    display::DisplayGL* display; // not owned

    // The packing without GL, for load and for checking files. Plans one range per submesh
    // (empty for an empty or unsound submesh, with the warning) and the buffer totals.
    static void planRanges(const kvx::Mesh& source, std::vector<DrawRange>& ranges, int& indexTotal,
                           int& vertexTotal);
    // One submesh's face corners, face by face, local to the submesh.
    static void submeshCorners(const kvx::Submesh& submesh, std::vector<uint32_t>& corners);
    // The planned range's vertices, sixteen floats each, into out; fields the submesh does not
    // provide are written as zero.
    static void packVertices(const kvx::Mesh& source, const kvx::Submesh& submesh, const DrawRange& range,
                             float* out);

private:
    // Lets the display forget our buffers before they are set up again.
    void detachBuffers();
};

} // namespace torvik
} // namespace norvane
