#include "kvx_manager.h"
#include "kvx_samples.h"
#include "nvn_system.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace norvane::kvx;
using norvane::mathbase::Vector3;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

void load(Manager& manager, const std::vector<char>& bytes) {
    manager.load(bytes.data(), static_cast<int>(bytes.size()));
}

// The message of the exception that loading throws, or "" when it loads.
std::string loadError(const std::vector<char>& bytes) {
    Manager m;
    try {
        load(m, bytes);
    } catch (const norvane::Exception& e) {
        return e.what();
    }
    return "";
}

std::vector<char> header(char major = 1, char minor = 1, const char* tag = "KVXF") {
    return {tag[0], tag[1], tag[2], tag[3], major, minor};
}

void putU16(std::vector<char>& b, uint16_t v) { b.insert(b.end(), reinterpret_cast<char*>(&v), reinterpret_cast<char*>(&v) + 2); }
void putU32(std::vector<char>& b, uint32_t v) { b.insert(b.end(), reinterpret_cast<char*>(&v), reinterpret_cast<char*>(&v) + 4); }
void putString(std::vector<char>& b, const char* s) { b.insert(b.end(), s, s + std::strlen(s) + 1); }

void expectCurveEqual(const AnimCurve& a, const AnimCurve& b) {
    EXPECT_EQ(a.defaultValue, b.defaultValue);
    EXPECT_EQ(a.interpolation, b.interpolation);
    EXPECT_EQ(a.extrapolation, b.extrapolation);
    ASSERT_EQ(a.keys.size(), b.keys.size());
    if (!a.keys.empty()) {
        EXPECT_EQ(0, std::memcmp(a.keys.data(), b.keys.data(), a.keys.size() * sizeof(AnimCurve::Key)));
    }
}

void expectCurve3Equal(const AnimCurve3& a, const AnimCurve3& b) {
    expectCurveEqual(a.x, b.x);
    expectCurveEqual(a.y, b.y);
    expectCurveEqual(a.z, b.z);
}

void expectNodeEqual(const SceneNode& a, const SceneNode& b) {
    SCOPED_TRACE(a.name);
    ASSERT_EQ(a.getType(), b.getType());
    EXPECT_EQ(a.name, b.name);
    if (a.getType() != ChunkScene) {
        expectCurve3Equal(a.location, b.location);
        expectCurve3Equal(a.rotation, b.rotation);
        expectCurve3Equal(a.scale, b.scale);
    }
    switch (a.getType()) {
    case ChunkCamera:
        expectCurveEqual(static_cast<const Camera&>(a).fieldOfView, static_cast<const Camera&>(b).fieldOfView);
        break;
    case ChunkMeshInstance: {
        const MeshInstance& ma = static_cast<const MeshInstance&>(a);
        const MeshInstance& mb = static_cast<const MeshInstance&>(b);
        EXPECT_EQ(ma.meshName, mb.meshName);
        EXPECT_EQ(ma.materialOverrides, mb.materialOverrides);
        break;
    }
    case ChunkLight: {
        const Light& la = static_cast<const Light&>(a);
        const Light& lb = static_cast<const Light&>(b);
        EXPECT_EQ(la.flag, lb.flag);
        expectCurveEqual(la.color.r, lb.color.r);
        expectCurveEqual(la.color.g, lb.color.g);
        expectCurveEqual(la.color.b, lb.color.b);
        expectCurveEqual(la.color.a, lb.color.a);
        expectCurveEqual(la.valueA, lb.valueA);
        expectCurveEqual(la.valueB, lb.valueB);
        expectCurveEqual(la.angle, lb.angle);
        break;
    }
    case ChunkCurveInstance: {
        const CurveInstance& ca = static_cast<const CurveInstance&>(a);
        const CurveInstance& cb = static_cast<const CurveInstance&>(b);
        ASSERT_EQ(ca.points.size(), cb.points.size());
        if (!ca.points.empty()) {
            EXPECT_EQ(0, std::memcmp(ca.points.data(), cb.points.data(), ca.points.size() * sizeof(CurveInstance::Point)));
        }
        expectCurveEqual(ca.timeTrack, cb.timeTrack);
        break;
    }
    default: break;
    }
    ASSERT_EQ(a.children.size(), b.children.size());
    for (size_t i = 0; i < a.children.size(); ++i) expectNodeEqual(*a.children[i], *b.children[i]);
}

