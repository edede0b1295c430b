#pragma once
// Three-component vectors.

#include <cmath>

namespace norvane {
namespace mathbase {

template <typename T> struct Vector3T {
    T x, y, z;

    Vector3T() : x(0), y(0), z(0) {}
    Vector3T(T x_, T y_, T z_) : x(x_), y(y_), z(z_) {}

    T lengthSquared() const { return x * x + y * y + z * z; }
    T length() const { return std::sqrt(lengthSquared()); }
    T dot(const Vector3T& o) const { return x * o.x + y * o.y + z * o.z; }

    // In place; the caller passes a non-zero vector.
    void normalize() { *this *= T(1) / length(); }

    // out = this x o.
    void cross(Vector3T& out, const Vector3T& o) const {
        out = Vector3T(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x);
    }

    Vector3T& operator*=(T s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    Vector3T& operator+=(const Vector3T& o) {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    Vector3T& operator-=(const Vector3T& o) {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        return *this;
    }
    Vector3T operator+(const Vector3T& o) const { return Vector3T(x + o.x, y + o.y, z + o.z); }
    Vector3T operator-(const Vector3T& o) const { return Vector3T(x - o.x, y - o.y, z - o.z); }
    Vector3T operator-() const { return Vector3T(-x, -y, -z); }
    Vector3T operator*(T s) const { return Vector3T(x * s, y * s, z * s); }
    bool operator==(const Vector3T& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vector3T& o) const { return !(*this == o); }

    // The unit axis of the smallest absolute component: a vector that is not parallel to this one.
    void minorAxis(Vector3T& out) const {
        const T ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
        if (ax < ay && ax < az) out = Vector3T(1, 0, 0);
        else if (ay <= ax && ay < az) out = Vector3T(0, 1, 0);
        else out = Vector3T(0, 0, 1);
    }
};

typedef Vector3T<float> Vector3;

} // namespace mathbase
} // namespace norvane
