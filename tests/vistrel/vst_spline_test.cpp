// The spline editor on a real window: keys dragged (also past a neighbour and onto a
// neighbour's time), removed and inserted with keys and menus, the type changed, all acting on
// the curve itself, and the curve drawn through its keys.

#include "vst_controls_support.h"

#include "vst_spline.h"

#include "scr_spline.h"

using namespace vsttest;
using norvane::vistrel::Point;
using norvane::vistrel::Spline;
using Curve = norvane::script::Spline;

namespace {

// Screen (50, 50)-(350, 250): time t at x = 50 + 300 t, value v at y = 150 + 100 v.
const char* const threeKeys = "<spline id='sp' type='linear'><area x='50' y='50' width='300' height='200'/>"
                              "<item x='0.2' y='0'/><item x='0.5' y='-0.5'/><item x='0.8' y='0.5'/></spline>";

class SplineTest : public ControlsTest {
protected:
    Spline* sp() { return get<Spline>("sp"); }
    Curve& curve() { return *sp()->getCurve(); }
    Point key(int i) { return sp()->toScreen(curve().mKeys[i].time, curve().mKeys[i].value); }
    void clickKey(int i) {
        Point p = key(i);
        input.click(p.x, p.y);
    }
    bool sorted() {
        for (size_t i = 1; i < curve().mKeys.size(); ++i)
            if (curve().mKeys[i].time < curve().mKeys[i - 1].time)
                return false;
        return true;
    }
    int edits() {
        int n = 0;
        for (const auto& c : app.controls)
            n += c.second == norvane::vistrel::CodeSplineEdited;
        return n;
    }
    // Right-clicks at the point and chooses entry `item` of the menu (and `sub` of its submenu).
    void choose(float x, float y, int item, int sub = -1) {
        input.cursor(x, y);
        input.button(GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS);
        input.button(GLFW_MOUSE_BUTTON_RIGHT, GLFW_RELEASE);
        norvane::vistrel::Context* menu = dynamic_cast<norvane::vistrel::Context*>(root->getWorkspace().getPopup());
        ASSERT_NE(nullptr, menu);
        Rect row = menu->itemRow(item);
        input.cursor(row.x1 + 8, row.y1 + 5);
        if (sub >= 0) {
            auto* submenu = dynamic_cast<norvane::vistrel::Context*>(menu->getChild(static_cast<unsigned>(item)));
            ASSERT_NE(nullptr, submenu);
            Rect r = submenu->itemRow(sub);
            input.cursor(r.x1 + 8, r.y1 + 5);
        }
        input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
        EXPECT_EQ(nullptr, root->getWorkspace().getPopup());
    }
    Recorder app;
};

bool allFinite(const Spline& s) {
    for (const Point& p : s.getSamples())
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            return false;
    return true;
}

} // namespace

TEST_F(SplineTest, AKeyDraggedPastItsNeighbourKeepsTheKeysSortedAndStaysSelected) {
    loadControls(threeKeys);
    ASSERT_NE(nullptr, sp());
    sp()->addCallback(&app);
    ASSERT_EQ(3u, curve().mKeys.size());
    EXPECT_EQ(Curve::Linear, curve().mType);
    EXPECT_FLOAT_EQ(110, key(0).x);
    EXPECT_FLOAT_EQ(150, key(0).y);

    input.cursor(111, 149);
    EXPECT_EQ(0, sp()->getHovered());
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    EXPECT_EQ(0, sp()->getDragged());
    EXPECT_EQ(0, sp()->getSelected());
    // Onto the neighbour's time (0.5) first: equal times keep the order; then past it.
    input.cursor(200, 130);
    EXPECT_EQ(0, sp()->getDragged());
    EXPECT_FLOAT_EQ(0.5f, curve().mKeys[0].time);
    EXPECT_FLOAT_EQ(0.5f, curve().mKeys[1].time);
    frame();
    EXPECT_TRUE(allFinite(*sp()));
    EXPECT_TRUE(std::isfinite(curve().evaluate(0.5f)));
    input.cursor(230, 120);
    EXPECT_EQ(1, sp()->getDragged());
    EXPECT_EQ(1, sp()->getSelected());
    EXPECT_EQ(1, sp()->getHovered());
    EXPECT_TRUE(sorted());
    EXPECT_FLOAT_EQ(0.6f, curve().mKeys[1].time);
    EXPECT_FLOAT_EQ(-0.3f, curve().mKeys[1].value);
    // Dragged below the control: values beyond +1, nothing clamps them.
    input.cursor(230, 300);
    EXPECT_FLOAT_EQ(1.5f, curve().mKeys[1].value);
    input.cursor(230, 120);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_EQ(-1, sp()->getDragged());
    EXPECT_EQ(4, edits());

    // The curve is drawn through the keys: the line colour lies on the segment between the
    // dragged key (230, 120) and the last one (290, 200), and the keys are dots.
    frame();
    shot("vistrel_spline.png");
    auto line = [](int r, int, int b) { return r > 55 && b > r; };
    EXPECT_GT(countPixels(258, 158, 262, 162, line), 0);
    EXPECT_EQ(0, countPixels(258, 120, 262, 130, line));
    EXPECT_GT(at(290, 200, 0), 130); // a key dot
    EXPECT_GT(at(230, 120, 0), 150); // the selected key
}

