// Writes the content of the "buff" effect:
//   gen_buff <demo folder>
// makes buff/scene.kvx: meshes "floor", "pillar", "box" and "crystal", their materials (each
// with a "diffuse" colour; the boxes' material is "boxmat"), and one scene whose top level holds
// the camera circling the middle, four curve instances that the lights and tubes follow, the
// floor, a colonnade of pillars, a ring of turning boxes and a crystal. Y is up.

#include "gen_shapes.h"

#include <cmath>
#include <cstdio>
#include <cstring>

using namespace norvane::kvx;
using shapes::Builder;
using shapes::Vec3;

namespace {

const float kPi = shapes::kPi;

Material* makeMaterial(const std::string& name, float r, float g, float b) {
    Material* material = new Material();
    material->name = name;
    Material::Attribute* diffuse = new Material::Attribute();
    diffuse->name = "diffuse";
    const float colour[4] = {r, g, b, 1.0f};
    std::memcpy(diffuse->value, colour, sizeof(colour));
    material->attributes.push_back(diffuse);
    return material;
}

Mesh* makeFloor() {
    Mesh* mesh = shapes::newMesh("floor");
    Builder b(mesh);
    b.beginSubmesh("stone");
    b.prism(48, 16.0f, -0.3f, 0.0f);
    shapes::finish(mesh);
    return mesh;
}

// An eight-sided column on a square foot with a square head; the foot and head in "trim".
Mesh* makePillar() {
    Mesh* mesh = shapes::newMesh("pillar");
    Builder b(mesh);
    b.beginSubmesh("metal");
    b.prism(8, 0.5f, 0.4f, 4.6f, kPi / 8);
    b.beginSubmesh("trim");
    b.box(Vec3(-0.75f, 0.0f, -0.75f), Vec3(0.75f, 0.4f, 0.75f));
    b.box(Vec3(-0.75f, 4.6f, -0.75f), Vec3(0.75f, 5.0f, 0.75f));
    shapes::finish(mesh);
    return mesh;
}

Mesh* makeBox() {
    Mesh* mesh = shapes::newMesh("box");
    Builder b(mesh);
    b.beginSubmesh("boxmat");
    b.box(Vec3(-0.5f, -0.5f, -0.5f), Vec3(0.5f, 0.5f, 0.5f));
    shapes::finish(mesh);
    return mesh;
}

// A stretched octahedron with flat faces.
Mesh* makeCrystal() {
    Mesh* mesh = shapes::newMesh("crystal");
    Builder b(mesh);
    b.beginSubmesh("glass");
    const Vec3 top(0, 1.6f, 0), bottom(0, -1.6f, 0);
    const Vec3 ring[4] = {Vec3(0.9f, 0, 0), Vec3(0, 0, 0.9f), Vec3(-0.9f, 0, 0), Vec3(0, 0, -0.9f)};
    for (int k = 0; k < 4; ++k) {
        const Vec3 a = ring[k], c = ring[(k + 1) % 4];
        const Vec3 out = (a + c) * 0.5f;
        for (const Vec3& tip : {top, bottom}) {
            const uint32_t v0 = b.vertex(tip, 0.5f, 1), v1 = b.vertex(a, 0, 0), v2 = b.vertex(c, 1, 0);
            b.triangle(v0, v1, v2, out + tip * 0.3f);
        }
    }
    shapes::finish(mesh);
    return mesh;
}

// The camera circles the middle once in 40 s, bobbing, always looking at (0, 2, 0). A camera looks
// along its local -Y with its local -Z up; a quarter turn about X first makes that -Z with Y up.
Camera* makeCamera() {
    Camera* camera = new Camera();
    camera->name = "camera";
    const float period = 40.0f;
    auto angle = [=](float t) { return 0.3f + 2 * kPi * t / period; };
    auto height = [=](float t) { return 7.0f + 1.5f * std::sin(2 * kPi * t / 20.0f); };
    const float radius = 17.0f;
    shapes::sampleCurve(camera->location.x, period, 1.0f, [=](float t) { return radius * std::cos(angle(t)); },
                        AnimCurve::Cyclic);
    shapes::sampleCurve(camera->location.y, period, 1.0f, height, AnimCurve::Cyclic);
    shapes::sampleCurve(camera->location.z, period, 1.0f, [=](float t) { return radius * std::sin(angle(t)); },
                        AnimCurve::Cyclic);
    shapes::sampleCurve(camera->rotation.x, period, 1.0f,
                        [=](float t) { return kPi / 2 - std::atan((height(t) - 2.0f) / radius); }, AnimCurve::Cyclic);
    shapes::sampleCurve(camera->rotation.y, period, 1.0f, [=](float t) { return kPi / 2 - angle(t); },
                        AnimCurve::Cyclic);
    shapes::sampleCurve(camera->fieldOfView, 20.0f, 1.0f,
                        [](float t) { return 0.72f + 0.08f * std::sin(2 * kPi * t / 20.0f); }, AnimCurve::Cyclic);
    return camera;
}

// A path winding three times round the middle, in and out and up and down; the time track runs it
// from start to end in 36 s and then holds.
CurveInstance* makePath(int index) {
    CurveInstance* path = new CurveInstance();
    path->name = "path" + std::to_string(index);
    const float phase = static_cast<float>(index) * kPi / 2;
    auto at = [=](float s) {
        const float a = 6 * kPi * s + phase;
        const float r = 6.5f + 1.8f * std::sin(3 * a + index);
        return Vec3(r * std::cos(a), 2.6f + 1.6f * std::sin(2 * a + 1.3f * index), r * std::sin(a));
    };
    const int count = 61;
    const float ds = 1.0f / (count - 1);
    for (int j = 0; j < count; ++j) {
        const float s = j * ds;
        const Vec3 p = at(s);
        const Vec3 slope = (at(s + 1e-3f) - at(s - 1e-3f)) * (1.0f / 2e-3f);
        const Vec3 reach = slope * (ds / 3);
        path->points.push_back(CurveInstance::Point{p - reach, p, p + reach});
    }
    path->timeTrack.interpolation = AnimCurve::Linear;
    path->timeTrack.extrapolation = AnimCurve::ExtrapolateConstant;
    path->timeTrack.keys = {AnimCurve::Key{-1, -1.0f / 36, 0, 0, 1, 1.0f / 36},
                            AnimCurve::Key{35, 1 - 1.0f / 36, 36, 1, 37, 1 + 1.0f / 36}};
    // Each path in its own frame: turned, lifted, and one mirrored.
    if (index == 1) path->rotation.setDefaults(0, 0.6f, 0);
    if (index == 2) path->scale.setDefaults(-1, 1, 1);
    if (index == 3) path->location.setDefaults(0, 0.8f, 0);
    return path;
}

MeshInstance* instance(const std::string& name, const std::string& mesh, const Vec3& at) {
    MeshInstance* node = new MeshInstance();
    node->name = name;
    node->meshName = mesh;
    node->location.setDefaults(at.x, at.y, at.z);
    return node;
}

// Turns a node about an axis at a steady rate, for ever.
void spin(AnimCurve& channel, float turnsPerSecond, float offset) {
    channel.interpolation = AnimCurve::Linear;
    channel.extrapolation = AnimCurve::CyclicOffset;
    channel.keys = {AnimCurve::Key{-1, offset, 0, offset, 1, offset + 2 * kPi * turnsPerSecond},
                    AnimCurve::Key{9, offset + 2 * kPi * turnsPerSecond * 9, 10,
                                   offset + 2 * kPi * turnsPerSecond * 10, 11,
                                   offset + 2 * kPi * turnsPerSecond * 11}};
}

Scene* makeScene() {
    Scene* scene = new Scene();
    scene->name = "buff";
    scene->addChild(makeCamera());
    for (int i = 0; i < 4; ++i) scene->addChild(makePath(i));
    scene->addChild(instance("floor", "floor", Vec3(0, 0, 0)));

    Dummy* colonnade = new Dummy();
    colonnade->name = "colonnade";
    for (int k = 0; k < 8; ++k) {
        const float a = 2 * kPi * k / 8 + kPi / 8;
        MeshInstance* pillar = instance("pillar" + std::to_string(k), "pillar",
                                        Vec3(11.5f * std::cos(a), 0, 11.5f * std::sin(a)));
        pillar->rotation.setDefaults(0, -a, 0);
        if (k % 2) pillar->setMaterialOverride(1, "glass"); // every other pillar with glass ends
        colonnade->addChild(pillar);
    }
    scene->addChild(colonnade);

    Dummy* orbit = new Dummy();
    orbit->name = "orbit";
    orbit->location.setDefaults(0, 2.8f, 0);
    spin(orbit->rotation.y, 0.05f, 0);
    for (int k = 0; k < 6; ++k) {
        const float a = 2 * kPi * k / 6;
        MeshInstance* box = instance("box" + std::to_string(k), "box", Vec3(4.2f * std::cos(a), 0.6f * std::sin(3 * a),
                                                                             4.2f * std::sin(a)));
        spin(box->rotation.x, 0.3f, a);
        spin(box->rotation.z, 0.2f, 0);
        box->scale.setDefaults(0.9f, 0.9f, 0.9f);
        orbit->addChild(box);
    }
    scene->addChild(orbit);

    MeshInstance* crystal = instance("crystal", "crystal", Vec3(0, 2.8f, 0));
    spin(crystal->rotation.y, -0.15f, 0);
    crystal->scale.setDefaults(1.1f, 1.1f, 1.1f);
    scene->addChild(crystal);
    return scene;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_buff <demo folder>\n");
        return 2;
    }
    Manager manager;
    for (Mesh* mesh : {makeFloor(), makePillar(), makeBox(), makeCrystal()}) {
        manager.meshIndex[mesh->name] = static_cast<int>(manager.meshes.size());
        manager.meshes.push_back(mesh);
    }
    const struct {
        const char* name;
        float r, g, b;
    } materials[] = {{"stone", 0.45f, 0.43f, 0.42f},
                     {"metal", 0.55f, 0.6f, 0.7f},
                     {"trim", 0.85f, 0.72f, 0.45f},
                     {"boxmat", 0.8f, 0.85f, 1.0f},
                     {"glass", 0.45f, 0.85f, 0.95f}};
    for (const auto& m : materials) {
        manager.materialIndex[m.name] = static_cast<int>(manager.materials.size());
        manager.materials.push_back(makeMaterial(m.name, m.r, m.g, m.b));
    }
    manager.addScene(makeScene());
    return shapes::writeKvx(manager, std::filesystem::path(argv[1]) / "buff" / "scene.kvx") ? 0 : 1;
}
