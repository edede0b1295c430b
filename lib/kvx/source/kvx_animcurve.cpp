#include "kvx_animcurve.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace norvane {
namespace kvx {

namespace {

const uint16_t kTrackW = 0xFB00;
const uint16_t kTrackX = 0xFB10;
const uint16_t kTrackY = 0xFB20;
const uint16_t kTrackZ = 0xFB30;
const uint16_t kDefaultFloat = 0xF004;
const uint16_t kDefaultVec3 = 0xF006;
const uint16_t kDefaultVec4 = 0xF007;

// The real cube root, keeping the sign.
double cubeRoot(double v) { return std::cbrt(v); }

// Stores the candidate as float and counts it when it lies in the parameter range.
void offerRoot(double r, float roots[3], int& count) {
    roots[count] = static_cast<float>(r);
    if (r >= -1e-10 && r <= 1.000001) ++count;
}

// How far a segment's two handles reach along the time axis together.
float handleReach(const AnimCurve::Key& k0, const AnimCurve::Key& k1) {
    return std::fabs(k0.time - k0.outX) + std::fabs(k1.time - k1.inX);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// AnimCurve

void AnimCurve::reset() {
    mCachedSegment = -1;
    interpolation = Constant;
    extrapolation = ExtrapolateConstant;
    keys.clear();
    defaultValue = 0.0f;
}

bool AnimCurve::isConstant() const {
    return keys.empty() || (keys.size() == 1 && extrapolation == ExtrapolateConstant);
}

float AnimCurve::getEndTime() const { return keys.empty() ? 0.0f : keys.back().time; }

int AnimCurve::findSegment(float w) {
    const int n = static_cast<int>(keys.size());
    if (n == 2) return 0;
    int c = mCachedSegment;
    if (c >= 0) {
        if (c + 1 < n && keys[c].time <= w && w < keys[c + 1].time) return c;
        if (c + 2 < n && keys[c + 1].time <= w && w < keys[c + 2].time) return c + 1;
        c = -1;
    }
    int lo = 0, hi = n - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        c = mid;
        if (keys[mid].time > w) hi = mid - 1;
        else if (mid == n - 1) break;
        else if (w < keys[mid + 1].time) return mid;
        else lo = mid + 1;
    }
    // Not inside any segment (a NaN time, keys out of order): the nearest segment the search met.
    return std::max(0, std::min(c, n - 2));
}

float AnimCurve::evaluate(float time) {
    const int n = static_cast<int>(keys.size());
    if (n == 0) return defaultValue;
    const Key& first = keys[0];
    const Key& last = keys[n - 1];
    const float t0 = first.time, t1 = last.time, span = t1 - t0;
    float w = time;
    double offset = 0.0;
    // The cyclic modes need a period to wrap by; without one the nearest key holds.
    const bool canCycle = n > 1 && span > 0.0f && std::isfinite(span);

    if (time < t0) {
        switch (extrapolation) {
        case ExtrapolateConstant: return first.value;
        case ExtrapolateLinear: {
            const float run = first.inX - t0;
            if (interpolation == Constant || run == 0.0f) return first.value;
            const float u = (time - t0) / run;
            return (1 - u) * first.value + u * first.inY;
        }
        case Cyclic:
            if (!canCycle) return first.value;
            w = std::fmod(time - t0, span) + t0 + span;
            break;
        case CyclicOffset: {
            if (!canCycle) return first.value;
            const double k = std::floor((static_cast<double>(time) - t0) / span);
            if (!std::isfinite(k)) return first.value;
            w = static_cast<float>(time - k * span);
            offset = k * (static_cast<double>(last.value) - first.value);
            break;
        }
        default: break;
        }
    } else if (time >= t1) {
        switch (extrapolation) {
        case ExtrapolateConstant: return last.value;
        case ExtrapolateLinear: {
            const float run = last.outX - t1;
            if (interpolation == Constant || run == 0.0f) return last.value;
            const float u = (time - t1) / run;
            return (1 - u) * last.value + u * last.outY;
        }
        case Cyclic:
            if (n == 1) return first.value;
            if (!canCycle) return last.value;
            w = std::fmod(time - t0, span) + t0;
            break;
        case CyclicOffset: {
            if (n == 1) return first.value;
            if (!canCycle) return last.value;
            const double k = std::floor((static_cast<double>(time) - t0) / span);
            if (!std::isfinite(k)) return last.value;
            w = static_cast<float>(time - k * span);
            offset = k * (static_cast<double>(last.value) - first.value);
            break;
        }
        default: break;
        }
    }
    if (n == 1) return first.value;

    const int i = findSegment(w);
    mCachedSegment = i;
    const Key& k0 = keys[i];
    const Key& k1 = keys[i + 1];
    if (w < k0.time || w >= k1.time) std::printf("error (%f,%f),%f!\n", k0.time, k1.time, w);

    float value = k0.value;
    if (interpolation == Bezier) {
        float roots[3];
        if (solveForTime(k0, k1, w, roots) > 0) value = bernstein(k0, k1, roots[0]);
        else std::printf("error, solveForTime returned zero\n");
    } else if (interpolation == Linear) {
        const float length = k1.time - k0.time;
        if (length > 0.0f) {
            const float s = (w - k0.time) / length;
            value = (1 - s) * k0.value + s * k1.value;
        } else {
            // A segment of no length has no slope: the nearer key's value.
            value = w < k0.time ? k0.value : k1.value;
        }
    }
    return static_cast<float>(value + offset);
}

int AnimCurve::solveForTime(const Key& k0, const Key& k1, float time, float roots[3]) {
    const double p0 = k0.time, p1 = k0.outX, p2 = k1.inX, p3 = k1.time;
    const double a = (p3 - p0) + 3.0 * (p1 - p2);
    const double b = 3.0 * (p0 - 2.0 * p1 + p2);
    const double c = 3.0 * (p1 - p0);
    const double d = p0 - time;
    int count = 0;
    if (a == 0.0 && b == 0.0 && c == 0.0) {
        if (d == 0.0) offerRoot(0.0, roots, count);
    } else if (a == 0.0 && b == 0.0) {
        offerRoot(-d / c, roots, count);
    } else if (a == 0.0) {
        const double disc = c * c - 4.0 * b * d;
        if (disc > 0.0) {
            const double s = std::sqrt(disc);
            offerRoot((-c - s) / (2.0 * b), roots, count);
            offerRoot((s - c) / (2.0 * b), roots, count);
        } else if (disc == 0.0) {
            offerRoot(-c / (2.0 * b), roots, count);
        }
    } else {
        const double e = (b / a) / 3.0;
        const double h = (2.0 * e * e * e - (c / a) * e + d / a) / 2.0;
        const double p = (c / a) / 3.0 - e * e;
        const double disc = h * h + p * p * p;
        if (disc > 0.0) {
            const double s = std::sqrt(disc);
            offerRoot(cubeRoot(-h - s) + cubeRoot(s - h) - e, roots, count);
        } else if (disc == 0.0) {
            const double g = cubeRoot(-h);
            offerRoot(2.0 * g - e, roots, count);
            offerRoot(-g - e, roots, count);
        } else {
            const double rho = std::sqrt(-p);
            const double l = std::cos(std::acos(-h / std::sqrt(-p * p * p)) / 3.0);
            const double m = std::sqrt(3.0 - 3.0 * l * l);
            offerRoot(2.0 * rho * l - e, roots, count);
            offerRoot(-rho * (l + m) - e, roots, count);
            offerRoot(-rho * (l - m) - e, roots, count);
        }
    }
    return count;
}

float AnimCurve::bernstein(const Key& k0, const Key& k1, float u) {
    const float v = 1.0f - u;
    return v * v * v * k0.value + 3.0f * u * v * v * k0.outY + 3.0f * u * u * v * k1.inY + u * u * u * k1.value;
}

void AnimCurve::fixHandles() {
    for (size_t i = 0; i + 1 < keys.size(); ++i) {
        Key& k0 = keys[i];
        Key& k1 = keys[i + 1];
        const float dOutX = k0.time - k0.outX, dOutY = k0.value - k0.outY;
        const float dInX = k1.time - k1.inX, dInY = k1.value - k1.inY;
        const float len = handleReach(k0, k1);
        const float span = k1.time - k0.time;
        if (!(len != 0.0f && len > span)) continue;
        // Rounding can leave the shrunk handles a hair longer than the segment, and the next load
        // would shrink them again, so a saved curve would not read back as written. The factor is
        // lowered in growing steps until the handles fit as stored (at the last step it is 0).
        float f = span / len;
        for (int step = 0;; ++step) {
            k0.outX = k0.time - f * dOutX;
            k0.outY = k0.value - f * dOutY;
            k1.inX = k1.time - f * dInX;
            k1.inY = k1.value - f * dInY;
            if (!(span > 0.0f) || !(handleReach(k0, k1) > span) || step > 23) break;
            f *= 1.0f - std::ldexp(1.0f, step - 23);
        }
    }
}

void AnimCurve::loadKeys(ChunkReader& reader) {
    static_assert(sizeof(Key) == 24, "keys must be packed");
    uint8_t interp = static_cast<uint8_t>(interpolation);
    uint8_t extrap = static_cast<uint8_t>(extrapolation);
    reader.readByte(interp);
    reader.readByte(extrap);
    interpolation = interp;
    extrapolation = extrap;
    const uint32_t length = reader.getChunkLength();
    const uint32_t declared = length >= 2 ? (length - 2) / 24 : 0;
    // Never more keys than the bytes that remain reach into; a key cut short keeps zeros.
    const uint32_t present = static_cast<uint32_t>((static_cast<uint64_t>(reader.bytesLeft()) + 23) / 24);
    const uint32_t count = std::min(declared, present);
    keys.assign(count, Key{0, 0, 0, 0, 0, 0});
    reader.readFields(keys.data(), count * 24);
    mCachedSegment = -1;
    if (interpolation == Bezier) fixHandles();
}

void AnimCurve::saveKeys(ChunkWriter& writer, uint16_t id) const {
    if (keys.empty()) return;
    writer.beginChunk(id);
    writer.writeByte(static_cast<uint8_t>(interpolation));
    writer.writeByte(static_cast<uint8_t>(extrapolation));
    writer.write(keys.data(), static_cast<uint32_t>(keys.size() * sizeof(Key)));
    writer.endChunk();
}

void AnimCurve::loadChunk(ChunkReader& reader) {
    while (uint16_t id = reader.nextChunk()) {
        if (id == kDefaultFloat) reader.readFloat(defaultValue);
        else if (id == kTrackX) loadKeys(reader);
        reader.endChunk();
    }
}

void AnimCurve::save(ChunkWriter& writer, uint16_t id) const {
    writer.beginChunk(id);
    saveKeys(writer, kTrackX);
    writer.beginChunk(kDefaultFloat);
    writer.writeFloat(defaultValue);
    writer.endChunk();
    writer.endChunk();
}

// ---------------------------------------------------------------------------------------------
// AnimCurve3 and AnimRotation

mathbase::Vector3T<float> AnimCurve3::evaluate(float time) {
    const float vx = x.evaluate(time);
    const float vy = y.evaluate(time);
    const float vz = z.evaluate(time);
    return mathbase::Vector3T<float>(vx, vy, vz);
}

bool AnimCurve3::isConstant() const { return x.isConstant() && y.isConstant() && z.isConstant(); }

float AnimCurve3::getEndTime() const {
    return std::max({0.0f, x.getEndTime(), y.getEndTime(), z.getEndTime()});
}

void AnimCurve3::reset() {
    x.reset();
    y.reset();
    z.reset();
}

void AnimCurve3::setDefaults(float dx, float dy, float dz) {
    x.defaultValue = dx;
    y.defaultValue = dy;
    z.defaultValue = dz;
}

void AnimCurve3::loadChunk(ChunkReader& reader) {
    while (uint16_t id = reader.nextChunk()) {
        switch (id) {
        case kTrackX: x.loadKeys(reader); break;
        case kTrackY: y.loadKeys(reader); break;
        case kTrackZ: z.loadKeys(reader); break;
        case kDefaultVec3: {
            mathbase::Vector3T<float> v(x.defaultValue, y.defaultValue, z.defaultValue);
            reader.readVec3(v);
            setDefaults(v.x, v.y, v.z);
            break;
        }
        default: break;
        }
        reader.endChunk();
    }
}

void AnimCurve3::save(ChunkWriter& writer, uint16_t id) const {
    writer.beginChunk(id);
    x.saveKeys(writer, kTrackX);
    y.saveKeys(writer, kTrackY);
    z.saveKeys(writer, kTrackZ);
    writer.beginChunk(kDefaultVec3);
    writer.writeVec3(mathbase::Vector3T<float>(x.defaultValue, y.defaultValue, z.defaultValue));
    writer.endChunk();
    writer.endChunk();
}

mathbase::EulerAngles AnimRotation::evaluate(float time) {
    const mathbase::Vector3T<float> v = AnimCurve3::evaluate(time);
    return mathbase::EulerAngles(v.x, v.y, v.z, order);
}

// ---------------------------------------------------------------------------------------------
// AnimatedQuaternion

AnimatedQuaternion::AnimatedQuaternion() { w.defaultValue = 1.0f; }

bool AnimatedQuaternion::isConstant() const {
    return w.isConstant() && x.isConstant() && y.isConstant() && z.isConstant();
}

float AnimatedQuaternion::getEndTime() const {
    return std::max({0.0f, w.getEndTime(), x.getEndTime(), y.getEndTime(), z.getEndTime()});
}

void AnimatedQuaternion::setConstant(const mathbase::Quaternion& q) {
    mathbase::Quaternion n = q;
    const float length = n.length();
    if (length > 0.0f && std::isfinite(length)) n.normalize();
    else n = mathbase::Quaternion();
    w.defaultValue = n.w;
    x.defaultValue = n.x;
    y.defaultValue = n.y;
    z.defaultValue = n.z;
}

mathbase::Quaternion AnimatedQuaternion::evaluate(float time) {
    const float vw = w.evaluate(time);
    const float vx = x.evaluate(time);
    const float vy = y.evaluate(time);
    const float vz = z.evaluate(time);
    return mathbase::Quaternion(vw, vx, vy, vz);
}

void AnimatedQuaternion::loadChunk(ChunkReader& reader) {
    while (uint16_t id = reader.nextChunk()) {
        switch (id) {
        case kTrackW: w.loadKeys(reader); break;
        case kTrackX: x.loadKeys(reader); break;
        case kTrackY: y.loadKeys(reader); break;
        case kTrackZ: z.loadKeys(reader); break;
        case kDefaultVec4: {
            float v[4] = {w.defaultValue, x.defaultValue, y.defaultValue, z.defaultValue};
            reader.readVec4(v);
            setConstant(mathbase::Quaternion(v[0], v[1], v[2], v[3]));
            break;
        }
        default: break;
        }
        reader.endChunk();
    }
}

void AnimatedQuaternion::save(ChunkWriter& writer, uint16_t id) const {
    writer.beginChunk(id);
    w.saveKeys(writer, kTrackW);
    x.saveKeys(writer, kTrackX);
    y.saveKeys(writer, kTrackY);
    z.saveKeys(writer, kTrackZ);
    writer.beginChunk(kDefaultVec4);
    writer.writeVec4(w.defaultValue, x.defaultValue, y.defaultValue, z.defaultValue);
    writer.endChunk();
    writer.endChunk();
}

// ---------------------------------------------------------------------------------------------
// AnimatedColor

bool AnimatedColor::isConstant() const {
    return r.isConstant() && g.isConstant() && b.isConstant() && a.isConstant();
}

float AnimatedColor::getEndTime() const {
    return std::max({0.0f, r.getEndTime(), g.getEndTime(), b.getEndTime(), a.getEndTime()});
}

void AnimatedColor::setDefaults(const mathbase::Color& c) {
    r.defaultValue = c.r;
    g.defaultValue = c.g;
    b.defaultValue = c.b;
    a.defaultValue = c.a;
}

mathbase::Color AnimatedColor::evaluate(float time) {
    const float vr = r.evaluate(time);
    const float vg = g.evaluate(time);
    const float vb = b.evaluate(time);
    const float va = a.evaluate(time);
    return mathbase::Color(vr, vg, vb, va);
}

void AnimatedColor::loadChunk(ChunkReader& reader) {
    while (uint16_t id = reader.nextChunk()) {
        switch (id) {
        case kTrackW: r.loadKeys(reader); break;
        case kTrackX: g.loadKeys(reader); break;
        case kTrackY: b.loadKeys(reader); break;
        case kTrackZ: a.loadKeys(reader); break;
        case kDefaultVec4: {
            float v[4] = {r.defaultValue, g.defaultValue, b.defaultValue, a.defaultValue};
            reader.readVec4(v);
            setDefaults(mathbase::Color(v[0], v[1], v[2], v[3]));
            break;
        }
        default: break;
        }
        reader.endChunk();
    }
}

void AnimatedColor::save(ChunkWriter& writer, uint16_t id) const {
    writer.beginChunk(id);
    r.saveKeys(writer, kTrackW);
    g.saveKeys(writer, kTrackX);
    b.saveKeys(writer, kTrackY);
    a.saveKeys(writer, kTrackZ);
    writer.beginChunk(kDefaultVec4);
    writer.writeVec4(r.defaultValue, g.defaultValue, b.defaultValue, a.defaultValue);
    writer.endChunk();
    writer.endChunk();
}

} // namespace kvx
} // namespace norvane
