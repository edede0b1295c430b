#pragma once
// The interface through which timeline entries drive what they play (usually an effect).

#include <string>

namespace norvane::script {

// A callback is registered with the timeline under a name; every entry of that name calls it.
// The timeline calls, per evaluated entry and frame: start (once until the next reset), the due
// triggers, the track values, draw, the children's calls, postDraw. Only draw must be supplied.
class Callback {
public:
    virtual ~Callback();

    virtual void start() {}
    virtual void trigger(float /*local*/, const std::string& /*name*/, const std::string& /*value*/) {}
    virtual void setValue(float /*local*/, const std::string& /*name*/, float /*value*/) {}
    // local: seconds since the entry's start; step: seconds since the previous frame;
    // progress: fraction of the entry's span, from 0 towards 1.
    virtual void draw(float local, float step, float progress) = 0;
    virtual void postDraw(float /*local*/, float /*step*/, float /*progress*/) {}
};

} // namespace norvane::script
