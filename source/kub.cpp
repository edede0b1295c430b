#include "kub.h"

#include "dis_display.h"
#include "dis_glcheck.h"
#include "mathbase/mb_matrix.h"
#include "nvn_system.h"

#include <GL/glew.h>

#include <chrono>
#include <cmath>

namespace {

float gAlpha = 0.0f; // value "alpha": the noise's opacity
float gX = 0.0f;     // value "x": half the width of the noise quad (1 = the whole screen)
float gY = 0.0f;     // value "y": half its height

const int kNoiseSize = 512;

uint32_t nextSeed(uint32_t& seed) {
    seed = seed * 69069u + 5u;
    return seed;
}

uint32_t processClock() {
    return static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

} // namespace

Kub::Kub() : texture(nullptr), seed(processClock()) {
    nextSeed(seed);
    nextSeed(seed);
}

float Kub::alpha() { return gAlpha; }
float Kub::x() { return gX; }
float Kub::y() { return gY; }

void Kub::setup() {
    texture.mDisplay = mDisplay;
    // A private copy: the image cache hands out read-only images that others may share, and the
    // noise replaces every pixel.
    if (!mDisplay || !mDisplay->getArchive()) throw norvane::Exception("Kub::setup; no display or archives to load from");
    // Through the texture's loader, whose errors name the file.
    image = texture.loadImage("fonthelvete2.png", true);
    image->create(kNoiseSize, kNoiseSize);
    unsigned char* pixels = image->getWriteData();
    for (int i = 0; i < kNoiseSize * kNoiseSize; ++i) {
        const double angle = static_cast<double>(nextSeed(seed)) * 7.3145906e-10;
        const long grey = std::lround((std::cos(angle) + 1.0) * 127.0) % 256;
        unsigned char* p = pixels + i * 4;
        p[0] = p[1] = p[2] = static_cast<unsigned char>(grey);
        p[3] = 255;
    }
    texture.setImage(image, true);
}

Kub::Reads Kub::reads() const { return {{}, {"x", "y", "alpha"}}; }

void Kub::setValue(float /*local*/, const std::string& name, float value) {
    if (name == "alpha")
        gAlpha = value;
    else if (name == "x")
        gX = value;
    else if (name == "y")
        gY = value;
}

void Kub::draw(float /*local*/, float /*step*/, float /*progress*/) {
    const norvane::mathbase::Matrix4x4Col identity;
    mDisplay->setProjection(identity);
    mDisplay->resetModelMatrix();
    mDisplay->resetViewMatrix();

    DIS_GL(glDisable(GL_DEPTH_TEST));
    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glEnable(GL_BLEND));
    DIS_GL(glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
    DIS_GL(glColor4f(1.0f, 1.0f, 1.0f, gAlpha));
    DIS_GL(glEnable(GL_TEXTURE_2D));
    texture.bind();

    // A window of half the texture's size, moved to a new random place every frame.
    const float us = static_cast<float>(nextSeed(seed)) * 1.16415322e-10f; // 2^-33
    const float vs = static_cast<float>(nextSeed(seed)) * 1.16415322e-10f;
    const float ue = us + 0.5f, ve = vs + 0.5f;
    glBegin(GL_QUADS);
    glTexCoord2f(us, vs);
    glVertex2f(-gX, -gY);
    glTexCoord2f(ue, vs);
    glVertex2f(gX, -gY);
    glTexCoord2f(ue, ve);
    glVertex2f(gX, gY);
    glTexCoord2f(us, ve);
    glVertex2f(-gX, gY);
    DIS_GL(glEnd());

    texture.unbind();
    DIS_GL(glDisable(GL_TEXTURE_2D));
}
