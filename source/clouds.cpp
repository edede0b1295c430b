#include "clouds.h"

#include "dis_display.h"
#include "dis_glcheck.h"
#include "effect_shared.h"
#include "mathbase/mb_matrix.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

using norvane::mathbase::Matrix4x4Col;
using norvane::mathbase::Vector3T;
typedef Vector3T<float> Vec3;

namespace {

float gAlpha = 0.0f; // value "alpha": the particles' opacity

uint32_t nextSeed(uint32_t& seed) {
    seed = seed * 69069u + 5u;
    return seed;
}

float fraction(uint32_t r) { return static_cast<float>(r) * 2.3283064e-10f; } // r / 2^32

bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

} // namespace

Clouds::Clouds(EffectShared* shared)
    : mShared(shared), vertices(nullptr), indices(nullptr), program(nullptr), material(&program), texture(nullptr),
      intensity(0.0f), usez(false) {}

float Clouds::alpha() { return gAlpha; }

void Clouds::setup() {
    intensity = 0.0f;
    usez = false;
    vertices.mDisplay = mDisplay;
    indices.mDisplay = mDisplay;

    vertices.setup(vertices.mFormat, VertexCount, nullptr);
    vertices.bind();
    norvane::display::VertexP3N3T2* out =
        static_cast<norvane::display::VertexP3N3T2*>(vertices.lock(true, false));
    static const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    uint32_t seed = 12456789u;
    nextSeed(seed);
    nextSeed(seed);
    particles.clear();
    particles.reserve(ParticleCount);
    for (int p = 0; p < ParticleCount; ++p) {
        const float distance = static_cast<float>(nextSeed(seed)) * 2.3981557e-9f + 2.0f;
        const float size = 0.6f + fraction(nextSeed(seed)) * (0.5f * distance + 0.1f);
        const float brightness = 0.32f + static_cast<float>(nextSeed(seed)) * 1.8626452e-10f;
        const float phi = fraction(nextSeed(seed)) * 6.2831853f;
        const float z = 2.0f * fraction(nextSeed(seed)) - 1.0f;
        const float h = std::sqrt(std::max(0.0f, 1.0f - z * z));
        const Vec3 centre(distance * h * std::cos(phi), distance * h * std::sin(phi), distance * z);
        for (int c = 0; c < 4; ++c) {
            norvane::display::VertexP3N3T2& v = out[4 * p + c];
            v.pos[0] = centre.x;
            v.pos[1] = centre.y;
            v.pos[2] = centre.z;
            v.nor[0] = size;
            v.nor[1] = brightness;
            v.nor[2] = 0.0f;
            v.tex[0] = corners[c][0];
            v.tex[1] = corners[c][1];
        }
        particles.push_back(CloudParticle{centre, p});
    }
    vertices.unlock();
    vertices.unbind();
    indices.mUsage = 1; // stream: rewritten every frame
    indices.setup(GL_UNSIGNED_INT, VertexCount, nullptr);

    texture.mDisplay = mDisplay;
    texture.load("clouds/particle.png", true);
    texture.setup();

    program.mDisplay = mDisplay;
    program.loadFiles("clouds/particle.vert", "clouds/particle.frag");

    material.setProgram(&program);
    material.setTexture("texture", &texture);
}

Clouds::Reads Clouds::reads() const { return {{"usez"}, {"intensity", "alpha"}}; }

void Clouds::trigger(float /*local*/, const std::string& name, const std::string& value) {
    if (name == "usez") usez = (value == "true");
}

void Clouds::setValue(float /*local*/, const std::string& name, float value) {
    if (name == "intensity")
        intensity = value;
    else if (name == "alpha")
        gAlpha = value;
}

void Clouds::sortBackToFront(std::vector<CloudParticle>& list, const Vec3& direction) {
    std::sort(list.begin(), list.end(), [&direction](const CloudParticle& a, const CloudParticle& b) {
        return direction.dot(a.position) < direction.dot(b.position);
    });
}

int Clouds::visibleCount(float share) {
    const float wanted = share * static_cast<float>(ParticleCount);
    if (!(wanted > 0.0f)) return 0;
    if (wanted >= static_cast<float>(ParticleCount)) return ParticleCount;
    return static_cast<int>(wanted);
}

void Clouds::draw(float local, float /*step*/, float /*progress*/) {
    if (!(intensity >= 0.001f)) return;
    const EffectCamera& camera = mShared->camera;
    const Vec3 eye = camera.eye, target = camera.target;
    const float roll = camera.roll;
    // Until an effect has placed the shared camera (eye and target both at the origin) there is
    // no direction to look along: nothing is drawn rather than a view of NaNs.
    const Vec3 direction = eye - target;
    if (!finite(eye) || !finite(target) || !std::isfinite(roll) || !(direction.lengthSquared() > 0.0f)) return;

    mDisplay->resetState(); // the default GL state and projection, as every frame starts with

    const float e0 = (std::sin(10.0f * local) + 1.0f) * 0.5f;
    const float e1 = (std::sin(7.0f * local) + 1.0f) * 0.5f;
    const Vec3 lpos0(target.x, target.y + 3.3f, target.z), lcol0(e0, 1.5f * e0, 1.5f * e0);
    const Vec3 lpos1(target.x - 3.0f, target.y, target.z), lcol1(e1, 1.5f * e1, 1.5f * e1);

    Matrix4x4Col view, frame;
    view.setLookAt(eye, target, roll);
    frame.setLookAtFrame(eye, target, roll);
    mDisplay->resetModelMatrix();
    mDisplay->setViewMatrix(view);

    Vec3 right, up;
    frame.transformVector(right, Vec3(1, 0, 0));
    frame.transformVector(up, Vec3(0, 1, 0));
    right.normalize();
    up.normalize();
    right *= 0.5f;
    up *= 0.5f;

    sortBackToFront(particles, direction);

    DIS_GL(glDisable(GL_CULL_FACE));
    if (usez) {
        DIS_GL(glEnable(GL_DEPTH_TEST));
        DIS_GL(glDepthMask(GL_FALSE));
    } else {
        DIS_GL(glDisable(GL_DEPTH_TEST));
    }
    DIS_GL(glEnable(GL_BLEND));
    DIS_GL(glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));

    const int n = visibleCount(intensity);
    indices.bind();
    uint32_t* out = static_cast<uint32_t*>(indices.lock(true, false));
    for (int k = 0; k < n; ++k) {
        const uint32_t q = static_cast<uint32_t>(particles[static_cast<size_t>(k)].index);
        out[4 * k] = 4 * q;
        out[4 * k + 1] = 4 * q + 1;
        out[4 * k + 2] = 4 * q + 2;
        out[4 * k + 3] = 4 * q + 3;
    }
    indices.unlock();
    indices.unbind();

    mDisplay->setVBO(&vertices);
    mDisplay->setIBO(&indices);
    material.use();
    material.setVec3("cameraUp", up);
    material.setVec3("cameraRight", right);
    material.setVec3("lpos0", lpos0);
    material.setVec3("lcol0", lcol0);
    material.setVec3("lpos1", lpos1);
    material.setVec3("lcol1", lcol1);
    material.setFloat("alpha", gAlpha);
    mDisplay->draw(GL_QUADS, 0, 4 * n, -1, -1);
    material.unuse();
    mDisplay->setVBO(nullptr);
    mDisplay->setIBO(nullptr);
    DIS_GL(glDisable(GL_DEPTH_TEST));
    DIS_GL(glDisable(GL_BLEND));
    DIS_GL(glDepthMask(GL_TRUE));
}
