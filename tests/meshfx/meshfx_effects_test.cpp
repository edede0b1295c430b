// Each mesh effect played from a short timeline at fixed times, with its frames checked for what
// it must show (and written to the frames folder).

#include "clear.h"
#include "flash.h"
#include "flyg.h"
#include "hedgehog.h"
#include "hus.h"
#include "logo.h"
#include "meshfx_support.h"
#include "rum.h"
#include "scr_reader.h"

#include <GL/glew.h>

#include <cmath>

namespace meshfx {
namespace {

class TimelineTest : public MeshEffectTest {
protected:
    void SetUp() override {
        MeshEffectTest::SetUp();
        Hedgehog::resetParameters();
        Hus::resetParameters();
        Logo::resetParameters();
        Rum::resetParameters();
    }
    void prepare(norvane::corvista::Effect& effect, const std::string& name) {
        effect.mDisplay = mDisplay.get();
        effect.mName = name;
        effect.setup();
        mScript.registerCallback(name, &effect);
    }
};

TEST_F(TimelineTest, HedgehogTurnsUnderItsOrbitingCameraAndFlaresOnTheBeat) {
    Hedgehog hedgehog(&mShared);
    prepare(hedgehog, "hedgehog");
    loadScript(R"(<script><effect name="hedgehog" start="0" end="20">
                   <trigger name="beat" start="3"/>
                 </effect></script>)");

    const Frame first = play(0.0f, "hedgehog_0.0");
    // The camera at (0, 0, 5) looks at the origin; the ball (radius 1.5) sits one unit up.
    EXPECT_FLOAT_EQ(mShared.camera.eye.z, 5.0f);
    EXPECT_FLOAT_EQ(mShared.camera.eye.x, 0.0f);
    double cx = 0, cy = 0;
    first.litCentre(cx, cy);
    EXPECT_NEAR(cx, 0.5, 0.1);
    EXPECT_GT(cy, 0.52); // above the middle of the window
    EXPECT_GT(first.litIn(0.4, 0.55, 0.6, 0.75), 2000);
    EXPECT_EQ(first.litIn(0.0, 0.0, 0.1, 0.1), 0);
    // Grey with s = 0.
    EXPECT_NEAR(first.litMean(0), first.litMean(2), 12);

    const Frame later = play(1.0f, "hedgehog_1.0");
    EXPECT_FLOAT_EQ(mShared.camera.eye.x, 6.0f * std::sin(0.1f));
    EXPECT_GT(later.difference(first), 2.0); // the spikes follow the attractors

    play(2.95f, "hedgehog_2.95");
    const Frame beat = play(3.0f, "hedgehog_3.0_beat");
    EXPECT_NEAR(Hedgehog::beat(), 0.9f, 1e-4f); // fired, less this frame's step
    // s = 0.2 sin(0.9): the colour turns orange, red well above blue.
    EXPECT_GT(beat.litMean(0), beat.litMean(2) + 40);
    const Frame calm = play(3.5f, "hedgehog_3.5");
    EXPECT_FLOAT_EQ(Hedgehog::beat(), 0.0f);
    EXPECT_NEAR(calm.litMean(0), calm.litMean(2), 12);
}

TEST_F(TimelineTest, HusSwingsTheCameraOverTheTurningTubeAndSinksWithY) {
    Hus hus(&mShared);
    prepare(hus, "hus");
    loadScript(R"(<script><effect name="hus" start="0" end="20">
                   <spline name="y"><key time="0" value="0"/><key time="5" value="0"/><key time="6" value="1"/></spline>
                 </effect></script>)");
    const Frame a = play(0.0f, "hus_0.0");
    EXPECT_FLOAT_EQ(mShared.swing, 0.0f);
    EXPECT_FLOAT_EQ(mShared.camera.eye.y, 4.0f);
    EXPECT_FLOAT_EQ(mShared.camera.target.y, 2.53f);
    // The tube's top fills the lower part of the view; the sky above stays clear.
    EXPECT_GT(a.litIn(0.0, 0.0, 1.0, 0.4), static_cast<int>(0.9 * Width * Height * 0.4));
    EXPECT_EQ(a.litIn(0.0, 0.9, 1.0, 1.0), 0);

    const Frame b = play(0.1f, "hus_0.1");
    EXPECT_FLOAT_EQ(mShared.swing, std::sin(0.1f));
    EXPECT_GT(b.difference(a), 1.0); // the planks move on
    const Frame c = play(1.57f, "hus_1.57");
    EXPECT_NEAR(mShared.swing, 1.0f, 1e-3f);
    EXPECT_NEAR(mShared.camera.eye.x, 3.0f, 1e-3f);
    EXPECT_GT(c.litCount(), Width * Height / 4);

    const Frame sunk = play(6.5f, "hus_6.5_sunk");
    EXPECT_FLOAT_EQ(Hus::y(), 1.0f);
    EXPECT_EQ(sunk.litCount(), 0); // ten units down, out of sight
}

TEST_F(TimelineTest, LogoIsDarkUntilItsFirstTriggerAndGrowsWithEachOne) {
    Logo logo(&mShared);
    prepare(logo, "logo");
    EXPECT_TRUE(logo.program.isLinked()); // built although it never draws with it
    loadScript(R"(<script><effect name="logo" start="0" end="20">
                   <trigger name="one" start="1"/>
                   <trigger name="any" start="2" repeat="20" delay="0.05"/>
                 </effect></script>)");
    const Frame dark = play(0.5f, "logo_0.5_dark");
    EXPECT_EQ(dark.litCount(0), 0);
    const Frame one = play(1.0f, "logo_1.0_one");
    EXPECT_EQ(Logo::count(), 1);
    EXPECT_GT(one.litCount(), 200);
    // The fan turns about a pivot below the window and reaches up into it.
    EXPECT_GT(one.litIn(0.0, 0.0, 1.0, 0.3), one.litIn(0.0, 0.7, 1.0, 1.0));
    // Twenty-one rows: the fan stands upright (row 10) with rows leaning either way.
    const Frame all = play(3.5f, "logo_3.5_all");
    EXPECT_EQ(Logo::count(), 21);
    EXPECT_GT(all.total(), 4.0 * one.total());
    const Frame moved = play(3.6f, "logo_3.6_all");
    EXPECT_GT(moved.difference(all), 1.0);
    // A jump back in time re-arms the triggers but keeps the count.
    const Frame back = play(0.5f, "logo_0.5_after_seek");
    EXPECT_EQ(Logo::count(), 21);
    EXPECT_GT(back.litCount(), 200);
}

TEST_F(TimelineTest, PlanesComeFromBehindTheCameraLevelOffAndClimb) {
    Flyg plane(&mShared);
    prepare(plane, "plane");
    loadScript(R"(<script><effect name="plane" start="0" end="30"/></script>)");
    mRecorder.clearRed = 0.1f;  // the plane clears only depth: the frame below stays
    EXPECT_FLOAT_EQ(mShared.swing, 0.0f); // "hus" has not drawn yet
    const Frame start = play(0.0f, "plane_0.0");
    EXPECT_NEAR(start.at(2, 2)[0], 26, 2);

    // At 1 s plane 0 is at z = -4 and level: the small grey body in the middle of the view.
    const Frame one = play(1.0f, "plane_1.0");
    EXPECT_GT(one.litIn(0.4, 0.35, 0.6, 0.6, 32), 15);
    EXPECT_EQ(one.litIn(0.0, 0.0, 1.0, 0.3, 32), 0);
    EXPECT_NEAR(one.at(2, 2)[0], 26, 2);
    // At 2.5 s planes 1 to 5 have arrived in a row and plane 0 climbs out of the top.
    const Frame two = play(2.5f, "plane_2.5");
    double cx = 0, cy = 0;
    two.litCentre(cx, cy, 90);
    EXPECT_GT(two.litIn(0.0, 0.0, 1.0, 1.0, 90), one.litIn(0.0, 0.0, 1.0, 1.0, 90));
    EXPECT_GT(two.difference(one), 0.5);
    const Frame late = play(6.0f, "plane_6.0");
    EXPECT_GT(late.litIn(0.0, 0.0, 1.0, 1.0, 90), 0);
    // Planes bank with the shared swing.
    mShared.swing = 1.0f;
    const Frame banked = play(6.0f + 1e-6f, "plane_6.0_swing");
    EXPECT_GT(banked.difference(late), 0.05);
}

TEST_F(TimelineTest, RumShowsTheRoomFromInsideAndBlinks) {
    Rum rum(&mShared);
    prepare(rum, "rum");
    loadScript(R"(<script><effect name="rum" start="0" end="20">
                   <trigger name="blink" start="1"/>
                   <trigger name="blink" start="1.05"/>
                   <trigger name="block" start="3"/>
                 </effect></script>)");
    const Frame a = play(0.0f, "rum_0.0");
    EXPECT_FLOAT_EQ(Rum::blink(), 0.0f); // start puts the light out
    // The walls surround the camera: every pixel is lit, blue above red (colour (0.5, 0.61, 1)).
    EXPECT_EQ(a.litCount(4), Width * Height);
    EXPECT_GT(a.litMean(2), a.litMean(0) + 20);
    const Frame b = play(0.5f, "rum_0.5");
    EXPECT_GT(b.difference(a), 2.0); // the room turns about X

    const Frame lit = play(1.1f, "rum_1.1_blink");
    EXPECT_NEAR(Rum::blink(), 0.76f - 0.6f, 1e-4f); // two blinks, less the step from 0.5 s
    EXPECT_LT(lit.litMean(2), b.litMean(2));           // the blink turns the blue down
    play(1.5f, "rum_1.5");
    EXPECT_FLOAT_EQ(Rum::blink(), 0.0f);

    play(3.0f, "rum_3.0_block");
    EXPECT_TRUE(Rum::blocked());
    rum.trigger(3.0f, "blink", "");
    play(3.5f, "rum_3.5_blocked");
    EXPECT_NEAR(Rum::blink(), 0.38f, 1e-6f); // the block holds the light
}

} // namespace
} // namespace meshfx

