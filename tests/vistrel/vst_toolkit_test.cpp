// One layout file that uses every control of the toolkit, loaded through the archives into a real
// window, driven through the window's input and drawn.

#include "vst_containers_support.h"

#include "vst_button.h"
#include "vst_context.h"
#include "vst_dropdown.h"
#include "vst_flow.h"
#include "vst_image.h"
#include "vst_layoutstack.h"
#include "vst_menubar.h"
#include "vst_radiobutton.h"
#include "vst_scrollbars.h"
#include "vst_slider.h"
#include "vst_spline.h"
#include "vst_splineorg.h"
#include "vst_stat.h"
#include "vst_tabview.h"
#include "vst_textinput.h"
#include "vst_treeview.h"
#include "vst_window.h"

#include <cmath>
#include <functional>
#include <set>

using namespace vsttest;
namespace v = norvane::vistrel;
using v::Point;

namespace {

class ToolkitTest : public ContainersTest {
protected:
    int width() const override { return 800; }
    int height() const override { return 600; }
    void SetUp() override {
        ContainersTest::SetUp();
        archives->addArchive(std::string(VISTREL_CONTAINERS_DATA) + "toolkit/");
        root->load("layout.xml");
        root->getWorkspace().addCallback(&app);
    }
    static void collect(Control* c, std::set<std::string>& names) {
        names.insert(c->getClassName());
        for (unsigned i = 0; i < c->getChildCount(); ++i)
            collect(c->getChild(i), names);
    }
    std::vector<int> codesFrom(Control* source) const {
        std::vector<int> v;
        for (const auto& c : app.controls)
            if (c.first == source)
                v.push_back(c.second);
        return v;
    }
    // Feeds the frame-rate graph a little history.
    void feedStat() {
        v::Stat* fps = get<v::Stat>("fps");
        for (int k = 0; k < 60; ++k) {
            glfwSetTime(1.0 + 0.11 * k);
            fps->addValue(55.0f + 5.0f * static_cast<float>(std::sin(k * 0.3)));
        }
    }

    Recorder app;
};

} // namespace

TEST_F(ToolkitTest, EveryControlClassOfTheToolkitIsInTheLayout) {
    std::set<std::string> names;
    collect(&root->getWorkspace(), names);
    const std::set<std::string> all = {"button", "checkbox", "dropdown", "flow", "frame", "image",
                                       "label", "layoutstack", "menubar", "panel", "radiobutton", "scrollbar",
                                       "slider", "spline", "splineorg", "stat", "tabframe", "tabview",
                                       "textinput", "treeview", "window", "workspace"};
    EXPECT_EQ(all, names);
    for (const std::string& name : all)
        EXPECT_TRUE(ControlRegistry::isRegistered(name)) << name;
}

TEST_F(ToolkitTest, TheContainersPlaceTheirChildrenInsideTheWindowAndTheTabs) {
    v::Window* timeline = get<v::Window>("timeline");
    ASSERT_NE(nullptr, timeline);
    EXPECT_EQ(Rect(10, 48, 390, 330), timeline->getScreenClientArea());
    // The flow fills the window's client area: a 22-pixel heading, the tree, a 32-pixel stack.
    EXPECT_EQ(Rect(10, 48, 390, 70), get<Control>("heading")->getScreenArea());
    EXPECT_EQ(Rect(10, 70, 390, 298), get<v::TreeView>("effects")->getScreenArea());
    EXPECT_EQ(Rect(10, 298, 390, 330), get<v::LayoutStack>("transport")->getScreenArea());
    // The stack puts its buttons and the text field side by side.
    EXPECT_EQ(Rect(10, 301, 80, 327), get<v::Button>("play")->getScreenArea());
    EXPECT_EQ(Rect(80, 301, 150, 327), get<v::Button>("loop")->getScreenArea());
    EXPECT_EQ(Rect(150, 301, 270, 327), get<Control>("start")->getScreenArea());
    // The first page shows both curve editors halved around a 6-pixel gap.
    v::TabView* pages = get<v::TabView>("pages");
    EXPECT_TRUE(get<Control>("curves")->isVisible());
    EXPECT_FALSE(get<Control>("scroll")->isVisible());
    EXPECT_EQ(Rect(400, 48, 592, 330), get<Control>("fade")->getScreenArea());
    EXPECT_EQ(Rect(598, 48, 790, 330), get<v::SplineOrg>("steps")->getScreenArea());
    EXPECT_EQ(4u, get<v::SplineOrg>("steps")->getKeys().size());
    EXPECT_EQ(3u, pages->getChildCount());
}

