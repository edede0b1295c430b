// Set-up failures, duplicate meshes, fades against backwards steps and the shared swing.

#include "flyg.h"
#include "hedgehog.h"
#include "hus.h"
#include "kvx_manager.h"
#include "logo.h"
#include "meshfx_support.h"
#include "rum.h"

#include <filesystem>
#include <fstream>

namespace meshfx {
namespace {

typedef norvane::mathbase::Vector3T<float> Vec3;

// A scene of one-triangle meshes with the given names; mesh k reaches up to x = k + 1.
std::vector<char> sceneOf(const std::vector<std::string>& names) {
    norvane::kvx::Manager scene;
    for (size_t k = 0; k < names.size(); ++k) {
        norvane::kvx::Mesh* mesh = new norvane::kvx::Mesh();
        mesh->name = names[k];
        const float x = static_cast<float>(k + 1);
        mesh->positions = {Vec3(0, 0, 0), Vec3(x, 0, 0), Vec3(0, 1, 0)};
        norvane::kvx::Submesh* submesh = new norvane::kvx::Submesh();
        submesh->mesh = mesh;
        submesh->materialIndex = 0;
        submesh->vertices = {0, 1, 2};
        submesh->faces = {norvane::kvx::Face{0, {0, 1, 2}}};
        mesh->submeshes.push_back(submesh);
        mesh->computeBounds();
        scene.meshIndex[mesh->name] = static_cast<int>(k);
        scene.meshes.push_back(mesh);
    }
    char* data = nullptr;
    int size = 0;
    scene.save(data, size);
    std::vector<char> bytes(data, data + size);
    delete[] data;
    return bytes;
}

class SetupTest : public MeshEffectTest {
protected:
    void SetUp() override {
        MeshEffectTest::SetUp();
        // A folder of our own ahead of the demo's: its files win.
        mDir = (std::filesystem::temp_directory_path() /
                ("meshfx_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                   .string();
        std::filesystem::create_directories(mDir);
        mArchives.reset(new norvane::am::ArchiveManager());
        ASSERT_GE(mArchives->addArchive(mDir), 0);
        ASSERT_GE(mArchives->addArchive(MESHFX_DEMO_DIR), 0);
        mDisplay->setArchive(mArchives.get());
    }
    void TearDown() override {
        MeshEffectTest::TearDown();
        std::error_code ignored;
        std::filesystem::remove_all(mDir, ignored);
    }
    void write(const std::string& name, const std::vector<char>& bytes) {
        std::filesystem::create_directories(std::filesystem::path(mDir + "/" + name).parent_path());
        std::ofstream out(mDir + "/" + name, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string setupError(norvane::corvista::Effect& effect) {
        effect.mDisplay = mDisplay.get();
        return thrownText([](void* e) { static_cast<norvane::corvista::Effect*>(e)->setup(); }, &effect);
    }

    std::string mDir;
};

TEST_F(SetupTest, TheDemoScenesLoadWithEveryMeshTheEffectsDraw) {
    Hedgehog hedgehog(&mShared);
    Hus hus(&mShared);
    Logo logo(&mShared);
    Flyg plane(&mShared);
    Rum rum(&mShared);
    const std::pair<MeshEffect*, const char*> effects[] = {
        {&hedgehog, "ball"}, {&hus, "Tube"}, {&logo, "logo"}, {&plane, "Cube"}, {&rum, "rum"}};
    for (const auto& e : effects) {
        EXPECT_EQ(setupError(*e.first), "") << e.second;
        norvane::torvik::Mesh* mesh = e.first->findMesh(e.second);
        ASSERT_NE(mesh, nullptr) << e.second;
        EXPECT_GT(mesh->ranges.at(0).indexCount, 0) << e.second;
        EXPECT_TRUE(e.first->program.isLinked()) << e.second;
    }
    // The submeshes the scenes are made of.
    EXPECT_EQ(plane.findMesh("Cube")->getSubmeshCount(), 2);
    EXPECT_EQ(rum.findMesh("rum")->getSubmeshCount(), 2);
    EXPECT_EQ(hus.findMesh("Tube")->getSubmeshCount(), 2);
}

TEST_F(SetupTest, ASceneWithoutTheMeshAnEffectDrawsFailsAtSetup) {
    struct Case {
        const char* folder;
        const char* mesh;
        std::unique_ptr<MeshEffect> effect;
    };
    Case cases[] = {{"hedgehog", "ball", std::make_unique<Hedgehog>(&mShared)},
                    {"hus", "Tube", std::make_unique<Hus>(&mShared)},
                    {"logo", "logo", std::make_unique<Logo>(&mShared)},
                    {"plane", "Cube", std::make_unique<Flyg>(&mShared)},
                    {"rum", "rum", std::make_unique<Rum>(&mShared)}};
    for (Case& c : cases) {
        const std::string path = std::string(c.folder) + "/" + c.folder + ".kvx";
        write(path, sceneOf({"ball2", "tube", "Logo"}));
        EXPECT_EQ(setupError(*c.effect), "File '" + path + "' has no mesh '" + c.mesh + "'.");
        c.effect->draw(0.0f, 0.1f, 0.0f); // still drawable: nothing to draw, no crash
    }
}

TEST_F(SetupTest, AMissingSceneFileIsNamed) {
    std::unique_ptr<norvane::am::ArchiveManager> empty(new norvane::am::ArchiveManager());
    ASSERT_GE(empty->addArchive(mDir), 0);
    mDisplay->setArchive(empty.get());
    Hus hus(&mShared);
    EXPECT_EQ(setupError(hus), "File 'hus/hus.kvx' not found.");
    mDisplay->setArchive(mArchives.get());
}

TEST_F(SetupTest, ABrokenSceneFileIsNamed) {
    const std::string text = "not a scene";
    write("rum/rum.kvx", std::vector<char>(text.begin(), text.end()));
    Rum rum(&mShared);
    const std::string error = setupError(rum);
    EXPECT_EQ(error.find("Could not read the scene file 'rum/rum.kvx': "), 0u) << error;
}

TEST_F(SetupTest, TheLaterOfTwoMeshesOfOneNameIsKept) {
    write("rum/rum.kvx", sceneOf({"rum", "other", "rum"}));
    Rum rum(&mShared);
    EXPECT_EQ(setupError(rum), "");
    EXPECT_EQ(rum.meshes.size(), 2u);
    EXPECT_FLOAT_EQ(rum.findMesh("rum")->bounds.max.x, 3.0f);
}

TEST_F(SetupTest, FadesNeverGrowFromABackwardsStep) {
    Hedgehog hedgehog(&mShared);
    Rum rum(&mShared);
    Hedgehog::resetParameters();
    Rum::resetParameters();
    ASSERT_EQ(setupError(hedgehog), "");
    ASSERT_EQ(setupError(rum), "");

    hedgehog.trigger(0, "beat", "");
    hedgehog.draw(1.0f, 0.1f, 0);
    EXPECT_NEAR(Hedgehog::beat(), 0.8f, 1e-6f);
    hedgehog.draw(0.0f, -5.0f, 0); // a seek back by five seconds
    EXPECT_NEAR(Hedgehog::beat(), 0.8f, 1e-6f);
    hedgehog.draw(0.1f, 0.1f, 0);
    EXPECT_NEAR(Hedgehog::beat(), 0.6f, 1e-6f);

    rum.start();
    rum.trigger(0, "blink", "");
    rum.draw(1.0f, 0.1f, 0);
    EXPECT_NEAR(Rum::blink(), 0.28f, 1e-6f);
    rum.draw(0.0f, -3.0f, 0);
    EXPECT_NEAR(Rum::blink(), 0.28f, 1e-6f);
}

TEST_F(SetupTest, TimelineNamesAreExactAndUnknownOnesChangeNothing) {
    Hedgehog::resetParameters();
    Rum::resetParameters();
    Hus::resetParameters();
    Hedgehog hedgehog(&mShared);
    Rum rum(&mShared);
    Hus hus(&mShared);
    hedgehog.trigger(0, "Beat", "");
    hedgehog.setValue(0, "gung ", 5);
    EXPECT_FLOAT_EQ(Hedgehog::beat(), 0.0f);
    EXPECT_FLOAT_EQ(Hedgehog::gung(), 1.0f);
    hedgehog.setValue(0, "gung", 2.5f);
    EXPECT_FLOAT_EQ(Hedgehog::gung(), 2.5f);
    EXPECT_FLOAT_EQ(Rum::blink(), 1.0f); // before any start
    rum.trigger(0, "blinks", "");
    rum.setValue(0, "move", 0.5f);
    EXPECT_FLOAT_EQ(Rum::blink(), 1.0f);
    EXPECT_FLOAT_EQ(Rum::move(), 0.5f);
    hus.setValue(0, "Y", 3);
    EXPECT_FLOAT_EQ(Hus::y(), 0.0f);
    Rum::resetParameters();
    Hedgehog::resetParameters();
}

TEST(EffectSharedSwing, StartsAtZeroSoAPlaneBeforeAnyHusReadsZero) {
    EffectShared shared;
    EXPECT_EQ(shared.swing, 0.0f);
    EXPECT_EQ(shared.camera.roll, 0.0f);
}

} // namespace
} // namespace meshfx
