// "buff" set up from scenes written by the test: its set-up checks, its triggers and values, the
// lights of its heads, its jump backwards and its field of view.

#include "bb_support.h"
#include "buff.h"
#include "nvn_system.h"

#include <GL/glew.h>

#include <cmath>
#include <cstring>

using bbtest::Vec3;

namespace {

class BuffTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.copyShader("buff/scene.vert");
        window.copyShader("buff/scene.frag");
        shared.reset(new EffectShared());
    }
    // A set-up Buff over the scene; null with the failure's message when set-up throws.
    std::unique_ptr<Buff> load(const std::vector<char>& scene, std::string* failure = nullptr) {
        window.write("buff/scene.kvx", scene);
        std::unique_ptr<Buff> buff(new Buff(shared.get()));
        buff->mDisplay = window.display();
        try {
            buff->setup();
        } catch (const norvane::Exception& error) {
            if (failure) *failure = error.what();
            return nullptr;
        }
        return buff;
    }
    void frame(Buff& buff, float t) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        buff.draw(t, 0.02f, 0);
    }

    bbtest::Window window{96, 64, false};
    std::unique_ptr<EffectShared> shared;
};

TEST_F(BuffTest, SetupNamesTheFileAndWhatIsMissing) {
    std::string failure;
    {
        Buff buff(shared.get());
        buff.mDisplay = window.display();
        try {
            buff.setup();
            ADD_FAILURE() << "set-up without a scene file";
        } catch (const norvane::Exception& error) {
            EXPECT_STREQ(error.what(), "File 'buff/scene.kvx' not found.");
        }
    }
    {
        norvane::kvx::Manager sceneless; // a material, but no scene
        sceneless.materials.push_back(new norvane::kvx::Material());
        sceneless.materials.back()->name = "boxmat";
        EXPECT_EQ(load(bbtest::bytesOf(sceneless), &failure), nullptr);
    }
    EXPECT_EQ(failure, "No scene in buff/scene.kvx");

    EXPECT_EQ(load({'K', 'V', 'X'}, &failure), nullptr);
    EXPECT_EQ(failure.find("Could not read the scene file 'buff/scene.kvx': "), 0u) << failure;

    bbtest::SceneOptions options;
    options.camera = false;
    EXPECT_EQ(load(bbtest::testScene(options), &failure), nullptr);
    EXPECT_EQ(failure, "No camera in buff/scene.kvx");

    options = bbtest::SceneOptions();
    options.instanceMesh = "ghost";
    EXPECT_EQ(load(bbtest::testScene(options), &failure), nullptr);
    EXPECT_NE(failure.find("buff/scene.kvx"), std::string::npos) << failure;
    EXPECT_NE(failure.find("'ghost'"), std::string::npos) << failure;
    EXPECT_NE(failure.find("'block'"), std::string::npos) << failure;

    options = bbtest::SceneOptions();
    options.material = "velvet";
    options.withMaterialRecord = false;
    EXPECT_EQ(load(bbtest::testScene(options), &failure), nullptr);
    EXPECT_NE(failure.find("buff/scene.kvx"), std::string::npos) << failure;
    EXPECT_NE(failure.find("'velvet'"), std::string::npos) << failure;

    options = bbtest::SceneOptions();
    options.material = "";
    EXPECT_EQ(load(bbtest::testScene(options), &failure), nullptr);
    EXPECT_NE(failure.find("drawmesh::trianglelist without material"), std::string::npos) << failure;

    EXPECT_NE(load(bbtest::testScene(bbtest::SceneOptions())), nullptr);
}

