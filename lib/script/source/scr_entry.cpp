#include "scr_entry.h"

namespace norvane::script {

SplineTrack::SplineTrack() : Spline(Smooth, true), mName("new") {}

void SplineTrack::apply(Callback& callback, float local) { callback.setValue(local, mName, evaluate(local)); }

EffectEntry::EffectEntry() : mName("new"), mEnabled(false), mStart(0.0f), mEnd(0.0f), mNeedsStart(true) {}

EffectEntry::~EffectEntry() = default;

void EffectEntry::reset(float /*step*/) {
    for (auto& trigger : mTriggers) trigger->mIssued = 0;
    mNeedsStart = true;
}

void EffectEntry::runTriggers(float local, Callback& callback) {
    for (auto& trigger : mTriggers) {
        // Due times in double: start + issued x delay stays exact enough for any count.
        while (trigger->mIssued < trigger->mRepeat &&
               double(local) >= double(trigger->mStart) + double(trigger->mIssued) * double(trigger->mDelay)) {
            callback.trigger(local, trigger->mName, trigger->mValue);
            ++trigger->mIssued;
        }
    }
}

void EffectEntry::evaluate(const float& t, float dt, const CallbackMap& callbacks) {
    const float local = t - mStart;
    const float progress = (t - mStart) / (mEnd - mStart);

    Callback* callback = nullptr;
    const auto found = callbacks.find(mName);
    if (found != callbacks.end()) callback = found->second;

    if (callback) {
        if (mNeedsStart) {
            callback->start();
            mNeedsStart = false;
        }
        runTriggers(local, *callback);
        for (auto& track : mTracks) track->apply(*callback, local);
        callback->draw(local, dt, progress);
    }
    // Indexed, and the count read each round: a callback may add entries while it is driven.
    for (size_t i = 0; i < mChildren.size(); ++i) {
        EffectEntry& child = *mChildren[i];
        if (child.isActiveAt(local)) child.evaluate(local, dt, callbacks);
    }
    if (callback) callback->postDraw(local, dt, progress);
}

} // namespace norvane::script
