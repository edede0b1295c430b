#pragma once
// The few operating-system services the demo system needs, behind calls of our own.

#include <string>

namespace norvane::corvista::platform {

// Shows a fatal error to the user. Here: the caption and the text on standard error (never blocks).
void messageBox(const std::string& caption, const std::string& text);

// The path of the running program (empty when it cannot be read).
std::string modulePath();

// Opens /dev/null on each of the standard descriptors 0, 1 and 2 that the program was started
// without (`program >&-`), so that no file or connection opened later takes its number and receives
// the log. Called first thing.
void openClosedStandardFiles();

// From now on SIGINT, SIGTERM and SIGHUP ask the display loop to close, as Escape does, so that the
// frames handed over are written and the settings written back. A second one while closing ends the
// process at once, with status 128 + its number, unless it is the first one again from the same
// process within a second (`timeout` signals the program, then its process group): that is the same
// request. Each Ctrl+C typed at the terminal counts. SIGINT and SIGHUP inherited as ignored (nohup)
// stay ignored. A closed log pipe no longer ends the process.
void closeOnStopSignals();
// The number of the first of those signals caught, or 0.
int stopSignal();

// Seconds of a steady clock, for timing work; only differences mean anything.
double processSeconds();

} // namespace norvane::corvista::platform
