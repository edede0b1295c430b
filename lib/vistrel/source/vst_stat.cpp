// The stat graph: the running average, the rolling history and the eased scale.

#include "vst_stat.h"
#include "vst_render.h"
#include "vst_whole.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

namespace norvane {
namespace vistrel {

Stat::Stat()
    : mInterval(0.1f), mLastSample(0), mLastTime(0), mSum(0), mCount(0), mScale(0), mMax(0) {
    mClassName = "stat";
    mName = "stat";
    mText = "stat";
    setColor(BlockBack, StateColor, First, mathbase::Color(1, 1, 1, 1));
    setColor(BlockBack, StateColor, Second, mathbase::Color(0.7f, 0.7f, 0.7f, 1));
    setColor(BlockBack, StateHighlight, First, mathbase::Color(1, 1, 0, 1));
    setColor(BlockBack, StateHighlight, Second, mathbase::Color(1, 1, 0, 1));
}

Stat::~Stat() {}

Control* Stat::create() { return new Stat(); }

namespace {
// More points than any window is wide would only cost memory.
const float MaxPoints = 16384;
} // namespace

void Stat::setArea(Rect area) {
    Control::setArea(area);
    float width = wholePixels(mArea.width());
    if (width > MaxPoints)
        width = MaxPoints;
    size_t n = width > 0 ? static_cast<size_t>(width) : 0;
    if (n > mHistory.size())
        mHistory.resize(n, 0.0f);
}

float Stat::now() {
    Render* render = getRender();
    return render ? render->getTime() : 0.0f;
}

void Stat::addValue(float v) {
    // One NaN or infinity would stay in the graph and its scale for good.
    if (!std::isfinite(v))
        return;
    mSum += v;
    mCount += 1;
    update();
}

void Stat::setInterval(float seconds) { mInterval = seconds; }

void Stat::update() {
    if (mCount < 1)
        return;
    float t = now();
    if (t < mLastTime)
        mLastSample = mLastTime;
    mLastTime = t;
    if (t > mLastSample + mInterval && !mHistory.empty()) {
        for (size_t i = mHistory.size() - 1; i > 0; --i)
            mHistory[i] = mHistory[i - 1];
        mHistory[0] = mCount > 0 ? mSum / mCount : 0.0f;
        mMax = *std::max_element(mHistory.begin(), mHistory.end());
        mSum = 0;
        mCount = 0;
        mLastSample = now();
    }
}

float Stat::pointY(float value) const {
    float h = mArea.height();
    return mScreenArea.y1 + (h + 2) - value / mScale * (h - 4);
}

void Stat::draw() {
    update();
    mScale += (mMax - mScale) * 0.04f;
    Render* render = getRender();
    if (!render)
        return;
    useColors(BlockBack, StateColor);
    render->fillRect(mClipArea, 0);
    // Without a positive scale there is no height to draw the points at.
    if (!(mScale > 0))
        return;
    glLineWidth(2);
    useColors(BlockBack, StateHighlight);
    float w = mArea.width();
    for (size_t i = 1; i < mHistory.size(); ++i) {
        const float a[2] = {mScreenArea.x1 + w - static_cast<float>(i - 1), pointY(mHistory[i - 1])};
        const float b[2] = {mScreenArea.x1 + w - static_cast<float>(i), pointY(mHistory[i])};
        render->line(a, b);
    }
}

} // namespace vistrel
} // namespace norvane
