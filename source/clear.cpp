#include "clear.h"

#include "dis_glcheck.h"

#include <GL/glew.h>

using norvane::display::checkGLError;

Clear::Clear() = default;

void Clear::setColor(float red, float green, float blue, float alpha) {
    mRed = red;
    mGreen = green;
    mBlue = blue;
    mAlpha = alpha;
}

void Clear::start() { setColor(0.0f, 0.0f, 0.0f, 1.0f); }

Clear::Reads Clear::reads() const { return {{"white", "black"}, {}}; }

void Clear::trigger(float /*local*/, const std::string& name, const std::string& /*value*/) {
    if (name == "white")
        setColor(1.0f, 1.0f, 1.0f, 1.0f);
    else if (name == "black")
        setColor(0.0f, 0.0f, 0.0f, 1.0f);
}

void Clear::draw(float /*local*/, float /*step*/, float /*progress*/) {
    glClearColor(mRed, mGreen, mBlue, mAlpha);
    checkGLError(__FILE__, __LINE__, "glClearColor(mRed, mGreen, mBlue, mAlpha)");
    glClearDepth(1.0);
    checkGLError(__FILE__, __LINE__, "glClearDepth(1.0)");
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    checkGLError(__FILE__, __LINE__, "glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)");
}
