#include "mathbase/mb_color.h"
#include "mathbase/mb_matrix.h"

#include <gtest/gtest.h>

using namespace norvane::mathbase;

namespace {
const float kPi = 3.14159265358979f;

void expectMatrixNear(const Matrix4x4Col& a, const Matrix4x4Col& b, float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
}
void expectVectorNear(const Vector3& a, const Vector3& b, float tolerance = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}
} // namespace

TEST(Vector, MinorAxisTieRules) {
    Vector3 out;
    Vector3(1, 1, 1).minorAxis(out);
    EXPECT_EQ(out, Vector3(0, 0, 1));
    Vector3(0, 0, 5).minorAxis(out);
    EXPECT_EQ(out, Vector3(0, 1, 0));
    Vector3(0, 3, 5).minorAxis(out);
    EXPECT_EQ(out, Vector3(1, 0, 0));
    Vector3(-7, 2, -3).minorAxis(out);
    EXPECT_EQ(out, Vector3(0, 1, 0));
}

TEST(Vector, CrossDotAndNormalize) {
    Vector3 out;
    Vector3(1, 0, 0).cross(out, Vector3(0, 1, 0));
    EXPECT_EQ(out, Vector3(0, 0, 1));
    Vector3 v(3, 4, 12);
    EXPECT_FLOAT_EQ(v.length(), 13.0f);
    v.normalize();
    EXPECT_NEAR(v.length(), 1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(Vector3(1, 2, 3).dot(Vector3(4, -5, 6)), 12.0f);
}

TEST(QuaternionTest, FromEulerOrdersAndUnknownOrder) {
    for (int order = 0; order < 6; ++order) {
        Quaternion q;
        q.fromEuler(EulerAngles(kPi / 2, 0, 0, order));
        EXPECT_NEAR(q.w, std::cos(kPi / 4), 1e-6f);
        EXPECT_NEAR(q.x, std::sin(kPi / 4), 1e-6f);
        EXPECT_NEAR(q.y, 0, 1e-6f);
        EXPECT_NEAR(q.z, 0, 1e-6f);
    }
    Quaternion kept(0.5f, 0.5f, 0.5f, 0.5f);
    kept.fromEuler(EulerAngles(1, 2, 3, 6));
    EXPECT_EQ(kept.w, 0.5f);
    EXPECT_EQ(kept.z, 0.5f);

    // Order matters: x then y differs from y then x, and each matches the product of the single turns.
    Quaternion xy, yx, qx, qy;
    xy.fromEuler(EulerAngles(0.3f, 0.7f, 0, 0));
    yx.fromEuler(EulerAngles(0.3f, 0.7f, 0, 4));
    qx.fromEuler(EulerAngles(0.3f, 0, 0, 0));
    qy.fromEuler(EulerAngles(0, 0.7f, 0, 0));
    const Quaternion expected = qx * qy;
    EXPECT_NEAR(xy.w, expected.w, 1e-6f);
    EXPECT_NEAR(xy.z, expected.z, 1e-6f);
    EXPECT_GT(std::fabs(xy.z - yx.z), 1e-3f);
}

TEST(QuaternionTest, RotationBetween) {
    Quaternion q;
    rotationBetween(Vector3(0, 1, 0), Vector3(0, 1, 0), q);
    EXPECT_EQ(q.w, 1.0f);
    EXPECT_EQ(q.x, 0.0f);
    rotationBetween(Vector3(1, 0, 0), Vector3(0, 1, 0), q);
    EXPECT_NEAR(q.w, std::cos(kPi / 4), 1e-6f);
    EXPECT_NEAR(q.z, -std::sin(kPi / 4), 1e-6f);
    EXPECT_NEAR(q.x, 0, 1e-6f);
    EXPECT_NEAR(q.y, 0, 1e-6f);
}

TEST(QuaternionTest, RotateMatchesAxisAngle) {
    Quaternion q;
    q.fromAxisAngle(kPi / 2, Vector3(0, 0, 1));
    Vector3 out;
    q.rotate(out, Vector3(1, 0, 0));
    expectVectorNear(out, Vector3(0, 1, 0));
}

TEST(Matrix, PerspectiveElements) {
    Matrix4x4Col p;
    p.setPerspective(kPi / 2, 1, 1, 100);
    EXPECT_NEAR(p[0], 1, 1e-6f);
    EXPECT_NEAR(p[5], 1, 1e-6f);
    EXPECT_NEAR(p[10], -101.0f / 99.0f, 1e-6f);
    EXPECT_NEAR(p[14], -200.0f / 99.0f, 1e-5f);
    EXPECT_EQ(p[11], -1);
    EXPECT_EQ(p[15], 0);
}

TEST(Matrix, LookAtStraightAndDown) {
    Matrix4x4Col view, expected;
    view.setLookAt(Vector3(0, 0, 5), Vector3(0, 0, 0), 0);
    expected.setTranslation(Vector3(0, 0, -5));
    expectMatrixNear(view, expected);

    view.setLookAt(Vector3(0, 5, 0), Vector3(0, 0, 0), 0);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(view[i]));
    Vector3 eyeInView;
    view.transformPoint(eyeInView, Vector3(0, 5, 0));
    expectVectorNear(eyeInView, Vector3(0, 0, 0));
    Vector3 origin;
    view.transformPoint(origin, Vector3(0, 0, 0));
    expectVectorNear(origin, Vector3(0, 0, -5));
}

