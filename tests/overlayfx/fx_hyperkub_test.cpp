// "hyperkub": the environment seen in the metal from matching directions, the ring trains, the
// shared camera, the beat, and scene files that lack a mesh.

#include "clear.h"
#include "effect_shared.h"
#include "fx_harness.h"
#include "hyperkub.h"

#include "kvx_manager.h"
#include "nvn_system.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using fx::Frame;
using fx::Harness;
using fx::Rgb;
typedef norvane::mathbase::Vector3T<float> Vec3;

namespace {

const int S = 128;
const float kRadius = 1.2f; // of the mirror sphere

// A mesh of one submesh whose positions are shared by its triangles (smooth normals).
norvane::kvx::Mesh* newMesh(const std::string& name) {
    norvane::kvx::Mesh* mesh = new norvane::kvx::Mesh();
    mesh->name = name;
    norvane::kvx::Submesh* part = new norvane::kvx::Submesh();
    part->mesh = mesh;
    part->materialIndex = 0;
    mesh->submeshes.push_back(part);
    return mesh;
}

void addVertex(norvane::kvx::Mesh* mesh, const Vec3& p) {
    mesh->positions.push_back(p);
    mesh->submeshes[0]->vertices.push_back(static_cast<uint32_t>(mesh->positions.size() - 1));
}

// A finely divided sphere, counter-clockwise seen from outside.
norvane::kvx::Mesh* sphereMesh(const std::string& name, float radius) {
    norvane::kvx::Mesh* mesh = newMesh(name);
    const int slices = 96, stacks = 64;
    const float pi = 3.14159265f;
    for (int i = 0; i <= stacks; ++i)
        for (int j = 0; j < slices; ++j) {
            const float theta = pi * i / stacks, phi = 2 * pi * j / slices;
            addVertex(mesh, Vec3(radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
                                 radius * std::sin(theta) * std::sin(phi)));
        }
    for (int i = 0; i < stacks; ++i)
        for (int j = 0; j < slices; ++j) {
            const uint32_t a = i * slices + j, b = i * slices + (j + 1) % slices;
            const uint32_t c = (i + 1) * slices + (j + 1) % slices, d = (i + 1) * slices + j;
            if (i > 0) mesh->submeshes[0]->faces.push_back(norvane::kvx::Face{0, {a, b, c}});
            if (i < stacks - 1) mesh->submeshes[0]->faces.push_back(norvane::kvx::Face{0, {a, c, d}});
        }
    return mesh;
}

// A triangle too small to cover a pixel.
norvane::kvx::Mesh* speckMesh(const std::string& name) {
    norvane::kvx::Mesh* mesh = newMesh(name);
    addVertex(mesh, Vec3(0, 0, 0));
    addVertex(mesh, Vec3(1e-5f, 0, 0));
    addVertex(mesh, Vec3(0, 1e-5f, 0));
    mesh->submeshes[0]->faces.push_back(norvane::kvx::Face{0, {0, 1, 2}});
    return mesh;
}

std::string sceneBytes(const std::vector<norvane::kvx::Mesh*>& meshes) {
    norvane::kvx::Manager scene;
    for (norvane::kvx::Mesh* mesh : meshes) {
        scene.meshIndex[mesh->name] = static_cast<int>(scene.meshes.size());
        mesh->computeBounds();
        scene.meshes.push_back(mesh);
    }
    char* data = nullptr;
    int size = 0;
    scene.save(data, size);
    std::string bytes(data, static_cast<size_t>(size));
    delete[] data;
    return bytes;
}

// The base colours of the environment's six sides (+X, -X, +Y, -Y, +Z, -Z), as the generator paints them.
const float kSides[6][3] = {{1.00f, 0.55f, 0.15f}, {0.15f, 0.30f, 1.00f}, {0.95f, 0.95f, 1.00f},
                            {0.25f, 0.18f, 0.12f}, {0.15f, 0.85f, 0.60f}, {0.85f, 0.20f, 0.75f}};

// The side whose colour (or its darkened grid-line shade) is nearest to the pixel.
int nearestSide(const Rgb& c) {
    int best = -1;
    float bestDistance = 1e9f;
    for (int side = 0; side < 6; ++side)
        for (float shade : {1.0f, 0.55f}) {
            const float dr = c.r / 255.0f - kSides[side][0] * shade, dg = c.g / 255.0f - kSides[side][1] * shade,
                        db = c.b / 255.0f - kSides[side][2] * shade;
            const float d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) bestDistance = d, best = side;
        }
    return best;
}

