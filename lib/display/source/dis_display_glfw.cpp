// GLFW 2 behaviour on GLFW 3 for the display. The only file of the system that includes GLFW.

#include "dis_display_glfw.h"

#include <GLFW/glfw3.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
// GLFW's own X connection and a window's X window (glfw3native.h would also want the XRandR headers).
extern "C" Display* glfwGetX11Display(void);
extern "C" Window glfwGetX11Window(GLFWwindow* window);

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

namespace norvane {
namespace display {
namespace glfw {

int toGlfw2Key(int key) {
    if (key >= 32 && key <= 255) {
        // The two "world" keys have no GLFW 2 peer; the other codes below 256 are printable keys.
        return (key == GLFW_KEY_WORLD_1 || key == GLFW_KEY_WORLD_2) ? -1 : key;
    }
    if (key >= GLFW_KEY_F1 && key <= GLFW_KEY_F25) {
        return KeyF1 + (key - GLFW_KEY_F1);
    }
    if (key >= GLFW_KEY_KP_0 && key <= GLFW_KEY_KP_9) {
        return KeyKP0 + (key - GLFW_KEY_KP_0);
    }
    switch (key) {
    case GLFW_KEY_ESCAPE: return KeyEsc;
    case GLFW_KEY_ENTER: return KeyEnter;
    case GLFW_KEY_TAB: return KeyTab;
    case GLFW_KEY_BACKSPACE: return KeyBackspace;
    case GLFW_KEY_INSERT: return KeyInsert;
    case GLFW_KEY_DELETE: return KeyDel;
    case GLFW_KEY_RIGHT: return KeyRight;
    case GLFW_KEY_LEFT: return KeyLeft;
    case GLFW_KEY_DOWN: return KeyDown;
    case GLFW_KEY_UP: return KeyUp;
    case GLFW_KEY_PAGE_UP: return KeyPageUp;
    case GLFW_KEY_PAGE_DOWN: return KeyPageDown;
    case GLFW_KEY_HOME: return KeyHome;
    case GLFW_KEY_END: return KeyEnd;
    case GLFW_KEY_KP_DECIMAL: return KeyKPDecimal;
    case GLFW_KEY_KP_DIVIDE: return KeyKPDivide;
    case GLFW_KEY_KP_MULTIPLY: return KeyKPMultiply;
    case GLFW_KEY_KP_SUBTRACT: return KeyKPSubtract;
    case GLFW_KEY_KP_ADD: return KeyKPAdd;
    case GLFW_KEY_KP_ENTER: return KeyKPEnter;
    case GLFW_KEY_KP_EQUAL: return KeyKPEqual;
    case GLFW_KEY_LEFT_SHIFT: return KeyLShift;
    case GLFW_KEY_LEFT_CONTROL: return KeyLCtrl;
    case GLFW_KEY_LEFT_ALT: return KeyLAlt;
    case GLFW_KEY_RIGHT_SHIFT: return KeyRShift;
    case GLFW_KEY_RIGHT_CONTROL: return KeyRCtrl;
    case GLFW_KEY_RIGHT_ALT: return KeyRAlt;
    default: return -1;
    }
}

namespace {

// Errors of the requests below are their answer (a window that is gone), not a reason to stop.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

// A window's _NET_SUPPORTING_WM_CHECK property read as the window library reads it: whole, asked
// for as type WINDOW. No items when the window or the property is missing, or of another type.
class CheckProperty {
public:
    CheckProperty(Display* display, ::Window window, Atom check) {
        Atom type = None;
        unsigned long after = 0;
        if (XGetWindowProperty(display, window, check, 0, LONG_MAX, False, XA_WINDOW, &type, &mFormat, &mCount, &after,
                               &mData) != Success) {
            mCount = 0;
        }
    }
    ~CheckProperty() {
        if (mData) XFree(mData);
    }
    CheckProperty(const CheckProperty&) = delete;
    CheckProperty& operator=(const CheckProperty&) = delete;

