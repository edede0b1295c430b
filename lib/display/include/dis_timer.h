#pragma once
// A settable clock on the window library's time.

namespace norvane {
namespace display {

class Timer {
public:
    // Reads 0 now.
    Timer();

    // Reads t now and runs on from there.
    void setTime(float t);
    float getTime() const;

private:
    double mOffset; // window library time at which the clock read 0
};

} // namespace display
} // namespace norvane
