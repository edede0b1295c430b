// Tab views on a real window: the first page shown after loading, presses on tabs switching
// pages, the strip and page geometry, how tabs are drawn, and presses that are not on a tab.

#include "vst_containers_support.h"

#include "vst_tabview.h"

using namespace vsttest;
using norvane::vistrel::Point;
using norvane::vistrel::TabFrame;
using norvane::vistrel::TabView;

namespace {

const char* const Tabs = "<tabview id='tabs'><area x='20' y='40' width='300' height='200'/><child>"
                         "<tabframe id='p0' caption='Scene'><child><box id='b0'><area x='10' y='10' width='50' "
                         "height='20'/></box></child></tabframe>"
                         "<tabframe id='p1' caption='Camera'/>"
                         "<tabframe id='p2' caption='Glow'><child><box id='b2'><area x='10' y='10' width='50' "
                         "height='20'/></box></child></tabframe>"
                         "</child></tabview>";

class TabTest : public ContainersTest {
protected:
    void SetUp() override {
        ContainersTest::SetUp();
        loadControls(Tabs);
        tabs = get<TabView>("tabs");
        ASSERT_NE(nullptr, tabs);
        tabs->addCallback(&app);
        root->getWorkspace().addCallback(&app);
    }
    Control* page(int i) { return tabs->getChild(static_cast<unsigned>(i)); }
    std::vector<bool> shown() {
        std::vector<bool> v;
        for (unsigned i = 0; i < tabs->getChildCount(); ++i)
            v.push_back(tabs->getChild(i)->isVisible());
        return v;
    }
    Point tabCentre(int i) { return tabs->tabRect(static_cast<unsigned>(i)).center(); }
    float textWidth(const std::string& s) { return root->getWorkspace().getRender()->textWidth(s); }
    // White caption ink (red above 200) between x0 and x1 in the strip.
    int whiteInk(float x0, float x1) {
        return countPixels(static_cast<int>(x0), 41, static_cast<int>(x1) - 1, 57,
                           [](int r, int, int) { return r > 200; });
    }
    int greyInk(float x0, float x1) {
        return countPixels(static_cast<int>(x0), 41, static_cast<int>(x1) - 1, 57,
                           [](int r, int, int) { return r > 60 && r < 160; });
    }

    TabView* tabs = nullptr;
    Recorder app;
};

} // namespace

TEST_F(TabTest, AfterLoadingOnlyTheFirstPageShowsBelowTheStrip) {
    EXPECT_EQ(std::vector<bool>({true, false, false}), shown());
    EXPECT_EQ("Scene", page(0)->getText());
    EXPECT_EQ("tabframe", page(0)->getClassName());
    EXPECT_TRUE(page(0)->isMaximized());
    EXPECT_EQ(Rect(20, 40, 320, 58), tabs->getScreenStripArea());
    EXPECT_EQ(Rect(0, 18, 300, 200), tabs->getClientArea());
    // Every page fills the client area below the 18-pixel strip.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Rect(20, 58, 320, 240), page(i)->getScreenArea());
    EXPECT_EQ(Rect(30, 68, 80, 88), get<Box>("b0")->getScreenArea());

    // Tabs run from the strip's left edge, each its caption's width plus 10 on each side.
    float w0 = textWidth("Scene") + 20, w1 = textWidth("Camera") + 20;
    EXPECT_EQ(Rect(20, 40, 20 + w0, 58), tabs->tabRect(0));
    EXPECT_EQ(Rect(20 + w0, 40, 20 + w0 + w1, 58), tabs->tabRect(1));
    EXPECT_FLOAT_EQ(20 + w0 + w1 + textWidth("Glow") + 20, tabs->tabRect(2).x2);
}

TEST_F(TabTest, PressingATabShowsItsPageAloneAndReportsNothing) {
    click(tabCentre(2).x, tabCentre(2).y);
    EXPECT_EQ(std::vector<bool>({false, false, true}), shown());
    // The pages keep their order.
    EXPECT_EQ("Glow", page(2)->getText());
    // Events reach the shown page only.
    click(40, 75);
    EXPECT_EQ(1u, std::count(get<Box>("b2")->seen.begin(), get<Box>("b2")->seen.end(), "mousedown"));
    EXPECT_TRUE(std::find(get<Box>("b0")->seen.begin(), get<Box>("b0")->seen.end(), "mousedown") ==
                get<Box>("b0")->seen.end());

    // Any button switches; pressing the shown tab keeps it.
    click(tabCentre(1).x, tabCentre(1).y, GLFW_MOUSE_BUTTON_RIGHT);
    EXPECT_EQ(std::vector<bool>({false, true, false}), shown());
    click(tabCentre(1).x, tabCentre(1).y);
    EXPECT_EQ(std::vector<bool>({false, true, false}), shown());
    // The box's own presses were the only reports.
    for (const auto& c : app.controls)
        EXPECT_EQ(get<Box>("b2"), c.first);
}

