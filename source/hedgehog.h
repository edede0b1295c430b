#pragma once
// "hedgehog": a ball that grows spikes towards ten attractor points, pulsing on "beat".

#include "mesh_effect.h"

class Hedgehog : public MeshEffect {
public:
    explicit Hedgehog(EffectShared* shared);

    void trigger(float local, const std::string& name, const std::string& value) override;
    void setValue(float local, const std::string& name, float value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;
    void setup() override;

    // The class's timeline parameters (shared by every instance).
    static float beat();
    static float gung();
    static void resetParameters();

private:
    norvane::torvik::Mesh* mBall = nullptr;
};
