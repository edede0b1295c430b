// GPU meshes built from .kvx meshes and drawn into a real window; pixels read back before the swap.

#include "tvk_mesh.h"

#include "am_image.h"
#include "dis_display.h"
#include "dis_shader.h"
#include "kvx_manager.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using norvane::kvx::Face;
using norvane::kvx::Submesh;
using norvane::torvik::Mesh;
typedef norvane::mathbase::Vector3T<float> Vec3;

namespace {

const int kSize = 64;

// A submesh over the given positions (by index) and triangles (by vertex).
Submesh* makeSubmesh(norvane::kvx::Mesh* mesh, std::vector<uint32_t> vertices, std::vector<Face> faces) {
    Submesh* submesh = new Submesh();
    submesh->mesh = mesh;
    submesh->materialIndex = 0;
    submesh->vertices = std::move(vertices);
    submesh->faces = std::move(faces);
    mesh->submeshes.push_back(submesh);
    return submesh;
}

Face tri(uint32_t a, uint32_t b, uint32_t c) { return Face{0, {a, b, c}}; }

// A square from (x0, y0) to (x1, y1) at z = 0, counter-clockwise, with one texture coordinate per corner.
// padding unused vertices come first, so the square's corners sit at the end of the vertex list.
std::unique_ptr<norvane::kvx::Mesh> squareMesh(float x0, float y0, float x1, float y1, int padding = 0) {
    std::unique_ptr<norvane::kvx::Mesh> mesh(new norvane::kvx::Mesh());
    mesh->name = "square";
    mesh->positions = {Vec3(x0, y0, 0), Vec3(x1, y0, 0), Vec3(x1, y1, 0), Vec3(x0, y1, 0)};
    std::vector<uint32_t> vertices(static_cast<size_t>(padding), 0u);
    for (uint32_t p = 0; p < 4; ++p) vertices.push_back(p);
    const uint32_t b = static_cast<uint32_t>(padding);
    Submesh* s = makeSubmesh(mesh.get(), vertices, {tri(b, b + 1, b + 2), tri(b, b + 2, b + 3)});
    Submesh::VertexArray* uv = new Submesh::VertexArray(vertices.size());
    for (size_t v = 0; v < vertices.size(); ++v) (*uv)[v] = mesh->positions[vertices[v]];
    s->vertexArrays.push_back(uv);
    mesh->computeBounds();
    return mesh;
}

// A mesh through a whole write and read of a .kvx file, as the effects get theirs.
std::unique_ptr<norvane::kvx::Manager> roundTrip(norvane::kvx::Mesh* mesh) {
    norvane::kvx::Manager out;
    out.meshes.push_back(mesh);
    out.meshIndex[mesh->name] = 0;
    char* data = nullptr;
    int size = 0;
    out.save(data, size);
    std::unique_ptr<norvane::kvx::Manager> in(new norvane::kvx::Manager());
    in->load(data, size);
    delete[] data;
    return in;
}

class TorvikTest : public ::testing::Test {
protected:
    void SetUp() override {
        norvane::display::WindowMode mode;
        mode.title = "torvik test";
        mode.width = kSize;
        mode.height = kSize;
        mDisplay.reset(new norvane::display::DisplayGL(mode));
        mDisplay->open();
        clear();
    }
    void TearDown() override { mDisplay.reset(); }

    // Black frame, 2-D view over -1..1, white drawing colour, no tests or blending.
    void clear() {
        glViewport(0, 0, kSize, kSize);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        norvane::mathbase::Matrix4x4Col identity;
        mDisplay->setProjection(identity);
        mDisplay->resetViewMatrix();
        mDisplay->resetModelMatrix();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_BLEND);
        glDisable(GL_LIGHTING);
        glColor4f(1, 1, 1, 1);
    }
    // The red channel of every pixel, bottom row first.
    std::vector<unsigned char> frame() {
        std::vector<unsigned char> rgba(kSize * kSize * 4);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        std::vector<unsigned char> red(kSize * kSize);
        for (int i = 0; i < kSize * kSize; ++i) red[i] = rgba[i * 4];
        return red;
    }
    int lit(const std::vector<unsigned char>& red) {
        int n = 0;
        for (unsigned char r : red) n += r > 128;
        return n;
    }
    // Lit at window-unit point (u, v) in -1..1.
    bool litAt(const std::vector<unsigned char>& red, float u, float v) {
        const int x = static_cast<int>((u + 1) * 0.5f * kSize), y = static_cast<int>((v + 1) * 0.5f * kSize);
        return red[y * kSize + x] > 128;
    }
    // Reads the index buffer back as 32-bit values.
    std::vector<uint32_t> indices(Mesh& mesh) {
        std::vector<uint32_t> out;
        const void* p = mesh.ibo.lock(false, true);
        for (int i = 0; i < mesh.ibo.getSize(); ++i) {
            switch (mesh.ibo.getIndexType()) {
            case GL_UNSIGNED_BYTE: out.push_back(static_cast<const uint8_t*>(p)[i]); break;
            case GL_UNSIGNED_SHORT: out.push_back(static_cast<const uint16_t*>(p)[i]); break;
            default: out.push_back(static_cast<const uint32_t*>(p)[i]); break;
            }
        }
        mesh.ibo.unlock();
        return out;
    }
    std::vector<float> vertexFloats(Mesh& mesh) {
        std::vector<float> out(static_cast<size_t>(mesh.vbo.getSize()) * 16);
        const void* p = mesh.vbo.lock(false, true);
        std::memcpy(out.data(), p, out.size() * sizeof(float));
        mesh.vbo.unlock();
        return out;
    }

