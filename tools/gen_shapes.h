#pragma once
// Small helpers shared by the bot and buff content generators: a mesh builder over the kvx mesh
// classes, smooth animation keys and an RGBA PNG writer.

#include "kvx_manager.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace shapes {

typedef norvane::mathbase::Vector3T<float> Vec3;
const float kPi = 3.14159265f;

// Appends positions, vertices and triangles to a mesh, one submesh at a time. Every flat face gets
// positions of its own, so the smooth normals computed at load keep the edges hard.
class Builder {
public:
    explicit Builder(norvane::kvx::Mesh* mesh) : mMesh(mesh) {}

    void beginSubmesh(const std::string& material) {
        mSubmesh = new norvane::kvx::Submesh();
        mSubmesh->mesh = mMesh;
        int index = -1;
        for (size_t i = 0; i < mMesh->materialNames.size(); ++i)
            if (mMesh->materialNames[i] == material) index = static_cast<int>(i);
        if (index < 0) {
            index = static_cast<int>(mMesh->materialNames.size());
            mMesh->materialNames.push_back(material);
        }
        mSubmesh->materialIndex = index;
        mSubmesh->vertexArrays.push_back(new norvane::kvx::Submesh::VertexArray());
        mMesh->submeshes.push_back(mSubmesh);
    }
    uint32_t vertex(const Vec3& p, float u, float v) {
        mMesh->positions.push_back(p);
        mSubmesh->vertices.push_back(static_cast<uint32_t>(mMesh->positions.size() - 1));
        mSubmesh->vertexArrays[0]->push_back(Vec3(u, v, 0));
        return static_cast<uint32_t>(mSubmesh->vertices.size() - 1);
    }
    // A vertex on a position that an earlier vertex of the submesh already uses (smooth surfaces).
    uint32_t shared(uint32_t earlier, float u, float v) {
        mSubmesh->vertices.push_back(mSubmesh->vertices[earlier]);
        mSubmesh->vertexArrays[0]->push_back(Vec3(u, v, 0));
        return static_cast<uint32_t>(mSubmesh->vertices.size() - 1);
    }
    // A triangle wound counter-clockwise seen from the side the hint points to.
    void triangle(uint32_t a, uint32_t b, uint32_t c, const Vec3& facing) {
        const Vec3 pa = at(a), pb = at(b), pc = at(c);
        Vec3 n;
        (pb - pa).cross(n, pc - pa);
        if (n.dot(facing) < 0) std::swap(b, c);
        mSubmesh->faces.push_back(norvane::kvx::Face{0, {a, b, c}});
    }
    // A flat quad of four corners in order round its edge.
    void quad(const Vec3 p[4], const Vec3& facing) {
        const uint32_t a = vertex(p[0], 0, 0), b = vertex(p[1], 1, 0), c = vertex(p[2], 1, 1), d = vertex(p[3], 0, 1);
        triangle(a, b, c, facing);
        triangle(a, c, d, facing);
    }
    // An axis-aligned box between two corners, faces outward.
    void box(const Vec3& lo, const Vec3& hi) {
        const Vec3 c[8] = {Vec3(lo.x, lo.y, lo.z), Vec3(hi.x, lo.y, lo.z), Vec3(hi.x, hi.y, lo.z),
                           Vec3(lo.x, hi.y, lo.z), Vec3(lo.x, lo.y, hi.z), Vec3(hi.x, lo.y, hi.z),
                           Vec3(hi.x, hi.y, hi.z), Vec3(lo.x, hi.y, hi.z)};
        const int faces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4}, {3, 2, 6, 7}, {0, 3, 7, 4}, {1, 2, 6, 5}};
        const Vec3 facing[6] = {Vec3(0, 0, -1), Vec3(0, 0, 1), Vec3(0, -1, 0), Vec3(0, 1, 0), Vec3(-1, 0, 0),
                                Vec3(1, 0, 0)};
        for (int f = 0; f < 6; ++f) {
            const Vec3 p[4] = {c[faces[f][0]], c[faces[f][1]], c[faces[f][2]], c[faces[f][3]]};
            quad(p, facing[f]);
        }
    }
    // A closed prism of n flat sides round the Y axis from y0 to y1, with caps.
    void prism(int n, float radius, float y0, float y1, float phase = 0.0f) {
        for (int k = 0; k < n; ++k) {
            const float a0 = phase + 2 * kPi * k / n, a1 = phase + 2 * kPi * (k + 1) / n;
            const Vec3 p[4] = {Vec3(radius * std::cos(a0), y0, radius * std::sin(a0)),
                               Vec3(radius * std::cos(a1), y0, radius * std::sin(a1)),
                               Vec3(radius * std::cos(a1), y1, radius * std::sin(a1)),
                               Vec3(radius * std::cos(a0), y1, radius * std::sin(a0))};
            const float mid = 0.5f * (a0 + a1);
            quad(p, Vec3(std::cos(mid), 0, std::sin(mid)));
        }
        for (int cap = 0; cap < 2; ++cap) {
            const float y = cap ? y1 : y0;
            const uint32_t centre = vertex(Vec3(0, y, 0), 0.5f, 0.5f);
            for (int k = 0; k < n; ++k) {
                const float a0 = phase + 2 * kPi * k / n, a1 = phase + 2 * kPi * (k + 1) / n;
                const uint32_t b = vertex(Vec3(radius * std::cos(a0), y, radius * std::sin(a0)), 0, 0);
                const uint32_t c = vertex(Vec3(radius * std::cos(a1), y, radius * std::sin(a1)), 1, 0);
                triangle(centre, b, c, Vec3(0, cap ? 1.0f : -1.0f, 0));
            }
        }
    }

