#pragma once
// "flash" and "flash2": a white full-screen quad whose opacity jumps on a trigger and fades out.
// Both instances act on the same opacity and fading flag.

#include "crv_effect.h"

struct EffectShared;

class Flash : public norvane::corvista::Effect {
public:
    explicit Flash(EffectShared* shared);

    void start() override;
    void trigger(float local, const std::string& name, const std::string& value) override;
    void setValue(float local, const std::string& name, float value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;

    // The opacity and fading flag shared by every instance (for tests and inspection).
    static float alpha();
    static bool fading();
    static void resetShared();

    EffectShared* mShared; // not owned; Flash never reads it
};
