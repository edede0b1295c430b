#pragma once
// Rotations as unit quaternions (w is the scalar part) and Euler angles.

#include "mathbase/mb_vector.h"

namespace norvane {
namespace mathbase {

// Angles about X, Y and Z in radians; order 0..5 picks the product order (see Quaternion::fromEuler).
struct EulerAngles {
    float x, y, z;
    int order;
    EulerAngles() : x(0), y(0), z(0), order(0) {}
    EulerAngles(float x_, float y_, float z_, int order_) : x(x_), y(y_), z(z_), order(order_) {}
};

struct Quaternion {
    float w, x, y, z;

    Quaternion() : w(1), x(0), y(0), z(0) {}
    Quaternion(float w_, float x_, float y_, float z_) : w(w_), x(x_), y(y_), z(z_) {}

    // out = this * o (Hamilton product, this on the left).
    void multiply(Quaternion& out, const Quaternion& o) const {
        out = Quaternion(w * o.w - x * o.x - y * o.y - z * o.z, w * o.x + x * o.w + y * o.z - z * o.y,
                         w * o.y - x * o.z + y * o.w + z * o.x, w * o.z + x * o.y - y * o.x + z * o.w);
    }
    Quaternion& operator*=(const Quaternion& o) {
        Quaternion r;
        multiply(r, o);
        *this = r;
        return *this;
    }
    Quaternion operator*(const Quaternion& o) const {
        Quaternion r;
        multiply(r, o);
        return r;
    }

    float length() const { return std::sqrt(w * w + x * x + y * y + z * z); }
    // In place; the caller passes a non-zero quaternion.
    void normalize() {
        const float s = 1.0f / length();
        w *= s;
        x *= s;
        y *= s;
        z *= s;
    }

    // The axis is used as given, not normalised.
    void fromAxisAngle(float angle, const Vector3T<float>& axis) {
        const float s = std::sin(angle / 2);
        *this = Quaternion(std::cos(angle / 2), s * axis.x, s * axis.y, s * axis.z);
    }

    // Product of the three axis rotations in the angles' order; an unknown order leaves this unchanged.
    void fromEuler(const EulerAngles& e);

    // out = the rotation of v by this quaternion.
    void rotate(Vector3T<float>& out, const Vector3T<float>& v) const;
};

// The rotation that turns unit vector a onto unit vector b (identity when they are parallel).
void rotationBetween(const Vector3T<float>& a, const Vector3T<float>& b, Quaternion& out);

} // namespace mathbase
} // namespace norvane
