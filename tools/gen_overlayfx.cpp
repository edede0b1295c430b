// Writes the assets of the effects "clouds", "hyperkub", "planet" and "vintage" below a folder:
//   clouds/particle.png     a soft white puff whose alpha falls off from the middle
//   hyperkub/cube.jpg       the environment cube map: a vertical cross of 3 x 4 square cells
//   hyperkub/objects.kvx    the meshes "hyperkub", "circle" and "glowsphere"
//   planet/godsteam.png     a banded planet in a halo of steam among stars, clear elsewhere
//   vintage/vintage.png     an old film frame: dark scratched border around a clear middle
//   vintage/vintage2.png    a sepia landscape under a low sun
// Everything is computed, so every run writes the same bytes.
//
// Usage: gen_overlayfx FOLDER

#include "am_image.h"
#include "kvx_manager.h"

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using norvane::am::Image;
using norvane::am::ImageObject;
typedef norvane::mathbase::Vector3T<float> Vec3;

namespace {

const float Pi = 3.14159265f;

struct Rgb {
    float r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, float t) {
    return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

unsigned char byteOf(float v) { return static_cast<unsigned char>(std::lround(clamp01(v) * 255.0f)); }

// Our own small generator, so the pictures do not depend on the runtime library.
struct Random {
    uint32_t seed;
    explicit Random(uint32_t start) : seed(start) {}
    float next() {
        seed = seed * 69069u + 5u;
        return static_cast<float>(seed >> 8) * (1.0f / 16777216.0f);
    }
};

// Smooth value noise over the plane, period 256 cells.
struct Noise {
    float lattice[256][256];
    explicit Noise(uint32_t start) {
        Random random(start);
        for (auto& row : lattice)
            for (float& v : row) v = random.next();
    }
    float at(float x, float y) const {
        const float fx = std::floor(x), fy = std::floor(y);
        const int ix = static_cast<int>(fx) & 255, iy = static_cast<int>(fy) & 255;
        const int jx = (ix + 1) & 255, jy = (iy + 1) & 255;
        float tx = x - fx, ty = y - fy;
        tx = tx * tx * (3 - 2 * tx);
        ty = ty * ty * (3 - 2 * ty);
        const float top = lattice[iy][ix] + (lattice[iy][jx] - lattice[iy][ix]) * tx;
        const float bottom = lattice[jy][ix] + (lattice[jy][jx] - lattice[jy][ix]) * tx;
        return top + (bottom - top) * ty;
    }
    // Several octaves, about 0..1.
    float cloudy(float x, float y, int octaves) const {
        float sum = 0, scale = 1, weight = 0.5f;
        for (int i = 0; i < octaves; ++i) {
            sum += weight * at(x * scale, y * scale);
            scale *= 2;
            weight *= 0.5f;
        }
        return sum / (1.0f - std::pow(0.5f, static_cast<float>(octaves)));
    }
};

void setPixel(ImageObject& image, int x, int y, const Rgb& c, float alpha) {
    unsigned char* p = image.getWriteData() + (static_cast<size_t>(y) * image.getWidth() + x) * 4;
    p[0] = byteOf(c.b);
    p[1] = byteOf(c.g);
    p[2] = byteOf(c.r);
    p[3] = byteOf(alpha);
}

bool writeFile(const std::filesystem::path& path, const char* bytes, size_t size) {
    std::filesystem::create_directories(path.parent_path());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool whole = std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && whole;
}

bool writePng(const std::filesystem::path& path, Image& image) {
    norvane::am::ImageManager codecs;
    norvane::am::FileDataHandle file = codecs.saveImage(path.filename().string(), image);
    return !file.empty() && writeFile(path, file->bytes, static_cast<size_t>(file->size));
}

// ---------------------------------------------------------------------------------------------
// Images

Image particleImage() {
    const int size = 64;
    Image image(new ImageObject(size, size));
    Noise noise(77);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float u = (x + 0.5f) / size * 2 - 1, v = (y + 0.5f) / size * 2 - 1;
            const float r2 = u * u + v * v;
            const float falloff = r2 >= 1 ? 0.0f : (1 - r2) * (1 - r2);
            const float fluff = 0.65f + 0.35f * noise.cloudy(x * 0.12f, y * 0.12f, 3);
            const float shade = 0.9f + 0.1f * (1 - r2);
            setPixel(*image, x, y, Rgb{shade, shade, shade}, falloff * fluff);
        }
    }
    return image;
}

