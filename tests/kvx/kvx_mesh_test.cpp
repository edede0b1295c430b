#include "kvx_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace norvane::kvx;
using norvane::mathbase::Vector3;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

// Writes a mesh chunk with the given body and loads it into a fresh mesh.
template <typename Body> void loadMesh(Mesh& mesh, Body body) {
    ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
    w.beginChunk(0x2000);
    w.writeString("m");
    body(w);
    w.endChunk();
    const std::vector<char> bytes = w.getData();
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), ChunkImplicitSizes);
    ASSERT_EQ(r.nextChunk(), 0x2000);
    mesh.loadChunk(r);
    r.endChunk();
}

void writeNames(ChunkWriter& w, std::vector<char> payload) {
    w.beginChunk(0x6200);
    w.write(payload.data(), static_cast<uint32_t>(payload.size()));
    w.endChunk();
}

bool finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

void expectNear(const Vector3& a, const Vector3& b) {
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}

// Two triangles of the unit square in the z = 0 plane; the submesh's own vertices map onto the
// four positions, and the second triangle's copies of the diagonal carry other texture
// coordinates (a seam along the diagonal).
Mesh* seamSquare() {
    Mesh* mesh = new Mesh();
    mesh->name = "square";
    mesh->positions = {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(1, 1, 0), Vector3(0, 1, 0)};
    Submesh* s = new Submesh();
    s->mesh = mesh;
    s->vertices = {0, 1, 2, 0, 2, 3};
    s->faces = {Face{0, {0, 1, 2}}, Face{0, {3, 4, 5}}};
    // Left triangle: u along x. Right triangle: u along y, mirrored.
    s->vertexArrays.push_back(new Submesh::VertexArray{Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(1, 1, 0),
                                                       Vector3(5, 5, 0), Vector3(5, 4, 0), Vector3(4, 5, 0)});
    mesh->submeshes.push_back(s);
    return mesh;
}

} // namespace

TEST(Mesh, MaterialNamesSplitAtZeroBytes) {
    Mesh a;
    loadMesh(a, [](ChunkWriter& w) { writeNames(w, {'a', 0, 'b', 0}); });
    EXPECT_EQ(a.materialNames, (std::vector<std::string>{"a", "b"}));
    Mesh b;
    loadMesh(b, [](ChunkWriter& w) { writeNames(w, {0, 'x', 0}); });
    EXPECT_EQ(b.materialNames, (std::vector<std::string>{"", "x"}));
    Mesh c;
    loadMesh(c, [](ChunkWriter& w) { writeNames(w, {'c'}); });
    EXPECT_TRUE(c.materialNames.empty());
    EXPECT_EQ(b.getMaterialName(1), "x");
    EXPECT_EQ(b.getMaterialName(2), "");
    EXPECT_EQ(b.getMaterialName(-1), "");
}

TEST(Mesh, UnknownChunksWarnAndWeightListsAreSkipped) {
    Mesh mesh;
    CaptureStdout();
    loadMesh(mesh, [](ChunkWriter& w) {
        WeightList list;
        list.key = 3;
        list.pairs = {IndexWeight{1, 0.5f}};
        list.save(w);
        w.beginChunk(0x1230);
        w.writeByte(1);
        w.endChunk();
        w.beginChunk(0x2200);
        w.writeByte(1);
        w.beginChunk(0x5550);
        w.writeByte(1);
        w.endChunk();
        w.endChunk();
    });
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(out.find("0x2300"), std::string::npos) << out;
    EXPECT_NE(out.find("[warning][kvx::Mesh::loadChunk], mesh::Unknown chunk with ID=0x1230"), std::string::npos) << out;
    EXPECT_NE(out.find("[warning][kvx::Submesh::loadChunk], Submesh: Unknown chunk with ID=0x5550"), std::string::npos)
        << out;
    EXPECT_TRUE(mesh.weightLists.empty());
    EXPECT_FALSE(mesh.hasWeightList(0));
    ASSERT_EQ(mesh.getSubmeshCount(), 1);
    EXPECT_EQ(mesh.submeshes[0]->materialIndex, 1);

    // The weight list itself reads back through its own loader.
    ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
    WeightList list;
    list.key = 9;
    list.pairs = {IndexWeight{1, 0.5f}, IndexWeight{4, 0.25f}};
    list.save(w);
    const std::vector<char> bytes = w.getData();
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), 1);
    ASSERT_EQ(r.nextChunk(), 0x2300);
    WeightList back;
    back.loadChunk(r);
    EXPECT_EQ(back.key, 9u);
    ASSERT_EQ(back.pairs.size(), 2u);
    EXPECT_EQ(back.pairs[1].index, 4u);
}

