// The timeline editor on a real window: rows built from the timeline, span bars moved and
// stretched with the pointer, Tab, the time slider and the wheel, the frame-rate display, and
// layouts that lack a control or name one of another class.

#include "crv_gui.h"
#include "crv_row.h"

#include "am_archivemanager.h"
#include "dis_display.h"
#include "nvn_system.h"
#include "scr_reader.h"
#include "scr_script.h"
#include "vst_label.h"
#include "vst_layoutstack.h"
#include "vst_scrollbars.h"
#include "vst_spline.h"
#include "vst_stat.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using norvane::corvista::Effector;
using norvane::corvista::Row;
using norvane::script::EffectEntry;

namespace {

// The callbacks the display installed on its window, called as the window system would.
struct Input {
    GLFWwindow* window = glfwGetCurrentContext();

    template <typename Fun> Fun installed(Fun (*setter)(GLFWwindow*, Fun)) const {
        Fun fun = setter(window, nullptr);
        setter(window, fun);
        return fun;
    }
    void key(int key, int action) const { installed(glfwSetKeyCallback)(window, key, 1000 + key, action, 0); }
    void tap(int k) const {
        key(k, GLFW_PRESS);
        key(k, GLFW_RELEASE);
    }
    void cursor(double x, double y) const { installed(glfwSetCursorPosCallback)(window, x, y); }
    void button(int action) const {
        installed(glfwSetMouseButtonCallback)(window, GLFW_MOUSE_BUTTON_LEFT, action, 0);
    }
    void wheel(double clicks) const { installed(glfwSetScrollCallback)(window, 0, clicks); }
    // Hover, press, move by (dx, dy) in one step, release.
    void drag(double x, double y, double dx, double dy) const {
        cursor(x, y);
        button(GLFW_PRESS);
        cursor(x + dx, y + dy);
        button(GLFW_RELEASE);
    }
};

// Hears the keys that get past every listener added after it (the demo system's place).
struct KeyRecorder : norvane::display::Listener {
    explicit KeyRecorder(norvane::display::DisplayGL* display) : Listener(display) {}
    int onKeyDown(norvane::display::Event* event) override {
        keys.push_back(static_cast<norvane::display::KeyEvent*>(event)->key);
        return 0;
    }
    std::vector<int> keys;
};

// A timeline with a track, nesting to depth 2, a span shorter than a second and a plain entry.
const char* const kScript = R"(<script>
	<effect name="ra" start="12" end="40">
		<spline name="glow" type="linear"><key time="0" value="0"/><key time="1" value="1"/></spline>
		<effect name="rb" start="1" end="5">
			<effect name="rc" start="0" end="2"/>
		</effect>
	</effect>
	<effect name="rd" start="0.2" end="0.7"/>
	<effect name="re" start="3" end="10"/>
</script>)";

// Rows in "effects", depth first: ra 0-30, glow 30-100, rb 100-130, rc 130-160, rd 160-190, re 190-220;
// the rows' area starts 20 pixels down the window.
const float kRowsTop = 20;
float rowMiddle(float rowTop) { return kRowsTop + rowTop + 14; }

std::string layout(const std::string& controls) {
    return "<vistrel><workspace><child><frame id='main'><child>" + controls +
           "</child></frame></child></workspace></vistrel>";
}

const std::string kSlider = "<scrollbar id='timeslider' direction='horisontal'>"
                            "<area x='200' y='0' width='500' height='12'/></scrollbar>";
const std::string kRows = "<scrollbar id='rows' direction='vertical'><area x='0' y='20' width='800' height='380'/>"
                          "<child><layoutstack id='effects'><area x='0' y='0' width='788' height='0'/></layoutstack>"
                          "</child></scrollbar>";
