#pragma once
// "vintage": two full-screen images slide in from above, then zoom, turn and fade out.

#include "crv_effect.h"
#include "dis_texture.h"

struct EffectShared;

class Vintage : public norvane::corvista::Effect {
public:
    explicit Vintage(EffectShared* shared);

    void setValue(float local, const std::string& name, float value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;
    void setup() override;

    EffectShared* mShared; // not owned
    norvane::display::Texture front; // "vintage/vintage.png"
    norvane::display::Texture back;  // "vintage/vintage2.png"
};
