#include "scr_script.h"

#include <algorithm>
#include <limits>

namespace norvane::script {

Script::Script() : mTime(0.0f), mLength(0.0f) {}

// The entries go before the callback map, as members are destroyed in reverse order.
Script::~Script() = default;

void Script::registerCallback(const std::string& name, Callback* callback) { mCallbacks[name] = callback; }

bool Script::update(const float& t) {
    if (!(t >= 0.0f)) return true;
    const float dt = t - mTime;
    mTime = t;
    if (t > mLength) return false;
    const float slack = frameSlack(t);
    // Going forward within the stretch the last walk found, the same entries play: a long timeline
    // costs a walk over every entry only where one of them starts or ends.
    if (dt < 0.0f || !(t < mPlayingUntil) || mEntries.size() != mWalkedCount) {
        walkEntries(t, dt, slack);
        return true;
    }
    for (size_t i : mPlaying) mEntries[i]->evaluate(t, dt, mCallbacks, slack);
    // A callback may add entries while it is driven: those play from this frame on, as in a walk.
    for (size_t i = mWalkedCount; i < mEntries.size(); ++i) {
        EffectEntry& entry = *mEntries[i];
        if (entry.isActiveAt(t, slack)) entry.evaluate(t, dt, mCallbacks, slack);
    }
    return true;
}

namespace {

// The time before which a written time mark is surely not reached by a frame's time: the slack of
// such a time and the mark's own rounding stay below three units of the mark's rounding, so eight
// leave room for the arithmetic.
float notReachedBefore(float mark) { return mark - 8.0f * roundingOf(mark); }

} // namespace

void Script::walkEntries(float t, float dt, float slack) {
    mPlaying.clear();
    mPlayingUntil = std::numeric_limits<float>::infinity();
    // Indexed, and the count read each round: a callback may add entries while it is driven.
    for (size_t i = 0; i < mEntries.size(); ++i) {
        EffectEntry& entry = *mEntries[i];
        if (dt < 0.0f) entry.reset(dt);
        if (!entry.mEnabled) continue;
        // Once reached, a start or an end stays reached as the time goes on; one not reached yet
        // bounds the stretch in which the same entries play.
        const bool started = hasReached(t, slack, entry.mStart), ended = hasReached(t, slack, entry.mEnd);
        if (!started) mPlayingUntil = std::min(mPlayingUntil, notReachedBefore(entry.mStart));
        if (!ended) mPlayingUntil = std::min(mPlayingUntil, notReachedBefore(entry.mEnd));
        if (started && !ended) {
            mPlaying.push_back(i);
            entry.evaluate(t, dt, mCallbacks, slack);
        }
    }
    mWalkedCount = mEntries.size();
}

namespace {

void collectWithoutCallback(const EffectEntry& entry, const CallbackMap& callbacks,
                            std::vector<const EffectEntry*>& found) {
    const auto callback = callbacks.find(entry.mName);
    if (!entry.mName.empty() && (callback == callbacks.end() || !callback->second)) found.push_back(&entry);
    for (const auto& child : entry.mChildren) collectWithoutCallback(*child, callbacks, found);
}

} // namespace

std::vector<const EffectEntry*> Script::entriesWithoutCallback(size_t first, size_t last) const {
    std::vector<const EffectEntry*> found;
    for (size_t i = first; i < last && i < mEntries.size(); ++i)
        collectWithoutCallback(*mEntries[i], mCallbacks, found);
    return found;
}

void Script::computeLength() {
    mPlayingUntil = 0.0f; // spans may have changed: the next update walks every entry
    mLength = 0.0f;
    for (const auto& entry : mEntries) {
        if (entry->mEnd > mLength) mLength = entry->mEnd;
    }
}

} // namespace norvane::script
