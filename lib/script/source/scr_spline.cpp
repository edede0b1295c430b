#include "scr_spline.h"

#include "scr_reach.h"

namespace norvane::script {

Spline::Spline(int type, bool smoothing)
    : mCachedSegment(-1), mMin(0.0f), mMax(0.0f), mType(type), mKeys(), mSmoothing(smoothing) {}

Spline::~Spline() = default;

int Spline::findSegment(float x) {
    const int n = static_cast<int>(mKeys.size());
    if (n == 0) return NoKeys;
    if (x < mKeys[0].time) return BeforeFirst;
    if (n == 1) return AfterLast;
    if (x > mKeys[n - 1].time) return AfterLast;

    // The cache is only a hint: it is checked against the keys before use, and one the keys no
    // longer have a segment for (the caller may have shortened mKeys) is dropped.
    int cached = mCachedSegment;
    if (cached < 0 || cached > n - 2) cached = -1;

    int result = -1;
    if (n == 2) {
        result = 0;
    } else if (cached != -1) {
        if (mKeys[cached].time <= x && x < mKeys[cached + 1].time) {
            result = cached;
        } else if (cached + 2 < n && mKeys[cached + 1].time <= x && x < mKeys[cached + 2].time) {
            result = cached + 1;
        }
    }
    if (result == -1) {
        int lo = 0;
        int hi = n - 2;
        int mid = 0;
        while (lo <= hi) {
            mid = (lo + hi) / 2;
            if (x < mKeys[mid].time) {
                hi = mid - 1;
            } else if (x < mKeys[mid + 1].time) {
                break;
            } else {
                lo = mid + 1;
            }
        }
        result = mid;
    }
    mCachedSegment = result;
    return result;
}

float Spline::evaluate(float x) { return valueAt(findSegment(x), x); }

float Spline::evaluateReached(float x, float slack) {
    int s = findSegment(x);
    if (s == NoKeys || s == AfterLast) return valueAt(s, x);
    const Key& next = mKeys[s == BeforeFirst ? 0 : s + 1];
    if (!hasReached(x, slack, next.time)) return valueAt(s, x);
    x = next.time;
    if (mType == Square && x >= mKeys.back().time) return mKeys.back().value;
    s = findSegment(x);
    return valueAt(s, x);
}

float Spline::valueAt(int s, float x) const {
    if (s == NoKeys) return 0.0f;
    if (s == BeforeFirst) return mKeys.front().value;
    if (s == AfterLast) return mKeys.back().value;

    const Key& a = mKeys[s];
    const Key& b = mKeys[s + 1];
    if (mType == Square) return a.value;

    // Keys may share a time; such a segment has no inside, and x can only stand on its end.
    const float length = b.time - a.time;
    if (length == 0.0f) return b.value;
    const float u = (x - a.time) / length;
    if (mType == Linear) return (1.0f - u) * a.value + u * b.value;

    const float u2 = u * u;
    const float A = 3.0f * (b.value - a.value) - 2.0f * a.tanOut + b.tanIn;
    const float B = 2.0f * (a.value - b.value) + a.tanOut - b.tanIn;
    return a.value + a.tanOut * u + A * u2 + B * (u2 * u);
}

void Spline::computeTangents(int index) {
    const int n = static_cast<int>(mKeys.size());
    if (n == 0) return;
    mMin = mMax = mKeys[0].value;
    if (!mSmoothing || mType != Smooth) return;
    if (n == 1) {
        // The only key there is, whatever index the caller named.
        (void)index;
        mKeys[0].tanIn = 0.0f;
        mKeys[0].tanOut = 0.0f;
        return;
    }
    for (int i = 0; i < n; ++i) {
        Key& key = mKeys[i];
        const float v = key.value;
        if (v < mMin) mMin = v;
        if (v > mMax) mMax = v;
        if (i == 0) {
            key.tanOut = (mKeys[1].value - v) * (mKeys[1].time - key.time);
            key.tanIn = 0.0f;
        } else if (i == n - 1) {
            const float h0 = key.time - mKeys[i - 1].time;
            key.tanOut = 0.0f;
            key.tanIn = -(v - mKeys[i - 1].value) * h0;
        } else {
            const float h0 = key.time - mKeys[i - 1].time;
            const float h1 = mKeys[i + 1].time - key.time;
            // Each difference is divided by the other interval's length. Keys of equal time
            // make a length 0; the term divided by it then adds nothing.
            float m = 0.0f;
            if (h1 != 0.0f) m = 0.5f * (v - mKeys[i - 1].value) / h1;
            if (h0 != 0.0f) m = m + 0.5f * (mKeys[i + 1].value - v) / h0;
            key.tanIn = -m * h0;
            key.tanOut = m * h1;
        }
    }
}

int Spline::insertKey(const Key& key) {
    const int s = findSegment(key.time);
    mCachedSegment = -1;
    if (mKeys.empty()) mMin = mMax = key.value;
    if (s == BeforeFirst) {
        mKeys.insert(mKeys.begin(), key);
        return 0;
    }
    if (s == AfterLast || s == NoKeys) {
        mKeys.push_back(key);
        return static_cast<int>(mKeys.size()) - 1;
    }
    mKeys.insert(mKeys.begin() + (s + 1), key);
    return s + 1;
}

int Spline::addKey(const Key& key) {
    const int index = insertKey(key);
    computeTangents(index);
    return index;
}

void Spline::removeKey(int index) {
    if (index < 0 || index >= static_cast<int>(mKeys.size())) return;
    mKeys.erase(mKeys.begin() + index);
    const int n = static_cast<int>(mKeys.size());
    if (n > 0) {
        computeTangents(index >= n ? index - 1 : index);
        mCachedSegment = -1;
    }
}

int Spline::moveKey(int index) {
    mCachedSegment = -1;
    const int n = static_cast<int>(mKeys.size());
    if (index < 0 || index >= n) return -1;
    const bool afterLeft = index == 0 || mKeys[index].time >= mKeys[index - 1].time;
    const bool beforeRight = index + 1 == n || mKeys[index + 1].time >= mKeys[index].time;
    if (afterLeft && beforeRight) {
        computeTangents(index);
        return index;
    }
    const Key copy = mKeys[index];
    removeKey(index);
    return addKey(copy);
}

} // namespace norvane::script
