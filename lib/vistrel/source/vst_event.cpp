// GUI events and the callback interface.

#include "vst_event.h"

namespace norvane {
namespace vistrel {

Event::Event() : button(0), key(0), character(0), dx(0), dy(0), wheel(0), doubleClick(false) {}

Event::Event(const display::Event& source) : Event() {
    x = source.x;
    y = source.y;
    relX = source.relX;
    relY = source.relY;
    modifiers = source.modifiers;
}

Event::~Event() {}

Callback::~Callback() {}

void Callback::onEvent(Control*, std::string) {}

} // namespace vistrel
} // namespace norvane
