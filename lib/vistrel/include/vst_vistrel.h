#pragma once
// The root of the GUI: a display listener that owns the workspace, turns the display's input into
// GUI events for it, draws it over whatever was drawn before, and loads layout files.

#include "vst_workspace.h"

#include "dis_display.h"

#include <string>

namespace norvane {
namespace vistrel {

class Vistrel : public display::Listener {
public:
    // Adds itself to the display's listeners, fits the workspace to the window and registers the
    // control classes.
    explicit Vistrel(display::DisplayGL* display);
    ~Vistrel() override;

    int onMouseUp(display::Event* event) override;
    int onMouseDown(display::Event* event) override;
    int onMouseMove(display::Event* event) override;
    int onMouseWheel(display::Event* event) override;
    int onKeyDown(display::Event* event) override;
    int onKeyUp(display::Event* event) override;
    int onCharDown(display::Event* event) override;
    int onCharUp(display::Event* event) override;
    void onResize(int width, int height) override;
    void onFrame() override;

    virtual void addControl(Control* control);
    // Reads a layout file through the display's archives; throws when it is missing.
    virtual void load(const std::string& layoutFile);

    Workspace& getWorkspace() { return mWorkspace; }

private:
    // Hands a GUI event to the workspace after asking the display for a redraw.
    int dispatch(Event& e);

    Workspace mWorkspace;
    int mLastMoveX, mLastMoveY; // whole-pixel position of the last move
};

} // namespace vistrel
} // namespace norvane
