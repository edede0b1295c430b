// The GUI root: input from the display becomes GUI events for the workspace, which is drawn over
// the frame; layout files are read through the display's archives.

#include "vst_vistrel.h"

#include "am_archivemanager.h"
#include "dis_glcheck.h"

#include "nvn_system.h"

#include <GL/glew.h>

namespace norvane {
namespace vistrel {

Vistrel::Vistrel(display::DisplayGL* display) : display::Listener(display), mLastMoveX(0), mLastMoveY(0) {
    ControlRegistry::acquire();
    try {
        mWorkspace.setDisplay(display);
    } catch (...) {
        ControlRegistry::release();
        throw;
    }
    if (display)
        mWorkspace.setArea(Rect(0, 0, static_cast<float>(display->getWidth()), static_cast<float>(display->getHeight())));
    registerControlClasses();
}

Vistrel::~Vistrel() { ControlRegistry::release(); }

int Vistrel::dispatch(Event& e) {
    if (mDisplay)
        mDisplay->setDirty(true);
    return mWorkspace.handleEvent(e) ? 1 : 0;
}

int Vistrel::onMouseUp(display::Event* event) {
    Event e(*event);
    e.button = static_cast<display::ButtonEvent*>(event)->button;
    e.name = "mouseup";
    return dispatch(e);
}

int Vistrel::onMouseDown(display::Event* event) {
    const display::ButtonEvent* source = static_cast<display::ButtonEvent*>(event);
    Event e(*event);
    e.button = source->button;
    e.doubleClick = source->doubleClick;
    e.name = "mousedown";
    return dispatch(e);
}

int Vistrel::onMouseMove(display::Event* event) {
    int x = static_cast<int>(event->x);
    int y = static_cast<int>(event->y);
    if (x == mLastMoveX && y == mLastMoveY)
        return 0;
    mLastMoveX = x;
    mLastMoveY = y;
    const display::PointerEvent* source = static_cast<display::PointerEvent*>(event);
    Event e(*event);
    e.dx = source->dx;
    e.dy = source->dy;
    e.name = "mousemove";
    dispatch(e);
    return 0;
}

int Vistrel::onMouseWheel(display::Event* event) {
    Event e(*event);
    e.wheel = static_cast<display::PointerEvent*>(event)->dWheel;
    e.name = "mousewheel";
    return dispatch(e);
}

int Vistrel::onKeyDown(display::Event* event) {
    Event e(*event);
    e.key = static_cast<display::KeyEvent*>(event)->key;
    e.name = "keydown";
    return dispatch(e);
}

int Vistrel::onKeyUp(display::Event* event) {
    Event e(*event);
    e.key = static_cast<display::KeyEvent*>(event)->key;
    e.name = "keyup";
    return dispatch(e);
}

int Vistrel::onCharDown(display::Event* event) {
    Event e(*event);
    e.character = static_cast<display::KeyEvent*>(event)->key;
    e.name = "keychardown";
    return dispatch(e);
}

int Vistrel::onCharUp(display::Event* event) {
    Event e(*event);
    e.character = static_cast<display::KeyEvent*>(event)->key;
    e.name = "keycharup";
    return dispatch(e);
}

void Vistrel::onResize(int, int) {
    if (!mDisplay)
        return;
    mWorkspace.setArea(Rect(0, 0, static_cast<float>(mDisplay->getWidth()), static_cast<float>(mDisplay->getHeight())));
    mWorkspace.setMaximized(mWorkspace.isMaximized());
}

void Vistrel::onFrame() {
    if (!mDisplay)
        return;
    mWorkspace.getRender()->begin(static_cast<float>(mDisplay->getWidth()), static_cast<float>(mDisplay->getHeight()), 0,
                                  0, 0);
    DIS_GL(glEnable(GL_BLEND));
    mWorkspace.draw();
}

void Vistrel::addControl(Control* control) { mWorkspace.addChild(control, -1); }

void Vistrel::load(const std::string& layoutFile) {
    am::ArchiveManager* archives = mDisplay ? mDisplay->getArchive() : nullptr;
    am::FileDataHandle file;
    std::string cause;
    if (archives)
        file = archives->getFile(layoutFile, -1, &cause);
    if (file.empty())
        throw Exception("Could not find the file '%s'.%s", layoutFile.c_str(), am::causeNote(cause).c_str());
    xml::XmlParser layout;
    try {
        layout.parse(file->bytes, file->size);
    } catch (const Exception& e) {
        throw Exception("Could not read the layout file '%s': %s", layoutFile.c_str(), e.what());
    }
    file.release();
    const std::string& root = layout.children("").parentTag().name();
    if (root != "vistrel")
        NVN_LOG("warning", "app",
                "The layout file '%s' has the root tag '%s', not 'vistrel': nothing is loaded from it",
                layoutFile.c_str(), root.c_str());
    Workspace::FileSource files = [archives](const std::string& name) { return archives->getFile(name); };
    mWorkspace.loadLayout(layout, files, [this]() { onResize(0, 0); });
}

} // namespace vistrel
} // namespace norvane
