// The settable clock on the window library's time.

#include "dis_timer.h"

#include "dis_display_glfw.h"

namespace norvane {
namespace display {

// Kept in double: the window library's time grows while the window is open, and as a float it
// would move in steps of 8 ms after a day.
Timer::Timer() : mOffset(glfw::getTime()) {}

void Timer::setTime(float t) { mOffset = glfw::getTime() - static_cast<double>(t); }

float Timer::getTime() const { return static_cast<float>(glfw::getTime() - mOffset); }

} // namespace display
} // namespace norvane
