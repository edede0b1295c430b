#pragma once
// "logo": a fan of glowing beams, one row more for every trigger received.

#include "mesh_effect.h"

class Logo : public MeshEffect {
public:
    explicit Logo(EffectShared* shared);

    void trigger(float local, const std::string& name, const std::string& value) override;
    void setValue(float local, const std::string& name, float value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;
    void setup() override;

    // Triggers received by the class so far; never reset.
    static int count();
    static void resetParameters();

private:
    norvane::torvik::Mesh* mLogo = nullptr;
};
