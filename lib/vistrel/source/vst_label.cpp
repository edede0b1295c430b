// The label: its text drawn at an anchor chosen by the alignments.

#include "vst_label.h"
#include "vst_render.h"

#include "dis_font.h"

namespace norvane {
namespace vistrel {

Label::Label() : mAlign(AlignLeft), mVAlign(VAlignMiddle) {
    mClassName = "label";
    mName = "label";
    setColor(BlockText, StateColor, First, mathbase::Color(1, 1, 1, 1));
}

Label::~Label() {}

Control* Label::create() { return new Label(); }

void Label::load(xml::XmlParser::Iterator& tag) {
    setMaximized(true);
    Control::load(tag);
    mLabelText = tag->getAttribute("text");
    const std::string& align = tag->getAttribute("align");
    if (align == "center" || align == "middle")
        mAlign = AlignCenter;
    else if (align == "right")
        mAlign = AlignRight;
    else
        mAlign = AlignLeft;
    const std::string& valign = tag->getAttribute("valign");
    if (valign == "center" || valign == "middle")
        mVAlign = VAlignMiddle;
    else if (valign == "bottom")
        mVAlign = VAlignBottom;
    else
        mVAlign = VAlignTop;
}

void Label::draw() {
    Render* render = getRender();
    if (!render)
        return;
    display::Font* font = render->getFont();
    float half = font ? static_cast<float>(font->mCellHeight) * 0.5f : 0.0f;
    const Rect& s = mScreenArea;
    Point anchor = s.center();
    if (mVAlign == VAlignTop)
        anchor.y = s.y1 + half;
    else if (mVAlign == VAlignBottom)
        anchor.y = s.y2 - half;
    if (mAlign == AlignLeft)
        anchor.x = s.x1;
    else if (mAlign == AlignRight)
        anchor.x = s.x2;
    Rect scissor = s.intersected(mClipArea);
    render->setScissor(scissor.x1, scissor.y1, scissor.x2, scissor.y2);
    if (font)
        font->mAlign = mAlign;
    const float none[4] = {0, 0, 0, -1};
    render->setColors(getColor(BlockText, StateColor, First), none);
    render->drawText(mLabelText, anchor.x, anchor.y);
}

} // namespace vistrel
} // namespace norvane
