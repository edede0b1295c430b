// The flow layout: fixed and weighted lengths along one axis.

#include "vst_flow.h"

#include <cmath>

namespace norvane {
namespace vistrel {

Flow::Flow() : mVertical(1) {
    mClassName = "flow";
    mName = "flow";
    // The child order is the layout order: a press must not move a child to the end.
    mBringToFront = false;
}

Flow::~Flow() {}

Control* Flow::create() { return new Flow(); }

void Flow::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    if (tag->getAttribute("direction") == "horisontal")
        mVertical = 0;
}

void Flow::setArea(Rect area) {
    // The flow's own rectangles as the common setArea makes them; then each child is laid out
    // once, at its place. Laying the children out first as the common setArea does and then
    // again at their places would double the work at every level of nested flows.
    setOwnArea(area);
    placeChildren(false);
}

void Flow::setMaximized(bool maximized) {
    Control::setMaximized(maximized);
    // Re-maximizing may have stretched a child over the others.
    placeChildren(true);
}

void Flow::placeChildren(bool onlyMoved) {
    float fixed = 0;
    float weights = 0;
    for (Control* child : mChildren) {
        float size = getChildSize(child);
        if (size > 0)
            fixed += size;
        else if (size < 0)
            weights -= size;
    }
    float length = mVertical ? mClientArea.height() : mClientArea.width();
    float rest = length - fixed;
    if (rest < 0)
        rest = 0;
    float pos = mVertical ? mClientArea.y1 : mClientArea.x1;
    for (size_t i = 0; i < mChildren.size(); ++i) {
        Control* child = mChildren[i];
        float size = getChildSize(child);
        if (size < 0) {
            // A share of the rest, rounded to whole pixels; never more than the rest, and
            // nothing for weights that make no number (an infinite weight, say).
            float share = -size * rest / weights;
            if (!(share >= 0))
                share = 0;
            if (share > rest)
                share = rest;
            size = std::floor(share + 0.5f);
        }
        Rect place = mVertical ? Rect(mClientArea.x1, pos, mClientArea.x2, pos + size)
                               : Rect(pos, mClientArea.y1, pos + size, mClientArea.y2);
        if (!onlyMoved || child->getArea() != place)
            child->setArea(place);
        pos += size;
    }
}

void Flow::removeChild(unsigned index) {
    // A later child may be made at the same address; it must not inherit this one's size.
    if (index < mChildren.size())
        mSizes.erase(mChildren[index]);
    Control::removeChild(index);
}

void Flow::removeAllChildren() {
    mSizes.clear();
    Control::removeAllChildren();
}

void Flow::draw() { Control::draw(); }

void Flow::setVertical(int vertical) { mVertical = vertical; }

void Flow::addFlowChild(Control* child) {
    if (!child)
        return;
    Control::addChild(child, -1);
    setChildSize(child, 10);
}

void Flow::setChildSize(Control* child, float pixels) { mSizes[child] = pixels; }

void Flow::setChildPercent(Control* child, float weight) { mSizes[child] = -weight; }

float Flow::getChildSize(Control* child) { return mSizes[child]; }

void Flow::setFlowSize(Control* child, float value, bool weight) {
    if (weight)
        setChildPercent(child, value);
    else
        setChildSize(child, value);
}

} // namespace vistrel
} // namespace norvane
