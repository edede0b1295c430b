// Input: key translation through the window library's codes and the display's own table,
// characters, modifiers, buttons and double clicks, pointer and wheel, the order in which
// listeners hear events and what their result bits do, and the deferred close.

#include "dis_test_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

using namespace distest;

namespace {

// The key a display listener hears for a GLFW 3 key pressed and released; -1 when it hears none.
struct KeyCase {
    int glfw3;
    int expected;
};

} // namespace

TEST_F(DisplayTest, EveryKeyOfTheTableArrivesTranslated) {
    DisplayGL& d = open();
    Recorder listener("l", &log, &d);
    std::vector<KeyCase> cases = {
        // Printable keys as they are.
        {GLFW_KEY_SPACE, 32}, {GLFW_KEY_APOSTROPHE, 39}, {GLFW_KEY_0, 48}, {GLFW_KEY_9, 57}, {GLFW_KEY_A, 65},
        {GLFW_KEY_Z, 90}, {GLFW_KEY_LEFT_BRACKET, 91}, {GLFW_KEY_GRAVE_ACCENT, 96},
        // Esc, arrows and modifiers keep their GLFW 2 codes.
        {GLFW_KEY_ESCAPE, 257}, {GLFW_KEY_UP, 283}, {GLFW_KEY_DOWN, 284}, {GLFW_KEY_LEFT, 285},
        {GLFW_KEY_RIGHT, 286}, {GLFW_KEY_LEFT_SHIFT, 287}, {GLFW_KEY_RIGHT_SHIFT, 288},
        {GLFW_KEY_LEFT_CONTROL, 289}, {GLFW_KEY_RIGHT_CONTROL, 290}, {GLFW_KEY_LEFT_ALT, 291},
        {GLFW_KEY_RIGHT_ALT, 292},
        // Tab, Enter and Backspace become their control characters.
        {GLFW_KEY_TAB, 9}, {GLFW_KEY_ENTER, 13}, {GLFW_KEY_BACKSPACE, 8},
        // The editing block and the keypad move down by three.
        {GLFW_KEY_INSERT, 293}, {GLFW_KEY_DELETE, 294}, {GLFW_KEY_PAGE_UP, 295}, {GLFW_KEY_PAGE_DOWN, 296},
        {GLFW_KEY_HOME, 297}, {GLFW_KEY_END, 298}, {GLFW_KEY_KP_DIVIDE, 309}, {GLFW_KEY_KP_MULTIPLY, 310},
        {GLFW_KEY_KP_SUBTRACT, 311}, {GLFW_KEY_KP_ADD, 312}, {GLFW_KEY_KP_DECIMAL, 313}, {GLFW_KEY_KP_EQUAL, 314},
        {GLFW_KEY_KP_ENTER, 315},
        // Keys GLFW 2 did not know deliver nothing.
        {GLFW_KEY_LEFT_SUPER, -1}, {GLFW_KEY_RIGHT_SUPER, -1}, {GLFW_KEY_MENU, -1}, {GLFW_KEY_CAPS_LOCK, -1},
        {GLFW_KEY_SCROLL_LOCK, -1}, {GLFW_KEY_NUM_LOCK, -1}, {GLFW_KEY_PRINT_SCREEN, -1}, {GLFW_KEY_PAUSE, -1},
        {GLFW_KEY_WORLD_1, -1}, {GLFW_KEY_WORLD_2, -1}, {GLFW_KEY_UNKNOWN, -1},
    };
    for (int i = 0; i < 25; ++i) {
        cases.push_back({GLFW_KEY_F1 + i, 258 + i});
    }
    for (int i = 0; i < 10; ++i) {
        cases.push_back({GLFW_KEY_KP_0 + i, 299 + i});
    }
    Glfw3Input input;
    for (const KeyCase& c : cases) {
        listener.keyEvents.clear();
        log.clear();
        input.press(c.glfw3);
        if (c.expected >= 0) {
            EXPECT_TRUE(d.isKeyHeld(c.expected)) << c.glfw3;
        }
        input.release(c.glfw3);
        if (c.expected < 0) {
            EXPECT_TRUE(log.empty()) << c.glfw3;
            continue;
        }
        const std::string code = std::to_string(c.expected);
        EXPECT_EQ(log, (std::vector<std::string>{"l keydown " + code, "l keyup " + code})) << c.glfw3;
        EXPECT_FALSE(d.isKeyHeld(c.expected)) << c.glfw3;
    }
}

