#pragma once
// "clear": clears the colour and depth buffers to white or black.

#include "crv_effect.h"

class Clear : public norvane::corvista::Effect {
public:
    Clear();

    void start() override;
    void trigger(float local, const std::string& name, const std::string& value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;

    float mRed = 0.0f;
    float mGreen = 0.0f;
    float mBlue = 0.0f;
    float mAlpha = 0.0f;

    void setColor(float red, float green, float blue, float alpha);
};
