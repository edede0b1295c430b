#pragma once
// Pieces shared by the two curve editors (the spline control over a timeline curve and the
// stand-alone one with keys of its own): their colours, their keys, the backdrop with the type
// name, the key handles and the closing of their menus.

#include "vst_context.h"
#include "vst_render.h"
#include "vst_workspace.h"

#include "dis_font.h"

#include <string>

namespace norvane {
namespace vistrel {
namespace curve {

// A second colour that Render::setColors replaces by the first.
const float NoColor[4] = {0, 0, 0, -1};
// Key codes of the events: arrows move the selection, insert adds a key and delete removes one.
const int KeyLeft = 285;
const int KeyRight = 286;
const int KeyInsert = 293;
const int KeyDelete = 294;

// The curve editors' default colours.
inline void setDefaultColors(Control& c) {
    c.setColor(Control::BlockBack, Control::StateColor, Control::First, mathbase::Color(0.01f, 0.01f, 0.01f, 0.91f));
    c.setColor(Control::BlockBack, Control::StateColor, Control::Second, mathbase::Color(0.05f, 0.15f, 0.31f, 0.91f));
    c.setColor(Control::BlockBack, Control::StateBorder, Control::First, mathbase::Color(0.55f, 0.51f, 0.51f, 1));
    c.setColor(Control::BlockBack, Control::StateBorder, Control::Second, mathbase::Color(0.31f, 0.31f, 0.41f, 1));
    c.setColor(Control::BlockBack, Control::StateHighlight, Control::First, mathbase::Color(0.5f, 0.5f, 1, 1));
    c.setColor(Control::BlockBack, Control::StatePushed, Control::First, mathbase::Color(0.5f, 0.5f, 1, 1));
    c.setColor(Control::BlockBack, Control::StatePushed, Control::Second, mathbase::Color(1, 1, 1, 1));
    c.setColor(Control::BlockText, Control::StateColor, Control::First, mathbase::Color(0.6f, 0.6f, 0.6f, 1));
}

// An open menu of a control that goes must not stay open in the workspace.
inline void forgetMenus(Control& c, Context& addMenu, Context& keyMenu) {
    if (Workspace* workspace = dynamic_cast<Workspace*>(c.getRoot())) {
        workspace->forgetPopup(&addMenu);
        workspace->forgetPopup(&keyMenu);
    }
}

// The back fill over the visible part and the type name at the top left. The name is left-aligned
// whatever the control drawn before left the font at: centred, it would hang over the left edge.
inline void drawBackdrop(Control& c, Render* render, const std::string& typeName) {
    c.useColors(Control::BlockBack, Control::StateColor);
    render->fillRect(c.getClipArea(), 0);
    render->setColors(c.getColor(Control::BlockText, Control::StateColor, Control::First), NoColor);
    if (display::Font* font = render->getFont())
        font->mAlign = display::Font::AlignLeft;
    const Rect& s = c.getScreenArea();
    render->drawText(typeName, s.x1 + 2, s.y1 + 4);
}

// A key's handle: pushed while dragged, highlighted under the pointer, marked when it is the
// selected key of a focused editor.
inline void drawKeyHandle(const Control& c, Render* render, Point p, float radius, bool hovered, bool dragging,
                          bool selected) {
    const float* color = c.getColor(Control::BlockBack, Control::StateBorder, Control::First);
    if (hovered)
        color = c.getColor(Control::BlockBack, dragging ? Control::StatePushed : Control::StateHighlight, Control::First);
    else if (selected)
        color = c.getColor(Control::BlockBack, Control::StatePushed, Control::Second);
    render->setColors(color, NoColor);
    render->fillEllipse(Rect(p.x - radius, p.y - radius, p.x + radius, p.y + radius));
}

} // namespace curve
} // namespace vistrel
} // namespace norvane
