#pragma once
// Says now and then how far a dump is, so that a long dump is seen to be alive.

#include <string>

namespace norvane::corvista {

class DumpProgress {
public:
    // A line at most every interval seconds of the wall clock.
    explicit DumpProgress(double interval = 10.0) : mInterval(interval) {}

    // One frame handed to the dumper, showing the demo at clock of end seconds, at wall time now (in
    // seconds of a steady clock). The progress line when one is due, else "".
    std::string frame(double now, float clock, float end);

    // Frames handed to the dumper so far.
    long frames() const { return mFrames; }

    // "Dumping: frame 300, 10.0 s of 96.0 s, 29.5 frames per second, about 1 min 16 s left".
    static std::string line(long frame, float clock, float end, double framesPerSecond, double secondsLeft);

private:
    double mInterval;
    long mFrames = 0;
    double mStartWall = 0.0;
    float mStartClock = 0.0f;
    double mLastLine = 0.0;
};

} // namespace norvane::corvista
