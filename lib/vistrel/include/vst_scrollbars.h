#pragma once
// A container that fills its parent and scrolls its children with a vertical bar along its right
// edge and a horizontal one along its bottom edge, either or both. The thumbs' offsets become a
// pixel offset over the part of the children's bounding rectangle that does not fit; thumbs can
// be dragged and the mouse wheel scrolls. With both bars, the corner where they meet resizes a
// parent window.

#include "vst_control.h"

namespace norvane {
namespace vistrel {

class Scrollbars : public Control {
public:
    Scrollbars();
    ~Scrollbars() override;

    Control* create() override;
    // The common load; "direction" "horisontal" keeps only the bottom bar, "vertical" only the right one.
    void load(xml::XmlParser::Iterator& tag) override;
    void setArea(Rect area) override;
    using Control::setArea;
    // The common client area less the bars.
    void updateClientArea() override;
    bool hitTest(const Event& e) override;
    bool handleEvent(Event& e) override;
    void draw() override;
    void endDrag() override;

    // Clamps the thumbs into their bars and scrolls every child to match.
    virtual void updateThumbs();

    bool hasVerticalBar() const { return mVerticalBar; }
    bool hasHorizontalBar() const { return mHorizontalBar; }
    float getScrollX() const { return mScrollX; }
    float getScrollY() const { return mScrollY; }
    // Thumb offsets in pixels from the start of their bars; updateThumbs applies them.
    void setThumbs(float x, float y) {
        mScrollX = x;
        mScrollY = y;
    }
    const Rect& getVerticalBar() const { return mVBar; }
    const Rect& getHorizontalBar() const { return mHBar; }
    const Rect& getCorner() const { return mCorner; }
    const Rect& getVerticalThumb() const { return mVThumb; }
    const Rect& getHorizontalThumb() const { return mHThumb; }
    bool isDragging() const { return mDragVertical || mDragHorizontal || mDragCorner; }

private:
    // Thumb travel (bar length less the thumb) of each bar; 0 for a bar that is not there.
    float verticalTravel() const;
    float horizontalTravel() const;

    bool mVerticalBar, mHorizontalBar;
    float mScrollX, mScrollY; // thumb offsets from the start of their bars
    float mBarWidth;
    float mThumbSize;
    bool mDragVertical, mDragHorizontal, mDragCorner;
    Rect mVBar, mHBar, mCorner, mVThumb, mHThumb; // on screen
    Point mLastPointer; // where the pointer was at the previous press or move
    Point mPressPointer; // where the left press was
    Rect mPressParentArea; // the parent's area at the press (the corner resizes it)
};

} // namespace vistrel
} // namespace norvane
