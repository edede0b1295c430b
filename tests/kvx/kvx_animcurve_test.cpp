#include "kvx_animcurve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace norvane::kvx;
using norvane::mathbase::Quaternion;

namespace {

AnimCurve::Key key(float time, float value, float inX, float inY, float outX, float outY) {
    return AnimCurve::Key{inX, inY, time, value, outX, outY};
}

// A key whose handles sit a third of the way to its neighbours on the line of the given slope.
AnimCurve::Key lineKey(float time, float value, float slope, float reach = 1.0f / 3.0f) {
    return key(time, value, time - reach, value - reach * slope, time + reach, value + reach * slope);
}

AnimCurve makeCurve(int interpolation, int extrapolation, std::vector<AnimCurve::Key> keys) {
    AnimCurve c;
    c.interpolation = interpolation;
    c.extrapolation = extrapolation;
    c.keys = keys;
    return c;
}

// Writes the curve as an animated-float chunk and reads it back into a fresh curve.
AnimCurve roundTrip(const AnimCurve& curve) {
    ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
    curve.save(w, 0xFA40);
    const std::vector<char> bytes = w.getData();
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), ChunkImplicitSizes);
    AnimCurve back;
    EXPECT_EQ(r.nextChunk(), 0xFA40);
    back.loadChunk(r);
    r.endChunk();
    return back;
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

} // namespace

TEST(AnimCurve, WithoutKeysGivesTheDefault) {
    AnimCurve c;
    c.defaultValue = 3.5f;
    EXPECT_TRUE(c.isConstant());
    EXPECT_EQ(c.getEndTime(), 0.0f);
    EXPECT_EQ(c.evaluate(-100), 3.5f);
    EXPECT_EQ(c.evaluate(kNaN), 3.5f);
    c.reset();
    EXPECT_EQ(c.evaluate(1), 0.0f);
}

TEST(AnimCurve, OneKeyHoldsItsValueInEveryMode) {
    for (int extrapolation = 0; extrapolation < 9; ++extrapolation) {
        AnimCurve c = makeCurve(AnimCurve::Linear, extrapolation, {key(1, 4, 1, 4, 1, 4)});
        EXPECT_EQ(c.isConstant(), extrapolation == 0) << extrapolation;
        EXPECT_EQ(c.getEndTime(), 1.0f);
        for (float t : {-5.0f, 0.5f, 1.0f, 3.0f, kNaN}) EXPECT_EQ(c.evaluate(t), 4.0f) << extrapolation << " " << t;
    }
}

TEST(AnimCurve, BoundariesBelongToTheRightRules) {
    const std::vector<AnimCurve::Key> keys = {key(0, 0, 0, 0, 0, 0), key(1, 2, 1, 2, 1, 2)};
    EXPECT_EQ(makeCurve(AnimCurve::Linear, 0, keys).evaluate(0), 0.0f);
    EXPECT_EQ(makeCurve(AnimCurve::Linear, 0, keys).evaluate(1), 2.0f);
    EXPECT_EQ(makeCurve(AnimCurve::Linear, AnimCurve::Cyclic, keys).evaluate(1), 0.0f);
    EXPECT_EQ(makeCurve(AnimCurve::Linear, AnimCurve::CyclicOffset, keys).evaluate(1), 2.0f);
}