TEST_F(BuffTest, MaterialRecordsTakeTheLastDiffuseAndBoostTheBoxes) {
    norvane::kvx::Material material;
    material.name = "boxmat";
    for (float red : {0.1f, 0.7f}) {
        auto* diffuse = new norvane::kvx::Material::Attribute();
        diffuse->name = "diffuse";
        const float value[4] = {red, 0.2f, 0.3f, 0.0f};
        std::memcpy(diffuse->value, value, sizeof(value));
        material.attributes.push_back(diffuse);
    }
    auto* other = new norvane::kvx::Material::Attribute();
    other->name = "Diffuse";
    other->value[0] = 0.9f;
    material.attributes.push_back(other);
    Buff buff(shared.get());
    Buff::MaterialRecord box(material, &buff);
    EXPECT_FLOAT_EQ(box.boost, 2.5f);
    EXPECT_FLOAT_EQ(box.colour[0], 0.7f);
    EXPECT_FLOAT_EQ(box.colour[2], 0.3f);
    EXPECT_FLOAT_EQ(box.colour[3], 1.0f);
    norvane::kvx::Material plain;
    plain.name = "boxmat2";
    Buff::MaterialRecord white(plain, &buff);
    EXPECT_FLOAT_EQ(white.boost, 1.0f);
    EXPECT_FLOAT_EQ(white.colour[0], 1.0f);
    EXPECT_FLOAT_EQ(white.colour[3], 1.0f);
}

TEST_F(BuffTest, LofterAnswersOnlyToOnAndSpaceAmountIsKept) {
    std::unique_ptr<Buff> buff = load(bbtest::testScene(bbtest::SceneOptions()));
    ASSERT_NE(buff, nullptr);
    EXPECT_FALSE(buff->isLofterOn());
    buff->trigger(0, "lofter", "on");
    EXPECT_TRUE(buff->isLofterOn());
    for (const char* value : {"On", "ON", "on ", "", "off"}) {
        buff->trigger(0, "lofter", "on");
        buff->trigger(0, "lofter", value);
        EXPECT_FALSE(buff->isLofterOn()) << value;
    }
    buff->trigger(0, "Lofter", "on");
    EXPECT_FALSE(buff->isLofterOn());
    buff->setValue(0, "spaceamount", 0.75f);
    buff->setValue(0, "spaceAmount", 0.25f);
    EXPECT_FLOAT_EQ(buff->getSpaceAmount(), 0.75f);
}

TEST_F(BuffTest, AJumpBackLeavesTheTubesAndMovesOnlyTheTips) {
    std::unique_ptr<Buff> buff = load(bbtest::testScene(bbtest::SceneOptions()));
    ASSERT_NE(buff, nullptr);
    ASSERT_EQ(buff->getHeads().size(), 2u);
    buff->trigger(0, "lofter", "on");
    frame(*buff, -1.0f); // before the start: nothing steps
    Buff::Head* head = buff->getHeads()[0];
    EXPECT_TRUE(head->isStarting());
    EXPECT_EQ(head->getVertexCount(), 0);

    for (int i = 1; i <= 100; ++i) frame(*buff, 0.02f * static_cast<float>(i));
    const int vertices = head->getVertexCount(), indices = head->getIndexCount();
    const float stepTime = buff->getStepTime();
    EXPECT_GT(vertices, 26);
    EXPECT_NEAR(head->position.x, 2.0f, 1e-4f);
    EXPECT_NEAR(head->lastPosition.x, 2.0f, 0.45f);
    const Vec3 lastRing = head->lastPosition;

    frame(*buff, 1.0f); // a jump back
    EXPECT_EQ(head->getVertexCount(), vertices);
    EXPECT_EQ(head->getIndexCount(), indices);
    EXPECT_EQ(buff->getStepTime(), stepTime);
    EXPECT_NEAR(head->position.x, 1.0f, 1e-4f); // the tip follows the clock
    EXPECT_EQ(head->ring[0].pos[0], head->position.x);
    EXPECT_TRUE(head->lastPosition == lastRing);
    frame(*buff, 1.9f); // still behind the step time
    EXPECT_EQ(head->getVertexCount(), vertices);
    EXPECT_NEAR(head->position.x, 1.9f, 1e-4f);
    frame(*buff, -0.5f); // before the start: the tip stays, the scene still draws
    EXPECT_NEAR(head->position.x, 1.9f, 1e-4f);

    frame(*buff, 2.6f); // past the step time again: growing on from where it stood
    EXPECT_GT(head->getVertexCount(), vertices);
    EXPECT_GT(buff->getStepTime(), stepTime);
    EXPECT_GT(head->lastPosition.x, lastRing.x);
}

