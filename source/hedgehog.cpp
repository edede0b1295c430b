#include "hedgehog.h"

#include "dis_display.h"
#include "dis_glcheck.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

using norvane::mathbase::Vector3T;

namespace {
float gBeat = 0.0f; // "beat" sets it to 1; it falls by 2 per second
float gGung = 1.0f; // the ball's height
} // namespace

Hedgehog::Hedgehog(EffectShared* shared) : MeshEffect(shared, "hedgehog", {"ball"}) {}

float Hedgehog::beat() { return gBeat; }
float Hedgehog::gung() { return gGung; }
void Hedgehog::resetParameters() {
    gBeat = 0.0f;
    gGung = 1.0f;
}

void Hedgehog::setup() {
    MeshEffect::setup();
    mBall = findMesh("ball");
}

Hedgehog::Reads Hedgehog::reads() const { return {{"beat"}, {"gung"}}; }

void Hedgehog::trigger(float /*local*/, const std::string& name, const std::string& /*value*/) {
    if (name == "beat") gBeat = 1.0f;
}

void Hedgehog::setValue(float /*local*/, const std::string& name, float value) {
    if (name == "gung") gGung = value;
}

void Hedgehog::draw(float t, float step, float /*progress*/) {
    gBeat = std::max(0.0f, gBeat - 2.0f * forwardStep(step));
    const float s = 0.2f * std::sin(gBeat);

    EffectCamera& camera = mShared->camera;
    camera.eye = Vector3T<float>(6.0f * std::sin(0.1f * t), 0.5f * std::sin(0.05f * t), 5.0f * std::cos(0.1f * t));
    camera.target = Vector3T<float>(0.0f, 0.0f, 0.0f);
    camera.roll = 0.0f;
    setPerspective(1.5707964f, aspect());
    setView(camera.eye, camera.target, camera.roll);

    Vector3T<float> attract[10];
    for (int i = 0; i < 10; ++i) {
        const float k = static_cast<float>(i);
        attract[i] = Vector3T<float>(10.0f * std::sin(t + k), 10.2f * std::cos(t + 3.0f * k),
                                     10.5f * std::sin(t + 2.0f * k));
    }

    DIS_GL(glEnable(GL_DEPTH_TEST));
    DIS_GL(glEnable(GL_CULL_FACE));
    DIS_GL(glDisable(GL_BLEND));
    const float r = 1.0f - s;
    glColor4f(5.0f * s + 0.5f * r, 2.0f * s + 0.5f * r, 0.5f * s + 0.5f * r, 5.0f * s + r);

    if (mBall) {
        program.use();
        program.setUniformVec3Array("attract", attract, 10);
        const Vector3T<float> position(0.0f, gGung, 0.0f), scale(1.0f, 1.0f, 1.0f);
        norvane::mathbase::Quaternion rotation;
        rotation.fromEuler(norvane::mathbase::EulerAngles(3.0f * t, 0.0f, 0.0f, 0));
        norvane::mathbase::Matrix4x4Col world2obj;
        world2obj.setInverseTransform(position, rotation, scale);
        program.setUniformMatrix("world2obj", world2obj);
        setModel(position, 3.0f * t, 0.0f, 0.0f, scale);
        mBall->draw();
        program.unuse();
    }

    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glDisable(GL_DEPTH_TEST));
}
