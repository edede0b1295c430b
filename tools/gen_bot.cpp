// Writes the content of the "bot" effect:
//   gen_bot <demo folder>
// makes bot/robot.kvx (meshes "body", "head", "leg", "foot", "arm", each in the frame its part
// places it in: Y up, the robot's front towards +Z), bot/bot.png (the card on its chest),
// bot/shadow.png (a soft round shadow) and bot/logo.png (the floor under it).

#include "gen_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

using shapes::Builder;
using shapes::Picture;
using shapes::Vec3;

namespace {

// The trunk: a box whose front stays behind the card at z = 1, with a collar and two hip blocks.
norvane::kvx::Mesh* makeBody() {
    norvane::kvx::Mesh* mesh = shapes::newMesh("body");
    Builder b(mesh);
    b.beginSubmesh("steel");
    b.box(Vec3(-1.5f, 0.35f, -0.9f), Vec3(1.5f, 2.95f, 0.9f));
    b.box(Vec3(-0.5f, 2.95f, -0.4f), Vec3(0.5f, 3.1f, 0.4f));
    b.box(Vec3(-1.0f, 0.15f, -0.5f), Vec3(1.0f, 0.35f, 0.5f));
    b.box(Vec3(-1.65f, 2.3f, -0.6f), Vec3(1.65f, 2.8f, 0.6f));
    shapes::finish(mesh);
    return mesh;
}

// The head: a flat box whose face (+Z) carries the screen at z = 0.5, with an antenna.
norvane::kvx::Mesh* makeHead() {
    norvane::kvx::Mesh* mesh = shapes::newMesh("head");
    Builder b(mesh);
    b.beginSubmesh("steel");
    b.box(Vec3(-0.9f, -0.3f, -0.45f), Vec3(0.9f, 0.95f, 0.45f));
    b.box(Vec3(-1.0f, 0.05f, -0.2f), Vec3(1.0f, 0.55f, 0.2f)); // ears
    b.box(Vec3(-0.04f, 0.95f, -0.04f), Vec3(0.04f, 1.45f, 0.04f));
    b.box(Vec3(-0.12f, 1.45f, -0.12f), Vec3(0.12f, 1.65f, 0.12f));
    shapes::finish(mesh);
    return mesh;
}

// The thigh, hanging from the hip down to the knee at y = -1.98.
norvane::kvx::Mesh* makeLeg() {
    norvane::kvx::Mesh* mesh = shapes::newMesh("leg");
    Builder b(mesh);
    b.beginSubmesh("steel");
    b.prism(8, 0.32f, -1.9f, 0.1f, shapes::kPi / 8);
    b.box(Vec3(-0.36f, -2.1f, -0.36f), Vec3(0.36f, -1.86f, 0.36f)); // knee
    shapes::finish(mesh);
    return mesh;
}

// The shin and the shoe, from the knee down to the floor 1.55 below it; the toe points to +Z.
norvane::kvx::Mesh* makeFoot() {
    norvane::kvx::Mesh* mesh = shapes::newMesh("foot");
    Builder b(mesh);
    b.beginSubmesh("steel");
    b.prism(8, 0.27f, -1.3f, -0.1f, shapes::kPi / 8);
    b.box(Vec3(-0.42f, -1.55f, -0.45f), Vec3(0.42f, -1.28f, 0.75f));
    shapes::finish(mesh);
    return mesh;
}

// The arm: a shoulder reaching in towards the body (-X) and the arm hanging down from it.
norvane::kvx::Mesh* makeArm() {
    norvane::kvx::Mesh* mesh = shapes::newMesh("arm");
    Builder b(mesh);
    b.beginSubmesh("steel");
    b.box(Vec3(-0.7f, -0.2f, -0.3f), Vec3(0.35f, 0.35f, 0.3f));
    b.prism(8, 0.24f, -1.9f, -0.2f, shapes::kPi / 8);
    b.box(Vec3(-0.3f, -2.25f, -0.3f), Vec3(0.3f, -1.9f, 0.3f)); // hand
    shapes::finish(mesh);
    return mesh;
}

float smooth(float edge0, float edge1, float x) {
    const float t = std::min(1.0f, std::max(0.0f, (x - edge0) / (edge1 - edge0)));
    return t * t * (3 - 2 * t);
}

// The card: a rounded dark panel with an amber ring and three lamps, the same both ways round.
Picture makeCard() {
    const int size = 128;
    Picture p(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float u = (x + 0.5f) / size * 2 - 1, v = (y + 0.5f) / size * 2 - 1;
            // Rounded square of half size 0.92 with corner radius 0.25.
            const float qx = std::max(std::fabs(u) - 0.67f, 0.0f), qy = std::max(std::fabs(v) - 0.67f, 0.0f);
            const float edge = std::sqrt(qx * qx + qy * qy) - 0.25f;
            const float inside = 1 - smooth(-0.02f, 0.02f, edge);
            float r = 0.08f, g = 0.09f, bl = 0.12f;
            const float border = 1 - smooth(0.0f, 0.03f, std::fabs(edge + 0.05f) - 0.02f);
            const float ring = 1 - smooth(0.0f, 0.03f, std::fabs(std::sqrt(u * u + (v + 0.12f) * (v + 0.12f)) - 0.42f) - 0.07f);
            const float dot = 1 - smooth(0.14f, 0.18f, std::sqrt(u * u + (v + 0.12f) * (v + 0.12f)));
            r += 0.9f * ring + 0.8f * dot + 0.5f * border;
            g += 0.55f * ring + 0.3f * dot + 0.5f * border;
            bl += 0.05f * ring + 0.05f * dot + 0.55f * border;
            for (int lamp = -1; lamp <= 1; ++lamp) {
                const float dx = u - 0.3f * lamp, dy = v - 0.68f;
                const float glow = 1 - smooth(0.05f, 0.1f, std::sqrt(dx * dx + dy * dy));
                const float colour[3][3] = {{0.2f, 1.0f, 0.3f}, {1.0f, 0.8f, 0.1f}, {1.0f, 0.2f, 0.15f}};
                r += glow * colour[lamp + 1][0];
                g += glow * colour[lamp + 1][1];
                bl += glow * colour[lamp + 1][2];
            }
            p.set(x, y, r, g, bl, 0.92f * inside);
        }
    }
    return p;
}

