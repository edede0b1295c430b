// "waxon": the four targets, and the children of its timeline entry drawing into the chosen one.

#include "dis_fbo.h"
#include "dis_texture.h"
#include "glowfx_fixture.h"
#include "scr_reader.h"
#include "scr_script.h"
#include "waxon.h"

#include <string>

namespace glowfx {
namespace {

using norvane::script::Script;
using norvane::script::ScriptReader;

// A child entry's effect: notes where it was drawing and fills that with red.
class Probe : public norvane::corvista::Effect {
public:
    void draw(float, float, float) override {
        seenViewport = viewport();
        seenFramebuffer = framebuffer();
        ++draws;
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    std::vector<int> seenViewport;
    int seenFramebuffer = -1;
    int draws = 0;
};

class WaxOnTest : public GlowFxTest {
protected:
    void SetUp() override {
        GlowFxTest::SetUp();
        mWaxOn.mDisplay = mDisplay.get();
        mSetupOutput = printedBy([this] { mWaxOn.setup(); });
        mScript.registerCallback("waxon", &mWaxOn);
        mScript.registerCallback("probe", &mProbe);
    }

    // A "waxon" entry over 0..10 s with the given triggers and a child "probe".
    void load(const std::string& triggers) {
        const std::string text = "<script><effect name=\"waxon\" start=\"0\" end=\"10\">" + triggers +
                                 "<effect name=\"probe\" start=\"0\" end=\"10\"/></effect></script>";
        std::string error;
        ASSERT_TRUE(ScriptReader::loadScript(text.data(), static_cast<int>(text.size()), mScript, &error)) << error;
    }

    RenderTarget* target(const std::string& name) { return mShared.targets.at(name); }
    static std::vector<int> windowViewport() { return {0, 0, Width, Height}; }

