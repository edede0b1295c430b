// The display: window, GL context, default GL state, matrices and the paced frame loop.

#include "dis_display.h"

#include "dis_display_glfw.h"
#include "dis_glcheck.h"
#include "nvn_system.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace norvane {
namespace display {

DisplayGL* DisplayGL::sInstance = nullptr;
volatile std::sig_atomic_t DisplayGL::sCloseSoon = 0;

namespace {
// A wait for window events ends this often to look at requestCloseSoon, which cannot wake it.
const double kCloseSoonPoll = 0.1;
} // namespace

DisplayGL::DisplayGL(const WindowMode& mode) {
    if (sInstance) {
        throw Exception("Could not open another GLFW-device");
    }
    mWindowMode = mode;
    mMode = 0;
    const std::string unusable = glfw::unusableWindowManagerCheck();
    if (!unusable.empty()) {
        throw Exception("DisplayGL: %s", unusable.c_str());
    }
    if (!glfw::init()) {
        // Opening the window will fail and say so; the reason is only known now.
        mStartError = glfw::takeError();
        NVN_LOG("warning", "display", "The window library could not start: %s", mStartError.c_str());
    }
    sInstance = this;
    mWindow.reset(new glfw::Window);
}

DisplayGL::~DisplayGL() {
    if (mOpen) {
        close();
    }
    mWindow.reset();
    glfw::terminate();
    sInstance = nullptr;
    for (Listener* listener : mListeners) {
        if (listener->mDisplay == this) {
            listener->mDisplay = nullptr;
        }
    }
    mListeners.clear();
}

void DisplayGL::open() {
    // The window library fills in a missing size; the display keeps the size it opened.
    int width = mWindowMode.width, height = mWindowMode.height;
    glfw::fillInWindowSize(width, height);
    checkWindowSystemSize(width, height);
    if (!mWindow->exists()) {
        const int askedWidth = width, askedHeight = height;
        if (!mWindow->open(width, height, 16, mWindowMode.fullscreen, mWindowMode.resizable)) {
            const std::string reason = glfw::takeError();
            if (!reason.empty()) {
                NVN_LOG("warning", "display", "The window library says: %s", reason.c_str());
            }
            // The error names the cause: a library that never started says only that it did not.
            const std::string& cause = mStartError.empty() ? reason : mStartError;
            if (!cause.empty()) throw Exception("Could not open window: %s", cause.c_str());
            throw Exception("Could not open window");
        }
        mWindowMode.width = width;
        mWindowMode.height = height;
        mContextGeneration += 1;
        DIS_GL_STATUS();
        if (glewInit() != GLEW_OK) {
            mWindow->close();
            throw Exception("DisplayGL: Could not initialize GLEW!");
        }
        checkDrawableSize(askedWidth, askedHeight, width, height);
        mWindow->setSizeLimits(mMaxWidth, mMaxHeight);
        if (isExtensionSupported("GL_ARB_shading_language_100")) {
            NVN_LOG("info", "display", "GL_SHADING_LANGUAGE_VERSION: '%s'\n",
                    reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION)));
        }
        mWindow->setStickyKeys(true);
        glfw::setTime(0.0);
        mWindow->setKeyRepeat(true);
        mRate = 30;
        mOpen = true;
        mClock = 0;
        mMode = ModeFreeRunning;
        mWindow->setWindowRefreshCallback(nullptr);
        mWindow->setDrawableSizeCallback(takesWindowSizeFromServer() ? &DisplayGL::drawableSizeCallback : nullptr);
        mRedraw = false;
        mWindow->swapInterval(1);
    } else {
        mWindow->setSize(mWindowMode.width, mWindowMode.height);
    }
    DIS_GL_STATUS();
    int major = 0, minor = 0, revision = 0;
    glfw::getVersion(major, minor, revision);
    NVN_LOG("info", "display", "Opened window of resolution %dx%d (glfw version: %d.%d.%d)\n", mWindowMode.width,
            mWindowMode.height, major, minor, revision);

    mWindow->setTitle(mWindowMode.title);
    DIS_GL_STATUS();
    if (!mWindowMode.resizable) {
        resize(mWindowMode.width, mWindowMode.height);
    }
    // A window that cannot be resized is still watched: another program can resize it past the limits.
    mWindow->setWindowSizeCallback(&DisplayGL::windowSizeCallback);
    DIS_GL_STATUS();
    mWindow->setKeyCallback(&DisplayGL::keyCallback);
    mWindow->setCharCallback(&DisplayGL::charCallback);
    mWindow->setMousePosCallback(&DisplayGL::mousePosCallback);
    mWindow->setMouseButtonCallback(&DisplayGL::mouseButtonCallback);
    mWindow->setMouseWheelCallback(&DisplayGL::mouseWheelCallback);
    mWindow->setWindowCloseCallback(&DisplayGL::windowCloseCallback);

    mCloseRequested = false;
    DIS_GL_STATUS();
    resetState();
    mIconified = mWindow->isIconified();
    mActive = mWindow->isActive();
    DIS_GL_STATUS();
}

