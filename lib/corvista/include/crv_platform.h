#pragma once
// The few operating-system services the demo system needs, behind calls of our own.

#include <string>

namespace norvane::corvista::platform {

// Shows a fatal error to the user. Here: the caption and the text on standard error (never blocks).
void messageBox(const std::string& caption, const std::string& text);

// The path of the running program (empty when it cannot be read).
std::string modulePath();

// Seconds of a steady clock, for timing work; only differences mean anything.
double processSeconds();

} // namespace norvane::corvista::platform
