#include "kvx_scenenode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

using namespace norvane::kvx;
using norvane::mathbase::Matrix4x4Col;
using norvane::mathbase::Vector3;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const float kPi = 3.14159265358979f;

// Reads a node of the given kind from chunk bytes written by the body.
template <typename T, typename Body> std::unique_ptr<T> readNode(uint16_t id, Body body) {
    ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
    w.beginChunk(id);
    w.writeString("node");
    body(w);
    w.endChunk();
    const std::vector<char> bytes = w.getData();
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), ChunkImplicitSizes);
    std::unique_ptr<T> node(new T());
    EXPECT_EQ(r.nextChunk(), id);
    node->loadChunk(r);
    return node;
}

template <typename T> std::unique_ptr<T> saveAndRead(const T& node) {
    ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
    node.save(w);
    const std::vector<char> bytes = w.getData();
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), ChunkImplicitSizes);
    std::unique_ptr<T> back(new T());
    EXPECT_EQ(r.nextChunk(), node.getType());
    back->loadChunk(r);
    return back;
}

void expectIdentity(SceneNode& node) {
    Matrix4x4Col m;
    bool mirrored = true;
    node.getTransform(3.0f, m, mirrored);
    EXPECT_FALSE(mirrored);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
}

AnimCurve::Key key(float time, float value) { return AnimCurve::Key{time, value, time, value, time, value}; }

} // namespace

TEST(SceneNode, NameOnlyChunksGiveTheDefaults) {
    auto dummy = readNode<Dummy>(ChunkDummy, [](ChunkWriter&) {});
    EXPECT_EQ(dummy->name, "node");
    expectIdentity(*dummy);
    EXPECT_EQ(dummy->rotation.order, 4);
    EXPECT_TRUE(dummy->isStatic());
    EXPECT_EQ(dummy->getEndTime(), 0.0f);

    auto camera = readNode<Camera>(ChunkCamera, [](ChunkWriter&) {});
    EXPECT_FLOAT_EQ(camera->fieldOfView.evaluate(0), kPi / 2);
    auto light = readNode<Light>(ChunkLight, [](ChunkWriter&) {});
    EXPECT_EQ(light->color.evaluate(0), norvane::mathbase::Color(1, 1, 1, 1));
    EXPECT_FLOAT_EQ(light->angle.evaluate(0), kPi / 4);
    EXPECT_EQ(light->valueA.evaluate(0), 50.0f);
    EXPECT_EQ(light->valueB.evaluate(0), 1.0f);
    EXPECT_FALSE(light->flag);
    auto instance = readNode<MeshInstance>(ChunkMeshInstance, [](ChunkWriter&) {});
    EXPECT_EQ(instance->meshName, "");
    auto path = readNode<CurveInstance>(ChunkCurveInstance, [](ChunkWriter&) {});
    EXPECT_TRUE(path->points.empty());
    auto armature = readNode<Armature>(ChunkArmature, [](ChunkWriter&) {});
    EXPECT_TRUE(armature->bones.empty());
}

TEST(SceneNode, ChildrenOfEveryKindAndSkippedChunks) {
    CaptureStdout();
    auto scene = readNode<Scene>(ChunkScene, [](ChunkWriter& w) {
        for (uint16_t id : {ChunkCurveInstance, ChunkCamera, ChunkMeshInstance, ChunkDummy, ChunkLight, ChunkArmature}) {
            w.beginChunk(id);
            w.writeString("child");
            if (id == ChunkCurveInstance) {
                w.writeByte(0);
                w.writeU32(0);
            }
            w.endChunk();
        }
        w.beginChunk(ChunkScene); // a scene inside a node is not a child
        w.writeString("inner");
        w.endChunk();
        w.beginChunk(0x7770); // silently skipped
        w.writeByte(1);
        w.endChunk();
        AnimCurve3 location;
        location.setDefaults(1, 2, 3);
        location.save(w, ChunkLocation);
    });
    EXPECT_EQ(GetCapturedStdout(), "");
    ASSERT_EQ(scene->children.size(), 6u);
    EXPECT_EQ(scene->children[0]->getType(), ChunkCurveInstance);
    EXPECT_EQ(scene->children[5]->getType(), ChunkArmature);
    EXPECT_EQ(scene->findChild("child"), scene->children[0]);
    EXPECT_EQ(scene->findChild("inner"), nullptr);
    // The scene's own transform is read but not written.
    EXPECT_EQ(scene->location.evaluate(0), Vector3(1, 2, 3));
    auto back = saveAndRead(*scene);
    EXPECT_EQ(back->location.evaluate(0), Vector3(0, 0, 0));
    EXPECT_EQ(back->children.size(), 5u);
}

