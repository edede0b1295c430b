#include "scr_script.h"

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
    for (size_t i = 0; i < mEntries.size(); ++i) {
        EffectEntry& entry = *mEntries[i];
        if (dt < 0.0f) entry.reset(dt);
        if (entry.isActiveAt(t, slack)) entry.evaluate(t, dt, mCallbacks, slack);
    }
    return true;
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
    mLength = 0.0f;
    for (const auto& entry : mEntries) {
        if (entry->mEnd > mLength) mLength = entry->mEnd;
    }
}

} // namespace norvane::script
