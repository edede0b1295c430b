// The window and the frame loop: opening, closing, resizing, pacing modes, frame order and the
// default GL state every frame starts from.

#include "dis_test_support.h"

#include "../support/own_x_server.h"

#include "nvn_system.h"

#include <GL/glew.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace distest;
using norvane::Exception;

extern "C" Window glfwGetX11Window(GLFWwindow* window);
extern "C" Display* glfwGetX11Display(void);

namespace {

// The X server grabs this process has made and released, counted on their way to Xlib (below);
// duringEvents: those made while the window library processes events, so from one of our
// callbacks (the hold at the end of the event processing comes after it).
struct ServerGrabs {
    int made = 0, released = 0, duringEvents = 0;
    bool inEvents = false;
};
ServerGrabs& serverGrabs() {
    static ServerGrabs grabs;
    return grabs;
}

// Waits for a condition, a generous while at most.
bool waitFor(const std::function<bool()>& condition) {
    const auto start = std::chrono::steady_clock::now();
    while (!condition()) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(30)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace

extern "C" int XGrabServer(Display* display) {
    ++serverGrabs().made;
    if (serverGrabs().inEvents) ++serverGrabs().duringEvents;
    return reinterpret_cast<int (*)(Display*)>(dlsym(RTLD_NEXT, "XGrabServer"))(display);
}

extern "C" int XUngrabServer(Display* display) {
    ++serverGrabs().released;
    return reinterpret_cast<int (*)(Display*)>(dlsym(RTLD_NEXT, "XUngrabServer"))(display);
}

extern "C" void glfwPollEvents(void) {
    serverGrabs().inEvents = true;
    reinterpret_cast<void (*)()>(dlsym(RTLD_NEXT, "glfwPollEvents"))();
    serverGrabs().inEvents = false;
}

TEST_F(DisplayTest, OpensOneWindowWithItsContextAndClosesIt) {
    DisplayGL& d = open();
    EXPECT_TRUE(d.isOpen());
    EXPECT_EQ(d.getContextGeneration(), 1);
    EXPECT_EQ(d.getMode(), 1);
    EXPECT_EQ(d.getRate(), 30.0f);
    EXPECT_EQ(d.getWidth(), 64);
    EXPECT_EQ(d.getHeight(), 48);
    EXPECT_NE(glGetString(GL_VERSION), nullptr);
    EXPECT_TRUE(d.isExtensionSupported("GL_ARB_vertex_buffer_object"));
    EXPECT_FALSE(d.isExtensionSupported("GL_NO_such_extension"));
    EXPECT_TRUE(d.update());

    d.close();
    EXPECT_FALSE(d.isOpen());
    EXPECT_FALSE(d.update());
    EXPECT_EQ(glfwGetCurrentContext(), nullptr);
}

TEST_F(DisplayTest, OnlyOneDisplayLivesAtATime) {
    open();
    WindowMode mode;
    EXPECT_EQ(messageOf([&] { DisplayGL second(mode); }), "Could not open another GLFW-device");
    // The first one is untouched.
    EXPECT_TRUE(display->isOpen());
    EXPECT_TRUE(display->update());
    display.reset();
    DisplayGL third(mode);
    EXPECT_FALSE(third.isOpen());
}

TEST_F(DisplayTest, OpeningAgainKeepsTheContextAndReopeningAfterCloseMakesANewOne) {
    DisplayGL& d = open();
    d.open();
    EXPECT_EQ(d.getContextGeneration(), 1);
    d.close();
    d.open();
    EXPECT_EQ(d.getContextGeneration(), 2);
    EXPECT_TRUE(d.update());
}

TEST_F(DisplayTest, AMissingSizeIsFilledInAsGlfw2Did) {
    // Width and height asked; the size opened: 640 x 480 for none, else the missing side at 4:3.
    const int cases[][4] = {{0, 0, 640, 480}, {200, 0, 200, 150}, {0, 120, 160, 120}, {-5, 0, 640, 480}};
    for (const auto& c : cases) {
        DisplayGL& d = open(false, c[0], c[1]);
        ASSERT_TRUE(d.isOpen()) << c[0] << " x " << c[1];
        EXPECT_EQ(d.getWidth(), c[2]);
        EXPECT_EQ(d.getHeight(), c[3]);
        int width = 0, height = 0;
        glfwGetWindowSize(glfwGetCurrentContext(), &width, &height);
        EXPECT_EQ(std::make_pair(width, height), std::make_pair(c[2], c[3]));
        GLint viewport[4] = {0, 0, 0, 0};
        Recorder listener("l", &log, &d);
        listener.frameHook = [&] { glGetIntegerv(GL_VIEWPORT, viewport); };
        ASSERT_TRUE(d.update());
        EXPECT_EQ(std::make_pair(viewport[2], viewport[3]), std::make_pair(c[2], c[3]));
        display.reset();
    }
}

// A size the window system cannot hold (X keeps 16 bits a side; the software renderer breaks near a
// 4 GiB image) is refused before any window is made, full screen too, and a filled-in side counts.
// One it holds but GL cannot draw opens and is then refused.
TEST_F(DisplayTest, ASizeTheWindowSystemCannotHoldIsRefusedBeforeAWindowIsMade) {
    const struct {
        int width, height;
        bool fullscreen;
        const char* message;
    } cases[] = {
        {INT_MAX, INT_MAX, false, "A window of 2147483647x2147483647 is larger than the window system holds"},
        {0, INT_MAX, false, "A window of 0x2147483647 (2147483647x2147483647 with the missing side filled in) is "
                            "larger than the window system holds: at most 32767 pixels a side and 536870912 in all"},
        {40000, 40000, true, "A window of 40000x40000 is larger"},
        {32705, 32705, false, "A window of 32705x32705 is larger"},
        {65536, 100, false, "A window of 65536x100 is larger"},
        {20000, 100, false, "A window of 20000x100 was asked for and one of 20000x100 opened, but at most"},
    };
    for (const auto& c : cases) {
        WindowMode mode;
        mode.width = c.width;
        mode.height = c.height;
        mode.fullscreen = c.fullscreen;
        display.reset(new DisplayGL(mode));
        EXPECT_EQ(messageOf([&] { display->open(); }).find(std::string("DisplayGL: ") + c.message), 0u)
            << c.width << " x " << c.height;
        EXPECT_FALSE(display->isOpen());
        EXPECT_EQ(glfwGetCurrentContext(), nullptr);
        display.reset();
    }
}

// Full screen, the window gets the size of the screen's video mode, which may not be the size
// asked for: a window that cannot be resized must still be drawn and read whole.
TEST_F(DisplayTest, AFixedSizeFullScreenWindowKeepsTheSizeItGot) {
    WindowMode mode;
    mode.width = 320;
    mode.height = 200;
    mode.fullscreen = true;
    display.reset(new DisplayGL(mode));
    display->open();
    int width = 0, height = 0;
    glfwGetFramebufferSize(glfwGetCurrentContext(), &width, &height);
    EXPECT_EQ(std::make_pair(display->getWidth(), display->getHeight()), std::make_pair(width, height));
    GLint viewport[4] = {0, 0, 0, 0};
    Recorder listener("l", &log, display.get());
    listener.frameHook = [&] { glGetIntegerv(GL_VIEWPORT, viewport); };
    ASSERT_TRUE(display->update());
    EXPECT_EQ(std::make_pair(viewport[2], viewport[3]), std::make_pair(width, height));
}

TEST_F(DisplayTest, ListenersDrawFirstAddedFirstEveryFrame) {
    DisplayGL& d = open();
    Recorder first("first", &log, &d), second("second", &log, &d), third("third", &log, &d);
    log.clear();
    ASSERT_TRUE(d.update());
    ASSERT_TRUE(d.update());
    EXPECT_EQ(log, (std::vector<std::string>{"first frame 0", "second frame 0", "third frame 0", "first frame 0",
                                             "second frame 0", "third frame 0"}));
}

TEST_F(DisplayTest, AddingToAnOpenDisplayReportsItsSizeAtOnce) {
    DisplayGL& d = open();
    Recorder late("late", &log);
    d.addListener(&late);
    EXPECT_EQ(late.resizes, (std::vector<std::pair<int, int>>{{64, 48}}));
    d.removeListener(&late);
    d.removeListener(&late); // absent: nothing happens
    log.clear();
    d.update();
    EXPECT_TRUE(log.empty());
}

TEST_F(DisplayTest, ResizeReportsTheOldSizeWhileTheDisplayHoldsTheNewOne) {
    DisplayGL& d = open(false, 800, 600);
    Recorder listener("l", &log, &d);
    listener.resizes.clear();
    d.setDirty(false);
    d.resize(1024, 768);
    EXPECT_EQ(listener.resizes, (std::vector<std::pair<int, int>>{{800, 600}}));
    EXPECT_EQ(listener.sizeSeen, std::make_pair(1024, 768));
    EXPECT_TRUE(d.isDirty());
}

TEST_F(DisplayTest, AResizableWindowFollowsTheWindowSystemsSize) {
    DisplayGL& d = open(true);
    Recorder listener("l", &log, &d);
    listener.resizes.clear();
    glfwSetWindowSize(glfwGetCurrentContext(), 100, 80);
    for (int i = 0; i < 500 && d.getWidth() != 100; ++i) {
        d.update();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(d.getWidth(), 100);
    EXPECT_EQ(d.getHeight(), 80);
    ASSERT_FALSE(listener.resizes.empty());
    EXPECT_EQ(listener.resizes.back(), std::make_pair(64, 48));
    EXPECT_EQ(listener.sizeSeen, std::make_pair(100, 80));

    // The next frame draws into the whole new window.
    GLint viewport[4] = {0, 0, 0, 0};
    listener.frameHook = [&] { glGetIntegerv(GL_VIEWPORT, viewport); };
    d.update();
    EXPECT_EQ(viewport[2], 100);
    EXPECT_EQ(viewport[3], 80);
}

// Resizes the window past the limits the first time it hears of a resize, as another program may
// at any time: the display hears of it at the next event processing, after GL may have taken the size.
struct OversizeOnResize : Listener {
    explicit OversizeOnResize(DisplayGL* display) : Listener(display) {}
    void onResize(int, int) override {
        heldMeanwhile = heldMeanwhile || serverGrabs().made > serverGrabs().released;
        if (!done) {
            done = true;
            glfwSetWindowSize(glfwGetCurrentContext(), 32767, 32767);
        }
    }
    bool done = false;
    bool heldMeanwhile = false; // a resize was heard with the X server held
};

// The size limits are only a hint to a window manager: a script (or a manager that ignores them) can
// still resize the window past what the window system and GL hold, at any time, which used to end
// the program at a buffer swap. The window is sized back to the largest size allowed, with one
// warning, and no frame is drawn or read at the larger size.
TEST_F(DisplayTest, AResizePastTheLimitsKeepsTheLargestSizeAllowed) {
    DisplayGL& d = open(true);
    GLint viewportLimit[2] = {0, 0}, textureLimit = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewportLimit);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &textureLimit);
    const int largestSide = std::min({viewportLimit[0], viewportLimit[1], textureLimit, 32767});
    const std::pair<int, int> largest(largestSide, std::min<int>(largestSide, (1 << 29) / largestSide));
    Recorder listener("l", &log, &d);
    OversizeOnResize resizer(&d);
    GLint viewport[4] = {0, 0, 0, 0};
    listener.frameHook = [&] {
        glGetIntegerv(GL_VIEWPORT, viewport);
        glClear(GL_COLOR_BUFFER_BIT); // drawing makes GL take the window's size
    };

    GLFWwindow* window = glfwGetCurrentContext();
    const int grabs = serverGrabs().made;
    testing::internal::CaptureStdout();
    glfwSetWindowSize(window, 100, 80);
    for (int i = 0; i < 2500 && d.getWidth() != largest.first; ++i) {
        ASSERT_TRUE(d.update());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(d.update()); // the window's answer to being sized back changes nothing
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(resizer.done);
    // Without a window manager the size is guarded with the server held, but no handler runs then.
    EXPECT_GT(serverGrabs().made, grabs);
    EXPECT_FALSE(resizer.heldMeanwhile);
    EXPECT_EQ(std::make_pair(d.getWidth(), d.getHeight()), largest);
    EXPECT_EQ(std::make_pair(viewport[2], viewport[3]), largest);
    int width = 0, height = 0;
    glfwGetWindowSize(window, &width, &height);
    EXPECT_EQ(std::make_pair(width, height), largest);
    const std::string warning = "The window was resized to 32767x32767, more than can be drawn: it is kept at " +
                                std::to_string(largest.first) + "x" + std::to_string(largest.second);
    EXPECT_NE(out.find(warning), std::string::npos) << out;
    EXPECT_EQ(out.find("resized to", out.find(warning) + warning.size()), std::string::npos) << out; // once

    // A resize within the limits right after one past them is the one that holds, although the
    // event of the first is handled when the window has already taken the second size. The
    // handling holds the server for its query and sizing back, with no handler run meanwhile.
    glfwSetWindowSize(window, 20000, 100);
    glfwSetWindowSize(window, 900, 500);
    const int grabsInEvents = serverGrabs().duringEvents;
    testing::internal::CaptureStdout();
    for (int i = 0; i < 3; ++i) {
        XSync(glfwGetX11Display(), False); // the window system's answers are in before the events are processed
        ASSERT_TRUE(d.update());
    }
    const std::string stale = testing::internal::GetCapturedStdout();
    EXPECT_NE(stale.find("The window was resized to 20000x100, more than can be drawn, and at once again to "
                         "900x500, which it keeps"),
              std::string::npos)
        << stale;
    EXPECT_EQ(stale.find("kept at"), std::string::npos) << stale;
    EXPECT_GT(serverGrabs().duringEvents, grabsInEvents);
    EXPECT_FALSE(resizer.heldMeanwhile);
    EXPECT_EQ(serverGrabs().made, serverGrabs().released);
    glfwGetWindowSize(window, &width, &height);
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(900, 500));
    EXPECT_EQ(std::make_pair(d.getWidth(), d.getHeight()), std::make_pair(900, 500));
    EXPECT_EQ(std::make_pair(viewport[2], viewport[3]), std::make_pair(900, 500));
}

// A window that cannot be resized keeps its size for drawing, as before; past the limits the window
// itself is sized back too.
TEST_F(DisplayTest, AFixedSizeWindowResizedPastTheLimitsIsSizedBack) {
    DisplayGL& d = open(false);
    Recorder listener("l", &log, &d);
    GLint viewport[4] = {0, 0, 0, 0};
    listener.frameHook = [&] {
        glGetIntegerv(GL_VIEWPORT, viewport);
        glClear(GL_COLOR_BUFFER_BIT);
    };
    GLFWwindow* window = glfwGetCurrentContext();
    glfwSetWindowSize(window, 32767, 32767);
    int width = 32767, height = 32767;
    for (int i = 0; i < 2500 && width == 32767; ++i) {
        ASSERT_TRUE(d.update());
        glfwGetWindowSize(window, &width, &height);
    }
    ASSERT_TRUE(d.update());
    EXPECT_LT(static_cast<long long>(width) * height, 1LL << 29);
    EXPECT_EQ(std::make_pair(d.getWidth(), d.getHeight()), std::make_pair(64, 48));
    EXPECT_EQ(std::make_pair(viewport[2], viewport[3]), std::make_pair(64, 48));
}

// A display on an X server of the test's own, the default display while the test runs: a window
// manager on the common server would disturb the tests running beside it.
class DisplayOnItsOwnServerTest : public DisplayTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(mServer.started()) << "Xvfb did not start";
        if (const char* common = getenv("DISPLAY")) mCommonDisplay = common;
        setenv("DISPLAY", mServer.name().c_str(), 1);
        ASSERT_NE(other = XOpenDisplay(nullptr), nullptr);
    }
    void TearDown() override {
        display.reset();
        if (other) XCloseDisplay(other);
        if (manager > 0) kill(manager, SIGKILL);
        mCommonDisplay.empty() ? unsetenv("DISPLAY") : setenv("DISPLAY", mCommonDisplay.c_str(), 1);
    }
    // A window manager runs: a client redirects the size requests of the root window's children.
    bool managed() {
        XWindowAttributes root;
        return XGetWindowAttributes(other, DefaultRootWindow(other), &root) &&
               (root.all_event_masks & SubstructureRedirectMask) != 0;
    }

    Display* other = nullptr; // another program's connection
    pid_t manager = -1;
