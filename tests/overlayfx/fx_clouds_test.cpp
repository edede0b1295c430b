// "clouds": the generated particles, their back-to-front order checked by pixels against a depth
// buffer, the visible share, depth testing, the lights, the camera it borrows and frames dumped
// from a short timeline with "hyperkub" moving the camera.

#include "clear.h"
#include "clouds.h"
#include "effect_shared.h"
#include "fx_harness.h"
#include "hyperkub.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using fx::Frame;
using fx::Harness;
using fx::Rgb;
typedef norvane::mathbase::Vector3T<float> Vec3;

namespace {

const int W = 160, H = 120;

// Particles drawn as opaque squares whose colour tells the depth of their centre, red coarse and
// green fine, so that a pixel shows which particle covers it.
const char* const kDepthVert = R"(#version 120
uniform vec3 cameraUp;
uniform vec3 cameraRight;
varying vec4 shade;
void main() {
    vec2 spread = gl_MultiTexCoord0.xy * 2.0 - 1.0;
    vec3 p = gl_Vertex.xyz + (cameraRight * spread.x + cameraUp * spread.y) * gl_Normal.x;
    float depth = -(gl_ModelViewMatrix * vec4(gl_Vertex.xyz, 1.0)).z;
    float k = clamp((depth - 40.0) / 40.0, 0.0, 1.0);
    shade = vec4(k, fract(k * 64.0), 0.0, 1.0);
    gl_Position = gl_ModelViewProjectionMatrix * vec4(p, 1.0);
}
)";
const char* const kDepthFrag = R"(#version 120
varying vec4 shade;
void main() { gl_FragColor = shade; }
)";

Frame readBack(int width, int height) {
    Frame frame;
    frame.width = width;
    frame.height = height;
    frame.rgba.assign(static_cast<size_t>(width) * height * 4, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, frame.rgba.data());
    return frame;
}

int differing(const Frame& a, const Frame& b) {
    int n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const Rgb p = a.at(x, y), q = b.at(x, y);
            n += std::abs(p.r - q.r) > 1 || std::abs(p.g - q.g) > 1;
        }
    return n;
}

