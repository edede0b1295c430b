#include "vintage.h"

#include "dis_display.h"
#include "dis_glcheck.h"
#include "mathbase/mb_matrix.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

namespace {

// Values of the timeline, shared by every instance.
float gAlpha = 0.0f;  // slides the images in: 0 holds them above the screen, 0.714 brings them in place
float gOffset = 0.0f; // moves the back image further down
float gOut = 0.0f;    // zooms, turns and fades both out
float gZed = 0.0f;    // shrinks and lifts both

// One full-screen image around height y, its top row at the top.
void imageQuad(norvane::display::Texture& texture, float y, float opacity) {
    texture.bind();
    DIS_GL(glColor4f(1.0f, 1.0f, 1.0f, opacity));
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-1.0f, y - 1.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(1.0f, y - 1.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(1.0f, y + 1.0f, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-1.0f, y + 1.0f, 0.0f);
    DIS_GL(glEnd());
    texture.unbind();
}

} // namespace

Vintage::Vintage(EffectShared* shared) : mShared(shared), front(nullptr), back(nullptr) {}

void Vintage::setup() {
    front.mDisplay = mDisplay;
    back.mDisplay = mDisplay;
    front.load("vintage/vintage.png", false);
    front.setup();
    back.load("vintage/vintage2.png", false);
    back.setup();
}

Vintage::Reads Vintage::reads() const { return {{}, {"alpha", "offset", "zed", "out"}}; }

void Vintage::setValue(float /*local*/, const std::string& name, float value) {
    if (name == "alpha")
        gAlpha = value;
    else if (name == "offset")
        gOffset = value;
    else if (name == "out")
        gOut = value;
    else if (name == "zed")
        gZed = value;
}

void Vintage::draw(float /*local*/, float /*step*/, float /*progress*/) {
    const norvane::mathbase::Matrix4x4Col identity;
    mDisplay->setProjection(identity);
    mDisplay->resetViewMatrix();
    norvane::mathbase::Matrix4x4Col model;
    model.setScale(1.0f - 0.6f * gZed + 5.0f * gOut);
    mDisplay->setModelMatrix(model);

    DIS_GL(glEnable(GL_TEXTURE_2D));
    DIS_GL(glEnable(GL_BLEND));
    DIS_GL(glDisable(GL_DEPTH_TEST));
    DIS_GL(glRotatef(25.0f * gOut, 0.0f, 0.0f, 1.0f));

    const float c = 5.0f * std::cos(2.2f * gAlpha);
    const float opacity = 1.0f - gOut;
    const float backY = gZed - 2.0f * gOut + std::max(c - 0.1f, 0.0f) - 0.1f - 2.0f * gOffset;
    imageQuad(back, backY, opacity);
    const float frontY = gZed - 2.0f * gOut + std::max(c, 0.0f) - 0.1f;
    imageQuad(front, frontY, opacity);

    DIS_GL(glDisable(GL_TEXTURE_2D));
    DIS_GL(glDisable(GL_BLEND));
}
