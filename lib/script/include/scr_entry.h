#pragma once
// One timeline entry with its triggers and spline tracks, and how it is evaluated.

#include "scr_callback.h"
#include "scr_reach.h"
#include "scr_spline.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace norvane::script {

// Registered callbacks by name, compared byte for byte. The map never owns a callback.
using CallbackMap = std::map<std::string, Callback*>;

// A named event with its value text, fired mRepeat times: at mStart, then every mDelay seconds
// (local time of the entry), until the next reset re-arms it.
struct Trigger {
    int mIssued = 0; // firings since the last reset
    std::string mName = "new";
    std::string mValue;
    float mStart = 0.0f;
    int mRepeat = 1;
    float mDelay = 0.0f;
    int mLine = 0; // the line of its tag in the script file; 0 when not read from one
};

// A named curve whose value at the entry's local time goes to the callback's setValue.
class SplineTrack : public Spline {
public:
    SplineTrack();

    // Sends the value at local time (within slack of the time it stands for) to setValue.
    void apply(Callback& callback, float local, float slack);

    std::string mName;
    int mLine = 0; // the line of its tag in the script file; 0 when not read from one
};

class EffectEntry {
public:
    EffectEntry();
    ~EffectEntry();
    EffectEntry(const EffectEntry&) = delete;
    EffectEntry& operator=(const EffectEntry&) = delete;

    // Plays the entry at time t of its parent (the timeline's clock for a top-level entry) with
    // the frame step dt; t lies within slack of the time it stands for (see scr_reach.h). The
    // caller has checked that the entry is active at t.
    void evaluate(const float& t, float dt, const CallbackMap& callbacks, float slack);
    // Re-arms the triggers and makes start due again; the step (negative) is not used.
    void reset(float step);
    // Fires every trigger firing that local time (within slack) has reached.
    void runTriggers(float local, float slack, Callback& callback);

    // Whether the entry plays at time t of its parent, within slack: its start reached, its end not.
    bool isActiveAt(float t, float slack) const {
        return mEnabled && hasReached(t, slack, mStart) && !hasReached(t, slack, mEnd);
    }
    // The same at a frame's time t.
    bool isActiveAt(float t) const { return isActiveAt(t, frameSlack(t)); }

    std::string mName;
    bool mEnabled;
    float mStart; // in the parent's time, seconds
    float mEnd;
    bool mNeedsStart;
    std::vector<std::unique_ptr<EffectEntry>> mChildren;
    std::vector<std::unique_ptr<Trigger>> mTriggers;
    std::vector<std::unique_ptr<SplineTrack>> mTracks;
    int mLine = 0; // the line of its tag in the script file; 0 when not read from one
};

} // namespace norvane::script
