// Push and toggle buttons driven through the window: notifications, the pressed state and how
// they are drawn.

#include "vst_ctrl_support.h"

#include "vst_button.h"

using namespace vsttest;
using norvane::vistrel::Button;

namespace {

class ButtonTest : public CtrlTest {
protected:
    void SetUp() override {
        CtrlTest::SetUp();
        start(300, 200, layoutOf("<button id='push' caption='Play'><area x='20' y='20' width='100' height='30'/></button>"
                                 "<button id='latch' caption='Loop' toggled='true'>"
                                 "<area x='20' y='80' width='100' height='30'/></button>"
                                 "<button id='bare'><area x='150' y='20' width='100' height='30'/></button>"));
        push = get<Button>("push");
        latch = get<Button>("latch");
        root->getWorkspace().addCallback(&app);
    }
    std::vector<int> codes() const {
        std::vector<int> v;
        for (auto& c : app.controls)
            v.push_back(c.second);
        return v;
    }
    Button* push = nullptr;
    Button* latch = nullptr;
    Recorder app;
};

} // namespace

TEST_F(ButtonTest, LoadsCaptionAndMode) {
    EXPECT_EQ("Play", push->getText());
    EXPECT_FALSE(push->isToggleMode());
    EXPECT_TRUE(latch->isToggleMode());
    // No caption: no text, not the constructor's "button".
    EXPECT_EQ("", get<Button>("bare")->getText());
    EXPECT_EQ("button", push->getClassName());
}

TEST_F(ButtonTest, APushButtonSendsPushedOnThePressAndReleasedOverItself) {
    input.press(60, 35);
    EXPECT_EQ(std::vector<int>({0}), codes());
    EXPECT_EQ(push, app.controls[0].first);
    EXPECT_TRUE(push->isPressed());
    input.release(61, 36);
    EXPECT_EQ(std::vector<int>({0, 1}), codes());
    EXPECT_FALSE(push->isPressed());

    // Released elsewhere: only the press is reported, and the button lets go.
    input.press(60, 35);
    input.release(250, 180);
    EXPECT_EQ(std::vector<int>({0, 1, 0}), codes());
    EXPECT_FALSE(push->isPressed());

    // A press whose code hides the button (it closes the dialog the button is in) leaves it let go.
    struct Hider : Callback {
        void onControl(Control* source, int) override { source->setVisible(false); }
    } hider;
    push->addCallback(&hider);
    input.press(60, 35);
    EXPECT_FALSE(push->isVisible());
    EXPECT_FALSE(push->isPressed());
}

TEST_F(ButtonTest, OtherButtonsAndInactiveButtonsDoNothing) {
    input.press(60, 35, GLFW_MOUSE_BUTTON_RIGHT);
    input.release(60, 35, GLFW_MOUSE_BUTTON_RIGHT);
    input.press(60, 35, GLFW_MOUSE_BUTTON_MIDDLE);
    input.release(60, 35, GLFW_MOUSE_BUTTON_MIDDLE);
    EXPECT_TRUE(codes().empty());

    push->setInactive(true);
    input.press(60, 35);
    EXPECT_FALSE(push->isPressed()); // not armed
    input.release(60, 35);
    EXPECT_TRUE(codes().empty());
}

TEST_F(ButtonTest, AToggleButtonFlipsOnEachReleaseOverIt) {
    input.press(60, 95);
    EXPECT_TRUE(codes().empty());
    input.release(60, 95);
    EXPECT_EQ(std::vector<int>({0}), codes());
    EXPECT_TRUE(latch->isToggled());
    // A release elsewhere does not flip it.
    input.press(60, 95);
    input.release(200, 190);
    EXPECT_TRUE(latch->isToggled());
    input.press(60, 95);
    input.release(60, 95);
    EXPECT_EQ(std::vector<int>({0, 1}), codes());
    EXPECT_FALSE(latch->isToggled());
}

TEST_F(ButtonTest, FacesAndCaptionFollowTheState) {
    input.cursor(280, 190);
    frame();
    shot("button.png");
    // Normal face: a white-to-grey gradient inside a dark border.
    EXPECT_LT(rgb(20, 35).r, 40);
    EXPECT_GT(rgb(60, 22).r, 240);
    EXPECT_LT(rgb(60, 48).r, 200);
    // The caption is centred in black.
    float w = root->getWorkspace().getRender()->textWidth("Play");
    auto ink = darkColumns(28, 42, 22, 117);
    EXPECT_NEAR(70 - w / 2, ink.first, 3);
    EXPECT_NEAR(70 + w / 2, ink.second, 4);

    // Hovered: the highlight face, a touch pink at the top.
    input.cursor(100, 25);
    frame();
    EXPECT_GT(rgb(110, 22).r, rgb(110, 22).b);

    // Pressed over it: the pushed face, darker at the top than the normal one.
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    frame();
    EXPECT_LT(rgb(110, 22).r, 130);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);

    // A latched toggle stays pushed with the pointer elsewhere, caption moved by 2 pixels.
    input.click(60, 95);
    input.cursor(280, 190);
    frame();
    EXPECT_LT(rgb(110, 82).r, 130);
    auto latched = darkColumns(88, 104, 22, 117);
    input.click(60, 95);
    input.cursor(280, 190);
    frame();
    EXPECT_GT(rgb(110, 82).r, 240);
    auto plain = darkColumns(88, 104, 22, 117);
    EXPECT_EQ(plain.first + 2, latched.first);
    EXPECT_EQ(plain.second + 2, latched.second);
}
