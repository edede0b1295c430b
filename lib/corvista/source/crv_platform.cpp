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
#include <time.h>
#include <unistd.h>

namespace norvane::corvista::platform {

namespace {

std::atomic<int> gStopSignal{0};
// Who sent the first stop signal (0: no process, as for Ctrl+C typed at the terminal) and when, on
// the monotonic clock; known once gStopKnown is set.
std::atomic<pid_t> gStopSender{0};
std::atomic<long long> gStopNanoseconds{0};
std::atomic<bool> gStopKnown{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<pid_t>::is_always_lock_free &&
                  std::atomic<long long>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the signal handler needs lock-free numbers");

constexpr long long kSameRequestNanoseconds = 1000000000LL;

long long monotonicNanoseconds() {
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now); // async-signal-safe
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// The process that sent the signal, or 0 where the kernel sent it (a key typed at the terminal, a
// hang-up of the terminal).
pid_t senderOf(const siginfo_t* info) {
    if (!info) return 0;
    const bool byProcess = info->si_code == SI_USER || info->si_code == SI_QUEUE || info->si_code == SI_TKILL;
    return byProcess ? info->si_pid : 0;
}

// Only async-signal-safe work: numbers, a flag for the display loop, or _exit. The first signal
// asks the loop to close. The same signal sent again by the same process within a second is the
// same request (`timeout` sends it to the program and then to its process group); any other one
// while closing ends the process at once.
extern "C" void onStopSignal(int number, siginfo_t* info, void*) {
    const pid_t sender = senderOf(info);
    const long long now = monotonicNanoseconds();
    int none = 0;
    if (gStopSignal.compare_exchange_strong(none, number)) {
        gStopSender.store(sender);
        gStopNanoseconds.store(now);
        gStopKnown.store(true);
        display::DisplayGL::requestCloseSoon();
        return;
    }
    // The first one may still be being noted on another thread, never on this one: a handler runs
    // with the stop signals blocked.
    while (!gStopKnown.load()) {
    }
    if (sender != 0 && number == none && sender == gStopSender.load() &&
        now - gStopNanoseconds.load() < kSameRequestNanoseconds)
        return;
    _exit(128 + number);
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
    const int stopSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction action {};
    action.sa_sigaction = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int number : stopSignals) sigaddset(&action.sa_mask, number);
    action.sa_flags = SA_SIGINFO | SA_RESTART; // reads and writes in progress go on
    for (int number : stopSignals) {
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