void expectMeshEqual(const Mesh& a, const Mesh& b) {
    SCOPED_TRACE(a.name);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.materialNames, b.materialNames);
    EXPECT_EQ(a.positions, b.positions);
    EXPECT_EQ(a.bounds.min, b.bounds.min);
    EXPECT_EQ(a.bounds.max, b.bounds.max);
    ASSERT_EQ(a.submeshes.size(), b.submeshes.size());
    for (size_t s = 0; s < a.submeshes.size(); ++s) {
        const Submesh& sa = *a.submeshes[s];
        const Submesh& sb = *b.submeshes[s];
        EXPECT_EQ(sb.mesh, &b);
        EXPECT_EQ(sa.materialIndex, sb.materialIndex);
        EXPECT_EQ(sa.vertices, sb.vertices);
        EXPECT_EQ(sa.bounds.min, sb.bounds.min);
        EXPECT_EQ(sa.bounds.max, sb.bounds.max);
        ASSERT_EQ(sa.faces.size(), sb.faces.size());
        for (size_t f = 0; f < sa.faces.size(); ++f) {
            EXPECT_EQ(sa.faces[f].flag, sb.faces[f].flag);
            for (int c = 0; c < 3; ++c) EXPECT_EQ(sa.faces[f].corner[c], sb.faces[f].corner[c]);
        }
        ASSERT_EQ(sa.vertexArrays.size(), sb.vertexArrays.size());
        for (size_t v = 0; v < sa.vertexArrays.size(); ++v) EXPECT_EQ(*sa.vertexArrays[v], *sb.vertexArrays[v]);
    }
}

void expectMaterialEqual(const Material& a, const Material& b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.firstFlag, b.firstFlag);
    EXPECT_EQ(a.secondFlag, b.secondFlag);
    ASSERT_EQ(a.attributes.size(), b.attributes.size());
    for (size_t i = 0; i < a.attributes.size(); ++i) {
        const Material::Attribute& x = *a.attributes[i];
        const Material::Attribute& y = *b.attributes[i];
        EXPECT_EQ(x.name, y.name);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(x.value[k], y.value[k]);
        ASSERT_EQ(x.items.size(), y.items.size());
        for (size_t j = 0; j < x.items.size(); ++j) {
            EXPECT_EQ(x.items[j]->name, y.items[j]->name);
            EXPECT_EQ(x.items[j]->text, y.items[j]->text);
            EXPECT_EQ(x.items[j]->byteValue, y.items[j]->byteValue);
        }
    }
}

} // namespace

TEST(Manager, WrittenContentReadsBackFieldByField) {
    Manager original;
    kvxsamples::fillManager(original);
    const std::vector<char> bytes = kvxsamples::managerBytes(original);
    Manager back;
    load(back, bytes);
    ASSERT_EQ(back.getMeshCount(), 2);
    ASSERT_EQ(back.getMaterialCount(), 2);
    ASSERT_EQ(back.getTextureRefCount(), 1);
    ASSERT_EQ(back.getSceneCount(), 2);
    for (int i = 0; i < 2; ++i) expectMeshEqual(*original.meshes[i], *back.meshes[i]);
    for (int i = 0; i < 2; ++i) expectMaterialEqual(*original.materials[i], *back.materials[i]);
    EXPECT_EQ(back.textureRefs[0]->name, "stone");
    EXPECT_EQ(back.textureRefs[0]->path, "textures/stone.png");
    for (int i = 0; i < 2; ++i) expectNodeEqual(*original.scenes[i], *back.scenes[i]);
    // Saving what was read gives the same bytes.
    EXPECT_EQ(kvxsamples::managerBytes(back), bytes);
    // Loaded animation evaluates like the original.
    Camera* a = static_cast<Camera*>(original.getScene("main")->findChild("camera"));
    Camera* b = static_cast<Camera*>(back.getScene("main")->findChild("camera"));
    for (float t : {-1.0f, 0.0f, 0.6f, 1.0f, 2.0f, 2.5f, 6.0f}) {
        EXPECT_EQ(a->fieldOfView.evaluate(t), b->fieldOfView.evaluate(t));
        EXPECT_EQ(a->location.evaluate(t), b->location.evaluate(t));
    }
}

