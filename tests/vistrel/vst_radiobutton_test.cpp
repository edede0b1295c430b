// Radio buttons and check boxes driven through the window: choices, notifications, the option
// list's edits, and the markers as drawn.

#include "vst_ctrl_support.h"

#include "vst_radiobutton.h"

using namespace vsttest;
using norvane::vistrel::Checkbox;
using norvane::vistrel::RadioButton;

namespace {

class RadioTest : public CtrlTest {
protected:
    void SetUp() override {
        CtrlTest::SetUp();
        start(300, 240, layoutOf("<radiobutton id='radio'><area x='20' y='20' width='200' height='80'/>"
                                 "<option name='Low'/><option name='Mid' checked='true'/><option name='High'/>"
                                 "</radiobutton>"
                                 "<checkbox id='check'><area x='20' y='130' width='200' height='80'/>"
                                 "<option name='Glow'/><option name='Fog' checked='true'/><option name='Fog'/>"
                                 "</checkbox>"));
        radio = get<RadioButton>("radio");
        check = get<Checkbox>("check");
        h = radio->rowHeight();
        root->getWorkspace().addCallback(&app);
    }
    // The middle of option i's row in a list.
    float rowY(RadioButton* list, int i) const { return list->getScreenArea().y1 + (i + 0.5f) * h; }
    void clickOption(RadioButton* list, int i) { input.click(100, rowY(list, i)); }
    std::vector<int> codes() const {
        std::vector<int> v;
        for (auto& c : app.controls)
            v.push_back(c.second);
        return v;
    }
    RadioButton* radio = nullptr;
    Checkbox* check = nullptr;
    float h = 0;
    Recorder app;
};

} // namespace

TEST_F(RadioTest, LoadedOptionsAndClasses) {
    ASSERT_GT(h, 4);
    EXPECT_EQ(3u, radio->getOptions().size());
    EXPECT_EQ("Mid", radio->getSelectedText());
    EXPECT_EQ(1, radio->getSelectedIndex());
    EXPECT_FALSE(radio->isMultiSelect());
    EXPECT_EQ("checkbox", check->getClassName());
    EXPECT_EQ("radiobutton", RadioButton().getName());
    EXPECT_EQ("radiobutton", Checkbox().getName());
    EXPECT_TRUE(check->isMultiSelect());
    // Options are checked as the layout gives them; a later option of the same text keeps its own.
    EXPECT_TRUE(check->isChecked("Fog"));
    EXPECT_FALSE(check->getOptions()[2].checked);
    EXPECT_FALSE(check->isChecked("Glow"));
    EXPECT_FALSE(check->isChecked("Nothing"));
    // Nothing selected before a choice.
    RadioButton fresh;
    fresh.addOption("one", false);
    EXPECT_EQ(-1, fresh.getSelectedIndex());
    EXPECT_EQ("", fresh.getSelectedText());
}

TEST_F(RadioTest, AClickSelectsAndReportsEvenTheSelectedOption) {
    clickOption(radio, 2);
    EXPECT_EQ("High", radio->getSelectedText());
    EXPECT_EQ(std::vector<int>({6}), codes());
    EXPECT_EQ(radio, app.controls[0].first);
    clickOption(radio, 2);
    EXPECT_EQ(std::vector<int>({6, 6}), codes());
    // A right click or a click below the options does nothing.
    input.click(100, rowY(radio, 0), GLFW_MOUSE_BUTTON_RIGHT);
    input.click(100, rowY(radio, 3) + 2);
    EXPECT_EQ("High", radio->getSelectedText());
    EXPECT_EQ(2u, codes().size());
}

TEST_F(RadioTest, APressAndAReleaseOnDifferentOptionsSelectNothing) {
    input.press(100, rowY(radio, 0));
    EXPECT_EQ(0, radio->getPressedIndex());
    input.release(100, rowY(radio, 2));
    EXPECT_EQ("Mid", radio->getSelectedText());
    EXPECT_TRUE(codes().empty());
    // That release ended the press: a later release on the first option, of a press made
    // outside the list, chooses nothing either.
    EXPECT_EQ(-1, radio->getPressedIndex());
    input.press(260, 10);
    input.release(100, rowY(radio, 0));
    EXPECT_EQ("Mid", radio->getSelectedText());
    EXPECT_TRUE(codes().empty());
}

