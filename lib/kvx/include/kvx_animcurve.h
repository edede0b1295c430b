#pragma once
// Keyed float curves with 2-D Bezier handles (x is time, y is value), and the animated values
// built from them: one float, a vector, Euler angles, a quaternion and a colour.

#include "kvx_chunk.h"
#include "mathbase/mb_color.h"
#include "mathbase/mb_quaternion.h"
#include "mathbase/mb_vector.h"

#include <vector>

namespace norvane {
namespace kvx {

class AnimCurve {
public:
    enum Interpolation { Constant = 0, Linear = 1, Bezier = 2 };
    enum Extrapolation { ExtrapolateConstant = 0, ExtrapolateLinear = 1, Cyclic = 2, CyclicOffset = 3 };

    // 24 bytes in files, in this order.
    struct Key {
        float inX, inY;
        float time, value;
        float outX, outY;
    };

    AnimCurve() { reset(); }

    void reset();
    bool isConstant() const;
    float getEndTime() const;
    // Not const: remembers the segment it used, which makes the next nearby time cheap.
    float evaluate(float time);

    // The payload of a key-track chunk that was just opened: modes, then the keys.
    void loadKeys(ChunkReader& reader);
    // One key-track chunk with the given id; nothing at all without keys.
    void saveKeys(ChunkWriter& writer, uint16_t id) const;
    // An animated-float chunk that was just opened: 0xF004 default, 0xFB10 keys.
    void loadChunk(ChunkReader& reader);
    void save(ChunkWriter& writer, uint16_t id) const;

    // Bezier parameters in [0, 1] at which the segment's x equals the time; at most three.
    static int solveForTime(const Key& k0, const Key& k1, float time, float roots[3]);
    // The segment's y at parameter u.
    static float bernstein(const Key& k0, const Key& k1, float u);

    float defaultValue;
    int interpolation;
    int extrapolation;
    std::vector<Key> keys;

private:
    void fixHandles();
    int findSegment(float w);

    int mCachedSegment;
};

// Three channels x, y, z: node location and scale.
class AnimCurve3 {
public:
    mathbase::Vector3T<float> evaluate(float time);
    bool isConstant() const;
    float getEndTime() const;
    void reset();
    void setDefaults(float dx, float dy, float dz);
    void loadChunk(ChunkReader& reader);
    void save(ChunkWriter& writer, uint16_t id) const;

    AnimCurve x, y, z;
};

// Euler angles in radians with a rotation order; the order is not stored in files.
class AnimRotation : public AnimCurve3 {
public:
    AnimRotation() : order(4) {}
    mathbase::EulerAngles evaluate(float time);

    int order;
};

// Four channels w, x, y, z whose defaults form the identity rotation.
class AnimatedQuaternion {
public:
    AnimatedQuaternion();
    bool isConstant() const;
    float getEndTime() const;
    // Stores a normalised copy of q as the four defaults (identity for a zero or broken q).
    void setConstant(const mathbase::Quaternion& q);
    mathbase::Quaternion evaluate(float time);
    void loadChunk(ChunkReader& reader);
    void save(ChunkWriter& writer, uint16_t id) const;

    AnimCurve w, x, y, z;
};

// Four channels r, g, b, a.
class AnimatedColor {
public:
    bool isConstant() const;
    float getEndTime() const;
    void setDefaults(const mathbase::Color& c);
    mathbase::Color evaluate(float time);
    void loadChunk(ChunkReader& reader);
    void save(ChunkWriter& writer, uint16_t id) const;

    AnimCurve r, g, b, a;
};

} // namespace kvx
} // namespace norvane
