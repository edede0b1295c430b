#include "crv_effect.h"

namespace norvane::corvista {

Effect::Effect() : mDisplay(nullptr), mName() {}

Effect::~Effect() = default;

} // namespace norvane::corvista