    std::unique_ptr<norvane::display::DisplayGL> mDisplay;
};

TEST_F(TorvikTest, AGeneratedMeshDrawsItsSilhouette) {
    std::unique_ptr<norvane::kvx::Manager> scene = roundTrip(squareMesh(-0.5f, -0.25f, 0.25f, 0.5f).release());
    Mesh mesh(mDisplay.get());
    mesh.loadWithNormals(*scene->getMesh("square"), 1);
    EXPECT_EQ(mesh.name, "square");
    EXPECT_FLOAT_EQ(mesh.bounds.min.x, -0.5f);
    EXPECT_FLOAT_EQ(mesh.bounds.max.y, 0.5f);
    ASSERT_EQ(mesh.getSubmeshCount(), 1);
    mesh.draw();
    const std::vector<unsigned char> red = frame();
    EXPECT_TRUE(litAt(red, -0.4f, -0.2f));
    EXPECT_TRUE(litAt(red, 0.2f, 0.45f));
    EXPECT_FALSE(litAt(red, 0.3f, 0.0f));
    EXPECT_FALSE(litAt(red, -0.6f, 0.0f));
    EXPECT_FALSE(litAt(red, 0.0f, 0.6f));
    EXPECT_FALSE(litAt(red, 0.0f, -0.3f));
    EXPECT_NEAR(lit(red), 24 * 24, 2 * 24); // three eighths of the width and height
}

TEST_F(TorvikTest, RangesAndIndicesAreMeshWide) {
    norvane::kvx::Mesh source;
    source.name = "two";
    for (int i = 0; i < 7; ++i) source.positions.push_back(Vec3(0.1f * i, 0.05f * i, 0));
    makeSubmesh(&source, {0, 1, 2}, {tri(0, 1, 2)});
    makeSubmesh(&source, {3, 4, 5, 6}, {tri(0, 1, 2), tri(0, 2, 3)});
    Mesh mesh(mDisplay.get());
    mesh.loadWithNormals(source, 1);
    ASSERT_EQ(mesh.getSubmeshCount(), 2);
    const Mesh::DrawRange& a = mesh.ranges[0];
    const Mesh::DrawRange& b = mesh.ranges[1];
    EXPECT_EQ(a.firstIndex, 0);
    EXPECT_EQ(a.indexCount, 3);
    EXPECT_EQ(a.firstVertex, 0);
    EXPECT_EQ(a.vertexCount, 3);
    EXPECT_EQ(a.mode, static_cast<GLenum>(GL_TRIANGLES));
    EXPECT_EQ(b.firstIndex, 3);
    EXPECT_EQ(b.indexCount, 6);
    EXPECT_EQ(b.firstVertex, 3);
    EXPECT_EQ(b.vertexCount, 4);
    EXPECT_EQ(mesh.ibo.getIndexType(), static_cast<GLenum>(GL_UNSIGNED_BYTE));
    EXPECT_EQ(indices(mesh), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 3, 5, 6}));
    EXPECT_EQ(mesh.vbo.getSize(), 7);
    EXPECT_EQ(mesh.vbo.getFormat(), &norvane::display::formatF);
}

