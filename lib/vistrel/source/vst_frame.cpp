// The frame: a gradient box with a one-pixel outline, then its children.

#include "vst_frame.h"
#include "vst_render.h"

namespace norvane {
namespace vistrel {

Frame::Frame() {
    mClassName = "frame";
    mName = "frame";
    setColor(BlockBack, StateColor, First, mathbase::Color(0, 0, 0, 0.6f));
    setColor(BlockBack, StateColor, Second, mathbase::Color(0, 0, 0, 0.6f));
}

Frame::~Frame() {}

Control* Frame::create() { return new Frame(); }

void Frame::load(xml::XmlParser::Iterator& tag) { Control::load(tag); }

void Frame::draw() {
    if (Render* render = getRender()) {
        useColors(BlockBack, StateColor);
        render->fillRect(mClipArea, 0);
        useColors(BlockBack, StateBorder);
        render->frameRect(mClipArea);
    }
    Control::draw();
}

} // namespace vistrel
} // namespace norvane