TEST(Manager, LookupsByNameAndIndex) {
    Manager m;
    kvxsamples::fillManager(m);
    Manager twice;
    std::vector<char> bytes = kvxsamples::managerBytes(m);
    load(twice, bytes);
    EXPECT_EQ(twice.getMeshIndex("other"), 1);
    EXPECT_EQ(twice.getMesh("box"), twice.getMeshByIndex(0));
    EXPECT_EQ(twice.getMesh("Box"), nullptr);
    EXPECT_EQ(twice.getMeshIndex("none"), -1);
    EXPECT_EQ(twice.getMeshByIndex(-1), nullptr);
    EXPECT_EQ(twice.getMeshByIndex(2), nullptr);
    EXPECT_EQ(twice.getMaterial("glass"), twice.getMaterialByIndex(1));
    EXPECT_EQ(twice.getTextureRef("stone")->path, "textures/stone.png");
    EXPECT_EQ(twice.getTextureRefByIndex(-1), nullptr);
    EXPECT_EQ(twice.getScene("second"), twice.scenes[1]);
    EXPECT_EQ(twice.getScene("nothing"), nullptr);

    // Repeated names: all objects stay, the name finds the last one.
    load(twice, bytes);
    EXPECT_EQ(twice.getMeshCount(), 4);
    EXPECT_EQ(twice.getMesh("box"), twice.getMeshByIndex(2));
    EXPECT_EQ(twice.getScene("main"), twice.scenes[0]);
    twice.clear();
    EXPECT_EQ(twice.getMeshCount(), 0);
    EXPECT_EQ(twice.getMesh("box"), nullptr);
}

TEST(Manager, WrongHeadersAndTopChunksThrow) {
    std::vector<char> good = header();
    putU16(good, 0x1000);
    putU32(good, 0);
    EXPECT_EQ(loadError(good), "");
    std::vector<char> b = header(1, 2);
    EXPECT_EQ(loadError(b), "Manager-file is of wrong version (1:2 of format KVXF)");
    b = header(2, 2);
    EXPECT_EQ(loadError(b), "Manager-file is of wrong version (2:2 of format KVXF)");
    b = header(1, 1, "KVXG");
    EXPECT_EQ(loadError(b), "Manager-file is of wrong version (1:1 of format KVXG)");
    EXPECT_EQ(loadError(std::vector<char>(good.begin(), good.begin() + 5)),
              "Manager-file is of wrong version (0:0 of format void)");
    EXPECT_EQ(loadError(header()), "There can only be a main-chunk as the top of the hiarchy! Found 0x0");
    EXPECT_EQ(loadError({}), "Manager-file is of wrong version (0:0 of format void)");
    b = header();
    putU16(b, 0x2000);
    putU32(b, 1);
    b.push_back(0);
    EXPECT_EQ(loadError(b), "There can only be a main-chunk as the top of the hiarchy! Found 0x2000");
    // An empty manager saves only the header, which is refused.
    Manager empty;
    EXPECT_EQ(kvxsamples::managerBytes(empty), header());
    EXPECT_EQ(loadError(kvxsamples::managerBytes(empty)), "There can only be a main-chunk as the top of the hiarchy! Found 0x0");
    // A refused file leaves the manager as it was.
    Manager m;
    kvxsamples::fillManager(m);
    EXPECT_THROW(m.load(b.data(), static_cast<int>(b.size())), norvane::Exception);
    EXPECT_EQ(m.getMeshCount(), 2);
    EXPECT_THROW(m.load(nullptr, -4), norvane::Exception);
}

