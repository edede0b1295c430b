// The tube of one head growing along generated curves: rings laid by distance and on turns, the
// first step's double ring, full buffers and tangents of zero.

#include "bb_support.h"
#include "buff.h"
#include "dis_glcheck.h"
#include "kvx_scenenode.h"

#include <GL/glew.h>

#include <cmath>
#include <cstring>
#include <memory>

using bbtest::Vec3;
using norvane::display::VertexP3N3T2;

namespace {

class TubeTest : public ::testing::Test {
protected:
    bbtest::Window window{64, 64, false};

    std::vector<VertexP3N3T2> readVertices(Buff::Head& head) {
        std::vector<VertexP3N3T2> out(static_cast<size_t>(head.getVertexCount()));
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, head.vertices.mID);
        glGetBufferSubDataARB(GL_ARRAY_BUFFER_ARB, 0, static_cast<GLsizeiptrARB>(out.size() * sizeof(VertexP3N3T2)),
                              out.data());
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
        return out;
    }
    std::vector<uint32_t> readIndices(Buff::Head& head) {
        std::vector<uint32_t> out(static_cast<size_t>(head.getIndexCount()));
        glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, head.indices.mID);
        glGetBufferSubDataARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0, static_cast<GLsizeiptrARB>(out.size() * 4), out.data());
        glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
        return out;
    }
    static bool finite(const VertexP3N3T2& v) {
        for (float f : {v.pos[0], v.pos[1], v.pos[2], v.nor[0], v.nor[1], v.nor[2], v.tex[0], v.tex[1]})
            if (!std::isfinite(f)) return false;
        return true;
    }
};

TEST_F(TubeTest, TheFirstStepWritesTwoIdenticalRingsJoinedByOneSegment) {
    std::unique_ptr<norvane::kvx::CurveInstance> path(bbtest::straightPath("path", 10));
    Buff::Head head(window.display(), path.get());
    EXPECT_TRUE(head.isStarting());
    head.step(-0.5f); // before the start nothing moves
    EXPECT_TRUE(head.isStarting());
    EXPECT_EQ(head.getVertexCount(), 0);

    head.step(0.0f);
    EXPECT_FALSE(head.isStarting());
    ASSERT_EQ(head.getVertexCount(), 26);
    ASSERT_EQ(head.getIndexCount(), 48);
    const std::vector<VertexP3N3T2> v = readVertices(head);
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(0, std::memcmp(&v[i], &v[13 + i], sizeof(VertexP3N3T2))) << "vertex " << i;
        // Round the X axis at radius 0.5, the seam closing with u = 1.
        EXPECT_NEAR(v[i].pos[0], 0.0f, 1e-5f);
        EXPECT_NEAR(std::hypot(v[i].pos[1], v[i].pos[2]), 0.5f, 1e-5f);
        EXPECT_NEAR(v[i].tex[0], i / 12.0f, 1e-6f);
    }
    EXPECT_EQ(v[12].pos[1], v[0].pos[1]);
    EXPECT_EQ(v[12].tex[0], 1.0f);
    const std::vector<uint32_t> quads = readIndices(head);
    for (uint32_t j = 0; j < 12; ++j) {
        EXPECT_EQ(quads[4 * j + 0], j);
        EXPECT_EQ(quads[4 * j + 1], j + 1);
        EXPECT_EQ(quads[4 * j + 2], 13 + j + 1);
        EXPECT_EQ(quads[4 * j + 3], 13 + j);
    }
}

TEST_F(TubeTest, RingsFollowDistanceOnStraightPaths) {
    std::unique_ptr<norvane::kvx::CurveInstance> path(bbtest::straightPath("path", 10));
    Buff::Head head(window.display(), path.get());
    head.step(0.0f);
    head.step(0.04f); // below 0.05: never a ring
    EXPECT_EQ(head.getVertexCount(), 26);
    head.step(0.3f); // further, but straight on: no turn, no ring
    EXPECT_EQ(head.getVertexCount(), 26);
    EXPECT_NEAR(head.position.x, 0.3f, 1e-5f); // the tip moves all the same
    head.step(0.41f); // beyond 0.4: always a ring
    EXPECT_EQ(head.getVertexCount(), 39);
    EXPECT_EQ(head.getIndexCount(), 96);
    EXPECT_NEAR(head.lastPosition.x, 0.41f, 1e-5f);
    head.step(0.8f);
    EXPECT_EQ(head.getVertexCount(), 39);
    head.step(0.82f);
    EXPECT_EQ(head.getVertexCount(), 52);
    // The new ring carries the parameter of the step before as its texture v.
    const std::vector<VertexP3N3T2> v = readVertices(head);
    EXPECT_NEAR(v[39].tex[1], 0.08f, 1e-5f);
}

