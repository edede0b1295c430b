// "tunnel": the cubes made at set-up, the camera on its curve, the banners of the first twelve
// seconds, the triggers, and frames that are the same on every run.

#include "e2e_process.h"
#include "glowfx_fixture.h"
#include "scr_reader.h"
#include "scr_script.h"
#include "tunnel.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

namespace glowfx {
namespace {

using norvane::display::VertexP3N3C4b;
using norvane::mathbase::Matrix4x4Col;
using Vec3 = Tunnel::Vec3;

class TunnelTest : public GlowFxTest {
protected:
    void SetUp() override {
        GlowFxTest::SetUp();
        mTunnel.mDisplay = mDisplay.get();
        mSetupOutput = printedBy([this] { mTunnel.setup(); });
    }

    // The vertex and index buffers as set-up left them.
    std::vector<VertexP3N3C4b> vertices() {
        std::vector<VertexP3N3C4b> out(static_cast<size_t>(mTunnel.mVertexCount));
        mTunnel.mVertices.bind();
        const void* data = mTunnel.mVertices.lock(false, true);
        std::memcpy(out.data(), data, out.size() * sizeof(VertexP3N3C4b));
        mTunnel.mVertices.unlock();
        mTunnel.mVertices.unbind();
        return out;
    }
    std::vector<uint32_t> indices() {
        std::vector<uint32_t> out(static_cast<size_t>(mTunnel.mIndexCount));
        mTunnel.mIndices.bind();
        const void* data = mTunnel.mIndices.lock(false, true);
        std::memcpy(out.data(), data, out.size() * sizeof(uint32_t));
        mTunnel.mIndices.unlock();
        mTunnel.mIndices.unbind();
        return out;
    }

    // One frame at local time t over a black window.
    std::vector<unsigned char> frame(Tunnel& tunnel, float t, float step = 0.02f) {
        clearWindow();
        tunnel.draw(t, step, 0);
        return readWindow();
    }

    static Matrix4x4Col expectedView(float u, float roll) {
        Matrix4x4Col view;
        view.setLookAt(Tunnel::frameAt(u).position, Tunnel::frameAt(u + 0.04f).position, roll);
        return view;
    }