// The shadow: black, opaque in the middle and fading out to the rim.
Picture makeShadow() {
    const int size = 64;
    Picture p(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float u = (x + 0.5f) / size * 2 - 1, v = (y + 0.5f) / size * 2 - 1;
            const float d = std::min(1.0f, u * u + v * v);
            p.set(x, y, 0, 0, 0, (1 - d) * (1 - d));
        }
    }
    return p;
}

// The floor: a grid of faint tiles with a glowing ring and a large H, symmetric both ways.
Picture makeLogo() {
    const int size = 256;
    Picture p(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float u = (x + 0.5f) / size * 2 - 1, v = (y + 0.5f) / size * 2 - 1;
            const float gu = std::fabs(std::fmod(u * 8 + 8, 1.0f) - 0.5f), gv = std::fabs(std::fmod(v * 8 + 8, 1.0f) - 0.5f);
            const float grid = 1 - smooth(0.44f, 0.49f, std::max(gu, gv));
            float r = 0.05f + 0.05f * (1 - grid), g = 0.07f + 0.08f * (1 - grid), bl = 0.1f + 0.12f * (1 - grid);
            const float d = std::sqrt(u * u + v * v);
            const float ring = 1 - smooth(0.0f, 0.04f, std::fabs(d - 0.72f) - 0.03f);
            const bool bar = (std::fabs(std::fabs(u) - 0.3f) < 0.08f && std::fabs(v) < 0.45f) ||
                             (std::fabs(u) < 0.3f && std::fabs(v) < 0.07f);
            r += 0.1f * ring + (bar ? 0.85f : 0.0f);
            g += 0.7f * ring + (bar ? 0.9f : 0.0f);
            bl += 0.9f * ring + (bar ? 0.95f : 0.0f);
            const float fade = 1 - smooth(0.85f, 1.0f, std::max(std::fabs(u), std::fabs(v)));
            p.set(x, y, r, g, bl, fade);
        }
    }
    return p;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_bot <demo folder>\n");
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "bot";
    norvane::kvx::Manager robot;
    for (norvane::kvx::Mesh* mesh : {makeBody(), makeHead(), makeLeg(), makeFoot(), makeArm()}) {
        robot.meshIndex[mesh->name] = static_cast<int>(robot.meshes.size());
        robot.meshes.push_back(mesh);
    }
    bool ok = shapes::writeKvx(robot, folder / "robot.kvx");
    ok = shapes::writePng(makeCard(), folder / "bot.png") && ok;
    ok = shapes::writePng(makeShadow(), folder / "shadow.png") && ok;
    ok = shapes::writePng(makeLogo(), folder / "logo.png") && ok;
    return ok ? 0 : 1;
}
