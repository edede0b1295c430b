#pragma once
// The GUI's event record, handed down the control tree, and the callback interface through which
// controls report to the application.

#include "dis_listener.h"

#include <string>

namespace norvane {
namespace vistrel {

class Control;

// Event codes that controls send through Control::notify to Callback::onControl.
enum ControlCode {
    CodeButtonPushed = 0,     // Button: pushed in (press, or a toggle latching on)
    CodeButtonReleased = 1,   // Button: released over it, or a toggle popping out
    CodeChecked = 2,          // Checkbox: an item was checked
    CodeUnchecked = 3,        // Checkbox: an item was unchecked
    CodeDropdownChosen = 5,   // Dropdown: another option was chosen
    CodeRadioClicked = 6,     // RadioButton: an option was clicked
    CodeScrolled = 7,         // Scrollbars: the scroll offset changed
    CodeSliderChanged = 8,    // Slider: the value changed
    CodeSplineEdited = 9,     // Spline, SplineOrg: the curve was edited
    CodeTextEdited = 12,      // TextInput: the user edited the text
    CodeTreeItemClicked = 13  // TreeView: an item's row was clicked
};

// A GUI event. The display part carries the pointer position (pixels and relative to the window),
// the modifier bits and the display's absolute wheel position; the fields below are the GUI's own.
class Event : public display::Event {
public:
    Event();
    // Copies the pointer position, relative position and modifier bits; clears the rest.
    explicit Event(const display::Event& source);
    Event(const Event& other) = default;
    Event& operator=(const Event& other) = default;
    virtual ~Event();

    bool is(const char* type) const { return name == type; }

    int button;        // "mousedown", "mouseup": 0 left, 1 right, 2 middle
    int key;           // "keydown", "keyup": the display's key code
    int character;     // "keychardown", "keycharup"
    float dx, dy;      // "mousemove": the pointer movement
    float wheel;       // "mousewheel": the wheel movement (hides the display's absolute position)
    std::string name;  // the event type
    bool doubleClick;  // "mousedown" flagged as a double click
    std::string text;  // payload of "context" events
};

// Implemented by the application to hear from controls; controls do not own their callbacks.
class Callback {
public:
    virtual ~Callback();
    // A named event, such as the dotted path of a chosen context-menu entry.
    virtual void onEvent(Control* source, std::string name);
    // One of the ControlCode values.
    virtual void onControl(Control* source, int code) = 0;
};

} // namespace vistrel
} // namespace norvane
