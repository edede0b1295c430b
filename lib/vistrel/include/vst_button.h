#pragma once
// A push button, or a latching toggle button, that reports presses with the codes
// CodeButtonPushed and CodeButtonReleased.

#include "vst_control.h"

namespace norvane {
namespace vistrel {

class Button : public Control {
public:
    Button();
    ~Button() override;

    Control* create() override;
    // "caption" becomes the text (absent: empty); "toggled" equal to "true" makes it latch.
    void load(xml::XmlParser::Iterator& tag) override;
    // A pressed button keeps the mouse until the release, wherever the pointer goes.
    bool hitTest(const Event& e) override;
    bool handleEvent(Event& e) override;
    void draw() override;
    // Springs back without a code, as a release outside the button does.
    void endDrag() override;

    virtual void setToggleMode(bool toggleMode);
    virtual bool isToggled();

    bool isToggleMode() const { return mToggleMode; }
    bool isPressed() const { return mPressed; }

private:
    bool mPressed;    // the left button went down on it and is still down
    bool mToggled;    // latched state of a toggle button
    bool mToggleMode; // latches instead of springing back
};

} // namespace vistrel
} // namespace norvane
