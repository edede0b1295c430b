#pragma once
// The window library as the display uses it: GLFW 2 behaviour (key codes, character releases,
// a close callback with an answer, callbacks that report the current state when installed, an
// absolute wheel position) given on GLFW 3. dis_display_glfw.cpp is the one file that talks to GLFW.

#include <memory>
#include <string>

namespace norvane {
namespace display {
namespace glfw {

// GLFW 2 key codes. Printable keys (32..255) are their own codes.
enum Key {
    KeySpecial = 256,
    KeyEsc = 257,
    KeyF1 = 258,
    KeyF25 = 282,
    KeyUp = 283,
    KeyDown = 284,
    KeyLeft = 285,
    KeyRight = 286,
    KeyLShift = 287,
    KeyRShift = 288,
    KeyLCtrl = 289,
    KeyRCtrl = 290,
    KeyLAlt = 291,
    KeyRAlt = 292,
    KeyTab = 293,
    KeyEnter = 294,
    KeyBackspace = 295,
    KeyInsert = 296,
    KeyDel = 297,
    KeyPageUp = 298,
    KeyPageDown = 299,
    KeyHome = 300,
    KeyEnd = 301,
    KeyKP0 = 302,
    KeyKP9 = 311,
    KeyKPDivide = 312,
    KeyKPMultiply = 313,
    KeyKPSubtract = 314,
    KeyKPAdd = 315,
    KeyKPDecimal = 316,
    KeyKPEqual = 317,
    KeyKPEnter = 318,
};

enum Action { Release = 0, Press = 1 };

// The GLFW 2 code of a GLFW 3 key; -1 for keys GLFW 2 did not have.
int toGlfw2Key(int glfw3Key);

using KeyFun = void (*)(int key, int action);
using CharFun = void (*)(int character, int action);
using MousePosFun = void (*)(double x, double y);
using MouseButtonFun = void (*)(int button, int action);
using MouseWheelFun = void (*)(double position);
using WindowCloseFun = int (*)(); // 0 keeps the window open
using WindowSizeFun = void (*)(int width, int height);
using WindowRefreshFun = void (*)();
using DrawableSizeFun = void (*)(); // makes GL take the window's size now

// Process-wide calls.
// Why the window library cannot start on this X display, described for the user, or "" (also when
// there is no X display to ask): a window manager that has exited and left its name on the root
// window, or a name there that names no window manager's window.
std::string unusableWindowManagerCheck();
bool init();
void terminate();
double getTime();
void setTime(double time);
void sleep(double seconds);
void getVersion(int& major, int& minor, int& revision);
// The description of the window library's last error, or "" (then cleared).
std::string takeError();
// GLFW 2 filled in a window size that is missing: no side (0 or below) gives 640 x 480, one side
// gives the other at 4:3. GLFW 3 would refuse such a size or stop the program on it.
void fillInWindowSize(int& width, int& height);
// The largest window the window system holds. X keeps a side in 16 bits (a larger one wraps around
// or is an error that ends the process) and its coordinates in signed 16 bits, and the software
// renderer's image of the window breaks the client near 4 GiB (under Xvfb with Mesa a square of
// 32705 aborts in the X connection, 40000 x 27000 is a fatal BadValue, 65535 x 65535 a crash).
// With margin: at most 32767 pixels a side and 2^29 pixels (a 2 GiB image) in all.
const int MaxWindowSide = 32767;
const long long MaxWindowPixels = 1LL << 29;
bool windowSystemHolds(int width, int height);
// Cuts a size down to the largest the window system holds that is also at most maxWidth x maxHeight
// (a limit of 0 or below is none): each side to its limit, then the height to the pixel limit.
// True when the size was cut.
bool limitWindowSize(int& width, int& height, int maxWidth, int maxHeight);

// The one window and its context.
class Window {
public:
    Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    ~Window();

    // Makes the window (default colour bits, the given depth bits, no stencil) and makes its
    // context current; false when that failed. A missing size is filled in first (fillInWindowSize);
    // width and height then hold the size the window got (full screen, the video mode's).
    bool open(int& width, int& height, int depthBits, bool fullscreen, bool resizable);
    void close();
    bool exists() const;

    // Event processing; the callbacks run inside. A window closed by a callback is hidden at once
    // and destroyed when the processing has returned. At the end, where no window manager keeps
    // the window within its limits and a drawable size callback is set, the window is sized back
    // within them and the callback runs with no other program of the window system served
    // meanwhile (no other callback runs then): a size GL takes there is within the limits.
    void pollEvents();
    // Waits for events at most timeout seconds, then ends as pollEvents does.
    void waitEvents(double timeout);

    // A missing size is filled in as when opening.
    void setSize(int width, int height);
    // Where the window is past the size limits now, sizes it back to the largest size within them
    // (see limitWindowSize): true then. Width and height get the size it has now, after that. Where
    // no window manager runs, the X server serves no other program between the query of the size
    // and the sizing back (held for those two requests alone; no callback runs meanwhile), so a
    // resize by another program cannot fall between them and be undone.
    bool sizeBackPastLimits(int& width, int& height);
    // Tells the window system the largest size the window may be resized to, a side of at most
    // MaxWindowSide and the given limit (0 or below: none). A window manager follows it; without
    // one, the event processing sizes a window resized past it back.
    void setSizeLimits(int maxWidth, int maxHeight);
    void setTitle(const std::string& title);
    void swapBuffers();
    void swapInterval(int interval);
    void setKeyRepeat(bool enabled);
    void setStickyKeys(bool enabled);

    // The window exists and is not closing.
    bool isOpened() const;
    bool isActive() const;
    bool isIconified() const;

    // The size, position and wheel callbacks are called at once with the current state.
    void setKeyCallback(KeyFun fun);
    void setCharCallback(CharFun fun);
    void setMousePosCallback(MousePosFun fun);
    void setMouseButtonCallback(MouseButtonFun fun);
    void setMouseWheelCallback(MouseWheelFun fun);
    void setWindowCloseCallback(WindowCloseFun fun);
    void setWindowSizeCallback(WindowSizeFun fun);
    void setWindowRefreshCallback(WindowRefreshFun fun);
    void setDrawableSizeCallback(DrawableSizeFun fun);

    struct State;

private:
    std::unique_ptr<State> mState;
};

} // namespace glfw
} // namespace display
} // namespace norvane
