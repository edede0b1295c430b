#pragma once
// The timeline: top-level entries evaluated every frame against the registered callbacks.

#include "scr_entry.h"

#include <memory>
#include <string>
#include <vector>

namespace norvane::script {

class Script {
public:
    Script();
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    // Stores the callback under name, replacing an earlier one of that name. Not owned.
    void registerCallback(const std::string& name, Callback* callback);

    // Evaluates the timeline at t seconds. A clock before 0 (or not a number) is ignored: true,
    // nothing changes.
    // Returns false, calling nothing, when t lies beyond mLength. A step backwards re-arms
    // every top-level entry before it is evaluated.
    bool update(const float& t);

    // mLength := the largest end of the top-level entries, at least 0. Call it after adding
    // entries or changing a top-level entry's span or enabled flag: update then looks at every
    // entry again.
    void computeLength();

    // The entries, children included, of the top-level entries from first up to (not including)
    // last, in file order, that name an effect no callback is registered under: they draw
    // nothing themselves. An entry without a name only groups its children and is not one.
    std::vector<const EffectEntry*> entriesWithoutCallback(size_t first, size_t last) const;

    float mTime;   // the last time accepted by update
    float mLength; // end of the timeline, seconds
    CallbackMap mCallbacks;
    std::vector<std::unique_ptr<EffectEntry>> mEntries;

private:
    // Evaluates every top-level entry active at t (resetting each first on a step back) and notes
    // which they are and until when no other entry starts or ends.
    void walkEntries(float t, float dt, float slack);

    // The top-level entries active from the time of the last walk up to mPlayingUntil (not
    // included), by index; a frame in that stretch plays just these. Valid while the entry count
    // is mWalkedCount and no step went back.
    std::vector<size_t> mPlaying;
    float mPlayingUntil = 0.0f;
    size_t mWalkedCount = 0;
};

} // namespace norvane::script