TEST(AnimCurve, InterpolationBetweenKeys) {
    const std::vector<AnimCurve::Key> keys = {lineKey(0, 0, 2), lineKey(3, 6, 2), lineKey(4, 2, -4)};
    AnimCurve constant = makeCurve(AnimCurve::Constant, 0, keys);
    EXPECT_EQ(constant.evaluate(2.9f), 0.0f);
    EXPECT_EQ(constant.evaluate(3.5f), 6.0f);
    AnimCurve linear = makeCurve(AnimCurve::Linear, 0, keys);
    EXPECT_FLOAT_EQ(linear.evaluate(1.5f), 3.0f);
    EXPECT_FLOAT_EQ(linear.evaluate(3.5f), 4.0f);
    // Handles on the straight line between the keys give the linear values.
    AnimCurve bezier = makeCurve(AnimCurve::Bezier, 0, {lineKey(0, 0, 2, 1), lineKey(3, 6, 2, 1)});
    for (float t : {0.0f, 0.5f, 1.0f, 1.7f, 2.9f}) EXPECT_NEAR(bezier.evaluate(t), 2 * t, 1e-4f) << t;
    // An eased segment stays between its keys and is symmetric about its middle.
    AnimCurve eased = makeCurve(AnimCurve::Bezier, 0, {key(0, 0, 0, 0, 0.5f, 0), key(1, 1, 0.5f, 1, 1, 1)});
    EXPECT_NEAR(eased.evaluate(0.5f), 0.5f, 1e-5f);
    EXPECT_LT(eased.evaluate(0.1f), 0.1f);
    EXPECT_NEAR(eased.evaluate(0.1f) + eased.evaluate(0.9f), 1.0f, 1e-5f);
}

TEST(AnimCurve, ExtrapolationOutsideTheKeys) {
    // Linear: the line through the end key and its outer handle.
    AnimCurve one = makeCurve(AnimCurve::Linear, AnimCurve::ExtrapolateLinear, {key(0, 0, -1, -2, 1, 3)});
    EXPECT_FLOAT_EQ(one.evaluate(-2), -4.0f);
    EXPECT_FLOAT_EQ(one.evaluate(-0.5f), -1.0f);
    const std::vector<AnimCurve::Key> keys = {key(0, 0, -1, -2, 0.5f, 1), key(1, 2, 0.5f, 1, 2, 5)};
    AnimCurve linear = makeCurve(AnimCurve::Linear, AnimCurve::ExtrapolateLinear, keys);
    EXPECT_FLOAT_EQ(linear.evaluate(3), 8.0f);
    EXPECT_FLOAT_EQ(linear.evaluate(-1), -2.0f);
    // ... except for constant interpolation.
    EXPECT_EQ(makeCurve(AnimCurve::Constant, AnimCurve::ExtrapolateLinear, keys).evaluate(3), 2.0f);

    AnimCurve cyclic = makeCurve(AnimCurve::Linear, AnimCurve::Cyclic, keys);
    EXPECT_FLOAT_EQ(cyclic.evaluate(1.5f), 1.0f);
    EXPECT_FLOAT_EQ(cyclic.evaluate(7.25f), 0.5f);
    EXPECT_FLOAT_EQ(cyclic.evaluate(-0.25f), 1.5f);

    AnimCurve offset = makeCurve(AnimCurve::Linear, AnimCurve::CyclicOffset, keys);
    EXPECT_FLOAT_EQ(offset.evaluate(2.5f), 5.0f);
    EXPECT_FLOAT_EQ(offset.evaluate(-0.5f), -1.0f);
    EXPECT_FLOAT_EQ(offset.evaluate(-1.75f), -3.5f);

    AnimCurve constant = makeCurve(AnimCurve::Linear, 0, keys);
    EXPECT_EQ(constant.evaluate(-9), 0.0f);
    EXPECT_EQ(constant.evaluate(9), 2.0f);
}

