#include "planet.h"

#include "dis_display.h"
#include "dis_glcheck.h"
#include "mathbase/mb_matrix.h"

#include <GL/glew.h>

#include <cmath>

namespace {
float gAlpha = 0.0f; // value "alpha"; the image is always drawn opaque
} // namespace

Planet::Planet(EffectShared* shared) : mShared(shared), texture(nullptr), intro(0.0f) {}

float Planet::alpha() { return gAlpha; }

void Planet::setup() {
    texture.mDisplay = mDisplay;
    texture.load("planet/godsteam.png", true);
    texture.setup();
}

Planet::Reads Planet::reads() const { return {{}, {"intro", "alpha"}}; }

void Planet::setValue(float /*local*/, const std::string& name, float value) {
    if (name == "intro")
        intro = value;
    else if (name == "alpha")
        gAlpha = value;
}

void Planet::draw(float /*local*/, float /*step*/, float /*progress*/) {
    const norvane::mathbase::Matrix4x4Col identity;
    mDisplay->resetModelMatrix();
    mDisplay->setProjection(identity);
    mDisplay->resetViewMatrix();

    DIS_GL(glDisable(GL_DEPTH_TEST));
    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glEnable(GL_BLEND));
    DIS_GL(glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
    DIS_GL(glColor4f(1.0f, 1.0f, 1.0f, 1.0f));
    texture.bind();
    DIS_GL(glEnable(GL_TEXTURE_2D));

    const float height = static_cast<float>(mDisplay->getHeight());
    const float b = height > 0.0f ? 1.0f / height : 0.0f;
    const float r = std::trunc(height * intro); // whole rows, with no integer overflow
    if (intro > 1.0f) intro = 1.0f;

    glBegin(GL_QUADS);
    // Below the revealed part: the next image row, stretched down to the bottom.
    const float rowV = (r + 1.0f) * b;
    const float lowTop = 1.0f - 2.0f * r * b;
    glTexCoord2f(0.0f, rowV);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, rowV);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.0f, rowV);
    glVertex2f(1.0f, lowTop);
    glTexCoord2f(0.0f, rowV);
    glVertex2f(-1.0f, lowTop);
    // The revealed rows in place at the top.
    const float upBottom = 1.0f - 2.0f * (r + 1.0f) * b;
    const float upV = r * b;
    glTexCoord2f(0.0f, upV);
    glVertex2f(-1.0f, upBottom);
    glTexCoord2f(1.0f, upV);
    glVertex2f(1.0f, upBottom);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, 1.0f);
    DIS_GL(glEnd());

    texture.unbind();
    DIS_GL(glDisable(GL_BLEND));
    DIS_GL(glDisable(GL_TEXTURE_2D));
}
