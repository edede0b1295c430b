// Menus and the menu bar on a real window: sizes, hover and submenus, the chosen path reaching
// the owner, drawing over the layout, and the menu bar's title switching.

#include "vst_controls_support.h"

#include "vst_context.h"
#include "vst_menubar.h"

using namespace vsttest;
using norvane::vistrel::Context;
using norvane::vistrel::Menubar;

namespace {

class ContextTest : public ControlsTest {
protected:
    // "spline" with "add key", "-------" and a submenu "type" of three entries.
    void build(Context& menu) {
        menu.setText("spline");
        menu.addItem("add key", "");
        menu.addItem("-------", "");
        Context* type = menu.addItem("type", "");
        type->addItem("square", "");
        type->addItem("linear", "");
        type->addItem("smooth", "");
    }
    Rect row(Context& menu, int i) { return menu.itemRow(i); }
    void over(Context& menu, int i) {
        Rect r = row(menu, i);
        input.cursor(r.x1 + 8, r.y1 + 5);
    }
};

int events(const Recorder& r, const std::string& name) {
    int n = 0;
    for (const auto& e : r.events)
        n += e.second == name;
    return n;
}

} // namespace

TEST_F(ContextTest, AChosenSubmenuEntryReachesTheOwnerAsItsDottedPath) {
    loadControls("<box id='owner'><area x='10' y='10' width='380' height='280'/></box>");
    Box* owner = get<Box>("owner");
    ASSERT_NE(nullptr, owner);
    Recorder app;
    owner->addCallback(&app);
    Context menu;
    build(menu);
    Render* render = root->getWorkspace().getRender();
    float widest = std::max(render->textWidth("add key"), std::max(render->textWidth("-------"), render->textWidth("type")));

    menu.setPosition(150, 40);
    owner->openPopup(&menu);
    EXPECT_EQ(&menu, root->getWorkspace().getPopup());
    EXPECT_EQ(owner, menu.getOwner());
    // Three rows: 2 x 5 + 3 x 15 - 5 high, 30 wider than the widest text.
    EXPECT_EQ(Rect(150, 40, 150 + 30 + widest, 90), menu.getArea());

    // Hovering "type" opens its submenu beside the menu, level with the row.
    over(menu, 2);
    EXPECT_EQ(2, menu.getHoverItem());
    ASSERT_EQ(2, menu.getOpenItem());
    Context* type = dynamic_cast<Context*>(menu.getChild(2));
    ASSERT_NE(nullptr, type);
    EXPECT_FLOAT_EQ(menu.getArea().x2 + 2, type->getArea().x1);
    EXPECT_FLOAT_EQ(70, type->getArea().y1);
    EXPECT_FLOAT_EQ(120, type->getArea().y2);

    // Onto "linear" in the submenu: the submenu stays open while the pointer is off the menu.
    over(*type, 1);
    EXPECT_EQ(-1, menu.getHoverItem());
    EXPECT_EQ(2, menu.getOpenItem());
    EXPECT_EQ(1, type->getHoverItem());

    // Drawn over the layout: the hovered entry's highlight bar in the submenu, white text in the menu.
    frame();
    Rect hot = row(*type, 1);
    EXPECT_GT(at(static_cast<int>(hot.x2) - 7, static_cast<int>(hot.y1) + 2, 1), 200);
    EXPECT_LT(at(static_cast<int>(hot.x2) - 7, static_cast<int>(row(*type, 0).y1) + 2, 1), 60);
    auto ink = inkColumns(static_cast<int>(row(menu, 0).y1), static_cast<int>(row(menu, 0).y2), 150, 260);
    EXPECT_NEAR(155, ink.first, 2);
    shot("vistrel_context.png");

    // The left release chooses: one "context" event to the owner and one named event to its
    // callbacks; the workspace then closes the menu.
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_EQ(1, events(app, "spline.type.linear"));
    ASSERT_EQ(1u, app.events.size());
    EXPECT_EQ(&menu, app.events[0].first);
    int contexts = 0;
    for (const std::string& s : owner->seen)
        contexts += s == "context";
    EXPECT_EQ(1, contexts);
    EXPECT_EQ(nullptr, root->getWorkspace().getPopup());
}

TEST_F(ContextTest, ARightReleaseChoosesNothingAndHoverSwitchesSubmenus) {
    loadControls("<box id='owner'><area x='10' y='10' width='380' height='280'/></box>");
    Box* owner = get<Box>("owner");
    Recorder app;
    owner->addCallback(&app);
    Context menu;
    menu.setText("m");
    Context* a = menu.addItem("alpha", "");
    a->addItem("a1", "");
    Context* b = menu.addItem("beta", "");
    b->addItem("b1", "");
    b->addItem("b2", "");
    menu.addItem("plain", "");
    menu.setPosition(20, 20);
    owner->openPopup(&menu);

    over(menu, 0);
    EXPECT_EQ(0, menu.getOpenItem());
    over(menu, 1);
    EXPECT_EQ(1, menu.getOpenItem()); // the other submenu opens instead
    EXPECT_FLOAT_EQ(20 + 15, b->getArea().y1);
    over(menu, 1);
    EXPECT_EQ(1, menu.getOpenItem()); // hovering its own item keeps it
    over(menu, 2);
    EXPECT_EQ(-1, menu.getOpenItem()); // an item without entries opens nothing

    input.button(GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS);
    input.button(GLFW_MOUSE_BUTTON_RIGHT, GLFW_RELEASE);
    EXPECT_TRUE(app.events.empty());
    EXPECT_EQ(&menu, root->getWorkspace().getPopup());
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    ASSERT_EQ(1u, app.events.size());
    EXPECT_EQ("m.plain", app.events[0].second);
}