TEST_F(BuffTest, OnlySixHeadsLightTheSceneAndLaterOnesTakeTheirColourByIndex) {
    bbtest::SceneOptions options;
    options.curves = 8;
    std::unique_ptr<Buff> buff = load(bbtest::testScene(options));
    ASSERT_NE(buff, nullptr);
    ASSERT_EQ(buff->getHeads().size(), 8u);
    buff->trigger(0, "lofter", "on");
    frame(*buff, 0.5f);
    frame(*buff, 1.0f);
    for (int i = 0; i < 6; ++i) {
        const Vec3 colour = Buff::headColour(i);
        EXPECT_TRUE(buff->getLightColours()[i] == colour) << i;
        // The light sits at the tip, in the scene: the path's own frame moves it.
        EXPECT_NEAR(buff->getLightPositions()[i].x, -3.0f, 1e-4f) << i;
        EXPECT_NEAR(buff->getLightPositions()[i].y, 2.0f - static_cast<float>(i), 1e-4f) << i;
    }
    for (Buff::Head* head : buff->getHeads()) EXPECT_FALSE(head->isStarting());
    EXPECT_TRUE(Buff::headColour(6) == Buff::headColour(0));
    EXPECT_TRUE(Buff::headColour(7) == Buff::headColour(1));
    EXPECT_NEAR(Buff::headColour(2).y, 0.14901961f, 1e-7f);

    // Only six lights: a scene of three heads leaves the rest black.
    options.curves = 3;
    buff.reset();
    buff = load(bbtest::testScene(options));
    ASSERT_NE(buff, nullptr);
    frame(*buff, 0.5f);
    EXPECT_TRUE(buff->getLightColours()[2] == Buff::headColour(2));
    EXPECT_TRUE(buff->getLightColours()[3] == Vec3());
    EXPECT_TRUE(buff->getLightPositions()[5] == Vec3());
}

TEST_F(BuffTest, TheFieldOfViewNeverOpensToAHalfTurn) {
    EXPECT_FLOAT_EQ(Buff::verticalAngle(1.0f), 1.5f);
    EXPECT_LT(Buff::verticalAngle(2.09f), 3.1415927f);
    EXPECT_LT(Buff::verticalAngle(3.0f), 3.1415927f);
    EXPECT_GT(Buff::verticalAngle(0.0f), 0.0f);
    EXPECT_GT(Buff::verticalAngle(std::nanf("")), 0.0f);

    bbtest::SceneOptions options;
    options.fieldOfView = 2.4f; // 1.5 times this is past a half turn
    std::unique_ptr<Buff> buff = load(bbtest::testScene(options));
    ASSERT_NE(buff, nullptr);
    frame(*buff, 0.5f);
    float projection[16];
    glMatrixMode(GL_PROJECTION);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (float value : projection) EXPECT_TRUE(std::isfinite(value));
    EXPECT_GT(projection[5], 0.0f); // still the right way up
}

TEST_F(BuffTest, TheSceneDrawsItsMaterialColourThroughItsCamera) {
    std::unique_ptr<Buff> buff = load(bbtest::testScene(bbtest::SceneOptions()));
    ASSERT_NE(buff, nullptr);
    frame(*buff, 0.0f);
    const std::vector<int> middle = window.pixel(48, 32);
    // The box face fills the middle: material (0.2, 0.4, 0.6), boosted, lit by the two heads.
    EXPECT_GT(middle[2], middle[0]);
    EXPECT_GT(middle[0] + middle[1] + middle[2], 30);
    frame(*buff, 0.0f);
    EXPECT_EQ(window.pixel(48, 32), middle);
    // Frames whose steps write tube rings while the scene's meshes are still the display's
    // current buffers: the writes must leave those alone, so the box still draws. (The lights lie
    // behind the face's plane, so only the ambient light reaches it at any time.)
    buff->trigger(0, "lofter", "on");
    frame(*buff, 0.5f);
    frame(*buff, 1.0f);
    EXPECT_GT(buff->getHeads()[0]->getVertexCount(), 26);
    EXPECT_EQ(window.pixel(48, 32), middle);
}

} // namespace
