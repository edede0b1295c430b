#pragma once
// The one window of the system with its OpenGL context, its listeners and its frame loop.

#include "dis_listener.h"
#include "mathbase/mb_matrix.h"
#include "mathbase/mb_vector.h"

#include <csignal>
#include <memory>
#include <string>
#include <vector>

namespace norvane {
namespace am {
class ArchiveManager;
class Image;
} // namespace am

namespace display {

class VBO;
class IBO;
namespace glfw {
class Window;
}

// Window settings, copied into the display.
struct WindowMode {
    std::string title = "The Untitled Application";
    int width = 800;
    int height = 600;
    int bits = 32; // carried, not applied: the window gets the default colour depth
    bool fullscreen = false;
    bool resizable = false;
};

// Pacing modes of the frame loop (setMode).
enum PacingMode {
    ModeUnpaced = 0,    // as free-running, with swap interval 0
    ModeFreeRunning = 1, // a frame every step; the buffer swap waits for the vertical sync
    ModeFixedRate = 2,   // a frame every step, started 1/rate after the previous one
    ModeOnDemand = 3,    // waits for events unless a redraw or close is pending; draws only when asked to
    ModeFixedStep = 4,   // a frame every step without waiting; the display clock steps by 1/rate
};

class DisplayGL {
public:
    enum { KeyStateSize = 316 };

    // Only one display lives at a time: a second one throws.
    explicit DisplayGL(const WindowMode& mode);
    DisplayGL(const DisplayGL&) = delete;
    DisplayGL& operator=(const DisplayGL&) = delete;
    // Closes the window if open and ends the window library. Listeners still attached are
    // detached, so their own destruction later does not reach this display.
    ~DisplayGL();

    // Opens the window, or gives the open one the size of the settings.
    void open();
    void close();
    bool isOpen() const { return mOpen; }

    void setArchive(am::ArchiveManager* archive);
    am::ArchiveManager* getArchive() const { return mArchive; }

    // Chooses the pacing mode (PacingMode); rate is frames per second for the fixed-rate and
    // fixed-step modes and must be positive there. Called after open.
    void setMode(int mode, float rate);
    int getMode() const { return mMode; }
    float getRate() const { return mRate; }

    // One step of the frame loop; false when the loop is to end.
    bool update();
    // Steps until the loop ends.
    void run();
    // The display time: the fixed-step clock in mode 4, else the window library's time.
    float getTime() const;
    void setDirty(bool value) { mRedraw = value; }
    bool isDirty() const { return mRedraw; }

    // Reads the frame buffer into a writable image of the window's size, top row first, alpha 255.
    void grabScreen(am::Image& image);

    // Listeners are not owned.
    void addListener(Listener* listener);
    void removeListener(Listener* listener);
    // Asks the listeners whether the window may close. False while a window is open: either a
    // listener refused, or the loop ends at the next update.
    bool requestClose();
    // Asks the frame loop to close at its next step, as a close request from the window would
    // (listeners are asked). It only sets a flag, so a signal handler may call it; asked before the
    // loop runs, the loop closes at its first step.
    static void requestCloseSoon() { sCloseSoon = 1; }
    // A new window size; the listeners hear the size held before.
    void resize(int width, int height);
    void notifyIconified(bool iconified);
    void notifyActivated(bool active);

    void setProjection(const mathbase::Matrix4x4Col& projection);
    void setViewMatrix(const mathbase::Matrix4x4Col& view);
    void setModelMatrix(const mathbase::Matrix4x4Col& model);
    void resetViewMatrix();
    void resetModelMatrix();
    // Loads view x model into GL's model-view matrix.
    void loadModelView();
    const mathbase::Matrix4x4Col& getViewMatrix() const { return mView; }
    const mathbase::Matrix4x4Col& getModelMatrix() const { return mModel; }

    // Back to the default GL state every frame starts from: matrices, depth, blending, colour.
    void resetState();

