#pragma once
// "waxon": owns the named render targets "screen", "glow1", "glow2" and "hyper" and, while its
// timeline entry plays, sends the drawing of its child entries into the one named by "which".

#include "crv_effect.h"

#include <string>
#include <vector>

struct EffectShared;
struct RenderTarget;

class WaxOn : public norvane::corvista::Effect {
public:
    explicit WaxOn(EffectShared* shared);
    // Deletes the targets it made and takes them out of the shared map.
    ~WaxOn() override;

    // Makes the four targets at the display's size ("hyper" is 64 x 32) and enters them in the map.
    void setup() override;
    // "which" names the target the children draw into; an empty name sends them to the window.
    void trigger(float local, const std::string& name, const std::string& value) override;
    // Binds and clears the target; the children draw into it until postDraw.
    void draw(float local, float step, float progress) override;
    Reads reads() const override;
    // Back to the framebuffer that was current before draw.
    void postDraw(float local, float step, float progress) override;

    EffectShared* mShared; // not owned
    std::string mWhich;    // "hyper" until a "which" trigger arrives

private:
    // The target named by mWhich; null (with one warning per name) when there is none.
    RenderTarget* current();
    void deleteTargets();

    std::vector<RenderTarget*> mTargets; // owned, in the order they were made
    RenderTarget* mBound = nullptr;      // bound by draw, released by postDraw
    bool mWarned = false;                // the warning for the present unknown name was given
};