TEST_F(TorvikTest, IndexTypeNarrowsWithTheVertexCountAndDrawsTheSame) {
    struct Case {
        int vertices;
        GLenum type;
    };
    const Case cases[] = {{255, GL_UNSIGNED_BYTE}, {256, GL_UNSIGNED_SHORT}, {65535, GL_UNSIGNED_SHORT},
                          {65536, GL_UNSIGNED_INT}};
    std::vector<unsigned char> reference;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vertices);
        std::unique_ptr<norvane::kvx::Mesh> source = squareMesh(-0.5f, -0.5f, 0.5f, 0.25f, c.vertices - 4);
        Mesh mesh(mDisplay.get());
        mesh.loadWithNormals(*source, 1);
        EXPECT_EQ(mesh.ibo.getIndexType(), c.type);
        EXPECT_EQ(mesh.vbo.getSize(), c.vertices);
        const uint32_t last = static_cast<uint32_t>(c.vertices - 1);
        EXPECT_EQ(indices(mesh), (std::vector<uint32_t>{last - 3, last - 2, last - 1, last - 3, last - 1, last}));
        clear();
        mesh.draw();
        const std::vector<unsigned char> red = frame();
        EXPECT_GT(lit(red), 0);
        if (reference.empty()) reference = red;
        EXPECT_TRUE(red == reference);
    }
}

TEST_F(TorvikTest, EmptySubmeshesTakeNoRoomAndDrawNothing) {
    norvane::kvx::Mesh source;
    source.name = "gaps";
    source.positions = {Vec3(-1, -1, 0), Vec3(0, -1, 0), Vec3(0, 0, 0), Vec3(0, 1, 0), Vec3(1, 1, 0)};
    makeSubmesh(&source, {0, 1, 2}, {});                 // vertices, no faces
    makeSubmesh(&source, {}, {tri(0, 1, 2)});            // faces, no vertices (unsound too)
    makeSubmesh(&source, {0, 1, 2}, {tri(0, 1, 2)});     // lower left triangle
    makeSubmesh(&source, {2, 3, 4}, {tri(0, 2, 1)});     // upper right triangle
    Mesh mesh(mDisplay.get());
    mesh.loadWithNormals(source, 1);
    ASSERT_EQ(mesh.getSubmeshCount(), 4);
    for (int i = 0; i < 2; ++i) {
        const Mesh::DrawRange& r = mesh.ranges[i];
        EXPECT_EQ(r.firstIndex + r.indexCount + r.firstVertex + r.vertexCount, 0);
        EXPECT_EQ(r.mode, 0u);
    }
    EXPECT_EQ(mesh.ranges[2].firstVertex, 0);
    EXPECT_EQ(mesh.ranges[3].firstVertex, 3);
    EXPECT_EQ(mesh.ranges[3].firstIndex, 3);
    EXPECT_EQ(mesh.vbo.getSize(), 6);

    // An empty range draws nothing and leaves the current buffers alone.
    mDisplay->setVBO(nullptr);
    mDisplay->setIBO(nullptr);
    mesh.drawSubmesh(0);
    mesh.drawSubmesh(1);
    mesh.drawSubmesh(17);
    EXPECT_EQ(mDisplay->getCurrentVBO(), nullptr);
    EXPECT_EQ(mDisplay->getCurrentIBO(), nullptr);
    EXPECT_EQ(lit(frame()), 0);

    mesh.drawSubmesh(3);
    std::vector<unsigned char> red = frame();
    EXPECT_TRUE(litAt(red, 0.1f, 0.8f));
    EXPECT_FALSE(litAt(red, -0.1f, -0.8f));
    mesh.draw();
    red = frame();
    EXPECT_TRUE(litAt(red, -0.1f, -0.8f));
    EXPECT_FALSE(litAt(red, -0.8f, 0.8f));
}

TEST_F(TorvikTest, AMeshOfOnlyEmptySubmeshesGetsNoBuffers) {
    norvane::kvx::Mesh source;
    source.name = "hollow";
    source.positions = {Vec3(0, 0, 0)};
    makeSubmesh(&source, {0}, {});
    Mesh mesh(mDisplay.get());
    mesh.loadWithNormals(source, 1);
    EXPECT_EQ(mesh.getSubmeshCount(), 1);
    EXPECT_EQ(mesh.vbo.getSize(), 0);
    EXPECT_EQ(mesh.ibo.getSize(), 0);
    mesh.draw();
    EXPECT_EQ(mDisplay->getCurrentVBO(), nullptr);

    norvane::kvx::Mesh none;
    Mesh nothing(mDisplay.get());
    nothing.load(none, 0);
    EXPECT_EQ(nothing.getSubmeshCount(), 0);
    nothing.draw();
}