// A window the window system cannot hold is not even tried: it would be cut to another size, end
// the process in an X error or crash the software renderer (full screen too, as the window is made
// at the size asked before it takes the screen's).
void DisplayGL::checkWindowSystemSize(int width, int height) const {
    if (glfw::windowSystemHolds(width, height)) return;
    char filledIn[64] = "";
    if (width != mWindowMode.width || height != mWindowMode.height)
        std::snprintf(filledIn, sizeof(filledIn), " (%dx%d with the missing side filled in)", width, height);
    throw Exception("DisplayGL: A window of %dx%d%s is larger than the window system holds: at most %d pixels a "
                    "side and %lld in all",
                    mWindowMode.width, mWindowMode.height, filledIn, glfw::MaxWindowSide, glfw::MaxWindowPixels);
}

// The window system takes a size beyond its range without a word (X keeps the low 16 bits of
// each side), and GL cannot draw into, or make textures of, a window larger than its limits.
// Such a window is closed and refused, naming both sizes; a full-screen window takes the mode's
// size, so only the size it got counts there.
void DisplayGL::checkDrawableSize(int askedWidth, int askedHeight, int width, int height) {
    GLint viewport[2] = {0, 0};
    GLint texture = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    mMaxWidth = mMaxHeight = 0;
    if (viewport[0] <= 0 || viewport[1] <= 0 || texture <= 0) return; // no limits known
    const int maxWidth = std::min<int>(viewport[0], texture), maxHeight = std::min<int>(viewport[1], texture);
    mMaxWidth = maxWidth;
    mMaxHeight = maxHeight;
    const bool askedTooLarge = !mWindowMode.fullscreen && (askedWidth > maxWidth || askedHeight > maxHeight);
    if (!askedTooLarge && width <= maxWidth && height <= maxHeight) return;
    mWindow->close();
    throw Exception("DisplayGL: A window of %dx%d was asked for and one of %dx%d opened, but at most %dx%d can be "
                    "drawn",
                    askedWidth, askedHeight, width, height, maxWidth, maxHeight);
}

// Nothing keeps the window system from resizing the window past the limits it was told (a window
// manager may, a script does, also for a window that is not resizable): the window is sized back
// to the largest size allowed, and a resizable window's display, so every frame from now on, takes
// that size instead. The window system's image of an oversized window cannot be drawn or sent whole.
// The size reported may be stale: another resize may have followed it, and sized back from the
// reported size, the window would lose that newer size. So only the window's size now counts, and
// a window already resized again within the limits keeps that size. One that already has the size
// it would be sized back to is kept at it (the window library's hold at the end of an event
// processing sizes a window back before its event is heard).
void DisplayGL::windowResized(int width, int height) {
    int keptWidth = width, keptHeight = height;
    if (mOpen && glfw::limitWindowSize(keptWidth, keptHeight, mMaxWidth, mMaxHeight)) {
        const std::pair<int, int> largest(keptWidth, keptHeight);
        const bool sizedBack = mWindow->sizeBackPastLimits(keptWidth, keptHeight);
        if (sizedBack || std::make_pair(keptWidth, keptHeight) == largest) {
            NVN_LOG("warning", "display",
                    "The window was resized to %dx%d, more than can be drawn: it is kept at %dx%d", width, height,
                    keptWidth, keptHeight);
        } else {
            NVN_LOG("warning", "display",
                    "The window was resized to %dx%d, more than can be drawn, and at once again to %dx%d, which it "
                    "keeps",
                    width, height, keptWidth, keptHeight);
        }
    }
    if (mWindowMode.resizable) {
        resize(keptWidth, keptHeight);
    }
}

