// Listeners, the dispatch of input and notifications, and the translation of window input into events.

#include "dis_display.h"
#include "dis_display_glfw.h"
#include "dis_glcheck.h"
#include "dis_listener.h"

#include <algorithm>

namespace norvane {
namespace display {

Listener::Listener(DisplayGL* display) : mDisplay(display) {
    if (mDisplay) {
        mDisplay->addListener(this);
    }
}

Listener::~Listener() {
    if (mDisplay) {
        mDisplay->removeListener(this);
        mDisplay = nullptr;
    }
}

int Listener::onMouseUp(Event*) { return 0; }
int Listener::onMouseDown(Event*) { return 0; }
int Listener::onMouseMove(Event*) { return 0; }
int Listener::onMouseWheel(Event*) { return 0; }
int Listener::onKeyDown(Event*) { return 0; }
int Listener::onKeyUp(Event*) { return 0; }
int Listener::onCharDown(Event*) { return 0; }
int Listener::onCharUp(Event*) { return 0; }
int Listener::onCloseQuery() { return 0; }
void Listener::onResize(int, int) {}
void Listener::onIdle() {}
void Listener::onFrame() {}
void Listener::onIconify(bool) {}
void Listener::onActivate(bool) {}

void DisplayGL::addListener(Listener* listener) {
    mListeners.push_back(listener);
    if (mOpen) {
        listener->onResize(mWindowMode.width, mWindowMode.height);
    }
}

void DisplayGL::removeListener(Listener* listener) {
    auto it = std::find(mListeners.begin(), mListeners.end(), listener);
    if (it != mListeners.end()) {
        mListeners.erase(it);
    }
}

bool DisplayGL::hasListener(const Listener* listener) const {
    return std::find(mListeners.begin(), mListeners.end(), listener) != mListeners.end();
}

template <typename Handler> void DisplayGL::forEachListener(Order order, Handler handler) {
    // The walk follows the list as it was when the dispatch began; a listener removed by an
    // earlier handler is passed over, one added joins from the next dispatch on.
    const std::vector<Listener*> listeners = mListeners;
    const size_t count = listeners.size();
    for (size_t i = 0; i < count; ++i) {
        Listener* listener = listeners[order == FirstAddedFirst ? i : count - 1 - i];
        if (!hasListener(listener)) {
            continue;
        }
        if (!handler(listener)) {
            return;
        }
    }
}

void DisplayGL::dispatch(int (Listener::*handler)(Event*), Event* event) {
    forEachListener(LastAddedFirst, [this, handler, event](Listener* listener) {
        const int result = (listener->*handler)(event) & 0xff;
        if (result & ResultRedraw) {
            mRedraw = true;
        }
        if (result & ResultStop) {
            return false;
        }
        if (result & ResultClose) {
            requestClose();
        }
        return true;
    });
}

bool DisplayGL::requestClose() {
    if (!mOpen) {
        return true;
    }
    bool refused = false;
    forEachListener(LastAddedFirst, [&refused](Listener* listener) {
        refused = (listener->onCloseQuery() & CloseRefuse) != 0;
        return !refused;
    });
    if (!refused) {
        mCloseRequested = true;
    }
    return false;
}

void DisplayGL::resize(int width, int height) {
    if (!mOpen) {
        return;
    }
    const int oldWidth = mWindowMode.width, oldHeight = mWindowMode.height;
    mWindowMode.width = width;
    mWindowMode.height = height;
    forEachListener(FirstAddedFirst, [oldWidth, oldHeight](Listener* listener) {
        listener->onResize(oldWidth, oldHeight);
        return true;
    });
    mRedraw = true;
}

void DisplayGL::notifyFrame() {
    forEachListener(FirstAddedFirst, [](Listener* listener) {
        DIS_GL_STATUS();
        listener->onFrame();
        DIS_GL_STATUS();
        return true;
    });
}

void DisplayGL::notifyIconified(bool iconified) {
    forEachListener(FirstAddedFirst, [iconified](Listener* listener) {
        listener->onIconify(iconified);
        return true;
    });
}

void DisplayGL::notifyActivated(bool active) {
    forEachListener(FirstAddedFirst, [active](Listener* listener) {
        listener->onActivate(active);
        return true;
    });
}

int DisplayGL::translateKey(int key) {
    if (key >= 0 && key <= 255) {
        return key;
    }
    if (key >= glfw::KeyEsc && key <= glfw::KeyRAlt) {
        return key;
    }
    switch (key) {
    case glfw::KeyTab: return 9;
    case glfw::KeyEnter: return 13;
    case glfw::KeyBackspace: return 8;
    default: break;
    }
    if (key >= glfw::KeyInsert && key <= glfw::KeyKPEnter) {
        return key - 3;
    }
    return -1;
}

void DisplayGL::fillEvent(Event& event) const {
    event.x = mMouseX;
    event.y = mMouseY;
    // No division by a window without area.
    event.relX = mWindowMode.width > 0 ? mMouseX / static_cast<float>(mWindowMode.width) : 0.0f;
    event.relY = mWindowMode.height > 0 ? mMouseY / static_cast<float>(mWindowMode.height) : 0.0f;
    event.wheel = mWheel;
    static const struct {
        int key;
        int bit;
    } modifiers[] = {
        {glfw::KeyLShift, ModLeftShift}, {glfw::KeyRShift, ModRightShift}, {glfw::KeyLCtrl, ModLeftCtrl},
        {glfw::KeyRCtrl, ModRightCtrl},  {glfw::KeyLAlt, ModLeftAlt},      {glfw::KeyRAlt, ModRightAlt},
    };
    event.modifiers = 0;
    for (const auto& modifier : modifiers) {
        if (mKeyState[modifier.key]) {
            event.modifiers |= modifier.bit;
        }
    }
}

DisplayGL* DisplayGL::inputTarget() { return sInstance && sInstance->mOpen ? sInstance : nullptr; }

void DisplayGL::keyCallback(int key, int action) {
    DisplayGL* display = inputTarget();
    if (!display) {
        return;
    }
    const int code = translateKey(key);
    if (code < 0) {
        return;
    }
    const bool press = action == glfw::Press;
    display->mKeyState[code] = press ? 1 : 0;
    KeyEvent event;
    event.key = code;
    display->fillEvent(event);
    display->dispatch(press ? &Listener::onKeyDown : &Listener::onKeyUp, &event);
}

void DisplayGL::charCallback(int character, int action) {
    DisplayGL* display = inputTarget();
    if (!display) {
        return;
    }
    const bool press = action == glfw::Press;
    // Only characters below 256 are recorded: the codes above are the translated special keys.
    if (character >= 0 && character < 256) {
        display->mKeyState[character] = press ? 1 : 0;
    }
    KeyEvent event;
    event.key = character;
    display->fillEvent(event);
    display->dispatch(press ? &Listener::onCharDown : &Listener::onCharUp, &event);
}

void DisplayGL::mousePosCallback(double x, double y) {
    DisplayGL* display = inputTarget();
    if (!display) {
        return;
    }
    display->mLastPressTime = -1.0f;
    PointerEvent event;
    event.dx = display->mMouseX - static_cast<float>(x);
    event.dy = display->mMouseY - static_cast<float>(y);
    display->mMouseX = static_cast<float>(x);
    display->mMouseY = static_cast<float>(y);
    display->fillEvent(event);
    event.dWheel = 0;
    display->dispatch(&Listener::onMouseMove, &event);
}

void DisplayGL::mouseButtonCallback(int button, int action) {
    DisplayGL* display = inputTarget();
    if (!display) {
        return;
    }
    const bool press = action == glfw::Press;
    ButtonEvent event;
    event.doubleClick = false;
    display->fillEvent(event);
    event.button = button; // 0 left, 1 right, 2 middle as the window library numbers them
    if (press && button == 0) {
        const float t = display->getTime();
        const float since = t - display->mLastPressTime;
        if (display->mLastPressTime >= 0.0f && since >= 0.0f && since < 0.8f) {
            event.doubleClick = true;
            display->mLastPressTime = -1.0f;
        } else {
            display->mLastPressTime = t;
        }
    }
    display->dispatch(press ? &Listener::onMouseDown : &Listener::onMouseUp, &event);
}

void DisplayGL::mouseWheelCallback(double position) {
    DisplayGL* display = inputTarget();
    if (!display) {
        return;
    }
    PointerEvent event;
    event.dWheel = static_cast<float>(position) - display->mWheel;
    display->mWheel = static_cast<float>(position);
    display->fillEvent(event);
    event.dx = event.dy = 0;
    display->dispatch(&Listener::onMouseWheel, &event);
}

int DisplayGL::windowCloseCallback() {
    DisplayGL* display = sInstance;
    return display ? (display->requestClose() ? 1 : 0) : 1;
}

void DisplayGL::windowSizeCallback(int width, int height) {
    if (sInstance) {
        sInstance->windowResized(width, height);
    }
}

void DisplayGL::drawableSizeCallback() {
    if (sInstance && sInstance->mOpen) {
        sInstance->takeWindowSize();
    }
}

void DisplayGL::windowRefreshCallback() {
    if (sInstance) {
        sInstance->mRedraw = true;
    }
}

} // namespace display
} // namespace norvane