// The side a direction points to: 0 +X, 1 -X, 2 +Y, 3 -Y, 4 +Z, 5 -Z.
int sideOf(const Vec3& d) {
    const float ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
    if (ax >= ay && ax >= az) return d.x > 0 ? 0 : 1;
    if (ay >= az) return d.y > 0 ? 2 : 3;
    return d.z > 0 ? 4 : 5;
}

const char* const kActiveTimeline = R"(<script>
	<effect name="clear" start="0" end="100"/>
	<effect name="hyperkub" start="0" end="100">
		<trigger name="active" value="true" start="0"/>
		<spline name="alp"><key time="0" value="1"/></spline>
		<spline name="cam_z" type="square"><key time="0" value="0"/><key time="50" value="5"/></spline>
	</effect>
</script>)";

// Ray-traces the mirror sphere that the frame shows from eye and counts, per side
// of the environment, the pixels that look squarely at it and how many of them show its colour.
void checkReflections(const Frame& frame, const Vec3& eye, std::vector<int>& seen, std::vector<int>& right) {
    seen.assign(6, 0);
    right.assign(6, 0);
    Vec3 f = -eye, s, u;
    f.normalize();
    f.cross(s, Vec3(0, 1, 0));
    s.normalize();
    s.cross(u, f);
    for (int py = 0; py < S; ++py)
        for (int px = 0; px < S; ++px) {
            const float x = (px + 0.5f) / S * 2 - 1, y = 1 - (py + 0.5f) / S * 2;
            Vec3 dir = f + s * x + u * y; // fovy 90 degrees, square window
            dir.normalize();
            const float b = eye.dot(dir), c = eye.dot(eye) - kRadius * kRadius, disc = b * b - c;
            if (disc <= 0) continue;
            const Vec3 hit = eye + dir * (-b - std::sqrt(disc));
            Vec3 n = hit;
            n.normalize();
            if (std::fabs(dir.dot(n)) < 0.5f) continue; // near the rim the sheen adds grey
            const Vec3 mirror = dir - n * (2 * dir.dot(n));
            const float major = std::max(std::fabs(mirror.x), std::max(std::fabs(mirror.y), std::fabs(mirror.z)));
            if (major < 0.97f) continue; // only squarely towards one side
            const int side = sideOf(mirror);
            ++seen[side];
            right[side] += nearestSide(frame.at(px, py)) == side;
        }
}

class HyperKubTest : public ::testing::Test {
protected:
    void SetUp() override {
        HyperKub::resetShared();
        mScene.write("hyperkub/objects.kvx",
                     sceneBytes({sphereMesh("hyperkub", kRadius), speckMesh("circle"), speckMesh("glowsphere")}));
    }
    fx::TempDir mScene;
};

TEST_F(HyperKubTest, TheMetalShowsEachSideOfTheEnvironmentFromItsDirection) {
    Harness harness(S, S, {mScene.path()});
    EffectShared shared;
    Clear clear;
    HyperKub hyperkub(&shared);
    harness.add("clear", &clear);
    harness.add("hyperkub", &hyperkub);
    harness.timeline(kActiveTimeline);
    harness.setupAll();

    std::vector<int> seen, right;
    // From the front (eye on +z): the sides +X, -X, +Y, -Y and +Z in the mirror.
    const Frame front = harness.frameAt(0.001f);
    Harness::dump(front, "hyperkub_mirror_front");
    checkReflections(front, shared.camera.eye, seen, right);
    for (int side = 0; side < 5; ++side) {
        ASSERT_GT(seen[side], 10) << side;
        EXPECT_GE(right[side], seen[side] * 9 / 10) << "side " << side << ": " << right[side] << " of " << seen[side];
    }
    // From the side (eye on +x, a little above): +X in the middle.
    const Frame side = harness.frameAt(7.853982f);
    Harness::dump(side, "hyperkub_mirror_side");
    checkReflections(side, shared.camera.eye, seen, right);
    ASSERT_GT(seen[0], 20);
    EXPECT_GE(right[0], seen[0] * 9 / 10);
    // From behind (cam_z 5 puts the eye on -z once the orbit is back at +z): -Z in the middle.
    const Frame back = harness.frameAt(62.831853f);
    Harness::dump(back, "hyperkub_mirror_back");
    EXPECT_LT(shared.camera.eye.z, -2.0f);
    checkReflections(back, shared.camera.eye, seen, right);
    ASSERT_GT(seen[5], 20);
    EXPECT_GE(right[5], seen[5] * 9 / 10);
}

