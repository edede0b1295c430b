#pragma once
// What the effects share: the named render targets, the look-at camera and the swing value.

#include "crv_effect.h"
#include "mathbase/mb_vector.h"

#include <map>
#include <string>

namespace norvane::display {
class FBO;
class Texture;
} // namespace norvane::display

// A framebuffer object with its colour texture, filled in by the effect that owns the targets.
struct RenderTarget {
    norvane::display::FBO* fbo = nullptr;
    norvane::display::Texture* texture = nullptr;
};

// The named render targets shared by the effects; the map never owns them.
typedef std::map<std::string, RenderTarget*> RenderTargetMap;

// The shared look-at camera: some effects write it each frame, others read it in the same frame.
struct EffectCamera {
    norvane::mathbase::Vector3T<float> eye;
    norvane::mathbase::Vector3T<float> target;
    float roll = 0.0f; // radians
};

// One record owned by main for the whole run; its address goes to the effect constructors.
struct EffectShared {
    RenderTargetMap targets;
    EffectCamera camera;
    float swing = 0.0f;
};
