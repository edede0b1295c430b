#pragma once
// "planet": reveals an image line by line from the top; the row below the revealed part is
// stretched over the rest of the screen.

#include "crv_effect.h"
#include "dis_texture.h"

struct EffectShared;

class Planet : public norvane::corvista::Effect {
public:
    explicit Planet(EffectShared* shared);

    void setValue(float local, const std::string& name, float value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;
    void setup() override;

    // The file-level value "alpha", accepted but not drawn with (for tests).
    static float alpha();

    EffectShared* mShared; // not owned; never read
    norvane::display::Texture texture;
    float intro; // the revealed share of the screen's height; 0 until the first "intro" value
};