TEST_F(HyperKubTest, InactiveItDrawsNothingButStillMovesTheSharedCamera) {
    Harness harness(S, S, {mScene.path()});
    EffectShared shared;
    Clear clear;
    HyperKub hyperkub(&shared);
    harness.add("clear", &clear);
    harness.add("hyperkub", &hyperkub);
    harness.timeline(R"(<script>
	<effect name="clear" start="0" end="10"/>
	<effect name="hyperkub" start="0" end="10">
		<trigger name="active" value="True" start="0"/>
		<spline name="cam_z"><key time="0" value="1"/></spline>
	</effect>
</script>)");
    harness.setupAll();
    const Frame frame = harness.frameAt(2.0f);
    EXPECT_FALSE(hyperkub.active);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) ASSERT_EQ(frame.at(x, y).r + frame.at(x, y).g + frame.at(x, y).b, 0);
    EXPECT_FLOAT_EQ(shared.camera.eye.x, 2.5f * std::sin(0.4f));
    EXPECT_FLOAT_EQ(shared.camera.eye.y, 1.5f * std::sin(0.5f));
    EXPECT_FLOAT_EQ(shared.camera.eye.z, 2.5f * std::cos(0.4f) - 1.0f);
    EXPECT_EQ(shared.camera.target, Vec3(0, 0, 0));
    EXPECT_EQ(shared.camera.roll, 0.0f);
}

// Where the frame shows a point of the object's space at local time t: the object turned as the
// effect turns it, seen through its camera (fovy 90 degrees, square window).
void project(const EffectShared& shared, float t, const Vec3& local, int& px, int& py) {
    norvane::mathbase::Quaternion spin;
    spin.fromEuler(norvane::mathbase::EulerAngles(0.7f * t, 1.5f * t, 0.0f, 0));
    norvane::mathbase::Matrix4x4Col base, view;
    base.setTransform(Vec3(0, 0, 0), spin, Vec3(1, 1, 1));
    view.setLookAt(shared.camera.eye, shared.camera.target, shared.camera.roll);
    Vec3 world, seen;
    base.transformPoint(world, local);
    view.transformPoint(seen, world);
    px = static_cast<int>(std::floor((seen.x / -seen.z + 1) * 0.5f * S));
    py = static_cast<int>(std::floor((1 - seen.y / -seen.z) * 0.5f * S));
}

bool dark(const Frame& frame, int x, int y) {
    const Rgb p = frame.at(x, y);
    return p.r + p.g + p.b < 100;
}

TEST_F(HyperKubTest, AnXTriggerShootsBothTrainsOutAndTheyCollapseASecondLater) {
    // Only the end spheres are drawn (black on white): the object and the rings are specks.
    mScene.write("hyperkub/objects.kvx",
                 sceneBytes({speckMesh("hyperkub"), speckMesh("circle"), sphereMesh("glowsphere", 0.1f)}));
    Harness harness(S, S, {mScene.path()});
    EffectShared shared;
    Clear clear;
    HyperKub hyperkub(&shared);
    harness.add("clear", &clear);
    harness.add("hyperkub", &hyperkub);
    harness.timeline(R"(<script>
	<effect name="clear" start="0" end="10">
		<trigger name="white" start="0"/>
	</effect>
	<effect name="hyperkub" start="0" end="10">
		<trigger name="active" value="true" start="0"/>
		<trigger name="x" start="0.5"/>
	</effect>
</script>)");
    harness.setupAll();

    const Frame before = harness.frameAt(0.25f);
    EXPECT_EQ(hyperkub.starts[0], 1000000.0f);
    int x = 0, y = 0;
    for (const Vec3& d : {Vec3(-1, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, -1)}) {
        project(shared, 0.25f, d * 0.95f, x, y);
        EXPECT_TRUE(dark(before, x, y)) << d.x << " " << d.y << " " << d.z;
    }
    harness.frameAt(0.5f); // the trigger arrives with the frame's local time
    // Half a second after the trigger: w = 0.25, the x spheres at 1.2, the others still at 0.95.
    const Frame during = harness.frameAt(1.0f);
    Harness::dump(during, "hyperkub_train_x");
    EXPECT_EQ(hyperkub.starts[0], 0.5f);
    EXPECT_EQ(hyperkub.starts[1], 0.5f);
    EXPECT_EQ(hyperkub.starts[2], 1000000.0f);
    for (float sign : {-1.0f, 1.0f}) {
        project(shared, 1.0f, Vec3(sign * 1.2f, 0, 0), x, y);
        EXPECT_TRUE(dark(during, x, y)) << sign;
        project(shared, 1.0f, Vec3(sign * 0.95f, 0, 0), x, y);
        EXPECT_FALSE(dark(during, x, y)) << sign;
    }
    project(shared, 1.0f, Vec3(0, 0.95f, 0), x, y);
    EXPECT_TRUE(dark(during, x, y));
    // A second after the trigger the train has run: its start is pushed far ahead, the spheres are back.
    const Frame after = harness.frameAt(1.75f);
    EXPECT_EQ(hyperkub.starts[0], 100000.0f);
    EXPECT_EQ(hyperkub.starts[1], 100000.0f);
    project(shared, 1.75f, Vec3(0.95f, 0, 0), x, y);
    EXPECT_TRUE(dark(after, x, y));
}

