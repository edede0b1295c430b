#pragma once
// 4 x 4 matrices, column-major as OpenGL takes them: element (row r, column c) is m[4c + r].

#include "mathbase/mb_quaternion.h"
#include "mathbase/mb_vector.h"

namespace norvane {
namespace mathbase {

struct Matrix4x4Col {
    float m[16];

    Matrix4x4Col() { setIdentity(); }

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    const float* data() const { return m; }

    void setIdentity() { setScale(1.0f); }
    void setScale(float s);
    void setTranslation(const Vector3T<float>& v);
    void setRotationX(float a);
    void setRotationZ(float a);
    void setRotation(const Quaternion& q);
    // T * R * S.
    void setTransform(const Vector3T<float>& position, const Quaternion& rotation, const Vector3T<float>& scale);
    // The inverse of setTransform: S^-1 * R^-1 * T^-1.
    void setInverseTransform(const Vector3T<float>& position, const Quaternion& rotation,
                             const Vector3T<float>& scale);
    // The view matrix of a scene camera, which looks along its own local axis that a quarter turn
    // about X brings onto -Z.
    void setCameraView(const Vector3T<float>& position, const Quaternion& rotation, const Vector3T<float>& scale);
    void setPerspective(float fovy, float aspect, float nearPlane, float farPlane);
    // The camera's frame in world space, rolled about its view axis.
    void setLookAtFrame(const Vector3T<float>& eye, const Vector3T<float>& target, float roll);
    // The view matrix: the inverse of setLookAtFrame.
    void setLookAt(const Vector3T<float>& eye, const Vector3T<float>& target, float roll);

    // this = this * o; o may be this.
    void multiply(const Matrix4x4Col& o);
    // this = o * this; o may be this.
    void preMultiply(const Matrix4x4Col& o);

    void transformPoint(Vector3T<float>& out, const Vector3T<float>& p) const {
        out = Vector3T<float>(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                              m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]);
    }
    void transformVector(Vector3T<float>& out, const Vector3T<float>& v) const {
        out = Vector3T<float>(m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z,
                              m[2] * v.x + m[6] * v.y + m[10] * v.z);
    }
};

} // namespace mathbase
} // namespace norvane