const std::string kFps = "<label id='fps' text='0.00'><area x='0' y='0' width='100' height='16'/></label>"
                         "<stat id='fps_stat'><area x='100' y='0' width='100' height='16'/></stat>";

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/halcyra_editor_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        norvane::display::WindowMode mode;
        mode.title = "editor test";
        mode.width = 800;
        mode.height = 400;
        display.reset(new norvane::display::DisplayGL(mode));
        display->open();
        archives.addArchive(dir);
        archives.addArchive(HALCYRA_DEMO_DIR); // the GUI font
        display->setArchive(&archives);
        std::string error;
        ASSERT_TRUE(norvane::script::ScriptReader::loadScript(kScript, static_cast<int>(std::string(kScript).size()),
                                                              script, &error))
            << error;
    }
    void TearDown() override {
        gui.reset();
        recorder.reset();
        display.reset();
        std::system(("rm -rf '" + dir + "'").c_str());
    }

    // Writes the layout, builds the editor for a 50-second demo and draws a frame.
    void build(const std::string& layoutText) {
        std::ofstream(dir + "/layout.xml") << layoutText;
        recorder.reset(new KeyRecorder(display.get()));
        gui.reset(new Gui(display.get(), &script));
        gui->setDemoLength(50);
        gui->build();
        input = Input();
        display->update();
    }
    norvane::vistrel::Control* find(const std::string& name) { return gui->getRoot().getWorkspace().find(name); }
    EffectEntry& entry(size_t i) { return *script.mEntries[i]; }
    norvane::vistrel::Control* effects() { return find("effects"); }
    Row* row(unsigned i) { return dynamic_cast<Row*>(effects()->getChild(i)); }
    Effector* bar(unsigned rowIndex) { return dynamic_cast<Effector*>(row(rowIndex)->getChild(0)); }
    // Frames for at least the given seconds of display time.
    void frames(double seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            display->update();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    std::string dir;
    norvane::am::ArchiveManager archives;
    std::unique_ptr<norvane::display::DisplayGL> display;
    norvane::script::Script script;
    std::unique_ptr<KeyRecorder> recorder;
    std::unique_ptr<Gui> gui;
    Input input;
};

TEST_F(EditorTest, RowsFollowTheTimelineDepthFirstWithTracksAndIndents) {
    build(layout(kSlider + kRows + kFps));
    ASSERT_NE(effects(), nullptr);
    ASSERT_EQ(effects()->getChildCount(), 6u);
    const char* captions[] = {"ra", "glow", "rb", "rc", "rd", "re"};
    const int levels[] = {0, 0, 1, 2, 0, 0};
    const float heights[] = {30, 70, 30, 30, 30, 30};
    float top = 0;
    for (unsigned i = 0; i < 6; ++i) {
        ASSERT_NE(row(i), nullptr) << i;
        EXPECT_EQ(row(i)->getText(), captions[i]);
        EXPECT_EQ(row(i)->getLevel(), levels[i]) << captions[i];
        EXPECT_FLOAT_EQ(row(i)->getArea().y1, top) << captions[i];
        EXPECT_FLOAT_EQ(row(i)->getArea().height(), heights[i]) << captions[i];
        EXPECT_FLOAT_EQ(row(i)->getArea().width(), 50 * 10 + 200) << captions[i];
        top += heights[i];
    }
    // "effects" holds all of them.
    EXPECT_FLOAT_EQ(effects()->getArea().height(), 220);

    // An entry from 12 s to 40 s: x 120 to 400 in the row's client area, 320 to 600 from its left edge.
    Effector* a = bar(0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->getEntry(), &entry(0));
    EXPECT_EQ(a->getArea(), norvane::vistrel::Rect(120, 2, 400, 27));
    EXPECT_FLOAT_EQ(a->getScreenArea().x1 - row(0)->getScreenArea().x1, 320);
    EXPECT_FLOAT_EQ(a->getScreenArea().x2 - row(0)->getScreenArea().x1, 600);

    // The track row edits the timeline's own curve over the entry's span, 70 pixels tall.
    auto* curve = dynamic_cast<norvane::vistrel::Spline*>(row(1)->getChild(0));
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(curve->getCurve(), entry(0).mTracks[0].get());
    EXPECT_EQ(curve->getArea(), norvane::vistrel::Rect(120, 2, 400, 72));
    // Its keys are in the entry's local seconds: 28 seconds across 280 pixels.
    EXPECT_FLOAT_EQ(curve->getTimeSpan(), 28.0f);
    EXPECT_FLOAT_EQ(curve->toScreen(1.0f, 0.0f).x - curve->getScreenArea().x1, 10.0f);
    EXPECT_FLOAT_EQ(curve->fromScreen(curve->getScreenArea().x1 + 140.0f, 0.0f).x, 14.0f);
    // A child's bar stands where it plays on the demo's clock: 1 to 5 s inside 12 s is 13 to 17 s.
    EXPECT_EQ(bar(2)->getArea(), norvane::vistrel::Rect(130, 2, 170, 27));
}