TEST(KeyTranslation, FollowsTheTableOnGlfw2Codes) {
    EXPECT_EQ(DisplayGL::translateKey(0), 0);
    EXPECT_EQ(DisplayGL::translateKey(255), 255);
    EXPECT_EQ(DisplayGL::translateKey(256), -1); // GLFW_KEY_SPECIAL
    EXPECT_EQ(DisplayGL::translateKey(257), 257);
    EXPECT_EQ(DisplayGL::translateKey(292), 292);
    EXPECT_EQ(DisplayGL::translateKey(293), 9);
    EXPECT_EQ(DisplayGL::translateKey(294), 13);
    EXPECT_EQ(DisplayGL::translateKey(295), 8);
    EXPECT_EQ(DisplayGL::translateKey(296), 293);
    EXPECT_EQ(DisplayGL::translateKey(318), 315);
    EXPECT_EQ(DisplayGL::translateKey(319), -1);
    EXPECT_EQ(DisplayGL::translateKey(-1), -1);
}

TEST_F(DisplayTest, RepeatedKeysArriveAsFurtherPresses) {
    DisplayGL& d = open();
    Recorder listener("l", &log, &d);
    Glfw3Input input;
    log.clear();
    input.press(GLFW_KEY_RIGHT);
    input.key(GLFW_KEY_RIGHT, GLFW_REPEAT);
    input.key(GLFW_KEY_RIGHT, GLFW_REPEAT);
    input.release(GLFW_KEY_RIGHT);
    EXPECT_EQ(log, (std::vector<std::string>{"l keydown 286", "l keydown 286", "l keydown 286", "l keyup 286"}));
}

TEST_F(DisplayTest, CharactersAreReleasedWithTheKeyThatMadeThem) {
    DisplayGL& d = open();
    Recorder listener("l", &log, &d);
    Glfw3Input input;
    log.clear();
    input.press(GLFW_KEY_A);
    input.character('a');
    EXPECT_TRUE(d.isKeyHeld('a'));
    input.key(GLFW_KEY_A, GLFW_REPEAT);
    input.character('a');
    input.press(GLFW_KEY_B);
    input.character('b');
    input.release(GLFW_KEY_A);
    EXPECT_FALSE(d.isKeyHeld('a'));
    input.release(GLFW_KEY_B);
    EXPECT_EQ(log, (std::vector<std::string>{"l keydown 65", "l chardown 97", "l keydown 65", "l chardown 97",
                                             "l keydown 66", "l chardown 98", "l keyup 65", "l charup 97",
                                             "l keyup 66", "l charup 98"}));
}

TEST_F(DisplayTest, AKeyThatChangesItsCharacterReleasesTheOldOne) {
    DisplayGL& d = open();
    Recorder listener("l", &log, &d);
    Glfw3Input input;
    log.clear();
    input.press(GLFW_KEY_A);
    input.character('a');
    input.key(GLFW_KEY_A, GLFW_REPEAT);
    input.character('A'); // Shift went down meanwhile
    input.release(GLFW_KEY_A);
    EXPECT_EQ(log, (std::vector<std::string>{"l keydown 65", "l chardown 97", "l keydown 65", "l charup 97",
                                             "l chardown 65", "l keyup 65", "l charup 65"}));
}

TEST_F(DisplayTest, ACharacterWithoutAKeyIsPressedAndReleasedAtOnce) {
    DisplayGL& d = open();
    Recorder listener("l", &log, &d);
    Glfw3Input input;
    log.clear();
    input.character(0xe9);
    EXPECT_EQ(log, (std::vector<std::string>{"l chardown 233", "l charup 233"}));
    EXPECT_FALSE(d.isKeyHeld(0xe9));
}

