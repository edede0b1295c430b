#include "logo.h"

#include "dis_display.h"
#include "dis_glcheck.h"

#include <GL/glew.h>

#include <cmath>

using norvane::mathbase::Vector3T;

namespace {
int gCount = 0; // every trigger, whatever its name, adds one
const float kPiBy31 = 0.10134169850289655f;
} // namespace

Logo::Logo(EffectShared* shared) : MeshEffect(shared, "logo", {"logo"}) {}

int Logo::count() { return gCount; }
void Logo::resetParameters() { gCount = 0; }

void Logo::setup() {
    MeshEffect::setup();
    mLogo = findMesh("logo");
}

// Every trigger adds a fan of beams, whatever its name.
Logo::Reads Logo::reads() const { return {{}, {}, true}; }

void Logo::trigger(float /*local*/, const std::string& /*name*/, const std::string& /*value*/) { ++gCount; }

void Logo::setValue(float /*local*/, const std::string& /*name*/, float /*value*/) {}

void Logo::draw(float t, float /*step*/, float /*progress*/) {
    setPerspective(0.7853982f, 1.6f);
    setView(Vector3T<float>(0.0f, 0.0f, 6.0f), Vector3T<float>(0.0f, 0.0f, 0.0f), 0.0f);

    DIS_GL(glDisable(GL_DEPTH_TEST));
    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glEnable(GL_BLEND));
    DIS_GL(glBlendFunc(GL_ONE, GL_ONE));
    if (mLogo) {
        glColor4f(0.09f, 0.09f, 0.1f, 0.1f);
        for (int i = 0; i < 32; ++i) {
            for (int j = 0; j < gCount; ++j) {
                const float spread = static_cast<float>(j - 10) * 0.1f;
                setModel(Vector3T<float>(spread + std::sin(t), -5.0f, 0.0f),
                         static_cast<float>(i) * kPiBy31 + 2.0f * t, 0.0f, spread,
                         Vector3T<float>(0.4f, 0.4f * std::sin(5.0f * t + static_cast<float>(j)) + 7.0f, 0.4f));
                mLogo->draw();
            }
        }
    }
    DIS_GL(glDisable(GL_BLEND));
    // Effects drawn after this one in the frame blend with the function every frame starts with.
    DIS_GL(glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glDisable(GL_DEPTH_TEST));
}