TEST_F(EditorTest, ANestedCaptionIsDrawnFortyPixelsFurtherRight) {
    build(layout(kSlider + kRows));
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    gui->getRoot().onFrame();
    std::vector<unsigned char> gl(800 * 400 * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 400, GL_RGBA, GL_UNSIGNED_BYTE, gl.data());
    // The first column with white ink in a row's caption (left of x 200).
    auto firstInk = [&](float rowTop) {
        for (int x = 3; x < 200; ++x) // past the row's outline
            for (int y = static_cast<int>(kRowsTop + rowTop) + 6; y < static_cast<int>(kRowsTop + rowTop) + 24; ++y)
                if (gl[(static_cast<size_t>(399 - y) * 800 + x) * 4 + 2] > 160) return x; // white, not the stack's yellow
        return -1;
    };
    const int top = firstInk(0);      // "ra", level 0
    const int nested = firstInk(130); // "rc", level 2
    ASSERT_GT(top, 0);
    EXPECT_EQ(nested - top, 40);
}

TEST_F(EditorTest, DraggingABarsMiddleMovesTheEntryAndKeepsItsLength) {
    build(layout(kSlider + kRows));
    EffectEntry& e = entry(2); // 3 to 10 s: x 230 to 300 on screen
    input.drag(265, rowMiddle(190), 25, 0);
    EXPECT_FLOAT_EQ(e.mStart, 5.5f);
    EXPECT_FLOAT_EQ(e.mEnd, 12.5f);
    EXPECT_FLOAT_EQ(bar(5)->getScreenArea().x1, 255);
    EXPECT_EQ(bar(5)->getDrag(), 0);
    // Left past 0: the start stops at 0 and the length stays.
    input.drag(270, rowMiddle(190), -200, 0);
    EXPECT_FLOAT_EQ(e.mStart, 0.0f);
    EXPECT_FLOAT_EQ(e.mEnd, 7.0f);
    // The timeline plays the entry at its new time on the next update: no length is recomputed.
    EXPECT_TRUE(e.isActiveAt(6.5f));
    EXPECT_FALSE(e.isActiveAt(7.5f));
}

TEST_F(EditorTest, ANestedEntrysBarStandsWhereItPlaysAndMovesItsOwnTimes) {
    build(layout(kSlider + kRows));
    EffectEntry& c = *entry(0).mChildren[0]->mChildren[0]; // 0-2 s in 1-5 s in 12-40 s: x 330 to 350
    EXPECT_EQ(bar(3)->getArea(), norvane::vistrel::Rect(130, 2, 150, 27));
    input.drag(348, rowMiddle(130), 20, 0); // its right edge 2 s later, in its parent's time
    EXPECT_FLOAT_EQ(c.mEnd, 4.0f);
    EXPECT_EQ(bar(3)->getArea(), norvane::vistrel::Rect(130, 2, 170, 27));
    input.cursor(399, rowMiddle(0)); // the bar dragged before lets go of the pointer on the first move
    input.drag(400, rowMiddle(0), -10, 0); // the outermost 1 s earlier takes it along
    EXPECT_FLOAT_EQ(c.mStart, 0.0f);
    EXPECT_EQ(bar(3)->getArea(), norvane::vistrel::Rect(120, 2, 160, 27));
}

