// Scroll bars on a real window: thumbs dragged and the wheel rolled in both directions scroll
// the children by the part of their extent that does not fit, and the picture follows.

#include "vst_controls_support.h"

#include "vst_frame.h"
#include "vst_scrollbars.h"

using namespace vsttest;
using norvane::vistrel::Frame;
using norvane::vistrel::Scrollbars;

namespace {

// A 200 x 150 host at (20, 20) holding the bars over 400 x 300 of content, with a red 40-pixel
// marker at (100, 100) in the content.
std::string scrolled(const std::string& direction, float hostHeight = 150) {
    return "<frame id='host'><area x='20' y='20' width='200' height='" + std::to_string(hostHeight) +
           "'/><child><scrollbar id='sb'" + direction +
           "><child><frame id='content'><area x='0' y='0' width='400' height='300'/>"
           "<color name='back.color' first='203060' second='203060'/>"
           "<child><frame id='marker'><area x='100' y='100' width='40' height='40'/>"
           "<color name='back.color' first='ff0000' second='ff0000'/></frame></child>"
           "</frame></child></scrollbar></child></frame>";
}

// A container that calls itself a window, as the corner grip asks of its parent.
class WindowLike : public Box {
public:
    WindowLike() { mClassName = "window"; }
};

bool red(int r, int g, int b) { return r > 200 && g < 60 && b < 60; }

class ScrollbarsTest : public ControlsTest {
protected:
    Scrollbars* sb() { return get<Scrollbars>("sb"); }
    Rect content() { return get<Frame>("content")->getScreenArea(); }
    int codes() {
        int n = 0;
        for (const auto& c : app.controls)
            n += c.second == norvane::vistrel::CodeScrolled;
        return n;
    }
    Recorder app;
};

} // namespace

TEST_F(ScrollbarsTest, DraggedThumbsScrollTheChildrenAndStopAtTheEnds) {
    loadControls(scrolled(""));
    ASSERT_NE(nullptr, sb());
    sb()->addCallback(&app);
    EXPECT_TRUE(sb()->isMaximized());
    EXPECT_EQ(Rect(0, 0, 188, 138), sb()->getClientArea());
    EXPECT_EQ(Rect(208, 20, 220, 158), sb()->getVerticalBar());
    EXPECT_EQ(Rect(20, 158, 208, 170), sb()->getHorizontalBar());
    EXPECT_EQ(Rect(208, 158, 220, 170), sb()->getCorner());
    EXPECT_EQ(Rect(208, 20, 220, 50), sb()->getVerticalThumb());
    frame();
    EXPECT_TRUE(red(at(140, 140, 0), at(140, 140, 1), at(140, 140, 2)));
    EXPECT_GT(at(214, 35, 0), 240); // the white thumb

    // Half the vertical travel (108) scrolls by half the overflow (300 - 138 = 162).
    input.drag(214, 35, 214, 89);
    EXPECT_FLOAT_EQ(54, sb()->getScrollY());
    EXPECT_FLOAT_EQ(20 - 81, content().y1);
    EXPECT_FLOAT_EQ(81, get<Frame>("content")->getScroll().y);
    EXPECT_EQ(5, codes()); // four moves and the release
    frame();
    EXPECT_EQ(0, countPixels(125, 125, 155, 155, red));
    EXPECT_EQ(30 * 30, countPixels(125, 45, 154, 74, red)); // 120 - 81 = 39
    EXPECT_GT(at(214, 20 + 54 + 15, 0), 240);
    EXPECT_LT(at(214, 35, 0), 60);

    // Beyond the bar's end the thumb stops: the content's bottom meets the client area's.
    input.drag(214, 89, 214, 400);
    EXPECT_FLOAT_EQ(108, sb()->getScrollY());
    EXPECT_FLOAT_EQ(158, content().y2);
    input.drag(214, 143, 214, -100);
    EXPECT_FLOAT_EQ(0, sb()->getScrollY());
    EXPECT_FLOAT_EQ(20, content().y1);

    // The horizontal thumb: travel 158 over an overflow of 400 - 188 = 212.
    input.drag(35, 164, 114, 164);
    EXPECT_FLOAT_EQ(79, sb()->getScrollX());
    EXPECT_FLOAT_EQ(20 - 106, content().x1);
    frame();
    EXPECT_EQ(30 * 30, countPixels(21, 125, 50, 154, red)); // 120 - 106 = 14
    input.drag(114, 164, 500, 164);
    EXPECT_FLOAT_EQ(208, content().x2);
    shot("vistrel_scrollbars.png");
}