TEST_F(DisplayTest, WideCharactersReachListenersButNeverHoldSpecialKeys) {
    DisplayGL& d = open();
    Recorder listener("l", &log, &d);
    Glfw3Input input;
    // U+011F is 287, the code of left Shift; U+0124 is 292, right Alt.
    input.press(GLFW_KEY_G);
    input.character(0x11f);
    input.press(GLFW_KEY_H);
    input.character(0x124);
    EXPECT_FALSE(d.isKeyHeld(287));
    EXPECT_FALSE(d.isKeyHeld(292));
    ASSERT_EQ(listener.keyEvents.size(), 4u);
    EXPECT_EQ(listener.keyEvents[1].key, 0x11f);
    EXPECT_EQ(listener.keyEvents[3].key, 0x124);
    EXPECT_EQ(listener.keyEvents[3].modifiers, 0);
    input.press(GLFW_KEY_X);
    EXPECT_EQ(listener.keyEvents.back().modifiers, 0);
}

TEST_F(DisplayTest, ModifierBitsFollowTheHeldModifierKeys) {
    DisplayGL& d = open();
    Recorder listener("l", &log, &d);
    Glfw3Input input;
    input.press(GLFW_KEY_LEFT_SHIFT);
    EXPECT_EQ(listener.keyEvents.back().modifiers, 1); // the modifier counts in its own event
    input.press(GLFW_KEY_X);
    EXPECT_EQ(listener.keyEvents.back().modifiers, 1);
    input.release(GLFW_KEY_LEFT_SHIFT);
    EXPECT_EQ(listener.keyEvents.back().modifiers, 0);
    input.press(GLFW_KEY_RIGHT_CONTROL);
    input.press(GLFW_KEY_LEFT_ALT);
    input.press(GLFW_KEY_X);
    EXPECT_EQ(listener.keyEvents.back().modifiers, 128 + 256);
    input.press(GLFW_KEY_RIGHT_SHIFT);
    input.press(GLFW_KEY_LEFT_CONTROL);
    input.press(GLFW_KEY_RIGHT_ALT);
    EXPECT_EQ(listener.keyEvents.back().modifiers, 1023 - 1 - 4 - 8 - 16 - 32);
    // Pointer events carry them too.
    input.cursor(3, 4);
    EXPECT_EQ(listener.pointerEvents.back().modifiers, 2 + 64 + 128 + 256 + 512);
}

TEST_F(DisplayTest, DoubleClicksNeedTwoLeftPressesCloseInTimeWithoutMotion) {
    DisplayGL& d = open();
    Recorder listener("l", &log, &d);
    Glfw3Input input;
    d.setMode(4, 10); // the display time steps by 0.1 s per update, whatever the machine's speed
    // The X server is shared with other tests: a pointer they move over this window is motion,
    // which rightly ends a pair. Each step below therefore reports whether such motion came in
    // while it ran, and is repeated when it did; only this test's own events decide its result.
    auto wait = [&](int tenths) {
        for (int i = 0; i < tenths; ++i) {
            d.update();
        }
    };
    auto click = [&](int button) {
        input.button(button, GLFW_PRESS);
        const bool twice = listener.buttonEvents.back().doubleClick;
        input.button(button, GLFW_RELEASE);
        EXPECT_FALSE(listener.buttonEvents.back().doubleClick);
        return twice;
    };
    // Two left clicks `tenths` apart, the first one ending any pair; whether the second was double.
    auto pair = [&](int tenths) {
        for (int attempt = 0;; ++attempt) {
            wait(20); // past any pair an earlier step left open
            click(GLFW_MOUSE_BUTTON_LEFT);
            const size_t motions = listener.pointerEvents.size();
            wait(tenths);
            const bool twice = click(GLFW_MOUSE_BUTTON_LEFT);
            if (listener.pointerEvents.size() == motions || attempt == 20) {
                return twice;
            }
        }
    };
    EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_LEFT));
    EXPECT_TRUE(pair(5));
    EXPECT_TRUE(pair(7));
    EXPECT_FALSE(pair(9)); // too late
    // A third click soon after a double click starts a new pair.
    for (int attempt = 0;; ++attempt) {
        ASSERT_LT(attempt, 20);
        const bool twice = pair(5);
        const size_t motions = listener.pointerEvents.size();
        wait(3);
        const bool third = click(GLFW_MOUSE_BUTTON_LEFT);
        if (listener.pointerEvents.size() != motions) {
            continue;
        }
        EXPECT_TRUE(twice);
        EXPECT_FALSE(third); // the pair is used up
        break;
    }
    // Motion in between ends the pair.
    wait(20);
    click(GLFW_MOUSE_BUTTON_LEFT);
    input.cursor(10, 10);
    EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_LEFT));
    EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_RIGHT));
    EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_RIGHT));
    EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_MIDDLE));
    EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_MIDDLE));
    EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_4));
    EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_4));
    EXPECT_EQ(listener.buttonEvents.back().button, GLFW_MOUSE_BUTTON_4);
    EXPECT_EQ(log.back(), "l mouseup 3");
    auto it = std::find(log.begin(), log.end(), "l mousedown 1");
    EXPECT_NE(it, log.end());
    // A clock set back (a new pacing mode starts it at 0) does not make the next press a double click.
    wait(20);
    EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_LEFT));
    d.setMode(4, 10);
    EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_LEFT));
}

