#pragma once
// Polygon meshes of a .kvx file: shared positions, material names and material ranges (submeshes)
// with their own vertex lists, per-vertex arrays and triangles; smooth normals and tangent frames.

#include "kvx_chunk.h"
#include "mathbase/mb_vector.h"

#include <string>
#include <vector>

namespace norvane {
namespace kvx {

class Mesh;

struct Bounds {
    mathbase::Vector3T<float> min;
    mathbase::Vector3T<float> max;
};

class Submesh {
public:
    typedef kvx::Face Face;
    typedef std::vector<mathbase::Vector3T<float>> VertexArray;

    struct VertexFrame {
        mathbase::Vector3T<float> normal;
        mathbase::Vector3T<float> bitangent;
        mathbase::Vector3T<float> tangent;
    };

    Submesh();
    ~Submesh();
    Submesh(const Submesh&) = delete;
    Submesh& operator=(const Submesh&) = delete;

    void reset();
    void loadChunk(ChunkReader& reader);
    void save(ChunkWriter& writer) const;
    // Over the positions its vertices name; vertices naming no position are left out.
    void computeBounds();

    Bounds bounds;
    int materialIndex;
    std::vector<Face> faces;
    std::vector<uint32_t> vertices;
    std::vector<VertexArray*> vertexArrays;
    std::vector<VertexFrame> vertexFrames;
    Mesh* mesh;
};

class WeightList {
public:
    WeightList() : key(0) {}
    void reset() { pairs.clear(); }
    void loadChunk(ChunkReader& reader);
    void save(ChunkWriter& writer) const;

    uint32_t key;
    std::vector<IndexWeight> pairs;
};

class Mesh {
public:
    Mesh();
    ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    void reset();
    void loadChunk(ChunkReader& reader);
    void save(ChunkWriter& writer) const;

    const char* getName() const { return name.c_str(); }
    int getSubmeshCount() const { return static_cast<int>(submeshes.size()); }
    const std::string& getMaterialName(int index) const;
    bool hasNormals() const;
    void clearNormals();
    // Smooth normals per position and, when asked and a submesh has texture coordinates,
    // tangent frames shared by vertices with the same position and texture coordinate.
    void computeNormals(bool withTangents);
    void computeBounds();

    bool hasWeightList(int index) const;
    std::vector<IndexWeight>& getWeightList(int index) { return weightLists[index]->pairs; }
    const std::vector<IndexWeight>& getWeightList(int index) const { return weightLists[index]->pairs; }

    std::string name;
    std::vector<std::string> materialNames;
    std::vector<mathbase::Vector3T<float>> positions;
    std::vector<Submesh*> submeshes;
    Bounds bounds;
    std::vector<WeightList*> weightLists;
};

} // namespace kvx
} // namespace norvane