private:
    xtest::OwnXServer mServer;
    std::string mCommonDisplay;
};

// A window manager keeps the window within the limits it was told: the X server is never held
// then, also when another program resizes the window past them. When the manager stops, the guard
// is back. A manager that has exited leaves its check window named on the root window, where the
// window library would stop the process: a display is refused there, saying why.
TEST_F(DisplayOnItsOwnServerTest, AWindowManagerKeepsTheLimitsAndOneThatHasExitedIsNamed) {
    manager = xtest::startInBackground("openbox --sm-disable >/dev/null 2>&1");
    ASSERT_TRUE(waitFor([&] { return managed(); })) << "openbox did not start";
    DisplayGL& d = open(true);
    const int grabs = serverGrabs().made;
    XResizeWindow(other, glfwGetX11Window(glfwGetCurrentContext()), 32767, 32767);
    XSync(other, False);
    ASSERT_TRUE(waitFor([&] { return d.update() && d.getWidth() != 64; }));
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    EXPECT_LE(std::max(d.getWidth(), d.getHeight()), limit);
    EXPECT_EQ(serverGrabs().made, grabs);

    kill(manager, SIGKILL);
    ASSERT_TRUE(waitFor([&] { return !managed(); }));
    ASSERT_TRUE(d.update());
    EXPECT_GT(serverGrabs().made, grabs);
    display.reset();
    const std::string message = messageOf([] { DisplayGL(WindowMode()).open(); });
    EXPECT_EQ(message.find("DisplayGL: The window manager named on the root window of the X display '" +
                           std::string(getenv("DISPLAY")) + "' (its check window 0x"),
              0u);
    EXPECT_NE(message.find(") no longer runs: start a window manager again, remove the name (xprop -root -remove "
                           "_NET_SUPPORTING_WM_CHECK), or restart the X server"),
              std::string::npos)
        << message;

    // Names the window library would stop on as well: items too small for a window's number, and
    // window 0. The other way round, a check window whose own name is malformed does not stop it.
    const Atom check = XInternAtom(other, "_NET_SUPPORTING_WM_CHECK", False);
    const Window root = DefaultRootWindow(other), own = XCreateSimpleWindow(other, root, 0, 0, 1, 1, 0, 0, 0);
    const long zero[1] = {0}, itself[1] = {static_cast<long>(own)};
    const short small[1] = {1};
    auto name = [&](Window window, int format, const void* items) {
        XChangeProperty(other, window, check, XA_WINDOW, format, PropModeReplace,
                        static_cast<const unsigned char*>(items), 1);
        XSync(other, False);
    };
    for (const auto& [format, items] : {std::pair<int, const void*>{16, small}, {8, small}, {32, zero}}) {
        name(root, format, items);
        EXPECT_EQ(messageOf([] { DisplayGL(WindowMode()).open(); })
                      .find("DisplayGL: The root window of the X display '" + std::string(getenv("DISPLAY")) +
                            "' names its window manager's check window (_NET_SUPPORTING_WM_CHECK) with "),
                  0u)
            << format;
    }
    name(root, 32, itself);
    name(own, 16, small);
    EXPECT_EQ(messageOf([] { DisplayGL(WindowMode()).open(); }), "(nothing thrown)");
}

