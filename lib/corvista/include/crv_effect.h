#pragma once
// Base of every effect: a timeline callback with a one-time asset set-up, its display and its name.

#include "scr_callback.h"

#include <string>

namespace norvane::display {
class DisplayGL;
} // namespace norvane::display

namespace norvane::corvista {

class Effect : public script::Callback {
public:
    Effect();
    ~Effect() override;

    // Loads the effect's files, images, meshes and shaders; called once, after the display and
    // its GL context exist and before the first frame. May throw Exception.
    virtual void setup() {}

    display::DisplayGL* mDisplay; // not owned; null until the demo system assigns it
    std::string mName;            // the name the effect is registered under; empty until then
};

} // namespace norvane::corvista
