// Push and toggle buttons.

#include "vst_button.h"
#include "vst_render.h"

#include "dis_font.h"

namespace norvane {
namespace vistrel {

namespace {
// A second colour that Render::setColors replaces by the first.
const float NoColor[4] = {0, 0, 0, -1};
} // namespace

Button::Button() : mPressed(false), mToggled(false), mToggleMode(false) {
    mClassName = "button";
    mName = "button";
    mText = "button";
    setColor(BlockBack, StateColor, First, mathbase::Color(1, 1, 1, 1));
    setColor(BlockBack, StateColor, Second, mathbase::Color(0.7f, 0.7f, 0.7f, 1));
    setColor(BlockBack, StateHighlight, First, mathbase::Color(1, 0.96f, 0.96f, 1));
    setColor(BlockBack, StateHighlight, Second, mathbase::Color(0.8f, 0.8f, 0.8f, 1));
    setColor(BlockBack, StatePushed, First, mathbase::Color(0.67f * 0.6f, 0.67f * 0.6f, 0.67f * 0.6f, 1));
    setColor(BlockBack, StatePushed, Second, mathbase::Color(0.67f, 0.67f, 0.67f, 1));
    setColor(BlockText, StateColor, First, mathbase::Color(0, 0, 0, 1));
    setColor(BlockText, StateInactive, First, mathbase::Color(0, 0, 0, 0.31415927f));
}

Button::~Button() {}

Control* Button::create() { return new Button(); }

void Button::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    setText(tag->getAttribute("caption"));
    mToggleMode = tag->getAttribute("toggled") == "true";
}

bool Button::hitTest(const Event& e) { return Control::hitTest(e) || mPressed; }

bool Button::handleEvent(Event& e) {
    bool result = Control::handleEvent(e);
    if (e.name == "mousedown" && e.button == 0) {
        if (mHover && !mInactive) {
            // Pressed before the code goes out: a callback that hides the button ends the press.
            mPressed = true;
            if (!mToggleMode)
                notify(CodeButtonPushed);
        }
    } else if (e.name == "mouseup" && e.button == 0) {
        if (mHover && mPressed) {
            if (mToggleMode) {
                mToggled = !mToggled;
                notify(mToggled ? CodeButtonPushed : CodeButtonReleased);
            } else {
                notify(CodeButtonReleased);
            }
        }
        mPressed = false;
    }
    return result;
}

void Button::endDrag() {
    mPressed = false;
    Control::endDrag();
}

void Button::draw() {
    Render* render = getRender();
    if (!render)
        return;
    int state = StateColor;
    Point offset;
    if (mToggled || (mPressed && mHover)) {
        state = StatePushed;
        offset = Point(2, 2);
    } else if (mHover && !mPressed && !mInactive) {
        state = StateHighlight;
    }
    fillBorderedFace(render, state);

    if (display::Font* font = render->getFont())
        font->mAlign = display::Font::AlignCenter;
    render->setColors(getColor(BlockText, mInactive ? StateInactive : StateColor, First), NoColor);
    Point c = mScreenArea.center();
    render->drawText(mText, c.x + offset.x, c.y + offset.y);
}

void Button::setToggleMode(bool toggleMode) { mToggleMode = toggleMode; }

bool Button::isToggled() { return mToggled; }

} // namespace vistrel
} // namespace norvane
