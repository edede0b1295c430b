// Scroll bars: geometry of bars and thumbs, scrolling the children, drags, the wheel and drawing.

#include "vst_scrollbars.h"
#include "vst_render.h"
#include "vst_whole.h"

#include <algorithm>

namespace norvane {
namespace vistrel {

Scrollbars::Scrollbars()
    : mVerticalBar(true), mHorizontalBar(true), mScrollX(0), mScrollY(0), mBarWidth(12), mThumbSize(30),
      mDragVertical(false), mDragHorizontal(false), mDragCorner(false) {
    mClassName = "scrollbar";
    mName = "scrollbar";
    setMaximized(true);
    setColor(BlockBack, StateBorder, First, mathbase::Color(0, 0, 0, 1));
    setColor(BlockBack, StateBorder, Second, mathbase::Color(0, 0, 0, 1));
    setColor(BlockBack, StateColor, First, mathbase::Color(0, 0, 0, 1));
    setColor(BlockBack, StateColor, Second, mathbase::Color(0.2f, 0.2f, 0.2f, 1));
    setColor(BlockCaption, StateColor, First, mathbase::Color(1, 1, 1, 1));
    setColor(BlockCaption, StateColor, Second, mathbase::Color(1, 1, 1, 1));
    setColor(BlockCaption, StatePushed, First, mathbase::Color(1, 1, 1, 0.71f));
    setColor(BlockCaption, StatePushed, Second, mathbase::Color(1, 1, 1, 0.71f));
}

Scrollbars::~Scrollbars() {}

Control* Scrollbars::create() { return new Scrollbars(); }

void Scrollbars::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    const std::string& direction = tag->getAttribute("direction");
    if (direction == "horisontal")
        mVerticalBar = false;
    else if (direction == "vertical")
        mHorizontalBar = false;
    // The client area and the bars follow the bars that are left.
    setArea(mArea);
}

void Scrollbars::updateClientArea() {
    Control::updateClientArea();
    if (mVerticalBar)
        mClientArea.x2 -= mBarWidth;
    if (mHorizontalBar)
        mClientArea.y2 -= mBarWidth;
}

void Scrollbars::setArea(Rect area) {
    // The children are laid out once, by updateThumbs, with their scroll offsets already set.
    setOwnArea(area);
    const Rect& s = mScreenArea;
    mVBar = s;
    mHBar = s;
    mCorner = Rect();
    if (mVerticalBar) {
        mVBar.x1 = s.x2 - mBarWidth;
        mHBar.x2 = s.x2 - mBarWidth;
    }
    if (mHorizontalBar) {
        mVBar.y2 = s.y2 - mBarWidth;
        mHBar.y1 = s.y2 - mBarWidth;
    }
    if (mVerticalBar && mHorizontalBar)
        mCorner = Rect(s.x2 - mBarWidth, s.y2 - mBarWidth, s.x2, s.y2);
    // A bar that is not there has no place, and neither has its thumb.
    if (!mVerticalBar) {
        mVBar = Rect();
        mVThumb = Rect();
    }
    if (!mHorizontalBar) {
        mHBar = Rect();
        mHThumb = Rect();
    }
    updateThumbs();
}

float Scrollbars::verticalTravel() const { return mVerticalBar ? mVBar.height() - mThumbSize : 0.0f; }

float Scrollbars::horizontalTravel() const { return mHorizontalBar ? mHBar.width() - mThumbSize : 0.0f; }

void Scrollbars::updateThumbs() {
    if (mVerticalBar) {
        float most = verticalTravel();
        mScrollY = std::max(0.0f, mScrollY);
        mScrollY = std::min(most, mScrollY);
        mScrollY = std::max(0.0f, mScrollY);
        mVThumb = Rect(mVBar.x1, mVBar.y1 + mScrollY, mVBar.x2, mVBar.y1 + mScrollY + mThumbSize);
    }
    if (mHorizontalBar) {
        float most = horizontalTravel();
        mScrollX = std::max(0.0f, mScrollX);
        mScrollX = std::min(most, mScrollX);
        mScrollX = std::max(0.0f, mScrollX);
        mHThumb = Rect(mHBar.x1 + mScrollX, mHBar.y1, mHBar.x1 + mScrollX + mThumbSize, mHBar.y2);
    }
    // A bar no longer than its thumb has nowhere to move it: its fraction stays 0.
    float travelX = horizontalTravel();
    float travelY = verticalTravel();
    float fx = travelX > 0 ? mScrollX / travelX : 0.0f;
    float fy = travelY > 0 ? mScrollY / travelY : 0.0f;
    // The children's bounding rectangle as they will be laid out (a maximized child may not have
    // been fitted to the client area yet).
    Rect b = mClientArea;
    for (Control* child : mChildren)
        b.extend(childPlace(child));
    const Rect& c = mScreenClientArea;
    float overflowX = std::max(0.0f, b.width() - c.width());
    float overflowY = std::max(0.0f, b.height() - c.height());
    Point scroll(wholePixels(overflowX * fx), wholePixels(overflowY * fy));
    layOutChildren(&scroll);
}

bool Scrollbars::hitTest(const Event& e) { return Control::hitTest(e) || isDragging(); }

bool Scrollbars::handleEvent(Event& e) {
    bool r = Control::handleEvent(e);
    if (!mVisible)
        return r;
    if (e.name == "mousedown" && e.button == 0) {
        mLastPointer = Point(e.x, e.y);
        mPressPointer = mLastPointer;
        if (mParent)
            mPressParentArea = mParent->getArea();
        if (mVerticalBar && mVThumb.contains(e.x, e.y))
            mDragVertical = true;
        if (mHorizontalBar && mHThumb.contains(e.x, e.y))
            mDragHorizontal = true;
        if (mVerticalBar && mHorizontalBar && mCorner.contains(e.x, e.y) && mParent && !mParent->isMaximized())
            mDragCorner = true;
    } else if (e.name == "mouseup") {
        if (mDragVertical || mDragHorizontal)
            notify(CodeScrolled);
        mDragVertical = false;
        mDragHorizontal = false;
        mDragCorner = false;
    } else if (e.name == "mousewheel" && !r) {
        Rect b = getBoundingRect();
        // Nothing to scroll over (no extent) or nowhere to move a thumb: the factor is 0.
        float ky = b.height() > 0 && verticalTravel() > 0 ? verticalTravel() / b.height() : 0.0f;
        float kx = b.width() > 0 && horizontalTravel() > 0 ? horizontalTravel() / b.width() : 0.0f;
        bool ctrl = (e.modifiers & 0xff) >= 64;
        if (!ctrl) {
            if (mVerticalBar)
                mScrollY -= e.wheel * 50 * ky;
        } else if (mHorizontalBar) {
            mScrollX -= e.wheel * 50 * kx;
        }
        updateThumbs();
        notify(CodeScrolled);
        r = true;
    } else if (e.name == "mousemove") {
        float dx = e.x - mLastPointer.x;
        float dy = e.y - mLastPointer.y;
        mLastPointer = Point(e.x, e.y);
        if (mDragVertical) {
            mScrollY += dy;
            updateThumbs();
            notify(CodeScrolled);
        }
        if (mDragHorizontal) {
            mScrollX += dx;
            updateThumbs();
            notify(CodeScrolled);
        }
        if (mDragCorner && mParent && mParent->getClassName() == "window") {
            // The corner stays under the pointer: the size follows its movement since the press.
            Rect area = mParent->getArea();
            area.x2 = mPressParentArea.x2 + (e.x - mPressPointer.x);
            area.y2 = mPressParentArea.y2 + (e.y - mPressPointer.y);
            if (area.width() > 80 && area.height() > 80)
                mParent->setArea(area);
        }
    }
    return r;
}

void Scrollbars::endDrag() {
    // The thumbs stay where the drag left them.
    mDragVertical = false;
    mDragHorizontal = false;
    mDragCorner = false;
    Control::endDrag();
}

void Scrollbars::draw() {
    Render* render = getRender();
    if (render) {
        const Rect& clip = mClipArea;
        if (mVerticalBar) {
            useColors(BlockBack, StateBorder);
            render->fillRect(mVBar.intersected(clip), 0);
            useColors(BlockBack, StateColor);
            render->fillRect(Rect(mVBar).inflate(-1).intersect(clip), 0);
            useColors(BlockCaption, mDragVertical ? StatePushed : StateColor);
            render->fillRect(Rect(mVThumb).inflate(-2).intersect(clip), 0);
        }
        if (mHorizontalBar) {
            useColors(BlockBack, StateBorder);
            render->fillRect(mHBar.intersected(clip), 1);
            useColors(BlockBack, StateColor);
            render->fillRect(Rect(mHBar).inflate(-1).intersect(clip), 1);
            useColors(BlockCaption, mDragHorizontal ? StatePushed : StateColor);
            render->fillRect(Rect(mHThumb).inflate(-2).intersect(clip), 1);
        }
        if (mVerticalBar && mHorizontalBar) {
            useColors(BlockBack, StateBorder);
            render->fillRect(mCorner.intersected(clip), 0);
            if (mDragCorner) {
                useColors(BlockCaption, StatePushed);
            } else {
                const float* idle = getColor(BlockBack, StateColor, Second);
                render->setColors(idle, idle);
            }
            render->fillRect(Rect(mCorner).inflate(-1).intersect(clip), 0);
        }
    }
    Control::draw();
}

} // namespace vistrel
} // namespace norvane
