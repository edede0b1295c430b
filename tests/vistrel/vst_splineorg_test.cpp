// The stand-alone curve editor on a real window: keys from the layout, the stepped and straight
// pictures, dragging with clamping and reordering, the keyboard, and the context menus.

#include "vst_containers_support.h"

#include "vst_splineorg.h"

using namespace vsttest;
using norvane::vistrel::Context;
using norvane::vistrel::Point;
using norvane::vistrel::SplineOrg;

namespace {

// The control covers (40, 40) - (240, 140): x 0..1 over 200 pixels, y -1..1 over 100.
const char* const Curve = "<splineorg id='curve' type='square'><area x='40' y='40' width='200' height='100'/>"
                          "<item x='0.1' y='0'/><item x='0.5' y='0.6'/><item x='0.9' y='-0.6'/></splineorg>";

class SplineOrgTest : public ContainersTest {
protected:
    void start(const std::string& layout = Curve, const std::string& style = "") {
        loadControls(layout, style);
        curve = get<SplineOrg>("curve");
        ASSERT_NE(nullptr, curve);
        curve->addCallback(&app);
    }
    Point key(int i) { return curve->toScreen(curve->getKeys()[static_cast<size_t>(i)]); }
    std::vector<float> xs() {
        std::vector<float> v;
        for (const auto& k : curve->getKeys())
            v.push_back(k.x);
        return v;
    }
    int edits() const {
        int n = 0;
        for (const auto& c : app.controls)
            n += c.second == 9;
        return n;
    }
    // A pixel of the curve's line colour (back.border second over the dark back) near (x, y).
    bool lineNear(int x, int y) const {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (near(x + dx, y + dy, 79, 79, 104, 14))
                    return true;
        return false;
    }
    // Opens the context menu at (x, y) with the right button; the menu is the workspace's popup.
    Context* rightClick(double x, double y) {
        later();
        input.cursor(x, y);
        input.button(GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS);
        input.button(GLFW_MOUSE_BUTTON_RIGHT, GLFW_RELEASE);
        return dynamic_cast<Context*>(root->getWorkspace().getPopup());
    }
    // Chooses item i of the menu (and item sub of its submenu when sub >= 0) by pointing and
    // releasing the left button.
    void choose(Context* menu, int i, int sub = -1) {
        Rect r = menu->itemRow(i);
        input.cursor(r.x1 + 6, r.y1 + 5);
        if (sub >= 0) {
            Context* inner = dynamic_cast<Context*>(menu->getChild(static_cast<unsigned>(i)));
            ASSERT_NE(nullptr, inner);
            Rect s = inner->itemRow(sub);
            input.cursor(s.x1 + 6, s.y1 + 5);
        }
        input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    }

    SplineOrg* curve = nullptr;
    Recorder app;
};

} // namespace

TEST_F(SplineOrgTest, ASquareCurveDrawsAStaircaseWithLeadLines) {
    start();
    EXPECT_EQ("square", curve->getType());
    ASSERT_EQ(3u, curve->getKeys().size());
    EXPECT_EQ(0, curve->getSelected());
    EXPECT_FLOAT_EQ(60, key(0).x);
    EXPECT_FLOAT_EQ(90, key(0).y);
    EXPECT_FLOAT_EQ(140, key(1).x);
    EXPECT_FLOAT_EQ(120, key(1).y);
    EXPECT_FLOAT_EQ(220, key(2).x);
    EXPECT_FLOAT_EQ(60, key(2).y);
    input.cursor(300, 200); // away: no pointer line
    frame();
    EXPECT_TRUE(lineNear(45, 90)) << describe(45, 90);   // lead-in from the left edge
    EXPECT_TRUE(lineNear(100, 90)) << describe(100, 90); // step from key 0 ...
    EXPECT_TRUE(lineNear(140, 105)) << describe(140, 105); // ... down to key 1
    EXPECT_TRUE(lineNear(180, 120)) << describe(180, 120);
    EXPECT_TRUE(lineNear(220, 90)) << describe(220, 90);   // up to key 2
    EXPECT_TRUE(lineNear(235, 60)) << describe(235, 60);   // lead-out to the right edge
    EXPECT_FALSE(lineNear(100, 105)) << describe(100, 105); // no straight segment
    // The type name at the top left, left-aligned inside the control.
    auto ink = inkColumns(40, 52, 40, 120);
    EXPECT_NEAR(42, ink.first, 2);
    shot("vistrel_splineorg.png");
}