TEST_F(TabTest, APressBesideTheTabsOrOnAPageChangesNothing) {
    float end = tabs->tabRect(2).x2;
    click(end + 5, 49); // on the strip beside the last tab
    EXPECT_EQ(std::vector<bool>({true, false, false}), shown());
    EXPECT_EQ(-1, tabs->getHoverTab());
    click(200, 150); // on the page
    EXPECT_EQ(std::vector<bool>({true, false, false}), shown());
    click(end - 1, 57); // the last pixel of the last tab
    EXPECT_EQ(std::vector<bool>({false, false, true}), shown());
    click(end, 57); // half-open: just beside it
    EXPECT_EQ(std::vector<bool>({false, false, true}), shown());
}

TEST_F(TabTest, APressDecidesByItsOwnPositionNotAnOlderHover) {
    // Hover the second tab, then let a popup take the events while the pointer moves onto the
    // page; the press that follows, with no move of its own, lands on the page.
    input.cursor(tabCentre(1).x, tabCentre(1).y);
    EXPECT_EQ(1, tabs->getHoverTab());
    Box popup;
    popup.setArea(Rect(350, 250, 390, 290));
    get<Box>("b0")->openPopup(&popup);
    input.cursor(200, 150);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE); // closes the popup
    ASSERT_EQ(nullptr, root->getWorkspace().getPopup());
    later();
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_EQ(std::vector<bool>({true, false, false}), shown());
}

TEST_F(TabTest, TheShownTabIsClearAndTheOthersFilledWithLitCaptionsForShownAndHovered) {
    input.cursor(300, 200);
    frame();
    Rect t0 = tabs->tabRect(0), t1 = tabs->tabRect(1), t2 = tabs->tabRect(2);
    // The shown tab takes back.pushed, clear by default: the black background shows. The other
    // tabs take the blue back colour at the top.
    EXPECT_TRUE(near(static_cast<int>(t0.x1) + 2, 41, 0, 0, 0, 4)) << describe(static_cast<int>(t0.x1) + 2, 41);
    EXPECT_TRUE(near(static_cast<int>(t1.x1) + 2, 40, 75, 75, 125, 8)) << describe(static_cast<int>(t1.x1) + 2, 40);
    EXPECT_TRUE(near(static_cast<int>(t2.x1) + 2, 40, 75, 75, 125, 8));
    // The shown tab's caption is white and centred; the others are grey.
    EXPECT_GT(whiteInk(t0.x1, t0.x2), 10);
    EXPECT_EQ(0, whiteInk(t1.x1, t1.x2));
    EXPECT_GT(greyInk(t1.x1, t1.x2), 10);
    auto ink = inkColumns(41, 57, static_cast<int>(t0.x1), static_cast<int>(t0.x2) - 1);
    EXPECT_NEAR(t0.center().x - textWidth("Scene") / 2, ink.first, 2);
    EXPECT_NEAR(t0.center().x + textWidth("Scene") / 2, ink.second, 3);
    shot("vistrel_tabview.png");

    // Hovering a tab lights its caption.
    input.cursor(t2.center().x, t2.center().y);
    frame();
    EXPECT_GT(whiteInk(t2.x1, t2.x2), 10);
    EXPECT_EQ(0, whiteInk(t1.x1, t1.x2));
    // After a switch the fills change places.
    click(t1.center().x, t1.center().y);
    EXPECT_EQ(std::vector<bool>({false, true, false}), shown());
    input.cursor(300, 200);
    frame();
    EXPECT_TRUE(near(static_cast<int>(t1.x1) + 2, 40, 0, 0, 0, 4)) << describe(static_cast<int>(t1.x1) + 2, 40);
    EXPECT_TRUE(near(static_cast<int>(t0.x1) + 2, 40, 75, 75, 125, 8)) << describe(static_cast<int>(t0.x1) + 2, 40);
    EXPECT_GT(whiteInk(t1.x1, t1.x2), 10);
    EXPECT_EQ(0, whiteInk(t0.x1, t0.x2));
}

TEST_F(TabTest, PagesOfOtherKindsAndPagesWithoutCaption) {
    loadControls("<tabview id='mixed'><area x='0' y='250' width='400' height='50'/><child>"
                 "<box id='first' text='First'/><tabframe id='bare'/><box id='third' text='Third'/>"
                 "</child></tabview>");
    TabView* mixed = get<TabView>("mixed");
    ASSERT_NE(nullptr, mixed);
    // Only tab frames hide themselves; a tab frame without caption keeps its own text.
    EXPECT_TRUE(mixed->getChild(0)->isVisible());
    EXPECT_FALSE(mixed->getChild(1)->isVisible());
    EXPECT_TRUE(mixed->getChild(2)->isVisible());
    EXPECT_EQ("tabframe", mixed->getChild(1)->getText());
    Point c = mixed->tabRect(1).center();
    click(c.x, c.y);
    EXPECT_FALSE(mixed->getChild(0)->isVisible());
    EXPECT_TRUE(mixed->getChild(1)->isVisible());
    EXPECT_FALSE(mixed->getChild(2)->isVisible());
    // An empty tab view draws and takes presses without pages.
    loadControls("<tabview id='empty'><area x='0' y='0' width='100' height='40'/></tabview>");
    click(10, 10);
    frame();
}