TEST(Matrix, LookAtIsTheInverseOfTheFrame) {
    const Vector3 eye(3, -2, 7), target(-1, 4, 0.5f);
    for (float roll : {0.0f, 0.4f, -2.0f}) {
        Matrix4x4Col frame, view;
        frame.setLookAtFrame(eye, target, roll);
        view.setLookAt(eye, target, roll);
        frame.multiply(view);
        expectMatrixNear(frame, Matrix4x4Col());
    }
}

TEST(Matrix, InverseTransformTimesTransformIsIdentity) {
    Quaternion q;
    q.fromEuler(EulerAngles(0.3f, -1.1f, 2.0f, 3));
    const Vector3 p(1, -2, 3), s(2, 0.5f, -3);
    Matrix4x4Col inverse, forward;
    inverse.setInverseTransform(p, q, s);
    forward.setTransform(p, q, s);
    inverse.multiply(forward);
    expectMatrixNear(inverse, Matrix4x4Col());
}

TEST(Matrix, MultiplyAndPreMultiplyWithSelf) {
    Matrix4x4Col a;
    a.setRotationZ(0.5f);
    Matrix4x4Col b = a;
    a.multiply(a);
    b.preMultiply(b);
    Matrix4x4Col expected;
    expected.setRotationZ(1.0f);
    expectMatrixNear(a, expected);
    expectMatrixNear(b, expected);
}

TEST(Matrix, CameraViewLooksDownItsLocalAxis) {
    // An unrotated camera at (0, 0, 10): the quarter turn about X brings its local -Y onto the view's -Z.
    Matrix4x4Col view;
    view.setCameraView(Vector3(0, 0, 10), Quaternion(), Vector3(1, 1, 1));
    Vector3 out;
    view.transformPoint(out, Vector3(0, 0, 10));
    expectVectorNear(out, Vector3(0, 0, 0));
    view.transformPoint(out, Vector3(0, -1, 10));
    expectVectorNear(out, Vector3(0, 0, -1));
}

TEST(ColorTest, ScalesAlphaToo) {
    const Color c = Color(1, 0.5f, 0.25f, 0.8f) * 0.5f;
    EXPECT_EQ(c, Color(0.5f, 0.25f, 0.125f, 0.4f));
}

TEST(Quaternion, LengthAndNormalize) {
    Quaternion q(2, 0, 0, 0);
    EXPECT_FLOAT_EQ(q.length(), 2.0f);
    q.normalize();
    EXPECT_FLOAT_EQ(q.w, 1.0f);
    Quaternion r(1, 2, 2, 4);
    EXPECT_FLOAT_EQ(r.length(), 5.0f);
    r.normalize();
    EXPECT_FLOAT_EQ(r.length(), 1.0f);
    EXPECT_FLOAT_EQ(r.z, 0.8f);
}