TEST_F(DisplayTest, AWindowWithoutAreaKeepsAFiniteProjection) {
    DisplayGL& d = open();
    Recorder listener("l", &log, &d);
    d.resize(0, 0);
    float projection[16] = {};
    listener.frameHook = [&] { glGetFloatv(GL_PROJECTION_MATRIX, projection); };
    ASSERT_TRUE(d.update());
    for (float value : projection) {
        EXPECT_TRUE(std::isfinite(value));
    }
    EXPECT_FLOAT_EQ(projection[0], projection[5]); // a square aspect
    // The pointer's relative position has nothing to divide by either.
    Glfw3Input().cursor(5, 7);
    ASSERT_FALSE(listener.pointerEvents.empty());
    EXPECT_EQ(listener.pointerEvents.back().relX, 0.0f);
    EXPECT_EQ(listener.pointerEvents.back().relY, 0.0f);
}

TEST_F(DisplayTest, EveryFrameStartsFromTheDefaultState) {
    DisplayGL& d = open();
    Recorder listener("l", &log, &d);
    GLboolean depth = GL_TRUE, blend = GL_TRUE;
    GLint matrixMode = 0;
    float colour[4] = {};
    listener.frameHook = [&] {
        glGetBooleanv(GL_DEPTH_TEST, &depth);
        glGetBooleanv(GL_BLEND, &blend);
        glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
        glGetFloatv(GL_CURRENT_COLOR, colour);
        // Leave a mess for the next frame.
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
        glMatrixMode(GL_TEXTURE);
        glViewport(0, 0, 1, 1);
    };
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(d.update());
        EXPECT_EQ(depth, GL_FALSE);
        EXPECT_EQ(blend, GL_FALSE);
        EXPECT_EQ(matrixMode, GL_PROJECTION);
        EXPECT_EQ(colour[0], 1.0f);
        EXPECT_EQ(colour[3], 0.5f);
    }
}

