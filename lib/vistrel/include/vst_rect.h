#pragma once
// Rectangles of the GUI, in pixels with y growing downwards. Containment is half-open.

#include <algorithm>

namespace norvane {
namespace vistrel {

struct Point {
    float x, y;

    Point() : x(0), y(0) {}
    Point(float x_, float y_) : x(x_), y(y_) {}
};

struct Rect {
    float x1, y1, x2, y2;

    Rect() : x1(0), y1(0), x2(0), y2(0) {}
    Rect(float x1_, float y1_, float x2_, float y2_) : x1(x1_), y1(y1_), x2(x2_), y2(y2_) {}

    float width() const { return x2 - x1; }
    float height() const { return y2 - y1; }
    Point center() const { return Point((x1 + x2) * 0.5f, (y1 + y2) * 0.5f); }

    Rect& operator+=(const Point& p) {
        x1 += p.x;
        x2 += p.x;
        y1 += p.y;
        y2 += p.y;
        return *this;
    }
    Rect& operator-=(const Point& p) {
        x1 -= p.x;
        x2 -= p.x;
        y1 -= p.y;
        y2 -= p.y;
        return *this;
    }
    Rect operator+(const Point& p) const { return Rect(*this) += p; }
    Rect operator-(const Point& p) const { return Rect(*this) -= p; }

    // x1 <= x < x2 and y1 <= y < y2.
    bool contains(const Point& p) const { return p.x >= x1 && p.x < x2 && p.y >= y1 && p.y < y2; }
    bool contains(float x, float y) const { return contains(Point(x, y)); }

    // Keeps the common part; an empty result becomes (0, 0, 0, 0).
    Rect& intersect(const Rect& o) {
        x1 = std::max(x1, o.x1);
        y1 = std::max(y1, o.y1);
        x2 = std::min(x2, o.x2);
        y2 = std::min(y2, o.y2);
        if (x2 - x1 < 0 || y2 - y1 < 0)
            x1 = y1 = x2 = y2 = 0;
        return *this;
    }
    Rect intersected(const Rect& o) const { return Rect(*this).intersect(o); }

    // Grows to hold o as well.
    Rect& extend(const Rect& o) {
        x1 = std::min(x1, o.x1);
        y1 = std::min(y1, o.y1);
        x2 = std::max(x2, o.x2);
        y2 = std::max(y2, o.y2);
        return *this;
    }

    // Moves every edge outwards by d (inwards for a negative d).
    Rect& inflate(float d) {
        x1 -= d;
        y1 -= d;
        x2 += d;
        y2 += d;
        return *this;
    }

    bool operator==(const Rect& o) const { return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2; }
    bool operator!=(const Rect& o) const { return !(*this == o); }
};

} // namespace vistrel
} // namespace norvane