TEST_F(RadioTest, CheckBoxesToggleEachOptionByItself) {
    clickOption(check, 0);
    EXPECT_TRUE(check->isChecked("Glow"));
    clickOption(check, 0);
    EXPECT_FALSE(check->isChecked("Glow"));
    clickOption(check, 1);
    EXPECT_FALSE(check->isChecked("Fog"));
    clickOption(check, 2);
    EXPECT_TRUE(check->getOptions()[2].checked); // the other "Fog" has its own flag
    EXPECT_FALSE(check->isChecked("Fog"));
    EXPECT_EQ(std::vector<int>({2, 3, 3, 2}), codes());
    EXPECT_EQ(2, check->getSelectedIndex());
    // In code, every option of a text follows.
    check->setChecked("Fog", false);
    EXPECT_FALSE(check->getOptions()[2].checked);
    check->setChecked("Fog", true);
    EXPECT_TRUE(check->getOptions()[1].checked);
    EXPECT_TRUE(check->getOptions()[2].checked);
}

TEST_F(RadioTest, SetCheckedSelectsTheLastOptionOfThatTextWhateverTheFlag) {
    radio->setChecked("Low", false);
    EXPECT_EQ("Low", radio->getSelectedText());
    radio->addOption("Low", false);
    radio->setChecked("Low", true);
    EXPECT_EQ(3, radio->getSelectedIndex());
    radio->setChecked("Missing", true);
    EXPECT_EQ(3, radio->getSelectedIndex());
    EXPECT_TRUE(codes().empty());
}

TEST_F(RadioTest, ClearingTheOptionsLeavesNoStaleIndex) {
    input.cursor(100, rowY(radio, 2));
    EXPECT_EQ(2, radio->getHoverIndex());
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    EXPECT_EQ(2, radio->getPressedIndex());
    radio->clearOptions();
    EXPECT_EQ(-1, radio->getSelectedIndex());
    EXPECT_EQ(-1, radio->getHoverIndex());
    EXPECT_EQ(-1, radio->getPressedIndex());
    EXPECT_EQ("", radio->getSelectedText());
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_TRUE(codes().empty());
    // A new list starts with nothing selected, and nothing is drawn as chosen.
    radio->addOption("A", false);
    radio->addOption("B", false);
    EXPECT_EQ("", radio->getSelectedText());
    input.cursor(280, 230);
    frame();
    int y = static_cast<int>(rowY(radio, 1));
    int x = static_cast<int>(20 + h / 2);
    EXPECT_GT(rgb(x, y).r, 200); // the marker's light centre, no dot
}

TEST_F(RadioTest, MarkersDotsAndTextAreDrawn) {
    input.cursor(100, rowY(radio, 0)); // hover the first option
    frame();
    shot("radio.png");
    int cx = static_cast<int>(20 + h / 2);
    // The selected option has a black dot in a light marker; the others are light.
    EXPECT_LT(rgb(cx, static_cast<int>(rowY(radio, 1))).r, 20);
    EXPECT_GT(rgb(cx, static_cast<int>(rowY(radio, 2))).r, 200);
    // The hovered one has the darker highlight marker.
    int hover = rgb(cx, static_cast<int>(rowY(radio, 0))).r;
    EXPECT_GT(hover, 120);
    EXPECT_LT(hover, 180);
    // Round markers: the corners of the marker box stay dark.
    EXPECT_LT(rgb(20 + 4, static_cast<int>(20 + h + 4)).r, 40);
    // Square markers of the check box fill their corners; the checked "Fog" has its black tick.
    int top = static_cast<int>(check->getScreenArea().y1);
    EXPECT_GT(rgb(20 + 5, top + 5).r, 200);
    EXPECT_LT(rgb(cx, static_cast<int>(rowY(check, 1))).r, 20);
    // Option text right of the marker: white, and yellowish for the hovered option.
    auto whiteText = inkColumns(static_cast<int>(rowY(radio, 2)) - 3, static_cast<int>(rowY(radio, 2)) + 3,
                                static_cast<int>(20 + h), 200);
    EXPECT_NEAR(20 + h, whiteText.first, 3);
    bool yellow = false;
    for (int x = static_cast<int>(20 + h); x < 120; ++x)
        for (int y = static_cast<int>(rowY(radio, 0)) - 3; y <= rowY(radio, 0) + 3; ++y)
            yellow = yellow || (rgb(x, y).r > 200 && rgb(x, y).g > 200 && rgb(x, y).b < 170 && rgb(x, y).b > 100);
    EXPECT_TRUE(yellow);
}