TEST_F(DisplayTest, ViewAndModelMatricesMakeTheModelView) {
    open();
    norvane::mathbase::Matrix4x4Col view, model;
    view.setTranslation({1, 2, 3});
    model.setScale(2);
    display->setViewMatrix(view);
    display->setModelMatrix(model);
    float m[16] = {};
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[0], 2.0f);
    EXPECT_EQ(m[12], 1.0f);
    EXPECT_EQ(m[14], 3.0f);
    display->resetViewMatrix();
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 0.0f);
    EXPECT_EQ(m[0], 2.0f);
}

TEST_F(DisplayTest, PacingModesNeedAPositiveRateWhereTheyUseIt) {
    DisplayGL& d = open();
    EXPECT_EQ(messageOf([&] { d.setMode(2, 0); }),
              "DisplayGL::setMode; Mode 2 needs a rate above 0 frames per second, not 0");
    EXPECT_EQ(messageOf([&] { d.setMode(4, -25); }),
              "DisplayGL::setMode; Mode 4 needs a rate above 0 frames per second, not -25");
    EXPECT_NE(messageOf([&] { d.setMode(4, NAN); }), "(nothing thrown)");
    EXPECT_NE(messageOf([&] { d.setMode(4, INFINITY); }), "(nothing thrown)");
    EXPECT_EQ(messageOf([&] { d.setMode(5, 30); }), "DisplayGL::setMode; Unknown pacing mode 5");
    // Refused modes change nothing.
    EXPECT_EQ(d.getMode(), 1);
    EXPECT_EQ(d.getRate(), 30.0f);
    // Modes that do not use the rate take any.
    d.setMode(1, 0);
    d.setMode(3, 0);
    d.setMode(0, -1);
    EXPECT_EQ(d.getMode(), 0);
}