TEST_F(SplineTest, DeletingAKeyLeavesAValidSelectionAndNothingToDrag) {
    loadControls(threeKeys);
    sp()->addCallback(&app);
    // Select the last key and delete it with the pointer still where it was.
    clickKey(2);
    EXPECT_EQ(2, sp()->getSelected());
    input.cursor(key(2).x + 1, key(2).y);
    EXPECT_EQ(2, sp()->getHovered());
    input.tap(GLFW_KEY_DELETE);
    ASSERT_EQ(2u, curve().mKeys.size());
    EXPECT_EQ(1, sp()->getSelected()); // the new last key
    EXPECT_EQ(-1, sp()->getHovered());
    EXPECT_EQ(-1, sp()->getDragged());
    // A press without moving drags nothing, and the next move is harmless.
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    EXPECT_EQ(-1, sp()->getDragged());
    input.cursor(300, 210);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_EQ(2u, curve().mKeys.size());
    EXPECT_EQ(0, edits());

    // Arrows move the selection within the keys.
    input.tap(GLFW_KEY_LEFT);
    input.tap(GLFW_KEY_LEFT);
    EXPECT_EQ(0, sp()->getSelected());
    input.tap(GLFW_KEY_RIGHT);
    input.tap(GLFW_KEY_RIGHT);
    EXPECT_EQ(1, sp()->getSelected());
    input.tap(GLFW_KEY_DELETE);
    input.tap(GLFW_KEY_DELETE);
    EXPECT_TRUE(curve().mKeys.empty());
    EXPECT_EQ(-1, sp()->getSelected());
    input.tap(GLFW_KEY_DELETE); // nothing left to delete
    frame();
    EXPECT_TRUE(allFinite(*sp()));
}

TEST_F(SplineTest, InsertAddsKeysAtTheEndOrHalfwayOnACurveTheEditorOwns) {
    loadControls("<spline id='sp'><area x='50' y='50' width='300' height='200'/></spline>");
    Curve track(Curve::Smooth, true);
    sp()->setCurve(&track, false);
    input.click(200, 150); // focus
    input.tap(GLFW_KEY_INSERT);
    ASSERT_EQ(1u, track.mKeys.size());
    EXPECT_FLOAT_EQ(0, track.mKeys[0].time);
    input.tap(GLFW_KEY_INSERT);
    ASSERT_EQ(2u, track.mKeys.size());
    EXPECT_FLOAT_EQ(1, track.mKeys[1].time);
    EXPECT_FLOAT_EQ(0, track.mKeys[1].value);

    track.mKeys.clear();
    track.addKey({0.2f, 0.4f, 0, 0});
    track.addKey({0.6f, -0.2f, 0, 0});
    input.tap(GLFW_KEY_LEFT); // selection clamped to key 0
    input.tap(GLFW_KEY_INSERT);
    ASSERT_EQ(3u, track.mKeys.size());
    EXPECT_FLOAT_EQ(0.4f, track.mKeys[1].time);
    EXPECT_FLOAT_EQ(0.1f, track.mKeys[1].value);
    // Halfway between two keys of the same time: a third key of that time, the curve finite.
    track.mKeys[2].time = 0.4f;
    track.moveKey(2);
    input.tap(GLFW_KEY_RIGHT);
    input.tap(GLFW_KEY_INSERT);
    ASSERT_EQ(4u, track.mKeys.size());
    frame();
    EXPECT_TRUE(allFinite(*sp()));
    EXPECT_EQ(sp()->sampleCount(), static_cast<int>(sp()->getSamples().size()));
    EXPECT_EQ(150, sp()->sampleCount());
}

TEST_F(SplineTest, AKeyAddedOrDeletedBeforeTheHoveredOrSelectedOneLeavesThePressAndDeleteOnTheirKeys) {
    loadControls(threeKeys);
    clickKey(0);
    input.cursor(key(1).x, key(1).y);
    ASSERT_EQ(1, sp()->getHovered());
    input.tap(GLFW_KEY_INSERT); // halfway between keys 0 and 1: the new key 1
    ASSERT_EQ(4u, curve().mKeys.size());
    EXPECT_EQ(2, sp()->getHovered());
    // Pressed without a move in between, the key under the pointer (t 0.5) is the one dragged.
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    input.cursor(key(2).x + 30, key(2).y);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_FLOAT_EQ(0.35f, curve().mKeys[1].time);
    EXPECT_FLOAT_EQ(0.6f, curve().mKeys[2].time);
    ASSERT_EQ(2, sp()->getSelected());
    // "add key" at t 0.15 puts a key before the selected one, which stays selected: Delete takes it.
    choose(95, 80, 0);
    ASSERT_EQ(5u, curve().mKeys.size());
    EXPECT_EQ(3, sp()->getSelected());
    input.tap(GLFW_KEY_DELETE);
    ASSERT_EQ(4u, curve().mKeys.size());
    for (const Curve::Key& k : curve().mKeys)
        EXPECT_NE(0.6f, k.time);
    // Keys 0.15, 0.2, 0.35 (selected) and 0.8: "delete key" on the first leaves 0.35 selected.
    input.tap(GLFW_KEY_LEFT);
    ASSERT_FLOAT_EQ(0.35f, curve().mKeys[sp()->getSelected()].time);
    choose(key(0).x, key(0).y, 0);
    ASSERT_EQ(3u, curve().mKeys.size());
    EXPECT_EQ(1, sp()->getSelected());
    input.tap(GLFW_KEY_DELETE);
    ASSERT_EQ(2u, curve().mKeys.size());
    EXPECT_FLOAT_EQ(0.2f, curve().mKeys[0].time);
    EXPECT_FLOAT_EQ(0.8f, curve().mKeys[1].time);
}

