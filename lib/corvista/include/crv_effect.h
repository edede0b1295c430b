#pragma once
// Base of every effect: a timeline callback with a one-time asset set-up, its display and its name.

#include "scr_callback.h"

#include <string>
#include <vector>

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

    // The names of the triggers and of the values (splines) an effect reads; any other name
    // changes nothing. anyTrigger: every trigger counts, whatever its name.
    struct Reads {
        std::vector<std::string> triggers;
        std::vector<std::string> values;
        bool anyTrigger = false;
        bool anyValue = false;

        bool trigger(const std::string& name) const;
        bool value(const std::string& name) const;
    };
    // What the effect reads, stated once in its source; the demo system names a timeline's
    // trigger or spline that its effect does not read. The default, for an effect that does not
    // say, reads every name.
    virtual Reads reads() const;

    display::DisplayGL* mDisplay; // not owned; null until the demo system assigns it
    std::string mName;            // the name the effect is registered under; empty until then
};

} // namespace norvane::corvista