TEST_F(ToolkitTest, TheControlsAnswerTheWindowsInput) {
    // A row of the tree: code 13 reaches the workspace's callback from the tree view.
    v::TreeView* tree = get<v::TreeView>("effects");
    click(200, 70 + 3 + 16 + 11); // "Tunnel", 22 pixels high, below "Intro"
    ASSERT_NE(nullptr, tree->getSelected());
    EXPECT_EQ("Tunnel", tree->getSelected()->text);
    EXPECT_EQ(std::vector<int>({13}), codesFrom(tree));
    // The play button in the stack.
    click(45, 314);
    EXPECT_EQ(std::vector<int>({0, 1}), codesFrom(get<v::Button>("play")));

    // Dragging the window by its title bar carries the flow, the tree and the stack along.
    later();
    input.drag(200, 38, 230, 58);
    EXPECT_EQ(Rect(40, 50, 420, 350), get<v::Window>("timeline")->getArea());
    EXPECT_EQ(Rect(40, 90, 420, 318), tree->getScreenArea());
    EXPECT_EQ(Rect(40, 321, 110, 347), get<v::Button>("play")->getScreenArea());

    // The second tab shows the scroll page; the wheel scrolls its content.
    v::TabView* pages = get<v::TabView>("pages");
    Point tab = pages->tabRect(1).center();
    click(tab.x, tab.y);
    EXPECT_TRUE(get<Control>("scroll")->isVisible());
    EXPECT_FALSE(get<Control>("curves")->isVisible());
    input.cursor(600, 200);
    input.wheel(-1);
    EXPECT_GT(get<v::Scrollbars>("scroller")->getScrollY(), 0);
    EXPECT_LT(get<Control>("content")->getScreenArea().y1, 48);

    // The stand-alone curve editor on the first page takes a key drag.
    Point first = pages->tabRect(0).center();
    click(first.x, first.y);
    v::SplineOrg* steps = get<v::SplineOrg>("steps");
    Point k = steps->toScreen(steps->getKeys()[1]);
    later();
    input.drag(k.x, k.y, k.x, k.y + 20);
    EXPECT_NEAR(-0.4f + 40.0f / 282.0f, steps->getKeys()[1].y, 1e-4);
    EXPECT_FALSE(codesFrom(steps).empty());
}

