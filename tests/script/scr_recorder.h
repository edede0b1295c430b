#pragma once
// A callback that writes down every call it receives, for the timeline tests.

#include "scr_callback.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace halcyra_test {

class Recorder : public norvane::script::Callback {
public:
    explicit Recorder(std::string tag, std::vector<std::string>* log = nullptr) : mTag(std::move(tag)), mLog(log) {
        if (!mLog) mLog = &mOwnLog;
    }

    void start() override { add("start"); }
    void trigger(float local, const std::string& name, const std::string& value) override {
        add("trigger " + number(local) + " " + name + "=" + value);
    }
    void setValue(float local, const std::string& name, float value) override {
        add("value " + number(local) + " " + name + "=" + number(value));
    }
    void draw(float local, float step, float progress) override {
        add("draw " + number(local) + " " + number(step) + " " + number(progress));
    }
    void postDraw(float local, float step, float progress) override {
        add("postDraw " + number(local) + " " + number(step) + " " + number(progress));
    }

    // The calls so far, then forgets them.
    std::vector<std::string> take() {
        std::vector<std::string> calls;
        calls.swap(*mLog);
        return calls;
    }

    static std::string number(float v) {
        char text[32];
        std::snprintf(text, sizeof(text), "%g", double(v));
        return text;
    }

private:
    void add(const std::string& call) { mLog->push_back(mTag.empty() ? call : mTag + ": " + call); }

    std::string mTag;
    std::vector<std::string>* mLog;
    std::vector<std::string> mOwnLog;
};

using Calls = std::vector<std::string>;

} // namespace halcyra_test
