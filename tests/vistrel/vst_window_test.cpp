// Windows on a real window: the title bar and client area, dragging by the title bar, double
// clicks that maximize and restore, nested windows kept inside their parent, the resize grip of
// a scroll-bar child, and how focused and unfocused windows are drawn.

#include "vst_containers_support.h"

#include "vst_scrollbars.h"
#include "vst_window.h"

using namespace vsttest;
using norvane::vistrel::Scrollbars;
using norvane::vistrel::Window;

namespace {

class WindowTest : public ContainersTest {
protected:
    int width() const override { return 500; }
    int height() const override { return 400; }
    Window* window(const std::string& name) { return get<Window>(name); }
    // A left drag by the title bar in a few steps, released at the end.
    void drag(double x0, double y0, double x1, double y1) {
        later();
        input.drag(x0, y0, x1, y1);
    }
};

} // namespace

TEST_F(WindowTest, TheTitleBarSitsAboveTheClientArea) {
    loadControls("<window id='w' caption='Effects'><area x='100' y='100' width='200' height='150'/>"
                 "<child><box id='inside'><area x='0' y='0' width='50' height='20'/></box></child></window>"
                 "<window id='plain'><area x='0' y='300' width='100' height='50'/></window>");
    Window* w = window("w");
    ASSERT_NE(nullptr, w);
    EXPECT_EQ("Effects", w->getText());
    EXPECT_EQ("window", window("plain")->getText()); // no caption: the constructor's text
    EXPECT_EQ(Rect(100, 100, 300, 118), w->getTitleArea());
    EXPECT_EQ(Rect(100, 100, 300, 118), w->getScreenTitleArea());
    EXPECT_EQ(Rect(0, 18, 200, 150), w->getClientArea());
    EXPECT_EQ(Rect(100, 118, 300, 250), w->getScreenClientArea());
    // Children are placed below the title bar.
    EXPECT_EQ(Rect(100, 118, 150, 138), get<Box>("inside")->getScreenArea());
    click(110, 125);
    EXPECT_EQ(1u, std::count(get<Box>("inside")->seen.begin(), get<Box>("inside")->seen.end(), "mousedown"));
    EXPECT_FALSE(w->isDragging()); // a press in the client area drags nothing
}

TEST_F(WindowTest, DraggingTheTitleBarMovesTheWindowAndOnlyTheLeftButtonDoes) {
    loadControls("<window id='w'><area x='100' y='100' width='200' height='150'/></window>");
    Window* w = window("w");
    Recorder app;
    w->addCallback(&app);
    drag(150, 105, 190, 145);
    EXPECT_EQ(Rect(140, 140, 340, 290), w->getArea());
    EXPECT_EQ(Rect(140, 140, 340, 158), w->getScreenTitleArea());
    EXPECT_FALSE(w->isDragging());
    EXPECT_TRUE(app.controls.empty()); // windows report nothing

    // The window keeps the pointer while dragging, however fast it moves; the release ends it.
    later();
    input.cursor(150, 145);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    EXPECT_TRUE(w->isDragging());
    input.cursor(450, 10);
    EXPECT_EQ(Rect(440, 5, 640, 155), w->getArea());
    input.cursor(20, 390);
    EXPECT_EQ(Rect(10, 385, 210, 535), w->getArea());
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_FALSE(w->isDragging());
    input.cursor(100, 200);
    EXPECT_EQ(Rect(10, 385, 210, 535), w->getArea());

    // A right press on the title bar starts nothing.
    input.cursor(100, 390);
    input.button(GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS);
    EXPECT_FALSE(w->isDragging());
    input.cursor(50, 300);
    input.button(GLFW_MOUSE_BUTTON_RIGHT, GLFW_RELEASE);
    EXPECT_EQ(Rect(10, 385, 210, 535), w->getArea());

    // Hidden mid-drag, it hears no release: shown again, it must not follow the pointer.
    later();
    input.cursor(100, 390);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    ASSERT_TRUE(w->isDragging());
    w->setVisible(false);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    w->setVisible(true);
    EXPECT_FALSE(w->isDragging());
    input.cursor(200, 200);
    EXPECT_EQ(Rect(10, 385, 210, 535), w->getArea());
}

TEST_F(WindowTest, ADoubleClickOnTheTitleBarMaximizesAndRestores) {
    loadControls("<window id='w'><area x='100' y='100' width='200' height='150'/>"
                 "<child><box id='full'/></child></window>");
    Window* w = window("w");
    doubleClick(200, 110);
    EXPECT_TRUE(w->isMaximized());
    EXPECT_FALSE(w->isDragging());
    EXPECT_EQ(Rect(0, 0, 500, 400), w->getArea());
    EXPECT_EQ(Rect(0, 0, 500, 18), w->getScreenTitleArea());
    // A maximized child follows the client area.
    EXPECT_EQ(Rect(0, 18, 500, 400), get<Box>("full")->getScreenArea());

    // A maximized window is not moved by a drag.
    drag(200, 10, 260, 60);
    EXPECT_EQ(Rect(0, 0, 500, 400), w->getArea());

    doubleClick(200, 10);
    EXPECT_FALSE(w->isMaximized());
    EXPECT_EQ(Rect(100, 100, 300, 250), w->getArea());
    EXPECT_EQ(Rect(100, 118, 300, 250), get<Box>("full")->getScreenArea());
    // A double click below the title bar changes nothing.
    doubleClick(200, 200);
    EXPECT_FALSE(w->isMaximized());
}