TEST_F(EditorTest, CurveRowsFollowTheirEntrysBar) {
    // A track on the nested "rb" too: rows ra 0-30, glow 30-100, rb 100-130, its track 130-200.
    entry(0).mChildren[0]->mTracks.push_back(std::make_unique<norvane::script::SplineTrack>());
    build(layout(kSlider + kRows));
    auto curve = [&](unsigned i) { return dynamic_cast<norvane::vistrel::Spline*>(row(i)->getChild(0)); };
    ASSERT_NE(curve(3), nullptr);
    EXPECT_EQ(curve(3)->getArea(), norvane::vistrel::Rect(130, 2, 170, 72)); // under rb's bar, 13 to 17 s
    input.drag(400, rowMiddle(0), 20, 0);                                     // ra: 14 to 42 s
    input.drag(618, rowMiddle(0), 30, 0);                                     // its right edge: to 45 s
    EXPECT_EQ(curve(1)->getArea(), norvane::vistrel::Rect(140, 2, 450, 72));
    EXPECT_FLOAT_EQ(curve(1)->getTimeSpan(), 31.0f); // still 10 pixels per second
    EXPECT_EQ(curve(3)->getArea(), norvane::vistrel::Rect(150, 2, 190, 72));
}

TEST_F(EditorTest, AnEntryMovedPastTheTimelinesEndStillPlaysThere) {
    build(layout(kSlider + kRows));
    ASSERT_FLOAT_EQ(script.mLength, 40.0f);
    input.drag(265, rowMiddle(190), 400, 0); // "re" from 3..10 s to 43..50 s
    EXPECT_FLOAT_EQ(entry(2).mEnd, 50.0f);
    EXPECT_FLOAT_EQ(script.mLength, 50.0f);
    float t = 45.0f;
    EXPECT_TRUE(script.update(t));
    // Shortened again, the timeline ends with its last entry.
    input.drag(698, rowMiddle(190), -60, 0); // the right edge (x 690 to 700) back to 44 s
    EXPECT_FLOAT_EQ(entry(2).mEnd, 44.0f);
    EXPECT_FLOAT_EQ(script.mLength, 44.0f);
}

TEST_F(EditorTest, EdgeDragsStopOneSecondFromTheOtherEdge) {
    build(layout(kSlider + kRows));
    EffectEntry& e = entry(2); // 3 to 10 s: x 230 to 300
    // The left edge dragged right past the end stops 1 s before it.
    input.drag(232, rowMiddle(190), 200, 0);
    EXPECT_FLOAT_EQ(e.mStart, 9.0f);
    EXPECT_FLOAT_EQ(e.mEnd, 10.0f);
    // Back to 3 to 10 s: the right edge dragged left past the start stops 1 s after it.
    e.mStart = 3;
    bar(5)->placeOnEntry();
    input.drag(298, rowMiddle(190), -150, 0);
    EXPECT_FLOAT_EQ(e.mStart, 3.0f);
    EXPECT_FLOAT_EQ(e.mEnd, 4.0f);
    input.drag(238, rowMiddle(190), 60, 0); // a 1-second bar is all left edge: the start moves
    EXPECT_FLOAT_EQ(e.mStart, 3.0f);
    EXPECT_FLOAT_EQ(e.mEnd, 4.0f);
    // The left edge dragged left past 0 stops at 0.
    input.drag(232, rowMiddle(190), -300, 0);
    EXPECT_FLOAT_EQ(e.mStart, 0.0f);
    EXPECT_FLOAT_EQ(e.mEnd, 4.0f);
    // The right edge of the longer bar stretches it.
    input.drag(238, rowMiddle(190), 40, 0);
    EXPECT_FLOAT_EQ(e.mEnd, 8.0f);
}

TEST_F(EditorTest, AnEntryShorterThanASecondNeverGetsANegativeStart) {
    build(layout(kSlider + kRows));
    EffectEntry& d = entry(1); // 0.2 to 0.7 s: x 202 to 207
    input.drag(203, rowMiddle(160), 3, 0);
    EXPECT_GE(d.mStart, 0.0f);
    EXPECT_FLOAT_EQ(d.mStart, 0.0f);
    EXPECT_FLOAT_EQ(d.mEnd, 0.7f);
    EXPECT_GE(bar(4)->getArea().x1, 0.0f);
}

