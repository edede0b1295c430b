// Drop-down lists driven through the window: the list opening below, choices and their reports,
// the shown text and index, and drawing, also when the dropdown is narrow or clipped.

#include "vst_ctrl_support.h"

#include "vst_dropdown.h"

using namespace vsttest;
using norvane::vistrel::Context;
using norvane::vistrel::Dropdown;

namespace {

class DropdownTest : public CtrlTest {
protected:
    void SetUp() override {
        CtrlTest::SetUp();
        registerBox();
        start(320, 240,
              layoutOf("<dropdown id='dd'><area x='20' y='20' width='160' height='24'/>"
                       "<option name='Low' id='lo'/><option name='Mid' id='mid'/><option name='1.5' id='onefive'/>"
                       "</dropdown>"
                       "<dropdown id='def'><area x='200' y='20' width='100' height='24'/>"
                       "<option name='A' id='a' default='yes'/><option name='B' id='b'/>"
                       "<option name='C' id='c' default='yes'/></dropdown>"
                       "<dropdown id='empty'><area x='200' y='60' width='100' height='24'/></dropdown>"
                       "<dropdown id='narrow'><area x='200' y='100' width='10' height='24'/>"
                       "<option name='Narrow'/></dropdown>"
                       "<box id='clipper'><area x='200' y='140' width='100' height='40'/><child>"
                       "<dropdown id='clipped'><area x='-90' y='5' width='100' height='24'/>"
                       "<option name='Clipped'/></dropdown>"
                       "<dropdown id='cut'><area x='60' y='5' width='100' height='24'/>"
                       "<color name='text.color' first='ff0000'/><option name='WWWWWWWWWWWWWWWW'/></dropdown>"
                       "</child></box>"));
        dd = get<Dropdown>("dd");
        dd->addCallback(&app);
    }
    // The middle of item i of an open list.
    float itemY(int i) const { return dd->getScreenArea().y2 + 5 + i * 15 + 5; }
    void choose(int i) {
        input.click(60, 30); // open
        input.cursor(60, itemY(i));
        input.click(60, itemY(i));
    }
    int chosen() const {
        int n = 0;
        for (auto& c : app.controls)
            n += c.second == norvane::vistrel::CodeDropdownChosen;
        return n;
    }
    Control* popup() { return root->getWorkspace().getPopup(); }
    Dropdown* dd = nullptr;
    Recorder app;
};

} // namespace

TEST_F(DropdownTest, LoadedOptionsShowTheFirstOrTheLastDefault) {
    EXPECT_EQ("Low", dd->getSelectedText());
    EXPECT_EQ(0, dd->getSelectedIndex());
    EXPECT_EQ("lo", dd->getSelectedName());
    EXPECT_EQ(3u, dd->getMenu().getChildCount());
    Dropdown* def = get<Dropdown>("def");
    EXPECT_EQ("C", def->getSelectedText());
    EXPECT_EQ(2, def->getSelectedIndex());
    EXPECT_EQ("c", def->getSelectedName());
    EXPECT_EQ("", get<Dropdown>("empty")->getSelectedText());
    EXPECT_EQ("dropdown", dd->getClassName());
}

TEST_F(DropdownTest, APressOpensTheListBelowAsWideAsTheDropdown) {
    input.press(60, 30);
    ASSERT_EQ(&dd->getMenu(), popup());
    EXPECT_EQ(dd, dd->getMenu().getOwner());
    norvane::vistrel::Rect a = dd->getMenu().getArea();
    EXPECT_FLOAT_EQ(20, a.x1);
    EXPECT_FLOAT_EQ(44, a.y1);
    EXPECT_FLOAT_EQ(180, a.x2);
    EXPECT_FLOAT_EQ(44 + 10 + 3 * 15 - 5, a.y2);
    // The release of the opening press keeps it open; the next left release closes it.
    input.release(60, 30);
    EXPECT_EQ(&dd->getMenu(), popup());
    input.click(300, 230);
    EXPECT_EQ(nullptr, popup());
    EXPECT_EQ(0, chosen());
    // Any mouse button opens it.
    input.press(60, 30, GLFW_MOUSE_BUTTON_RIGHT);
    EXPECT_EQ(&dd->getMenu(), popup());
    input.release(60, 30, GLFW_MOUSE_BUTTON_RIGHT);
    input.click(300, 230);
    // Without options it does not open.
    input.click(250, 70);
    EXPECT_EQ(nullptr, popup());
}