TEST(Mesh, BoundsOverSubmeshesIncludeEmptyOnes) {
    Mesh mesh;
    loadMesh(mesh, [](ChunkWriter& w) {
        w.writeVec3Array(0xFF00, {Vector3(1, 2, 3), Vector3(4, -5, 6), Vector3(2, 2, 9)});
        w.beginChunk(0x2200);
        w.writeByte(0);
        w.writeU32Array(0xFF60, {0, 1, 7}); // 7 names no position and is left out
        w.endChunk();
    });
    EXPECT_EQ(mesh.bounds.min, Vector3(1, -5, 3));
    EXPECT_EQ(mesh.bounds.max, Vector3(4, 2, 6));
    // A submesh without vertices has zero bounds, which take part like any other.
    Mesh withEmpty;
    loadMesh(withEmpty, [](ChunkWriter& w) {
        w.writeVec3Array(0xFF00, {Vector3(1, 2, 3), Vector3(4, 5, 6)});
        w.beginChunk(0x2200);
        w.writeByte(0);
        w.writeU32Array(0xFF60, {0, 1});
        w.endChunk();
        w.beginChunk(0x2200);
        w.writeByte(0);
        w.endChunk();
    });
    EXPECT_EQ(withEmpty.bounds.min, Vector3(0, 0, 0));
    EXPECT_EQ(withEmpty.bounds.max, Vector3(4, 5, 6));
    // Vertices but no positions at all: zero bounds, nothing read.
    Mesh noPositions;
    loadMesh(noPositions, [](ChunkWriter& w) {
        w.beginChunk(0x2200);
        w.writeByte(0);
        w.writeU32Array(0xFF60, {0, 5, 9});
        w.endChunk();
    });
    EXPECT_EQ(noPositions.bounds.max, Vector3(0, 0, 0));
    CaptureStdout();
    noPositions.computeNormals(true);
    GetCapturedStdout();
    EXPECT_FALSE(noPositions.hasNormals());
}

TEST(Mesh, NormalsAreSharedTangentsSplitAtSeams) {
    Mesh* mesh = seamSquare();
    EXPECT_FALSE(mesh->hasNormals());
    CaptureStdout();
    mesh->computeNormals(true);
    EXPECT_EQ(GetCapturedStdout(), "");
    ASSERT_TRUE(mesh->hasNormals());
    const std::vector<Submesh::VertexFrame>& frames = mesh->submeshes[0]->vertexFrames;
    ASSERT_EQ(frames.size(), 6u);
    for (const Submesh::VertexFrame& f : frames) expectNear(f.normal, Vector3(0, 0, 1));
    // Left side: tangent along +x; right side: u runs along -y there.
    expectNear(frames[0].tangent, Vector3(1, 0, 0));
    expectNear(frames[2].tangent, Vector3(1, 0, 0));
    expectNear(frames[0].bitangent, Vector3(0, 1, 0));
    expectNear(frames[3].tangent, Vector3(0, -1, 0));
    expectNear(frames[4].tangent, Vector3(0, -1, 0));
    expectNear(frames[4].bitangent, Vector3(-1, 0, 0));

    // Without tangents: normals only.
    mesh->computeNormals(false);
    expectNear(mesh->submeshes[0]->vertexFrames[3].normal, Vector3(0, 0, 1));
    EXPECT_EQ(mesh->submeshes[0]->vertexFrames[3].tangent, Vector3(0, 0, 0));
    mesh->clearNormals();
    EXPECT_FALSE(mesh->hasNormals());
    delete mesh;
}

TEST(Mesh, DegenerateFacesAndUnusedPositionsAreReported) {
    Mesh mesh;
    mesh.name = "line";
    mesh.positions = {Vector3(0, 0, 0), Vector3(1, 1, 1), Vector3(2, 2, 2)};
    Submesh* s = new Submesh();
    s->mesh = &mesh;
    s->vertices = {0, 1, 2};
    s->faces = {Face{0, {0, 1, 2}}};
    mesh.submeshes.push_back(s);
    CaptureStdout();
    mesh.computeNormals(false);
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(out,
              "Face 0 in line has face with area 0.000000, skipped (index=0, 1, 2)\n"
              "Ignore a normal\nIgnore a normal\nIgnore a normal\n");
    EXPECT_EQ(s->vertexFrames[1].normal, Vector3(0, 0, 0));
}