TEST_F(EditorTest, AnEdgeDragGoesOnOffTheBarUntilTheRelease) {
    build(layout(kSlider + kRows));
    EffectEntry& e = entry(2); // 3 to 10 s: x 230 to 300
    input.cursor(232, rowMiddle(190));
    EXPECT_EQ(bar(5)->getZone(), Effector::ZoneLeftEdge);
    input.button(GLFW_PRESS);
    EXPECT_EQ(bar(5)->getDrag(), Effector::ZoneLeftEdge);
    input.cursor(252, rowMiddle(190) + 120); // far below the bar, 2 s to the right
    EXPECT_FLOAT_EQ(e.mStart, 5.0f);
    input.cursor(242, rowMiddle(190) + 150);
    EXPECT_FLOAT_EQ(e.mStart, 4.0f);
    input.button(GLFW_RELEASE);
    EXPECT_EQ(bar(5)->getDrag(), 0);
    input.cursor(262, rowMiddle(190) + 150); // no longer dragged
    EXPECT_FLOAT_EQ(e.mStart, 4.0f);
    EXPECT_FLOAT_EQ(e.mEnd, 10.0f);

    // The first row's left edge, dragged over the rows after it (which are asked first), one of
    // them with a bar edge under the pointer, and released there.
    EffectEntry& a = entry(0); // 12 to 40 s: x 320 to 600
    input.cursor(322, rowMiddle(0));
    input.button(GLFW_PRESS);
    input.cursor(332, rowMiddle(100)); // over the nested entry's bar, 13 to 17 s
    EXPECT_FLOAT_EQ(a.mStart, 13.0f);
    input.cursor(342, rowMiddle(160));
    input.cursor(352, rowMiddle(190));
    input.button(GLFW_RELEASE);
    EXPECT_FLOAT_EQ(a.mStart, 15.0f);
    EXPECT_FLOAT_EQ(a.mEnd, 40.0f);
    EXPECT_EQ(bar(0)->getDrag(), 0);
    EXPECT_EQ(bar(2)->getDrag(), 0);
    EXPECT_FLOAT_EQ(entry(0).mChildren[0]->mStart, 1.0f);
    EXPECT_FLOAT_EQ(e.mStart, 4.0f);
}

TEST_F(EditorTest, ADragEndsWithTheReleaseOverTheRowsBelowOrWhileThePanelIsHidden) {
    build(layout(kSlider + kRows));
    EffectEntry& a = entry(0); // 12 to 40 s: x 320 to 600
    auto* curve = dynamic_cast<norvane::vistrel::Spline*>(row(1)->getChild(0));
    ASSERT_NE(curve, nullptr);
    auto& keys = a.mTracks[0]->mKeys;
    keys[1].value = 0.5f; // inside the curve row, not on its lower edge
    // Pressed, moved 10 pixels right, released over the rows below or while Tab hides the panel,
    // then moved on with no button held.
    auto drag = [&](float x, float y, bool hide) {
        input.cursor(x - 1, y); // a bar hovered before hears the first move
        input.cursor(x, y);
        input.button(GLFW_PRESS);
        input.cursor(x + 10, hide ? y : rowMiddle(100));
        if (hide) input.tap(GLFW_KEY_TAB);
        input.button(GLFW_RELEASE);
        if (hide) input.tap(GLFW_KEY_TAB);
        input.cursor(x + 30, rowMiddle(100));
        input.cursor(x + 60, y);
    };
    drag(400, rowMiddle(0), false);
    drag(400, rowMiddle(0), true);
    EXPECT_FLOAT_EQ(a.mStart, 14.0f);
    EXPECT_FLOAT_EQ(a.mEnd, 42.0f);
    EXPECT_EQ(bar(0)->getDrag(), 0);
    const norvane::vistrel::Point key = curve->toScreen(keys[1].time, keys[1].value); // moved with the bar
    drag(key.x, key.y, true); // 28 s over 280 pixels
    drag(key.x + 10, key.y, false);
    EXPECT_FLOAT_EQ(keys[1].time, 3.0f);
    EXPECT_EQ(curve->getDragged(), -1);

    // Nor does the edge under the pointer when the panel hid take the first press once it shows,
    // with the pointer over another row by then.
    input.cursor(298, rowMiddle(190)); // the right edge of 3 to 10 s
    ASSERT_EQ(bar(5)->getZone(), Effector::ZoneRightEdge);
    input.tap(GLFW_KEY_TAB);
    input.cursor(360, rowMiddle(0));
    input.tap(GLFW_KEY_TAB);
    input.button(GLFW_PRESS);
    input.cursor(380, rowMiddle(0));
    input.button(GLFW_RELEASE);
    EXPECT_FLOAT_EQ(entry(2).mEnd, 10.0f);
}