TEST_F(TubeTest, TurnsLayRingsOnlyBeyondFiveHundredthsOfAUnit) {
    std::unique_ptr<norvane::kvx::CurveInstance> path(bbtest::cornerPath("corner", 1));
    Buff::Head head(window.display(), path.get());
    head.step(0.98f); // just before the corner, heading along +X
    EXPECT_EQ(head.getVertexCount(), 26);
    head.step(1.02f); // round the corner but only 0.028 away: no ring
    EXPECT_EQ(head.getVertexCount(), 26);
    EXPECT_NEAR(head.direction.z, 1.0f, 1e-4f);
    head.step(1.1f); // 0.14 away and turned a quarter: a ring
    EXPECT_EQ(head.getVertexCount(), 39);
    for (const VertexP3N3T2& v : readVertices(head)) EXPECT_TRUE(finite(v));
}

TEST_F(TubeTest, FullBuffersWarnStopGrowingAndStillDraw) {
    std::unique_ptr<norvane::kvx::CurveInstance> path(bbtest::straightPath("path", 100000));
    Buff::Head head(window.display(), path.get());
    ::testing::internal::CaptureStdout();
    for (int i = 0; i <= 8100; ++i) head.step(static_cast<float>(i));
    const std::string log = ::testing::internal::GetCapturedStdout();
    // 7384 rings of 13 fit below 96000 vertices; the last whole segment ends below 383952 indices.
    EXPECT_EQ(head.getVertexCount(), 7384 * 13);
    EXPECT_EQ(head.getIndexCount(), 7998 * 48);
    EXPECT_NE(log.find("vertex immense penis"), std::string::npos);
    EXPECT_NE(log.find("very index penis"), std::string::npos);
    EXPECT_NE(log.find("Buff::Head::addRing"), std::string::npos);
    EXPECT_NE(log.find("Buff::Head::addSegment"), std::string::npos);
    EXPECT_NEAR(head.position.x, 8100.0f, 0.01f); // the tip goes on

    // Drawing goes on with what was written.
    norvane::display::DisplayGL* display = window.display();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    norvane::mathbase::Matrix4x4Col projection;
    projection.setPerspective(1.0f, 1.0f, 0.1f, 100.0f);
    display->setProjection(projection);
    norvane::mathbase::Matrix4x4Col view;
    view.setLookAt(Vec3(7990, 0, 5), Vec3(7990, 0, 0), 0);
    display->setViewMatrix(view);
    display->resetModelMatrix();
    glColor3f(1, 0, 0);
    head.draw(display);
    EXPECT_EQ(norvane::display::checkGLError(__FILE__, __LINE__, "drawing a full tube"), 0);
    EXPECT_GT(window.pixel(32, 32)[0], 200);
}

TEST_F(TubeTest, ATangentOfZeroKeepsTheLastDirection) {
    // One point with its handles on it: no direction at all, at any time.
    norvane::kvx::CurveInstance still;
    still.points = {norvane::kvx::CurveInstance::Point{Vec3(1, 2, 3), Vec3(1, 2, 3), Vec3(1, 2, 3)}};
    Buff::Head head(window.display(), &still);
    head.step(0.0f);
    head.step(0.5f);
    EXPECT_EQ(head.getVertexCount(), 26);
    for (const VertexP3N3T2& v : readVertices(head)) ASSERT_TRUE(finite(v));
    for (const VertexP3N3T2& v : head.ring) ASSERT_TRUE(finite(v));
    EXPECT_NEAR(head.direction.length(), 1.0f, 1e-5f);

    // A path whose handles sit on its points stops dead at each point: the tube keeps its heading there.
    std::unique_ptr<norvane::kvx::CurveInstance> path(bbtest::straightPath("path", 4));
    path->points[0].out = path->points[0].position;
    path->points[1].in = path->points[1].position;
    Buff::Head moving(window.display(), path.get());
    for (int i = 0; i <= 40; ++i) moving.step(0.1f * static_cast<float>(i));
    EXPECT_NEAR(moving.direction.x, 1.0f, 1e-5f);
    EXPECT_GT(moving.getVertexCount(), 26);
    for (const VertexP3N3T2& v : readVertices(moving)) ASSERT_TRUE(finite(v));
}