    int format() const { return mFormat; }
    unsigned long count() const { return mCount; }
    // The window the library takes the property to name: its first bytes, as many as a window id
    // has, whatever the items' size. False when the items hold fewer bytes (the library then reads
    // past them, so what it finds is not known).
    bool named(::Window& window) const {
        const size_t itemSize = mFormat == 8 ? 1 : mFormat == 16 ? sizeof(short) : sizeof(long);
        if (!mData || mCount * itemSize < sizeof(window)) return false;
        std::memcpy(&window, mData, sizeof(window));
        return true;
    }

private:
    int mFormat = 0;
    unsigned long mCount = 0;
    unsigned char* mData = nullptr;
};

// Holds the X server, serving no other client, while it lives; released however the scope ends
// (a GL error throws).
class ServerHold {
public:
    explicit ServerHold(Display* display) : mDisplay(display) { XGrabServer(mDisplay); }
    ~ServerHold() {
        XUngrabServer(mDisplay);
        XFlush(mDisplay);
    }
    ServerHold(const ServerHold&) = delete;
    ServerHold& operator=(const ServerHold&) = delete;

private:
    Display* mDisplay;
};

} // namespace

std::string unusableWindowManagerCheck() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return ""; // the window library says why it cannot start
    }
    std::string why;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check != None) {
        // A window manager names a window of its own on the root window, and that window names
        // itself. The window library (3.3) reads the root window's name; where there is one, it
        // takes over X's error handling and reads the name on the window named, and where that
        // window names nothing (the manager has exited or crashed, or the root's name is no
        // window), it leaves the error handling taken: the process then stops on an assertion
        // when the window is made.
        const XErrorHandler previous = XSetErrorHandler(&ignoreXError);
        const CheckProperty root(display, DefaultRootWindow(display), check);
        ::Window named = None;
        char text[512] = "";
        // Without a name on the root window the library does not look further.
        if (root.count() > 0 && (!root.named(named) || CheckProperty(display, named, check).count() == 0)) {
            if (root.format() == 32 && named != None) {
                std::snprintf(text, sizeof(text),
                              "The window manager named on the root window of the X display '%s' (its check window "
                              "0x%lx) no longer runs: start a window manager again, remove the name (xprop -root "
                              "-remove _NET_SUPPORTING_WM_CHECK), or restart the X server",
                              DisplayString(display), static_cast<unsigned long>(named));
            } else {
                char what[96] = "the window 0x0";
                if (root.format() != 32)
                    std::snprintf(what, sizeof(what), "%lu item%s of %d bits where a window's number is due",
                                  root.count(), root.count() == 1 ? "" : "s", root.format());
                std::snprintf(text, sizeof(text),
                              "The root window of the X display '%s' names its window manager's check window "
                              "(_NET_SUPPORTING_WM_CHECK) with %s, which the window library cannot start with: "
                              "start a window manager, remove the name (xprop -root -remove "
                              "_NET_SUPPORTING_WM_CHECK), or restart the X server",
                              DisplayString(display), what);
            }
        }
        why = text;
        XSetErrorHandler(previous);
    }
    XCloseDisplay(display);
    return why;
}

bool init() { return glfwInit() == GLFW_TRUE; }
void terminate() { glfwTerminate(); }
double getTime() { return glfwGetTime(); }
void setTime(double time) { glfwSetTime(time); }

