#pragma once
// "rum": the inside of a tiled room turning round the camera; "blink" lights it up, "block"
// freezes the light and draws it opaque.

#include "mesh_effect.h"

class Rum : public MeshEffect {
public:
    explicit Rum(EffectShared* shared);

    void start() override;
    void trigger(float local, const std::string& name, const std::string& value) override;
    void setValue(float local, const std::string& name, float value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;
    void setup() override;

    static float blink();
    static bool blocked();
    static float move();
    static void resetParameters();

private:
    norvane::torvik::Mesh* mRoom = nullptr;
};