TEST_F(ScrollbarsTest, TheWheelScrollsVerticallyAndWithCtrlHorizontally) {
    loadControls(scrolled(""));
    sb()->addCallback(&app);
    input.cursor(100, 100);
    // Rolling towards the user moves the thumb down: 50 x 108 / 300 pixels a click.
    input.wheel(-1);
    EXPECT_FLOAT_EQ(18, sb()->getScrollY());
    EXPECT_FLOAT_EQ(20 - 27, content().y1);
    EXPECT_EQ(1, codes());
    input.wheel(1);
    EXPECT_FLOAT_EQ(0, sb()->getScrollY());
    input.wheel(1); // already at the start
    EXPECT_FLOAT_EQ(0, sb()->getScrollY());
    EXPECT_FLOAT_EQ(20, content().y1);

    input.press(GLFW_KEY_LEFT_CONTROL);
    input.wheel(-2);
    input.release(GLFW_KEY_LEFT_CONTROL);
    EXPECT_FLOAT_EQ(0, sb()->getScrollY());
    EXPECT_FLOAT_EQ(2 * 50 * 158.0f / 400, sb()->getScrollX());
    EXPECT_FLOAT_EQ(20 - 53, content().x1); // (int)(212 x 39.5 / 158)
    frame();
    EXPECT_EQ(30 * 30, countPixels(72, 125, 101, 154, red)); // 120 - 53 = 67
    input.wheel(-50);
    EXPECT_FLOAT_EQ(108, sb()->getScrollY());
}

TEST_F(ScrollbarsTest, AHorisontalBarAloneGivesTheClientItsFullWidth) {
    loadControls(scrolled(" direction='horisontal'"));
    Scrollbars* h = get<Scrollbars>("sb");
    ASSERT_NE(nullptr, h);
    EXPECT_FALSE(h->hasVerticalBar());
    EXPECT_TRUE(h->hasHorizontalBar());
    EXPECT_EQ(Rect(0, 0, 200, 138), h->getClientArea());
    EXPECT_EQ(Rect(), h->getVerticalThumb());
    EXPECT_EQ(Rect(20, 158, 220, 170), h->getHorizontalBar());
    // Without a vertical bar the plain wheel scrolls nothing.
    input.cursor(100, 100);
    input.wheel(-1);
    EXPECT_FLOAT_EQ(20, content().y1);
    // A press where the vertical thumb would be starts no drag.
    input.drag(214, 35, 214, 90);
    EXPECT_FLOAT_EQ(0, h->getScrollY());
    frame();
    EXPECT_LT(at(214, 35, 0), 60);
    EXPECT_GT(at(40, 164, 0), 240);
}

TEST_F(ScrollbarsTest, AVerticalBarAloneGivesTheClientItsFullHeight) {
    loadControls(scrolled(" direction='vertical'"));
    EXPECT_TRUE(sb()->hasVerticalBar());
    EXPECT_FALSE(sb()->hasHorizontalBar());
    EXPECT_EQ(Rect(0, 0, 188, 150), sb()->getClientArea());
    EXPECT_EQ(Rect(), sb()->getCorner());
    input.cursor(100, 100);
    input.press(GLFW_KEY_LEFT_CONTROL);
    input.wheel(-1);
    input.release(GLFW_KEY_LEFT_CONTROL);
    EXPECT_FLOAT_EQ(20, content().x1);
    input.wheel(-1);
    EXPECT_FLOAT_EQ(50 * 120.0f / 300, sb()->getScrollY());
}