TEST_F(DropdownTest, ChoosingAnotherOptionShowsItAndReportsOnce) {
    choose(1);
    EXPECT_EQ(nullptr, popup());
    EXPECT_EQ("Mid", dd->getSelectedText());
    EXPECT_EQ(1, dd->getSelectedIndex());
    EXPECT_EQ("mid", dd->getSelectedName());
    EXPECT_EQ(1, chosen());
    EXPECT_EQ(dd, app.controls[0].first);
    ASSERT_EQ(1u, app.events.size());
    EXPECT_EQ("context.Mid", app.events[0].second);
    EXPECT_EQ(&dd->getMenu(), app.events[0].first);
    EXPECT_EQ("Mid", dd->getMenu().getSelected());

    // The shown option again: reported by name, no code.
    choose(1);
    EXPECT_EQ(1, chosen());
    EXPECT_EQ(2u, app.events.size());

    // A caption with a point arrives whole.
    choose(2);
    EXPECT_EQ("1.5", dd->getSelectedText());
    EXPECT_EQ("onefive", dd->getSelectedName());
    EXPECT_EQ("context.1.5", app.events.back().second);
    EXPECT_EQ(2, chosen());
}

TEST_F(DropdownTest, TheReopenedListMarksTheChoice) {
    choose(1);
    input.click(60, 30);
    input.cursor(300, 230); // off the items
    frame();
    shot("dropdown_open.png");
    // Item texts: white, the chosen one at 70% over the dark list.
    auto brightest = [&](int i) {
        int best = 0;
        for (int y = static_cast<int>(itemY(i)) - 5; y < itemY(i) + 5; ++y)
            for (int x = 22; x < 120; ++x)
                best = std::max(best, rgb(x, y).g);
        return best;
    };
    EXPECT_GT(brightest(0), 235);
    EXPECT_LT(brightest(1), 215);
    EXPECT_GT(brightest(1), 140);
    EXPECT_GT(brightest(2), 235);
}

TEST_F(DropdownTest, UnknownTextsAndIndicesGiveAnEmptyName) {
    dd->select("Nope");
    EXPECT_EQ("Nope", dd->getSelectedText());
    EXPECT_EQ(-1, dd->getSelectedIndex());
    EXPECT_EQ("", dd->getSelectedName());
    dd->setSelectedIndex(3);
    EXPECT_EQ("", dd->getSelectedName());
    dd->setSelectedIndex(1000);
    EXPECT_EQ("", dd->getSelectedName());
    dd->setSelectedIndex(1);
    EXPECT_EQ("mid", dd->getSelectedName());
    EXPECT_EQ("Nope", dd->getSelectedText()); // the index alone does not change the text
    dd->select("1.5");
    EXPECT_EQ(2, dd->getSelectedIndex());
    EXPECT_TRUE(app.controls.empty());
}

TEST_F(DropdownTest, EditingTheOptions) {
    // Renaming the shown option renames the shown text too; another one does not.
    dd->setOptionText("Lowest", 0);
    EXPECT_EQ("Lowest", dd->getSelectedText());
    EXPECT_EQ("Lowest", dd->getMenu().getChild(0)->getText());
    dd->setOptionText("Middle", 1);
    EXPECT_EQ("Lowest", dd->getSelectedText());
    EXPECT_EQ("Middle", dd->getMenu().getChild(1)->getText());
    // Emptied, it shows nothing and stays shut; the next option added is shown.
    dd->clearOptions();
    EXPECT_EQ("", dd->getSelectedText());
    EXPECT_EQ("", dd->getSelectedName());
    input.click(60, 30);
    EXPECT_EQ(nullptr, popup());
    dd->addOption("One", "one");
    dd->addOption("Two", "two");
    EXPECT_EQ("One", dd->getSelectedText());
    EXPECT_EQ("one", dd->getSelectedName());
}

