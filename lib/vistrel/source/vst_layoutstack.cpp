// The stacking layout.

#include "vst_layoutstack.h"
#include "vst_render.h"

#include <algorithm>

namespace norvane {
namespace vistrel {

LayoutStack::LayoutStack() : mVertical(1), mHolds(0), mStacked(false), mStackedChanges(0) {
    mClassName = "layoutstack";
    mName = "layoutstack";
    // The child order is the stacking order: a press on a child must not move it to the end,
    // where the next re-stacking would put it.
    mBringToFront = false;
    setColor(BlockBack, StateColor, First, mathbase::Color(1, 1, 0, 0.6f));
    setColor(BlockBack, StateColor, Second, mathbase::Color(0.8f, 0.8f, 0, 0.6f * 0.8f));
}

LayoutStack::~LayoutStack() {}

Control* LayoutStack::create() { return new LayoutStack(); }

void LayoutStack::load(xml::XmlParser::Iterator& tag) {
    // The direction is known before the children come: each added child re-stacks the others,
    // and stacking them along the wrong axis first would lose their places across it.
    bool horizontal = tag->getAttribute("direction") == "horisontal";
    mVertical = horizontal ? 0 : 1;
    ++mHolds;
    try {
        Control::load(tag);
    } catch (...) {
        --mHolds;
        throw;
    }
    --mHolds;
    if (horizontal)
        setHorizontal();
    else
        setVertical();
}

void LayoutStack::setArea(Rect area) {
    // The stack's own rectangles as the common setArea makes them; then each child is laid out
    // once, at its place in the stack. Laying the children out first where they were and then
    // again where they are stacked would double the work at every level of nested stacks.
    setOwnArea(area);
    stack(false);
}

void LayoutStack::setMaximized(bool maximized) {
    Control::setMaximized(maximized);
    relayout();
}

void LayoutStack::addChild(Control* child, int index) {
    Control::addChild(child, index);
    relayout();
}

void LayoutStack::removeChild(unsigned index) {
    Control::removeChild(index);
    relayout();
}

void LayoutStack::draw() {
    if (Render* render = getRender()) {
        useColors(BlockBack, StateColor);
        render->fillRect(mClipArea, 0);
    }
    if (!isStacked()) {
        Control::draw();
        return;
    }
    // The children follow one another on screen: those before the first one that reaches into
    // the client clip area, and from the first one that starts past it, are out of sight and
    // would not be drawn. A long stack costs a frame only the children in sight.
    const Rect& clip = mClientClipArea;
    const bool vertical = mVertical != 0;
    auto endsBefore = [&](Control* child) {
        const Rect& s = child->getScreenArea();
        return (vertical ? s.y2 : s.x2) <= (vertical ? clip.y1 : clip.x1);
    };
    auto startsBefore = [&](Control* child) {
        const Rect& s = child->getScreenArea();
        return (vertical ? s.y1 : s.x1) < (vertical ? clip.y2 : clip.x2);
    };
    auto from = std::partition_point(mChildren.begin(), mChildren.end(), endsBefore);
    auto to = std::partition_point(from, mChildren.end(), startsBefore);
    drawChildren(static_cast<size_t>(from - mChildren.begin()), static_cast<size_t>(to - mChildren.begin()));
}

void LayoutStack::setVertical() {
    mVertical = 1;
    relayout();
}

void LayoutStack::setHorizontal() {
    mVertical = 0;
    relayout();
}

void LayoutStack::relayout() {
    // While loading or held, the stack is laid out once at the end instead of at every child.
    if (mHolds == 0)
        stack(true);
}

void LayoutStack::holdStacking() { ++mHolds; }

void LayoutStack::releaseStacking() {
    if (mHolds > 0 && --mHolds == 0)
        relayout();
}

StackingHold::StackingHold(Control* control) : mStack(dynamic_cast<LayoutStack*>(control)) {
    if (mStack)
        mStack->holdStacking();
}

StackingHold::~StackingHold() {
    if (mStack)
        mStack->releaseStacking();
}

void LayoutStack::stack(bool onlyMoved) {
    float pos = 0;
    for (Control* child : mChildren) {
        // A maximized child is as large as the client area.
        Rect r = child->isMaximized() ? Rect(0, 0, mClientArea.width(), mClientArea.height()) : child->getArea();
        Rect place = mVertical ? Rect(r.x1, pos, r.x2, pos + r.height()) : Rect(pos, r.y1, pos + r.width(), r.y2);
        pos += mVertical ? r.height() : r.width();
        if (!onlyMoved || child->getArea() != place)
            child->setArea(place);
    }
    mStacked = true;
    mStackedChanges = getChildChanges();
}

} // namespace vistrel
} // namespace norvane
