#pragma once
// A keyed curve: sorted keys (time, value) with step, linear or smooth (cubic Hermite) interpolation.

#include <vector>

namespace norvane::script {

class Spline {
public:
    enum Type { Square = 0, Linear = 1, Smooth = 2 };

    struct Key {
        float time = 0.0f;
        float value = 0.0f;
        float tanIn = 0.0f; // the in-tangent, stored negated
        float tanOut = 0.0f;
    };

    // Negative results of findSegment.
    enum { BeforeFirst = -1, AfterLast = -2, NoKeys = -3 };

    Spline(int type, bool smoothing);
    ~Spline();

    // The segment i with t_i <= x < t_(i+1) (x at the last key's time gives the last segment),
    // or BeforeFirst, AfterLast (also for a single key) or NoKeys. Remembers the segment found,
    // so that time moving forward finds its segment without a search.
    int findSegment(float x);
    // The curve's value at x: the first key's value before it, the last key's after it, 0 without keys.
    float evaluate(float x);
    // The value as the timeline plays it at x, a time within slack of the one it stands for: a key
    // takes effect once x has reached its time (see scr_reach.h), and then holds its own value
    // there. So the last key of a square curve shows from its time on, where evaluate shows the
    // key before it until x has passed it.
    float evaluateReached(float x, float slack);

    // Inserts the key at its sorted place (after keys of equal time) and returns its index.
    int addKey(const Key& key);
    // The same without recomputing anything: for many keys at once, followed by one computeTangents.
    int insertKey(const Key& key);
    // Erases the key at index; an index outside the keys changes nothing.
    void removeKey(int index);
    // Restores the order after the caller changed key index in place; returns its new index
    // (-1 for an index outside the keys).
    int moveKey(int index);
    // Recomputes mMin, mMax and, for smooth curves with smoothing on, the tangents.
    void computeTangents(int index);

    int mCachedSegment;
    float mMin;
    float mMax;
    int mType; // any value other than Square and Linear is smooth
    std::vector<Key> mKeys;
    bool mSmoothing;

private:
    // The value at x in segment s, a result of findSegment.
    float valueAt(int s, float x) const;
};

} // namespace norvane::script
