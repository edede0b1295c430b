#include "scr_entry.h"

#include <cmath>

namespace norvane::script {

SplineTrack::SplineTrack() : Spline(Smooth, true), mName("new") {}

void SplineTrack::apply(Callback& callback, float local, float slack) {
    callback.setValue(local, mName, evaluateReached(local, slack));
}

EffectEntry::EffectEntry() : mName("new"), mEnabled(false), mStart(0.0f), mEnd(0.0f), mNeedsStart(true) {}

EffectEntry::~EffectEntry() = default;

void EffectEntry::reset(float /*step*/) {
    for (auto& trigger : mTriggers) trigger->mIssued = 0;
    mNeedsStart = true;
}

void EffectEntry::runTriggers(float local, float slack, Callback& callback) {
    for (auto& trigger : mTriggers) {
        if (trigger->mIssued >= trigger->mRepeat) continue; // every firing done: nothing to work out
        const double start = trigger->mStart, delay = trigger->mDelay;
        const double startRounding = roundingOf(trigger->mStart), delayRounding = roundingOf(trigger->mDelay);
        while (trigger->mIssued < trigger->mRepeat) {
            // Due times in double: start + issued x delay stays exact enough for any count. The
            // written start and delay were rounded to floats, and the delay's rounding adds up.
            const double issued = trigger->mIssued;
            const double late = start + issued * delay - double(local);
            if (late > double(slack) + startRounding + issued * delayRounding) break;
            callback.trigger(local, trigger->mName, trigger->mValue);
            ++trigger->mIssued;
        }
    }
}

void EffectEntry::evaluate(const float& t, float dt, const CallbackMap& callbacks, float slack) {
    float local = t - mStart;
    // The local time carries the slack of t, the rounding of the start, and its own rounding.
    const double rounding = std::fabs(double(t) - double(mStart) - double(local));
    const float localSlack = slack + roundingOf(mStart) + static_cast<float>(rounding);
    // An entry that starts on the frame's time starts at 0, even when t came out just before it.
    if (local < 0.0f) local = 0.0f;
    const float progress = local / (mEnd - mStart);

    Callback* callback = nullptr;
    const auto found = callbacks.find(mName);
    if (found != callbacks.end()) callback = found->second;

    if (callback) {
        if (mNeedsStart) {
            callback->start();
            mNeedsStart = false;
        }
        runTriggers(local, localSlack, *callback);
        for (auto& track : mTracks) track->apply(*callback, local, localSlack);
        callback->draw(local, dt, progress);
    }
    // Indexed, and the count read each round: a callback may add entries while it is driven.
    for (size_t i = 0; i < mChildren.size(); ++i) {
        EffectEntry& child = *mChildren[i];
        if (child.isActiveAt(local, localSlack)) child.evaluate(local, dt, callbacks, localSlack);
    }
    if (callback) callback->postDraw(local, dt, progress);
}

} // namespace norvane::script