TEST_F(DisplayTest, PointerAndWheelEventsCarryDeltas) {
    DisplayGL& d = open(false, 200, 100);
    Recorder listener("l", &log, &d);
    Glfw3Input input;
    input.cursor(100, 100);
    input.cursor(110, 95);
    PointerEvent move = listener.pointerEvents.back();
    EXPECT_EQ(move.dx, -10.0f);
    EXPECT_EQ(move.dy, 5.0f);
    EXPECT_EQ(move.x, 110.0f);
    EXPECT_EQ(move.y, 95.0f);
    EXPECT_FLOAT_EQ(move.relX, 0.55f);
    EXPECT_FLOAT_EQ(move.relY, 0.95f);
    EXPECT_EQ(move.dWheel, 0.0f);

    input.scroll(1);
    input.scroll(2);
    input.scroll(-0.5);
    PointerEvent wheel = listener.pointerEvents.back();
    EXPECT_EQ(wheel.wheel, 2.5f);
    EXPECT_EQ(wheel.dWheel, -0.5f);
    EXPECT_EQ(wheel.dx, 0.0f);
    EXPECT_EQ(wheel.x, 110.0f);
    EXPECT_EQ(listener.pointerEvents[listener.pointerEvents.size() - 2].dWheel, 2.0f);

    // Buttons and keys carry the position too.
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    EXPECT_EQ(listener.buttonEvents.back().y, 95.0f);
    EXPECT_EQ(listener.buttonEvents.back().wheel, 2.5f);
}

TEST_F(DisplayTest, TheFirstPointerAndWheelEventsCarryDeltasFromZero) {
    open();
    Recorder listener("l", &log);
    display->addListener(&listener);
    // Installing the callbacks again (a second open) reports the current state at once.
    Glfw3Input().scroll(3);
    display->open();
    ASSERT_GE(listener.pointerEvents.size(), 2u);
    EXPECT_EQ(listener.pointerEvents.back().wheel, 3.0f);
    EXPECT_EQ(listener.pointerEvents.back().dWheel, 0.0f);
    display->removeListener(&listener);
}

TEST_F(DisplayTest, InputGoesLastAddedFirstAndStopsAtResultOne) {
    DisplayGL& d = open();
    Recorder a("a", &log, &d), b("b", &log, &d), c("c", &log, &d);
    Glfw3Input input;
    log.clear();
    input.press(GLFW_KEY_TAB);
    EXPECT_EQ(log, (std::vector<std::string>{"c keydown 9", "b keydown 9", "a keydown 9"}));
    log.clear();
    b.result = 1;
    input.release(GLFW_KEY_TAB);
    input.cursor(5, 5);
    EXPECT_EQ(log, (std::vector<std::string>{"c keyup 9", "b keyup 9", "c mousemove 0", "b mousemove 0"}));
    // Only the low byte counts.
    log.clear();
    b.result = 0x100;
    input.press(GLFW_KEY_TAB);
    EXPECT_EQ(log.size(), 3u);
}