TEST_F(SplineOrgTest, LinearDrawsStraightSegmentsAndSmoothOnlyTheLeadLines) {
    start("<splineorg id='curve' type='linear'><area x='40' y='40' width='200' height='100'/>"
          "<item x='0.1' y='0'/><item x='0.5' y='0.6'/><item x='0.9' y='-0.6'/></splineorg>"
          "<splineorg id='smooth' type='smooth'><area x='40' y='160' width='200' height='100'/>"
          "<item x='0.1' y='0'/><item x='0.5' y='0.6'/><item x='0.9' y='-0.6'/></splineorg>"
          "<splineorg id='odd' type='cubic'><area x='260' y='40' width='100' height='100'/></splineorg>");
    EXPECT_EQ("", get<SplineOrg>("odd")->getType()); // an unknown type is not taken
    EXPECT_EQ("smooth", get<SplineOrg>("smooth")->getType());
    input.cursor(390, 290);
    frame();
    EXPECT_TRUE(lineNear(100, 105)) << describe(100, 105);
    EXPECT_FALSE(lineNear(100, 90)) << describe(100, 90);
    EXPECT_TRUE(lineNear(180, 90)) << describe(180, 90);
    // Smooth: lead lines and dots, nothing between the keys.
    EXPECT_TRUE(lineNear(45, 210)) << describe(45, 210);
    EXPECT_TRUE(lineNear(235, 180)) << describe(235, 180);
    EXPECT_FALSE(lineNear(100, 225));
    EXPECT_FALSE(lineNear(100, 210));
}

TEST_F(SplineOrgTest, DraggingAKeyClampsItAndReportsEveryMove) {
    start();
    later();
    input.cursor(key(1).x + 1, key(1).y - 1); // hover key 1
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    EXPECT_EQ(1, curve->getDragged());
    EXPECT_EQ(1, curve->getSelected());
    input.cursor(150, 100);
    EXPECT_FLOAT_EQ(0.55f, curve->getKeys()[1].x);
    EXPECT_FLOAT_EQ(0.2f, curve->getKeys()[1].y);
    // Far beyond the right and bottom edges: clamped to x 1 ... but key 2 is passed, so the
    // dragged key takes its place (at its x for this move) and the order holds.
    input.cursor(380, 290);
    EXPECT_EQ(std::vector<float>({0.1f, 0.9f, 0.9f}), xs());
    EXPECT_EQ(2, curve->getDragged());
    EXPECT_EQ(2, curve->getSelected()); // the selection follows the dragged key
    EXPECT_FLOAT_EQ(-0.6f, curve->getKeys()[1].y);
    EXPECT_FLOAT_EQ(1.0f, curve->getKeys()[2].y);
    input.cursor(381, 291);
    EXPECT_FLOAT_EQ(1.0f, curve->getKeys()[2].x); // 1.7 clamped to 1
    EXPECT_FLOAT_EQ(1.0f, curve->getKeys()[2].y);
    input.cursor(382, -100);
    EXPECT_FLOAT_EQ(-1.0f, curve->getKeys()[2].y);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_EQ(-1, curve->getDragged());
    EXPECT_EQ(4, edits());
    for (const auto& c : app.controls)
        EXPECT_EQ(curve, c.first);

    // A release outside the control ends the drag: coming back moves nothing.
    later();
    input.cursor(key(0).x, key(0).y);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    input.cursor(20, 20);
    EXPECT_FLOAT_EQ(0, curve->getKeys()[0].x);
    EXPECT_FLOAT_EQ(-1, curve->getKeys()[0].y);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_EQ(-1, curve->getDragged());
    input.cursor(100, 100);
    EXPECT_FLOAT_EQ(0, curve->getKeys()[0].x);
    EXPECT_FLOAT_EQ(-1, curve->getKeys()[0].y);
    EXPECT_EQ(5, edits());
}

TEST_F(SplineOrgTest, DraggingPastTheLeftNeighbourSwapsBackwards) {
    start();
    later();
    input.cursor(key(2).x, key(2).y);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    input.cursor(120, 130); // x 0.4: left of key 1 (0.5)
    EXPECT_EQ(std::vector<float>({0.1f, 0.5f, 0.5f}), xs());
    EXPECT_EQ(1, curve->getDragged());
    EXPECT_FLOAT_EQ(0.8f, curve->getKeys()[1].y);
    EXPECT_FLOAT_EQ(0.6f, curve->getKeys()[2].y);
    input.cursor(110, 130);
    EXPECT_FLOAT_EQ(0.35f, curve->getKeys()[1].x);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_EQ(1, curve->getSelected());
}

