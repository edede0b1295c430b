#pragma once
// Shared pieces of the GUI tests: a control class of the tests' own that records what reaches it,
// a callback that records notifications, and a log capture.

#include "vst_control.h"
#include "vst_render.h"
#include "vst_workspace.h"

#include "nvn_system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace vsttest {

using norvane::vistrel::Callback;
using norvane::vistrel::Control;
using norvane::vistrel::ControlRegistry;
using norvane::vistrel::Event;
using norvane::vistrel::Rect;
using norvane::vistrel::Render;
using norvane::vistrel::Workspace;

// A plain box: fills its clip area with its back colour pair and records every event it handles.
class Box : public Control {
public:
    Box() {
        mClassName = "box";
        mName = "box";
    }
    Control* create() override { return new Box(); }
    void load(norvane::xml::XmlParser::Iterator& tag) override {
        Control::load(tag);
        mText = tag->getAttribute("text");
    }
    // Presses that it takes notify code 0, as a push button does.
    bool handleEvent(Event& e) override {
        bool r = Control::handleEvent(e);
        if (!isVisible())
            return r;
        seen.push_back(e.name);
        if (r)
            return true; // a child took it
        if (e.name == "keydown")
            keys.push_back(e.key);
        if ((e.name == "mousedown" || e.name == "keydown") && takes) {
            if (e.name == "mousedown")
                notify(norvane::vistrel::CodeButtonPushed);
            return true;
        }
        return r;
    }
    // Back colour gradient, border frame, and the text centred in the text colour.
    void draw() override {
        if (Render* render = getRender()) {
            useColors(BlockBack, StateColor);
            render->fillRect(mScreenArea, 0);
            useColors(BlockBack, StateBorder);
            render->frameRect(mScreenArea);
            if (!mText.empty() && mText != "control") {
                useColors(BlockText, StateColor);
                norvane::vistrel::Point c = mScreenArea.center();
                render->drawText(mText, c.x, c.y);
            }
        }
        Control::draw();
    }
    void layout() override { ++layouts; }

    std::vector<std::string> seen;
    std::vector<int> keys;
    bool takes = true; // reports presses and key presses as handled
    int layouts = 0;
};

// A box that counts how often any box of its class is laid out.
class CountingBox : public Box {
public:
    CountingBox() {
        mClassName = "countbox";
        mName = "countbox";
    }
    Control* create() override { return new CountingBox(); }
    void setArea(Rect area) override {
        ++layouts;
        Box::setArea(area);
    }
    using Control::setArea;
    static inline int layouts = 0;
};

// Containers of one tag nested depth deep, each holding a counted 5 x 5 box and then the next
// container; each container has an "area" tag with the given attributes, or none when they are empty.
inline std::string nestedContainers(const std::string& tag, int depth, const std::string& area) {
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "<" + tag + ">" + (area.empty() ? "" : "<area " + area + "/>") +
                "<child><countbox><area x='0' y='0' width='5' height='5' size='5'/></countbox>";
    for (int i = 0; i < depth; ++i)
        text += "</child></" + tag + ">";
    return text;
}

// Records onControl and onEvent calls.
class Recorder : public Callback {
public:
    void onControl(Control* source, int code) override { controls.emplace_back(source, code); }
    void onEvent(Control* source, std::string name) override { events.emplace_back(source, name); }
    std::vector<std::pair<Control*, int>> controls;
    std::vector<std::pair<Control*, std::string>> events;
};

// Registers the test box once per process.
inline void registerBox() {
    if (!ControlRegistry::isRegistered("box"))
        ControlRegistry::registerPrototype(new Box());
    if (!ControlRegistry::isRegistered("countbox"))
        ControlRegistry::registerPrototype(new CountingBox());
    norvane::vistrel::registerControlClasses();
}

// Captures standard output (where the log goes) for the life of the object.
class StdoutCapture {
public:
    StdoutCapture() {
        std::fflush(stdout);
        testing::internal::CaptureStdout();
    }
    std::string text() {
        std::fflush(stdout);
        if (!mDone) {
            mText = testing::internal::GetCapturedStdout();
            mDone = true;
        }
        return mText;
    }
    ~StdoutCapture() { text(); }

private:
    std::string mText;
    bool mDone = false;
};

inline Event mouse(const char* name, float x, float y, int button = 0) {
    Event e;
    e.name = name;
    e.x = x;
    e.y = y;
    e.button = button;
    return e;
}

inline Event key(const char* name, int code) {
    Event e;
    e.name = name;
    e.key = code;
    return e;
}

} // namespace vsttest
