// A layout file that uses every one of the editor's controls, loaded through the archives into a
// real window, driven a little and drawn.

#include "vst_controls_support.h"

#include "vst_context.h"
#include "vst_frame.h"
#include "vst_image.h"
#include "vst_label.h"
#include "vst_menubar.h"
#include "vst_panel.h"
#include "vst_scrollbars.h"
#include "vst_spline.h"
#include "vst_stat.h"

using namespace vsttest;
namespace v = norvane::vistrel;

namespace {

class LayoutFileTest : public ControlsTest {
protected:
    int width() const override { return 640; }
    int height() const override { return 480; }
};

} // namespace

TEST_F(LayoutFileTest, EveryControlLoadsFromTheLayoutFileAndIsDrawn) {
    archives->addArchive(VISTREL_CONTROLS_DATA);
    root->load("controls_layout.xml");
    ASSERT_NE(nullptr, get<v::Panel>("effects"));
    ASSERT_NE(nullptr, get<v::Scrollbars>("scroller"));
    ASSERT_NE(nullptr, get<v::Frame>("content"));
    ASSERT_NE(nullptr, get<v::Label>("row1"));
    ASSERT_NE(nullptr, get<v::Image>("glyphs"));
    ASSERT_NE(nullptr, get<v::Spline>("fade"));
    ASSERT_NE(nullptr, get<v::Stat>("fps"));
    ASSERT_NE(nullptr, get<v::Menubar>("menu"));
    EXPECT_EQ(5u, get<v::Spline>("fade")->getCurve()->mKeys.size());
    EXPECT_EQ(3u, get<v::Menubar>("menu")->getMenuCount());
    EXPECT_EQ("Effects", get<v::Panel>("effects")->getText());
    // The panel's client area holds the scroll bars, which hold the content.
    EXPECT_EQ(v::Rect(15, 45, 304, 224), get<v::Scrollbars>("scroller")->getScreenArea());

    // Some frames per second for the graph, a scroll, and a menu of the bar open.
    for (int k = 0; k < 60; ++k) {
        glfwSetTime(1.0 + 0.11 * k);
        get<v::Stat>("fps")->addValue(55.0f + 5.0f * static_cast<float>(std::sin(k * 0.3)));
    }
    for (int i = 0; i < 200; ++i)
        root->getWorkspace().draw();
    input.cursor(150, 150);
    input.wheel(-1);
    EXPECT_GT(get<v::Scrollbars>("scroller")->getScrollY(), 0);
    v::Rect edit = get<v::Menubar>("menu")->titleBox(1);
    input.cursor(edit.x1 + 3, 10);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    v::Context* menu = get<v::Menubar>("menu")->getMenu(1);
    ASSERT_EQ(menu, root->getWorkspace().getPopup());
    v::Rect curve = menu->itemRow(1);
    input.cursor(curve.x1 + 8, curve.y1 + 5);
    EXPECT_EQ(1, menu->getOpenItem());
    frame();
    shot("vistrel_controls_layout.png");

    // Something of each: the panel's caption, the thumb, the glyph sheet, the graph's line,
    // the curve, the bar and the open menu.
    EXPECT_NE(-1, inkColumns(32, 36, 25, 80).first);
    v::Rect thumb = get<v::Scrollbars>("scroller")->getVerticalThumb();
    EXPECT_GT(at(static_cast<int>(thumb.x1) + 6, static_cast<int>(thumb.y1) + 15, 0), 240);
    EXPECT_GT(countPixels(235, 53, 363, 180, [](int r, int g, int b) { return r > 200 && g > 200 && b > 200; }), 50);
    EXPECT_GT(countPixels(321, 241, 629, 319, [](int r, int g, int b) { return r > 200 && g > 180 && b < 120; }), 100);
    EXPECT_GT(countPixels(326, 51, 624, 224, [](int r, int, int b) { return r > 55 && b > r; }), 100);
    EXPECT_GT(at(600, 5, 0), 200);
    v::Rect open = dynamic_cast<v::Context*>(menu->getChild(1))->getArea();
    EXPECT_GT(open.x1, menu->getArea().x2);
    EXPECT_NE(-1, inkColumns(static_cast<int>(open.y1) + 5, static_cast<int>(open.y1) + 15,
                             static_cast<int>(open.x1), static_cast<int>(open.x2)).first);

    // The spline edits its own curve through the window's input.
    norvane::script::Spline* fade = get<v::Spline>("fade")->getCurve();
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE); // closes the menu (a choice of "Curve")
    EXPECT_EQ(nullptr, root->getWorkspace().getPopup());
    v::Point k = get<v::Spline>("fade")->toScreen(fade->mKeys[2].time, fade->mKeys[2].value);
    input.drag(k.x, k.y, k.x, k.y + 40);
    EXPECT_GT(fade->mKeys[2].value, 0.6f);
}