TEST(SceneNode, MeshInstanceOverrides) {
    MeshInstance m;
    m.name = "i";
    m.meshName = "box";
    m.setMaterialOverride(0, "a");
    m.setMaterialOverride(3, "d");
    m.setMaterialOverride(-1, "ignored");
    ASSERT_EQ(m.materialOverrides.size(), 4u);
    EXPECT_EQ(m.getMaterialOverride(1), "");
    EXPECT_EQ(m.getMaterialOverride(7), "");
    ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
    m.save(w);
    const std::vector<char>& bytes = w.bytes();
    int overrides = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0x10 && static_cast<unsigned char>(bytes[i + 1]) == 0x62) ++overrides;
    EXPECT_EQ(overrides, 2);
    auto back = saveAndRead(m);
    EXPECT_EQ(back->meshName, "box");
    EXPECT_EQ(back->materialOverrides, m.materialOverrides);
}

TEST(SceneNode, LightFlagAndEndTimes) {
    auto light = readNode<Light>(ChunkLight, [](ChunkWriter& w) {
        w.beginChunk(ChunkLightFlag);
        w.writeByte(2);
        w.endChunk();
    });
    EXPECT_FALSE(light->flag);
    light->flag = true;
    EXPECT_TRUE(saveAndRead(*light)->flag);
    EXPECT_TRUE(light->isStatic());
    light->color.a.keys = {key(0, 1), key(6, 0)};
    EXPECT_EQ(light->getEndTime(), 6.0f);
    EXPECT_FALSE(light->isStatic());
    light->angle.keys = {key(9, 1)};
    EXPECT_EQ(light->getEndTime(), 9.0f);

    Dummy parent;
    Dummy* child = new Dummy();
    child->location.y.keys = {key(0, 0), key(12, 1)};
    parent.addChild(child);
    EXPECT_EQ(parent.getEndTime(), 12.0f);
    EXPECT_TRUE(parent.isStatic());
    EXPECT_FALSE(child->isStatic());
}

TEST(SceneNode, TransformsComposeTranslationRotationScale) {
    Dummy node;
    node.location.setDefaults(1, 2, 3);
    node.rotation.z.defaultValue = kPi / 2;
    node.scale.setDefaults(2, 1, 1);
    Matrix4x4Col m;
    bool mirrored = true;
    node.getTransform(0, m, mirrored);
    EXPECT_FALSE(mirrored);
    Vector3 p;
    m.transformPoint(p, Vector3(1, 0, 0));
    EXPECT_NEAR(p.x, 1.0f, 1e-6f);
    EXPECT_NEAR(p.y, 4.0f, 1e-6f);
    EXPECT_NEAR(p.z, 3.0f, 1e-6f);

    node.scale.setDefaults(-1, 1, 1);
    node.getTransform(0, m, mirrored);
    EXPECT_TRUE(mirrored);
    node.scale.setDefaults(-1, -1, 1);
    node.getTransform(0, m, mirrored);
    EXPECT_FALSE(mirrored);

    // Animated location moves with time.
    node.location.x.interpolation = AnimCurve::Linear;
    node.location.x.keys = {key(0, 0), key(2, 10)};
    node.getTransform(0.5f, m);
    EXPECT_FLOAT_EQ(m[12], 2.5f);
}