void clearTo(float grey) {
    glClearColor(grey, grey, grey, 1);
    glClearDepth(1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

class CloudsTest : public ::testing::Test {
protected:
    void make(const std::vector<std::string>& archives = {}) {
        mHarness.reset(new Harness(W, H, archives));
        mHarness->add("clouds", &mClouds);
        mClouds.setup();
    }
    void look(const Vec3& eye, const Vec3& target) {
        mShared.camera.eye = eye;
        mShared.camera.target = target;
        mShared.camera.roll = 0;
    }

    // The window goes after the effect's GL objects.
    std::unique_ptr<Harness> mHarness;
    EffectShared mShared;
    Clouds mClouds{&mShared};
};

TEST_F(CloudsTest, TheCloudIsTheSameFixedSequenceEveryRun) {
    make();
    ASSERT_EQ(mClouds.particles.size(), 3500u);
    EXPECT_EQ(mClouds.intensity, 0.0f);
    EXPECT_FALSE(mClouds.usez);
    // The first particle, from the generator by hand.
    uint32_t seed = 12456789u;
    auto next = [&seed]() { return seed = seed * 69069u + 5u; };
    next();
    next();
    const double d = next() * 2.3981557e-9 + 2, size = 0.6 + next() / 4294967296.0 * (0.5 * d + 0.1);
    const double brightness = 0.32 + next() * 1.8626452e-10, phi = next() / 4294967296.0 * 6.283185307;
    const double z = 2.0 * next() / 4294967296.0 - 1, h = std::sqrt(1 - z * z);
    const CloudParticle& first = mClouds.particles[0];
    EXPECT_EQ(first.index, 0);
    EXPECT_NEAR(first.position.x, d * h * std::cos(phi), 1e-4);
    EXPECT_NEAR(first.position.y, d * h * std::sin(phi), 1e-4);
    EXPECT_NEAR(first.position.z, d * z, 1e-4);
    // Its four vertices sit at the centre and carry size, brightness and the corners.
    mClouds.vertices.bind();
    const auto* v = static_cast<const norvane::display::VertexP3N3T2*>(mClouds.vertices.lock(false, true));
    static const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(v[c].pos[0], first.position.x);
        EXPECT_NEAR(v[c].nor[0], size, 1e-5);
        EXPECT_NEAR(v[c].nor[1], brightness, 1e-5);
        EXPECT_EQ(v[c].tex[0], corners[c][0]);
        EXPECT_EQ(v[c].tex[1], corners[c][1]);
    }
    // Every particle between 2 and 12.3 from the middle.
    for (const CloudParticle& p : mClouds.particles) {
        ASSERT_GE(p.position.length(), 1.999f);
        ASSERT_LE(p.position.length(), 12.301f);
    }
    mClouds.vertices.unlock();
    mClouds.vertices.unbind();
}

TEST_F(CloudsTest, ANearerParticleCoversAFartherOne) {
    fx::TempDir shaders;
    shaders.write("clouds/particle.vert", kDepthVert);
    shaders.write("clouds/particle.frag", kDepthFrag);
    make({shaders.path()});
    look(Vec3(9, 12, 57), Vec3(0.5f, 0, 0)); // the whole cloud in view
    mClouds.setValue(0, "alpha", 1.0f);
    mClouds.setValue(0, "intensity", 1.0f);

    // Blended in the sorted order, without depth testing.
    clearTo(0);
    mClouds.draw(1.0f, 0.02f, 0);
    const Frame painted = readBack(W, H);
    Harness::dump(painted, "clouds_depth_painted");

    // The same squares through a depth buffer: the nearest wins whatever the order. The same
    // view, with near and far planes close around the cloud for the depth buffer's precision.
    auto depthTested = [&](GLenum test) {
        norvane::mathbase::Matrix4x4Col projection;
        projection.setPerspective(0.7853982f, static_cast<float>(W) / H, 30.0f, 90.0f);
        mHarness->display().setProjection(projection);
        clearTo(0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(test);
        glDepthMask(GL_TRUE);
        mHarness->display().setVBO(&mClouds.vertices);
        mHarness->display().setIBO(&mClouds.indices);
        mClouds.material.use();
        mHarness->display().draw(GL_QUADS, 0, 4 * 3500, -1, -1);
        mClouds.material.unuse();
        mHarness->display().setVBO(nullptr);
        mHarness->display().setIBO(nullptr);
        glDisable(GL_DEPTH_TEST);
        return readBack(W, H);
    };
    const Frame nearest = depthTested(GL_LESS);
    const Frame farthest = depthTested(GL_GREATER);
    Harness::dump(nearest, "clouds_depth_nearest");

    int covered = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) covered += painted.at(x, y).r + painted.at(x, y).g > 0;
    EXPECT_GT(covered, W * H / 5);
    EXPECT_LT(differing(painted, nearest), W * H / 200);  // all but ties
    EXPECT_GT(differing(painted, farthest), covered / 2); // the check tells the orders apart
}

TEST_F(CloudsTest, TheSortedRecordsAndTheIndexBufferHoldTheFarthestShare) {
    make();
    const Vec3 eye(-6, 2, 9), target(1, 0, 0);
    look(eye, target);
    mClouds.setValue(0, "intensity", 0.5f);
    EXPECT_EQ(Clouds::visibleCount(0.5f), 1750);
    EXPECT_EQ(Clouds::visibleCount(1.0f), 3500);
    EXPECT_EQ(Clouds::visibleCount(7.0f), 3500);
    EXPECT_EQ(Clouds::visibleCount(-1.0f), 0);
    EXPECT_EQ(Clouds::visibleCount(NAN), 0);
    clearTo(0);
    mClouds.draw(0.5f, 0.02f, 0);

    const Vec3 direction = eye - target;
    for (size_t k = 1; k < mClouds.particles.size(); ++k)
        ASSERT_LE(direction.dot(mClouds.particles[k - 1].position), direction.dot(mClouds.particles[k].position));
    mClouds.indices.bind();
    const uint32_t* index = static_cast<const uint32_t*>(mClouds.indices.lock(false, true));
    for (int k = 0; k < 1750; ++k) {
        const uint32_t q = static_cast<uint32_t>(mClouds.particles[k].index);
        for (uint32_t c = 0; c < 4; ++c) ASSERT_EQ(index[4 * k + c], 4 * q + c) << k;
    }
    mClouds.indices.unlock();
    mClouds.indices.unbind();
}

// GL state that a skipped draw must leave as it was.
struct GlState {
    GLboolean blend, depth, cull;
    GLint program;
    bool operator==(const GlState& o) const {
        return blend == o.blend && depth == o.depth && cull == o.cull && program == o.program;
    }
    static GlState read() {
        GlState s;
        s.blend = glIsEnabled(GL_BLEND);
        s.depth = glIsEnabled(GL_DEPTH_TEST);
        s.cull = glIsEnabled(GL_CULL_FACE);
        glGetIntegerv(GL_CURRENT_PROGRAM, &s.program);
        return s;
    }
};

TEST_F(CloudsTest, WithoutACameraOrWithoutIntensityNothingIsDrawnAndTheStateStays) {
    make();
    mClouds.setValue(0, "alpha", 1.0f);
    glEnable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    // Intensity below 0.001.
    look(Vec3(0, 0, 20), Vec3(0, 0, 0));
    mClouds.setValue(0, "intensity", 0.0009f);
    clearTo(0.25f);
    const Frame empty = readBack(W, H);
    GlState before = GlState::read();
    mClouds.draw(1, 0.02f, 0);
    EXPECT_EQ(readBack(W, H), empty);
    EXPECT_TRUE(GlState::read() == before);
    // No effect has placed the shared camera yet: eye and target both at the origin.
    look(Vec3(0, 0, 0), Vec3(0, 0, 0));
    mClouds.setValue(0, "intensity", 1.0f);
    mClouds.draw(1, 0.02f, 0);
    EXPECT_EQ(readBack(W, H), empty);
    EXPECT_TRUE(GlState::read() == before);
    // Once the camera is placed, the cloud shows.
    look(Vec3(0, 0, 20), Vec3(0, 0, 0));
    mClouds.draw(1, 0.02f, 0);
    EXPECT_NE(readBack(W, H), empty);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(CloudsTest, UsezTestsAgainstTheDepthDrawnBeforeWithoutWritingIt) {
    make();
    look(Vec3(0, 0, 20), Vec3(0, 0, 0));
    mClouds.setValue(0, "alpha", 1.0f);
    mClouds.setValue(0, "intensity", 1.0f);
    // An opaque dark-red wall close to the eye over the left half of the screen.
    auto wallThenClouds = [&](const std::string& usez) {
        mClouds.trigger(0, "usez", usez);
        clearTo(0);
        norvane::mathbase::Matrix4x4Col identity;
        mHarness->display().setProjection(identity);
        mHarness->display().resetViewMatrix();
        mHarness->display().resetModelMatrix();
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glColor4f(0.5f, 0, 0, 1);
        glBegin(GL_QUADS);
        glVertex3f(-1, -1, -0.9f);
        glVertex3f(0, -1, -0.9f);
        glVertex3f(0, 1, -0.9f);
        glVertex3f(-1, 1, -0.9f);
        glEnd();
        mClouds.draw(1, 0.02f, 0);
        GLboolean depthWrites = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
        EXPECT_TRUE(depthWrites); // restored after drawing
        return readBack(W, H);
    };
    const Frame tested = wallThenClouds("true");
    EXPECT_TRUE(mClouds.usez);
    Harness::dump(tested, "clouds_usez_true");
    int wall = 0, cloud = 0;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W / 2 - 1; ++x) wall += tested.at(x, y).r == 128 && tested.at(x, y).g == 0;
        for (int x = W / 2 + 1; x < W; ++x) cloud += tested.at(x, y).g > 0;
    }
    EXPECT_EQ(wall, (W / 2 - 1) * H); // hidden behind the wall
    EXPECT_GT(cloud, W * H / 4);      // in front of the far background
    const Frame untested = wallThenClouds("True");
    EXPECT_FALSE(mClouds.usez);
    int over = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W / 2 - 1; ++x) over += untested.at(x, y).g > 0;
    EXPECT_GT(over, W * H / 8); // drawn over the wall
}