TEST_F(TorvikTest, CornersAndEntriesPastTheArraysEmptyTheirSubmeshWithAWarning) {
    norvane::kvx::Mesh source;
    source.name = "broken";
    source.positions = {Vec3(-1, -1, 0), Vec3(1, -1, 0), Vec3(1, 1, 0)};
    makeSubmesh(&source, {0, 1, 2}, {tri(0, 1, 3)});          // a corner past the vertices
    makeSubmesh(&source, {0, 1, 7}, {tri(0, 1, 2)});          // an entry past the positions
    makeSubmesh(&source, {0, 1, 2}, {tri(0, 1, 0xffffffffu)}); // a corner that would wrap round
    makeSubmesh(&source, {0, 1, 2}, {tri(0, 1, 2)});          // sound
    source.computeNormals(false);
    ::testing::internal::CaptureStdout();
    Mesh mesh(mDisplay.get());
    mesh.load(source, 0);
    const std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("[warning][torvik::Mesh::load], Mesh 'broken': submesh 0"), std::string::npos)
        << log;
    EXPECT_NE(log.find("submesh 1"), std::string::npos);
    EXPECT_NE(log.find("submesh 2"), std::string::npos);
    EXPECT_EQ(log.find("submesh 3"), std::string::npos);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(mesh.ranges[i].indexCount, 0) << i;
    EXPECT_EQ(mesh.ranges[3].firstVertex, 0);
    EXPECT_EQ(mesh.vbo.getSize(), 3);
    EXPECT_EQ(indices(mesh), (std::vector<uint32_t>{0, 1, 2}));
    mesh.draw();
    EXPECT_TRUE(litAt(frame(), 0.5f, -0.5f));
}

TEST_F(TorvikTest, FieldsAMeshDoesNotProvideAreZero) {
    norvane::kvx::Mesh source;
    source.name = "bare";
    source.positions = {Vec3(1, 2, 3), Vec3(4, 5, 6), Vec3(7, 8, 10)};
    makeSubmesh(&source, {0, 1, 2}, {tri(0, 1, 2)});
    Submesh* withShortUv = makeSubmesh(&source, {2, 1, 0}, {tri(0, 1, 2)});
    withShortUv->vertexArrays.push_back(new Submesh::VertexArray{Vec3(0.25f, 0.75f, 9)});
    // Fill the buffer with a previous mesh first, so left-overs would show.
    Mesh mesh(mDisplay.get());
    std::unique_ptr<norvane::kvx::Mesh> big = squareMesh(-1, -1, 1, 1, 2);
    mesh.loadWithNormals(*big, 2);
    ::testing::internal::CaptureStdout();
    mesh.load(source, 0);
    const std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Mesh 'bare' has no normals"), std::string::npos) << log;
    const std::vector<float> f = vertexFloats(mesh);
    ASSERT_EQ(f.size(), 6u * 16u);
    for (int v = 0; v < 6; ++v) {
        SCOPED_TRACE(v);
        const float* x = &f[v * 16];
        for (int k = 3; k < 16; ++k) {
            if (v == 3 && (k == 6 || k == 7)) continue;
            EXPECT_EQ(x[k], 0.0f) << k;
        }
    }
    EXPECT_EQ(f[0], 1.0f);
    EXPECT_EQ(f[3 * 16 + 0], 7.0f);
    EXPECT_EQ(f[3 * 16 + 6], 0.25f);
    EXPECT_EQ(f[3 * 16 + 7], 0.75f);
}

TEST_F(TorvikTest, NormalsAreComputedWhenMissingAndTangentsOnlyWhenAsked) {
    std::unique_ptr<norvane::kvx::Mesh> source = squareMesh(-1, -1, 1, 1);
    Mesh mesh(mDisplay.get());
    mesh.loadWithNormals(*source, 1);
    std::vector<float> f = vertexFloats(mesh);
    for (int v = 0; v < 4; ++v) {
        EXPECT_NEAR(f[v * 16 + 5], 1.0f, 1e-5f); // +z normal
        for (int k = 8; k < 16; ++k) EXPECT_EQ(f[v * 16 + k], 0.0f);
        EXPECT_EQ(f[v * 16 + 6], f[v * 16 + 0]); // u follows x
    }
    // Frames already present are kept: flags 2 asks for tangents only when normals are missing.
    mesh.loadWithNormals(*source, 2);
    EXPECT_EQ(vertexFloats(mesh)[8], 0.0f);
    source->clearNormals();
    mesh.loadWithNormals(*source, 2);
    f = vertexFloats(mesh);
    EXPECT_NEAR(f[8] * f[8] + f[9] * f[9] + f[10] * f[10], 1.0f, 1e-4f);
    EXPECT_NEAR(f[12] * f[12] + f[13] * f[13] + f[14] * f[14], 1.0f, 1e-4f);
    EXPECT_EQ(f[11], 0.0f);
    EXPECT_EQ(f[15], 0.0f);
}