    WaxOn mWaxOn{&mShared};
    Probe mProbe;
    Script mScript;
    std::string mSetupOutput;
};

TEST_F(WaxOnTest, SetupMakesFourNearestClampedTargetsOfTheirSizes) {
    EXPECT_EQ(occurrences(mSetupOutput, "WaxOn::setup:after()\n"), 1) << mSetupOutput;
    ASSERT_EQ(mShared.targets.size(), 4u);
    for (const char* name : {"screen", "glow1", "glow2", "hyper"}) {
        RenderTarget* t = target(name);
        ASSERT_NE(t, nullptr) << name;
        const bool small = std::string(name) == "hyper";
        EXPECT_EQ(t->fbo->mScreenX, small ? 64 : Width) << name;
        EXPECT_EQ(t->fbo->mScreenY, small ? 32 : Height) << name;
        EXPECT_EQ(t->texture->mWidth, t->fbo->mScreenX) << name;
        EXPECT_EQ(t->texture->mHeight, t->fbo->mScreenY) << name;
        ASSERT_TRUE(t->texture->isInited()) << name;
        EXPECT_EQ(t->texture->mTarget, static_cast<GLenum>(GL_TEXTURE_2D)) << name;
        t->texture->bind();
        GLint mag = 0, min = 0, wrapS = 0, wrapT = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
        t->texture->unbind();
        EXPECT_EQ(mag, GL_NEAREST) << name;
        EXPECT_EQ(min, GL_NEAREST) << name;
        EXPECT_EQ(wrapS, GL_CLAMP_TO_EDGE) << name;
        EXPECT_EQ(wrapT, GL_CLAMP_TO_EDGE) << name;
    }
    EXPECT_EQ(mWaxOn.mWhich, "hyper");
}

TEST_F(WaxOnTest, HyperChildrenDrawIntoA64By32TargetAndTheWindowViewportReturns) {
    load("<trigger name=\"which\" value=\"hyper\" start=\"0\"/>");
    ASSERT_TRUE(mScript.update(1.0f));
    EXPECT_EQ(mProbe.draws, 1);
    EXPECT_EQ(mProbe.seenViewport, (std::vector<int>{0, 0, 64, 32}));
    EXPECT_EQ(mProbe.seenFramebuffer, static_cast<int>(target("hyper")->fbo->mFrameBuffer));
    EXPECT_NE(mProbe.seenFramebuffer, 0);
    // After postDraw: the window, with its own viewport, untouched by the child.
    EXPECT_EQ(viewport(), windowViewport());
    EXPECT_EQ(framebuffer(), 0);
    EXPECT_EQ(windowPixel(Width / 2, Height / 2), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(targetPixel(target("hyper"), 0, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(targetPixel(target("hyper"), 63, 31), (Rgba{255, 0, 0, 255}));
}

TEST_F(WaxOnTest, WithoutAWhichTriggerTheEntryRendersIntoHyper) {
    load("");
    ASSERT_TRUE(mScript.update(0.5f));
    EXPECT_EQ(mProbe.seenFramebuffer, static_cast<int>(target("hyper")->fbo->mFrameBuffer));
    EXPECT_EQ(mProbe.seenViewport, (std::vector<int>{0, 0, 64, 32}));
    EXPECT_EQ(viewport(), windowViewport());
}

TEST_F(WaxOnTest, ScreenTargetTakesTheWindowSize) {
    load("<trigger name=\"which\" value=\"screen\" start=\"0\"/>");
    ASSERT_TRUE(mScript.update(0.5f));
    EXPECT_EQ(mProbe.seenFramebuffer, static_cast<int>(target("screen")->fbo->mFrameBuffer));
    EXPECT_EQ(mProbe.seenViewport, windowViewport());
    EXPECT_EQ(targetPixel(target("screen"), Width - 1, Height - 1), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(targetPixel(target("hyper"), 0, 0).r, 0); // never drawn into
}

TEST_F(WaxOnTest, AnEmptyWhichSendsTheChildrenToTheWindow) {
    load("<trigger name=\"which\" value=\"\" start=\"0\"/>");
    ASSERT_TRUE(mScript.update(0.5f));
    EXPECT_EQ(mWaxOn.mWhich, "");
    EXPECT_EQ(mProbe.seenFramebuffer, 0);
    EXPECT_EQ(mProbe.seenViewport, windowViewport());
    EXPECT_EQ(windowPixel(Width / 2, Height / 2), (Rgba{255, 0, 0, 255}));
}

TEST_F(WaxOnTest, AnUnknownWhichWarnsOnceAndSendsTheChildrenToTheWindow) {
    load("<trigger name=\"which\" value=\"nowhere\" start=\"0\"/>");
    const std::string printed = printedBy([this] {
        ASSERT_TRUE(mScript.update(0.5f));
        ASSERT_TRUE(mScript.update(0.6f));
        ASSERT_TRUE(mScript.update(0.7f));
    });
    EXPECT_EQ(occurrences(printed, "'nowhere'"), 1) << printed;
    EXPECT_NE(printed.find("[warning]"), std::string::npos) << printed;
    EXPECT_EQ(mProbe.draws, 3);
    EXPECT_EQ(mProbe.seenFramebuffer, 0);
    EXPECT_EQ(mProbe.seenViewport, windowViewport());
    EXPECT_EQ(windowPixel(1, 1), (Rgba{255, 0, 0, 255}));

    // A known name afterwards works again; naming the unknown one anew warns anew.
    mWaxOn.trigger(0, "which", "glow2");
    ASSERT_TRUE(mScript.update(0.8f));
    EXPECT_EQ(mProbe.seenFramebuffer, static_cast<int>(target("glow2")->fbo->mFrameBuffer));
    mWaxOn.trigger(0, "which", "nowhere");
    EXPECT_EQ(occurrences(printedBy([this] { mScript.update(0.9f); }), "'nowhere'"), 1);
}

TEST_F(WaxOnTest, EveryDrawClearsTheTargetToTransparentBlack) {
    mWaxOn.trigger(0, "which", "screen");
    glEnable(GL_BLEND); // whatever the effects before left: the children start from the default state
    glEnable(GL_TEXTURE_2D);
    mWaxOn.draw(0, 0, 0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glEnable(GL_BLEND);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    mWaxOn.postDraw(0, 0, 0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND)); // and so do the effects after
    EXPECT_EQ(targetPixel(target("screen"), 5, 5), (Rgba{0, 255, 0, 255}));
    mWaxOn.draw(0, 0, 0); // nothing drawn this time
    mWaxOn.postDraw(0, 0, 0);
    EXPECT_EQ(targetPixel(target("screen"), 5, 5), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(viewport(), windowViewport());
}

TEST_F(WaxOnTest, NamesAreExactAndTheMapLosesTheTargetsWithTheEffect) {
    mWaxOn.trigger(0, "Which", "screen");
    EXPECT_EQ(mWaxOn.mWhich, "hyper");
    mShared.targets["other"] = nullptr; // not one of ours: stays
    {
        WaxOn local(&mShared); // replaces the fixture's four entries
        local.mDisplay = mDisplay.get();
        printedBy([&] { local.setup(); });
        EXPECT_EQ(mShared.targets.size(), 5u);
        printedBy([&] { local.setup(); }); // made afresh, not added to
        EXPECT_EQ(mShared.targets.size(), 5u);
        local.trigger(0, "which", "screen");
        local.draw(0, 0, 0); // destroyed while bound: the window is current again
    }
    EXPECT_EQ(framebuffer(), 0);
    EXPECT_EQ(viewport(), windowViewport());
    ASSERT_EQ(mShared.targets.size(), 1u);
    EXPECT_EQ(mShared.targets.count("other"), 1u);
}

} // namespace
} // namespace glowfx