TEST_F(ToolkitTest, EveryControlHiddenInTheMiddleOfAPressLetsGoOfThePointer) {
    v::Workspace& ws = root->getWorkspace();
    auto* play = get<v::Button>("play");
    auto* text = get<v::TextInput>("start");
    auto* window = get<v::Window>("timeline");
    auto* fade = get<v::Spline>("fade");
    auto* steps = get<v::SplineOrg>("steps");
    auto* bars = get<v::Scrollbars>("noteScroller");
    auto* layers = get<v::RadioButton>("layers");
    auto* blend = get<v::RadioButton>("blend");
    auto* quality = get<v::Dropdown>("quality");
    auto* time = get<v::Slider>("time");
    auto* menu = get<v::Menubar>("menu");
    auto* loop = get<v::Button>("loop");
    auto shows = [&ws](Control& popup) { return [&ws, &popup] { return ws.getPopup() == &popup; }; };
    struct Row {
        Control* control;
        Point press, drag; // where the press goes, and where a drag from there would go
        int button;
        std::function<bool()> holds; // what the press holds on to
    };
    const Point k = fade->toScreen(fade->getCurve()->mKeys[1].time, fade->getCurve()->mKeys[1].value);
    const Point s = steps->toScreen(steps->getKeys()[1]), title = menu->titleBox(0).center();
    const std::vector<Row> rows = {
        {play, {45, 314}, {45, 314}, 0, [play] { return play->isPressed(); }},
        {text, {160, 314}, {260, 314}, 0, [text] { return text->isSelecting(); }},
        {window, {200, 38}, {230, 58}, 0, [window] { return window->isDragging(); }},
        {fade, k, {k.x, k.y + 30}, 0, [fade] { return fade->getDragged() >= 0; }},
        {fade, k, {k.x, k.y + 30}, 1, shows(fade->getKeyMenu())},
        {steps, s, {s.x, s.y + 30}, 0, [steps] { return steps->getDragged() >= 0; }},
        {bars, {784, 470}, {784, 540}, 0, [bars] { return bars->isDragging(); }},
        {layers, {60, 369}, {60, 369}, 0, [layers] { return layers->getPressedIndex() >= 0; }},
        {blend, {60, 443}, {60, 443}, 0, [blend] { return blend->getPressedIndex() >= 0; }},
        {quality, {250, 373}, {250, 373}, 0, shows(quality->getMenu())},
        {time, {247, 407}, {330, 407}, 0, [time] { return time->isDragging(); }},
        {menu, title, {title.x + 60, title.y}, 0, [menu] { return menu->isOpen(); }},
    };
    const Point probe(115, 314), elsewhere(500, 380); // the loop button, the stat graph
    auto at = [this](Point p, int button, int action) {
        input.cursor(p.x, p.y);
        input.button(button, action);
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.control->getName() + " pressed with button " + std::to_string(row.button));
        input.cursor(elsewhere.x, elsewhere.y); // the press comes after a move onto the control
        later();
        at(row.press, row.button, GLFW_PRESS);
        ASSERT_TRUE(row.holds());
        const size_t codes = codesFrom(row.control).size();
        auto letGo = [&](const char* after) {
            EXPECT_FALSE(row.holds()) << after;
            EXPECT_EQ(codes, codesFrom(row.control).size()) << after;
        };
        // Tab hides the GUI in the middle of the press, which then ends unseen.
        ws.setVisible(false);
        letGo("hidden");
        at(probe, row.button, GLFW_RELEASE);
        ws.setVisible(true);
        input.cursor(row.drag.x, row.drag.y);
        letGo("a move with no button held");
        later();
        at(elsewhere, GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
        at(row.press, GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
        letGo("a press elsewhere released over it");
        // Hidden again with the pointer over the control, which then goes to the probe unseen: shown
        // again, a click without a move reaches neither, and one after a move reaches the probe.
        ws.setVisible(false);
        input.cursor(probe.x, probe.y);
        ws.setVisible(true);
        later();
        input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
        input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
        letGo("a click elsewhere without a move");
        const bool toggled = loop->isToggled();
        later();
        input.click(probe.x + 2, probe.y);
        EXPECT_NE(toggled, loop->isToggled());
        EXPECT_EQ(nullptr, ws.getPopup());
    }
}

TEST_F(ToolkitTest, TheWholeLayoutIsDrawn) {
    feedStat();
    input.cursor(300, 100);
    frame();
    // Title bars, the tree's rows, the tab strip, the panel, the stat graph and the menu bar all
    // put something on the black background.
    auto lit = [this](int x1, int y1, int x2, int y2) {
        return countPixels(x1, y1, x2, y2, [](int r, int g, int b) { return r + g + b > 40; });
    };
    EXPECT_GT(lit(12, 31, 388, 46), 1000);   // the window's title bar
    EXPECT_GT(lit(12, 73, 388, 120), 1000);  // rows of the tree
    EXPECT_GT(lit(400, 30, 460, 47), 300);   // the shown tab
    EXPECT_GT(lit(402, 50, 590, 328), 5000); // the spline editor
    EXPECT_GT(lit(600, 50, 788, 328), 5000); // the stand-alone editor
    EXPECT_GT(lit(12, 342, 388, 588), 5000); // the panel of form controls
    EXPECT_GT(lit(402, 342, 788, 428), 3000); // the stat graph
    EXPECT_GT(lit(0, 0, 799, 19), 10000);    // the menu bar
    shot("vistrel_toolkit.png");

    // The scroll page with its image, and a menu of the bar open over everything.
    v::TabView* pages = get<v::TabView>("pages");
    Point tab = pages->tabRect(1).center();
    click(tab.x, tab.y);
    v::Menubar* menu = get<v::Menubar>("menu");
    Rect edit = menu->titleBox(1);
    later();
    input.cursor(edit.x1 + 3, 10);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    ASSERT_NE(nullptr, root->getWorkspace().getPopup());
    frame();
    // White glyph pixels of the image on the scroll page.
    EXPECT_GT(countPixels(410, 80, 660, 320, [](int r, int g, int b) { return r > 200 && g > 200 && b > 200; }), 200);
    shot("vistrel_toolkit_menu.png");
}
