#include "crv_platform.h"

#include "dis_display.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace norvane::corvista::platform {

namespace {

std::atomic<int> gStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free number");

// Only async-signal-safe work: a number, a flag for the display loop, or _exit.
extern "C" void onStopSignal(int number) {
    int none = 0;
    if (!gStopSignal.compare_exchange_strong(none, number)) _exit(128 + number);
    display::DisplayGL::requestCloseSoon();
}

} // namespace

void openClosedStandardFiles() {
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free descriptor is this one, as those below it are open.
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0 && null != descriptor) {
            dup2(null, descriptor);
            close(null);
        }
    }
}

void closeOnStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // reads and writes in progress go on
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        // A hang-up or an interrupt that the launcher ignores (nohup, a background job of a shell
        // without job control) stays ignored; a termination is always a request to stop.
        struct sigaction inherited {};
        if (number != SIGTERM && sigaction(number, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN)
            continue;
        sigaction(number, &action, nullptr);
    }
    // A log pipe whose reader has gone (`| head`, or `| tee` ended by the same Ctrl+C) must not kill
    // the program in the middle of a frame or before the settings are written back: writes to it
    // fail instead, and the run goes on.
    std::signal(SIGPIPE, SIG_IGN);
}

int stopSignal() { return gStopSignal.load(); }

void messageBox(const std::string& caption, const std::string& text) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
}

std::string modulePath() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

double processSeconds() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

} // namespace norvane::corvista::platform