TEST_F(EditorTest, TabTogglesThePanelAndGoesOnToTheDemoSystem) {
    build(layout(kSlider + kRows));
    norvane::vistrel::Control* main = find("main");
    ASSERT_NE(main, nullptr);
    main->setVisible(false);
    EXPECT_FALSE(gui->isPanelShown());
    input.tap(GLFW_KEY_TAB);
    EXPECT_TRUE(gui->isPanelShown());
    input.tap(GLFW_KEY_TAB);
    EXPECT_FALSE(gui->isPanelShown());
    // Both presses reached the listener added before the editor.
    EXPECT_EQ(recorder->keys, (std::vector<int>{9, 9}));
    norvane::display::KeyEvent tab;
    tab.key = 9;
    EXPECT_EQ(gui->onKeyDown(&tab), 0);
    EXPECT_TRUE(gui->isPanelShown());
}

TEST_F(EditorTest, CtrlWheelOverARowScrollsTheTimeSliderAndTheBars) {
    build(layout(kSlider + kRows));
    auto* slider = dynamic_cast<norvane::vistrel::Scrollbars*>(find("timeslider"));
    ASSERT_NE(slider, nullptr);
    const float before = bar(0)->getScreenArea().x1;
    // Without a modifier the wheel scrolls the rows' own area, not the time slider.
    input.cursor(100, rowMiddle(0));
    input.wheel(-1);
    EXPECT_FLOAT_EQ(slider->getScrollX(), 0);
    input.key(GLFW_KEY_LEFT_CONTROL, GLFW_PRESS);
    input.wheel(-2);
    input.key(GLFW_KEY_LEFT_CONTROL, GLFW_RELEASE);
    EXPECT_GT(slider->getScrollX(), 0);
    EXPECT_GT(gui->getScrollFactor(), 0);
    // The bars move left by the demo length times the factor at 10 pixels per second; the rows stay.
    const float shift = 50 * gui->getScrollFactor() * 10;
    EXPECT_FLOAT_EQ(bar(0)->getScreenArea().x1, before - shift);
    EXPECT_FLOAT_EQ(row(0)->getScreenArea().x1, 0);
    EXPECT_FLOAT_EQ(row(1)->getChild(0)->getScreenArea().x1, before - shift);
}