TEST_F(DisplayTest, FixedStepAdvancesTheClockByExactlyOneStepPerFrameWithoutWaiting) {
    DisplayGL& d = open();
    d.setMode(4, 10);
    EXPECT_EQ(d.getTime(), 0.0f);
    float expected = 0;
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(d.update());
        expected += 1.0f / 10.0f;
        ASSERT_EQ(d.getTime(), expected);
    }
    // Steps of 20 seconds: a frame that waited for its step to pass on the clock would take all of
    // it, while three frames that do not wait take far less than one step on any machine.
    d.setMode(4, 0.05f);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(d.update());
    EXPECT_EQ(d.getTime(), 60.0f);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 20.0);
}

TEST_F(DisplayTest, FixedRateNeverStartsFramesCloserThanTheRateAllows) {
    DisplayGL& d = open();
    Recorder listener("l", &log, &d);
    std::vector<double> starts;
    listener.frameHook = [&] { starts.push_back(glfwGetTime()); };
    const float rate = 30;
    d.setMode(2, rate);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(d.update());
    }
    ASSERT_EQ(starts.size(), 10u);
    // Each frame's pacing ends at least one period after the previous frame's, and a frame starts
    // only after the previous frame's pacing ended: frame k+1 starts at least k-1 periods after frame 1
    // whatever else delays the loop.
    const double period = 1.0 / rate - 1e-5; // the clock is read as a float
    for (size_t k = 2; k < starts.size(); ++k) {
        EXPECT_GE(starts[k] - starts[0], (k - 1) * period) << "frame " << k;
    }
    // The display time is the window library's time: read between two readings of it (as a float).
    const double before = glfwGetTime();
    const float time = d.getTime();
    const double after = glfwGetTime();
    EXPECT_GE(time, before - 0.01);
    EXPECT_LE(time, after + 0.01);
}

