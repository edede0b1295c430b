#pragma once
// The timeline editor: the panel that Tab shows over the running demo. One row per timeline entry
// with a bar for its span, one curve row per spline track, a time slider that scrolls the rows and
// a frame-rate display. Edits act on the live timeline at once and are never saved.

#include "dis_listener.h"
#include "vst_event.h"
#include "vst_vistrel.h"

namespace norvane {
namespace script {
class Script;
} // namespace script
namespace vistrel {
class Label;
class Scrollbars;
class Stat;
} // namespace vistrel
} // namespace norvane

class Gui : public norvane::vistrel::Callback, public norvane::display::Listener {
public:
    // The editor and then its GUI root become listeners of the display.
    Gui(norvane::display::DisplayGL* display, norvane::script::Script* script);
    // Takes the GUI root and then the editor off the display; the timeline is left as it is.
    ~Gui() override;
    Gui(const Gui&) = delete;
    Gui& operator=(const Gui&) = delete;

    // The demo's length in seconds; the rows are as long as the demo at 10 pixels per second.
    void setDemoLength(float seconds) { mDemoLength = seconds; }
    float getDemoLength() const { return mDemoLength; }
    // Loads "layout.xml" and fills "effects" with the rows of the timeline as it is now. A control
    // missing from the layout, or one of another class under the expected name, leaves only the
    // feature that needs it out.
    void build();
    bool isBuilt() const { return mBuilt; }

    // Whether the panel ("main") is shown; a layout without "main" never shows it.
    bool isPanelShown() const;

    // Tab shows or hides the panel; every key goes on to the other listeners.
    int onKeyDown(norvane::display::Event* event) override;
    // Updates the frame-rate graph and label five times a second.
    void onFrame() override;
    // The time slider moved: scrolls the rows' bars and curves.
    void onControl(norvane::vistrel::Control* source, int code) override;

    norvane::vistrel::Vistrel& getRoot() { return mRoot; }
    // The time slider's position as a fraction of its travel.
    float getScrollFactor() const { return mScrollFactor; }

private:
    norvane::vistrel::Vistrel mRoot;
    norvane::script::Script* mScript; // not owned
    float mLastFpsTime = 0.0f;
    int mFrameCount = 0;
    bool mBuilt = false;
    float mDemoLength = 0.0f;
    float mScrollFactor = 0.0f;

    // The layout's controls that the editor uses, found once by build; null when missing.
    norvane::vistrel::Control* mMain = nullptr;
    norvane::vistrel::Control* mEffects = nullptr;
    norvane::vistrel::Scrollbars* mTimeSlider = nullptr;
    norvane::vistrel::Stat* mFpsStat = nullptr;
    norvane::vistrel::Label* mFps = nullptr;
};
