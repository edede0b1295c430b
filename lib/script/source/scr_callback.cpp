#include "scr_callback.h"

namespace norvane::script {

Callback::~Callback() = default;

} // namespace norvane::script
