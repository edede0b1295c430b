#pragma once
// Truncation of pixel coordinates and counts to whole numbers, safe for any float: values beyond
// the range of int (and NaN) cannot be converted directly.

namespace norvane {
namespace vistrel {

// v truncated towards zero, within -1e9 .. 1e9; NaN gives 0.
inline float wholePixels(float v) {
    if (!(v == v))
        return 0.0f;
    if (v > 1e9f)
        return 1e9f;
    if (v < -1e9f)
        return -1e9f;
    return static_cast<float>(static_cast<int>(v));
}

} // namespace vistrel
} // namespace norvane
