#pragma once
// "waxon_draw": shows a render target of "waxon" on the screen. "screen" is drawn as it is with a
// separable glow added on top, through "glow1" (across) and "glow2" (down), pulsing on "beat";
// "hyper" is spread over the screen as an additive overlay that only shows on a beat.

#include "crv_effect.h"
#include "dis_shader.h"

#include <string>

struct EffectShared;
struct RenderTarget;

class WaxOnDraw : public norvane::corvista::Effect {
public:
    explicit WaxOnDraw(EffectShared* shared);
    ~WaxOnDraw() override;

    // Builds the two glow programs and the filter program and prints the kernel's weights.
    void setup() override;
    // "which" chooses the target to show; "beat" lights the glow (or the "hyper" overlay) fully.
    void trigger(float local, const std::string& name, const std::string& value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;

    // The beat strength shared by every instance (for tests and inspection).
    static float beat();
    static void resetShared();

    // The Gaussian weight of tap i (standard deviation 3) as the glow shaders use it, before the
    // kernel is normalised.
    static float weight(int i);

    EffectShared* mShared; // not owned
    std::string mWhich;    // "screen" until a "which" trigger arrives
    norvane::display::ShaderProgram mHorizontal;
    norvane::display::ShaderProgram mVertical;
    norvane::display::ShaderProgram mFilter; // made and linked, not drawn with

private:
    // The named target, or null (with one warning per name) when there is none.
    RenderTarget* find(const std::string& name);
    void drawScreen(RenderTarget& screen, RenderTarget& glow1, RenderTarget& glow2);

    std::string mWarnedAbout; // the last unknown name a warning was given for
};