TEST_F(ScrollbarsTest, ABarNoLongerThanItsThumbScrollsNothingAndKeepsTheContentInPlace) {
    // The vertical bar is 42 - 12 = 30 pixels long: exactly one thumb, no travel.
    loadControls(scrolled("", 42));
    sb()->addCallback(&app);
    EXPECT_FLOAT_EQ(30, sb()->getVerticalBar().height());
    input.drag(214, 35, 214, 60);
    input.cursor(100, 40);
    input.wheel(-3);
    EXPECT_FLOAT_EQ(0, sb()->getScrollY());
    EXPECT_TRUE(finite(content()));
    EXPECT_FLOAT_EQ(20, content().y1);
    EXPECT_FLOAT_EQ(0, get<Frame>("content")->getScroll().y);
    // Shorter still (bar 20 pixels): the same.
    sb()->setThumbs(5, 5);
    get<Frame>("host")->setArea(Rect(20, 20, 220, 52));
    EXPECT_TRUE(finite(content()));
    EXPECT_FLOAT_EQ(0, get<Frame>("content")->getScroll().y);
    input.wheel(-1);
    EXPECT_TRUE(finite(content()));
    frame();
    EXPECT_GT(countPixels(20, 20, 200, 40, [](int r, int g, int b) { return b > 80 && r < 60 && g < 80; }), 0);

    // Bars with nothing inside them: the wheel's factors stay finite too.
    get<Frame>("content")->getOwner()->removeChild(0);
    get<Frame>("host")->setArea(Rect(20, 20, 30, 30));
    input.cursor(25, 25);
    input.wheel(-1);
    EXPECT_TRUE(finite(sb()->getVerticalThumb()));
    EXPECT_FLOAT_EQ(0, sb()->getScrollY());
}

TEST_F(ScrollbarsTest, TheCornerDragSendsNoCodeAndAMaximizedParentHasNoGrip) {
    loadControls(scrolled(""));
    sb()->addCallback(&app);
    input.cursor(214, 164);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    EXPECT_TRUE(sb()->isDragging());
    input.cursor(230, 180);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_FALSE(sb()->isDragging());
    EXPECT_EQ(0, codes());
    // The host is not a window: its area stays.
    EXPECT_EQ(Rect(20, 20, 220, 170), get<Frame>("host")->getArea());

    get<Frame>("host")->setMaximized(true);
    Rect corner = sb()->getCorner();
    input.cursor(corner.x1 + 5, corner.y1 + 5);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    EXPECT_FALSE(sb()->isDragging());
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
}

TEST_F(ScrollbarsTest, TheCornerResizesAParentWindowButNeverTo80PixelsOrLess) {
    loadControls("");
    WindowLike* window = new WindowLike();
    window->setArea(Rect(20, 20, 220, 170));
    root->addControl(window);
    Scrollbars* bars = new Scrollbars();
    window->addChild(bars);
    EXPECT_EQ(Rect(208, 158, 220, 170), bars->getCorner());
    input.cursor(214, 164);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    input.cursor(244, 184);
    EXPECT_EQ(Rect(20, 20, 250, 190), window->getArea());
    EXPECT_EQ(Rect(238, 178, 250, 190), bars->getCorner()); // the bars follow the window
    // Too small in one direction: the size stays; back within bounds it follows again.
    input.cursor(90, 184);
    EXPECT_EQ(Rect(20, 20, 250, 190), window->getArea());
    input.cursor(120, 120);
    EXPECT_EQ(Rect(20, 20, 126, 126), window->getArea());
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    input.cursor(300, 250);
    EXPECT_EQ(Rect(20, 20, 126, 126), window->getArea());
}

TEST_F(ScrollbarsTest, HidingTheBarsEndsAThumbDragWhoseReleaseTheyCannotHear) {
    loadControls(scrolled(""));
    Frame* host = get<Frame>("host");
    input.cursor(214, 35);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    ASSERT_TRUE(sb()->isDragging());
    // Hidden, they hear no release; shown again, the pointer moves with no button held.
    host->setVisible(false);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    host->setVisible(true);
    EXPECT_FALSE(sb()->isDragging());
    input.cursor(214, 89);
    EXPECT_FLOAT_EQ(0, sb()->getScrollY());
    frame();
    EXPECT_TRUE(red(at(140, 140, 0), at(140, 140, 1), at(140, 140, 2)));
}
