// The panel: fill, outline with a gap for the caption, the caption, then the children.

#include "vst_panel.h"
#include "vst_render.h"
#include "vst_whole.h"

#include "dis_font.h"

#include <GL/glew.h>

namespace norvane {
namespace vistrel {

Panel::Panel() {
    mClassName = "panel";
    mName = "panel";
    mText.clear();
    setColor(BlockBack, StateColor, First, mathbase::Color(0.6f, 0.6f, 0.6f, 0.6f));
    setColor(BlockBack, StateColor, Second, mathbase::Color(1, 1, 1, 0.07f));
    setColor(BlockText, StateColor, First, mathbase::Color(1, 1, 1, 1));
}

Panel::~Panel() {}

Control* Panel::create() { return new Panel(); }

void Panel::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    mText = tag->getAttribute("caption");
}

void Panel::updateClientArea() { mClientArea = Rect(5, 15, mArea.width() - 6, mArea.height() - 6); }

void Panel::draw() {
    Render* render = getRender();
    if (render) {
        const Rect& r = mScreenArea;
        display::Font* font = render->getFont();
        float h = font ? static_cast<float>(font->mCellHeight) * 0.5f : 0.0f;
        float captionWidth = render->textWidth(mText);
        float top = r.y1 + h;
        const float none[4] = {0, 0, 0, -1};
        render->setColors(getColor(BlockBack, StateColor, Second), none);
        render->fillRect(Rect(r.x1, top, r.x2, r.y2), 0);

        const float* outline = getColor(BlockBack, StateColor, First);
        glColor4fv(outline);
        glLineWidth(1);
        glEnable(GL_LINE_SMOOTH);
        auto whole = [](float v) { return wholePixels(v); };
        glBegin(GL_LINE_STRIP);
        glVertex2f(whole(r.x1 + 10 + captionWidth + 5), whole(top));
        glVertex2f(whole(r.x2), whole(top));
        glVertex2f(whole(r.x2), whole(r.y2));
        glVertex2f(whole(r.x1), whole(r.y2));
        glVertex2f(whole(r.x1), whole(top));
        glVertex2f(whole(r.x1 + 5), whole(top));
        glEnd();
        glDisable(GL_LINE_SMOOTH);

        if (font)
            font->mAlign = display::Font::AlignLeft;
        render->setColors(getColor(BlockText, StateColor, First), none);
        render->drawText(mText, r.x1 + 10, r.y1 + h);
    }
    Control::draw();
}

} // namespace vistrel
} // namespace norvane
