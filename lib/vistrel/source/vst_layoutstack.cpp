// The stacking layout.

#include "vst_layoutstack.h"
#include "vst_render.h"

#include <algorithm>

namespace norvane {
namespace vistrel {

LayoutStack::LayoutStack() : mVertical(1), mHolds(0), mStacked(false), mStackedChanges(0), mSomeBehind(false) {
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
    // The children's places in the stack follow from their own areas and from the size of the
    // client area, which a maximized child fills.
    const bool stacked = isStacked();
    const float width = mClientArea.width();
    const float height = mClientArea.height();
    size_t seenFrom = 0, seenTo = 0;
    if (stacked)
        findInSight(seenFrom, seenTo);
    // The stack's own rectangles as the common setArea makes them; then each child is laid out
    // once, at its place in the stack. Laying the children out first where they were and then
    // again where they are stacked would double the work at every level of nested stacks.
    setOwnArea(area);
    mChildOrigin = getScreenPosition();
    if (!stacked || mClientArea.width() != width || mClientArea.height() != height) {
        stack(false);
        return;
    }
    // Every child keeps its place: only the screen and clip rectangles change. Those in sight
    // now are needed; those in sight before have clip rectangles that a hit test could still
    // match; those that may hold pointer state are asked by every event. The others, out of
    // sight before and after, have empty clip rectangles and wait until they are needed.
    size_t from = 0, to = 0;
    findInSight(from, to);
    size_t laidOut = 0;
    auto layOut = [&](Control* child) {
        if (child->getOwner() != this || isLaidOutHere(child))
            return;
        child->setArea(child->getArea());
        ++laidOut;
    };
    for (size_t i = seenFrom; i < seenTo && i < mChildren.size(); ++i)
        layOut(mChildren[i]);
    for (size_t i = from; i < to && i < mChildren.size(); ++i)
        layOut(mChildren[i]);
    const std::vector<Control*> awake(mAwake.begin(), mAwake.end());
    for (Control* child : awake)
        layOut(child);
    mSomeBehind = laidOut < mChildren.size();
    mStackedChanges = getChildChanges();
}

void LayoutStack::bringUp(Control* child) {
    if (!mSomeBehind || isLaidOutHere(child) || child->getOwner() != this)
        return;
    const bool stacked = isStacked();
    const unsigned changes = getChildChanges();
    const Rect area = child->getArea();
    child->setArea(area);
    // Laid out where it was, it is still where the stack put it.
    if (stacked && getChildChanges() == changes + 1 && child->getArea() == area)
        mStackedChanges = getChildChanges();
}

void LayoutStack::bringAllUp() {
    if (!mSomeBehind)
        return;
    mSomeBehind = false;
    for (size_t i = 0; i < mChildren.size(); ++i) {
        Control* child = mChildren[i];
        if (!isLaidOutHere(child))
            child->setArea(child->getArea());
    }
}

float LayoutStack::edgeOnScreen(Control* child, bool end) const {
    // As the child's own layout computes its screen rectangle: its area moved by the stack's
    // screen position less its own scroll.
    const Rect& a = child->getArea();
    const Point scroll = child->getScroll();
    if (mVertical)
        return (end ? a.y2 : a.y1) + (mChildOrigin.y - scroll.y);
    return (end ? a.x2 : a.x1) + (mChildOrigin.x - scroll.x);
}

void LayoutStack::setMaximized(bool maximized) {
    Control::setMaximized(maximized);
    relayout();
}

void LayoutStack::addChild(Control* child, int index) {
    if (child && !child->isEventQuiet())
        mAwake.insert(child);
    Control::addChild(child, index);
    relayout();
}

void LayoutStack::removeChild(unsigned index) {
    mAwake.erase(getChildOrNull(index));
    Control::removeChild(index);
    relayout();
}

void LayoutStack::removeAllChildren() {
    mAwake.clear();
    Control::removeAllChildren();
}

void LayoutStack::noteEventBelow(Control* child) {
    // Only children, stacked or not: a popup opened from here has the stack as its owner without
    // being one, and may go away unseen.
    if (holdsChild(child))
        mAwake.insert(child);
}

void LayoutStack::sleep(Control* child) {
    if (child->isEventQuiet())
        mAwake.erase(child);
}

long LayoutStack::indexOfStacked(Control* child) const {
    // The children follow one another on screen in list order: look where this one starts.
    const float at = edgeOnScreen(child, false);
    auto it = std::partition_point(mChildren.begin(), mChildren.end(),
                                   [&](Control* c) { return edgeOnScreen(c, false) < at; });
    for (; it != mChildren.end() && edgeOnScreen(*it, false) == at; ++it) {
        if (*it == child)
            return static_cast<long>(it - mChildren.begin());
    }
    return -1;
}

std::vector<size_t> LayoutStack::concerned(const Event& e) {
    std::vector<size_t> indices;
    for (auto it = mAwake.begin(); it != mAwake.end();) {
        const long at = indexOfStacked(*it);
        if (at < 0) {
            it = mAwake.erase(it); // not one of the children (a popup opened from here)
            continue;
        }
        bringUp(*it);
        indices.push_back(static_cast<size_t>(at));
        ++it;
    }
    // The one child whose place along the stack holds the point.
    const float p = mVertical ? e.y : e.x;
    auto under = std::partition_point(mChildren.begin(), mChildren.end(),
                                      [&](Control* c) { return edgeOnScreen(c, true) <= p; });
    if (under != mChildren.end()) {
        bringUp(*under);
        if ((*under)->getClipArea().contains(e.x, e.y))
            indices.push_back(static_cast<size_t>(under - mChildren.begin()));
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

bool LayoutStack::hitTest(const Event& e) {
    if (!isStacked()) {
        bringAllUp();
        return Control::hitTest(e);
    }
    if (mClipArea.contains(e.x, e.y) || mHover)
        return true;
    for (size_t i : concerned(e)) {
        Control* child = mChildren[i];
        if (child->hitTest(e) && child->isVisible())
            return true;
    }
    return false;
}

void LayoutStack::resetChildren(const Event& move) {
    if (!isStacked()) {
        bringAllUp();
        Control::resetChildren(move);
        return;
    }
    // The others hold no hover to clear.
    Event reset(move);
    reset.name = "reset";
    const std::vector<size_t> indices = concerned(move);
    std::vector<Control*> children;
    for (size_t i : indices)
        children.push_back(mChildren[i]);
    for (size_t k = 0; k < children.size(); ++k) {
        // A reset handler may have changed the list: a child no longer in its place is left out.
        if (indices[k] >= mChildren.size() || mChildren[indices[k]] != children[k])
            continue;
        Event copy(reset);
        children[k]->handleEvent(copy);
    }
}

bool LayoutStack::passToChild(Event& e) {
    if (!isStacked()) {
        bringAllUp();
        return Control::passToChild(e);
    }
    // The common walk, leaving out the children that would neither be focused nor take the
    // event: off the pointer and holding no pointer state. Should a step change the list where
    // the walk has still to go, the rest goes the common way.
    const std::vector<size_t> indices = concerned(e);
    const bool press = e.name == "mousedown";
    ChildWalk walk(this);
    for (auto it = indices.rbegin(); it != indices.rend() && !walk.isCopied(); ++it) {
        walk.skipTo(*it);
        Control* child = walk.next();
        if (!child)
            return false;
        bringUp(child);
        const bool over = child->getClipArea().contains(e.x, e.y);
        if (press && over)
            setFocus(child);
        const bool hit = child->hitTest(e);
        if (hit && child->isVisible())
            return child->handleEvent(e);
        if (!hit && !over)
            sleep(child);
    }
    bool result = false;
    while (walk.isCopied()) {
        Control* child = walk.next();
        if (!child)
            break;
        bringUp(child);
        if (offerTo(child, e, result))
            break;
    }
    return result;
}

void LayoutStack::draw() {
    if (Render* render = getRender()) {
        useColors(BlockBack, StateColor);
        render->fillRect(mClipArea, 0);
    }
    size_t from = 0, to = mChildren.size();
    getChildrenInSight(from, to);
    // Drawing leaves the last child's scissor rectangle set.
    if (to < mChildren.size())
        bringUp(mChildren.back());
    drawChildren(from, to);
}

void LayoutStack::getChildrenInSight(size_t& from, size_t& to) {
    from = 0;
    to = mChildren.size();
    if (!isStacked()) {
        bringAllUp();
        return;
    }
    findInSight(from, to);
    for (size_t i = from; i < to && i < mChildren.size(); ++i)
        bringUp(mChildren[i]);
}

void LayoutStack::findInSight(size_t& from, size_t& to) const {
    // The children follow one another on screen: those before the first one that reaches into
    // the client clip area, and from the first one that starts past it, are out of sight (and
    // would not be drawn). A long stack costs a frame only the children in sight.
    const Rect& clip = mClientClipArea;
    const float clipStart = mVertical ? clip.y1 : clip.x1;
    const float clipEnd = mVertical ? clip.y2 : clip.x2;
    auto first = std::partition_point(mChildren.begin(), mChildren.end(),
                                      [&](Control* child) { return edgeOnScreen(child, true) <= clipStart; });
    auto end = std::partition_point(first, mChildren.end(),
                                    [&](Control* child) { return edgeOnScreen(child, false) < clipEnd; });
    from = static_cast<size_t>(first - mChildren.begin());
    to = static_cast<size_t>(end - mChildren.begin());
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
    if (!onlyMoved)
        mSomeBehind = false;
    mStacked = true;
    mStackedChanges = getChildChanges();
}

} // namespace vistrel
} // namespace norvane
