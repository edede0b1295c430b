// Sliders driven through the window: clicks on the track, the wheel and dragging, the eased
// glide of the knob, the value range and how the knob is drawn.

#include "vst_ctrl_support.h"

#include "vst_slider.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

using namespace vsttest;
using norvane::vistrel::EasedValue;
using norvane::vistrel::Slider;

namespace {

class SliderTest : public CtrlTest {
protected:
    void SetUp() override {
        CtrlTest::SetUp();
        start(300, 260,
              layoutOf("<slider id='v'><area x='20' y='20' width='20' height='200'/></slider>"
                       "<slider id='h' direction='horisontal' min='10' max='30' size='5' percent='0.25'>"
                       "<area x='60' y='20' width='200' height='20'/></slider>"
                       "<slider id='english' direction='horizontal'><area x='60' y='60' width='20' height='20'/></slider>"));
        v = get<Slider>("v");
        h = get<Slider>("h");
        root->getWorkspace().addCallback(&app);
    }
    int changes() const {
        int n = 0;
        for (auto& c : app.controls)
            n += c.second == norvane::vistrel::CodeSliderChanged;
        return n;
    }
    static void waitForGlide() { std::this_thread::sleep_for(std::chrono::milliseconds(350)); }
    Slider* v = nullptr;
    Slider* h = nullptr;
    Recorder app;
};

} // namespace

TEST(EasedValueTest, RunsAQuarterSineFromTheLastSampleToTheTarget) {
    EasedValue e;
    e.setTarget(0.2f, true);
    EXPECT_FLOAT_EQ(0.2f, e.evaluateAt(5, false));
    e.setTarget(1.2f, false);
    // The run starts at the first sample after the target is set: that sample is the old value.
    EXPECT_FLOAT_EQ(0.2f, e.evaluateAt(10, false));
    EXPECT_FLOAT_EQ(1.2f, e.evaluateAt(10, true)); // the target, whatever the time
    EXPECT_NEAR(0.2f + std::sin(3.14159265f / 4), e.evaluateAt(10.15f, false), 1e-4);
    EXPECT_FLOAT_EQ(1.2f, e.evaluateAt(10.31f, false));
    // A new target mid-run starts from the last sampled value, not from the old target.
    e.setTarget(0, true);
    e.setTarget(1, false);
    e.evaluateAt(20, false);
    float mid = e.evaluateAt(20.1f, false);
    e.setTarget(0, false);
    EXPECT_FLOAT_EQ(mid, e.evaluateAt(21, false));
    EXPECT_NEAR(mid * (1 - std::sin(3.14159265f / 4)), e.evaluateAt(21.15f, false), 1e-4);
    // After a finished run the next one starts from where the last one ended.
    e.setTarget(0, true);
    e.setTarget(1, false);
    e.evaluateAt(30, false);
    e.evaluateAt(30.1f, false);
    EXPECT_FLOAT_EQ(1, e.evaluateAt(31, false));
    e.setTarget(0.5f, false);
    EXPECT_FLOAT_EQ(1, e.evaluateAt(32, false));
    EXPECT_NEAR(1 - 0.5f * std::sin(3.14159265f / 4), e.evaluateAt(32.15f, false), 1e-4);
    // Speed: runs per second.
    e.setSpeed(2);
    EXPECT_FLOAT_EQ(0.5f, e.getDuration());
    e.setSpeed(0);
    EXPECT_FLOAT_EQ(0.5f, e.getDuration());
}

TEST_F(SliderTest, DefaultsAndLoadedAttributes) {
    Slider fresh;
    EXPECT_TRUE(fresh.isVertical());
    EXPECT_FLOAT_EQ(0.5f, fresh.getPercent());
    EXPECT_FLOAT_EQ(0, fresh.getMin());
    EXPECT_FLOAT_EQ(1, fresh.getMax());
    EXPECT_FLOAT_EQ(0.5f, fresh.getValue());
    EXPECT_FLOAT_EQ(3, fresh.getSize());

    EXPECT_FALSE(h->isVertical());
    EXPECT_FLOAT_EQ(5, h->getSize());
    EXPECT_FLOAT_EQ(0.25f, h->getPercent());
    EXPECT_FLOAT_EQ(15, h->getValue());
    // Only the spelling the layouts use makes a slider horizontal.
    EXPECT_TRUE(get<Slider>("english")->isVertical());
}

