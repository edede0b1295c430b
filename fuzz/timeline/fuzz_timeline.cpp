// Timeline scripts from arbitrary bytes: load, then play what loaded at a few times, forwards,
// backwards and outside the timeline, and edit its curves as the editor does.

#include "fuzz_quiet.h"
#include "nvn_system.h"
#include "scr_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using norvane::script::Callback;
using norvane::script::EffectEntry;
using norvane::script::Script;
using norvane::script::ScriptReader;

namespace {

class Counter : public Callback {
public:
    void start() override { ++mCalls; }
    void trigger(float, const std::string& name, const std::string& value) override { mCalls += name.size() + value.size(); }
    void setValue(float, const std::string&, float value) override { mSum += value; }
    void draw(float local, float, float progress) override { mSum += local + progress; }
    void postDraw(float, float, float) override { ++mCalls; }
    size_t mCalls = 0;
    double mSum = 0.0;
};

// Firings the entries can deliver until the next reset, and every name that plays.
void survey(const EffectEntry& entry, double& firings, std::vector<std::string>& names) {
    names.push_back(entry.mName);
    for (const auto& trigger : entry.mTriggers) {
        if (trigger->mRepeat > 0) firings += trigger->mRepeat;
    }
    for (const auto& child : entry.mChildren) survey(*child, firings, names);
}

// The editor drags and deletes keys of the tracks it shows.
void editCurves(EffectEntry& entry, float t) {
    for (auto& track : entry.mTracks) {
        if (track->mKeys.empty()) continue;
        track->mKeys[0].time = t;
        const int moved = track->moveKey(0);
        track->removeKey(moved == 0 ? int(track->mKeys.size()) - 1 : 0);
        track->evaluate(t);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::quiet(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    Script script;
    try {
        std::vector<std::string> warnings;
        ScriptReader::loadScript(reinterpret_cast<const char*>(data), int(size), script, nullptr, &warnings);
    } catch (const norvane::Exception&) {
        return 0; // malformed XML
    }

    double firings = 0.0;
    std::vector<std::string> names;
    for (const auto& entry : script.mEntries) survey(*entry, firings, names);
    // A trigger may ask for any number of firings, and all that are due come in one frame (a
    // repeat of 2^31 with delay 0 makes them all due at once). That is legitimately long: skip
    // such scripts. Non-finite times and key values ("nan", "inf", "1e999") are refused.
    if (firings > 100000.0) return 0;

    Counter counter;
    for (const auto& name : names) script.registerCallback(name, &counter);
    const float length = script.mLength;
    const float times[] = {0.0f, 0.25f, length * 0.5f, length, 1.0f, -1.0f, length + 1.0f, length * 0.25f, 7.5f};
    for (float t : times) script.update(t);
    for (const auto& entry : script.mEntries) editCurves(*entry, length * 0.3f);
    script.update(length * 0.75f);
    script.update(0.0f);
    return 0;
}
