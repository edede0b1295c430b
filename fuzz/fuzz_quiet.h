#pragma once
// Fuzz targets print nothing per input: the log and the decoders' diagnostics go to standard
// output, which is sent to /dev/null, and libFuzzer's own report on standard error stays readable.

#include <cstdio>

namespace fuzz {

inline void quiet() {
    if (!std::freopen("/dev/null", "w", stdout)) std::perror("freopen");
}

} // namespace fuzz
