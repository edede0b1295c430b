// "bot" over the generated robot: its closed-form animation, its set-up, and its screen and parts
// when the render target or a mesh is missing.

#include "am_image.h"
#include "bb_support.h"
#include "bot.h"
#include "dis_texture.h"
#include "nvn_system.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace {

class BotTest : public ::testing::Test {
protected:
    void frame(Bot& bot, float t) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        bot.draw(t, 0.02f, 0);
    }
    bool load(Bot& bot) {
        bot.mDisplay = win->display();
        ::testing::internal::CaptureStdout();
        try {
            bot.setup();
        } catch (const norvane::Exception& error) {
            ::testing::internal::GetCapturedStdout();
            ADD_FAILURE() << error.what();
            return false;
        }
        log = ::testing::internal::GetCapturedStdout();
        return true;
    }

    void SetUp() override { win.reset(new bbtest::Window(80, 50, true)); }

    std::unique_ptr<bbtest::Window> win;
    EffectShared shared;
    std::string log;
};

TEST_F(BotTest, TheHeadTurnsHalfRoundThenSwingsBack) {
    EXPECT_FLOAT_EQ(Bot::headAngle(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(Bot::headAngle(2.0f), 2.0f);
    EXPECT_FLOAT_EQ(Bot::headAngle(3.0f), 3.0f);
    EXPECT_NEAR(Bot::headAngle(3.1f), 3.1f + 0.6f * std::sin(0.1f), 1e-5f);
    EXPECT_NEAR(Bot::headAngle(3.2f), 3.1415927f + 0.6f * std::sin(0.2f), 1e-5f);
    EXPECT_NEAR(Bot::headAngle(5.0f), 3.1415927f + 0.6f * std::sin(2.0f), 1e-5f);
}

TEST_F(BotTest, SetupBuildsThePartTreeAndTheAnimationMovesIt) {
    Bot bot(&shared);
    ASSERT_TRUE(load(bot));
    for (const char* mesh : {"body", "head", "leg", "foot", "arm"}) {
        EXPECT_NE(bot.findMesh(mesh), nullptr) << mesh;
        EXPECT_NE(log.find(std::string("Loading mesh: ") + mesh + "\n"), std::string::npos) << mesh;
    }
    ASSERT_EQ(bot.getParts().size(), 1u);
    const Bot::Part& body = bot.getParts()[0];
    ASSERT_EQ(body.children.size(), 6u);
    const char* names[] = {"head", "leg", "leg", "texture", "arm", "arm"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(body.children[i].name, names[i]);
    EXPECT_EQ(body.children[0].children.at(0).name, "brus");
    EXPECT_EQ(body.children[1].children.at(0).name, "foot");
    EXPECT_FLOAT_EQ(body.children[5].angles.y, 3.1415927f);

    bot.animate(0.0f);
    EXPECT_NEAR(body.position.y, 0.3 * std::cos(3.3415926535897933), 1e-6);
    EXPECT_NEAR(body.position.y, -0.294f, 1e-3f);
    EXPECT_FLOAT_EQ(body.children[0].angles.y, 0.0f);
    EXPECT_FLOAT_EQ(body.children[1].angles.x, 0.0f);
    EXPECT_FLOAT_EQ(body.children[2].angles.x, 0.0f);
    bot.animate(0.3f);
    const float m = std::sin(1.2f);
    EXPECT_NEAR(body.children[1].angles.x, 0.6f * m, 1e-6f);
    EXPECT_NEAR(body.children[2].angles.x, -0.6f * m, 1e-6f);
    EXPECT_NEAR(body.children[2].children[0].angles.x, 0.6f * m + 0.4f * std::sin(0.3f + 2.199114857512855f), 1e-5f);
    EXPECT_NEAR(body.children[1].children[0].angles.x, -0.6f * m - 0.4f * std::sin(1.2f + 2.199114857512855f), 1e-5f);
    EXPECT_NEAR(body.children[4].angles.x, 0.5f * m, 1e-6f);
}

TEST_F(BotTest, WithoutItsSceneFileSetupNamesIt) {
    win.reset(); // one display at a time
    bbtest::Window bare(16, 16, false);
    Bot bot(&shared);
    bot.mDisplay = bare.display();
    try {
        bot.setup();
        ADD_FAILURE() << "set-up without the robot";
    } catch (const norvane::Exception& error) {
        EXPECT_STREQ(error.what(), "File 'bot/robot.kvx' not found.");
    }
}

TEST_F(BotTest, TheScreenShowsTheTargetAndNothingWithoutIt) {
    Bot bot(&shared);
    ASSERT_TRUE(load(bot));
    // At t = 0 the camera stands half a unit in front of the screen.
    frame(bot, 0.0f);
    const std::vector<int> without = win->pixel(40, 25);
    EXPECT_LT(without[0], without[2] + 40); // the steel of the face, not red

    shared.targets["screen"] = nullptr; // a name without a target is no target either
    frame(bot, 0.0f);
    EXPECT_EQ(win->pixel(40, 25), without);

    norvane::am::Image red(new norvane::am::ImageObject(4, 4));
    unsigned char* p = red->getWriteData();
    for (int i = 0; i < 16; ++i) {
        p[4 * i + 0] = 0;   // blue
        p[4 * i + 1] = 0;   // green
        p[4 * i + 2] = 255; // red
        p[4 * i + 3] = 255;
    }
    norvane::display::Texture colour(win->display());
    colour.setImage(red, false);
    RenderTarget target;
    target.texture = &colour;
    shared.targets["screen"] = &target;
    frame(bot, 0.0f);
    const std::vector<int> shown = win->pixel(40, 25);
    EXPECT_GT(shown[0], 200);
    EXPECT_LT(shown[1], 40);
    EXPECT_LT(shown[2], 40);
    shared.targets.clear();
}

TEST_F(BotTest, APartWhoseMeshIsMissingDrawsNothing) {
    // A robot of a body alone, found before the generated one.
    norvane::kvx::Manager robot;
    norvane::kvx::Manager full;
    {
        std::ifstream in(std::string(HALCYRA_DEMO_DIR) + "/bot/robot.kvx", std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty());
        full.load(bytes.data(), static_cast<int>(bytes.size()));
    }
    norvane::kvx::Mesh* body = full.getMesh("body");
    ASSERT_NE(body, nullptr);
    full.meshes.erase(std::find(full.meshes.begin(), full.meshes.end(), body));
    robot.meshes.push_back(body);
    robot.meshIndex["body"] = 0;
    win->write("bot/robot.kvx", bbtest::bytesOf(robot));

    Bot bot(&shared);
    ASSERT_TRUE(load(bot));
    EXPECT_EQ(bot.findMesh("head"), nullptr);
    frame(bot, 0.0f); // neither head nor screen: the camera looks into the dark
    EXPECT_EQ(win->pixel(40, 25), std::vector<int>({0, 0, 0}));
    frame(bot, 2.0f);
}

TEST_F(BotTest, TheSameTimeGivesTheSamePicture) {
    Bot bot(&shared);
    ASSERT_TRUE(load(bot));
    std::vector<unsigned char> first(80 * 50 * 4), second(80 * 50 * 4);
    frame(bot, 1.3f);
    glReadPixels(0, 0, 80, 50, GL_RGBA, GL_UNSIGNED_BYTE, first.data());
    frame(bot, 7.0f);
    frame(bot, 1.3f);
    glReadPixels(0, 0, 80, 50, GL_RGBA, GL_UNSIGNED_BYTE, second.data());
    EXPECT_EQ(first, second);
}

} // namespace