TEST_F(EditorTest, RowsOutOfSightTakeTheTimeSlidersScrollWhenTheyComeIntoSight) {
    // Rows 60 pixels high: the first two are in sight.
    build(layout(kSlider + "<scrollbar id='rows' direction='vertical'><area x='0' y='20' width='800' height='60'/>"
                           "<child><layoutstack id='effects'><area x='0' y='0' width='788' height='0'/>"
                           "</layoutstack></child></scrollbar>"));
    auto* slider = dynamic_cast<norvane::vistrel::Scrollbars*>(find("timeslider"));
    ASSERT_NE(slider, nullptr);
    const float first = bar(0)->getScreenArea().x1;
    const float last = bar(5)->getScreenArea().x1;
    slider->setThumbs(50, 0);
    slider->updateThumbs();
    slider->notify(norvane::vistrel::CodeScrolled);
    const float shift = 50 * gui->getScrollFactor() * 10;
    ASSERT_GT(shift, 0);
    EXPECT_FLOAT_EQ(bar(0)->getScreenArea().x1, first - shift);
    input.cursor(100, 50);
    input.wheel(-5); // down to the last row
    ASSERT_GT(bar(5)->getClipArea().height(), 0);
    EXPECT_FLOAT_EQ(bar(5)->getScreenArea().x1, last - shift);
    EXPECT_FLOAT_EQ(bar(5)->getScroll().x, shift);
}

TEST_F(EditorTest, RowsInsideTheTimeSliderDoNotBounceTheWheelBack) {
    build(layout("<scrollbar id='timeslider' direction='horisontal'><area x='0' y='20' width='800' height='380'/>"
                 "<child><layoutstack id='effects'><area x='0' y='0' width='800' height='0'/></layoutstack>"
                 "</child></scrollbar>"));
    auto* slider = dynamic_cast<norvane::vistrel::Scrollbars*>(find("timeslider"));
    ASSERT_NE(slider, nullptr);
    ASSERT_EQ(effects()->getChildCount(), 6u);
    input.cursor(100, rowMiddle(0));
    input.key(GLFW_KEY_LEFT_CONTROL, GLFW_PRESS);
    input.wheel(-1); // reaches the slider once, through its own children
    input.key(GLFW_KEY_LEFT_CONTROL, GLFW_RELEASE);
    EXPECT_GT(slider->getScrollX(), 0);
}

TEST_F(EditorTest, TheTimeSliderScrollsByItsTravelAndNotAtAllWhenTooNarrow) {
    for (float width : {136.0f, 36.0f, 33.0f, 20.0f}) {
        SCOPED_TRACE(width);
        gui.reset();
        recorder.reset();
        build(layout("<scrollbar id='timeslider' direction='horisontal'><area x='200' y='0' width='" +
                     std::to_string(width) + "' height='12'/></scrollbar>" + kRows));
        auto* slider = dynamic_cast<norvane::vistrel::Scrollbars*>(find("timeslider"));
        ASSERT_NE(slider, nullptr);
        const float before = bar(0)->getScreenArea().x1;
        slider->setThumbs(50, 0);
        slider->updateThumbs();
        slider->notify(norvane::vistrel::CodeScrolled);
        if (width > 36) {
            EXPECT_FLOAT_EQ(gui->getScrollFactor(), 50.0f / (width - 36));
            EXPECT_FLOAT_EQ(bar(0)->getScreenArea().x1, before - 50 * gui->getScrollFactor() * 10);
        } else {
            EXPECT_EQ(gui->getScrollFactor(), 0.0f);
            EXPECT_FLOAT_EQ(bar(0)->getScreenArea().x1, before);
        }
    }
    // A slider wider than int's range in its layout: the thumb's offset is still taken forwards.
    gui.reset();
    recorder.reset();
    build(layout("<scrollbar id='timeslider' direction='horisontal'><area x='200' y='0' width='1e30' height='12'/>"
                 "</scrollbar>" + kRows));
    auto* wide = dynamic_cast<norvane::vistrel::Scrollbars*>(find("timeslider"));
    ASSERT_NE(wide, nullptr);
    wide->setThumbs(3e10f, 0);
    wide->notify(norvane::vistrel::CodeScrolled);
    EXPECT_FLOAT_EQ(gui->getScrollFactor(), 3e10f / (1e30f - 36));
}

