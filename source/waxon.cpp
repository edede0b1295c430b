#include "waxon.h"

#include "dis_display.h"
#include "dis_fbo.h"
#include "dis_glcheck.h"
#include "dis_texture.h"
#include "effect_shared.h"
#include "nvn_system.h"

#include <GL/glew.h>

#include <cstdio>
#include <utility>

using norvane::display::FBO;
using norvane::display::Texture;

namespace {

struct TargetSpec {
    const char* name;
    bool windowSized; // else 64 x 32
};
const TargetSpec kTargets[] = {{"screen", true}, {"glow1", true}, {"glow2", true}, {"hyper", false}};

} // namespace

WaxOn::WaxOn(EffectShared* shared) : mShared(shared), mWhich("hyper") {}

WaxOn::~WaxOn() { deleteTargets(); }

void WaxOn::deleteTargets() {
    for (RenderTarget* target : mTargets) {
        // Only entries that are still ours leave the map; nobody may find a deleted target there.
        if (mShared) {
            for (auto it = mShared->targets.begin(); it != mShared->targets.end();) {
                if (it->second == target) it = mShared->targets.erase(it);
                else ++it;
            }
        }
        if (mBound == target) mBound = nullptr;
        delete target->texture;
        delete target->fbo;
        delete target;
    }
    mTargets.clear();
}

void WaxOn::setup() {
    deleteTargets(); // a second set-up makes them afresh
    for (const TargetSpec& spec : kTargets) {
        RenderTarget* target = new RenderTarget;
        mTargets.push_back(target);
        target->fbo = new FBO(mDisplay);
        target->texture = new Texture(mDisplay);
        Texture& colour = *target->texture;
        colour.configure(0, 0, Texture::LayoutDefault, Texture::TypeDefault, Texture::TARGET_UNCHOSEN);
        if (spec.windowSized) target->fbo->setSize(mDisplay->getWidth(), mDisplay->getHeight(), true);
        else target->fbo->setSize(64, 32, true);
        target->fbo->attach(GL_COLOR_ATTACHMENT0_EXT, &colour);

        colour.bind();
        colour.setWrap(false);
        DIS_GL(glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST));
        DIS_GL(glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST));
        colour.unbind();

        if (mShared) mShared->targets[spec.name] = target;
    }
    std::printf("WaxOn::setup:after()\n");
    std::fflush(stdout);
}

WaxOn::Reads WaxOn::reads() const { return {{"which"}, {}}; }

void WaxOn::trigger(float /*local*/, const std::string& name, const std::string& value) {
    if (name != "which") return;
    if (value != mWhich) mWarned = false;
    mWhich = value;
}

RenderTarget* WaxOn::current() {
    if (mShared) {
        const auto it = mShared->targets.find(mWhich);
        if (it != mShared->targets.end() && it->second != nullptr && it->second->fbo != nullptr) return it->second;
    }
    if (!mWarned) {
        NVN_LOG("warning", "effects", "WaxOn: there is no render target '%s'; drawing into the window",
                mWhich.c_str());
        mWarned = true;
    }
    return nullptr;
}

void WaxOn::draw(float /*local*/, float /*step*/, float /*progress*/) {
    mBound = nullptr;
    if (mWhich.empty()) return;
    RenderTarget* target = current();
    if (target == nullptr) return;
    mDisplay->resetState();
    target->fbo->bind();
    mBound = target;
    DIS_GL(glClearColor(0.0f, 0.0f, 0.0f, 0.0f));
    DIS_GL(glClearDepth(1.0));
    DIS_GL(glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
}

void WaxOn::postDraw(float /*local*/, float /*step*/, float /*progress*/) {
    if (mBound == nullptr) return;
    RenderTarget* target = mBound;
    mBound = nullptr;
    target->fbo->unbind();
    mDisplay->resetState();
}