Image planetImage() {
    const int size = 512;
    Image image(new ImageObject(size, size));
    Noise noise(4242);
    Random stars(99);
    std::vector<float> starField(static_cast<size_t>(size) * size, 0.0f);
    for (int i = 0; i < 700; ++i) {
        const int x = static_cast<int>(stars.next() * size) % size, y = static_cast<int>(stars.next() * size) % size;
        starField[static_cast<size_t>(y) * size + x] = 0.3f + 0.7f * stars.next();
    }
    const float cx = 256, cy = 300, radius = 170;
    const Vec3 sun(-0.55f, -0.45f, 0.70f);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float dx = (x + 0.5f - cx) / radius, dy = (y + 0.5f - cy) / radius;
            const float d2 = dx * dx + dy * dy, d = std::sqrt(d2);
            // Space is clear, so that the picture lies over whatever is drawn before it: only the
            // stars and the steam cover it.
            const float star = starField[static_cast<size_t>(y) * size + x];
            // The steam: a warm haze around the rim, streaked by noise and rising to the top.
            const float rim = std::exp(-std::pow((d - 1.0f) * 6.0f, 2.0f));
            const float streak = noise.cloudy(x * 0.02f, y * 0.05f, 4);
            const float rising = clamp01(1.2f - (y - (cy - radius * 1.6f)) / (radius * 2.4f));
            const float haze = d > 1 ? clamp01((rim * 0.9f + 0.5f * std::exp(-(d - 1) * 2.5f) * rising) * (0.5f + streak)) : 0.0f;
            Rgb c = mix(Rgb{0.9f, 0.9f, 1.0f}, Rgb{1.0f, 0.72f, 0.45f}, haze / (haze + star + 1e-6f));
            float alpha = clamp01(haze + star);
            if (d < 1) {
                alpha = 1.0f;
                const float z = std::sqrt(1 - d2);
                const float light = clamp01(dx * sun.x + dy * sun.y + z * sun.z);
                const float band = 0.5f + 0.5f * std::sin(dy * 14.0f + 3.0f * noise.cloudy(x * 0.03f, y * 0.01f, 4));
                Rgb surface = mix(Rgb{0.55f, 0.30f, 0.18f}, Rgb{0.95f, 0.80f, 0.55f}, band);
                surface = mix(surface, Rgb{0.9f, 0.9f, 0.85f}, 0.3f * noise.cloudy(x * 0.05f, y * 0.2f, 3));
                const float lit = 0.08f + 0.92f * light;
                c = Rgb{surface.r * lit, surface.g * lit, surface.b * lit};
                c = mix(c, Rgb{1.0f, 0.72f, 0.45f}, 0.6f * std::pow(d, 8.0f));
            }
            setPixel(*image, x, y, c, alpha);
        }
    }
    return image;
}

// The front image: a dark, scratched film border that fades to clear towards the middle.
Image filmFrameImage() {
    const int size = 512;
    Image image(new ImageObject(size, size));
    Noise noise(1901);
    Random scratches(31);
    std::vector<float> scratch(size, 0.0f);
    for (int i = 0; i < 14; ++i) scratch[static_cast<size_t>(scratches.next() * size) % size] = 0.4f + 0.6f * scratches.next();
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float u = (x + 0.5f) / size * 2 - 1, v = (y + 0.5f) / size * 2 - 1;
            // Rounded-rectangle distance to the edge: 0 at the middle, 1 at the border.
            const float edge = std::pow(std::pow(std::fabs(u), 6.0f) + std::pow(std::fabs(v), 6.0f), 1.0f / 6.0f);
            float alpha = clamp01((edge - 0.72f) / 0.2f);
            const float grain = noise.cloudy(x * 0.3f, y * 0.3f, 2);
            Rgb c{0.16f + 0.1f * grain, 0.11f + 0.08f * grain, 0.06f + 0.05f * grain};
            // Sprocket holes along the left and right edges.
            const float hx = std::fabs(u) - 0.93f, hy = std::fmod(v + 1.0f, 0.125f) - 0.0625f;
            if (hx > -0.025f && hx < 0.025f && std::fabs(hy) < 0.03f) {
                c = Rgb{0.93f, 0.88f, 0.75f};
                alpha = 1.0f;
            }
            // Thin light scratches running down the film, faint over the picture.
            const float s = scratch[static_cast<size_t>(x)];
            if (s > 0 && noise.at(x * 0.5f, y * 0.02f) > 0.35f) {
                c = mix(c, Rgb{0.95f, 0.92f, 0.82f}, s);
                alpha = std::max(alpha, 0.35f * s);
            }
            setPixel(*image, x, y, c, alpha);
        }
    }
    return image;
}

