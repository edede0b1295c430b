#pragma once
// "plane": twenty small aeroplanes that fly in past the camera, level off and climb away,
// banking with the swing that "hus" writes.

#include "mesh_effect.h"

class Flyg : public MeshEffect {
public:
    explicit Flyg(EffectShared* shared);

    void draw(float local, float step, float progress) override;
    Reads reads() const override;
    void setup() override;

private:
    norvane::torvik::Mesh* mPlane = nullptr;
};