    Tunnel mTunnel{&mShared};
    std::string mSetupOutput;
};

TEST_F(TunnelTest, SetupFillsTheBuffersWithElevenThousandCubes) {
    EXPECT_EQ(occurrences(mSetupOutput, "Created 11249 cubes\n"), 1) << mSetupOutput;
    EXPECT_EQ(mTunnel.mVertexCount, 89992);
    EXPECT_EQ(mTunnel.mIndexCount, 269976);
    EXPECT_TRUE(mTunnel.mGreets.isInited());
    EXPECT_TRUE(mTunnel.mGreets.mMipmaps);
    EXPECT_TRUE(mTunnel.mProgram.isLinked());
    // Full: another cube neither fits nor changes anything.
    EXPECT_FALSE(mTunnel.addCube(Matrix4x4Col(), 1, 1, 1));
    EXPECT_EQ(mTunnel.mVertexCount, 89992);
    EXPECT_EQ(mTunnel.mIndexCount, 269976);
}

TEST_F(TunnelTest, EveryCubeIsAScaledCubeAroundTheCurveWithItsColour) {
    const std::vector<VertexP3N3C4b> v = vertices();
    const std::vector<uint32_t> idx = indices();
    for (int cube = 0; cube < 11249; cube += 97) {
        const VertexP3N3C4b* c = &v[static_cast<size_t>(cube) * 8];
        const float size = (c[4].pos[0] - c[0].pos[0]) / 2.0f;
        EXPECT_GE(size, 0.2299f);
        EXPECT_LE(size, 0.3501f);
        const Vec3 centre((c[0].pos[0] + c[7].pos[0]) / 2, (c[0].pos[1] + c[7].pos[1]) / 2,
                          (c[0].pos[2] + c[7].pos[2]) / 2);
        // Corners: x -1 then +1, y +1 then -1, z -1 then +1 (z innermost).
        for (int k = 0; k < 8; ++k) {
            const float x = (k & 4) ? 1.0f : -1.0f, y = (k & 2) ? -1.0f : 1.0f, z = (k & 1) ? 1.0f : -1.0f;
            EXPECT_NEAR(c[k].pos[0], centre.x + size * x, 1e-4f);
            EXPECT_NEAR(c[k].pos[1], centre.y + size * y, 1e-4f);
            EXPECT_NEAR(c[k].pos[2], centre.z + size * z, 1e-4f);
            const float root3 = std::sqrt(3.0f);
            EXPECT_NEAR(c[k].nor[0], size * x / root3, 1e-5f);
            EXPECT_NEAR(c[k].nor[1], size * y / root3, 1e-5f);
            EXPECT_NEAR(c[k].nor[2], size * z / root3, 1e-5f);
            const bool even = cube % 2 == 0;
            EXPECT_EQ(c[k].col[0], even ? 76 : 12);
            EXPECT_EQ(c[k].col[1], even ? 51 : 12);
            EXPECT_EQ(c[k].col[2], even ? 51 : 12);
            EXPECT_EQ(c[k].col[3], 255);
        }
        // Six quads of this cube's own vertices.
        static const uint32_t faces[24] = {4, 5, 7, 6, 5, 1, 3, 7, 1, 0, 2, 3, 0, 4, 6, 2, 7, 3, 2, 6, 1, 5, 4, 0};
        for (int k = 0; k < 24; ++k) EXPECT_EQ(idx[static_cast<size_t>(cube) * 24 + k], faces[k] + 8u * cube);
        // Near the curve: no further from some point of it than the tube's widest radius.
        float nearest = 1e9f;
        for (int s = 0; s < 4000; ++s) {
            const Vec3 d = Tunnel::frameAt(s / 4000.0f).position - centre;
            nearest = std::min(nearest, d.length());
        }
        EXPECT_LT(nearest, 2.6f) << "cube " << cube;
    }
}

TEST_F(TunnelTest, TheSameCubesOnEverySetUp) {
    const std::vector<VertexP3N3C4b> first = vertices();
    const std::vector<uint32_t> firstIndices = indices();
    Tunnel other(&mShared);
    other.mDisplay = mDisplay.get();
    printedBy([&] { other.setup(); });
    ASSERT_EQ(other.mVertexCount, mTunnel.mVertexCount);
    std::vector<VertexP3N3C4b> second(first.size());
    other.mVertices.bind();
    std::memcpy(second.data(), other.mVertices.lock(false, true), second.size() * sizeof(VertexP3N3C4b));
    other.mVertices.unlock();
    other.mVertices.unbind();
    EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(VertexP3N3C4b)), 0);
    std::vector<uint32_t> secondIndices(firstIndices.size());
    other.mIndices.bind();
    std::memcpy(secondIndices.data(), other.mIndices.lock(false, true), secondIndices.size() * sizeof(uint32_t));
    other.mIndices.unlock();
    other.mIndices.unbind();
    EXPECT_EQ(firstIndices, secondIndices);
}

TEST_F(TunnelTest, ParametersStartAtZeroAndTheEyeStartsAtTheTopOfTheCurve) {
    Tunnel fresh(&mShared);
    EXPECT_EQ(fresh.mParam, 0.0f);
    EXPECT_EQ(fresh.mParam2, 0.0f);
    mTunnel.draw(0.0f, 0.0f, 0.0f);
    const Matrix4x4Col& view = mDisplay->getViewMatrix();
    // The eye (0, 3.7, 16) goes to the origin of the view; the look-at point lies straight ahead,
    // and it is towards +x.
    Vec3 eye, ahead;
    view.transformPoint(eye, Vec3(0.0f, 3.7f, 16.0f));
    EXPECT_NEAR(eye.length(), 0.0f, 1e-4f);
    const Vec3 lookAt = Tunnel::frameAt(0.04f).position;
    EXPECT_GT(lookAt.x, 0.0f);
    view.transformPoint(ahead, lookAt);
    EXPECT_NEAR(ahead.x, 0.0f, 1e-4f);
    EXPECT_NEAR(ahead.y, 0.0f, 1e-4f);
    EXPECT_LT(ahead.z, 0.0f);
}

