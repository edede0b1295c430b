// "waxon_draw": the captured picture with its separable glow, the "hyper" overlay, the beat's fade
// and the weights it prints.

#include "dis_fbo.h"
#include "dis_texture.h"
#include "glowfx_fixture.h"
#include "nvn_system.h"
#include "waxon.h"
#include "waxon_draw.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace glowfx {
namespace {

class GlowTest : public GlowFxTest {
protected:
    void SetUp() override {
        GlowFxTest::SetUp();
        mWaxOn.mDisplay = mDisplay.get();
        mDraw.mDisplay = mDisplay.get();
        printedBy([this] { mWaxOn.setup(); });
        mSetupOutput = printedBy([this] { mDraw.setup(); });
    }

    RenderTarget* target(const std::string& name) { return mShared.targets.at(name); }

    // Fills a target with one colour and, optionally, a single pixel of another.
    void paint(RenderTarget* t, float r, float g, float b, float a, int x = -1, int y = -1) {
        t->fbo->bind();
        glClearColor(r, g, b, a);
        glClear(GL_COLOR_BUFFER_BIT);
        if (x >= 0) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(x, y, 1, 1);
            glClearColor(1, 1, 1, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            glDisable(GL_SCISSOR_TEST);
        }
        t->fbo->unbind();
    }

    // The Gaussian of the shaders, normalised over its nine taps.
    static float kernel(int i) {
        float sum = WaxOnDraw::weight(0);
        for (int k = 1; k <= 4; ++k) sum += 2.0f * WaxOnDraw::weight(k);
        return std::abs(i) > 4 ? 0.0f : WaxOnDraw::weight(std::abs(i)) / sum;
    }
    // The vertical pass's strength at a beat level.
    static float gain(float beat) { return 0.5f + 1.5f * beat; }

    float beatUniform() {
        GLfloat value = -1.0f;
        glGetUniformfv(mDraw.mVertical.getHandle(), glGetUniformLocation(mDraw.mVertical.getHandle(), "beat"), &value);
        return value;
    }