TEST_F(DisplayTest, ResultFourAsksForARedrawAndKeepsGoing) {
    DisplayGL& d = open();
    Recorder a("a", &log, &d), b("b", &log, &d);
    d.setDirty(false);
    b.result = 4;
    log.clear();
    Glfw3Input().scroll(1);
    EXPECT_TRUE(d.isDirty());
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(DisplayTest, ResultTwoClosesAtTheNextUpdateAndTheEventGoesOn) {
    DisplayGL& d = open();
    Recorder a("a", &log, &d), b("b", &log, &d);
    b.result = 2;
    log.clear();
    Glfw3Input().press(GLFW_KEY_ESCAPE);
    EXPECT_EQ(log, (std::vector<std::string>{"b keydown 257", "b closequery 0", "a closequery 0", "a keydown 257"}));
    EXPECT_FALSE(d.update());
    EXPECT_TRUE(d.isOpen());
    // The request is used up: the loop may go on when the caller wants it to.
    EXPECT_TRUE(d.update());
}

TEST_F(DisplayTest, ResultThreeOnlyStops) {
    DisplayGL& d = open();
    Recorder a("a", &log, &d), b("b", &log, &d);
    b.result = 3;
    log.clear();
    Glfw3Input().press(GLFW_KEY_Q);
    EXPECT_EQ(log, (std::vector<std::string>{"b keydown 81"}));
    EXPECT_TRUE(d.update());
}

TEST_F(DisplayTest, ARefusingListenerKeepsTheWindowOpen) {
    DisplayGL& d = open();
    Recorder a("a", &log, &d), b("b", &log, &d), c("c", &log, &d);
    c.result = 2;
    b.closeAnswer = 1;
    log.clear();
    Glfw3Input().press(GLFW_KEY_ESCAPE);
    // The first refusal wins: a is not asked.
    EXPECT_EQ(log, (std::vector<std::string>{"c keydown 257", "c closequery 0", "b closequery 1", "b keydown 257",
                                             "a keydown 257"}));
    EXPECT_TRUE(d.update());
    EXPECT_FALSE(d.requestClose());
    EXPECT_TRUE(d.update());
}

TEST_F(DisplayTest, TheCloseBoxIsDeferredToTheFrameLoop) {
    DisplayGL& d = open();
    Recorder a("a", &log, &d);
    a.closeAnswer = 1;
    Glfw3Input input;
    input.closeBox();
    EXPECT_FALSE(glfwWindowShouldClose(input.window));
    EXPECT_TRUE(d.update());

    a.closeAnswer = 0;
    input.closeBox();
    // The window survives the callback; the loop ends at the next update.
    EXPECT_FALSE(glfwWindowShouldClose(input.window));
    EXPECT_TRUE(d.isOpen());
    EXPECT_FALSE(d.update());
    d.close();
    EXPECT_TRUE(d.requestClose()); // no window: the window library may close
}

TEST_F(DisplayTest, AWindowClosedByAHandlerLivesUntilTheEventsAreDone) {
    DisplayGL& d = open();
    Recorder listener("l", &log, &d);
    Glfw3Input input;
    listener.inputHook = [&] { d.close(); };
    input.press(GLFW_KEY_Q);
    EXPECT_FALSE(d.isOpen());
    // Still there (the window library may go on using it in this event processing), but hidden.
    EXPECT_EQ(glfwGetCurrentContext(), input.window);
    EXPECT_EQ(glfwGetWindowAttrib(input.window, GLFW_VISIBLE), GLFW_FALSE);
    // Further events for it are dropped.
    log.clear();
    input.press(GLFW_KEY_W);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(d.update());
    EXPECT_EQ(glfwGetCurrentContext(), nullptr);
    // And a new one opens as usual.
    listener.inputHook = nullptr;
    d.open();
    EXPECT_EQ(d.getContextGeneration(), 2);
    EXPECT_TRUE(d.update());
}

TEST_F(DisplayTest, InputHandlersMayChangeTheListenersDuringDispatch) {
    DisplayGL& d = open();
    auto a = std::make_unique<Recorder>("a", &log, &d);
    auto b = std::make_unique<Recorder>("b", &log, &d);
    auto c = std::make_unique<Recorder>("c", &log, &d);
    // c (asked first) deletes b before its turn and removes itself; a is still asked.
    c->inputHook = [&] {
        b.reset();
        d.removeListener(c.get());
    };
    log.clear();
    Glfw3Input input;
    input.press(GLFW_KEY_A);
    EXPECT_EQ(log, (std::vector<std::string>{"c keydown 65", "a keydown 65"}));
    // A listener added during an event hears the next one.
    std::unique_ptr<Recorder> added;
    a->inputHook = [&] {
        if (!added) {
            added = std::make_unique<Recorder>("added", &log, &d);
        }
    };
    log.clear();
    input.release(GLFW_KEY_A);
    input.press(GLFW_KEY_A);
    EXPECT_EQ(log, (std::vector<std::string>{"a keyup 65", "added keydown 65", "a keydown 65"}));
}

// Real keys sent to the window through the X server reach the listeners translated. Synthetic
// events to the window itself, so no focus is needed and tests may run side by side.
TEST_F(DisplayTest, RealKeysFromTheWindowSystemArriveTranslated) {
    WindowMode mode;
    const std::string title = "display key test " + std::to_string(getpid());
    mode.title = title;
    mode.width = 64;
    mode.height = 48;
    display.reset(new DisplayGL(mode));
    display->open();
    Recorder listener("l", &log, display.get());
    for (int i = 0; i < 5; ++i) {
        display->update();
    }
    // Windows of other tests come and go meanwhile, which can make a search fail: try again.
    const std::string search = "xdotool search --name '^" + title + "$' 2>/dev/null";
    std::string id;
    for (int attempt = 0; attempt < 100 && id.empty(); ++attempt) {
        FILE* pipe = popen(search.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char line[64] = {};
        if (fgets(line, sizeof(line), pipe)) {
            id.assign(line, strcspn(line, "\n"));
        }
        pclose(pipe);
        if (id.empty()) {
            display->update();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ASSERT_FALSE(id.empty()) << "window not found";
    // xdotool sends to the focused window through XTEST, which goes wherever the focus is when
    // the keys arrive (a window another test just opened takes it): move the focus to the root
    // window first, so the keys go to this window itself as its own events.
    const std::string send = "xdotool windowfocus --sync \"$(xdotool search --maxdepth 0 --name '')\" && "
                             "xdotool key --window " + id + " Tab Delete a ctrl+t";
    ASSERT_EQ(std::system(send.c_str()), 0);
    auto has = [&](const std::string& entry) { return std::find(log.begin(), log.end(), entry) != log.end(); };
    for (int i = 0; i < 1000 && !has("l keyup 84"); ++i) {
        display->update();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::vector<std::string> keys;
    for (const std::string& entry : log) {
        if (entry.find("frame") == std::string::npos && entry.find("resize") == std::string::npos &&
            entry.find("activate") == std::string::npos) {
            keys.push_back(entry);
        }
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"l keydown 9", "l keyup 9", "l keydown 294", "l keyup 294",
                                              "l keydown 65", "l chardown 97", "l keyup 65", "l charup 97",
                                              "l keydown 289", "l keydown 84", "l keyup 289", "l keyup 84"}));
    // Ctrl+T: the T carries the Ctrl bit; with Ctrl held it makes no character.
    auto t = std::find_if(listener.keyEvents.begin(), listener.keyEvents.end(),
                          [](const KeyEvent& e) { return e.key == 84; });
    ASSERT_NE(t, listener.keyEvents.end());
    EXPECT_EQ(t->modifiers, 64);
}