TEST_F(DisplayTest, OnDemandDrawsOnlyWhenARedrawWasAskedFor) {
    DisplayGL& d = open();
    Recorder listener("l", &log, &d);
    d.setMode(3, 0);
    auto frames = [&] { return std::count(log.begin(), log.end(), "l frame 0"); };
    // The X server is shared with other tests, whose windows may uncover this one: that rightly
    // asks for a redraw. A step that must draw nothing is therefore tried again until it ran
    // undisturbed; a display that drew on every event would never get there.
    auto idleDrawsNothing = [&] {
        for (int attempt = 0; attempt < 20; ++attempt) {
            const auto before = frames();
            for (int i = 0; i < 3; ++i) {
                glfwPostEmptyEvent();
                if (!d.update()) return false;
            }
            if (frames() == before) return true;
        }
        return false;
    };
    // Entering the mode asks for one frame.
    glfwPostEmptyEvent();
    ASSERT_TRUE(d.update());
    EXPECT_GE(frames(), 1);
    // Events without a redraw request draw nothing.
    EXPECT_TRUE(idleDrawsNothing());
    auto before = frames();
    d.setDirty(true);
    glfwPostEmptyEvent();
    ASSERT_TRUE(d.update());
    EXPECT_GT(frames(), before);
    EXPECT_TRUE(idleDrawsNothing()); // the request was used up
    // A handler's result bit 4 asks for a redraw. The key is handed to the display directly, so
    // the X server has nothing to wake the wait with: an event of its own is posted.
    listener.result = 4;
    before = frames();
    Glfw3Input().press(GLFW_KEY_A);
    glfwPostEmptyEvent();
    ASSERT_TRUE(d.update());
    EXPECT_GT(frames(), before);
}