void sleep(double seconds) {
    if (seconds > 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
}

void getVersion(int& major, int& minor, int& revision) { glfwGetVersion(&major, &minor, &revision); }

std::string takeError() {
    const char* description = nullptr;
    glfwGetError(&description);
    return description ? description : "";
}

void fillInWindowSize(int& width, int& height) {
    if (width > 0 && height <= 0) {
        height = static_cast<int>(static_cast<long long>(width) * 3 / 4);
    } else if (width <= 0 && height > 0) {
        const long long wide = static_cast<long long>(height) * 4 / 3;
        width = wide > INT_MAX ? INT_MAX : static_cast<int>(wide);
    } else if (width <= 0 && height <= 0) {
        width = 640;
        height = 480;
    }
    // A side that rounds down to nothing (a width of 1) still gets a pixel.
    if (height <= 0) {
        height = 1;
    }
}

bool windowSystemHolds(int width, int height) {
    return width <= MaxWindowSide && height <= MaxWindowSide &&
           static_cast<long long>(width) * height <= MaxWindowPixels;
}

bool limitWindowSize(int& width, int& height, int maxWidth, int maxHeight) {
    int w = std::min(width, MaxWindowSide), h = std::min(height, MaxWindowSide);
    if (maxWidth > 0) w = std::min(w, maxWidth);
    if (maxHeight > 0) h = std::min(h, maxHeight);
    if (w > 0 && static_cast<long long>(w) * h > MaxWindowPixels) h = static_cast<int>(MaxWindowPixels / w);
    const bool cut = w != width || h != height;
    width = w;
    height = h;
    return cut;
}

struct Window::State {
    GLFWwindow* window = nullptr;
    KeyFun keyFun = nullptr;
    CharFun charFun = nullptr;
    MousePosFun mousePosFun = nullptr;
    MouseButtonFun mouseButtonFun = nullptr;
    MouseWheelFun mouseWheelFun = nullptr;
    WindowCloseFun closeFun = nullptr;
    WindowSizeFun sizeFun = nullptr;
    WindowRefreshFun refreshFun = nullptr;
    DrawableSizeFun drawableSizeFun = nullptr;
    int maxWidth = 0, maxHeight = 0; // the size limits told (0: none)
    bool overrideRedirect = false;   // the window bypasses window managers
    bool keyRepeat = false;
    // GLFW 3 reports a key before the characters it produces: the scancode of the key pressed
    // last, so that its characters can be released with it; -1 when characters belong to no key.
    int pressedScancode = -1;
    bool dropCharacters = false; // the key event was a repeat that is not reported
    std::vector<std::pair<int, unsigned int>> heldCharacters; // scancode, character
    double wheel = 0;         // sum of the vertical scroll offsets
    // Window states as the window system last reported them: asking the X server every frame
    // would cost two round trips.
    bool focused = false;
    bool iconified = false;
    // GLFW must not destroy a window from inside its callbacks: windows closed there wait here.
    int callbackDepth = 0;
    std::vector<GLFWwindow*> doomed;

    static State* of(GLFWwindow* window) { return static_cast<State*>(glfwGetWindowUserPointer(window)); }

    // Marks the time spent inside one of our callbacks.
    struct InCallback {
        explicit InCallback(State* state) : s(state) { ++s->callbackDepth; }
        ~InCallback() { --s->callbackDepth; }
        InCallback(const InCallback&) = delete;
        InCallback& operator=(const InCallback&) = delete;
        State* s;
    };

    // Under a window manager the window's size requests go to the manager, which keeps the window
    // within the size limits it was told: no other program can resize it past them. A window that
    // bypasses managers (override-redirect: the window library makes a full-screen window so where
    // no manager ran when it started) does not get that. Asked on every event processing (one
    // round trip), as a manager may start or stop while the program runs.
    bool managed(Display* display) const {
        XWindowAttributes root;
        return !overrideRedirect && XGetWindowAttributes(display, DefaultRootWindow(display), &root) &&
               (root.all_event_masks & SubstructureRedirectMask) != 0;
    }

    // The software renderer asks the X server for the window's size at its first use of the window
    // after a buffer swap and cannot change its mind before the next swap: a size past the limits
    // taken there ends the process at that swap. Without a window manager another program may
    // resize the window at any time, also between the event processing and that first use. So,
    // with no other program served: the window's real size is read, a size past the limits is
    // sized back, and GL takes the size. GL's part must sit inside too, as a resize slipping in
    // before it would be taken (moved after the release, a program resizing the window past the
    // limits over and over ended the process within seconds); it costs the renderer one round
    // trip (and, after a resize, a new image of the window) and waits for nothing, as the swap has
    // already handed the image over. The size callback hears of the resizes at the next event
    // processing, outside the hold: none of our handlers ever runs with the server held. Under a
    // window manager nothing is held.
    void holdSize() {
        if (!window || !drawableSizeFun) {
            return;
        }
        Display* display = glfwGetX11Display();
        if (!display || managed(display)) {
            return;
        }
        const ServerHold hold(display);
        int width = 0, height = 0;
        sizeBackFromServer(display, width, height);
        drawableSizeFun();
    }

    // Reads the window's real size from the X server and, where it is past the limits, sizes the
    // window back within them: true then. Width and height get the size the window has after that
    // (0 x 0 when it could not be read). A query and a resize, for the caller to hold the server
    // around.
    bool sizeBackFromServer(Display* display, int& width, int& height) const {
        width = height = 0;
        const ::Window own = glfwGetX11Window(window);
        ::Window root = None;
        int x = 0, y = 0;
        unsigned int realWidth = 0, realHeight = 0, border = 0, depth = 0;
        if (!XGetGeometry(display, own, &root, &x, &y, &realWidth, &realHeight, &border, &depth)) {
            return false;
        }
        width = static_cast<int>(realWidth);
        height = static_cast<int>(realHeight);
        if (!limitWindowSize(width, height, maxWidth, maxHeight)) {
            return false;
        }
        XResizeWindow(display, own, static_cast<unsigned int>(width), static_cast<unsigned int>(height));
        return true;
    }

    void destroyDoomed() {
        for (GLFWwindow* window : doomed) {
            glfwDestroyWindow(window);
        }
        doomed.clear();
    }

    void releaseCharacterOf(int scancode) {
        for (auto it = heldCharacters.begin(); it != heldCharacters.end(); ++it) {
            if (it->first == scancode) {
                unsigned int character = it->second;
                heldCharacters.erase(it);
                if (charFun) {
                    charFun(static_cast<int>(character), Release);
                }
                return;
            }
        }
    }

    static void onKey(GLFWwindow* window, int key, int scancode, int action, int) {
        State* s = of(window);
        if (!s) {
            return; // a window closed during this event processing
        }
        InCallback inCallback(s);
        if (action == GLFW_REPEAT && !s->keyRepeat) {
            s->pressedScancode = -1;
            s->dropCharacters = true;
            return;
        }
        s->dropCharacters = false;
        const int code = toGlfw2Key(key);
        if (action == GLFW_RELEASE) {
            s->pressedScancode = -1;
            if (code >= 0 && s->keyFun) {
                s->keyFun(code, Release);
            }
            s->releaseCharacterOf(scancode);
            return;
        }
        // A press, or a repeat reported as a further press.
        s->pressedScancode = scancode;
        if (code >= 0 && s->keyFun) {
            s->keyFun(code, Press);
        }
    }

    static void onChar(GLFWwindow* window, unsigned int character) {
        State* s = of(window);
        if (!s) {
            return; // a window closed during this event processing
        }
        InCallback inCallback(s);
        if (s->dropCharacters) {
            return;
        }
        if (s->pressedScancode < 0) {
            // Not produced by a key we saw go down: report it as a press and its release.
            if (s->charFun) {
                s->charFun(static_cast<int>(character), Press);
                s->charFun(static_cast<int>(character), Release);
            }
            return;
        }
        auto held = std::find_if(s->heldCharacters.begin(), s->heldCharacters.end(),
                                 [s](const std::pair<int, unsigned int>& h) { return h.first == s->pressedScancode; });
        if (held != s->heldCharacters.end() && held->second != character) {
            // The key now gives another character (a modifier changed): release the old one.
            s->releaseCharacterOf(s->pressedScancode);
            held = s->heldCharacters.end();
        }
        if (held == s->heldCharacters.end()) {
            s->heldCharacters.emplace_back(s->pressedScancode, character);
        }
        if (s->charFun) {
            s->charFun(static_cast<int>(character), Press);
        }
    }

    static void onCursorPos(GLFWwindow* window, double x, double y) {
        State* s = of(window);
        if (!s) {
            return; // a window closed during this event processing
        }
        InCallback inCallback(s);
        if (s->mousePosFun) {
            s->mousePosFun(x, y);
        }
    }

    static void onMouseButton(GLFWwindow* window, int button, int action, int) {
        State* s = of(window);
        if (!s) {
            return; // a window closed during this event processing
        }
        InCallback inCallback(s);
        if (s->mouseButtonFun) {
            s->mouseButtonFun(button, action == GLFW_PRESS ? Press : Release);
        }
    }

    static void onScroll(GLFWwindow* window, double, double yOffset) {
        State* s = of(window);
        if (!s) {
            return; // a window closed during this event processing
        }
        InCallback inCallback(s);
        s->wheel += yOffset;
        if (s->mouseWheelFun) {
            s->mouseWheelFun(s->wheel);
        }
    }

    static void onClose(GLFWwindow* window) {
        State* s = of(window);
        if (!s) {
            return; // a window closed during this event processing
        }
        InCallback inCallback(s);
        // GLFW 3 has already decided to close; the display's answer may take that back. The
        // window itself is never destroyed here: the frame loop ends instead.
        if (s->closeFun && s->closeFun() == 0) {
            glfwSetWindowShouldClose(window, GLFW_FALSE);
        }
    }

    static void onSize(GLFWwindow* window, int width, int height) {
        State* s = of(window);
        if (!s) {
            return; // a window closed during this event processing
        }
        InCallback inCallback(s);
        if (s->sizeFun) {
            s->sizeFun(width, height);
        }
    }

    static void onFocus(GLFWwindow* window, int focused) {
        if (State* s = of(window)) {
            s->focused = focused == GLFW_TRUE;
        }
    }

    static void onIconify(GLFWwindow* window, int iconified) {
        if (State* s = of(window)) {
            s->iconified = iconified == GLFW_TRUE;
        }
    }

    static void onRefresh(GLFWwindow* window) {
        State* s = of(window);
        if (!s) {
            return; // a window closed during this event processing
        }
        InCallback inCallback(s);
        if (s->refreshFun) {
            s->refreshFun();
        }
    }
};

Window::Window() : mState(new State) {}

Window::~Window() {
    close();
    mState->destroyDoomed();
}

void Window::pollEvents() {
    glfwPollEvents();
    mState->holdSize();
    mState->destroyDoomed();
}

void Window::waitEvents(double timeout) {
    glfwWaitEventsTimeout(timeout);
    mState->holdSize();
    mState->destroyDoomed();
}

bool Window::open(int& width, int& height, int depthBits, bool fullscreen, bool resizable) {
    close();
    fillInWindowSize(width, height);
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_RESIZABLE, resizable ? GLFW_TRUE : GLFW_FALSE);
    glfwWindowHint(GLFW_DEPTH_BITS, depthBits);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    GLFWwindow* window =
        glfwCreateWindow(width, height, "", fullscreen ? glfwGetPrimaryMonitor() : nullptr, nullptr);
    if (!window) {
        return false;
    }
    State& s = *mState;
    s.window = window;
    s.pressedScancode = -1;
    s.dropCharacters = false;
    s.heldCharacters.clear();
    s.wheel = 0;
    glfwSetWindowUserPointer(window, &s);
    glfwMakeContextCurrent(window);
    glfwSetKeyCallback(window, &State::onKey);
    glfwSetCharCallback(window, &State::onChar);
    glfwSetCursorPosCallback(window, &State::onCursorPos);
    glfwSetMouseButtonCallback(window, &State::onMouseButton);
    glfwSetScrollCallback(window, &State::onScroll);
    glfwSetWindowCloseCallback(window, &State::onClose);
    glfwSetWindowSizeCallback(window, &State::onSize);
    glfwSetWindowRefreshCallback(window, &State::onRefresh);
    glfwSetWindowFocusCallback(window, &State::onFocus);
    glfwSetWindowIconifyCallback(window, &State::onIconify);
    // Full screen, the window takes the size of the video mode chosen, which need not be the one
    // asked for: the size it got is the one to draw and read.
    int realWidth = 0, realHeight = 0;
    glfwGetFramebufferSize(window, &realWidth, &realHeight);
    if (realWidth > 0 && realHeight > 0) {
        width = realWidth;
        height = realHeight;
    }
    XWindowAttributes attributes;
    s.overrideRedirect = glfwGetX11Display() &&
                         XGetWindowAttributes(glfwGetX11Display(), glfwGetX11Window(window), &attributes) &&
                         attributes.override_redirect;
    s.focused = glfwGetWindowAttrib(window, GLFW_FOCUSED) == GLFW_TRUE;
    s.iconified = glfwGetWindowAttrib(window, GLFW_ICONIFIED) == GLFW_TRUE;
    return true;
}