TEST(AnimCurve, DegenerateCurvesNeverDivideByZero) {
    // Linear extrapolation with a handle on its key's time: the key's value.
    AnimCurve flat = makeCurve(AnimCurve::Linear, AnimCurve::ExtrapolateLinear, {key(1, 3, 1, 9, 1, 9)});
    EXPECT_EQ(flat.evaluate(0), 3.0f);
    EXPECT_EQ(flat.evaluate(2), 3.0f);
    // Cyclic modes over keys of no span: the nearest key.
    const std::vector<AnimCurve::Key> same = {key(1, 3, 1, 3, 1, 3), key(1, 5, 1, 5, 1, 5)};
    for (int mode : {AnimCurve::Cyclic, AnimCurve::CyclicOffset}) {
        AnimCurve c = makeCurve(AnimCurve::Linear, mode, same);
        EXPECT_EQ(c.evaluate(0), 3.0f);
        EXPECT_EQ(c.evaluate(4), 5.0f);
    }
    // Times so far out that the period count is no integer: the nearest key, not undefined behaviour.
    const std::vector<AnimCurve::Key> keys = {key(0, 0, 0, 0, 0, 0), key(1, 2, 1, 2, 1, 2)};
    AnimCurve offset = makeCurve(AnimCurve::Linear, AnimCurve::CyclicOffset, keys);
    EXPECT_EQ(offset.evaluate(kInf), 2.0f);
    EXPECT_EQ(offset.evaluate(-kInf), 0.0f);
    EXPECT_TRUE(std::isfinite(offset.evaluate(3e9f)));
    // A segment of no length reached with an unknown extrapolation code: the nearer key's value.
    AnimCurve zero = makeCurve(AnimCurve::Linear, 9, {key(0, 0, 0, 0, 0, 0), key(1, 3, 1, 3, 1, 3), key(1, 5, 1, 5, 1, 5)});
    EXPECT_EQ(zero.evaluate(1), 5.0f);
    // A time that is not a number finds a segment without reading past the keys.
    AnimCurve three = makeCurve(AnimCurve::Linear, 0, {key(0, 0, 0, 0, 0, 0), key(1, 1, 1, 1, 1, 1), key(2, 0, 2, 0, 2, 0)});
    three.evaluate(kNaN);
    EXPECT_FLOAT_EQ(three.evaluate(0.5f), 0.5f);
}

TEST(AnimCurve, CachedSegmentNeverChangesAResult) {
    std::vector<AnimCurve::Key> keys;
    for (int i = 0; i < 20; ++i) keys.push_back(lineKey(static_cast<float>(i), static_cast<float>((i * 7) % 5), 0));
    AnimCurve cached = makeCurve(AnimCurve::Linear, AnimCurve::Cyclic, keys);
    for (float t = -3.0f; t < 45.0f; t += 0.37f) {
        AnimCurve fresh = makeCurve(AnimCurve::Linear, AnimCurve::Cyclic, keys);
        EXPECT_EQ(cached.evaluate(t), fresh.evaluate(t)) << t;
    }
    for (float t : {12.5f, 2.5f, 18.5f, 0.1f}) {
        AnimCurve fresh = makeCurve(AnimCurve::Linear, AnimCurve::Cyclic, keys);
        EXPECT_EQ(cached.evaluate(t), fresh.evaluate(t)) << t;
    }
}

TEST(AnimCurve, SolveForTimeAndBernstein) {
    const AnimCurve::Key a = lineKey(0, 0, 1, 1), b = lineKey(3, 3, 1, 1);
    float roots[3];
    ASSERT_EQ(AnimCurve::solveForTime(a, b, 1.5f, roots), 1);
    EXPECT_NEAR(roots[0], 0.5f, 1e-6f);
    EXPECT_FLOAT_EQ(AnimCurve::bernstein(a, b, 0), 0.0f);
    EXPECT_FLOAT_EQ(AnimCurve::bernstein(a, b, 1), 3.0f);
    // Everything on one time: only the time itself has a parameter.
    const AnimCurve::Key p = key(2, 0, 2, 0, 2, 0), q = key(2, 1, 2, 1, 2, 1);
    EXPECT_EQ(AnimCurve::solveForTime(p, q, 2, roots), 1);
    EXPECT_EQ(roots[0], 0.0f);
    EXPECT_EQ(AnimCurve::solveForTime(p, q, 3, roots), 0);
    // Quadratic and cubic cases give parameters whose x is the time.
    const AnimCurve::Key c0 = key(0, 0, 0, 0, 0, 0), c1 = key(1, 1, 1, 1, 1, 1);
    for (float t : {0.1f, 0.5f, 0.9f}) {
        const int n = AnimCurve::solveForTime(c0, c1, t, roots);
        ASSERT_GE(n, 1);
        const float u = roots[0], v = 1 - u;
        EXPECT_NEAR(3 * u * u * v + u * u * u, t, 1e-5f);
    }
    const AnimCurve::Key s0 = key(0, 0, 0, 0, 0.9f, 0), s1 = key(1, 1, 0.1f, 1, 1, 1);
    for (float t : {0.2f, 0.5f, 0.8f}) {
        ASSERT_GE(AnimCurve::solveForTime(s0, s1, t, roots), 1);
        const float u = roots[0], v = 1 - u;
        EXPECT_NEAR(3 * u * v * v * 0.9f + 3 * u * u * v * 0.1f + u * u * u, t, 1e-5f);
    }
}