TEST_F(SplineTest, TheMenusAddAndDeleteKeysAndChangeTheType) {
    loadControls(threeKeys);
    sp()->addCallback(&app);
    // On empty ground the add menu: "add key" puts a key where the menu was opened.
    choose(320, 80, 0);
    ASSERT_EQ(4u, curve().mKeys.size());
    EXPECT_FLOAT_EQ(0.9f, curve().mKeys[3].time);
    EXPECT_FLOAT_EQ(-0.7f, curve().mKeys[3].value);
    ASSERT_EQ(1u, app.events.size());
    EXPECT_EQ("spline.add key", app.events[0].second);

    // On a key the key menu: "delete key" removes that key.
    Point k = key(1);
    choose(k.x, k.y, 0);
    ASSERT_EQ(3u, curve().mKeys.size());
    EXPECT_FLOAT_EQ(0.8f, curve().mKeys[1].time);
    EXPECT_EQ(-1, sp()->getHovered());

    // The type submenu.
    choose(320, 230, 2, 0);
    EXPECT_EQ(Curve::Square, curve().mType);
    EXPECT_EQ("spline.type.square", app.events.back().second);
    frame();
    // A square curve holds each key's value up to the next key: at t 0.5 the first key's 0.
    EXPECT_FLOAT_EQ(0, curve().evaluate(0.5f));
    auto line = [](int r, int, int b) { return r > 55 && b > r; };
    EXPECT_GT(countPixels(198, 148, 202, 152, line), 0);
    choose(320, 230, 2, 2);
    EXPECT_EQ(Curve::Smooth, curve().mType);
    EXPECT_EQ(0, edits()); // menu edits send no code
}

TEST_F(SplineTest, NarrowControlsAreSampledAtLeastTenPointsAndAnEmptyOneMapsNothing) {
    loadControls("<spline id='sp' type='bogus'><area x='10' y='10' width='16' height='40'/>"
                 "<item x='0' y='0'/><item x='nan' y='0.5'/><item x='1' y='1'/></spline>");
    EXPECT_EQ(Curve::Smooth, curve().mType);
    EXPECT_EQ(2u, curve().mKeys.size()); // a key that is not a number is left out
    EXPECT_EQ(10, sp()->sampleCount());
    frame();
    EXPECT_EQ(10u, sp()->getSamples().size());
    sp()->setArea(Rect(10, 10, 1e30f, 50));
    EXPECT_EQ(8192, sp()->sampleCount());
    sp()->setArea(Rect(10, 10, 26, 50));
    // A control without extent: a drag maps to no curve position and changes no key.
    input.cursor(10, 30);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    ASSERT_EQ(0, sp()->getDragged());
    sp()->setArea(Rect(10, 10, 10, 10));
    input.cursor(20, 45);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_FLOAT_EQ(0, curve().mKeys[0].time);
    EXPECT_FLOAT_EQ(0, curve().mKeys[0].value);
}

TEST_F(SplineTest, ATimeSpanStretchesTheCurveAcrossTheWidth) {
    loadControls(threeKeys);
    ASSERT_NE(nullptr, sp());
    sp()->setTimeSpan(2.0f); // two seconds across 300 pixels
    EXPECT_FLOAT_EQ(80, key(0).x);
    EXPECT_FLOAT_EQ(125, key(1).x);
    // A drag maps the pointer back into seconds.
    input.cursor(81, 149);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    input.cursor(140, 150);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_FLOAT_EQ(0.6f, curve().mKeys[1].time);
    EXPECT_TRUE(sorted());
    // The picture samples the whole span, and Insert after the last key adds one at its end.
    frame();
    ASSERT_FALSE(sp()->getSamples().empty());
    EXPECT_FLOAT_EQ(2.0f, sp()->getSamples().back().x);
    clickKey(2);
    input.tap(GLFW_KEY_INSERT);
    ASSERT_EQ(4u, curve().mKeys.size());
    EXPECT_FLOAT_EQ(2.0f, curve().mKeys[3].time);
    // Nothing sensible to stretch over: one unit, as a control of its own has.
    sp()->setTimeSpan(0.0f);
    EXPECT_FLOAT_EQ(1.0f, sp()->getTimeSpan());
    sp()->setTimeSpan(std::nanf(""));
    EXPECT_FLOAT_EQ(1.0f, sp()->getTimeSpan());
}