TEST_F(HyperKubTest, TheBeatFadesAndNeverGrowsFromAStepBackwards) {
    EffectShared shared;
    HyperKub hyperkub(&shared);
    hyperkub.trigger(0, "beat", "");
    EXPECT_FLOAT_EQ(HyperKub::beat(), 1.0f);
    hyperkub.draw(0, 0.5f, 0); // inactive: only the beat and the camera move
    EXPECT_FLOAT_EQ(HyperKub::beat(), 0.65f);
    hyperkub.draw(0, -3.0f, 0); // a seek backwards
    EXPECT_FLOAT_EQ(HyperKub::beat(), 0.65f);
    hyperkub.draw(0, 2.0f, 0);
    EXPECT_EQ(HyperKub::beat(), 0.0f);
}

TEST_F(HyperKubTest, ASceneWithoutOneOfItsMeshesFailsAtSetupNamingFileAndMesh) {
    for (const char* missing : {"hyperkub", "circle", "glowsphere"}) {
        fx::TempDir scene;
        std::vector<norvane::kvx::Mesh*> meshes;
        for (const char* name : {"hyperkub", "circle", "glowsphere"})
            if (std::string(name) != missing) meshes.push_back(speckMesh(name));
        scene.write("hyperkub/objects.kvx", sceneBytes(meshes));
        Harness harness(16, 16, {scene.path()});
        EffectShared shared;
        HyperKub hyperkub(&shared);
        harness.add("hyperkub", &hyperkub);
        try {
            hyperkub.setup();
            ADD_FAILURE() << "no error without " << missing;
        } catch (const norvane::Exception& error) {
            EXPECT_NE(std::string(error.what()).find("hyperkub/objects.kvx"), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find(std::string("'") + missing + "'"), std::string::npos)
                << error.what();
        }
    }
}

TEST_F(HyperKubTest, AMissingOrBrokenSceneFileFailsAtSetupNamingIt) {
    fx::TempDir empty;
    {
        Harness harness(16, 16, {empty.path()}, false);
        EffectShared shared;
        HyperKub hyperkub(&shared);
        harness.add("hyperkub", &hyperkub);
        try {
            hyperkub.setup();
            ADD_FAILURE() << "no error without a scene";
        } catch (const norvane::Exception& error) {
            EXPECT_STREQ(error.what(), "File 'hyperkub/objects.kvx' not found.");
        }
    }
    empty.write("hyperkub/objects.kvx", "not a scene");
    Harness harness(16, 16, {empty.path()});
    EffectShared shared;
    HyperKub hyperkub(&shared);
    harness.add("hyperkub", &hyperkub);
    try {
        hyperkub.setup();
        ADD_FAILURE() << "no error for a broken scene";
    } catch (const norvane::Exception& error) {
        EXPECT_NE(std::string(error.what()).find("hyperkub/objects.kvx"), std::string::npos) << error.what();
    }
}

} // namespace