TEST_F(TunnelTest, ParamsAddUpAndVelkinTurnsTheViewForGood) {
    mTunnel.setValue(0, "param", 0.25f);
    mTunnel.setValue(0, "param2", 0.125f);
    mTunnel.setValue(0, "Param", 0.9f); // names are exact
    mTunnel.draw(1.5f, 0.02f, 0);
    const Matrix4x4Col before = mDisplay->getViewMatrix();
    const Matrix4x4Col expected = expectedView(0.375f, 1.5f);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(before[i], expected[i], 1e-5f) << i;

    mTunnel.trigger(0, "velkin", "");
    mTunnel.draw(1.5f, 0.02f, 0);
    const Matrix4x4Col turned = expectedView(0.375f, 1.7f);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(mDisplay->getViewMatrix()[i], turned[i], 1e-5f) << i;
    mTunnel.draw(3.0f, 0.02f, 0);
    const Matrix4x4Col later = expectedView(0.375f, 3.2f);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(mDisplay->getViewMatrix()[i], later[i], 1e-5f) << i;
    EXPECT_EQ(Tunnel::turns(), 1.0f);
}

TEST_F(TunnelTest, BaseFadesInAQuarterSecondAndNeverGrowsBackwards) {
    mTunnel.trigger(0, "base", "");
    EXPECT_EQ(Tunnel::base(), 1.0f);
    mTunnel.draw(0, 0.1f, 0);
    EXPECT_NEAR(Tunnel::base(), 0.6f, 1e-6f);
    mTunnel.draw(0, -2.0f, 0); // a seek backwards
    EXPECT_NEAR(Tunnel::base(), 0.6f, 1e-6f);
    mTunnel.draw(0, 0.2f, 0);
    EXPECT_EQ(Tunnel::base(), 0.0f);
}

TEST_F(TunnelTest, BannersStandOnlyInTheFirstTwelveSeconds) {
    // Just before the first banner, looking at it. The view turns with the local time, so the
    // frame with banners at 11.8 s takes a "velkin" to stand at the same roll as the one at 12 s.
    mTunnel.setValue(0, "white", 0.0f);
    mTunnel.setValue(0, "param", 0.2f - 0.015f);
    const std::vector<unsigned char> without = frame(mTunnel, 12.0f);
    savePicture("tunnel_no_banner");
    EXPECT_TRUE(frame(mTunnel, 12.0f) == without);
    mTunnel.trigger(0, "velkin", "");
    const std::vector<unsigned char> with = frame(mTunnel, 11.8f);
    savePicture("tunnel_banner");
    int changed = 0;
    for (size_t i = 0; i < with.size(); i += 4)
        if (std::abs(with[i] - without[i]) + std::abs(with[i + 1] - without[i + 1]) +
                std::abs(with[i + 2] - without[i + 2]) > 30)
            ++changed;
    EXPECT_GT(changed, Width * Height / 40);
    // State as the tunnel leaves it: depth writes on, texturing off, the greets texture unbound.
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(mDisplay->getCurrentVBO(), nullptr);
    EXPECT_EQ(mDisplay->getCurrentIBO(), nullptr);
}

TEST_F(TunnelTest, WhiteAlphaAndTheBaseFlashChangeTheWalls) {
    mTunnel.setValue(0, "param", 0.3f);
    mTunnel.setValue(0, "white", 0.0f);
    auto mean = [this]() {
        const std::vector<unsigned char> p = readWindow();
        double sum = 0;
        for (size_t i = 0; i < p.size(); i += 4) sum += p[i] + p[i + 1] + p[i + 2];
        return sum / (p.size() / 4 * 3);
    };
    frame(mTunnel, 13.0f);
    const double coloured = mean();
    mTunnel.setValue(0, "white", 1.0f);
    frame(mTunnel, 13.0f);
    const double white = mean();
    EXPECT_GT(white, coloured * 1.5);
    mTunnel.setValue(0, "white", 0.0f);
    mTunnel.trigger(0, "base", "");
    frame(mTunnel, 13.0f, 0.05f); // base 0.8
    EXPECT_GT(mean(), coloured * 1.5);
    mTunnel.setValue(0, "alpha", 0.0f);
    frame(mTunnel, 13.0f, 1.0f);
    EXPECT_EQ(mean(), 0.0);
}

