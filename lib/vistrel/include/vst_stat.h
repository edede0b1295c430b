#pragma once
// A rolling line graph of a measured quantity (such as the frame rate). Values added at any rate
// are averaged over an interval of display time; each average becomes the newest point at the
// right edge and older points move one pixel left. The vertical scale follows the largest value
// shown, eased so that it changes gently.

#include "vst_control.h"

#include <vector>

namespace norvane {
namespace vistrel {

class Stat : public Control {
public:
    Stat();
    ~Stat() override;

    Control* create() override;
    // Grows the history to one point per pixel of width; it never shrinks.
    void setArea(Rect area) override;
    using Control::setArea;
    void draw() override;

    // Adds a value to the running average (values that are not finite are ignored).
    virtual void addValue(float v);
    virtual void setInterval(float seconds);

    // Closes the running average into a new point when the interval has passed.
    void update();

    const std::vector<float>& getHistory() const { return mHistory; }
    float getScale() const { return mScale; }
    float getMax() const { return mMax; }
    float getInterval() const { return mInterval; }
    // Screen y of a point's value at the current scale.
    float pointY(float value) const;

private:
    float now();

    float mInterval;
    float mLastSample; // display time of the last point
    float mLastTime;   // display time at the previous update
    std::vector<float> mHistory; // newest first
    float mSum, mCount;
    float mScale; // the eased vertical scale
    float mMax;   // the largest point
};

} // namespace vistrel
} // namespace norvane