void Window::close() {
    State& s = *mState;
    if (s.window) {
        if (s.callbackDepth > 0) {
            glfwHideWindow(s.window);
            glfwSetWindowUserPointer(s.window, nullptr);
            s.doomed.push_back(s.window);
        } else {
            glfwDestroyWindow(s.window);
        }
        s.window = nullptr;
    }
    s.heldCharacters.clear();
    s.pressedScancode = -1;
}

bool Window::exists() const { return mState->window != nullptr; }

void Window::setSize(int width, int height) {
    if (mState->window) {
        fillInWindowSize(width, height);
        glfwSetWindowSize(mState->window, width, height);
    }
}

// Under a window manager the sizing back is a request to the manager, which answers it in its own
// time: holding the server for it would gain nothing, so nothing is held there.
bool Window::sizeBackPastLimits(int& width, int& height) {
    State& s = *mState;
    width = height = 0;
    if (!s.window) {
        return false;
    }
    Display* display = glfwGetX11Display();
    if (display && !s.managed(display)) {
        const ServerHold hold(display);
        return s.sizeBackFromServer(display, width, height);
    }
    glfwGetWindowSize(s.window, &width, &height);
    if (!limitWindowSize(width, height, s.maxWidth, s.maxHeight)) {
        return false;
    }
    setSize(width, height);
    return true;
}