namespace meshfx {
namespace {

// The sample demo's own timeline with every effect it names, sampled once in each section.
TEST_F(TimelineTest, TheSampleDemoPlaysEachMeshSection) {
    Clear clear;
    Flash flash(&mShared), flash2(&mShared);
    Hedgehog hedgehog(&mShared);
    Hus hus(&mShared);
    Rum rum(&mShared);
    Flyg plane(&mShared);
    Logo logo(&mShared);
    Flash::resetShared();
    clear.mDisplay = flash.mDisplay = flash2.mDisplay = mDisplay.get();
    mScript.registerCallback("clear", &clear);
    mScript.registerCallback("flash", &flash);
    mScript.registerCallback("flash2", &flash2);
    prepare(rum, "rum");
    prepare(hus, "hus");
    prepare(hedgehog, "hedgehog");
    prepare(plane, "plane");
    prepare(logo, "logo");
    std::string error;
    ASSERT_TRUE(norvane::script::ScriptReader::loadScriptFile(std::string(MESHFX_DEMO_DIR) + "/timeline.xml", mScript,
                                                              &error))
        << error;
    mScript.computeLength();

    struct Sample {
        float time;
        const char* name;
    };
    // Between kicks, when the flashes have faded (a third of a second after each).
    const Sample samples[] = {{20.4f, "demo_20_hus_logo"},  {26.4f, "demo_26_hus_plane"}, {40.4f, "demo_40_hedgehog"},
                              {80.4f, "demo_80_rum_blink"}, {86.4f, "demo_86_rum_move"},  {90.4f, "demo_90_hedgehog"}};
    Frame previous;
    for (const Sample& sample : samples) {
        SCOPED_TRACE(sample.name);
        // Half a second of frames at 30 per second leads into the sample, as the demo plays it.
        for (int k = 15; k > 0; --k) {
            mRecorder.time = sample.time - static_cast<float>(k) / 30.0f;
            ASSERT_TRUE(mDisplay->update());
        }
        const Frame frame = play(sample.time, sample.name);
        EXPECT_GT(frame.litCount(), Width * Height / 50);
        if (!previous.rgba.empty()) {
            EXPECT_GT(frame.difference(previous), 1.0);
        }
        previous = frame;
    }
    EXPECT_EQ(Logo::count(), 6); // a row on every bar of the groove: 16 s to 26 s, up to the last sample in it
    EXPECT_FALSE(Rum::blocked());
}

} // namespace
} // namespace meshfx
