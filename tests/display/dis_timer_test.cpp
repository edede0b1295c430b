// The settable clock and the GL error check.

#include "dis_glcheck.h"
#include "dis_test_support.h"
#include "dis_timer.h"

#include "nvn_system.h"

#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <thread>

using namespace distest;
using norvane::Exception;
using norvane::display::checkGLError;
using norvane::display::Timer;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

// Each reading is held against the real time that passed around it, however long that was.
TEST_F(DisplayTest, TimerStartsAtZeroAndRunsOnFromASetTime) {
    open();
    const float slack = 0.001f; // the float clock and the two clocks' readings
    auto start = std::chrono::steady_clock::now();
    Timer timer;
    float time = timer.getTime();
    EXPECT_GE(time, 0.0f);
    EXPECT_LE(time, secondsSince(start) + slack);
    start = std::chrono::steady_clock::now();
    timer.setTime(5);
    time = timer.getTime();
    EXPECT_GE(time, 5.0f);
    EXPECT_LE(time, 5.0 + secondsSince(start) + slack);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GE(timer.getTime(), 5.045f);
    start = std::chrono::steady_clock::now();
    timer.setTime(-2);
    time = timer.getTime();
    EXPECT_GE(time, -2.0f);
    EXPECT_LE(time, -2.0 + secondsSince(start) + slack);
}

// A window open for a day: the demo clock still moves in fine steps, not in the window library
// time's float steps (8 ms there), which would make motion judder. The smallest of several steps
// counts: the thread may be held up between two readings on a busy machine.
TEST_F(DisplayTest, TimerKeepsFineStepsWhenTheWindowHasBeenOpenLong) {
    open();
    glfwSetTime(86400.0);
    Timer timer;
    const auto start = std::chrono::steady_clock::now();
    timer.setTime(3);
    const float time = timer.getTime();
    EXPECT_GE(time, 3.0f);
    EXPECT_LE(time, 3.0 + secondsSince(start) + 0.001);
    float finest = 1.0f;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int steps = 0; steps < 20 && std::chrono::steady_clock::now() < limit;) {
        const float first = timer.getTime();
        float next = timer.getTime();
        while (next == first && std::chrono::steady_clock::now() < limit) next = timer.getTime();
        if (next == first) break;
        EXPECT_GT(next, first);
        finest = std::min(finest, next - first);
        ++steps;
    }
    EXPECT_LT(finest, 0.001f);
}

TEST_F(DisplayTest, GLCheckIsQuietWithoutAnError) {
    open();
    testing::internal::CaptureStdout();
    EXPECT_EQ(checkGLError("a.cpp", 1, "glFlush()"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(DisplayTest, GLCheckNamesFileLineStatementAndError) {
    open();
    glEnable(0x1234);
    try {
        checkGLError("source/dis_texture.cpp", 42, "glEnable(0x1234)");
        FAIL() << "nothing thrown";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(),
                     "GL-error at [42] source/dis_texture.cpp\nLine: glEnable(0x1234)\nError: 'GL_INVALID_ENUM'\n");
    }
    // The check took the error.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DisplayTest, GLCheckKnowsEachErrorOfItsTable) {
    open();
    auto errorOf = [](void (*provoke)()) -> std::string {
        provoke();
        try {
            checkGLError("f", 1, "s");
        } catch (const Exception& e) {
            const std::string text = e.what();
            return text.substr(text.find("Error: "));
        }
        return "(nothing thrown)";
    };
    EXPECT_EQ(errorOf([] { glLineWidth(-1.0f); }), "Error: 'GL_INVALID_VALUE'\n");
    EXPECT_EQ(errorOf([] { glEnd(); }), "Error: 'GL_INVALID_OPERATION'\n");
    EXPECT_EQ(errorOf([] {
                  glMatrixMode(GL_MODELVIEW);
                  glPopMatrix();
              }),
              "Error: 'GL_STACK_UNDERFLOW'\n");
    EXPECT_EQ(errorOf([] {
                  GLint depth = 0;
                  glGetIntegerv(GL_MAX_PROJECTION_STACK_DEPTH, &depth);
                  glMatrixMode(GL_PROJECTION);
                  for (int i = 0; i < depth; ++i) {
                      glPushMatrix();
                  }
              }),
              "Error: 'GL_STACK_OVERFLOW'\n");
}

TEST_F(DisplayTest, GLCheckTakesOneErrorPerCall) {
    open();
    glEnable(0x1234);
    EXPECT_THROW(checkGLError("f", 1, "s"), Exception);
    EXPECT_EQ(checkGLError("f", 2, "s"), 0);
}

TEST_F(DisplayTest, GLCheckHandsBackErrorsOutsideItsTable) {
    open();
    // An incomplete framebuffer makes GL_INVALID_FRAMEBUFFER_OPERATION, which the table does not name.
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(checkGLError("f", 1, "glClear"), GL_INVALID_FRAMEBUFFER_OPERATION);
    EXPECT_EQ(checkGLError("f", 2, "s"), 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
}

TEST_F(DisplayTest, GLCheckMacroQuotesTheStatement) {
    open();
    try {
        DIS_GL(glDisable(0x4321));
        FAIL() << "nothing thrown";
    } catch (const Exception& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("Line: glDisable(0x4321)\n"), std::string::npos) << text;
        EXPECT_NE(text.find("dis_timer_test.cpp\n"), std::string::npos) << text;
    }
}
