#pragma once
// "kub": a jittering grey noise laid over the picture through a window that moves every frame.

#include "am_image.h"
#include "crv_effect.h"
#include "dis_texture.h"

#include <cstdint>

class Kub : public norvane::corvista::Effect {
public:
    // The noise generator starts from the process clock, so the jitter differs from run to run.
    Kub();

    void setValue(float local, const std::string& name, float value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;
    void setup() override;

    // The file-level values "alpha", "x" and "y", shared by every instance (for tests).
    static float alpha();
    static float x();
    static float y();

    norvane::display::Texture texture;
    norvane::am::Image image; // a private copy: the noise is written into its pixels
    uint32_t seed;
};
