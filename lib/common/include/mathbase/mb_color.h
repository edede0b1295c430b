#pragma once
// RGBA colours.

namespace norvane {
namespace mathbase {

struct Color {
    float r, g, b, a;

    Color() : r(0), g(0), b(0), a(0) {}
    Color(float r_, float g_, float b_, float a_ = 1.0f) : r(r_), g(g_), b(b_), a(a_) {}

    // All four components, alpha included, times s.
    Color operator*(float s) const { return Color(r * s, g * s, b * s, a * s); }
    bool operator==(const Color& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

} // namespace mathbase
} // namespace norvane