    WaxOn mWaxOn{&mShared};
    WaxOnDraw mDraw{&mShared};
    std::string mSetupOutput;
};

TEST_F(GlowTest, SetupLinksAllThreeProgramsAndPrintsTheWeights) {
    EXPECT_EQ(mSetupOutput, "Gaussian filter at 0: 1.000000\n"
                            "Gaussian filter at 1: 0.945959\n"
                            "Gaussian filter at 2: 0.800737\n"
                            "Gaussian filter at 3: 0.606531\n"
                            "Gaussian filter at 4: 0.411112\n"
                            "total: 0.265651\n");
    EXPECT_TRUE(mDraw.mHorizontal.isLinked());
    EXPECT_TRUE(mDraw.mVertical.isLinked());
    EXPECT_TRUE(mDraw.mFilter.isLinked());
    EXPECT_EQ(mDraw.mWhich, "screen");
}

TEST_F(GlowTest, OneBrightPixelGlowsAsTheKernelSays) {
    const int cx = Width / 2, cy = Height / 2;
    paint(target("screen"), 0, 0, 0, 0, cx, cy);
    mDraw.trigger(0, "beat", "");
    mDraw.draw(0, 0.1f, 0);
    savePicture("glow_one_pixel");
    ASSERT_FLOAT_EQ(WaxOnDraw::beat(), 1.0f);

    // Across: one row of nine taps in "glow1", nothing above or below it.
    int across[9];
    for (int i = -5; i <= 5; ++i) {
        const Rgba p = targetPixel(target("glow1"), cx + i, cy);
        EXPECT_NEAR(p.r, 255.0f * kernel(i), 1.0f) << "tap " << i;
        EXPECT_EQ(p.g, p.r);
        EXPECT_EQ(p.b, p.r);
        if (std::abs(i) <= 4) across[i + 4] = p.r;
        EXPECT_EQ(targetPixel(target("glow1"), cx + i, cy + 1).r, 0);
        EXPECT_EQ(targetPixel(target("glow1"), cx + i, cy - 1).r, 0);
    }
    // Down: each column of "glow2" is that tap blurred again, stronger on the beat.
    int down[9][9];
    for (int j = -4; j <= 4; ++j)
        for (int i = -4; i <= 4; ++i) {
            down[j + 4][i + 4] = targetPixel(target("glow2"), cx + i, cy + j).r;
            EXPECT_NEAR(down[j + 4][i + 4], across[i + 4] * kernel(j) * gain(1.0f), 1.01f) << i << ", " << j;
        }
    EXPECT_EQ(targetPixel(target("glow2"), cx, cy + 5).r, 0);
    EXPECT_EQ(targetPixel(target("glow2"), cx + 5, cy).r, 0);
    // Symmetric both ways, brightest at the centre and falling off along both axes.
    for (int j = 0; j <= 4; ++j)
        for (int i = 0; i <= 4; ++i) {
            EXPECT_EQ(down[4 + j][4 + i], down[4 - j][4 + i]) << i << ", " << j;
            EXPECT_EQ(down[4 + j][4 + i], down[4 + j][4 - i]) << i << ", " << j;
            if (i || j) {
                EXPECT_LT(down[4 + j][4 + i], down[4][4]) << i << ", " << j;
            }
        }
    for (int k = 1; k <= 4; ++k) {
        EXPECT_LE(down[4][4 + k], down[4][3 + k]);
        EXPECT_LE(down[4 + k][4], down[3 + k][4]);
    }
    // On the screen: the picture (its one white pixel) with the glow added around it.
    EXPECT_EQ(windowPixel(cx, cy), (Rgba{255, 255, 255, 255}));
    for (int j = -4; j <= 4; ++j)
        for (int i = -4; i <= 4; ++i)
            if (i || j) {
                EXPECT_EQ(windowPixel(cx + i, cy + j).g, down[j + 4][i + 4]) << i << ", " << j;
            }
    EXPECT_EQ(windowPixel(cx + 6, cy).r, 0);
    EXPECT_EQ(windowPixel(cx, cy - 6).r, 0);
}

TEST_F(GlowTest, TheGlowFollowsTheBeat) {
    const int cx = Width / 2, cy = Height / 2;
    paint(target("screen"), 0, 0, 0, 0, cx, cy);
    mDraw.draw(0, 0.1f, 0); // no beat: the weakest glow
    const int quiet = windowPixel(cx + 1, cy).r;
    EXPECT_FLOAT_EQ(beatUniform(), 0.0f);
    mDraw.trigger(0, "beat", "");
    clearWindow();
    mDraw.draw(0, 0.1f, 0);
    EXPECT_FLOAT_EQ(beatUniform(), 1.0f); // the whole beat on its own frame
    const int loud = windowPixel(cx + 1, cy).r;
    EXPECT_NEAR(loud, quiet * gain(1.0f) / gain(0.0f), 2.0f);
    clearWindow();
    mDraw.draw(0, 0.1f, 0);
    EXPECT_NEAR(beatUniform(), 0.8f, 1e-6f);
    EXPECT_GT(windowPixel(cx + 1, cy).r, quiet);
    EXPECT_LT(windowPixel(cx + 1, cy).r, loud);
}

TEST_F(GlowTest, ThePictureShowsWhole) {
    // Darker than the glow's knee: the picture alone, exactly as captured, even its alpha ignored.
    paint(target("screen"), 0.3f, 0.2f, 0.1f, 0.0f);
    const Rgba captured = targetPixel(target("screen"), 0, 0);
    EXPECT_NEAR(captured.r, 77, 1);
    clearWindow(1, 1, 1);
    mDraw.draw(0, 0.1f, 0);
    for (int y : {0, Height / 2, Height - 1})
        for (int x : {0, Width / 3, Width - 1}) {
            const Rgba p = windowPixel(x, y);
            EXPECT_EQ(p.r, captured.r) << x << ", " << y;
            EXPECT_EQ(p.g, captured.g) << x << ", " << y;
            EXPECT_EQ(p.b, captured.b) << x << ", " << y;
        }
    // A bright picture glows: every pixel gets the same added light away from the edges.
    paint(target("screen"), 0.5f, 0.5f, 0.5f, 1.0f);
    mDraw.draw(0, 0.1f, 0);
    const int glowing = windowPixel(Width / 2, Height / 2).r;
    EXPECT_NEAR(glowing, 128 + 255 * (0.5f - 0.35f) / 0.65f * gain(0.0f), 2.0f);
    EXPECT_EQ(windowPixel(Width / 3, Height / 3).r, glowing);
}

TEST_F(GlowTest, HyperIsAnAdditiveOverlayOnlyOnTheBeat) {
    mDraw.trigger(0, "which", "hyper");
    paint(target("hyper"), 0.5f, 0.25f, 1.0f, 1.0f);
    clearWindow(0.2f, 0.2f, 0.2f);
    mDraw.draw(0, 0.1f, 0); // alpha -0.1: nothing
    EXPECT_EQ(windowPixel(Width / 2, Height / 2), (Rgba{51, 51, 51, 255}));

    mDraw.trigger(0, "beat", "");
    mDraw.draw(0, 0.25f, 0); // alpha 1.9, taken as 1
    Rgba p = windowPixel(Width / 2, Height / 2);
    EXPECT_EQ(p.r, 51 + 128);
    EXPECT_EQ(p.g, 51 + 64);
    EXPECT_EQ(p.b, 255);

    clearWindow(0.2f, 0.2f, 0.2f);
    mDraw.draw(0, 0.25f, 0); // beat 0.5: alpha 0.9
    EXPECT_FLOAT_EQ(WaxOnDraw::beat(), 0.5f);
    p = windowPixel(Width - 1, 0);
    EXPECT_NEAR(p.r, 51 + 0.9f * 128, 1.5f);
    EXPECT_NEAR(p.g, 51 + 0.9f * 64, 1.5f);

    mDraw.draw(0, -3.0f, 0); // a seek backwards: no brighter
    EXPECT_FLOAT_EQ(WaxOnDraw::beat(), 0.5f);
    clearWindow(0.2f, 0.2f, 0.2f);
    mDraw.draw(0, 0.25f, 0);
    EXPECT_FLOAT_EQ(WaxOnDraw::beat(), 0.0f);
    EXPECT_EQ(windowPixel(Width / 2, Height / 2), (Rgba{51, 51, 51, 255}));
}

TEST_F(GlowTest, EmptyOrUnknownWhichDrawsNothingButFadesTheBeat) {
    paint(target("screen"), 1, 1, 1, 1);
    mDraw.trigger(0, "beat", "");
    mDraw.trigger(0, "which", "");
    clearWindow(0, 0, 1);
    mDraw.draw(0, 0.1f, 0);
    EXPECT_FLOAT_EQ(WaxOnDraw::beat(), 1.0f);
    mDraw.draw(0, 0.1f, 0);
    EXPECT_NEAR(WaxOnDraw::beat(), 0.8f, 1e-6f);
    EXPECT_EQ(windowPixel(Width / 2, Height / 2), (Rgba{0, 0, 255, 255}));

    mDraw.trigger(0, "which", "elsewhere");
    const std::string printed = printedBy([this] {
        mDraw.draw(0, 0.1f, 0);
        mDraw.draw(0, 0.1f, 0);
    });
    EXPECT_EQ(occurrences(printed, "'elsewhere'"), 1) << printed;
    EXPECT_NEAR(WaxOnDraw::beat(), 0.4f, 1e-6f);
    EXPECT_EQ(windowPixel(Width / 2, Height / 2), (Rgba{0, 0, 255, 255}));
    GLint texture = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    EXPECT_EQ(texture, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(GlowTest, WithoutItsGlowTargetsTheScreenStillShowsThePicture) {
    EffectShared lonely;
    lonely.targets["screen"] = target("screen");
    WaxOnDraw draw(&lonely);
    draw.mDisplay = mDisplay.get();
    printedBy([&] { draw.setup(); });
    paint(target("screen"), 1, 1, 1, 1);
    const std::string printed = printedBy([&] { draw.draw(0, 0.1f, 0); });
    EXPECT_NE(printed.find("'glow1'"), std::string::npos) << printed;
    EXPECT_EQ(windowPixel(3, 3), (Rgba{255, 255, 255, 255}));
}

TEST_F(GlowTest, AMissingShaderFileFailsTheSetupNamingIt) {
    const std::string empty = std::filesystem::temp_directory_path() / "glowfx_no_shaders";
    std::filesystem::create_directories(empty);
    norvane::am::ArchiveManager nothing;
    nothing.addArchive(empty);
    mDisplay->setArchive(&nothing);
    WaxOnDraw draw(&mShared);
    draw.mDisplay = mDisplay.get();
    try {
        draw.setup();
        ADD_FAILURE() << "no exception";
    } catch (const norvane::Exception& error) {
        EXPECT_NE(std::string(error.what()).find("glow/glow.vert"), std::string::npos) << error.what();
    }
    mDisplay->setArchive(&mArchives);
}

} // namespace
} // namespace glowfx
