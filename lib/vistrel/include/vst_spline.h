#pragma once
// A curve editor over a timeline spline, edited in place: keys are dragged, added and removed
// with the mouse, the keyboard and a context menu, and the interpolation type can be changed.
// Time 0 is the left edge and the time span (1 unless set) the right edge; value -1 the top edge,
// 0 the middle and +1 the bottom edge. Every drag notifies CodeSplineEdited.

#include "vst_context.h"

#include "scr_spline.h"

#include <string>
#include <vector>

namespace norvane {
namespace vistrel {

class Spline : public Control {
public:
    Spline();
    ~Spline() override;

    Control* create() override;
    // Makes a curve of its own: "type" square, linear or smooth; "item" tags with "x" (time) and
    // "y" (value) are its keys.
    void load(xml::XmlParser::Iterator& tag) override;
    bool hitTest(const Event& e) override;
    bool handleEvent(Event& e) override;
    void draw() override;
    // Lets go of the dragged key and forgets the hovered one, as a release does.
    void endDrag() override;

    // "square", "linear" or "smooth"; any other name changes nothing.
    virtual void setType(std::string name);
    // Edits curve in place; an owned curve is deleted when replaced or when the control goes.
    void setCurve(script::Spline* curve, bool owned);
    script::Spline* getCurve() const { return mCurve; }
    // The time the control's width stands for: the timeline editor shows a track over its entry's
    // span in seconds. Not positive or not finite: 1.
    void setTimeSpan(float seconds);
    float getTimeSpan() const { return mTimeSpan; }

    int getHovered() const { return mHovered; }
    int getSelected() const { return mSelected; }
    int getDragged() const { return mDragged; }
    Context& getAddMenu() { return mAddMenu; }
    Context& getKeyMenu() { return mKeyMenu; }
    const std::vector<Point>& getSamples() const { return mSamples; }
    // Curve space (time, value) to screen and back.
    Point toScreen(float time, float value) const;
    Point fromScreen(float x, float y) const;
    // The number of samples drawn for the current width.
    int sampleCount() const;

private:
    // Fills a menu with its first entry, a separator and the "type" submenu.
    static void buildMenu(Context& menu, const char* entry, const char* separator);
    int keyCount() const;
    // Removes a key and leaves no hovered or dragged key behind; a key selected after it stays selected.
    void removeKey(int index);
    // Adds a key to the curve; the hovered, dragged and selected indexes keep pointing at their keys.
    void addKey(const script::Spline::Key& key);
    bool isFocused();
    void closeMyMenu();

    bool mOwnsCurve;
    script::Spline* mCurve;
    std::vector<Point> mSamples; // (time, value) picture of the curve
    bool mChanged;
    float mTimeSpan = 1.0f;
    float mHandleRadius;
    float mPointerX;
    int mHovered;
    int mSelected;
    int mDragged;
    int mMenuKey;
    Point mMenuPoint;
    Context mAddMenu;
    Context mKeyMenu;
};

} // namespace vistrel
} // namespace norvane
