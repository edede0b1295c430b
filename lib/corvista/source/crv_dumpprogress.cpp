#include "crv_dumpprogress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace norvane::corvista {

std::string DumpProgress::frame(double now, float clock, float end) {
    if (mFrames++ == 0) {
        mStartWall = now;
        mStartClock = clock;
        mLastLine = now;
        return std::string();
    }
    if (now - mLastLine < mInterval) return std::string();
    mLastLine = now;
    const double wall = now - mStartWall;
    const double demo = static_cast<double>(clock) - static_cast<double>(mStartClock);
    // Demo seconds per wall second so far, applied to what remains of the timeline.
    const double left = demo > 0.0 ? std::max(0.0, static_cast<double>(end) - clock) * wall / demo : 0.0;
    return line(mFrames - 1, clock, end, wall > 0.0 ? static_cast<double>(mFrames - 1) / wall : 0.0, left);
}

std::string DumpProgress::line(long frame, float clock, float end, double framesPerSecond, double secondsLeft) {
    const long left = std::lround(secondsLeft);
    char text[160];
    if (left >= 60)
        std::snprintf(text, sizeof(text), "Dumping: frame %ld, %.1f s of %.1f s, %.1f frames per second, about %ld min %ld s left",
                      frame, static_cast<double>(clock), static_cast<double>(end), framesPerSecond, left / 60, left % 60);
    else
        std::snprintf(text, sizeof(text), "Dumping: frame %ld, %.1f s of %.1f s, %.1f frames per second, about %ld s left",
                      frame, static_cast<double>(clock), static_cast<double>(end), framesPerSecond, left);
    return text;
}

} // namespace norvane::corvista