TEST_F(SplineOrgTest, TheKeyboardMovesTheSelectionRemovesAndInserts) {
    start();
    click(100, 50); // focus the control
    EXPECT_EQ(curve, root->getWorkspace().getFocus());
    input.tap(GLFW_KEY_LEFT);
    EXPECT_EQ(0, curve->getSelected());
    input.tap(GLFW_KEY_RIGHT);
    input.tap(GLFW_KEY_RIGHT);
    input.tap(GLFW_KEY_RIGHT);
    EXPECT_EQ(2, curve->getSelected());
    // Insert with the last key selected appends a key at x 1 with that key's y.
    input.tap(GLFW_KEY_INSERT);
    ASSERT_EQ(4u, curve->getKeys().size());
    EXPECT_FLOAT_EQ(1.0f, curve->getKeys()[3].x);
    EXPECT_FLOAT_EQ(-0.6f, curve->getKeys()[3].y);
    // With a next key, the new key goes halfway between, right after the selection.
    input.tap(GLFW_KEY_LEFT);
    input.tap(GLFW_KEY_INSERT);
    EXPECT_EQ(std::vector<float>({0.1f, 0.5f, 0.7f, 0.9f, 1.0f}), xs());
    EXPECT_FLOAT_EQ(0.0f, curve->getKeys()[2].y);
    EXPECT_EQ(1, curve->getSelected());

    // Del removes the selected key; removing the last one moves the selection back.
    input.tap(GLFW_KEY_DELETE);
    EXPECT_EQ(std::vector<float>({0.1f, 0.7f, 0.9f, 1.0f}), xs());
    EXPECT_EQ(1, curve->getSelected());
    for (int i = 0; i < 3; ++i)
        input.tap(GLFW_KEY_RIGHT);
    input.tap(GLFW_KEY_DELETE);
    EXPECT_EQ(std::vector<float>({0.1f, 0.7f, 0.9f}), xs());
    EXPECT_EQ(2, curve->getSelected());
    for (int i = 0; i < 3; ++i)
        input.tap(GLFW_KEY_DELETE);
    EXPECT_TRUE(curve->getKeys().empty());
    EXPECT_EQ(0, curve->getSelected());
    input.tap(GLFW_KEY_DELETE); // nothing left: nothing happens
    // On an empty list Insert adds (0, 0), then (1, 0).
    input.tap(GLFW_KEY_INSERT);
    input.tap(GLFW_KEY_INSERT);
    EXPECT_EQ(std::vector<float>({0.0f, 1.0f}), xs());
    EXPECT_FLOAT_EQ(0, curve->getKeys()[1].y);
    EXPECT_EQ(0, edits()); // keyboard edits report nothing
}

TEST_F(SplineOrgTest, TheAddMenuInsertsAKeyWhereItWasOpened) {
    start();
    Context* menu = rightClick(100, 115);
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(&curve->getAddMenu(), menu);
    EXPECT_EQ(3u, menu->getChildCount());
    EXPECT_EQ("add key", menu->getChild(0)->getText());
    EXPECT_EQ(Rect(100, 115, menu->getArea().x2, 165), menu->getArea());
    choose(menu, 0);
    EXPECT_EQ(nullptr, root->getWorkspace().getPopup());
    // The menu point as a fraction of the control: x (100 - 40) / 200 = 0.3, y 2 * 75 / 100 - 1.
    EXPECT_EQ(std::vector<float>({0.1f, 0.3f, 0.5f, 0.9f}), xs());
    EXPECT_FLOAT_EQ(0.5f, curve->getKeys()[1].y);
    // Left of every key: at the front.
    choose(rightClick(45, 50), 0);
    EXPECT_FLOAT_EQ(0.025f, curve->getKeys()[0].x);
    EXPECT_FLOAT_EQ(-0.8f, curve->getKeys()[0].y);
    // Right of every key: at the end.
    choose(rightClick(236, 139), 0);
    EXPECT_FLOAT_EQ(0.98f, curve->getKeys()[5].x);
    EXPECT_FLOAT_EQ(0.98f, curve->getKeys()[5].y);
    EXPECT_EQ(0, edits());
}

