#include "hus.h"

#include "dis_display.h"
#include "dis_glcheck.h"

#include <GL/glew.h>

#include <cmath>

using norvane::mathbase::Vector3T;

namespace {
float gY = 0.0f; // lowers the tube by ten units per unit
} // namespace

Hus::Hus(EffectShared* shared) : MeshEffect(shared, "hus", {"Tube"}) {}

float Hus::y() { return gY; }
void Hus::resetParameters() { gY = 0.0f; }

void Hus::setup() {
    MeshEffect::setup();
    mTube = findMesh("Tube");
}

Hus::Reads Hus::reads() const { return {{}, {"y"}}; }

void Hus::setValue(float /*local*/, const std::string& name, float value) {
    if (name == "y") gY = value;
}

void Hus::draw(float t, float /*step*/, float /*progress*/) {
    const float swing = std::sin(t);
    mShared->swing = swing;

    EffectCamera& camera = mShared->camera;
    camera.eye = Vector3T<float>(3.0f * swing, 4.0f, 3.0f);
    camera.target = Vector3T<float>(1.8f * swing, 2.53f, 0.0f);
    camera.roll = 0.0f;
    setPerspective(0.7853982f, 1.6f);
    setView(camera.eye, camera.target, camera.roll);
    setModel(Vector3T<float>(0.0f, -10.0f * gY, 0.0f), 5.5f * t, 0.0f, 0.0f, Vector3T<float>(1.0f, 1.0f, 1.0f));

    DIS_GL(glEnable(GL_DEPTH_TEST));
    DIS_GL(glEnable(GL_CULL_FACE));
    glColor4f(0.85f, 0.83f, 0.8f, 1.0f);
    program.use();
    if (mTube) mTube->draw();
    program.unuse();
    DIS_GL(glDisable(GL_BLEND));
    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glDisable(GL_DEPTH_TEST));
}