private:
    Vec3 at(uint32_t v) const { return mMesh->positions[mSubmesh->vertices[v]]; }

    norvane::kvx::Mesh* mMesh;
    norvane::kvx::Submesh* mSubmesh = nullptr;
};

inline norvane::kvx::Mesh* newMesh(const std::string& name) {
    norvane::kvx::Mesh* mesh = new norvane::kvx::Mesh();
    mesh->name = name;
    return mesh;
}

inline void finish(norvane::kvx::Mesh* mesh) {
    for (norvane::kvx::Submesh* submesh : mesh->submeshes) submesh->computeBounds();
    mesh->computeBounds();
}

// A Bezier key whose handles reach a third of the way to the neighbours along the slope.
inline norvane::kvx::AnimCurve::Key smoothKey(float time, float value, float slope, float reach) {
    return norvane::kvx::AnimCurve::Key{time - reach, value - slope * reach, time, value, time + reach,
                                        value + slope * reach};
}

// Keys every step seconds from 0 to end of value(t), with slopes from the function itself.
template <typename F> void sampleCurve(norvane::kvx::AnimCurve& curve, float end, float step, F value, int extrapolation) {
    curve.interpolation = norvane::kvx::AnimCurve::Bezier;
    curve.extrapolation = extrapolation;
    curve.keys.clear();
    const float h = 1e-3f;
    for (float t = 0; t <= end + 1e-4f; t += step) {
        const float slope = (value(t + h) - value(t - h)) / (2 * h);
        curve.keys.push_back(smoothKey(t, value(t), slope, step / 3));
    }
}

// Writes the manager's content as a .kvx file; false with a message when it fails.
inline bool writeKvx(const norvane::kvx::Manager& manager, const std::filesystem::path& file) {
    char* data = nullptr;
    int size = 0;
    manager.save(data, size);
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    std::ofstream out(file, std::ios::binary);
    out.write(data, size);
    out.close();
    delete[] data;
    if (!out) {
        std::fprintf(stderr, "could not write '%s'\n", file.string().c_str());
        return false;
    }
    return true;
}

// An RGBA image, rows from the top.
struct Picture {
    Picture(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h * 4, 0) {}
    void set(int x, int y, float r, float g, float b, float a) {
        unsigned char* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
        const float c[4] = {r, g, b, a};
        for (int i = 0; i < 4; ++i) {
            const float v = c[i] < 0 ? 0 : (c[i] > 1 ? 1 : c[i]);
            p[i] = static_cast<unsigned char>(v * 255.0f + 0.5f);
        }
    }
    int width, height;
    std::vector<unsigned char> pixels;
};

inline bool writePng(const Picture& picture, const std::filesystem::path& file) {
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    FILE* out = std::fopen(file.string().c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "could not write '%s'\n", file.string().c_str());
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        std::fclose(out);
        std::fprintf(stderr, "could not encode '%s'\n", file.string().c_str());
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y)
        png_write_row(png, const_cast<png_bytep>(&picture.pixels[static_cast<size_t>(y) * picture.width * 4]));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0;
}

} // namespace shapes
