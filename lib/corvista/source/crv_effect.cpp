#include "crv_effect.h"

#include <algorithm>

namespace norvane::corvista {

Effect::Effect() : mDisplay(nullptr), mName() {}

Effect::~Effect() = default;

Effect::Reads Effect::reads() const { return Reads{{}, {}, true, true}; }

bool Effect::Reads::trigger(const std::string& name) const {
    return anyTrigger || std::find(triggers.begin(), triggers.end(), name) != triggers.end();
}

bool Effect::Reads::value(const std::string& name) const {
    return anyValue || std::find(values.begin(), values.end(), name) != values.end();
}

} // namespace norvane::corvista