TEST(Manager, UnknownChunksAreSkippedWithAWarning) {
    std::vector<char> b = header();
    putU16(b, 0x1000);
    const size_t lengthAt = b.size();
    putU32(b, 0);
    putU16(b, 0x3000);
    putU32(b, 3);
    b.insert(b.end(), {1, 2, 3});
    putU16(b, 0x4000);
    putU32(b, 2 + 2 + 4 + 3 + 2 + 4 + 3 + 2 + 4 + 1);
    putString(b, "t");
    putU16(b, 0xF020);
    putU32(b, 3);
    putString(b, "ab");
    putU16(b, 0xF020);
    putU32(b, 3);
    putString(b, "cd");
    putU16(b, 0xF030);
    putU32(b, 1);
    b.push_back(0);
    const uint32_t length = static_cast<uint32_t>(b.size() - lengthAt - 4);
    std::memcpy(b.data() + lengthAt, &length, 4);
    putU16(b, 0x2000); // after the main chunk: never read
    putU32(b, 2);
    putString(b, "x");

    Manager m;
    CaptureStdout();
    load(m, b);
    const std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("[warning][kvx::Manager::loadChunkMain], Unknown chunk with ID=0x3000"), std::string::npos)
        << out;
    EXPECT_NE(out.find("Unknown chunk with ID=0xF030\n"), std::string::npos) << out;
    ASSERT_EQ(m.getTextureRefCount(), 1);
    EXPECT_EQ(m.getTextureRef("t")->path, "abcd");
    EXPECT_EQ(m.getMeshCount(), 0);
}

TEST(Manager, EveryTruncationLoadsWhatItCan) {
    const std::vector<kvxsamples::SeedFile> seeds = kvxsamples::seedFiles();
    const std::vector<char>& full = seeds[0].bytes;
    for (size_t size = 0; size <= full.size(); ++size) {
        Manager m;
        CaptureStdout();
        try {
            m.load(full.data(), static_cast<int>(size), "bot/robot.kvx");
            EXPECT_GE(size, 12u);
        } catch (const norvane::Exception&) {
            EXPECT_LT(size, 12u);
        }
        // A file cut short says so once, naming the end its main chunk declares; a whole one does not.
        const std::string log = GetCapturedStdout();
        const std::string cut = "[warning][kvx::Manager::load], 'bot/robot.kvx' is cut short: a chunk ends at byte " +
                                std::to_string(full.size()) + " of " + std::to_string(size) + " (";
        const size_t at = log.find(cut);
        EXPECT_EQ(at != std::string::npos, size >= 12 && size < full.size()) << size << ": " << log;
        EXPECT_EQ(log.find("cut short", at == std::string::npos ? 0 : at + cut.size()), std::string::npos) << log;
        CaptureStdout();
        // Whatever loaded can be used: normals, transforms, saving and loading again.
        for (Mesh* mesh : m.meshes) mesh->computeNormals(true);
        for (SceneNode* scene : m.scenes) {
            norvane::mathbase::Matrix4x4Col matrix;
            scene->getTransform(1.0f, matrix);
            EXPECT_GE(scene->getEndTime(), 0.0f);
        }
        if (size >= 12) {
            const std::vector<char> again = kvxsamples::managerBytes(m);
            Manager reloaded;
            if (again.size() > 6) load(reloaded, again);
            EXPECT_EQ(reloaded.getMeshCount(), again.size() > 6 ? m.getMeshCount() : 0);
        }
        GetCapturedStdout();
    }
}

TEST(Manager, OversizedLengthsAndCountsNeverReadOrAllocatePastTheData) {
    // A mesh whose declared length wraps the 32-bit end: loaded once, not again and again.
    std::vector<char> b = header();
    putU16(b, 0x1000);
    putU32(b, 0xFFFFFFFFu);
    putU16(b, 0x2000);
    putU32(b, 0xFFFFFFF8u);
    putString(b, "m");
    putU16(b, 0xFF00);
    putU32(b, 0xFFFFFF00u); // about 350 million positions declared, 2 present
    for (int i = 0; i < 6; ++i) putU32(b, 0x3F800000);
    Manager m;
    load(m, b);
    ASSERT_EQ(m.getMeshCount(), 1);
    EXPECT_EQ(m.meshes[0]->name, "m");
    ASSERT_EQ(m.meshes[0]->positions.size(), 2u);
    EXPECT_EQ(m.meshes[0]->positions[1], Vector3(1, 1, 1));

    // A curve instance claiming four billion points.
    std::vector<char> c = header();
    putU16(c, 0x1000);
    putU32(c, 0xFFFFFFFFu);
    putU16(c, ChunkScene);
    putU32(c, 0xFFFFFFFFu);
    putString(c, "s");
    putU16(c, ChunkCurveInstance);
    putU32(c, 0xFFFFFFFFu);
    putString(c, "c");
    c.push_back(0);
    putU32(c, 0xFFFFFFFFu);
    for (int i = 0; i < 10; ++i) putU32(c, 0);
    Manager n;
    load(n, c);
    ASSERT_EQ(n.getSceneCount(), 1);
    ASSERT_EQ(n.scenes[0]->children.size(), 1u);
    // One whole point and the first field of a second.
    EXPECT_EQ(static_cast<CurveInstance*>(n.scenes[0]->children[0])->points.size(), 2u);
}

