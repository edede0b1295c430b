#pragma once
// Fuzz targets print nothing per input. Called from LLVMFuzzerInitialize, before libFuzzer reads
// its flags: it asks libFuzzer to send the target's standard output and error (the log, and what
// the decoding libraries print) to /dev/null with -close_fd_mask=3. libFuzzer's own report, crash
// reports included, goes on through a copy of standard error. A -close_fd_mask on the command
// line still wins: it comes later.

#include <vector>

namespace fuzz {

inline void quiet(int* argc, char*** argv) {
    static char flag[] = "-close_fd_mask=3";
    static std::vector<char*> arguments;
    arguments.assign(*argv, *argv + *argc);
    arguments.insert(arguments.begin() + (arguments.empty() ? 0 : 1), flag);
    arguments.push_back(nullptr);
    *argc = static_cast<int>(arguments.size()) - 1;
    *argv = arguments.data();
}

} // namespace fuzz