// The back image: a sepia landscape, hills under a low sun.
Image landscapeImage() {
    const int size = 512;
    Image image(new ImageObject(size, size));
    Noise noise(1899);
    const Rgb paper{0.96f, 0.88f, 0.70f}, ink{0.30f, 0.20f, 0.11f};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float u = (x + 0.5f) / size, v = (y + 0.5f) / size; // v = 0 at the top
            float tone = 0.15f + 0.55f * v;                            // darker sky above
            const float sunD = std::hypot(u - 0.68f, v - 0.42f);
            tone -= 0.6f * std::exp(-sunD * sunD * 90.0f);
            const float far = 0.55f + 0.06f * std::sin(u * 9.0f) + 0.05f * noise.cloudy(u * 6, 0.5f, 3);
            const float near = 0.70f + 0.08f * std::sin(u * 5.0f + 1.0f) + 0.06f * noise.cloudy(u * 8, 3.5f, 3);
            if (v > far) tone = 0.55f + 0.15f * noise.cloudy(u * 20, v * 20, 3);
            if (v > near) tone = 0.8f + 0.15f * noise.cloudy(u * 30, v * 30, 3);
            tone += 0.08f * (noise.cloudy(u * 60, v * 60, 2) - 0.5f);
            const float vignette = std::hypot(u - 0.5f, v - 0.5f);
            tone = clamp01(tone + 0.6f * vignette * vignette);
            setPixel(*image, x, y, mix(paper, ink, tone), 1.0f);
        }
    }
    return image;
}

// ---------------------------------------------------------------------------------------------
// The environment cube map

// The surroundings seen in a direction: a differently coloured wall on each side, a bright sky
// and a dark floor, a grid of faint lines and a low sun.
Rgb environment(Vec3 d) {
    d.normalize();
    static const Vec3 axes[6] = {Vec3(1, 0, 0), Vec3(-1, 0, 0), Vec3(0, 1, 0), Vec3(0, -1, 0), Vec3(0, 0, 1), Vec3(0, 0, -1)};
    static const Rgb colours[6] = {
        {1.00f, 0.55f, 0.15f}, // +X orange
        {0.15f, 0.30f, 1.00f}, // -X blue
        {0.95f, 0.95f, 1.00f}, // +Y white sky
        {0.25f, 0.18f, 0.12f}, // -Y dark floor
        {0.15f, 0.85f, 0.60f}, // +Z teal
        {0.85f, 0.20f, 0.75f}, // -Z magenta
    };
    Rgb sum{0, 0, 0};
    float total = 0;
    for (int i = 0; i < 6; ++i) {
        const float w = std::pow(std::max(0.0f, d.dot(axes[i])), 3.0f);
        sum = Rgb{sum.r + w * colours[i].r, sum.g + w * colours[i].g, sum.b + w * colours[i].b};
        total += w;
    }
    Rgb c{sum.r / total, sum.g / total, sum.b / total};
    const float latitude = std::asin(std::max(-1.0f, std::min(1.0f, d.y))) * 180 / Pi;
    const float longitude = std::atan2(d.x, d.z) * 180 / Pi;
    // Lines at latitudes 30 and 60 and at longitudes 15 + 30k; none near the poles or the faces' middles.
    const float latLine = std::fabs(std::fmod(std::fabs(latitude) + 15.0f, 30.0f) - 15.0f);
    const float lonLine = std::fabs(std::fmod(longitude + 360.0f, 30.0f) - 15.0f);
    const bool line = (std::fabs(latitude) > 15 && latLine < 0.6f) || (std::fabs(latitude) < 70 && lonLine < 0.6f);
    if (line) c = Rgb{c.r * 0.55f, c.g * 0.55f, c.b * 0.55f};
    Vec3 sun(0.6f, 0.55f, -0.58f);
    sun.normalize();
    const float glow = std::pow(std::max(0.0f, d.dot(sun)), 200.0f);
    return mix(c, Rgb{1.0f, 1.0f, 0.9f}, glow);
}

// The direction of texel (s, t) of a cube face, as GL looks it up.
Vec3 faceDirection(int face, float s, float t) {
    const float sc = 2 * s - 1, tc = 2 * t - 1;
    switch (face) {
    case 0: return Vec3(1, -tc, -sc);  // +X
    case 1: return Vec3(-1, -tc, sc);  // -X
    case 2: return Vec3(sc, 1, tc);    // +Y
    case 3: return Vec3(sc, -1, -tc);  // -Y
    case 4: return Vec3(sc, -tc, 1);   // +Z
    default: return Vec3(-sc, -tc, -1); // -Z
    }
}

