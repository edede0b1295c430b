#include "scr_spline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <utility>

using norvane::script::Spline;

namespace {

Spline curve(int type, std::initializer_list<std::pair<float, float>> keys) {
    Spline spline(type, true);
    for (const auto& k : keys) spline.addKey(Spline::Key{k.first, k.second, 0.0f, 0.0f});
    return spline;
}

bool sorted(const Spline& spline) {
    for (size_t i = 1; i < spline.mKeys.size(); ++i) {
        if (spline.mKeys[i].time < spline.mKeys[i - 1].time) return false;
    }
    return true;
}

// The segment by definition: t_i <= x < t_(i+1), or the last segment for x on the last key.
int segmentByScan(const Spline& spline, float x) {
    const int n = static_cast<int>(spline.mKeys.size());
    if (n == 0) return Spline::NoKeys;
    if (x < spline.mKeys[0].time) return Spline::BeforeFirst;
    if (n == 1 || x > spline.mKeys[n - 1].time) return Spline::AfterLast;
    for (int i = 0; i + 1 < n; ++i) {
        if (spline.mKeys[i].time <= x && x < spline.mKeys[i + 1].time) return i;
    }
    return n - 2;
}

} // namespace

TEST(Spline, WithoutKeysEvaluatesToZero) {
    Spline spline(Spline::Smooth, true);
    EXPECT_EQ(spline.findSegment(1.0f), Spline::NoKeys);
    EXPECT_EQ(spline.mCachedSegment, -1);
    EXPECT_EQ(spline.evaluate(-3.0f), 0.0f);
    EXPECT_EQ(spline.evaluate(3.0f), 0.0f);
}

TEST(Spline, OneKeyHoldsItsValueEverywhere) {
    for (int type : {0, 1, 2}) {
        Spline spline = curve(type, {{1.0f, 5.0f}});
        EXPECT_EQ(spline.findSegment(0.0f), Spline::BeforeFirst);
        EXPECT_EQ(spline.findSegment(1.0f), Spline::AfterLast);
        EXPECT_EQ(spline.evaluate(0.0f), 5.0f);
        EXPECT_EQ(spline.evaluate(1.0f), 5.0f);
        EXPECT_EQ(spline.evaluate(9.0f), 5.0f);
        EXPECT_EQ(spline.mKeys[0].tanIn, 0.0f);
        EXPECT_EQ(spline.mKeys[0].tanOut, 0.0f);
    }
}

TEST(Spline, LastKeyTimeStillLiesInTheLastSegment) {
    EXPECT_EQ(curve(Spline::Linear, {{0, 0}, {2, 4}}).evaluate(2.0f), 4.0f);
    EXPECT_EQ(curve(Spline::Smooth, {{0, 0}, {2, 4}}).evaluate(2.0f), 4.0f);
    EXPECT_EQ(curve(Spline::Square, {{0, 0}, {2, 4}}).evaluate(2.0f), 0.0f);

    Spline square = curve(Spline::Square, {{0, 0}, {1, 1}, {2, 0}});
    EXPECT_EQ(square.findSegment(2.0f), 1);
    EXPECT_EQ(square.evaluate(2.0f), 1.0f);
    EXPECT_EQ(curve(Spline::Linear, {{0, 0}, {1, 1}, {2, 0}}).evaluate(2.0f), 0.0f);
    for (int type : {0, 1, 2, 7}) {
        Spline spline = curve(type, {{0, 0}, {1, 1}, {2, 0}});
        EXPECT_EQ(spline.evaluate(2.0001f), 0.0f) << "type " << type;
        EXPECT_EQ(spline.evaluate(-0.5f), 0.0f) << "type " << type;
    }
}

TEST(Spline, SquareHoldsEachKeyUntilTheNext) {
    Spline spline = curve(Spline::Square, {{0, 3}, {1, 7}, {4, -2}, {5, 9}});
    EXPECT_EQ(spline.evaluate(0.0f), 3.0f);
    EXPECT_EQ(spline.evaluate(0.999f), 3.0f);
    EXPECT_EQ(spline.evaluate(1.0f), 7.0f);
    EXPECT_EQ(spline.evaluate(3.5f), 7.0f);
    EXPECT_EQ(spline.evaluate(4.0f), -2.0f);
    EXPECT_EQ(spline.evaluate(4.99f), -2.0f);
}

TEST(Spline, LinearInterpolatesWithinEachSegment) {
    Spline spline = curve(Spline::Linear, {{0, 0}, {2, 4}, {3, -4}});
    EXPECT_FLOAT_EQ(spline.evaluate(0.5f), 1.0f);
    EXPECT_FLOAT_EQ(spline.evaluate(1.5f), 3.0f);
    EXPECT_FLOAT_EQ(spline.evaluate(2.0f), 4.0f);
    EXPECT_FLOAT_EQ(spline.evaluate(2.25f), 2.0f);
}