TEST(SceneNode, CurveInstancePath) {
    CurveInstance path;
    Vector3 position, tangent;
    float u = -1;
    path.evaluate(0.3f, position, tangent);
    EXPECT_EQ(position, Vector3(0, 0, 0));
    EXPECT_EQ(tangent, Vector3(0, 1, 0));
    path.points = {CurveInstance::Point{Vector3(-1, 0, 0), Vector3(0, 0, 0), Vector3(1, 0, 0)}};
    path.evaluate(0.3f, position, tangent);
    EXPECT_EQ(tangent, Vector3(2, 0, 0));

    path.points = {CurveInstance::Point{Vector3(-1, 0, 0), Vector3(0, 0, 0), Vector3(1, 0, 0)},
                   CurveInstance::Point{Vector3(2, 1, 0), Vector3(3, 1, 0), Vector3(4, 1, 0)},
                   CurveInstance::Point{Vector3(5, 0, 1), Vector3(6, 0, 1), Vector3(7, 0, 1)}};
    path.evaluate(0.5f, position, tangent);
    EXPECT_EQ(position, Vector3(3, 1, 0));
    EXPECT_EQ(tangent, Vector3(1, 0, 0));
    path.evaluate(1.0f, position, tangent);
    EXPECT_EQ(position, Vector3(6, 0, 1));
    // Parameters outside [0, 1] and NaN keep the segment index inside the points.
    for (float p : {-5.0f, 3e9f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
        path.evaluate(p, position, tangent);

    path.timeTrack.interpolation = AnimCurve::Linear;
    path.timeTrack.keys = {key(0, 0), key(1, 1.7f)};
    EXPECT_FALSE(path.evaluateAtTime(-0.1f, position, tangent, u));
    EXPECT_EQ(u, -1.0f);
    EXPECT_FALSE(path.evaluateAtTime(std::numeric_limits<float>::quiet_NaN(), position, tangent, u));
    ASSERT_TRUE(path.evaluateAtTime(1.0f, position, tangent, u));
    EXPECT_EQ(u, 1.0f);
    EXPECT_EQ(position, Vector3(6, 0, 1));
    EXPECT_EQ(path.getEndTime(), 1.0f);

    auto back = saveAndRead(path);
    ASSERT_EQ(back->points.size(), 3u);
    EXPECT_EQ(back->points[2].out, Vector3(7, 0, 1));
    EXPECT_EQ(back->timeTrack.keys.size(), 2u);

    CaptureStdout();
    auto odd = readNode<CurveInstance>(ChunkCurveInstance, [](ChunkWriter& w) {
        w.writeByte(3);
        w.writeU32(0);
    });
    EXPECT_EQ(GetCapturedStdout(), "Curve without type==0, reinterpreting randomly!");
}

TEST(SceneNode, ArmatureBonesAndWorldFrames) {
    CaptureStdout();
    auto armature = readNode<Armature>(ChunkArmature, [](ChunkWriter& w) {
        w.beginChunk(ChunkBone);
        w.writeString("root");
        w.writeVec3(Vector3(1, 0, 0));
        w.writeVec4(0.7071068f, 0, 0.7071068f, 0); // a quarter turn about Y
        w.writeFloat(2.0f);
        w.beginChunk(0x1230);
        w.writeFloat(0);
        w.endChunk();
        w.beginChunk(ChunkBone);
        w.writeString("tip");
        w.writeVec3(Vector3(0, 0, 0));
        w.writeVec4(1, 0, 0, 0);
        w.writeFloat(1.0f);
        w.endChunk();
        w.endChunk();
        // A truncated bone keeps its defaults: identity rotation.
        w.beginChunk(ChunkBone);
        w.writeString("short");
        w.endChunk();
    });
    EXPECT_EQ(GetCapturedStdout(), "Other chunk with ID=0x1230\n");
    ASSERT_EQ(armature->bones.size(), 2u);
    EXPECT_EQ(armature->bones[1]->rotation.w, 1.0f);
    armature->computeBones();
    const Armature::Bone& root = *armature->bones[0];
    const Armature::Bone& tip = *root.children.at(0);
    EXPECT_EQ(root.worldHead, Vector3(1, 0, 0));
    // The root points along its -Z, turned a quarter about Y onto -X: its end is at (-1, 0, 0).
    EXPECT_NEAR(tip.worldHead.x, -1.0f, 1e-5f);
    EXPECT_NEAR(tip.worldHead.z, 0.0f, 1e-5f);
    EXPECT_NEAR(tip.worldRotation.y, 0.7071068f, 1e-6f);
    armature->reset();
    EXPECT_TRUE(armature->bones.empty());
}
