#pragma once
// A track with a knob, vertical or horizontal, whose position 0..1 maps onto a value between a
// minimum and a maximum; clicks and the wheel glide the knob along an eased curve.

#include "vst_control.h"

#include "dis_timer.h"

namespace norvane {
namespace vistrel {

// A value that runs from where it is to a target along a quarter sine (fast at first, flat at the
// end) in `duration` seconds, on the window library's clock.
class EasedValue {
public:
    EasedValue();

    // s runs per second; s <= 0 is ignored.
    void setSpeed(float s);
    // The run starts at the next sample, from the last sampled value; immediate jumps there.
    void setTarget(float value, bool immediate);
    // The value now, or the target with jumpToEnd.
    float evaluate(bool jumpToEnd);
    // The same at a given clock reading (seconds).
    float evaluateAt(float now, bool jumpToEnd);

    float getDuration() const { return mDuration; }

private:
    float mDuration;
    float mFrom, mTo;
    float mCurrent;   // last value sampled while running
    float mStartTime; // negative: the run starts at the next sample
    display::Timer mClock;
};

class Slider : public Control {
public:
    Slider();
    ~Slider() override;

    Control* create() override;
    // "size", "min", "max", "percent" (each when not empty); "direction" "horisontal".
    void load(xml::XmlParser::Iterator& tag) override;
    // The knob under the pointer, or a knob being dragged, keeps the mouse.
    bool hitTest(const Event& e) override;
    bool handleEvent(Event& e) override;
    void draw() override;
    void endDrag() override;

    virtual void setVertical(bool vertical);
    virtual float getSize();
    virtual void setSize(float size);
    // The position's target, 0..1.
    virtual float getPercent();
    virtual void setPercent(float p, bool immediate);
    virtual float getMin();
    virtual void setMin(float min);
    virtual float getMax();
    virtual void setMax(float max);
    virtual float getValue();
    // Not clamped; with an empty range (min == max) the position becomes 0.
    virtual void setValue(float v, bool immediate);

    bool isVertical() const { return mVertical; }
    bool isDragging() const { return mDragging; }
    // The knob's screen rectangle at its drawn position.
    Rect knobRect();

private:
    // Track ends along the slider's direction, in screen pixels.
    void trackEnds(float& a1, float& a2) const;
    // The pointer coordinate along the track.
    float along(const Event& e) const { return mVertical ? e.y : e.x; }
    // Start of the knob along the track for position p.
    float knobStart(float p) const;

    bool mVertical;
    bool mDragging;
    float mKnobSize;  // half the knob's length along the track
    float mKnobHover; // 1 while the pointer is over the knob
    float mMin, mMax;
    EasedValue mPosition;
};

} // namespace vistrel
} // namespace norvane