// A redraw or a close asked for while drawing (an animation, the music's end) is not left waiting
// for input: the window system may stay quiet for ever.
TEST_F(DisplayTest, OnDemandDoesNotWaitWhenAFrameAskedForMore) {
    DisplayGL& d = open();
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(d.update()); // the window system's own events are done
    Recorder listener("l", &log, &d);
    int frames = 0;
    listener.frameHook = [&] {
        if (++frames == 1) d.setDirty(true);
        else d.requestClose();
    };
    d.setMode(3, 0);
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false, woken = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(mutex);
        while (!done.wait_for(lock, std::chrono::seconds(10), [&] { return finished; })) {
            woken = true;
            glfwPostEmptyEvent();
        }
    });
    bool first = d.update(), second = d.update(), third = d.update();
    {
        std::lock_guard<std::mutex> lock(mutex);
        finished = true;
    }
    done.notify_one();
    watchdog.join();
    EXPECT_TRUE(first && second);
    EXPECT_FALSE(third);
    EXPECT_EQ(frames, 2);
    EXPECT_FALSE(woken) << "the loop waited for input";
}

TEST_F(DisplayTest, OnDemandWithoutAWindowEndsTheLoopInsteadOfWaiting) {
    DisplayGL& d = open();
    d.setMode(3, 0);
    d.close();
    EXPECT_FALSE(d.update());
}

TEST_F(DisplayTest, AnIconifiedWindowIsNeitherDrawnNorToldTwice) {
    DisplayGL& d = open();
    Recorder a("a", &log, &d), b("b", &log, &d);
    a.logStates = b.logStates = true;
    Glfw3Input input;
    auto without = [&](const char* what) {
        std::vector<std::string> kept;
        for (const std::string& entry : log) {
            if (entry.find(what) == std::string::npos) {
                kept.push_back(entry);
            }
        }
        return kept;
    };
    log.clear();
    input.iconify(true);
    ASSERT_TRUE(d.update());
    ASSERT_TRUE(d.update());
    EXPECT_EQ(without("activate"), (std::vector<std::string>{"a iconify 1", "b iconify 1"}));
    log.clear();
    input.iconify(false);
    ASSERT_TRUE(d.update());
    EXPECT_EQ(without("activate"), (std::vector<std::string>{"a iconify 0", "b iconify 0", "a frame 0", "b frame 0"}));
}