TEST(AnimCurve, HandlesReachingPastEachOtherShrinkAtLoad) {
    AnimCurve c = makeCurve(AnimCurve::Bezier, 0, {key(0, 0, -1, 0, 0.8f, 1), key(1, 2, 0.4f, 2, 3, 2)});
    AnimCurve back = roundTrip(c);
    ASSERT_EQ(back.keys.size(), 2u);
    const AnimCurve::Key& k0 = back.keys[0];
    const AnimCurve::Key& k1 = back.keys[1];
    EXPECT_NEAR(std::fabs(k0.outX - k0.time) + std::fabs(k1.time - k1.inX), 1.0f, 1e-6f);
    EXPECT_NEAR(k0.outX, 0.8f / 1.4f, 1e-6f);
    EXPECT_NEAR(k0.outY, 1.0f / 1.4f, 1e-6f);
    // Handles that fit stay as they were, and linear curves are never touched.
    AnimCurve fits = roundTrip(makeCurve(AnimCurve::Bezier, 0, {lineKey(0, 0, 1), lineKey(1, 1, 1)}));
    EXPECT_FLOAT_EQ(fits.keys[0].outX, 1.0f / 3.0f);
    AnimCurve linear = roundTrip(makeCurve(AnimCurve::Linear, 0, c.keys));
    EXPECT_EQ(linear.keys[0].outX, 0.8f);

    // Shrunk handles fit as stored, so a curve read, written and read again keeps every value
    // (here float rounding left them longer than the segment, and every load shrank them again).
    for (float end : {0.1f, 0.4f, 0.9f}) {
        const AnimCurve once = roundTrip(makeCurve(AnimCurve::Bezier, 0, {key(0, 0, -1, 0, 0.1f, 1),
                                                                          key(end, 2, end - 0.4f, 2, end + 1, 2)}));
        const AnimCurve twice = roundTrip(once);
        ASSERT_EQ(twice.keys.size(), 2u);
        EXPECT_LE(std::fabs(once.keys[0].outX - 0.0f) + std::fabs(end - once.keys[1].inX), end) << end;
        EXPECT_EQ(std::memcmp(twice.keys.data(), once.keys.data(), 2 * sizeof(AnimCurve::Key)), 0) << end;
    }
}

