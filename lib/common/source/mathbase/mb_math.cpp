#include "mathbase/mb_matrix.h"

#include <cstring>

namespace norvane {
namespace mathbase {

void Quaternion::fromEuler(const EulerAngles& e) {
    const Quaternion qx(std::cos(e.x / 2), std::sin(e.x / 2), 0, 0);
    const Quaternion qy(std::cos(e.y / 2), 0, std::sin(e.y / 2), 0);
    const Quaternion qz(std::cos(e.z / 2), 0, 0, std::sin(e.z / 2));
    switch (e.order) {
    case 0: *this = qx * qy * qz; break;
    case 1: *this = qx * qz * qy; break;
    case 2: *this = qy * qx * qz; break;
    case 3: *this = qz * qx * qy; break;
    case 4: *this = qy * qz * qx; break;
    case 5: *this = qz * qy * qx; break;
    default: break;
    }
}

void Quaternion::rotate(Vector3T<float>& out, const Vector3T<float>& v) const {
    Matrix4x4Col r;
    r.setRotation(*this);
    r.transformVector(out, v);
}

void rotationBetween(const Vector3T<float>& a, const Vector3T<float>& b, Quaternion& out) {
    Vector3T<float> axis;
    b.cross(axis, a);
    const float len2 = axis.lengthSquared();
    if (len2 < 1e-6f) {
        out = Quaternion(1, 0, 0, 0);
        return;
    }
    const float angle = std::acos(a.dot(b));
    const float s = std::sin(angle / 2) / std::sqrt(len2);
    out = Quaternion(std::cos(angle / 2), axis.x * s, axis.y * s, axis.z * s);
}

void Matrix4x4Col::setScale(float s) {
    std::memset(m, 0, sizeof(m));
    m[0] = m[5] = m[10] = s;
    m[15] = 1;
}

void Matrix4x4Col::setTranslation(const Vector3T<float>& v) {
    setIdentity();
    m[12] = v.x;
    m[13] = v.y;
    m[14] = v.z;
}

void Matrix4x4Col::setRotationX(float a) {
    setIdentity();
    m[5] = std::cos(a);
    m[6] = std::sin(a);
    m[9] = -std::sin(a);
    m[10] = std::cos(a);
}

void Matrix4x4Col::setRotationZ(float a) {
    setIdentity();
    m[0] = std::cos(a);
    m[1] = std::sin(a);
    m[4] = -std::sin(a);
    m[5] = std::cos(a);
}

void Matrix4x4Col::setRotation(const Quaternion& q) {
    const float w = q.w, x = q.x, y = q.y, z = q.z;
    m[0] = 1 - 2 * (y * y + z * z);
    m[1] = 2 * (x * y + w * z);
    m[2] = 2 * (x * z - w * y);
    m[3] = 0;
    m[4] = 2 * (x * y - w * z);
    m[5] = 1 - 2 * (x * x + z * z);
    m[6] = 2 * (y * z + w * x);
    m[7] = 0;
    m[8] = 2 * (x * z + w * y);
    m[9] = 2 * (y * z - w * x);
    m[10] = 1 - 2 * (x * x + y * y);
    m[11] = 0;
    m[12] = m[13] = m[14] = 0;
    m[15] = 1;
}

void Matrix4x4Col::setTransform(const Vector3T<float>& position, const Quaternion& rotation,
                                const Vector3T<float>& scale) {
    setRotation(rotation);
    for (int r = 0; r < 3; ++r) {
        m[r] *= scale.x;
        m[4 + r] *= scale.y;
        m[8 + r] *= scale.z;
    }
    m[12] = position.x;
    m[13] = position.y;
    m[14] = position.z;
    m[15] = 1;
}

void Matrix4x4Col::setInverseTransform(const Vector3T<float>& position, const Quaternion& rotation,
                                       const Vector3T<float>& scale) {
    setIdentity();
    m[0] = 1.0f / scale.x;
    m[5] = 1.0f / scale.y;
    m[10] = 1.0f / scale.z;
    Matrix4x4Col r;
    r.setRotation(Quaternion(rotation.w, -rotation.x, -rotation.y, -rotation.z));
    multiply(r);
    Matrix4x4Col t;
    t.setTranslation(-position);
    multiply(t);
}

void Matrix4x4Col::setCameraView(const Vector3T<float>& position, const Quaternion& rotation,
                                 const Vector3T<float>& scale) {
    setInverseTransform(position, rotation, scale);
    Matrix4x4Col quarter;
    quarter.setRotationX(1.5707964f);
    preMultiply(quarter);
}

void Matrix4x4Col::setPerspective(float fovy, float aspect, float nearPlane, float farPlane) {
    const float top = std::tan(fovy / 2) * nearPlane;
    const float bottom = -top;
    const float right = top * aspect;
    const float left = bottom * aspect;
    std::memset(m, 0, sizeof(m));
    m[0] = 2 * nearPlane / (right - left);
    m[5] = 2 * nearPlane / (top - bottom);
    m[8] = (right + left) / (right - left);
    m[9] = (top + bottom) / (top - bottom);
    m[10] = -(farPlane + nearPlane) / (farPlane - nearPlane);
    m[11] = -1;
    m[14] = -2 * farPlane * nearPlane / (farPlane - nearPlane);
}

namespace {
// The look-at basis: forward f, side s and up u, all unit length.
void lookAtBasis(const Vector3T<float>& eye, const Vector3T<float>& target, Vector3T<float>& f,
                 Vector3T<float>& s, Vector3T<float>& u) {
    f = target - eye;
    f.normalize();
    Vector3T<float> up(0, 1, 0);
    if (f.x == 0 && f.z == 0) up = Vector3T<float>(-f.y, 0, 0);
    f.cross(s, up);
    s.normalize();
    s.cross(u, f);
}
} // namespace

void Matrix4x4Col::setLookAtFrame(const Vector3T<float>& eye, const Vector3T<float>& target, float roll) {
    Vector3T<float> f, s, u;
    lookAtBasis(eye, target, f, s, u);
    const float values[16] = {s.x, s.y, s.z, 0, u.x, u.y, u.z, 0, -f.x, -f.y, -f.z, 0, eye.x, eye.y, eye.z, 1};
    std::memcpy(m, values, sizeof(m));
    Matrix4x4Col r;
    r.setRotationZ(roll);
    multiply(r);
}

void Matrix4x4Col::setLookAt(const Vector3T<float>& eye, const Vector3T<float>& target, float roll) {
    Vector3T<float> f, s, u;
    lookAtBasis(eye, target, f, s, u);
    const float values[16] = {s.x, u.x, -f.x, 0, s.y, u.y, -f.y, 0, s.z, u.z, -f.z, 0,
                              -s.dot(eye), -u.dot(eye), f.dot(eye), 1};
    std::memcpy(m, values, sizeof(m));
    Matrix4x4Col r;
    r.setRotationZ(-roll);
    preMultiply(r);
}

namespace {
void product(float* out, const float* a, const float* b) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            out[4 * c + r] = a[r] * b[4 * c] + a[4 + r] * b[4 * c + 1] + a[8 + r] * b[4 * c + 2] + a[12 + r] * b[4 * c + 3];
}
} // namespace

void Matrix4x4Col::multiply(const Matrix4x4Col& o) {
    float out[16];
    product(out, m, o.m);
    std::memcpy(m, out, sizeof(m));
}

void Matrix4x4Col::preMultiply(const Matrix4x4Col& o) {
    float out[16];
    product(out, o.m, m);
    std::memcpy(m, out, sizeof(m));
}

} // namespace mathbase
} // namespace norvane