TEST_F(CloudsTest, TheLightsPulseAtTenAndSevenRadiansASecond) {
    make();
    look(Vec3(0, 1, 20), Vec3(0, 1, 0));
    mClouds.setValue(0, "intensity", 1.0f);
    for (float t : {0.0f, 0.3f, 1.7f}) {
        mClouds.draw(t, 0.02f, 0);
        const GLuint program = mClouds.program.getHandle();
        GLfloat colour0[3], colour1[3], position0[3], position1[3];
        glGetUniformfv(program, glGetUniformLocation(program, "lcol0"), colour0);
        glGetUniformfv(program, glGetUniformLocation(program, "lcol1"), colour1);
        glGetUniformfv(program, glGetUniformLocation(program, "lpos0"), position0);
        glGetUniformfv(program, glGetUniformLocation(program, "lpos1"), position1);
        const float e0 = (std::sin(10 * t) + 1) * 0.5f, e1 = (std::sin(7 * t) + 1) * 0.5f;
        EXPECT_FLOAT_EQ(colour0[0], e0);
        EXPECT_FLOAT_EQ(colour0[1], 1.5f * e0);
        EXPECT_FLOAT_EQ(colour1[2], 1.5f * e1);
        EXPECT_FLOAT_EQ(position0[1], 4.3f);
        EXPECT_FLOAT_EQ(position1[0], -3.0f);
    }
}