void Window::setSizeLimits(int maxWidth, int maxHeight) {
    mState->maxWidth = maxWidth;
    mState->maxHeight = maxHeight;
    if (mState->window) {
        glfwSetWindowSizeLimits(mState->window, GLFW_DONT_CARE, GLFW_DONT_CARE,
                                maxWidth > 0 ? std::min(maxWidth, MaxWindowSide) : MaxWindowSide,
                                maxHeight > 0 ? std::min(maxHeight, MaxWindowSide) : MaxWindowSide);
    }
}

void Window::setTitle(const std::string& title) {
    if (mState->window) {
        glfwSetWindowTitle(mState->window, title.c_str());
    }
}

void Window::swapBuffers() {
    if (mState->window) {
        glfwSwapBuffers(mState->window);
    }
}

void Window::swapInterval(int interval) {
    if (mState->window) {
        glfwSwapInterval(interval);
    }
}

void Window::setKeyRepeat(bool enabled) { mState->keyRepeat = enabled; }

void Window::setStickyKeys(bool enabled) {
    if (mState->window) {
        glfwSetInputMode(mState->window, GLFW_STICKY_KEYS, enabled ? GLFW_TRUE : GLFW_FALSE);
    }
}

bool Window::isOpened() const { return mState->window && !glfwWindowShouldClose(mState->window); }

