#pragma once
// When a time of the timeline counts as reached.
//
// The frame's time and the times written in a script are floats, each the float nearest to the
// decimal time it stands for, and each subtraction on the way down to an entry's local time may
// round once more. A time written on a frame's time can therefore come out a few units of the
// float's last place after the frame's own. So a time is passed along with its slack, a bound on
// how far it may lie from what it stands for, and a written time counts as reached once it lies
// no further after it than that slack and its own rounding together; any later, and it waits for
// the next frame.

#include <cstdint>
#include <cstring>

namespace norvane::script {

// Half a unit in the last place of a float near x: how far the float nearest to a decimal may lie
// from it (0 for 0).
inline float roundingOf(float x) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &x, sizeof(bits));
    bits &= 0x7f800000u; // the power of two at or below |x|
    float power = 0.0f;
    std::memcpy(&power, &bits, sizeof(power));
    return power * 0x1p-24f;
}

// The slack of a frame's time: half a unit for its own rounding, and half for the rounding of the
// start mark it was counted from.
inline float frameSlack(float t) { return 2.0f * roundingOf(t); }

// Whether time, within slack of what it stands for, has reached the written time mark. Where the
// difference could be near the slack the two lie within a factor of two, and it is exact in float.
inline bool hasReached(float time, float slack, float mark) {
    const float ahead = mark - time;
    return ahead <= slack || ahead <= slack + roundingOf(mark);
}

} // namespace norvane::script