// The cloud seen through the camera of "hyperkub", which draws first in each frame.
const char* const kCloudsTimeline = R"(<script>
	<effect name="clear" start="0" end="20"/>
	<effect name="hyperkub" start="0" end="20">
		<trigger name="active" value="true" start="0"/>
		<trigger name="x" start="2"/>
		<trigger name="beat" start="2"/>
		<spline name="alp"><key time="0" value="1"/></spline>
		<spline name="cam_z"><key time="0" value="4"/><key time="10" value="0"/></spline>
	</effect>
	<effect name="clouds" start="0" end="20">
		<trigger name="usez" value="true" start="0"/>
		<spline name="intensity"><key time="0" value="0.2"/><key time="8" value="1"/></spline>
		<spline name="alpha"><key time="0" value="0.6"/></spline>
	</effect>
</script>)";

std::vector<Frame> playClouds(bool dump) {
    Harness harness(320, 180);
    EffectShared shared;
    Clear clear;
    HyperKub hyperkub(&shared);
    Clouds clouds(&shared);
    harness.add("clear", &clear);
    harness.add("hyperkub", &hyperkub);
    harness.add("clouds", &clouds);
    harness.timeline(kCloudsTimeline);
    harness.setupAll();
    std::vector<Frame> frames;
    for (float t : {0.5f, 2.0f, 2.25f, 6.0f, 12.0f}) {
        frames.push_back(harness.frameAt(t));
        if (dump) Harness::dump(frames.back(), "clouds_hyperkub_" + std::to_string(static_cast<int>(t * 100)));
    }
    return frames;
}

TEST(CloudsTimeline, DrawsThroughTheCameraOfHyperkubTheSameOnTwoRuns) {
    HyperKub::resetShared();
    const std::vector<Frame> first = playClouds(true);
    HyperKub::resetShared();
    const std::vector<Frame> second = playClouds(false);
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i) EXPECT_TRUE(first[i] == second[i]) << i;
    // More particles as the intensity rises: more of the screen is covered.
    auto covered = [](const Frame& f) {
        int n = 0;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x) n += f.at(x, y).r + f.at(x, y).g + f.at(x, y).b > 30;
        return n;
    };
    EXPECT_GT(covered(first[4]), covered(first[0]));
    // Frames move on with the camera.
    EXPECT_NE(first[3], first[4]);
}

} // namespace