bool writeCubeJpeg(const std::filesystem::path& path) {
    const int cell = 128, width = 3 * cell, height = 4 * cell;
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3, 0);
    // Cells of the vertical cross (column, row from the top) per face +X, -X, +Y, -Y, +Z, -Z;
    // -Z is stored turned by 180 degrees.
    static const int cells[6][2] = {{2, 1}, {0, 1}, {1, 0}, {1, 2}, {1, 1}, {1, 3}};
    for (int face = 0; face < 6; ++face) {
        for (int y = 0; y < cell; ++y) {
            for (int x = 0; x < cell; ++x) {
                float s = (x + 0.5f) / cell, t = (y + 0.5f) / cell; // first row = t 0
                if (face == 5) {
                    s = 1 - s;
                    t = 1 - t;
                }
                const Rgb c = environment(faceDirection(face, s, t));
                unsigned char* p =
                    &rgb[(static_cast<size_t>(cells[face][1] * cell + y) * width + cells[face][0] * cell + x) * 3];
                p[0] = byteOf(c.r);
                p[1] = byteOf(c.g);
                p[2] = byteOf(c.b);
            }
        }
    }
    std::filesystem::create_directories(path.parent_path());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 92, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = &rgb[static_cast<size_t>(info.next_scanline) * width * 3];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

// ---------------------------------------------------------------------------------------------
// The meshes

// A mesh of one submesh under construction; positions are not shared between flat faces.
struct MeshBuilder {
    norvane::kvx::Mesh* mesh;
    norvane::kvx::Submesh* part;
    explicit MeshBuilder(const std::string& name) : mesh(new norvane::kvx::Mesh()), part(new norvane::kvx::Submesh()) {
        mesh->name = name;
        part->mesh = mesh;
        part->materialIndex = 0;
        mesh->submeshes.push_back(part);
    }
    uint32_t vertex(const Vec3& p) {
        mesh->positions.push_back(p);
        part->vertices.push_back(static_cast<uint32_t>(mesh->positions.size() - 1));
        return static_cast<uint32_t>(part->vertices.size() - 1);
    }
    // A triangle turned so that it faces along outward (counter-clockwise seen from there).
    void triangle(uint32_t a, uint32_t b, uint32_t c, const Vec3& outward) {
        const Vec3& pa = mesh->positions[part->vertices[a]];
        Vec3 n;
        (mesh->positions[part->vertices[b]] - pa).cross(n, mesh->positions[part->vertices[c]] - pa);
        if (n.dot(outward) < 0) std::swap(b, c);
        part->faces.push_back(norvane::kvx::Face{0, {a, b, c}});
    }
    // A flat quad with its own four corners.
    void quad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, const Vec3& outward) {
        const uint32_t i = vertex(a), j = vertex(b), k = vertex(c), l = vertex(d);
        triangle(i, j, k, outward);
        triangle(i, k, l, outward);
    }
    // A box from eight corners (bit 0: a or b end, bits 1 and 2: the two side offsets).
    void box(const Vec3 (&corner)[8]) {
        Vec3 centre;
        for (const Vec3& c : corner) centre += c * 0.125f;
        static const int faces[6][4] = {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 3, 7, 6}};
        for (const auto& f : faces) {
            const Vec3 mid = (corner[f[0]] + corner[f[1]] + corner[f[2]] + corner[f[3]]) * 0.25f;
            quad(corner[f[0]], corner[f[1]], corner[f[2]], corner[f[3]], mid - centre);
        }
    }
    // A square beam from a to b, half as thick as r.
    void beam(const Vec3& a, const Vec3& b, float r) {
        Vec3 axis = b - a;
        axis.normalize();
        Vec3 minor, u, v;
        axis.minorAxis(minor);
        axis.cross(u, minor);
        u.normalize();
        axis.cross(v, u);
        Vec3 corner[8];
        for (int i = 0; i < 8; ++i)
            corner[i] = ((i & 1) ? b : a) + u * ((i & 2) ? r : -r) + v * ((i & 4) ? r : -r);
        box(corner);
    }
};

norvane::kvx::Mesh* hyperCube() {
    MeshBuilder out("hyperkub");
    const float outer = 0.62f, inner = 0.3f;
    // The outer cube's twelve edges.
    for (int axis = 0; axis < 3; ++axis) {
        for (int i = 0; i < 4; ++i) {
            const float p = (i & 1) ? outer : -outer, q = (i & 2) ? outer : -outer;
            Vec3 a, b;
            if (axis == 0) a = Vec3(-outer, p, q), b = Vec3(outer, p, q);
            if (axis == 1) a = Vec3(p, -outer, q), b = Vec3(p, outer, q);
            if (axis == 2) a = Vec3(p, q, -outer), b = Vec3(p, q, outer);
            out.beam(a - (b - a) * (0.05f / (2 * outer)), b + (b - a) * (0.05f / (2 * outer)), 0.05f);
        }
    }
    // The solid inner cube and the eight struts from its corners to the outer ones.
    Vec3 core[8];
    for (int i = 0; i < 8; ++i) core[i] = Vec3((i & 1) ? inner : -inner, (i & 2) ? inner : -inner, (i & 4) ? inner : -inner);
    out.box(core);
    for (const Vec3& c : core) out.beam(c * 0.9f, c * (outer / inner), 0.035f);
    return out.mesh;
}

