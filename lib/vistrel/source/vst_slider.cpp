// The slider and its eased knob position.

#include "vst_slider.h"
#include "vst_render.h"

#include <algorithm>
#include <cmath>

namespace norvane {
namespace vistrel {

namespace {
const float NoColor[4] = {0, 0, 0, -1};
const float HalfPi = 1.57079632679f;

float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }
} // namespace

// ---- EasedValue ----

EasedValue::EasedValue() : mDuration(0.3f), mFrom(0), mTo(0), mCurrent(0), mStartTime(-10) {}

void EasedValue::setSpeed(float s) {
    if (s > 0)
        mDuration = 1 / s;
}

void EasedValue::setTarget(float value, bool immediate) {
    mFrom = mCurrent;
    mTo = value;
    if (immediate) {
        mFrom = mTo = mCurrent = value;
        return;
    }
    mStartTime = -10;
}

float EasedValue::evaluate(bool jumpToEnd) { return evaluateAt(mClock.getTime(), jumpToEnd); }

float EasedValue::evaluateAt(float now, bool jumpToEnd) {
    if (mStartTime < 0)
        mStartTime = now;
    if (jumpToEnd)
        return mTo;
    if (mStartTime + mDuration < now) {
        // The run is over: the next one starts from here, not from an earlier sample.
        mCurrent = mTo;
        return mTo;
    }
    mCurrent = mFrom + std::sin(HalfPi * (now - mStartTime) / mDuration) * (mTo - mFrom);
    return mCurrent;
}

// ---- Slider ----

Slider::Slider() : mVertical(true), mDragging(false), mKnobSize(3), mKnobHover(0), mMin(0), mMax(1) {
    mClassName = "slider";
    mName = "slider";
    mText = "slider";
    mPosition.setTarget(0.5f, true);
    setColor(BlockBack, StateColor, First, mathbase::Color(0.31f, 0.31f, 0.31f, 1));
    setColor(BlockBack, StateColor, Second, mathbase::Color(0.7f, 0.7f, 0.7f, 1));
    setColor(BlockBack, StateHighlight, Second, mathbase::Color(1, 1, 1, 1));
    setColor(BlockBack, StatePushed, Second, mathbase::Color(0.51f, 0.51f, 0.51f, 1));
}

Slider::~Slider() {}

Control* Slider::create() { return new Slider(); }

void Slider::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    if (!tag->getAttribute("size").empty())
        mKnobSize = tag->getFloat("size");
    if (!tag->getAttribute("min").empty())
        mMin = tag->getFloat("min");
    if (!tag->getAttribute("max").empty())
        mMax = tag->getFloat("max");
    if (!tag->getAttribute("percent").empty())
        mPosition.setTarget(tag->getFloat("percent"), true);
    // Other values keep the direction, so a style tag may make a class of sliders horizontal.
    if (tag->getAttribute("direction") == "horisontal")
        mVertical = false;
}

void Slider::trackEnds(float& a1, float& a2) const {
    a1 = mVertical ? mScreenArea.y1 : mScreenArea.x1;
    a2 = mVertical ? mScreenArea.y2 : mScreenArea.x2;
}

float Slider::knobStart(float p) const {
    float a1, a2;
    trackEnds(a1, a2);
    return a1 + p * ((a2 - a1) - 2 * mKnobSize);
}

Rect Slider::knobRect() {
    float s = knobStart(mPosition.evaluate(false));
    if (mVertical)
        return Rect(mScreenArea.x1, s, mScreenArea.x2, s + 2 * mKnobSize);
    return Rect(s, mScreenArea.y1, s + 2 * mKnobSize, mScreenArea.y2);
}

bool Slider::hitTest(const Event& e) { return Control::hitTest(e) || mDragging || mKnobHover != 0; }

bool Slider::handleEvent(Event& e) {
    bool result = Control::handleEvent(e);
    if (e.name == "mousedown") {
        if (e.button == 0 && mHover && !mInactive) {
            if (mKnobHover == 0) {
                // One step towards the click, from the target rather than from where the knob
                // is drawn at this moment.
                float hotEnd = knobStart(mPosition.evaluate(false)) + 2 * mKnobSize + 2;
                float target = mPosition.evaluate(true);
                if (hotEnd < along(e))
                    target = std::min(1.0f, target + 0.2f);
                else
                    target = std::max(0.0f, target - 0.2f);
                mPosition.setTarget(target, false);
                notify(CodeSliderChanged);
            } else {
                mDragging = true;
            }
        }
    } else if (e.name == "mousewheel") {
        if (!mHover)
            return true;
        float step = e.wheel * 0.1f;
        float target = mPosition.evaluate(true) + (mVertical ? -step : step);
        mPosition.setTarget(clamp01(target), false);
        notify(CodeSliderChanged);
        return true;
    } else if (e.name == "mouseup") {
        mDragging = false;
        mKnobHover = 0;
    } else if (e.name == "mousemove") {
        float a1, a2;
        trackEnds(a1, a2);
        if (!mDragging) {
            float s = knobStart(mPosition.evaluate(false));
            float p = along(e);
            float across = mVertical ? e.x : e.y;
            bool inside = mVertical ? (across >= mScreenArea.x1 && across < mScreenArea.x2)
                                    : (across >= mScreenArea.y1 && across < mScreenArea.y2);
            mKnobHover = (inside && p >= s - 2 && p < s + 2 * mKnobSize + 2) ? 1.0f : 0.0f;
        } else {
            // A track without length has no position to drag to.
            float t = a2 > a1 ? (along(e) - a1) / (a2 - a1) : 0.0f;
            mPosition.setTarget(clamp01(t), true);
            notify(CodeSliderChanged);
        }
    }
    return result;
}

void Slider::endDrag() {
    // The knob stays where the drag left it.
    mDragging = false;
    mKnobHover = 0;
    Control::endDrag();
}

void Slider::draw() {
    Render* render = getRender();
    if (!render)
        return;
    Point c = mScreenArea.center();
    Rect track = mVertical ? Rect(c.x - 1, mScreenArea.y1, c.x + 1, mScreenArea.y2)
                           : Rect(mScreenArea.x1, c.y - 1, mScreenArea.x2, c.y + 1);
    render->setColors(getColor(BlockBack, StateColor, First), NoColor);
    render->fillRect(track, 0);

    int state = StateColor;
    if (mKnobHover != 0)
        state = StateHighlight;
    if (mDragging)
        state = StatePushed;
    render->setColors(getColor(BlockBack, state, Second), NoColor);
    render->fillRect(knobRect(), 0);
}

void Slider::setVertical(bool vertical) { mVertical = vertical; }
float Slider::getSize() { return mKnobSize; }
void Slider::setSize(float size) { mKnobSize = size; }
float Slider::getPercent() { return mPosition.evaluate(true); }
void Slider::setPercent(float p, bool immediate) { mPosition.setTarget(p, immediate); }
float Slider::getMin() { return mMin; }
void Slider::setMin(float min) { mMin = min; }
float Slider::getMax() { return mMax; }
void Slider::setMax(float max) { mMax = max; }
float Slider::getValue() { return mMin + mPosition.evaluate(true) * (mMax - mMin); }

void Slider::setValue(float v, bool immediate) {
    // An empty range has one value: it sits at the start of the track.
    float range = mMax - mMin;
    mPosition.setTarget(range != 0 ? (v - mMin) / range : 0.0f, immediate);
}

} // namespace vistrel
} // namespace norvane
