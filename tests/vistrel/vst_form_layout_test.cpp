// The form layout that uses every control, loaded with its style through the archives into a
// real window, used through the window's input, and drawn.

#include "vst_ctrl_support.h"

#include "vst_button.h"
#include "vst_dropdown.h"
#include "vst_radiobutton.h"
#include "vst_slider.h"
#include "vst_textinput.h"

using namespace vsttest;
using namespace norvane::vistrel;

namespace {

class FormLayoutTest : public CtrlTest {
protected:
    void SetUp() override {
        CtrlTest::SetUp();
        open(480, 260);
        archives->addArchive(HALCYRA_SOURCE_DIR "/tests/vistrel/data/form");
        input.window = glfwGetCurrentContext();
        root.reset(new Vistrel(display.get()));
        root->load("layout.xml");
        root->getWorkspace().addCallback(&app);
        input.cursor(1, 1);
    }
    std::vector<int> codes() const {
        std::vector<int> v;
        for (auto& c : app.controls)
            v.push_back(c.second);
        return v;
    }
    Recorder app;
};

} // namespace

TEST_F(FormLayoutTest, EveryControlIsMadeFromItsTagAndStyled) {
    EXPECT_EQ("button", get<Button>("play")->getClassName());
    EXPECT_TRUE(get<Button>("loop")->isToggleMode());
    EXPECT_EQ("Normal", get<Dropdown>("quality")->getSelectedText());
    EXPECT_EQ("normal", get<Dropdown>("quality")->getSelectedName());
    EXPECT_EQ("tunnel", get<TextInput>("name")->getInputText());
    EXPECT_FLOAT_EQ(60, get<TextInput>("rate")->getFloat());
    EXPECT_TRUE(get<TextInput>("rate")->isNumeric());
    EXPECT_TRUE(get<TextInput>("key")->isPassword());
    EXPECT_EQ("Multiply", get<RadioButton>("blend")->getSelectedText());
    EXPECT_EQ("checkbox", get<Checkbox>("layers")->getClassName());
    EXPECT_TRUE(get<Checkbox>("layers")->isChecked("Grain"));
    EXPECT_FLOAT_EQ(80, get<Slider>("volume")->getValue());
    // The time slider takes its direction and knob size from its class style.
    EXPECT_FALSE(get<Slider>("time")->isVertical());
    EXPECT_FLOAT_EQ(4, get<Slider>("time")->getSize());
    EXPECT_TRUE(get<Slider>("volume")->isVertical());
    // Styles: the button's face from the style file; the numeric field from its class style.
    const float* face = get<Button>("play")->getColor(Control::BlockBack, Control::StateColor, Control::First);
    EXPECT_NEAR(0xf0 / 255.0f, face[0], 1e-5);
    const float* field = get<TextInput>("rate")->getColor(Control::BlockBack, Control::StateColor, Control::First);
    EXPECT_NEAR(0xe0 / 255.0f, field[2], 1e-5);
}

TEST_F(FormLayoutTest, TheFormIsUsedThroughTheWindowAndDrawn) {
    // A click on Play, Loop latched, Screen chosen, Fog checked, the quality set to Final,
    // the rate typed over, and the time slider dragged to the middle.
    input.click(60, 52);
    input.click(160, 52);
    RadioButton* blend = get<RadioButton>("blend");
    float h = blend->rowHeight();
    input.click(300, 40 + 2.5f * h);
    input.click(300, 110 + 1.5f * h);
    input.click(150, 90);
    input.cursor(150, 102 + 5 + 2 * 15 + 5);
    input.click(150, 102 + 5 + 2 * 15 + 5);
    TextInput* rate = get<TextInput>("rate");
    input.click(229, 160); // caret at the end
    input.tap(GLFW_KEY_BACKSPACE);
    input.tap(GLFW_KEY_BACKSPACE);
    input.type("72.5");
    Slider* time = get<Slider>("time");
    float knob = time->knobRect().x1 + 2;
    input.cursor(knob, 238);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    input.cursor(240, 238);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);

    EXPECT_TRUE(get<Button>("loop")->isToggled());
    EXPECT_EQ("Screen", blend->getSelectedText());
    EXPECT_TRUE(get<Checkbox>("layers")->isChecked("Fog"));
    EXPECT_EQ("Final", get<Dropdown>("quality")->getSelectedText());
    EXPECT_FLOAT_EQ(72.5f, rate->getFloat());
    EXPECT_NEAR(60, time->getValue(), 0.5);
    std::vector<int> want = {0, 1, 0, 6, 2, 5, 12, 12, 12, 12, 12, 12, 8};
    EXPECT_EQ(want, codes());

    input.cursor(470, 5);
    frame();
    shot("form_layout.png");
    // The latched Loop button's pushed face from the style, the Play face light.
    EXPECT_LT(rgb(200, 43).r, 120);
    EXPECT_GT(rgb(100, 43).r, 220);
    // The numeric field's cream face from its class style.
    EXPECT_GT(rgb(95, 151).r, 240);
    EXPECT_LT(rgb(95, 151).b, 235);
    // The time slider's knob in the middle of its track.
    EXPECT_GT(rgb(240, 232).r, 180);
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}