// The software renderers ask the X server for the window's size at their first use of the window
// after a swap, where a resize past the limits by another program must not slip in (the window
// library guards that use). Hardware drivers learn the size their own way and may wait for a free
// buffer at that use: the window system must not be held for them.
bool DisplayGL::takesWindowSizeFromServer() {
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (!renderer) return false;
    const std::string name = renderer;
    for (const char* software : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"}) {
        if (name.find(software) != std::string::npos) return true;
    }
    return false;
}

// GL takes the window's size at its first use of the window after a swap: a clear of no buffers
// is that use, into the window even when a framebuffer object was left bound.
void DisplayGL::takeWindowSize() {
    GLint framebuffer = 0;
    DIS_GL(glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer));
    if (framebuffer != 0) DIS_GL(glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0));
    DIS_GL(glClear(0));
    if (framebuffer != 0) DIS_GL(glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(framebuffer)));
}

void DisplayGL::close() {
    NVN_LOG("info", "display", "closing display");
    mWindow->close();
    mAttribPushed = false;
    mOpen = false;
}

void DisplayGL::setArchive(am::ArchiveManager* archive) {
    NVN_LOG("info", "display", "Assigning archive %p to display %p", static_cast<void*>(archive),
            static_cast<void*>(this));
    mArchive = archive;
}

void DisplayGL::setMode(int mode, float rate) {
    if (mode < ModeUnpaced || mode > ModeFixedStep) {
        throw Exception("DisplayGL::setMode; Unknown pacing mode %d", mode);
    }
    if ((mode == ModeFixedRate || mode == ModeFixedStep) && !(rate > 0 && std::isfinite(rate))) {
        throw Exception("DisplayGL::setMode; Mode %d needs a rate above 0 frames per second, not %g", mode,
                        static_cast<double>(rate));
    }
    mRate = rate;
    mClock = 0;
    mMode = mode;
    if (mode == ModeOnDemand) {
        mWindow->setWindowRefreshCallback(&DisplayGL::windowRefreshCallback);
        mRedraw = true;
        mWindow->swapInterval(1);
    } else {
        mWindow->setWindowRefreshCallback(nullptr);
        mRedraw = false;
        mWindow->swapInterval(mode == ModeUnpaced ? 0 : 1);
    }
}

float DisplayGL::getTime() const {
    return mMode == ModeFixedStep ? mClock : static_cast<float>(glfw::getTime());
}

bool DisplayGL::update() {
    if (mMode == ModeOnDemand && mOpen && !mRedraw && !mCloseRequested) {
        // Without a window nothing would ever wake the wait; a redraw or a close already asked
        // for (by a frame, or outside the event processing) must not wait for input either.
        mWindow->waitEvents(kCloseSoonPoll);
    } else if (mOpen && !mCloseRequested && mWindow->isIconified()) {
        // Nothing is drawn or swapped, so nothing paces the loop: wait for the window system
        // (a restore wakes the wait) rather than spin a processor core.
        mWindow->waitEvents(kCloseSoonPoll);
    } else {
        mWindow->pollEvents();
    }
    if (sCloseSoon && mOpen) {
        sCloseSoon = 0;
        requestClose();
    }
    if (!mOpen) {
        return false;
    }
    if (mCloseRequested) {
        mCloseRequested = false;
        return false;
    }
    bool draw = true;
    if (mMode == ModeOnDemand) {
        draw = mRedraw;
        mRedraw = false;
    }

    const bool iconified = mWindow->isIconified();
    const bool active = mWindow->isActive();
    if (iconified != mIconified) {
        notifyIconified(iconified);
        mIconified = iconified;
    }
    if (active != mActive) {
        notifyActivated(active);
        mActive = active;
    }

    const bool drawn = !iconified && draw;
    if (drawn) {
        DIS_GL_STATUS();
        beginFrame();
        DIS_GL_STATUS();
        notifyFrame();
    }

    pace();

    if (drawn && mOpen) {
        mWindow->swapBuffers();
    }

    const float now = getTime();
    mFrameCount += 1;
    if (now > mFpsTime + 1) {
        mFps = mFrameCount / (now - mFpsTime);
        mFpsTime = now;
        mFrameCount = 0;
    }
    return mWindow->isOpened();
}