TEST_F(DropdownTest, DrawsFaceArrowAndText) {
    frame();
    shot("dropdown.png");
    // Face: grey gradient inside the border.
    EXPECT_NEAR(130, rgb(100, 21).r, 3);
    EXPECT_GT(rgb(100, 42).r, 160);
    // Arrow: a black triangle pointing down in the square at the right end (x 156..180).
    EXPECT_LT(rgb(168, 38).r, 40);  // bottom corner in the middle
    EXPECT_LT(rgb(163, 29).r, 60);  // upper left
    EXPECT_LT(rgb(173, 29).r, 60);  // upper right
    EXPECT_GT(rgb(168, 25).r, 100); // above the top edge: face
    EXPECT_GT(rgb(161, 38).r, 100); // beside the bottom corner: face
    // Text at the left, in black.
    float w = root->getWorkspace().getRender()->textWidth("Low");
    auto ink = darkColumns(26, 38, 21, 150, 60);
    EXPECT_NEAR(22, ink.first, 2);
    EXPECT_NEAR(22 + w, ink.second, 3);
}

TEST_F(DropdownTest, NarrowAndClippedDropdownsDrawWithoutAGLError) {
    // The text scissor of a dropdown narrower than its height, and of one clipped on its left,
    // ends left of where it starts; that of one clipped on its right ends at the cut.
    EXPECT_NO_THROW(frame());
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
    // Nothing of the clipped dropdowns leaks left or right of their box.
    EXPECT_EQ(0, rgb(198, 160).r);
    for (int x = 301; x < 320; ++x)
        for (int y = 146; y < 169; ++y)
            ASSERT_EQ(0, rgb(x, y).r) << x << ", " << y;
    // The narrow one draws its 10-pixel face and no text.
    EXPECT_GT(rgb(205, 105).r, 100);
    EXPECT_EQ(0, rgb(212, 112).r);
    // And it opens a list as wide as itself.
    input.click(205, 110);
    ASSERT_EQ(&get<Dropdown>("narrow")->getMenu(), popup());
    EXPECT_FLOAT_EQ(10, get<Dropdown>("narrow")->getMenu().getArea().width());
    EXPECT_NO_THROW(frame());
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST_F(DropdownTest, ADropdownRemovedWhileItsListIsOpenTakesTheListAlong) {
    input.click(60, 30);
    ASSERT_EQ(&dd->getMenu(), popup());
    norvane::vistrel::Workspace& ws = root->getWorkspace();
    ws.removeChild(static_cast<unsigned>(ws.indexOf(dd)));
    dd = nullptr;
    EXPECT_EQ(nullptr, popup());
    EXPECT_NO_THROW(frame());
    input.click(60, 60);
}

TEST_F(DropdownTest, HidingTheDropdownClosesItsOpenList) {
    // Bright text pixels in the rows of the open list.
    auto listInk = [this]() {
        frame();
        int n = 0;
        for (int y = static_cast<int>(itemY(0)) - 5; y < static_cast<int>(itemY(2)) + 5; ++y)
            for (int x = 22; x < 170; ++x)
                n += rgb(x, y).r > 200 && rgb(x, y).g > 200;
        return n;
    };
    input.click(60, 30);
    ASSERT_EQ(&dd->getMenu(), popup());
    ASSERT_GT(listInk(), 0);
    dd->setVisible(false);
    EXPECT_EQ(nullptr, popup());
    EXPECT_EQ(0, listInk());
    // A click where an option was shown chooses nothing.
    input.cursor(60, itemY(1));
    input.click(60, itemY(1));
    EXPECT_EQ(0, chosen());
    EXPECT_EQ("Low", dd->getSelectedText());
}
