#include "rum.h"

#include "dis_display.h"
#include "dis_glcheck.h"

#include <GL/glew.h>

#include <algorithm>

using norvane::mathbase::Vector3T;

namespace {
float gBlink = 1.0f;  // brightness of the light; "blink" adds, time takes away
bool gBlock = false;  // set by "block": the light holds and blending is off
float gMove = 0.0f;   // turns and squeezes the room
} // namespace

Rum::Rum(EffectShared* shared) : MeshEffect(shared, "rum", {"rum"}) {}

float Rum::blink() { return gBlink; }
bool Rum::blocked() { return gBlock; }
float Rum::move() { return gMove; }
void Rum::resetParameters() {
    gBlink = 1.0f;
    gBlock = false;
    gMove = 0.0f;
}

void Rum::setup() {
    MeshEffect::setup();
    mRoom = findMesh("rum");
}

void Rum::start() {
    gBlock = false;
    gBlink = 0.0f;
}

Rum::Reads Rum::reads() const { return {{"blink", "block"}, {"move"}}; }

void Rum::trigger(float /*local*/, const std::string& name, const std::string& /*value*/) {
    if (name == "blink") gBlink += 0.38f;
    else if (name == "block") gBlock = true;
}

void Rum::setValue(float /*local*/, const std::string& name, float value) {
    if (name == "move") gMove = value;
}

void Rum::draw(float t, float step, float /*progress*/) {
    if (!gBlock) gBlink = std::max(0.0f, gBlink - forwardStep(step));

    setPerspective(1.7802359f, aspect());
    setView(Vector3T<float>(0.0f, 0.0f, 1.0f), Vector3T<float>(0.0f, 0.0f, 0.0f), 0.0f);
    const float turn = gMove * (t - 16.0f) * 0.5f;
    setModel(Vector3T<float>(0.0f, 0.0f, 0.0f), 2.0f * t, turn, turn,
             Vector3T<float>(2.0f * (1.0f - gMove) + 2.0f, 2.0f, 2.0f));

    DIS_GL(glDisable(GL_DEPTH_TEST));
    DIS_GL(glDisable(GL_CULL_FACE));
    if (gBlock) DIS_GL(glDisable(GL_BLEND));
    else DIS_GL(glEnable(GL_BLEND));
    const float h = gBlink, l = 1.0f - h;
    glColor4f(0.5f * l + 0.1f * h, 0.61f * l + 0.2f * h, l + 0.1f * h, 1.0f);

    program.use();
    if (mRoom) mRoom->draw();
    program.unuse();
    DIS_GL(glDisable(GL_BLEND));
    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glDisable(GL_DEPTH_TEST));
}