TEST(AnimCurve, EveryModeSurvivesWriteAndRead) {
    const std::vector<AnimCurve::Key> keys = {key(-1, 2, -1.5f, 1, -0.5f, 3), key(0.5f, -1, 0, -1, 1, -1),
                                              key(2, 4, 1.5f, 3, 2.5f, 5)};
    for (int interpolation = 0; interpolation < 3; ++interpolation) {
        for (int extrapolation = 0; extrapolation < 4; ++extrapolation) {
            AnimCurve c = makeCurve(interpolation, extrapolation, keys);
            c.defaultValue = 0.25f;
            AnimCurve back = roundTrip(c);
            EXPECT_EQ(back.interpolation, interpolation);
            EXPECT_EQ(back.extrapolation, extrapolation);
            EXPECT_EQ(back.defaultValue, 0.25f);
            ASSERT_EQ(back.keys.size(), 3u);
            for (size_t i = 0; i < keys.size(); ++i) {
                EXPECT_EQ(back.keys[i].time, keys[i].time);
                EXPECT_EQ(back.keys[i].value, keys[i].value);
                EXPECT_EQ(back.keys[i].inX, keys[i].inX);
                EXPECT_EQ(back.keys[i].outY, keys[i].outY);
            }
            for (float t : {-4.0f, -1.0f, -0.3f, 0.5f, 1.2f, 2.0f, 3.3f, 9.0f}) {
                const float expected = c.evaluate(t);
                EXPECT_EQ(back.evaluate(t), expected) << interpolation << "/" << extrapolation << " at " << t;
                EXPECT_TRUE(std::isfinite(expected));
            }
        }
    }
}

TEST(AnimCurve, KeyTrackChunks) {
    // No keys: no track, only the default.
    AnimCurve empty;
    empty.defaultValue = 1.0f;
    ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
    empty.saveKeys(w, 0xFB10);
    EXPECT_EQ(w.bytes().size(), 6u);
    empty.save(w, 0xFA40);
    EXPECT_EQ(w.bytes().size(), 6u + 6 + 2 + 4);

    // A track shorter than its mode bytes, and one claiming far more keys than it holds.
    ChunkWriter t("KVXF", 1, 1, ChunkImplicitSizes);
    t.beginChunk(0xFB10);
    t.writeByte(1);
    t.endChunk();
    std::vector<char> bytes = t.getData();
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), 1);
    AnimCurve c;
    ASSERT_EQ(r.nextChunk(), 0xFB10);
    c.loadKeys(r);
    EXPECT_EQ(c.interpolation, 1);
    EXPECT_TRUE(c.keys.empty());

    ChunkWriter big("KVXF", 1, 1, ChunkImplicitSizes);
    big.beginChunk(0xFB10);
    big.writeByte(1);
    big.writeByte(0);
    const AnimCurve::Key k = key(1, 2, 0, 0, 0, 0);
    big.write(&k, 24);
    big.write(&k, 10);
    big.endChunk();
    bytes = big.getData();
    const uint32_t huge = 0x7FFFFFF0u;
    std::memcpy(bytes.data() + 8, &huge, 4);
    ChunkReader rb(bytes.data(), static_cast<uint32_t>(bytes.size()), 1);
    ASSERT_EQ(rb.nextChunk(), 0xFB10);
    c.loadKeys(rb);
    // One whole key and one cut short: the fields present are read, the rest is zero.
    ASSERT_EQ(c.keys.size(), 2u);
    EXPECT_EQ(c.keys[0].value, 2.0f);
    EXPECT_EQ(c.keys[1].time, 0.0f);
    EXPECT_TRUE(std::isfinite(c.evaluate(0.5f)));
}

TEST(AnimatedValues, GroupsAndDefaults) {
    AnimCurve3 v;
    v.setDefaults(1, 2, 3);
    v.z.keys = {key(5, 9, 5, 9, 5, 9)};
    EXPECT_EQ(v.evaluate(0), norvane::mathbase::Vector3(1, 2, 9));
    EXPECT_TRUE(v.isConstant());
    EXPECT_EQ(v.getEndTime(), 5.0f);

    AnimRotation rot;
    rot.x.defaultValue = 0.5f;
    const norvane::mathbase::EulerAngles e = rot.evaluate(0);
    EXPECT_EQ(e.x, 0.5f);
    EXPECT_EQ(e.order, 4);

    AnimatedQuaternion q;
    EXPECT_EQ(q.evaluate(0).w, 1.0f);
    q.z.keys = {key(7, 1, 7, 1, 7, 1)};
    q.z.extrapolation = AnimCurve::Cyclic;
    EXPECT_FALSE(q.isConstant());
    EXPECT_EQ(q.getEndTime(), 7.0f);

    AnimatedColor c;
    c.a.keys = {key(8, 1, 8, 1, 8, 1)};
    EXPECT_EQ(c.getEndTime(), 8.0f);
    EXPECT_EQ(c.evaluate(0), norvane::mathbase::Color(0, 0, 0, 1));
}

