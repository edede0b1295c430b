#include "flash.h"

#include "dis_display.h"
#include "dis_glcheck.h"
#include "mathbase/mb_matrix.h"

#include <GL/glew.h>

#include <algorithm>

using norvane::display::checkGLError;

namespace {
float gAlpha = 0.0f;   // the quad's opacity, shared by both instances
bool gFading = false;  // set by the first trigger of any name, never cleared
bool gJustLit = false; // a "base" trigger came since the last draw
const float kFadePerSecond = 3.0f;
} // namespace

Flash::Flash(EffectShared* shared) : mShared(shared) {}

float Flash::alpha() { return gAlpha; }
bool Flash::fading() { return gFading; }
void Flash::resetShared() {
    gAlpha = 0.0f;
    gFading = false;
    gJustLit = false;
}

void Flash::start() { gAlpha = 0.0f; }

// Every trigger starts the fade; "base" also lights the flash.
Flash::Reads Flash::reads() const { return {{"base"}, {"alpha"}, true}; }

void Flash::trigger(float /*local*/, const std::string& name, const std::string& /*value*/) {
    gFading = true;
    if (name == "base") {
        gAlpha = 1.0f;
        gJustLit = true;
    }
}

void Flash::setValue(float /*local*/, const std::string& name, float value) {
    if (name == "alpha") gAlpha = value;
}

void Flash::draw(float /*local*/, float step, float /*progress*/) {
    // The frame of a "base" trigger shows the flash fully opaque; the fade starts with the next
    // frame, so the flash is transparent again exactly 1/3 s after its trigger. A step backwards
    // (a seek, or the loop back to 0) must never make the flash brighter.
    const bool justLit = gJustLit;
    gJustLit = false;
    if (gFading && !justLit) gAlpha = std::max(0.0f, gAlpha - kFadePerSecond * std::max(0.0f, step));

    const norvane::mathbase::Matrix4x4Col identity;
    mDisplay->setProjection(identity);
    mDisplay->resetViewMatrix();
    mDisplay->resetModelMatrix();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    checkGLError(__FILE__, __LINE__, "glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)");
    glColor4f(1.0f, 1.0f, 1.0f, gAlpha);
    glBegin(GL_QUADS);
    glVertex3f(-1.0f, -1.0f, 0.0f);
    glVertex3f(1.0f, -1.0f, 0.0f);
    glVertex3f(1.0f, 1.0f, 0.0f);
    glVertex3f(-1.0f, 1.0f, 0.0f);
    glEnd();
    checkGLError(__FILE__, __LINE__, "glEnd()");
    glDisable(GL_BLEND);
    checkGLError(__FILE__, __LINE__, "glDisable(GL_BLEND)");
}