TEST_F(WindowTest, ANestedWindowCannotLeaveItsParentAtTheTopOrTheLeft) {
    loadControls("<window id='outer'><area x='50' y='50' width='300' height='250'/><child>"
                 "<window id='inner'><area x='10' y='10' width='100' height='80'/></window></child></window>");
    Window* inner = window("inner");
    ASSERT_NE(nullptr, inner);
    EXPECT_EQ(Rect(60, 78, 160, 96), inner->getScreenTitleArea());
    // 30 pixels beyond the left edge and above the top: it stops at the client edges.
    drag(100, 85, 100 - 40, 85 - 40);
    EXPECT_EQ(Rect(0, 0, 100, 80), inner->getArea());
    EXPECT_EQ(Rect(50, 68, 150, 86), inner->getScreenTitleArea());
    // To the right and down it may go as it likes.
    drag(100, 75, 250, 175);
    EXPECT_EQ(Rect(150, 100, 250, 180), inner->getArea());
    // However far the pointer goes, the window comes back to the edge at once.
    later();
    input.cursor(250, 175);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    input.cursor(-1e9, -3e9);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_EQ(Rect(0, 0, 100, 80), inner->getArea());

    // A top-level window may be dragged anywhere.
    Window* outer = window("outer");
    drag(60, 55, 20, 5);
    EXPECT_EQ(Rect(10, 0, 310, 250), outer->getArea());
    drag(30, 5, -70, -45);
    EXPECT_EQ(Rect(-90, -50, 210, 200), outer->getArea());
}

TEST_F(WindowTest, AScrollBarGripResizesItsWindowButNotBelowEightyPixels) {
    loadControls("<window id='w'><area x='100' y='100' width='200' height='150'/>"
                 "<child><scrollbar id='bars'/></child></window>");
    Window* w = window("w");
    Scrollbars* bars = get<Scrollbars>("bars");
    ASSERT_NE(nullptr, bars);
    EXPECT_EQ(Rect(100, 118, 300, 250), bars->getScreenArea());
    EXPECT_EQ(Rect(288, 238, 300, 250), bars->getCorner());
    drag(294, 244, 344, 274);
    EXPECT_EQ(Rect(100, 100, 350, 280), w->getArea());
    EXPECT_EQ(Rect(100, 118, 350, 280), bars->getScreenArea());
    // Shrinking stops before 80 pixels.
    drag(344, 274, 150, 150);
    EXPECT_GT(w->getArea().width(), 80);
    EXPECT_GT(w->getArea().height(), 80);
    // A maximized window has no grip.
    doubleClick(200, 105);
    ASSERT_TRUE(w->isMaximized());
    drag(494, 394, 300, 300);
    EXPECT_EQ(Rect(0, 0, 500, 400), w->getArea());
}

TEST_F(WindowTest, TheFocusedWindowHasTheLightTitleBar) {
    loadControls("<window id='back' caption='Back'><area x='20' y='20' width='200' height='150'/></window>"
                 "<window id='front' caption='Front'><area x='150' y='100' width='200' height='150'/></window>");
    Window* back = window("back");
    Window* front = window("front");
    EXPECT_EQ(front, root->getWorkspace().getFocus());
    frame();
    // Focused: the caption highlight, grey 0.4 at the top of the bar; unfocused: black at 0.9.
    EXPECT_TRUE(near(160, 101, 102, 102, 102, 6)) << describe(160, 101);
    EXPECT_TRUE(near(30, 21, 0, 0, 0, 6)) << describe(30, 21);
    // The client area's blue at its top, where the front window covers the back one's corner.
    EXPECT_TRUE(near(200, 120, 75, 75, 125, 8)) << describe(200, 120);
    EXPECT_TRUE(near(100, 60, 75, 75, 125, 12) || at(100, 60, 2) > at(100, 60, 0)) << describe(100, 60);
    // The caption is centred in the bar, in white when focused.
    float w = root->getWorkspace().getRender()->textWidth("Front");
    auto ink = inkColumns(102, 116, 152, 348);
    EXPECT_NEAR(250 - w / 2, ink.first, 2);
    EXPECT_NEAR(250 + w / 2, ink.second, 3);
    shot("vistrel_window.png");

    // A press on the back window's title bar focuses it and brings it to the front.
    click(40, 25);
    EXPECT_EQ(back, root->getWorkspace().getFocus());
    EXPECT_EQ(back, root->getWorkspace().getChild(1));
    frame();
    EXPECT_TRUE(near(30, 21, 102, 102, 102, 6)) << describe(30, 21);
    EXPECT_TRUE(near(300, 101, 0, 0, 0, 6)) << describe(300, 101);
    // The back window now covers the front one where they overlap.
    EXPECT_TRUE(near(200, 120, 0, 0, 0, 30) || at(200, 120, 2) > 60) << describe(200, 120);
}