TEST_F(SliderTest, ClicksStepFromTheTargetAndGlide) {
    // Three quick clicks below the knob: 0.7, 0.9, then 1.0, each from the previous target.
    input.click(30, 210);
    EXPECT_NEAR(0.7f, v->getPercent(), 1e-5);
    input.click(30, 210);
    input.click(30, 210);
    EXPECT_FLOAT_EQ(1.0f, v->getPercent());
    EXPECT_EQ(3, changes());
    EXPECT_EQ(v, app.controls[0].first);
    waitForGlide();
    // A click above the knob steps back.
    const double clicked = glfwGetTime(); // the run starts after this
    input.click(30, 25);
    EXPECT_NEAR(0.8f, v->getPercent(), 1e-5);
    // The knob is still drawn where it was when the run starts, and arrives after 0.3 seconds on a
    // quarter sine: each drawing lies between the places for the least and the most time that can
    // have passed since the run started, however long a busy machine took.
    auto knobAfter = [](double seconds) {
        return 20 + (1.0f - 0.2f * std::sin(1.57079632679f * static_cast<float>(std::min(seconds / 0.3, 1.0)))) * 194;
    };
    float y = v->knobRect().y1;
    const double first = glfwGetTime();
    EXPECT_LE(y, knobAfter(0) + 0.02);
    EXPECT_GE(y, knobAfter(first - clicked) - 0.02);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double before = glfwGetTime();
    y = v->knobRect().y1;
    const double after = glfwGetTime();
    EXPECT_LE(y, knobAfter(before - first) + 0.02);
    EXPECT_GE(y, knobAfter(after - clicked) - 0.02);
    waitForGlide();
    EXPECT_NEAR(20 + 0.8f * 194, v->knobRect().y1, 0.01);
    EXPECT_EQ(4, changes());

    // Inactive: clicks change nothing.
    v->setInactive(true);
    input.click(30, 25);
    EXPECT_NEAR(0.8f, v->getPercent(), 1e-5);
    EXPECT_EQ(4, changes());
}

TEST_F(SliderTest, TheWheelMovesUpOnAVerticalAndRightOnAHorizontalSlider) {
    input.cursor(30, 60);
    input.wheel(1);
    EXPECT_NEAR(0.4f, v->getPercent(), 1e-5);
    input.wheel(-3);
    EXPECT_NEAR(0.7f, v->getPercent(), 1e-5);
    input.wheel(-5);
    EXPECT_FLOAT_EQ(1.0f, v->getPercent()); // clamped
    input.cursor(200, 30);
    input.wheel(1);
    EXPECT_NEAR(0.35f, h->getPercent(), 1e-5);
    EXPECT_NEAR(17, h->getValue(), 1e-4);
    EXPECT_EQ(4, changes());
    // Away from every slider the wheel changes nothing.
    input.cursor(150, 200);
    input.wheel(1);
    EXPECT_EQ(4, changes());
}

TEST_F(SliderTest, ADraggedKnobFollowsThePointerAtOnceEvenOutsideTheSlider) {
    // The knob at 0.5 spans 117..123; its hot zone is two pixels longer at each end.
    input.cursor(30, 116);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    EXPECT_TRUE(v->isDragging());
    EXPECT_EQ(0, changes());
    input.cursor(30, 70);
    EXPECT_FLOAT_EQ(0.25f, v->getPercent());
    EXPECT_NEAR(20 + 0.25f * 194, v->knobRect().y1, 0.01); // no glide
    input.cursor(250, 300);
    EXPECT_FLOAT_EQ(1.0f, v->getPercent());
    input.cursor(250, 0);
    EXPECT_FLOAT_EQ(0.0f, v->getPercent());
    EXPECT_EQ(3, changes());
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_FALSE(v->isDragging());
    input.cursor(250, 100);
    EXPECT_EQ(3, changes());
    // Hidden mid-drag, it hears no release: shown again, it must not follow the pointer.
    input.cursor(30, 22);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    ASSERT_TRUE(v->isDragging());
    v->setVisible(false);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    v->setVisible(true);
    EXPECT_FALSE(v->isDragging());
    input.cursor(30, 150);
    EXPECT_FLOAT_EQ(0.0f, v->getPercent());
    EXPECT_EQ(3, changes());
}

TEST_F(SliderTest, ValuesMapLinearlyAndAnEmptyRangeSitsAtTheStart) {
    h->setValue(25, true);
    EXPECT_FLOAT_EQ(0.75f, h->getPercent());
    // Outside the range: a position outside 0..1, not clamped.
    h->setValue(40, true);
    EXPECT_FLOAT_EQ(1.5f, h->getPercent());
    EXPECT_FLOAT_EQ(40, h->getValue());
    // Minimum equal to maximum: position 0, and no division by zero.
    h->setMin(5);
    h->setMax(5);
    h->setValue(7, true);
    EXPECT_FLOAT_EQ(0, h->getPercent());
    EXPECT_FLOAT_EQ(5, h->getValue());
    EXPECT_FALSE(std::isnan(h->knobRect().x1));
    EXPECT_TRUE(app.controls.empty()); // changes made in code notify nothing
}

TEST_F(SliderTest, TrackAndKnobColoursFollowHoverAndDrag) {
    frame();
    // Track: a 2-pixel bar in the middle, dark grey; the knob light grey across the full width.
    EXPECT_NEAR(79, rgb(30, 60).r, 2);
    EXPECT_EQ(0, rgb(25, 60).r);
    EXPECT_NEAR(178, rgb(22, 120).r, 2);
    EXPECT_EQ(0, rgb(22, 126).r);
    // Horizontal slider at 0.25 with a 10-pixel knob: 60 + 0.25 * 190 = 107.5 .. 117.5.
    EXPECT_NEAR(178, rgb(112, 22).r, 2);
    EXPECT_NEAR(79, rgb(150, 30).r, 2);

    input.cursor(30, 120);
    frame();
    EXPECT_EQ(255, rgb(22, 120).r); // hovered knob
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    input.cursor(30, 170);
    frame();
    EXPECT_NEAR(130, rgb(22, 170).r, 2); // dragged knob, where the pointer is
    EXPECT_NEAR(79, rgb(30, 120).r, 2);  // only the track left behind
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
}
