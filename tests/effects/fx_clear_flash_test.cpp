// "clear" and "flash" drawn for real into a small window, read back before the swap.

#include "clear.h"
#include "dis_display.h"
#include "effect_shared.h"
#include "flash.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

namespace {

class EffectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        norvane::display::WindowMode mode;
        mode.title = "fx-clear-flash";
        mode.width = 32;
        mode.height = 32;
        mDisplay = new norvane::display::DisplayGL(mode);
        mDisplay->open();
        mClear.mDisplay = mDisplay;
        mFlash.mDisplay = mDisplay;
        mFlash2.mDisplay = mDisplay;
        Flash::resetShared();
    }
    void TearDown() override { delete mDisplay; }

    // The red of the centre pixel, 0..255.
    int red() {
        unsigned char pixel[4] = {};
        glReadBuffer(GL_BACK);
        glReadPixels(16, 16, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        return pixel[0];
    }
    // One frame: black background, then the given flashes.
    int frame(float step, bool second = false) {
        mClear.start();
        mClear.draw(0, step, 0);
        mFlash.draw(0, step, 0);
        if (second) mFlash2.draw(0, step, 0);
        return red();
    }

    norvane::display::DisplayGL* mDisplay = nullptr;
    EffectShared mShared;
    Clear mClear;
    Flash mFlash{&mShared};
    Flash mFlash2{&mShared};
};

TEST_F(EffectsTest, ClearFollowsItsTriggersUntilTheNextStart) {
    mClear.start();
    mClear.draw(0, 0, 0);
    EXPECT_EQ(red(), 0);
    mClear.trigger(0, "white", "");
    mClear.draw(0, 0, 0);
    EXPECT_EQ(red(), 255);
    mClear.trigger(0, "White", ""); // names are exact
    mClear.trigger(0, "black", "x");
    mClear.draw(0, 0, 0);
    EXPECT_EQ(red(), 0);
    mClear.trigger(0, "white", "");
    mClear.start();
    mClear.draw(0, 0, 0);
    EXPECT_EQ(red(), 0);
}

TEST_F(EffectsTest, AlphaValuesHoldUntilTheFirstTrigger) {
    mFlash.setValue(0, "alpha", 0.5f);
    EXPECT_NEAR(frame(0.1f), 128, 1);
    EXPECT_NEAR(frame(0.1f), 128, 1); // no fading yet
    EXPECT_FLOAT_EQ(Flash::alpha(), 0.5f);
    mFlash.trigger(0, "beat", ""); // any trigger starts the fading, only "base" lights
    EXPECT_FLOAT_EQ(Flash::alpha(), 0.5f);
    frame(0.1f);
    EXPECT_NEAR(Flash::alpha(), 0.2f, 1e-6);
}

TEST_F(EffectsTest, BaseIsOpaqueThenTransparentAThirdOfASecondLater) {
    mFlash.trigger(0, "base", "");
    EXPECT_EQ(frame(0.1f), 255);
    EXPECT_NEAR(frame(1.0f / 6.0f), 128, 1);
    EXPECT_EQ(frame(1.0f / 6.0f), 0);
}

TEST_F(EffectsTest, TwoInstancesShareTheOpacityAndFadeTwiceAsFast) {
    mFlash2.trigger(0, "base", ""); // lights the quad of "flash" too
    EXPECT_EQ(frame(0.05f), 255);
    EXPECT_FLOAT_EQ(Flash::alpha(), 1.0f);
    frame(0.05f, true);
    EXPECT_NEAR(Flash::alpha(), 0.7f, 1e-6); // both fade: 6 per second
    mFlash2.start();                         // clears it for both
    EXPECT_EQ(frame(0.05f, true), 0);
}

TEST_F(EffectsTest, AStepBackwardsNeverBrightensTheFlash) {
    mFlash.trigger(0, "base", "");
    frame(0.1f);
    frame(0.1f);
    const float before = Flash::alpha();
    frame(-5.0f); // a seek back by 5 s
    EXPECT_FLOAT_EQ(Flash::alpha(), before);
    frame(0.1f);
    EXPECT_NEAR(Flash::alpha(), before - 0.3f, 1e-6);
}

TEST(EffectSharedTest, StartsAtZero) {
    EffectShared shared;
    EXPECT_TRUE(shared.targets.empty());
    EXPECT_EQ(shared.camera.eye.x, 0.0f);
    EXPECT_EQ(shared.camera.target.z, 0.0f);
    EXPECT_EQ(shared.camera.roll, 0.0f);
    EXPECT_EQ(shared.swing, 0.0f);
}

} // namespace