void DisplayGL::pace() {
    if (mMode == ModeFixedRate) {
        const float period = 1.0f / mRate;
        const float wait = period + mClock - static_cast<float>(glfw::getTime()) - 0.005f;
        if (wait > 0.005f) {
            glfw::sleep(wait);
        }
        while (static_cast<float>(glfw::getTime()) < period + mClock) {
            // The last few milliseconds are waited for on the clock itself.
        }
        mClock = static_cast<float>(glfw::getTime());
    } else if (mMode == ModeFixedStep) {
        mClock += 1.0f / mRate;
    }
}

void DisplayGL::run() {
    while (update()) {
    }
}

void DisplayGL::resetState() {
    DIS_GL(glMatrixMode(GL_TEXTURE));
    DIS_GL(glLoadIdentity());
    resetViewMatrix();
    resetModelMatrix();
    // A window without area (no size set up, minimised) keeps a square aspect.
    const int width = mWindowMode.width, height = mWindowMode.height;
    const float aspect = (width > 0 && height > 0) ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;
    mathbase::Matrix4x4Col projection;
    projection.setPerspective(0.7853982f, aspect, 0.1f, 5000.0f);
    setProjection(projection);
    DIS_GL(glShadeModel(GL_SMOOTH));
    DIS_GL(glClearDepth(1.0));
    DIS_GL(glDisable(GL_DEPTH_TEST));
    DIS_GL(glDepthFunc(GL_LEQUAL));
    DIS_GL(glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST));
    DIS_GL(glDisable(GL_LIGHTING));
    DIS_GL(glColor4f(1.0f, 1.0f, 1.0f, 0.5f));
    DIS_GL(glDisable(GL_BLEND));
    DIS_GL(glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
    DIS_GL(glDisable(GL_TEXTURE_2D));
}

void DisplayGL::beginFrame() {
    if (mAttribPushed) {
        DIS_GL(glPopAttrib());
        mAttribPushed = false;
    }
    DIS_GL(glPushAttrib(GL_ALL_ATTRIB_BITS));
    mAttribPushed = true;
    resetState();
    DIS_GL(glViewport(0, 0, mWindowMode.width, mWindowMode.height));
    setVBO(nullptr);
    setIBO(nullptr);
}

void DisplayGL::setProjection(const mathbase::Matrix4x4Col& projection) {
    DIS_GL(glMatrixMode(GL_PROJECTION));
    DIS_GL(glLoadMatrixf(projection.data()));
}

void DisplayGL::setViewMatrix(const mathbase::Matrix4x4Col& view) {
    mView = view;
    loadModelView();
}

void DisplayGL::setModelMatrix(const mathbase::Matrix4x4Col& model) {
    mModel = model;
    loadModelView();
}

void DisplayGL::resetViewMatrix() {
    mView.setIdentity();
    loadModelView();
}

void DisplayGL::resetModelMatrix() {
    mModel.setIdentity();
    loadModelView();
}

void DisplayGL::loadModelView() {
    mathbase::Matrix4x4Col modelView = mView;
    modelView.multiply(mModel);
    DIS_GL(glMatrixMode(GL_MODELVIEW));
    DIS_GL(glLoadMatrixf(modelView.data()));
}

void DisplayGL::drawBox(const mathbase::Vector3T<float>& centre, const mathbase::Vector3T<float>& halfSize) {
    // Each face: outward normal n and in-face axes u, v with u x v = n, so the corners
    // n-u-v, n+u-v, n+u+v, n-u+v run counter-clockwise seen from outside.
    static const float faces[6][3][3] = {
        {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}},  // +Y
        {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},  // -Y
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},   // +Z
        {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}}, // -Z
        {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},  // -X
        {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}},  // +X
    };
    static const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    glBegin(GL_QUADS);
    for (const auto& face : faces) {
        const float* n = face[0];
        const float* u = face[1];
        const float* v = face[2];
        glNormal3f(n[0], n[1], n[2]);
        for (const auto& corner : corners) {
            float p[3];
            for (int i = 0; i < 3; ++i) {
                p[i] = n[i] + corner[0] * u[i] + corner[1] * v[i];
            }
            glTexCoord2f((corner[0] + 1) * 0.5f, (corner[1] + 1) * 0.5f);
            glVertex3f(centre.x + p[0] * halfSize.x, centre.y + p[1] * halfSize.y, centre.z + p[2] * halfSize.z);
        }
    }
    DIS_GL(glEnd());
}

bool DisplayGL::isExtensionSupported(const std::string& name) const {
    return glewIsSupported(name.c_str()) == GL_TRUE;
}

} // namespace display
} // namespace norvane