// Iconified, nothing is drawn or swapped: the loop waits for the window system instead of
// spinning a processor core until the window is restored. Counted, not timed: a step that waits
// (a tenth of a second at most, unless an event wakes it) runs a handful of times in half a
// second, a spinning one thousands of times; a slow machine only runs fewer.
TEST_F(DisplayTest, AnIconifiedWindowLeavesTheProcessorIdle) {
    DisplayGL& d = open();
    Glfw3Input().iconify(true);
    int steps = 0;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(500)) {
        ASSERT_TRUE(d.update());
        ++steps;
    }
    EXPECT_LT(steps, 50);
}

TEST_F(DisplayTest, StateChangesReachListenersFirstAddedFirst) {
    DisplayGL& d = open();
    Recorder a("a", &log, &d), b("b", &log, &d);
    a.logStates = b.logStates = true;
    log.clear();
    d.notifyIconified(true);
    d.notifyActivated(false);
    EXPECT_EQ(log, (std::vector<std::string>{"a iconify 1", "b iconify 1", "a activate 0", "b activate 0"}));
}

TEST_F(DisplayTest, AFrameHandlerMayRemoveListenersWithoutSkippingOrTouchingThem) {
    DisplayGL& d = open();
    auto first = std::make_unique<Recorder>("first", &log, &d);
    auto second = std::make_unique<Recorder>("second", &log, &d);
    auto third = std::make_unique<Recorder>("third", &log, &d);
    // The first removes itself; the second deletes the third before its turn.
    first->frameHook = [&] { d.removeListener(first.get()); };
    second->frameHook = [&] { third.reset(); };
    log.clear();
    ASSERT_TRUE(d.update());
    EXPECT_EQ(log, (std::vector<std::string>{"first frame 0", "second frame 0"}));
    // A listener added during a frame draws from the next frame on.
    std::unique_ptr<Recorder> added;
    second->frameHook = [&] {
        if (!added) {
            added = std::make_unique<Recorder>("added", &log, &d);
        }
    };
    log.clear();
    ASSERT_TRUE(d.update());
    ASSERT_TRUE(d.update());
    EXPECT_EQ(log, (std::vector<std::string>{"second frame 0", "second frame 0", "added frame 0"}));
}

TEST_F(DisplayTest, ListenersOutlivingTheDisplayAreDetached) {
    auto listener = std::make_unique<Recorder>("l", &log);
    open();
    display->addListener(listener.get());
    Recorder attached("a", &log, display.get());
    display.reset();
    // Neither destructor may reach the destroyed display.
    listener.reset();
}

TEST_F(DisplayTest, BoxFacesWindOutwardAndCarryOutwardNormals) {
    DisplayGL& d = open(false, 64, 64);
    // Seen head-on with back faces culled and a light from the viewer, a face shows lit only
    // when it winds counter-clockwise from outside and its normal points out.
    struct Turn {
        const char* face;
        float angle, x, y;
    };
    const Turn turns[] = {{"+Z", 0, 0, 1},  {"-Z", 180, 0, 1}, {"+X", -90, 0, 1},
                          {"-X", 90, 0, 1}, {"+Y", 90, 1, 0},  {"-Y", -90, 1, 0}};
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const float direction[4] = {0, 0, 1, 0}, white[4] = {1, 1, 1, 1}, none[4] = {0, 0, 0, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_DEPTH_TEST);
    glReadBuffer(GL_BACK);
    for (const Turn& turn : turns) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glRotatef(turn.angle, turn.x, turn.y, 0);
        d.drawBox({0, 0, 0}, {1, 1, 1});
        unsigned char centre[4] = {}, corner[4] = {};
        glReadPixels(32, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
        glReadPixels(4, 4, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
        EXPECT_NEAR(centre[0], 204, 2) << turn.face; // the default material's diffuse 0.8
        EXPECT_EQ(corner[0], 0) << turn.face;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