bool Window::isActive() const { return mState->window && mState->focused; }

bool Window::isIconified() const { return mState->window && mState->iconified; }

void Window::setKeyCallback(KeyFun fun) { mState->keyFun = fun; }
void Window::setCharCallback(CharFun fun) { mState->charFun = fun; }

void Window::setMousePosCallback(MousePosFun fun) {
    mState->mousePosFun = fun;
    if (fun && mState->window) {
        double x = 0, y = 0;
        glfwGetCursorPos(mState->window, &x, &y);
        fun(x, y);
    }
}

void Window::setMouseButtonCallback(MouseButtonFun fun) { mState->mouseButtonFun = fun; }

void Window::setMouseWheelCallback(MouseWheelFun fun) {
    mState->mouseWheelFun = fun;
    if (fun && mState->window) {
        fun(mState->wheel);
    }
}

void Window::setWindowCloseCallback(WindowCloseFun fun) { mState->closeFun = fun; }

void Window::setWindowSizeCallback(WindowSizeFun fun) {
    mState->sizeFun = fun;
    if (fun && mState->window) {
        int width = 0, height = 0;
        glfwGetWindowSize(mState->window, &width, &height);
        fun(width, height);
    }
}

void Window::setWindowRefreshCallback(WindowRefreshFun fun) { mState->refreshFun = fun; }
void Window::setDrawableSizeCallback(DrawableSizeFun fun) { mState->drawableSizeFun = fun; }

} // namespace glfw
} // namespace display
} // namespace norvane