    // Makes a buffer current for drawing, unbinding the previous one.
    void setVBO(VBO* vbo);
    void setIBO(IBO* ibo);
    VBO* getCurrentVBO() const { return mCurrentVBO; }
    IBO* getCurrentIBO() const { return mCurrentIBO; }
    // Draws from the current buffers: firstIndex != -1 draws numIndices indices from it; else
    // a current index buffer draws whole; else firstVertex == -1 draws the whole vertex buffer;
    // else numVertices vertices from firstVertex.
    void draw(int mode, int firstIndex, int numIndices, int firstVertex, int numVertices);
    // A box of six quads with outward normals and 0..1 texture coordinates on each face.
    void drawBox(const mathbase::Vector3T<float>& centre, const mathbase::Vector3T<float>& halfSize);
    bool isExtensionSupported(const std::string& name) const;

    const WindowMode& getWindowMode() const { return mWindowMode; }
    int getWidth() const { return mWindowMode.width; }
    int getHeight() const { return mWindowMode.height; }
    float getFps() const { return mFps; }
    // Increased by one for every window (and so GL context) made.
    int getContextGeneration() const { return mContextGeneration; }
    // 1 while the key of this translated code (0..315) is held.
    bool isKeyHeld(int code) const { return code >= 0 && code < KeyStateSize && mKeyState[code] != 0; }

    // The display key code of a window-library key code; -1 for none.
    static int translateKey(int glfwKey);
    // Copies the pointer, relative pointer, wheel and modifier state into an event.
    void fillEvent(Event& event) const;

private:
    // Refuses, before it is made, a window of this (filled-in) size that the window system cannot hold.
    void checkWindowSystemSize(int width, int height) const;
    // Refuses a window that cannot be drawn whole (see the definition).
    void checkDrawableSize(int askedWidth, int askedHeight, int width, int height);
    // A size the window system gave the window: past the limits, the window is sized back.
    void windowResized(int width, int height);
    // Window library callbacks; each reaches the live display through sInstance.
    static void keyCallback(int key, int action);
    static void charCallback(int character, int action);
    static void mousePosCallback(double x, double y);
    static void mouseButtonCallback(int button, int action);
    static void mouseWheelCallback(double position);
    static int windowCloseCallback();
    static void windowSizeCallback(int width, int height);
    static void windowRefreshCallback();
    static void drawableSizeCallback();
    // Makes GL take the window's size now (the window library calls it when no resize can slip in).
    void takeWindowSize();
    // GL (the renderer of the current context) reads the window's size from the X server.
    static bool takesWindowSizeFromServer();
    // The live display while its window is open, else null: input reaches no other.
    static DisplayGL* inputTarget();

    enum Order { FirstAddedFirst, LastAddedFirst };
    // Calls handler on every listener in the order. Listeners added or removed by a handler
    // neither upset the walk nor get called after their removal.
    template <typename Handler> void forEachListener(Order order, Handler handler);
    // Offers an input event with the result rules: 4 redraws, 1 stops, else 2 asks to close.
    void dispatch(int (Listener::*handler)(Event*), Event* event);
    bool hasListener(const Listener* listener) const;
    // Every listener's onFrame, first added first, each between two GL checks.
    void notifyFrame();

    void beginFrame();
    void pace();

    static DisplayGL* sInstance;
    static volatile std::sig_atomic_t sCloseSoon;

    int mContextGeneration = 0;
    VBO* mCurrentVBO = nullptr;
    IBO* mCurrentIBO = nullptr;
    mathbase::Matrix4x4Col mView, mModel;
    bool mOpen = false;
    // Why the window library could not start (no X display, say): the cause of a window that then
    // cannot open.
    std::string mStartError;
    // The largest window GL draws whole (its viewport and texture limits), known once a window
    // opened; 0 when not known.
    int mMaxWidth = 0, mMaxHeight = 0;
    bool mRedraw = false;
    bool mIconified = false, mActive = false;
    WindowMode mWindowMode;
    float mMouseX = 0, mMouseY = 0, mWheel = 0;
    std::vector<Listener*> mListeners;
    unsigned char mKeyState[KeyStateSize] = {};
    int mMode = 0;
    float mRate = 30, mClock = 0;
    float mLastPressTime = -1.0f;
    bool mCloseRequested = false;
    bool mAttribPushed = false;
    float mFps = 0, mFpsTime = 0, mFrameCount = 0;
    am::ArchiveManager* mArchive = nullptr;
    std::unique_ptr<glfw::Window> mWindow;
};

} // namespace display
} // namespace norvane
