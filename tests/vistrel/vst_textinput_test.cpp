// Text fields driven through the window's keys, characters and mouse: caret, selection, insert
// and overwrite, the number filter, password masking, scrolling and how the field is drawn.

#include "growth_timing.h"
#include "vst_ctrl_support.h"

#include "vst_textinput.h"

using namespace vsttest;
using norvane::vistrel::TextInput;

namespace {

class TextInputTest : public CtrlTest {
protected:
    void SetUp() override {
        CtrlTest::SetUp();
        start(320, 200, layoutOf("<textinput id='num' type='numeric'><area x='20' y='20' width='200' height='24'/></textinput>"
                                 "<textinput id='txt' text='hello'><area x='20' y='60' width='200' height='24'/></textinput>"
                                 "<textinput id='pw' type='password' text='12.5'>"
                                 "<area x='20' y='100' width='200' height='24'/></textinput>"
                                 "<textinput id='off' inactive='true' text='locked'>"
                                 "<area x='20' y='140' width='200' height='24'/></textinput>"));
        num = get<TextInput>("num");
        txt = get<TextInput>("txt");
        root->getWorkspace().addCallback(&app);
    }
    int edits() const {
        int n = 0;
        for (auto& c : app.controls)
            n += c.second == norvane::vistrel::CodeTextEdited;
        return n;
    }
    // Focuses a field by clicking at its left end (caret at 0).
    void focus(TextInput* field) { input.click(field->getScreenArea().x1 + 2, field->getScreenArea().y1 + 10); }
    void shiftTap(int key) {
        input.key(GLFW_KEY_LEFT_SHIFT, GLFW_PRESS);
        input.tap(key);
        input.key(GLFW_KEY_LEFT_SHIFT, GLFW_RELEASE);
    }
    // Columns of the caret or selection colour (1, 0.5, 0.5) in a field's row.
    std::pair<int, int> markColumns(TextInput* field) {
        int y = static_cast<int>(field->getScreenArea().y1) + 4;
        int first = -1, last = -1;
        for (int x = 0; x < display->getWidth(); ++x) {
            RGB p = rgb(x, y);
            if (p.r > 240 && p.g > 100 && p.g < 150 && p.b > 100 && p.b < 150) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        return {first, last};
    }
    TextInput* num = nullptr;
    TextInput* txt = nullptr;
    Recorder app;
};

} // namespace

TEST_F(TextInputTest, LoadsTextTypeAndInactiveState) {
    EXPECT_EQ("hello", txt->getInputText());
    EXPECT_EQ(0, txt->getCursor());
    EXPECT_TRUE(num->isNumeric());
    EXPECT_FALSE(num->isPassword());
    TextInput* pw = get<TextInput>("pw");
    EXPECT_TRUE(pw->isPassword());
    EXPECT_FLOAT_EQ(12.5f, pw->getFloat());
    EXPECT_TRUE(get<TextInput>("off")->isInactive());
    EXPECT_FALSE(txt->isInactive());
    // The two modes exclude each other.
    pw->setNumeric(true);
    EXPECT_FALSE(pw->isPassword());
    pw->setPassword(true);
    EXPECT_FALSE(pw->isNumeric());
}

TEST_F(TextInputTest, TheNumberFilterAdmitsOnlyADecimalNumber) {
    focus(num);
    input.type("-1.5e3");
    EXPECT_EQ("-1.5e3", num->getInputText());
    EXPECT_FLOAT_EQ(-1500, num->getFloat());
    EXPECT_EQ(6, edits());
    // A second point or exponent, a sign in the middle and letters are refused.
    input.type(".eE+-x ");
    EXPECT_EQ("-1.5e3", num->getInputText());
    EXPECT_EQ(6, edits());
    // A point after the exponent is refused even where no point is left.
    input.tap(GLFW_KEY_BACKSPACE); // -1.5e
    input.tap(GLFW_KEY_HOME);
    input.tap(GLFW_KEY_RIGHT);
    input.tap(GLFW_KEY_RIGHT);
    input.tap(GLFW_KEY_DELETE);
    input.tap(GLFW_KEY_DELETE);
    EXPECT_EQ("-1e", num->getInputText());
    input.tap(GLFW_KEY_END);
    input.type(".");
    EXPECT_EQ("-1e", num->getInputText());
    // A sign goes only at the start, and not before another sign in insert mode.
    input.tap(GLFW_KEY_HOME);
    input.type("+");
    EXPECT_EQ("-1e", num->getInputText());
    input.tap(GLFW_KEY_DELETE);
    input.type("+");
    EXPECT_EQ("+1e", num->getInputText());
    // No exponent at the very start of a signed number, nor before a point.
    input.tap(GLFW_KEY_END);
    input.tap(GLFW_KEY_BACKSPACE); // +1
    input.tap(GLFW_KEY_HOME);
    input.type("e");
    EXPECT_EQ("+1", num->getInputText());
    input.tap(GLFW_KEY_END);
    input.type(".5");
    input.tap(GLFW_KEY_LEFT);
    input.tap(GLFW_KEY_LEFT); // +1|.5
    input.type("e");
    EXPECT_EQ("+1.5", num->getInputText());
    input.tap(GLFW_KEY_END);
    input.type("e");
    EXPECT_EQ("+1.5e", num->getInputText());
}

TEST_F(TextInputTest, OverwriteModeReplacesTheCharacterAtTheCaret) {
    focus(txt);
    EXPECT_TRUE(txt->isInsertMode());
    input.tap(GLFW_KEY_RIGHT);
    input.tap(GLFW_KEY_INSERT);
    EXPECT_FALSE(txt->isInsertMode());
    input.type("E");
    EXPECT_EQ("hEllo", txt->getInputText());
    EXPECT_EQ(2, txt->getCursor());
    input.tap(GLFW_KEY_END);
    input.type("!");
    EXPECT_EQ("hEllo!", txt->getInputText());
    input.tap(GLFW_KEY_INSERT);
    input.tap(GLFW_KEY_HOME);
    input.type(">");
    EXPECT_EQ(">hEllo!", txt->getInputText());
    // Characters beyond one byte are not cut down to some other byte; they are left out.
    int before = edits();
    input.character(0x263A);
    input.character(0x141);
    EXPECT_EQ(">hEllo!", txt->getInputText());
    EXPECT_EQ(before, edits());
    input.character(0xE9); // a Latin-1 letter is one byte
    EXPECT_EQ(">\xE9hEllo!", txt->getInputText());
}

TEST_F(TextInputTest, ShiftArrowsSelectAndBackspaceErasesTheSelection) {
    focus(txt);
    input.tap(GLFW_KEY_END);
    shiftTap(GLFW_KEY_LEFT);
    shiftTap(GLFW_KEY_LEFT);
    shiftTap(GLFW_KEY_LEFT);
    EXPECT_TRUE(txt->hasSelection());
    EXPECT_EQ(5, txt->getAnchor());
    EXPECT_EQ(2, txt->getCursor());
    input.tap(GLFW_KEY_BACKSPACE);
    EXPECT_EQ("he", txt->getInputText());
    EXPECT_EQ(2, txt->getCursor());
    EXPECT_FALSE(txt->hasSelection());

    // A selection made rightwards is erased with the caret moving to its start; typing replaces it.
    input.tap(GLFW_KEY_HOME);
    shiftTap(GLFW_KEY_RIGHT);
    input.type("H");
    EXPECT_EQ("He", txt->getInputText());
    EXPECT_EQ(1, txt->getCursor());
    input.tap(GLFW_KEY_HOME);
    shiftTap(GLFW_KEY_RIGHT);
    shiftTap(GLFW_KEY_RIGHT);
    input.tap(GLFW_KEY_DELETE);
    EXPECT_EQ("", txt->getInputText());
    EXPECT_EQ(0, txt->getCursor());
    // An arrow without Shift ends a selection.
    input.type("abc");
    shiftTap(GLFW_KEY_LEFT);
    input.tap(GLFW_KEY_LEFT);
    EXPECT_FALSE(txt->hasSelection());
}

TEST_F(TextInputTest, BackspaceAndDeleteAtTheEndsChangeNothingButStillReport) {
    focus(txt);
    int before = edits();
    input.tap(GLFW_KEY_BACKSPACE);
    EXPECT_EQ("hello", txt->getInputText());
    EXPECT_EQ(before + 1, edits());
    input.tap(GLFW_KEY_END);
    input.tap(GLFW_KEY_DELETE);
    EXPECT_EQ("hello", txt->getInputText());
    EXPECT_EQ(before + 2, edits());
    // Moving the caret reports nothing.
    input.tap(GLFW_KEY_LEFT);
    input.tap(GLFW_KEY_HOME);
    EXPECT_EQ(before + 2, edits());
    EXPECT_EQ(txt, app.controls.back().first);
}

TEST_F(TextInputTest, TheMouseSetsTheCaretAndDragsASelection) {
    norvane::vistrel::Render* render = root->getWorkspace().getRender();
    float x1 = txt->getScreenArea().x1;
    // Just right of the third letter: caret 3.
    float at3 = x1 + 3 + render->textWidth("hel") + 0.5f;
    input.click(at3, 70);
    EXPECT_EQ(3, txt->getCursor());
    EXPECT_FALSE(txt->hasSelection()); // a click without a drag
    EXPECT_EQ(3, txt->positionToIndex(at3, 0));
    EXPECT_EQ(0, txt->positionToIndex(x1 - 50, 0));
    EXPECT_EQ(5, txt->positionToIndex(x1 + 190, 0));

    // From right to left: the caret at the left end, the anchor where the drag began; the field
    // keeps the mouse while the drag leaves it.
    input.press(x1 + 190, 70);
    input.cursor(x1 + 3 + render->textWidth("h") + 0.5f, 130);
    input.release(x1 + 3 + render->textWidth("h") + 0.5f, 130);
    EXPECT_TRUE(txt->hasSelection());
    EXPECT_EQ(5, txt->getAnchor());
    EXPECT_EQ(1, txt->getCursor());
    input.type("i");
    EXPECT_EQ("hi", txt->getInputText());
}

TEST_F(TextInputTest, AnInactiveFieldTakesNoInput) {
    TextInput* off = get<TextInput>("off");
    focus(off);
    input.type("x");
    input.tap(GLFW_KEY_BACKSPACE);
    EXPECT_EQ("locked", off->getInputText());
    EXPECT_EQ(0, edits());
    frame();
    // Grey face, and no caret.
    EXPECT_NEAR(153, rgb(210, 150).r, 2);
    EXPECT_EQ(-1, markColumns(off).first);
}

TEST_F(TextInputTest, AFieldHiddenWhileFocusedTakesNoKeys) {
    focus(txt);
    txt->setVisible(false);
    input.type("x");
    input.tap(GLFW_KEY_DELETE);
    EXPECT_EQ("hello", txt->getInputText());
    EXPECT_EQ(0, edits());
    // Shown again, it types as before.
    txt->setVisible(true);
    focus(txt);
    input.type("x");
    EXPECT_EQ("xhello", txt->getInputText());
}

TEST_F(TextInputTest, TheCaretIsDrawnOnlyInTheFocusedFieldAndFollowsTheText) {
    norvane::vistrel::Render* render = root->getWorkspace().getRender();
    focus(txt);
    input.tap(GLFW_KEY_END);
    frame();
    // Caret bar: 2 pixels wide at x1 + padding + width + 1.
    float cx = 20 + 3 + render->textWidth("hello") + 1;
    auto caret = markColumns(txt);
    EXPECT_NEAR(cx, caret.first, 1);
    EXPECT_NEAR(cx + 1, caret.second, 1);
    EXPECT_EQ(-1, markColumns(num).first);
    // The text in black, starting at x1 + 2 + padding.
    auto ink = darkColumns(64, 80, 21, 218);
    EXPECT_NEAR(25, ink.first, 2);

    // A selection is a box over the selected letters.
    shiftTap(GLFW_KEY_LEFT);
    shiftTap(GLFW_KEY_LEFT);
    frame();
    auto box = markColumns(txt);
    float right = 20 + 3 + render->textWidth("hel") + 1;
    EXPECT_NEAR(right, box.first, 1.5);
    EXPECT_NEAR(right + render->textWidth("lo"), box.second + 1, 1.5);

    // Overwrite mode at the end of the text: a 6-pixel box.
    input.tap(GLFW_KEY_RIGHT);
    input.tap(GLFW_KEY_END);
    input.tap(GLFW_KEY_INSERT);
    frame();
    caret = markColumns(txt);
    EXPECT_EQ(6, caret.second - caret.first + 1);
    shot("textinput.png");
}

TEST_F(TextInputTest, ALongTextScrollsToKeepTheCaretInside) {
    focus(txt);
    input.tap(GLFW_KEY_END);
    input.type(" and a great deal more text than the field can show");
    frame();
    EXPECT_GT(txt->getScrollOffset(), 0);
    auto caret = markColumns(txt);
    ASSERT_GE(caret.first, 0);
    // The caret stays at least 5 pixels inside the right edge (220).
    EXPECT_LE(caret.first, 220 - 4);
    EXPECT_GE(caret.first, 220 - 7);
    // Nothing is drawn outside the field.
    EXPECT_EQ(0, rgb(225, 70).r);
    EXPECT_EQ(0, rgb(15, 70).r);
    // Home scrolls back to the start.
    input.tap(GLFW_KEY_HOME);
    frame();
    EXPECT_FLOAT_EQ(3, txt->getScrollOffset());
    caret = markColumns(txt);
    EXPECT_NEAR(21, caret.first, 1);
}

TEST_F(TextInputTest, APasswordFieldShowsMasksAndKeepsTheText) {
    TextInput* pw = get<TextInput>("pw");
    focus(pw);
    input.tap(GLFW_KEY_END);
    input.type("7");
    EXPECT_EQ("12.57", pw->getInputText());
    EXPECT_FLOAT_EQ(12.57f, pw->getFloat());
    frame();
    norvane::vistrel::Render* render = root->getWorkspace().getRender();
    auto ink = darkColumns(104, 120, 21, 218);
    EXPECT_NEAR(render->textWidth("*****"), ink.second - ink.first + 3, 3);
    EXPECT_GT(std::abs(render->textWidth("12.57") - render->textWidth("*****")), 3) << "the test font must tell them apart";
    auto caret = markColumns(pw);
    EXPECT_NEAR(20 + 3 + render->textWidth("*****") + 1, caret.first, 1);
    pw->setMaskChar('#');
    frame();
    ink = darkColumns(104, 120, 21, 218);
    EXPECT_NEAR(render->textWidth("#####"), ink.second - ink.first + 3, 3);
}

namespace {

class LongTextInputTest : public CtrlTest {};

} // namespace

TEST_F(LongTextInputTest, APressAndDragInAVeryLongTextAnswerAtOnce) {
    // Placing the caret measures the text once, not once for every character before it: in ten
    // times the text, a press and drag may not take a hundred times as long.
    const std::string text(150000, 'x');
    start(320, 100, layoutOf("<textinput id='long' text='" + text + "'><area x='20' y='20' width='200' height='24'/></textinput>"
                             "<textinput id='short' text='" + text.substr(0, 15000) + "'><area x='20' y='60' width='200' height='24'/></textinput>"));
    TextInput* field = get<TextInput>("long");
    auto pressAndDrag = [&](int y) {
        return growthtest::fastestSeconds(3, [&] {
            for (int i = 0; i < 5; ++i) {
                input.press(200, y);
                input.cursor(100, y);
                input.release(100, y);
            }
        });
    };
    const double shortSeconds = pressAndDrag(70);
    const double seconds = pressAndDrag(30);
    EXPECT_LT(seconds, growthtest::kTenfoldInputLimit * shortSeconds) << shortSeconds << " s for 15,000 characters";
    norvane::vistrel::Render* render = root->getWorkspace().getRender();
    float w = render->textWidth("x");
    ASSERT_GT(w, 0);
    // The caret lands where it did before: the last character left of the pointer.
    EXPECT_NEAR((100 - 20 - 3) / w, field->getCursor(), 1);
    EXPECT_NEAR((200 - 20 - 3) / w, field->getAnchor(), 1);
}