TEST(Spline, SmoothTangentsFollowTheOtherIntervalRule) {
    Spline spline = curve(Spline::Smooth, {{0, 0}, {1, 1}, {3, 0}});
    EXPECT_FLOAT_EQ(spline.mKeys[0].tanOut, 1.0f);
    EXPECT_FLOAT_EQ(spline.mKeys[0].tanIn, 0.0f);
    EXPECT_FLOAT_EQ(spline.mKeys[1].tanIn, 0.25f);
    EXPECT_FLOAT_EQ(spline.mKeys[1].tanOut, -0.5f);
    EXPECT_FLOAT_EQ(spline.mKeys[2].tanIn, 2.0f);
    EXPECT_FLOAT_EQ(spline.mKeys[2].tanOut, 0.0f);
    EXPECT_EQ(spline.mMin, 0.0f);
    EXPECT_EQ(spline.mMax, 1.0f);
}

TEST(Spline, SmoothIsAHermiteSegmentThroughItsKeys) {
    Spline spline = curve(Spline::Smooth, {{0, 0}, {1, 1}, {3, 0}});
    // Segment 1: start tangent tanOut -0.5, end tangent -tanIn = -2, over u in [0, 1].
    const float u = 0.5f;
    const float h00 = 2 * u * u * u - 3 * u * u + 1, h10 = u * u * u - 2 * u * u + u;
    const float h01 = -2 * u * u * u + 3 * u * u, h11 = u * u * u - u * u;
    EXPECT_NEAR(spline.evaluate(2.0f), h00 * 1.0f + h10 * -0.5f + h01 * 0.0f + h11 * -2.0f, 1e-6);
    EXPECT_FLOAT_EQ(spline.evaluate(1.0f), 1.0f);
    EXPECT_NEAR(spline.evaluate(3.0f), 0.0f, 1e-6);
    // Any type other than square and linear is smooth.
    spline.mType = 9;
    EXPECT_NEAR(spline.evaluate(2.0f), h00 * 1.0f + h10 * -0.5f + h11 * -2.0f, 1e-6);
}

TEST(Spline, KeysOfEqualTimeGiveFiniteValues) {
    // The last two keys at one time, x at that time: the segment has no length.
    for (int type : {1, 2}) {
        Spline spline = curve(type, {{0, 0}, {1, 1}, {1, 5}});
        // (1, 5) went just before the last key: (0, 0) (1, 5) (1, 1).
        EXPECT_EQ(spline.findSegment(1.0f), 1);
        EXPECT_EQ(spline.evaluate(1.0f), 1.0f) << "type " << type;
        if (type == 1) {
            EXPECT_EQ(spline.evaluate(0.5f), 2.5f);
        }
        EXPECT_TRUE(std::isfinite(spline.evaluate(0.5f)));
        Spline pair = curve(type, {{2, 3}, {2, 8}});
        EXPECT_EQ(pair.evaluate(2.0f), 8.0f) << "type " << type;
    }
    // Inner keys sharing a time: no term divides by the zero length.
    Spline spline = curve(Spline::Smooth, {{0, 0}, {1, 1}, {1, 4}, {1, 2}, {3, 0}});
    for (const auto& key : spline.mKeys) {
        EXPECT_TRUE(std::isfinite(key.tanIn) && std::isfinite(key.tanOut));
    }
    // Keys end up (0,0) (1,4) (1,2) (1,1) (3,0): a key at the last key's time goes before it.
    EXPECT_EQ(spline.mKeys[1].value, 4.0f);
    EXPECT_FLOAT_EQ(spline.mKeys[1].tanIn, 1.0f); // m = 0.5 x (2 - 4) / 1, the term over h1 = 0 dropped
    EXPECT_FLOAT_EQ(spline.mKeys[1].tanOut, 0.0f);
    EXPECT_FLOAT_EQ(spline.mKeys[3].tanOut, -0.5f); // m = 0.5 x (0 - 1) / 2, the term over h0 = 0 dropped
    for (float x = -1.0f; x <= 4.0f; x += 0.125f) {
        EXPECT_TRUE(std::isfinite(spline.evaluate(x))) << "x " << x;
    }
    EXPECT_EQ(spline.mMin, 0.0f);
    EXPECT_EQ(spline.mMax, 4.0f);
}

TEST(Spline, AddKeyKeepsTheOrder) {
    Spline spline(Spline::Smooth, true);
    EXPECT_EQ(spline.addKey({2.0f, 7.0f, 0, 0}), 0);
    EXPECT_EQ(spline.mMin, 7.0f);
    EXPECT_EQ(spline.mMax, 7.0f);
    EXPECT_EQ(spline.addKey({1.0f, 1.0f, 0, 0}), 0);  // before all
    EXPECT_EQ(spline.addKey({5.0f, 2.0f, 0, 0}), 2);  // after all: count - 1
    EXPECT_EQ(spline.addKey({3.0f, 3.0f, 0, 0}), 2);  // inside
    EXPECT_EQ(spline.addKey({2.0f, 9.0f, 0, 0}), 2);  // equal to an inner key: after it
    EXPECT_EQ(spline.addKey({5.0f, 4.0f, 0, 0}), 4);  // equal to the last key: just before it
    ASSERT_EQ(spline.mKeys.size(), 6u);
    EXPECT_TRUE(sorted(spline));
    EXPECT_EQ(spline.mKeys[1].value, 7.0f);
    EXPECT_EQ(spline.mKeys[2].value, 9.0f);
    EXPECT_EQ(spline.mKeys[5].value, 2.0f);
    EXPECT_EQ(spline.mMin, 1.0f);
    EXPECT_EQ(spline.mMax, 9.0f);
    EXPECT_EQ(spline.mCachedSegment, -1);
}

