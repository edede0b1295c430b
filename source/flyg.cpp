#include "flyg.h"

#include "dis_display.h"
#include "dis_glcheck.h"

#include <GL/glew.h>

#include <cmath>

using norvane::mathbase::Vector3T;

Flyg::Flyg(EffectShared* shared) : MeshEffect(shared, "plane", {"Cube"}) {}

void Flyg::setup() {
    MeshEffect::setup();
    mPlane = findMesh("Cube");
}

Flyg::Reads Flyg::reads() const { return {{}, {}}; }

void Flyg::draw(float t, float /*step*/, float /*progress*/) {
    DIS_GL(glClear(GL_DEPTH_BUFFER_BIT));
    setPerspective(1.5707964f, aspect());
    setView(Vector3T<float>(0.0f, 0.3f, 0.0f), Vector3T<float>(0.0f, 0.3f, -1.0f), 0.0f);

    DIS_GL(glEnable(GL_DEPTH_TEST));
    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glDisable(GL_BLEND));
    glColor4f(0.51f, 0.51f, 0.51f, 1.0f);
    program.use();
    const float swing = mShared->swing;
    const float T = 4.0f * t;
    for (int i = 0; i < 20; ++i) {
        const float offset = i == 0 ? 0.0f : (i <= 5 ? 7.0f : (i <= 10 ? 15.0f : 28.0f));
        const float c = T - offset;
        const float d = c > 5.0f ? c - 5.0f : 0.0f;
        const float k = static_cast<float>(i);
        setModel(Vector3T<float>(0.3f * k * (static_cast<float>(i % 2) - 0.5f),
                                 100.0f * std::sin(0.01f * d) + 0.5f * static_cast<float>(i % 4), d - c),
                 2.0f * std::sin(0.2f * d), 0.0f, 0.1f * std::sin(t + k) - 0.3f * swing,
                 Vector3T<float>(0.1f, 0.1f, 0.1f));
        if (mPlane) mPlane->draw();
    }
    program.unuse();
    DIS_GL(glDisable(GL_BLEND));
    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glDisable(GL_DEPTH_TEST));
}