TEST_F(TorvikTest, ALoadAfterDrawingReplacesWhatIsDrawn) {
    Mesh mesh(mDisplay.get());
    std::unique_ptr<norvane::kvx::Mesh> left = squareMesh(-1, -1, 0, 1);
    mesh.loadWithNormals(*left, 1);
    mesh.draw();
    EXPECT_TRUE(litAt(frame(), -0.5f, 0));
    // The buffers are current on the display while they are set up again.
    std::unique_ptr<norvane::kvx::Mesh> right = squareMesh(0, -1, 1, 1, 300);
    mesh.loadWithNormals(*right, 1);
    clear();
    mesh.draw();
    const std::vector<unsigned char> red = frame();
    EXPECT_TRUE(litAt(red, 0.5f, 0));
    EXPECT_FALSE(litAt(red, -0.5f, 0));
}

TEST_F(TorvikTest, AMeshDestroyedWhileCurrentLeavesTheDisplayClean) {
    std::unique_ptr<norvane::kvx::Mesh> source = squareMesh(-1, -1, 0, 0);
    {
        Mesh gone(mDisplay.get());
        gone.loadWithNormals(*source, 1);
        gone.draw();
        EXPECT_EQ(mDisplay->getCurrentVBO(), &gone.vbo);
    }
    EXPECT_EQ(mDisplay->getCurrentVBO(), nullptr);
    EXPECT_EQ(mDisplay->getCurrentIBO(), nullptr);
    Mesh next(mDisplay.get());
    next.loadWithNormals(*source, 1);
    clear();
    next.draw();
    EXPECT_TRUE(litAt(frame(), -0.5f, -0.5f));
}

// Every channel of the mesh vertex reaches a shader: the normal, the texture coordinate and both
// tangent attributes, each written out as a colour.
TEST_F(TorvikTest, EveryVertexChannelReachesTheShader) {
    static const char* const kVertex = R"(#version 120
attribute vec4 tangent0_vs;
attribute vec4 tangent1_vs;
uniform int channel;
varying vec4 colour;
void main() {
    if (channel == 0) colour = vec4(abs(gl_Normal), 1.0);
    else if (channel == 1) colour = vec4(gl_MultiTexCoord0.xy, 0.0, 1.0);
    else if (channel == 2) colour = vec4(abs(tangent0_vs.xyz), 1.0);
    else colour = vec4(abs(tangent1_vs.xyz), 1.0);
    gl_Position = gl_Vertex;
}
)";
    static const char* const kFragment = "#version 120\nvarying vec4 colour;\nvoid main() { gl_FragColor = colour; }\n";
    norvane::display::VertexShader vertex(mDisplay.get());
    vertex.compile(kVertex, static_cast<int>(std::strlen(kVertex)), "channels.vert");
    norvane::display::FragmentShader fragment(mDisplay.get());
    fragment.compile(kFragment, static_cast<int>(std::strlen(kFragment)), "channels.frag");
    norvane::display::ShaderProgram program(mDisplay.get());
    program.attach(vertex);
    program.attach(fragment);
    program.link();

    // A square in the x-y plane with u along x and v along y: normal +z, tangent x, bitangent y.
    std::unique_ptr<norvane::kvx::Mesh> source = squareMesh(-1, -1, 1, 1);
    for (Vec3& uv : *source->submeshes[0]->vertexArrays[0]) uv = Vec3(0.5f * (uv.x + 1), 0.5f * (uv.y + 1), 0);
    Mesh mesh(mDisplay.get());
    mesh.loadWithNormals(*source, 2);
    auto centre = [&](int channel) {
        clear();
        program.setUniformInt("channel", channel);
        program.use();
        mesh.draw();
        program.unuse();
        unsigned char p[4] = {};
        glReadPixels(kSize / 4, kSize * 3 / 4, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return std::vector<int>{p[0], p[1], p[2]};
    };
    auto near = [](const std::vector<int>& a, std::vector<int> b) {
        for (int i = 0; i < 3; ++i)
            if (std::abs(a[i] - b[i]) > 6) return false;
        return true;
    };
    EXPECT_TRUE(near(centre(0), {0, 0, 255}));
    EXPECT_TRUE(near(centre(1), {66, 194, 0})); // u = 0.26, v = 0.76 at the sampled pixel
    EXPECT_TRUE(near(centre(2), {255, 0, 0}));
    EXPECT_TRUE(near(centre(3), {0, 255, 0}));
}

} // namespace