TEST(Mesh, BrokenIndicesAndShortArraysStayInBounds) {
    Mesh mesh;
    mesh.name = "broken";
    mesh.positions = {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(0, 1, 0)};
    Submesh* s = new Submesh();
    s->mesh = &mesh;
    s->vertices = {0, 1, 2, 99};
    // Corners past the vertex list, a vertex past the positions, one good face.
    s->faces = {Face{0, {0, 1, 7}}, Face{0, {0, 1, 3}}, Face{0, {0, 1, 2}}};
    // Texture coordinates shorter than the vertex list: no tangents from them.
    s->vertexArrays.push_back(new Submesh::VertexArray{Vector3(0, 0, 0), Vector3(1, 0, 0)});
    mesh.submeshes.push_back(s);
    // A second submesh whose texture coordinates have no area: tangents stay zero, never NaN.
    Submesh* t = new Submesh();
    t->mesh = &mesh;
    t->vertices = {0, 1, 2};
    t->faces = {Face{0, {0, 1, 2}}};
    t->vertexArrays.push_back(new Submesh::VertexArray{Vector3(0.5f, 0.5f, 0), Vector3(0.5f, 0.5f, 0),
                                                       Vector3(0.5f, 0.5f, 0)});
    mesh.submeshes.push_back(t);
    CaptureStdout();
    mesh.computeNormals(true);
    GetCapturedStdout();
    ASSERT_EQ(s->vertexFrames.size(), 4u);
    expectNear(s->vertexFrames[2].normal, Vector3(0, 0, 1));
    EXPECT_EQ(s->vertexFrames[3].normal, Vector3(0, 0, 0));
    for (const Submesh* sub : mesh.submeshes) {
        for (const Submesh::VertexFrame& f : sub->vertexFrames) {
            EXPECT_TRUE(finite(f.normal));
            EXPECT_TRUE(finite(f.tangent));
            EXPECT_TRUE(finite(f.bitangent));
            EXPECT_EQ(f.tangent, Vector3(0, 0, 0));
        }
    }
    s->computeBounds();
    EXPECT_EQ(s->bounds.max, Vector3(1, 1, 0));
}

TEST(Mesh, SaveWritesEverythingButFrames) {
    Mesh* mesh = seamSquare();
    mesh->materialNames = {"", "b", ""};
    CaptureStdout();
    mesh->computeNormals(true);
    GetCapturedStdout();
    // Empty arrays in front of, between and behind the others keep their places.
    std::vector<Submesh::VertexArray*>& arrays = mesh->submeshes[0]->vertexArrays;
    const Submesh::VertexArray uv = *arrays[0];
    arrays.insert(arrays.begin(), new Submesh::VertexArray());
    arrays.push_back(new Submesh::VertexArray());
    arrays.push_back(new Submesh::VertexArray(uv));
    arrays.push_back(new Submesh::VertexArray());
    ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
    mesh->save(w);
    const std::vector<char> bytes = w.getData();
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), 1);
    ASSERT_EQ(r.nextChunk(), 0x2000);
    Mesh back;
    back.loadChunk(r);
    EXPECT_EQ(back.name, "square");
    EXPECT_EQ(back.materialNames, mesh->materialNames);
    ASSERT_EQ(back.getSubmeshCount(), 1);
    EXPECT_TRUE(back.submeshes[0]->vertexFrames.empty());
    EXPECT_EQ(back.submeshes[0]->vertices, mesh->submeshes[0]->vertices);
    EXPECT_EQ(back.bounds.max, Vector3(1, 1, 0));
    const std::vector<Submesh::VertexArray*>& backArrays = back.submeshes[0]->vertexArrays;
    ASSERT_EQ(backArrays.size(), 5u);
    for (size_t i : {0, 2, 4}) EXPECT_TRUE(backArrays[i]->empty()) << i;
    EXPECT_EQ(*backArrays[1], uv);
    EXPECT_EQ(*backArrays[3], uv);
    // Saving changed nothing in the source.
    EXPECT_EQ(mesh->submeshes[0]->vertexFrames.size(), 6u);
    back.reset();
    EXPECT_EQ(back.getSubmeshCount(), 0);
    EXPECT_STREQ(back.getName(), "");
    delete mesh;
}