TEST(AnimatedValues, QuaternionDefaultsAreNormalisedColoursAreNot) {
    ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
    for (int i = 0; i < 3; ++i) {
        w.beginChunk(0xFA50);
        w.beginChunk(0xF007);
        if (i == 2) w.writeVec4(0, 0, 0, 0);
        else w.writeVec4(2, 0, 0, 0);
        w.endChunk();
        w.endChunk();
    }
    const std::vector<char> bytes = w.getData();
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), 1);
    AnimatedQuaternion q;
    ASSERT_EQ(r.nextChunk(), 0xFA50);
    q.loadChunk(r);
    r.endChunk();
    EXPECT_EQ(q.evaluate(0).w, 1.0f);
    AnimatedColor c;
    ASSERT_EQ(r.nextChunk(), 0xFA50);
    c.loadChunk(r);
    r.endChunk();
    EXPECT_EQ(c.r.defaultValue, 2.0f);
    // A zero quaternion cannot be normalised: the identity.
    AnimatedQuaternion zero;
    zero.setConstant(Quaternion(0, 0, 0.5f, 0));
    ASSERT_EQ(r.nextChunk(), 0xFA50);
    zero.loadChunk(r);
    const Quaternion z = zero.evaluate(0);
    EXPECT_EQ(z.w, 1.0f);
    EXPECT_EQ(z.y, 0.0f);
}

TEST(AnimatedValues, GroupsSurviveWriteAndRead) {
    AnimCurve3 v;
    v.setDefaults(1, 2, 3);
    v.y = makeCurve(AnimCurve::Bezier, AnimCurve::CyclicOffset, {lineKey(0, 0, 1), lineKey(1, 1, 1)});
    v.y.defaultValue = 2;
    AnimatedQuaternion q;
    q.x = makeCurve(AnimCurve::Linear, AnimCurve::Cyclic, {lineKey(0, 0, 1), lineKey(2, 1, 1)});
    AnimatedColor c;
    c.setDefaults(norvane::mathbase::Color(0.1f, 0.2f, 0.3f, 0.4f));
    c.a = makeCurve(AnimCurve::Constant, 0, {lineKey(0, 1, 0), lineKey(3, 0, 0)});
    c.a.defaultValue = 0.4f;

    ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
    v.save(w, 0xFA00);
    q.save(w, 0xFA50);
    c.save(w, 0xFA30);
    const std::vector<char> bytes = w.getData();
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), 1);
    AnimCurve3 v2;
    AnimatedQuaternion q2;
    AnimatedColor c2;
    ASSERT_EQ(r.nextChunk(), 0xFA00);
    v2.loadChunk(r);
    r.endChunk();
    ASSERT_EQ(r.nextChunk(), 0xFA50);
    q2.loadChunk(r);
    r.endChunk();
    ASSERT_EQ(r.nextChunk(), 0xFA30);
    c2.loadChunk(r);
    r.endChunk();
    for (float t : {-1.0f, 0.0f, 0.3f, 1.7f, 4.0f}) {
        EXPECT_EQ(v2.evaluate(t), v.evaluate(t)) << t;
        const Quaternion a = q.evaluate(t), b = q2.evaluate(t);
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.w, b.w);
        EXPECT_EQ(c2.evaluate(t), c.evaluate(t)) << t;
    }
    EXPECT_EQ(v2.y.interpolation, AnimCurve::Bezier);
    EXPECT_EQ(c2.a.keys.size(), 2u);
}
