#pragma once
// Tells work that grows with the square of its input from work that grows with the input, on any
// machine: the same work at two sizes is measured in one run and only the ratio is judged. What is
// measured is the processor time of the calling thread, which other work on a busy machine does
// not add to; each size runs several times and its fastest run counts.

#include <algorithm>
#include <ctime>
#include <limits>

namespace growthtest {

inline double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <class Work>
double fastestSeconds(int runs, Work&& work) {
    double fastest = std::numeric_limits<double>::infinity();
    for (int i = 0; i < runs; ++i) {
        const double start = threadSeconds();
        work();
        fastest = std::min(fastest, threadSeconds() - start);
    }
    return fastest;
}

// Ten times the input may take at most this many times as long: far more than linear work needs
// (allocation and caches included), far less than the hundredfold of work that grows with the square.
constexpr double kTenfoldInputLimit = 30.0;

} // namespace growthtest
