#include "waxon_draw.h"

#include "dis_display.h"
#include "dis_fbo.h"
#include "dis_glcheck.h"
#include "dis_texture.h"
#include "effect_shared.h"
#include "mathbase/mb_matrix.h"
#include "nvn_system.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

using norvane::display::FragmentShader;
using norvane::display::VertexShader;

namespace {

float gBeat = 0.0f;     // 1 on a "beat", down to 0 within half a second
bool gBeatNew = false;  // a "beat" came since the last draw

const float kBeatFadePerSecond = 2.0f;
const int kTaps = 5; // the centre and four on each side

// The whole viewport, texture corner to corner.
void fullScreenQuad() {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    norvane::display::checkGLError(__FILE__, __LINE__, "fullScreenQuad()");
}

} // namespace

WaxOnDraw::WaxOnDraw(EffectShared* shared)
    : mShared(shared), mWhich("screen"), mHorizontal(nullptr), mVertical(nullptr), mFilter(nullptr) {}

WaxOnDraw::~WaxOnDraw() = default;

float WaxOnDraw::beat() { return gBeat; }
void WaxOnDraw::resetShared() {
    gBeat = 0.0f;
    gBeatNew = false;
}

float WaxOnDraw::weight(int i) {
    const float e = 2.7182817f;
    return std::pow(e, -static_cast<float>(i * i) / 18.0f);
}

void WaxOnDraw::setup() {
    VertexShader glowVertex(mDisplay, "glow/glow.vert", "");
    FragmentShader across(mDisplay, "glow/glow_horisontal.frag", "");
    FragmentShader down(mDisplay, "glow/glow_vertical.frag", "");

    mHorizontal.mDisplay = mDisplay;
    mHorizontal.attachShaders(glowVertex, across);
    mHorizontal.link();
    mVertical.mDisplay = mDisplay;
    mVertical.attachShaders(glowVertex, down);
    mVertical.link();

    VertexShader filterVertex(mDisplay, "glow/filter.vert", "");
    FragmentShader filterFragment(mDisplay, "glow/filter.frag", "");
    mFilter.mDisplay = mDisplay;
    mFilter.attachShaders(filterVertex, filterFragment);
    mFilter.link();

    // The weights the glow shaders are built from; the reciprocal of their one-sided sum follows.
    float sum = 0.0f;
    for (int i = 0; i < kTaps; ++i) {
        const float w = weight(i);
        std::printf("Gaussian filter at %d: %f\n", i, w);
        sum += w;
    }
    std::printf("total: %f\n", 1.0f / sum);
    std::fflush(stdout);
    // The five shader objects go with this scope; the linked programs keep working.
}

WaxOnDraw::Reads WaxOnDraw::reads() const { return {{"which", "beat"}, {}}; }

void WaxOnDraw::trigger(float /*local*/, const std::string& name, const std::string& value) {
    if (name == "which") mWhich = value;
    else if (name == "beat") {
        gBeat = 1.0f;
        gBeatNew = true;
    }
}

RenderTarget* WaxOnDraw::find(const std::string& name) {
    if (mShared) {
        const auto it = mShared->targets.find(name);
        if (it != mShared->targets.end() && it->second != nullptr && it->second->fbo != nullptr &&
            it->second->texture != nullptr)
            return it->second;
    }
    if (mWarnedAbout != name) {
        NVN_LOG("warning", "effects", "WaxOnDraw: there is no render target '%s' to show", name.c_str());
        mWarnedAbout = name;
    }
    return nullptr;
}

void WaxOnDraw::draw(float /*local*/, float step, float /*progress*/) {
    // The frame of a "beat" shows it whole; the fade starts with the next frame. A step backwards
    // (a seek) never brings the beat back.
    if (!gBeatNew) gBeat = std::max(0.0f, gBeat - kBeatFadePerSecond * std::max(0.0f, step));
    gBeatNew = false;
    if (mWhich.empty()) return;
    RenderTarget* target = find(mWhich);
    if (target == nullptr) return;

    const norvane::mathbase::Matrix4x4Col identity;
    mDisplay->setProjection(identity);
    mDisplay->resetModelMatrix();
    mDisplay->resetViewMatrix();
    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glDisable(GL_DEPTH_TEST));
    DIS_GL(glEnable(GL_TEXTURE_2D));
    DIS_GL(glEnable(GL_BLEND));
    DIS_GL(glBlendFunc(GL_SRC_ALPHA, GL_ONE));

    target->texture->bind();
    if (mWhich == "hyper") {
        DIS_GL(glColor4f(1.0f, 1.0f, 1.0f, 2.0f * gBeat - 0.1f));
        fullScreenQuad();
    } else if (mWhich == "screen") {
        RenderTarget* glow1 = find("glow1");
        RenderTarget* glow2 = glow1 ? find("glow2") : nullptr;
        if (glow1 && glow2) {
            drawScreen(*target, *glow1, *glow2);
        } else {
            // No targets for the glow passes: the picture alone.
            DIS_GL(glDisable(GL_BLEND));
            DIS_GL(glColor4f(1.0f, 1.0f, 1.0f, 1.0f));
            fullScreenQuad();
        }
    }
    target->texture->unbind();
    DIS_GL(glDisable(GL_BLEND));
    // Effects drawn after this one in the frame blend with the function every frame starts with.
    DIS_GL(glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
    DIS_GL(glDisable(GL_TEXTURE_2D));
}

void WaxOnDraw::drawScreen(RenderTarget& screen, RenderTarget& glow1, RenderTarget& glow2) {
    // The captured picture, opaque.
    DIS_GL(glDisable(GL_BLEND));
    DIS_GL(glColor4f(1.0f, 1.0f, 1.0f, 1.0f));
    fullScreenQuad();

    // Across: the picture's bright parts, blurred along the rows, into "glow1".
    glow1.fbo->bind();
    // Making the framebuffer at its first bind unbinds textures; the pass samples the picture.
    screen.texture->bind();
    mHorizontal.use();
    DIS_GL(glColor4f(1.0f, 1.0f, 1.0f, 1.0f));
    fullScreenQuad();
    mHorizontal.unuse();
    glow1.fbo->unbind();
    screen.texture->unbind();

    // Down: "glow1" blurred along the columns into "glow2", stronger on a beat.
    glow2.fbo->bind();
    glow1.texture->bind();
    mVertical.use();
    mVertical.setUniformFloat("beat", gBeat);
    DIS_GL(glColor4f(1.0f, 1.0f, 1.0f, 1.0f));
    fullScreenQuad();
    mVertical.unuse();
    glow2.fbo->unbind();
    glow1.texture->unbind();

    // The glow added over the picture.
    glow2.texture->bind();
    DIS_GL(glEnable(GL_BLEND));
    DIS_GL(glBlendFunc(GL_SRC_ALPHA, GL_ONE));
    DIS_GL(glColor4f(1.0f, 1.0f, 1.0f, 1.0f));
    fullScreenQuad();
    glow2.texture->unbind();
}
