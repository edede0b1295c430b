#pragma once
// Shared pieces of the display tests: a display opened per test, a listener that records what it
// hears, and the window library's own callbacks to feed input through the display's adapter.

#include "../support/glfw_input.h"
#include "dis_display.h"
#include "nvn_system.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace distest {

using norvane::display::ButtonEvent;
using norvane::display::DisplayGL;
using norvane::display::Event;
using norvane::display::KeyEvent;
using norvane::display::Listener;
using norvane::display::PointerEvent;
using norvane::display::WindowMode;

// Records every call as "name what value" into a shared log and keeps the last event of each kind.
class Recorder : public Listener {
public:
    Recorder(const std::string& name, std::vector<std::string>* log, DisplayGL* display = nullptr)
        : Listener(display), mName(name), mLog(log) {}

    int onMouseUp(Event* e) override { return button("mouseup", e); }
    int onMouseDown(Event* e) override { return button("mousedown", e); }
    int onMouseMove(Event* e) override { return pointer("mousemove", e); }
    int onMouseWheel(Event* e) override { return pointer("mousewheel", e); }
    int onKeyDown(Event* e) override { return key("keydown", e); }
    int onKeyUp(Event* e) override { return key("keyup", e); }
    int onCharDown(Event* e) override { return key("chardown", e); }
    int onCharUp(Event* e) override { return key("charup", e); }
    int onCloseQuery() override {
        note("closequery", closeAnswer);
        return closeAnswer;
    }
    void onResize(int width, int height) override {
        note("resize", width);
        resizes.push_back({width, height});
        if (mDisplay) {
            sizeSeen = {mDisplay->getWidth(), mDisplay->getHeight()};
        }
    }
    void onFrame() override {
        note("frame", 0);
        if (frameHook) {
            frameHook();
        }
    }
    // Focus moves between the windows of tests running side by side: states are noted on request.
    void onIconify(bool value) override {
        if (logStates) {
            note("iconify", value);
        }
    }
    void onActivate(bool value) override {
        if (logStates) {
            note("activate", value);
        }
    }

    int result = 0;      // returned by every input handler
    int closeAnswer = 0; // returned by onCloseQuery
    bool logStates = false;
    std::function<void()> frameHook;
    std::function<void()> inputHook;
    std::vector<KeyEvent> keyEvents;
    std::vector<ButtonEvent> buttonEvents;
    std::vector<PointerEvent> pointerEvents;
    std::vector<std::pair<int, int>> resizes;
    std::pair<int, int> sizeSeen{0, 0};

private:
    void note(const char* what, int value) {
        if (mLog) {
            mLog->push_back(mName + " " + what + " " + std::to_string(value));
        }
    }
    int key(const char* what, Event* e) {
        keyEvents.push_back(*static_cast<KeyEvent*>(e));
        note(what, keyEvents.back().key);
        return input();
    }
    int button(const char* what, Event* e) {
        buttonEvents.push_back(*static_cast<ButtonEvent*>(e));
        note(what, buttonEvents.back().button);
        return input();
    }
    int pointer(const char* what, Event* e) {
        pointerEvents.push_back(*static_cast<PointerEvent*>(e));
        note(what, 0);
        return input();
    }
    int input() {
        if (inputHook) {
            inputHook();
        }
        return result;
    }

    std::string mName;
    std::vector<std::string>* mLog;
};

using glfwtest::Glfw3Input;

// The message of the exception that f throws, or "(nothing thrown)".
inline std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const norvane::Exception& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

// Every test starts from a display of its own, opened on a small window.
class DisplayTest : public ::testing::Test {
protected:
    void TearDown() override { display.reset(); }

    DisplayGL& open(bool resizable = false, int width = 64, int height = 48) {
        WindowMode mode;
        mode.title = "display test";
        mode.width = width;
        mode.height = height;
        mode.resizable = resizable;
        display.reset(new DisplayGL(mode));
        display->open();
        return *display;
    }

    std::unique_ptr<DisplayGL> display;
    std::vector<std::string> log;
};

} // namespace distest