TEST_F(SplineOrgTest, TheTypeSubmenuSetsSquareOrLinearAndSmoothMeansLinear) {
    start();
    choose(rightClick(100, 60), 2, 1);
    EXPECT_EQ("linear", curve->getType());
    choose(rightClick(100, 60), 2, 0);
    EXPECT_EQ("square", curve->getType());
    choose(rightClick(100, 60), 2, 2);
    EXPECT_EQ("linear", curve->getType());
    // The key menu has the same submenu.
    choose(rightClick(key(1).x, key(1).y), 2, 0);
    EXPECT_EQ("square", curve->getType());
    EXPECT_EQ(3u, curve->getKeys().size());
}

TEST_F(SplineOrgTest, DeletingFromTheMenuKeepsTheSelectionOnTheKeysThatRemain) {
    start();
    // Select the last key, then delete it from its menu: Insert must still work on what is left.
    click(key(2).x, key(2).y);
    EXPECT_EQ(2, curve->getSelected());
    Context* menu = rightClick(key(2).x, key(2).y);
    ASSERT_EQ(&curve->getKeyMenu(), menu);
    EXPECT_EQ("delete key", menu->getChild(0)->getText());
    choose(menu, 0);
    EXPECT_EQ(std::vector<float>({0.1f, 0.5f}), xs());
    EXPECT_EQ(1, curve->getSelected());
    input.tap(GLFW_KEY_INSERT);
    EXPECT_EQ(std::vector<float>({0.1f, 0.5f, 1.0f}), xs());
    EXPECT_FLOAT_EQ(0.6f, curve->getKeys()[2].y);

    // Deleting a key before the selection keeps the selection on its key.
    click(key(1).x, key(1).y);
    EXPECT_EQ(1, curve->getSelected());
    choose(rightClick(key(0).x, key(0).y), 0);
    EXPECT_EQ(std::vector<float>({0.5f, 1.0f}), xs());
    EXPECT_EQ(0, curve->getSelected());
    // Every key deleted from the menu: Insert starts again at (0, 0).
    choose(rightClick(key(1).x - 1, key(1).y), 0);
    choose(rightClick(key(0).x, key(0).y), 0);
    EXPECT_TRUE(curve->getKeys().empty());
    EXPECT_EQ(0, curve->getSelected());
    input.tap(GLFW_KEY_INSERT);
    EXPECT_EQ(std::vector<float>({0.0f}), xs());
}

TEST_F(SplineOrgTest, AStyledCurveHasEachMenuEntryOnce) {
    start(Curve, "<splineorg><color name='back.color' first='102030' second='102030'/>"
                 "<item x='0.7' y='0.1'/></splineorg>");
    // The style's keys come first, then the layout's; the menus are not doubled.
    EXPECT_EQ(std::vector<float>({0.7f, 0.1f, 0.5f, 0.9f}), xs());
    EXPECT_EQ(3u, curve->getAddMenu().getChildCount());
    EXPECT_EQ(3u, curve->getKeyMenu().getChildCount());
    EXPECT_EQ("spline", curve->getAddMenu().getText());
}

TEST_F(SplineOrgTest, KeysAreDrawnAsDotsWithTheSelectionAndHoverLit) {
    start();
    click(key(1).x, key(1).y); // focus and select key 1
    input.cursor(key(2).x + 2.5, key(2).y); // hover key 2
    frame();
    // Focused: dots of radius 3.5; the selected one white, the hovered one light blue, the other
    // in the border colour.
    EXPECT_TRUE(near(static_cast<int>(key(1).x), static_cast<int>(key(1).y), 255, 255, 255, 20))
        << describe(static_cast<int>(key(1).x), static_cast<int>(key(1).y));
    EXPECT_TRUE(near(static_cast<int>(key(2).x), static_cast<int>(key(2).y), 128, 128, 255, 20))
        << describe(static_cast<int>(key(2).x), static_cast<int>(key(2).y));
    EXPECT_TRUE(near(static_cast<int>(key(0).x), static_cast<int>(key(0).y), 140, 130, 130, 20))
        << describe(static_cast<int>(key(0).x), static_cast<int>(key(0).y));
    EXPECT_TRUE(near(static_cast<int>(key(0).x) + 3, static_cast<int>(key(0).y) - 2, 140, 130, 130, 30) ||
                lineNear(static_cast<int>(key(0).x) + 3, static_cast<int>(key(0).y) - 2));
    // The pointer line runs from top to bottom at the pointer's x.
    int x = static_cast<int>(key(2).x) + 2;
    EXPECT_TRUE(near(x, 45, 140, 130, 130, 20)) << describe(x, 45);
    EXPECT_TRUE(near(x, 135, 140, 130, 130, 20)) << describe(x, 135);
}