TEST_F(TubeTest, HugePathsKeepAUnitDirection) {
    // Coordinates near the float limit: the square of the tangent's length overflows.
    std::unique_ptr<norvane::kvx::CurveInstance> path(bbtest::straightPath("far", 3e37f));
    Buff::Head head(window.display(), path.get());
    for (float t : {0.0f, 1e37f, 2e37f, 3e37f}) head.step(t);
    EXPECT_NEAR(head.direction.x, 1.0f, 1e-6f);
    EXPECT_NEAR(head.side.length(), 1.0f, 1e-5f);
    EXPECT_GT(head.getVertexCount(), 26);
    for (const VertexP3N3T2& v : readVertices(head)) ASSERT_TRUE(finite(v));
}

TEST_F(TubeTest, AHeadWithoutADisplayGrowsTheSameWithoutBuffers) {
    std::unique_ptr<norvane::kvx::CurveInstance> path(bbtest::cornerPath("corner", 3));
    Buff::Head drawn(window.display(), path.get());
    Buff::Head counted(nullptr, path.get());
    for (int i = 0; i <= 600; ++i) {
        drawn.step(0.01f * static_cast<float>(i));
        counted.step(0.01f * static_cast<float>(i));
    }
    EXPECT_EQ(counted.vertices.mID, 0u);
    EXPECT_EQ(counted.getVertexCount(), drawn.getVertexCount());
    EXPECT_EQ(counted.getIndexCount(), drawn.getIndexCount());
    EXPECT_EQ(0, std::memcmp(counted.ring, drawn.ring, sizeof(drawn.ring)));
    counted.draw(window.display()); // nothing to draw from
}

TEST_F(TubeTest, ATurnOntoTheSideChoosesANewSide) {
    // Along +X the first side is -Y; a sharp corner turns the path onto -Y itself, where nothing
    // of the old side is left across the new direction.
    norvane::kvx::CurveInstance corner;
    corner.points = {norvane::kvx::CurveInstance::Point{Vec3(-0.3f, 0, 0), Vec3(0, 0, 0), Vec3(0.3f, 0, 0)},
                     norvane::kvx::CurveInstance::Point{Vec3(0.7f, 0, 0), Vec3(1, 0, 0), Vec3(1, -0.3f, 0)},
                     norvane::kvx::CurveInstance::Point{Vec3(1, -0.7f, 0), Vec3(1, -1, 0), Vec3(1, -1.3f, 0)}};
    corner.timeTrack.interpolation = norvane::kvx::AnimCurve::Linear;
    corner.timeTrack.keys = {norvane::kvx::AnimCurve::Key{-1, 0, 0, 0, 1, 0},
                             norvane::kvx::AnimCurve::Key{1, 1, 2, 1, 3, 1}};
    Buff::Head head(window.display(), &corner);
    head.step(0.0f);
    EXPECT_NEAR(head.side.y, -1.0f, 1e-5f);
    for (int i = 1; i <= 200; ++i) head.step(0.01f * static_cast<float>(i));
    EXPECT_NEAR(head.direction.y, -1.0f, 1e-4f);
    EXPECT_NEAR(head.side.length(), 1.0f, 1e-4f);
    EXPECT_NEAR(head.side.dot(head.direction), 0.0f, 1e-4f);
    EXPECT_GT(head.getVertexCount(), 39);
    for (const VertexP3N3T2& v : readVertices(head)) ASSERT_TRUE(finite(v));
}

} // namespace
