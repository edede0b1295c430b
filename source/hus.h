#pragma once
// "hus": a ribbed tube turning about its length under a swinging camera; writes the swing.

#include "mesh_effect.h"

class Hus : public MeshEffect {
public:
    explicit Hus(EffectShared* shared);

    void setValue(float local, const std::string& name, float value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;
    void setup() override;

    static float y();
    static void resetParameters();

private:
    norvane::torvik::Mesh* mTube = nullptr;
};