// A ring lying in the xz plane, the tube sharing its positions so that its normals come out smooth.
norvane::kvx::Mesh* ring() {
    MeshBuilder out("circle");
    const int around = 40, tube = 10;
    const float major = 0.32f, minor = 0.035f;
    for (int i = 0; i < around; ++i) {
        for (int j = 0; j < tube; ++j) {
            const float a = 2 * Pi * i / around, b = 2 * Pi * j / tube;
            out.vertex(Vec3((major + minor * std::cos(b)) * std::cos(a), minor * std::sin(b),
                            (major + minor * std::cos(b)) * std::sin(a)));
        }
    }
    for (int i = 0; i < around; ++i) {
        for (int j = 0; j < tube; ++j) {
            const uint32_t a = static_cast<uint32_t>(i * tube + j), b = static_cast<uint32_t>(((i + 1) % around) * tube + j);
            const uint32_t c = static_cast<uint32_t>(((i + 1) % around) * tube + (j + 1) % tube),
                           d = static_cast<uint32_t>(i * tube + (j + 1) % tube);
            const float angle = 2 * Pi * (i + 0.5f) / around, b2 = 2 * Pi * (j + 0.5f) / tube;
            const Vec3 outward(std::cos(b2) * std::cos(angle), std::sin(b2), std::cos(b2) * std::sin(angle));
            out.triangle(a, b, c, outward);
            out.triangle(a, c, d, outward);
        }
    }
    return out.mesh;
}

norvane::kvx::Mesh* sphere(const std::string& name, float radius, int slices, int stacks) {
    MeshBuilder out(name);
    for (int i = 0; i <= stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            const float theta = Pi * i / stacks, phi = 2 * Pi * j / slices;
            out.vertex(Vec3(radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
                            radius * std::sin(theta) * std::sin(phi)));
        }
    }
    for (int i = 0; i < stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            const uint32_t a = static_cast<uint32_t>(i * slices + j), b = static_cast<uint32_t>(i * slices + (j + 1) % slices);
            const uint32_t c = static_cast<uint32_t>((i + 1) * slices + (j + 1) % slices),
                           d = static_cast<uint32_t>((i + 1) * slices + j);
            const float theta = Pi * (i + 0.5f) / stacks, phi = 2 * Pi * (j + 0.5f) / slices;
            const Vec3 outward(std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi));
            if (i > 0) out.triangle(a, b, c, outward);
            if (i < stacks - 1) out.triangle(a, c, d, outward);
        }
    }
    return out.mesh;
}

bool writeScene(const std::filesystem::path& path) {
    norvane::kvx::Manager scene;
    for (norvane::kvx::Mesh* mesh : {hyperCube(), ring(), sphere("glowsphere", 0.1f, 16, 12)}) {
        scene.meshIndex[mesh->name] = static_cast<int>(scene.meshes.size());
        mesh->computeBounds();
        scene.meshes.push_back(mesh);
    }
    char* data = nullptr;
    int size = 0;
    scene.save(data, size);
    const bool done = writeFile(path, data, static_cast<size_t>(size));
    delete[] data;
    return done;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    Image particle = particleImage(), planet = planetImage(), film = filmFrameImage(), landscape = landscapeImage();
    struct Output {
        const char* name;
        bool done;
    };
    const Output outputs[] = {
        {"clouds/particle.png", writePng(folder / "clouds/particle.png", particle)},
        {"hyperkub/cube.jpg", writeCubeJpeg(folder / "hyperkub/cube.jpg")},
        {"hyperkub/objects.kvx", writeScene(folder / "hyperkub/objects.kvx")},
        {"planet/godsteam.png", writePng(folder / "planet/godsteam.png", planet)},
        {"vintage/vintage.png", writePng(folder / "vintage/vintage.png", film)},
        {"vintage/vintage2.png", writePng(folder / "vintage/vintage2.png", landscape)},
    };
    int failures = 0;
    for (const Output& output : outputs) {
        if (!output.done) {
            std::fprintf(stderr, "%s: could not write '%s'\n", argv[0], (folder / output.name).c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