// Frames at fixed times from a tunnel of its own in a window of its own.
std::vector<std::vector<unsigned char>> tunnelFrames(const char* title) {
    const int width = 120, height = 80;
    norvane::am::ArchiveManager archives;
    archives.addArchive(GLOWFX_DEMO_DIR);
    norvane::display::WindowMode mode;
    mode.title = title;
    mode.width = width;
    mode.height = height;
    norvane::display::DisplayGL display(mode);
    display.open();
    display.setArchive(&archives);
    Tunnel::resetShared();
    EffectShared shared;
    Tunnel tunnel(&shared);
    tunnel.mDisplay = &display;
    printedBy([&] { tunnel.setup(); });
    tunnel.setValue(0, "white", 0.0f);
    std::vector<std::vector<unsigned char>> frames;
    for (float t : {0.5f, 6.0f, 13.0f}) {
        tunnel.setValue(0, "param", t / 20.0f);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        tunnel.draw(t, 0.02f, 0);
        std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        frames.push_back(pixels);
    }
    return frames;
}

TEST(TunnelWindowTest, FramesAtFixedTimesAreTheSameInEveryWindow) {
    const std::vector<std::vector<unsigned char>> first = tunnelFrames("glowfx tunnel a");
    const std::vector<std::vector<unsigned char>> second = tunnelFrames("glowfx tunnel b");
    ASSERT_EQ(first.size(), 3u);
    for (size_t n = 0; n < first.size(); ++n) {
        EXPECT_TRUE(first[n] == second[n]) << "frame " << n;
        size_t lit = 0;
        for (size_t i = 0; i < first[n].size(); i += 4) lit += first[n][i] > 0;
        EXPECT_GT(lit, first[n].size() / 40) << "frame " << n << " shows hardly anything";
    }
}

// The real program run twice over the same timeline writes the same frames.
TEST(TunnelRunTest, TwoRunsOfTheProgramDumpTheSameFrames) {
    const std::string setup = std::string("<?xml version=\"1.0\"?>\n<demo>\n\t<archive path=\"") + GLOWFX_DEMO_DIR +
                              "\"/>\n\t<display width=\"96\" height=\"64\" title=\"glowfx-runs\"/>\n"
                              "\t<script filename=\"s.xml\"/>\n\t<dump name=\"frames/f.png\" rate=\"4\"/>\n"
                              "\t<music filename=\"absent.ogg\"/>\n</demo>\n";
    const std::string script = R"(<script>
	<effect name="waxon" start="0" end="2.5">
		<trigger name="which" value="screen" start="0"/>
		<effect name="tunnel" start="0" end="2.5">
			<trigger name="base" start="1"/>
			<spline name="white" type="linear"><key time="0" value="0"/></spline>
			<spline name="param" type="linear"><key time="0" value="0.18"/><key time="2.5" value="0.25"/></spline>
		</effect>
	</effect>
	<effect name="waxon_draw" start="0" end="2.5">
		<trigger name="beat" start="0.5" repeat="2" delay="1"/>
	</effect>
</script>
)";
    e2e::TempDir first, second;
    for (const e2e::TempDir* dir : {&first, &second}) {
        dir->write("setup.xml", setup);
        dir->write("s.xml", script);
        const e2e::Result result = e2e::run(HALCYRA_PROGRAM, dir->path(), 60);
        ASSERT_TRUE(result.ended);
        ASSERT_EQ(result.status, 0) << result.out << result.err;
        EXPECT_NE(result.out.find("Created 11249 cubes"), std::string::npos);
    }
    auto name = [](int n) {
        char text[64];
        std::snprintf(text, sizeof(text), "frames/f.%06d.png", n);
        return std::string(text);
    };
    int frames = 0;
    while (first.exists(name(frames))) ++frames;
    EXPECT_GE(frames, 10);
    for (int n = 0; n < frames; ++n) ASSERT_EQ(first.read(name(n)), second.read(name(n))) << "frame " << n;
    EXPECT_FALSE(second.exists(name(frames)));
}

} // namespace
} // namespace glowfx