TEST_F(ContextTest, AFixedWidthCutsTheTextsAndSelectionMarksAnEntry) {
    loadControls("<box id='owner'><area x='0' y='0' width='400' height='300'/></box>");
    Context menu;
    menu.addItem("a rather long entry text", "");
    menu.addItem("WWWWWWWWWWWWWWWWWWWWWWWWWW", "");
    menu.addItem("x", "");
    EXPECT_EQ(2, menu.select("x"));
    EXPECT_EQ(-1, menu.select("nothing"));
    EXPECT_EQ("x", menu.getSelected());
    menu.setItemText("y", -1); // nothing hovered: item 0
    EXPECT_EQ("y", menu.getChild(0)->getText());
    menu.setItemText("z", 7); // out of range: nothing
    menu.setFixedWidth(40);
    menu.setPosition(100, 100);
    get<Box>("owner")->openPopup(&menu);
    EXPECT_FLOAT_EQ(140, menu.getArea().x2);
    menu.getChild(0)->setText("a rather long entry text");
    frame();
    // No text reaches past the padding on the right.
    for (int i = 0; i < 3; ++i) {
        Rect r = menu.itemRow(i);
        auto ink = inkColumns(static_cast<int>(r.y1), static_cast<int>(r.y2), 100, 200);
        if (ink.second >= 0) {
            EXPECT_LE(ink.second, 135);
        }
    }
    menu.clear();
    EXPECT_EQ(0u, menu.getChildCount());
    EXPECT_EQ("", menu.getSelected());
}

TEST_F(ContextTest, TheMenuBarOpensSwitchesAndReportsItsMenus) {
    loadControls("<menubar id='bar'><area x='0' y='0' width='400' height='120'/>"
                 "<item caption='File'><item caption='Open'/><item caption='Save'/></item>"
                 "<item caption='Edit'><item caption='Undo'/><item caption='More'><item caption='Deep'/></item></item>"
                 "<child><box id='below'><area x='10' y='10' width='50' height='50'/></box></child>"
                 "</menubar>");
    Menubar* bar = get<Menubar>("bar");
    ASSERT_NE(nullptr, bar);
    ASSERT_EQ(2u, bar->getMenuCount());
    EXPECT_EQ("File", bar->getMenu(0)->getText());
    EXPECT_EQ(2u, bar->getMenu(0)->getChildCount());
    EXPECT_EQ(1u, bar->getMenu(1)->getChild(1)->getChildCount());
    // Children lie below the bar.
    EXPECT_FLOAT_EQ(30, get<Box>("below")->getScreenArea().y1);
    Recorder app;
    bar->addCallback(&app);
    Workspace& ws = root->getWorkspace();

    Rect file = bar->titleBox(0), edit = bar->titleBox(1);
    EXPECT_FLOAT_EQ(5, file.x1);
    EXPECT_FLOAT_EQ(file.x2 + 15, edit.x1);
    // The press opens the menu below its title; its release over the title keeps it open.
    input.cursor(file.x1 + 3, 10);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    EXPECT_EQ(bar->getMenu(0), ws.getPopup());
    EXPECT_EQ(Rect(5, 20, bar->getMenu(0)->getArea().x2, 20 + 2 * 5 + 2 * 15 - 5), bar->getMenu(0)->getArea());
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_EQ(bar->getMenu(0), ws.getPopup());
    EXPECT_TRUE(bar->isOpen());

    // Moving across the titles switches the menus.
    input.cursor(edit.x1 + 3, 10);
    EXPECT_EQ(bar->getMenu(1), ws.getPopup());
    EXPECT_FLOAT_EQ(edit.x1, bar->getMenu(1)->getArea().x1);
    frame();
    EXPECT_LT(at(static_cast<int>(edit.x1) - 1, 4, 0), 80);  // the open title's dark box
    EXPECT_GT(at(static_cast<int>(file.x2) + 6, 4, 0), 200); // the white bar between titles
    shot("vistrel_menubar.png");

    // Back to "File", down onto "Save", release: the path reaches the bar's callbacks and the
    // menu closes.
    input.cursor(file.x1 + 3, 10);
    Rect save = bar->getMenu(0)->itemRow(1);
    input.cursor(save.x1 + 8, save.y1 + 4);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    ASSERT_EQ(1u, app.events.size());
    EXPECT_EQ("File.Save", app.events[0].second);
    EXPECT_EQ(nullptr, ws.getPopup());

    // Menu mode ended with the choice: one click opens the next menu at once.
    input.cursor(edit.x1 + 4, 10);
    EXPECT_EQ(nullptr, ws.getPopup());
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    EXPECT_EQ(bar->getMenu(1), ws.getPopup());
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    // The next release on the bar closes it.
    input.cursor(edit.x1 + 5, 10);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_EQ(nullptr, ws.getPopup());
    EXPECT_FALSE(bar->isOpen());
    // With no menu open, the bar's children get the events.
    input.click(30, 40);
    EXPECT_FALSE(get<Box>("below")->seen.empty());
}
