#pragma once
// What the display tells the objects that listen to it: input events, close queries, size and
// state changes, and the per-frame call in which they draw.

namespace norvane {
namespace display {

class DisplayGL;

// The part common to every input event.
struct Event {
    float x = 0, y = 0;       // pointer position in window pixels, origin top left
    float relX = 0, relY = 0; // x / window width, y / window height
    float wheel = 0;          // absolute wheel position
    int modifiers = 0;        // ModifierBits of the held modifier keys
};

// Modifier bits of Event::modifiers.
enum ModifierBits {
    ModLeftShift = 1,
    ModRightShift = 2,
    ModLeftCtrl = 64,
    ModRightCtrl = 128,
    ModLeftAlt = 256,
    ModRightAlt = 512,
};

// onKeyDown / onKeyUp: the translated key code; onCharDown / onCharUp: the character code.
struct KeyEvent : Event {
    int key = 0;
};

// onMouseDown / onMouseUp.
struct ButtonEvent : Event {
    int button = 0; // 0 left, 1 right, 2 middle; further buttons keep the window library's number
    bool doubleClick = false;
};

// onMouseMove / onMouseWheel.
struct PointerEvent : Event {
    float dx = 0, dy = 0; // previous position minus new position
    float dWheel = 0;     // new wheel position minus previous
};

// Result bits of the input handlers.
enum ListenerResult {
    ResultStop = 1,   // offer the event to no further listener
    ResultClose = 2,  // ask the display to close
    ResultRedraw = 4, // a redraw is needed
};

// Result bit of onCloseQuery.
enum { CloseRefuse = 1 };

// Input handlers are asked last-added first; frames, sizes and state changes go first-added
// first. Every operation has a do-nothing default.
class Listener {
public:
    Listener() = default;
    // Attaches to the display (when not null). The display's immediate onResize reaches this
    // base, not a derived handler: derived listeners read the size from the display.
    explicit Listener(DisplayGL* display);
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    // Detaches from the display.
    virtual ~Listener();

    virtual int onMouseUp(Event* event);
    virtual int onMouseDown(Event* event);
    virtual int onMouseMove(Event* event);
    virtual int onMouseWheel(Event* event);
    virtual int onKeyDown(Event* event);
    virtual int onKeyUp(Event* event);
    virtual int onCharDown(Event* event);
    virtual int onCharUp(Event* event);
    virtual int onCloseQuery();
    // The size before the change; the display already holds the new one.
    virtual void onResize(int width, int height);
    virtual void onIdle();
    virtual void onFrame();
    virtual void onIconify(bool iconified);
    virtual void onActivate(bool active);

protected:
    DisplayGL* mDisplay = nullptr;

private:
    friend class DisplayGL;
};

} // namespace display
} // namespace norvane