TEST(Manager, DeepNestingIsCutOffWithoutExhaustingTheStack) {
    const int levels = 20000;
    ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
    w.beginChunk(0x1000);
    w.beginChunk(ChunkScene);
    w.writeString("deep");
    for (int i = 0; i < levels; ++i) {
        w.beginChunk(i % 2 ? ChunkDummy : ChunkArmature);
        w.writeString("n");
    }
    for (int i = 0; i < levels + 2; ++i) w.endChunk();
    // Bones nested just as deeply.
    std::vector<char> bones = header();
    putU16(bones, 0x1000);
    putU32(bones, 0xFFFFFFFFu);
    putU16(bones, ChunkScene);
    putU32(bones, 0xFFFFFFFFu);
    putString(bones, "s");
    putU16(bones, ChunkArmature);
    putU32(bones, 0xFFFFFFFFu);
    putString(bones, "a");
    for (int i = 0; i < levels; ++i) {
        putU16(bones, ChunkBone);
        putU32(bones, 0xFFFFFFFFu);
        putString(bones, "b");
        for (int k = 0; k < 8; ++k) putU32(bones, 0);
    }

    for (const std::vector<char>& bytes : {w.getData(), bones}) {
        Manager m;
        CaptureStdout();
        load(m, bytes);
        const std::string out = GetCapturedStdout();
        EXPECT_NE(out.find("nested deeper than"), std::string::npos);
        ASSERT_EQ(m.getSceneCount(), 1);
        int depth = 0;
        for (const SceneNode* node = m.scenes[0]; !node->children.empty(); node = node->children[0]) ++depth;
        EXPECT_GT(depth, 0);
        EXPECT_LT(depth, MaxChunkDepth);
    }
}

TEST(Manager, GeneratorWrittenArmatureAndRootTransforms) {
    const std::vector<kvxsamples::SeedFile> seeds = kvxsamples::seedFiles();
    const std::vector<char>* rig = nullptr;
    for (const kvxsamples::SeedFile& seed : seeds)
        if (seed.name == "armature.kvx") rig = &seed.bytes;
    ASSERT_NE(rig, nullptr);
    Manager m;
    load(m, *rig);
    ASSERT_EQ(m.getSceneCount(), 1);
    SceneNode* scene = m.getScene("rig");
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->location.evaluate(0), Vector3(0, 1, 0));
    Armature* armature = dynamic_cast<Armature*>(scene->findChild("armature"));
    ASSERT_NE(armature, nullptr);
    ASSERT_EQ(armature->bones.size(), 2u);
    Armature::Bone* hand = armature->bones[0]->children.at(0);
    EXPECT_EQ(hand->name, "hand");
    EXPECT_FLOAT_EQ(hand->length, 0.5f);
    EXPECT_EQ(hand->rotationTrack.x.keys.size(), 3u);
    armature->computeBones();
    // The spine ends at (0, 0, -1); the hand starts half a unit up from there and, turned a
    // quarter about X, points its -Z along -Y... its head is in the spine's frame.
    EXPECT_NEAR(hand->worldHead.y, 0.5f, 1e-6f);
    EXPECT_NEAR(hand->worldHead.z, -1.0f, 1e-6f);
    EXPECT_NEAR(hand->worldRotation.x, 0.7071068f, 1e-6f);
    // Armatures are not written back.
    Manager again;
    load(again, kvxsamples::managerBytes(m));
    EXPECT_TRUE(again.getScene("rig")->children.empty());
}
