// The stat graph on a real window: values averaged over the interval become rolling points, the
// history keeps one point per pixel, the scale eases towards the largest point, and the line is
// drawn at the scaled height (and not at all before there is a scale).

#include "vst_controls_support.h"

#include "vst_stat.h"

using namespace vsttest;
using norvane::vistrel::Stat;

namespace {

class StatTest : public ControlsTest {
protected:
    Stat* st() { return get<Stat>("st"); }
    // Display time t (the window library's clock in the default pacing mode).
    void at(double t) { glfwSetTime(t); }
    using ControlsTest::at;
};

bool yellow(int r, int g, int b) { return r > 200 && g > 200 && b < 100; }

} // namespace

TEST_F(StatTest, ValuesWithinTheIntervalBecomeOnePointOfTheirAverage) {
    loadControls("<stat id='st'><area x='50' y='50' width='200' height='100'/></stat>");
    ASSERT_NE(nullptr, st());
    // Loading fills the workspace before the area applies; the history keeps that width.
    EXPECT_EQ(400u, st()->getHistory().size());
    EXPECT_FLOAT_EQ(0.1f, st()->getInterval());
    at(0.05);
    for (int i = 0; i < 60; ++i)
        st()->addValue(static_cast<float>(i));
    EXPECT_FLOAT_EQ(0, st()->getHistory()[0]);
    at(0.2);
    st()->addValue(60);
    EXPECT_FLOAT_EQ(30, st()->getHistory()[0]); // the average of 0 .. 60
    EXPECT_FLOAT_EQ(30, st()->getMax());

    // The next value starts a new average; points roll towards the end.
    at(0.35);
    st()->addValue(10);
    EXPECT_FLOAT_EQ(10, st()->getHistory()[0]);
    EXPECT_FLOAT_EQ(30, st()->getHistory()[1]);

    // The clock going back pauses new points until it passes the last update plus the interval.
    at(0.1);
    st()->addValue(100);
    at(0.4);
    st()->addValue(100);
    EXPECT_FLOAT_EQ(10, st()->getHistory()[0]);
    at(0.46);
    st()->addValue(100);
    EXPECT_FLOAT_EQ(100, st()->getHistory()[0]);

    // Values that are not numbers are not counted.
    at(1.0);
    st()->addValue(std::nanf(""));
    st()->addValue(INFINITY);
    EXPECT_FLOAT_EQ(100, st()->getHistory()[0]);
    st()->addValue(4);
    EXPECT_FLOAT_EQ(4, st()->getHistory()[0]);

    // One point per pixel: narrower keeps every point; wider grows.
    Stat* made = new Stat();
    made->setArea(Rect(0, 0, 200, 50));
    root->addControl(made);
    EXPECT_EQ(200u, made->getHistory().size());
    made->setArea(Rect(0, 0, 100, 50));
    EXPECT_EQ(200u, made->getHistory().size());
    made->setArea(Rect(0, 0, 250, 50));
    EXPECT_EQ(250u, made->getHistory().size());
    // An absurd width does not become an absurd history.
    made->setArea(Rect(0, 0, 1e30f, 50));
    EXPECT_EQ(16384u, made->getHistory().size());
    made->setArea(Rect(0, 0, INFINITY, 50));
    EXPECT_EQ(16384u, made->getHistory().size());
}

TEST_F(StatTest, TheLineIsDrawnAtTheEasedScaleAndNotBeforeThereIsOne) {
    loadControls("<stat id='st'><area x='50' y='50' width='200' height='100'/></stat>");
    // Nothing recorded: the background only, no line anywhere.
    frame();
    EXPECT_EQ(0, countPixels(0, 0, 399, 299, yellow));
    EXPECT_GT(at(100, 52, 0), 240); // white at the top of the background
    EXPECT_LT(at(100, 148, 0), 200); // grey at the bottom

    for (int k = 0; k < 21; ++k) {
        at(1.0 + 0.2 * k);
        st()->addValue(30);
    }
    EXPECT_FLOAT_EQ(30, st()->getMax());
    frame();
    EXPECT_FLOAT_EQ(30 * 0.04f, st()->getScale()); // 4 % of the gap per drawn frame
    for (int i = 0; i < 400; ++i)
        root->getWorkspace().draw();
    EXPECT_NEAR(30, st()->getScale(), 0.01);
    frame();
    shot("vistrel_stat.png");
    // Points 0 .. 20 at x 250 .. 230 lie at 50 + 102 - 96 = 56; older zeros below the bottom.
    EXPECT_GT(countPixels(232, 54, 248, 58, yellow), 16);
    EXPECT_EQ(0, countPixels(232, 60, 248, 149, yellow));
    EXPECT_GT(countPixels(228, 60, 231, 140, yellow), 40); // the drop to the zeros
    EXPECT_EQ(0, countPixels(51, 51, 220, 149, yellow));

    // A value twice the maximum overshoots the top until the scale catches up.
    at(10.0);
    st()->addValue(60);
    EXPECT_FLOAT_EQ(60, st()->getMax());
    float before = st()->getScale();
    frame();
    EXPECT_NEAR(before + (60 - before) * 0.04f, st()->getScale(), 1e-4);
    EXPECT_LT(st()->pointY(60), 50);
    for (int i = 0; i < 400; ++i)
        root->getWorkspace().draw();
    EXPECT_NEAR(56, st()->pointY(60), 0.1);
}
