#include "crv_platform.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace norvane::corvista::platform {

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
