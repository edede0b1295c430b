// The stacking layout.

#include "vst_layoutstack.h"
#include "vst_render.h"

namespace norvane {
namespace vistrel {

LayoutStack::LayoutStack() : mVertical(1) {
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
    Control::load(tag);
    if (horizontal)
        setHorizontal();
    else
        setVertical();
}

void LayoutStack::setArea(Rect area) {
    Control::setArea(area);
    relayout();
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
    Control::draw();
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
    float pos = 0;
    for (Control* child : mChildren) {
        Rect r = child->getArea();
        if (mVertical) {
            child->setArea(Rect(r.x1, pos, r.x2, pos + r.height()));
            pos += r.height();
        } else {
            child->setArea(Rect(pos, r.y1, pos + r.width(), r.y2));
            pos += r.width();
        }
    }
}

} // namespace vistrel
} // namespace norvane
