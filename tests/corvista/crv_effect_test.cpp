#include "crv_effect.h"
#include "scr_script.h"

#include <gtest/gtest.h>

namespace {

// An effect that only draws: everything else keeps the base's do-nothing behaviour.
class DrawOnly : public norvane::corvista::Effect {
public:
    void draw(float local, float, float) override { mDrawn.push_back(local); }
    std::vector<float> mDrawn;
};

} // namespace

TEST(Effect, OverridingOnlyDrawIsEnough) {
    DrawOnly effect;
    EXPECT_EQ(effect.mDisplay, nullptr);
    EXPECT_TRUE(effect.mName.empty());
    effect.setup();

    norvane::script::Script script;
    script.registerCallback("only", &effect);
    auto e = std::make_unique<norvane::script::EffectEntry>();
    e->mName = "only";
    e->mEnabled = true;
    e->mEnd = 4.0f;
    e->mTriggers.push_back(std::make_unique<norvane::script::Trigger>());
    e->mTracks.push_back(std::make_unique<norvane::script::SplineTrack>());
    e->mTracks[0]->addKey({0.0f, 1.0f, 0, 0});
    script.mEntries.push_back(std::move(e));
    script.computeLength();
    EXPECT_TRUE(script.update(1.0f));
    EXPECT_TRUE(script.update(2.0f));
    EXPECT_EQ(effect.mDrawn, (std::vector<float>{1.0f, 2.0f}));
}

TEST(Effect, DestroyedThroughTheCallbackInterface) {
    norvane::script::Callback* callback = new DrawOnly();
    static_cast<DrawOnly*>(callback)->mName = "named";
    delete callback; // the sanitizer build reports a leak of the name if the destructor were not virtual
}
