// The settable clock on the window library's time.

#include "dis_timer.h"

#include "dis_display_glfw.h"

namespace norvane {
namespace display {

Timer::Timer() : mOffset(static_cast<float>(glfw::getTime())) {}

void Timer::setTime(float t) { mOffset = static_cast<float>(glfw::getTime()) - t; }

float Timer::getTime() const { return static_cast<float>(glfw::getTime()) - mOffset; }

} // namespace display
} // namespace norvane