TEST_F(EditorTest, TheFrameRateIsShownInItsLabelAndGraph) {
    build(layout(kSlider + kRows + kFps));
    auto* label = dynamic_cast<norvane::vistrel::Label*>(find("fps"));
    auto* stat = dynamic_cast<norvane::vistrel::Stat*>(find("fps_stat"));
    ASSERT_NE(label, nullptr);
    ASSERT_NE(stat, nullptr);
    frames(0.6);
    const std::string text = label->getLabelText();
    ASSERT_NE(text.find('.'), std::string::npos);
    EXPECT_EQ(text.size() - text.find('.'), 3u) << text; // two decimals
    EXPECT_GT(std::atof(text.c_str()), 0.0);
    EXPECT_GT(stat->getMax(), 0.0f);
}

TEST_F(EditorTest, ALayoutWithoutTheOptionalControlsStillBuildsAndRuns) {
    // No "effects", "timeslider", "fps_stat" or "fps": no rows, no scrolling, no frame rate.
    build(layout("<label id='title' text='editor'/>"));
    EXPECT_TRUE(gui->isBuilt());
    frames(0.3);
    input.tap(GLFW_KEY_TAB);
    EXPECT_FALSE(gui->isPanelShown());
    input.tap(GLFW_KEY_TAB);
    EXPECT_TRUE(gui->isPanelShown());
    // Only the frame-rate graph missing: the label still counts.
    gui.reset();
    recorder.reset();
    build(layout(kSlider + kRows + "<label id='fps'/>"));
    frames(0.3);
    EXPECT_FALSE(dynamic_cast<norvane::vistrel::Label*>(find("fps"))->getLabelText().empty());
    EXPECT_EQ(effects()->getChildCount(), 6u);
}

TEST_F(EditorTest, ControlsOfAnotherClassUnderTheEditorsNamesCountAsMissing) {
    build(layout("<slider id='timeslider'><area x='200' y='0' width='300' height='12'/></slider>"
                 "<label id='fps_stat' text='graph'/>"
                 "<stat id='fps'><area x='0' y='0' width='50' height='16'/></stat>" +
                 kRows));
    frames(0.5);
    // The label named like the graph keeps its text; the graph named like the label got no value.
    EXPECT_EQ(dynamic_cast<norvane::vistrel::Label*>(find("fps_stat"))->getLabelText(), "graph");
    EXPECT_EQ(dynamic_cast<norvane::vistrel::Stat*>(find("fps"))->getMax(), 0.0f);
    // The slider's notifications do not scroll the rows.
    const float before = bar(0)->getScreenArea().x1;
    find("timeslider")->notify(norvane::vistrel::CodeSliderChanged);
    gui->onControl(find("timeslider"), norvane::vistrel::CodeScrolled);
    EXPECT_FLOAT_EQ(bar(0)->getScreenArea().x1, before);
    // Ctrl+wheel over a row is not handed to the slider.
    input.cursor(100, rowMiddle(0));
    input.key(GLFW_KEY_LEFT_CONTROL, GLFW_PRESS);
    input.wheel(-1);
    input.key(GLFW_KEY_LEFT_CONTROL, GLFW_RELEASE);
    EXPECT_FLOAT_EQ(bar(0)->getScreenArea().x1, before);
}

TEST_F(EditorTest, AMissingLayoutIsAClearError) {
    recorder.reset(new KeyRecorder(display.get()));
    gui.reset(new Gui(display.get(), &script));
    norvane::am::ArchiveManager empty; // no layout anywhere
    empty.addArchive(dir);
    display->setArchive(&empty);
    try {
        gui->build();
        FAIL() << "no error";
    } catch (const norvane::Exception& error) {
        EXPECT_STREQ(error.what(), "Could not find the file 'layout.xml'.");
    }
    EXPECT_FALSE(gui->isBuilt());
    EXPECT_FALSE(gui->isPanelShown());
    display->setArchive(&archives);
}

TEST_F(EditorTest, TheEditorLeavesTheDisplayWhenDeleted) {
    build(layout(kSlider + kRows));
    gui.reset();
    // The display goes on without it; a key reaches the remaining listener only.
    input.tap(GLFW_KEY_TAB);
    display->update();
    EXPECT_EQ(recorder->keys, (std::vector<int>{9}));
    // The timeline is untouched.
    EXPECT_EQ(script.mEntries.size(), 3u);
}

} // namespace