TEST(Spline, TangentsAndRangeOnlyForSmoothCurvesWithSmoothing) {
    Spline linear = curve(Spline::Linear, {{0, 5}, {1, -3}, {2, 8}});
    EXPECT_EQ(linear.mMin, 5.0f);
    EXPECT_EQ(linear.mMax, 5.0f);
    Spline plain(Spline::Smooth, false);
    plain.addKey({0.0f, 1.0f, 0.5f, 0.25f});
    plain.addKey({1.0f, 2.0f, 0.5f, 0.25f});
    EXPECT_EQ(plain.mKeys[0].tanOut, 0.25f); // stored as given
    EXPECT_EQ(plain.mMax, 1.0f);
    // Setting the type alone recomputes nothing; the next key operation does.
    linear.mType = Spline::Smooth;
    EXPECT_EQ(linear.mMin, 5.0f);
    linear.moveKey(0);
    EXPECT_EQ(linear.mMin, -3.0f);
    EXPECT_EQ(linear.mMax, 8.0f);
}

TEST(Spline, MoveKeyRestoresTheOrder) {
    Spline spline = curve(Spline::Smooth, {{0, 0}, {1, 1}, {2, 2}, {3, 3}});
    spline.mKeys[1].time = 2.5f; // dragged past its right neighbour
    EXPECT_EQ(spline.moveKey(1), 2);
    EXPECT_TRUE(sorted(spline));
    EXPECT_EQ(spline.mKeys[2].value, 1.0f);
    spline.mKeys[3].time = -1.0f; // dragged before every key
    EXPECT_EQ(spline.moveKey(3), 0);
    EXPECT_TRUE(sorted(spline));
    spline.mKeys[2].value = 10.0f; // value only: stays
    EXPECT_EQ(spline.moveKey(2), 2);
    EXPECT_EQ(spline.mMax, 10.0f);
    EXPECT_EQ(spline.moveKey(7), -1);
    EXPECT_EQ(spline.mKeys.size(), 4u);
}

TEST(Spline, RemoveKeyRecomputesTheRest) {
    Spline spline = curve(Spline::Smooth, {{0, 0}, {1, 1}, {3, 0}});
    spline.removeKey(2);
    ASSERT_EQ(spline.mKeys.size(), 2u);
    EXPECT_FLOAT_EQ(spline.mKeys[1].tanIn, -1.0f); // now the last key
    EXPECT_FLOAT_EQ(spline.evaluate(1.0f), 1.0f);
    spline.removeKey(5);
    spline.removeKey(-1);
    EXPECT_EQ(spline.mKeys.size(), 2u);
    spline.removeKey(0);
    spline.removeKey(0);
    EXPECT_TRUE(spline.mKeys.empty());
    EXPECT_EQ(spline.evaluate(1.0f), 0.0f);
}

TEST(Spline, CachedSearchAgreesWithTheDefinition) {
    // Keys with repeated times, visited forwards, backwards and at random.
    Spline spline(Spline::Linear, true);
    unsigned seed = 7;
    auto next = [&seed]() { return (seed = seed * 69069u + 5u) >> 8; };
    for (int i = 0; i < 40; ++i) spline.addKey({float(next() % 30) * 0.5f, float(i), 0, 0});
    ASSERT_TRUE(sorted(spline));
    for (float x = -1.0f; x < 16.0f; x += 0.05f) ASSERT_EQ(spline.findSegment(x), segmentByScan(spline, x)) << x;
    for (float x = 16.0f; x > -1.0f; x -= 0.05f) ASSERT_EQ(spline.findSegment(x), segmentByScan(spline, x)) << x;
    for (int i = 0; i < 2000; ++i) {
        const float x = float(next() % 3300) / 200.0f - 0.5f;
        ASSERT_EQ(spline.findSegment(x), segmentByScan(spline, x)) << x;
    }
}

TEST(Spline, ForwardTimeTakesTheCachedSegment) {
    Spline spline = curve(Spline::Linear, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}});
    EXPECT_EQ(spline.findSegment(2.5f), 2);
    EXPECT_EQ(spline.mCachedSegment, 2);
    EXPECT_EQ(spline.findSegment(3.2f), 3); // into the next
    EXPECT_EQ(spline.mCachedSegment, 3);
    // A cache the keys no longer cover (the caller shortened them) is ignored, not read past the end.
    spline.mCachedSegment = 5;
    spline.mKeys.resize(4);
    EXPECT_EQ(spline.findSegment(3.0f), 2);
    EXPECT_FLOAT_EQ(spline.evaluate(2.5f), 2.5f);
}
