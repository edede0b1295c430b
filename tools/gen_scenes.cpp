// Writes the sample demo's mesh scenes through the kvx writer:
//   gen_scenes <demo folder>
// makes hedgehog/hedgehog.kvx (mesh "ball"), hus/hus.kvx ("Tube"), logo/logo.kvx ("logo"),
// plane/plane.kvx ("Cube", an aeroplane) and rum/rum.kvx ("rum", a tiled room).
// Normals are not stored: the effects compute them when they load the meshes, smooth over the
// positions that faces share, so hard edges get positions of their own.

#include "kvx_manager.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

using norvane::kvx::Face;
using norvane::kvx::Manager;
using norvane::kvx::Mesh;
using norvane::kvx::Submesh;
typedef norvane::mathbase::Vector3T<float> Vec3;

namespace {

const float kPi = 3.14159265358979f;

// Appends positions, vertices and triangles to a mesh, one submesh at a time.
class Builder {
public:
    explicit Builder(Mesh* mesh) : mMesh(mesh) {}

    void beginSubmesh(const std::string& material) {
        mSubmesh = new Submesh();
        mSubmesh->mesh = mMesh;
        mSubmesh->materialIndex = static_cast<int>(mMesh->materialNames.size());
        mMesh->materialNames.push_back(material);
        mSubmesh->vertexArrays.push_back(new Submesh::VertexArray());
        mMesh->submeshes.push_back(mSubmesh);
    }
    uint32_t position(const Vec3& p) {
        mMesh->positions.push_back(p);
        return static_cast<uint32_t>(mMesh->positions.size() - 1);
    }
    // A vertex of the current submesh on a position, with a texture coordinate.
    uint32_t vertex(uint32_t position, float u, float v) {
        mSubmesh->vertices.push_back(position);
        mSubmesh->vertexArrays[0]->push_back(Vec3(u, v, 0));
        return static_cast<uint32_t>(mSubmesh->vertices.size() - 1);
    }
    // A triangle wound counter-clockwise when seen from the side the hint points to.
    void triangle(uint32_t a, uint32_t b, uint32_t c, const Vec3& facing) {
        const Vec3& pa = at(a);
        Vec3 n;
        (at(b) - pa).cross(n, at(c) - pa);
        if (n.x * facing.x + n.y * facing.y + n.z * facing.z < 0) std::swap(b, c);
        mSubmesh->faces.push_back(Face{0, {a, b, c}});
    }
    // A flat quad of four new positions, corners in order round its edge, texture 0..us x 0..vs.
    void quad(const Vec3 p[4], const Vec3& facing, float u0, float v0, float u1, float v1) {
        uint32_t v[4];
        const float uv[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
        for (int i = 0; i < 4; ++i) v[i] = vertex(position(p[i]), uv[i][0], uv[i][1]);
        triangle(v[0], v[1], v[2], facing);
        triangle(v[0], v[2], v[3], facing);
    }
    // An axis-aligned box with flat faces facing out (or in).
    void box(const Vec3& lo, const Vec3& hi, bool inward = false, float tiles = 1.0f) {
        const float s = inward ? -1.0f : 1.0f;
        for (int axis = 0; axis < 3; ++axis) {
            for (int side = 0; side < 2; ++side) {
                const int a = (axis + 1) % 3, b = (axis + 2) % 3;
                Vec3 p[4];
                float c[3];
                c[axis] = side ? get(hi, axis) : get(lo, axis);
                const float as[4] = {get(lo, a), get(hi, a), get(hi, a), get(lo, a)};
                const float bs[4] = {get(lo, b), get(lo, b), get(hi, b), get(hi, b)};
                for (int i = 0; i < 4; ++i) {
                    c[a] = as[i];
                    c[b] = bs[i];
                    p[i] = Vec3(c[0], c[1], c[2]);
                }
                float f[3] = {0, 0, 0};
                f[axis] = (side ? 1.0f : -1.0f) * s;
                quad(p, Vec3(f[0], f[1], f[2]), 0, 0, tiles, tiles);
            }
        }
    }

private:
    const Vec3& at(uint32_t vertex) const { return mMesh->positions[mSubmesh->vertices[vertex]]; }
    static float get(const Vec3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

    Mesh* mMesh;
    Submesh* mSubmesh = nullptr;
};

Mesh* newMesh(const std::string& name) {
    Mesh* mesh = new Mesh();
    mesh->name = name;
    return mesh;
}

void finish(Mesh* mesh) {
    for (Submesh* submesh : mesh->submeshes) submesh->computeBounds();
    mesh->computeBounds();
}

// The hedgehog's ball: a smooth sphere of radius 1.5, fine enough for the spikes its vertex
// shader pulls out towards the attractors; the texture coordinate runs round it and pole to pole.
Mesh* makeBall() {
    const int segments = 96, rings = 48;
    const float radius = 1.5f;
    Mesh* mesh = newMesh("ball");
    Builder b(mesh);
    b.beginSubmesh("skin");
    const uint32_t top = b.position(Vec3(0, radius, 0));
    const uint32_t bottom = b.position(Vec3(0, -radius, 0));
    std::vector<uint32_t> ring((rings - 1) * segments);
    for (int r = 1; r < rings; ++r) {
        const float theta = kPi * static_cast<float>(r) / rings;
        for (int s = 0; s < segments; ++s) {
            const float phi = 2 * kPi * static_cast<float>(s) / segments;
            ring[(r - 1) * segments + s] = b.position(Vec3(radius * std::sin(theta) * std::cos(phi),
                                                           radius * std::cos(theta),
                                                           radius * std::sin(theta) * std::sin(phi)));
        }
    }
    auto at = [&](int r, int s) { return ring[(r - 1) * segments + (s % segments)]; };
    auto uv = [&](int r, int s, uint32_t p) {
        return b.vertex(p, static_cast<float>(s) / segments, static_cast<float>(r) / rings);
    };
    auto outward = [&](int r, int s) {
        const float theta = kPi * (static_cast<float>(r) + 0.5f) / rings;
        const float phi = 2 * kPi * (static_cast<float>(s) + 0.5f) / segments;
        return Vec3(std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi));
    };
    for (int s = 0; s < segments; ++s) {
        b.triangle(uv(0, s, top), uv(1, s, at(1, s)), uv(1, s + 1, at(1, s + 1)), outward(0, s));
        b.triangle(uv(rings, s, bottom), uv(rings - 1, s, at(rings - 1, s)),
                   uv(rings - 1, s + 1, at(rings - 1, s + 1)), outward(rings - 1, s));
    }
    for (int r = 1; r < rings - 1; ++r) {
        for (int s = 0; s < segments; ++s) {
            const uint32_t a = uv(r, s, at(r, s)), c = uv(r, s + 1, at(r, s + 1));
            const uint32_t d = uv(r + 1, s, at(r + 1, s)), e = uv(r + 1, s + 1, at(r + 1, s + 1));
            b.triangle(a, d, e, outward(r, s));
            b.triangle(a, e, c, outward(r, s));
        }
    }
    finish(mesh);
    return mesh;
}

// The "hus" tube: a long drum of sixteen planks round the X axis (radius 2.5, 24 units long),
// each plank flat with its own edges, set apart by grooves, and hooped every four units, so its
// turn about X shows.
Mesh* makeTube() {
    const int planks = 16, sections = 6;
    const float radius = 2.5f, groove = 2.3f, halfLength = 12.0f, gap = 0.08f;
    Mesh* mesh = newMesh("Tube");
    Builder b(mesh);
    b.beginSubmesh("planks");
    auto point = [](float x, float angle, float r) { return Vec3(x, r * std::cos(angle), r * std::sin(angle)); };
    for (int k = 0; k < planks; ++k) {
        const float a0 = 2 * kPi * k / planks + gap * 0.5f, a1 = 2 * kPi * (k + 1) / planks - gap * 0.5f;
        const float mid = 0.5f * (a0 + a1);
        const Vec3 out(0, std::cos(mid), std::sin(mid));
        for (int s = 0; s < sections; ++s) {
            const float x0 = -halfLength + 2 * halfLength * s / sections;
            const float x1 = -halfLength + 2 * halfLength * (s + 1) / sections;
            const float inset = 0.15f; // a narrow ring between the sections
            const float xa = x0 + inset, xb = x1 - inset;
            const Vec3 top[4] = {point(xa, a0, radius), point(xb, a0, radius), point(xb, a1, radius),
                                 point(xa, a1, radius)};
            b.quad(top, out, xa / 4, 0, xb / 4, 1);
            // The plank's sides down into the grooves.
            const Vec3 side0[4] = {point(xa, a0, groove), point(xb, a0, groove), point(xb, a0, radius),
                                   point(xa, a0, radius)};
            b.quad(side0, Vec3(0, -std::sin(a0), std::cos(a0)) * -1.0f, 0, 0, 1, 0.1f);
            const Vec3 side1[4] = {point(xa, a1, groove), point(xb, a1, groove), point(xb, a1, radius),
                                   point(xa, a1, radius)};
            b.quad(side1, Vec3(0, -std::sin(a1), std::cos(a1)), 0, 0, 1, 0.1f);
            // The plank's ends.
            const Vec3 end0[4] = {point(xa, a0, groove), point(xa, a1, groove), point(xa, a1, radius),
                                  point(xa, a0, radius)};
            b.quad(end0, Vec3(-1, 0, 0), 0, 0, 0.1f, 0.1f);
            const Vec3 end1[4] = {point(xb, a0, groove), point(xb, a1, groove), point(xb, a1, radius),
                                  point(xb, a0, radius)};
            b.quad(end1, Vec3(1, 0, 0), 0, 0, 0.1f, 0.1f);
        }
    }
    // The core under the planks: one smooth cylinder at the grooves' depth.
    b.beginSubmesh("core");
    const int around = 64;
    std::vector<uint32_t> left(around), right(around);
    for (int k = 0; k < around; ++k) {
        const float angle = 2 * kPi * k / around;
        left[k] = b.position(point(-halfLength, angle, groove));
        right[k] = b.position(point(halfLength, angle, groove));
    }
    for (int k = 0; k < around; ++k) {
        const int n = k + 1;
        const float u0 = static_cast<float>(k) / around, u1 = static_cast<float>(n) / around;
        const uint32_t a = b.vertex(left[k], 0, u0), c = b.vertex(right[k], 6, u0);
        const uint32_t d = b.vertex(left[n % around], 0, u1), e = b.vertex(right[n % around], 6, u1);
        const float mid = 2 * kPi * (k + 0.5f) / around;
        const Vec3 out(0, std::cos(mid), std::sin(mid));
        b.triangle(a, c, e, out);
        b.triangle(a, e, d, out);
    }
    finish(mesh);
    return mesh;
}

// The logo's beam: a square column through its pivot, from y = -1 to y = 1, tapering to narrow
// ends. The effect stretches it to fourteen units and fans it round the pivot below the view, so
// one end of every beam reaches up into the picture whichever way the fan has turned; the beams
// add up their light.
Mesh* makeBeam() {
    Mesh* mesh = newMesh("logo");
    Builder b(mesh);
    b.beginSubmesh("light");
    const float middle = 0.22f, tip = 0.04f;
    const float levels[3] = {-1.0f, 0.0f, 1.0f};
    const float widths[3] = {tip, middle, tip};
    Vec3 ring[3][4];
    for (int l = 0; l < 3; ++l) {
        const float w = widths[l], y = levels[l];
        const Vec3 corners[4] = {Vec3(-w, y, -w), Vec3(w, y, -w), Vec3(w, y, w), Vec3(-w, y, w)};
        for (int k = 0; k < 4; ++k) ring[l][k] = corners[k];
    }
    for (int l = 0; l < 2; ++l) {
        for (int k = 0; k < 4; ++k) {
            const int n = (k + 1) % 4;
            const Vec3 side[4] = {ring[l][k], ring[l][n], ring[l + 1][n], ring[l + 1][k]};
            const Vec3 mid = (ring[1][k] + ring[1][n]) * 0.5f;
            b.quad(side, Vec3(mid.x, l == 0 ? -0.2f : 0.2f, mid.z), 0, static_cast<float>(l), 1,
                   static_cast<float>(l + 1));
        }
    }
    b.quad(ring[2], Vec3(0, 1, 0), 0, 0, 1, 1);
    b.quad(ring[0], Vec3(0, -1, 0), 0, 0, 1, 1);
    finish(mesh);
    return mesh;
}

// The aeroplane: nose towards -Z, about seven units long and eight across the wings (the effect
// draws it at a tenth of that); the body and the flying surfaces are two submeshes.
Mesh* makePlane() {
    Mesh* mesh = newMesh("Cube");
    Builder b(mesh);
    b.beginSubmesh("body");
    b.box(Vec3(-0.3f, -0.3f, -1.6f), Vec3(0.3f, 0.3f, 2.0f));
    // The nose: a pyramid in front of the body.
    const Vec3 tip(0, -0.05f, -2.4f);
    const Vec3 ring[4] = {Vec3(-0.3f, -0.3f, -1.6f), Vec3(0.3f, -0.3f, -1.6f), Vec3(0.3f, 0.3f, -1.6f),
                          Vec3(-0.3f, 0.3f, -1.6f)};
    for (int k = 0; k < 4; ++k) {
        const uint32_t a = b.vertex(b.position(ring[k]), 0, 0);
        const uint32_t c = b.vertex(b.position(ring[(k + 1) % 4]), 1, 0);
        const uint32_t d = b.vertex(b.position(tip), 0.5f, 1);
        const Vec3 mid = (ring[k] + ring[(k + 1) % 4]) * 0.5f;
        b.triangle(a, c, d, Vec3(mid.x, mid.y, -0.5f));
    }
    // The cockpit.
    b.box(Vec3(-0.2f, 0.3f, -1.2f), Vec3(0.2f, 0.55f, -0.3f));
    b.beginSubmesh("wings");
    b.box(Vec3(-2.5f, -0.06f, -0.6f), Vec3(2.5f, 0.06f, 0.4f));
    b.box(Vec3(-1.0f, 0.0f, 1.5f), Vec3(1.0f, 0.08f, 2.0f));
    b.box(Vec3(-0.04f, 0.3f, 1.4f), Vec3(0.04f, 1.1f, 2.0f));
    for (Vec3& p : mesh->positions) p *= 1.6f;
    finish(mesh);
    return mesh;
}

// The room: the inside of a cube of half size 1 (the effect stretches it to 8 x 4 x 4), its
// walls tiled eight by eight, and a window panel set just inside each wall. Seen from anywhere
// inside, the walls and panels never cover each other wrongly without a depth test: the panels
// are drawn after the walls, and lie in front of them.
Mesh* makeRoom() {
    Mesh* mesh = newMesh("rum");
    Builder b(mesh);
    b.beginSubmesh("walls");
    b.box(Vec3(-1, -1, -1), Vec3(1, 1, 1), true, 8.0f);
    b.beginSubmesh("windows");
    const float in = 0.98f, w = 0.35f;
    for (int axis = 0; axis < 3; ++axis) {
        for (int side = 0; side < 2; ++side) {
            const float s = side ? 1.0f : -1.0f;
            Vec3 p[4];
            const float as[4] = {-w, w, w, -w}, bs[4] = {-w, -w, w, w};
            for (int i = 0; i < 4; ++i) {
                float c[3];
                c[axis] = s * in;
                c[(axis + 1) % 3] = as[i];
                c[(axis + 2) % 3] = bs[i];
                p[i] = Vec3(c[0], c[1], c[2]);
            }
            float f[3] = {0, 0, 0};
            f[axis] = -s;
            // Texture coordinates from 10 up mark the panels for the room's shader.
            b.quad(p, Vec3(f[0], f[1], f[2]), 10, 10, 11, 11);
        }
    }
    finish(mesh);
    return mesh;
}

bool writeScene(const std::filesystem::path& folder, const std::string& effect, Mesh* mesh) {
    Manager scene;
    scene.meshes.push_back(mesh);
    scene.meshIndex[mesh->name] = 0;
    char* data = nullptr;
    int size = 0;
    scene.save(data, size);
    std::unique_ptr<char[]> bytes(data);
    const std::filesystem::path dir = folder / effect;
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    const std::filesystem::path file = dir / (effect + ".kvx");
    std::ofstream out(file, std::ios::binary);
    out.write(data, size);
    out.close();
    if (!out) {
        std::fprintf(stderr, "gen_scenes: could not write '%s'\n", file.string().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_scenes <demo folder>\n");
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    bool ok = writeScene(folder, "hedgehog", makeBall());
    ok = writeScene(folder, "hus", makeTube()) && ok;
    ok = writeScene(folder, "logo", makeBeam()) && ok;
    ok = writeScene(folder, "plane", makePlane()) && ok;
    ok = writeScene(folder, "rum", makeRoom()) && ok;
    return ok ? 0 : 1;
}
