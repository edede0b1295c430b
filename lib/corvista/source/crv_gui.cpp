// The timeline editor: building the panel from the layout and the timeline, Tab, the time slider
// and the frame-rate display.

#include "crv_gui.h"

#include "crv_row.h"
#include "dis_display.h"
#include "scr_script.h"
#include "vst_label.h"
#include "vst_layoutstack.h"
#include "vst_scrollbars.h"
#include "vst_stat.h"

#include <cmath>
#include <cstdio>

using norvane::vistrel::Control;

namespace {

const int kTab = 9;
const char* const kLayoutFile = "layout.xml";
// How often the frame rate is measured, in seconds.
const float kFpsPeriod = 0.2f;
// The time slider's width that its thumb and ends take up: no scrolling at or below it.
const float kSliderReserve = 36.0f;

// The layout's control of that name when it is of the class the editor needs; null otherwise, so
// a control of another class under that name counts as missing.
template <typename T> T* findAs(Control& root, const char* name) { return dynamic_cast<T*>(root.find(name)); }

} // namespace

Gui::Gui(norvane::display::DisplayGL* display, norvane::script::Script* script)
    : norvane::display::Listener(display), mRoot(display), mScript(script) {}

Gui::~Gui() {}

void Gui::build() {
    mRoot.load(kLayoutFile);
    Control& root = mRoot.getWorkspace();
    mMain = root.find("main");
    mEffects = root.find("effects");
    mTimeSlider = findAs<norvane::vistrel::Scrollbars>(root, "timeslider");
    mFpsStat = findAs<norvane::vistrel::Stat>(root, "fps_stat");
    mFps = findAs<norvane::vistrel::Label>(root, "fps");

    if (mEffects && mScript) {
        {
            // A stack of rows is laid out once, after the last row.
            const norvane::vistrel::StackingHold hold(mEffects);
            const norvane::corvista::Row* first = nullptr;
            for (const auto& entry : mScript->mEntries) {
                norvane::corvista::Row* row = new norvane::corvista::Row();
                if (first)
                    row->joinRowsOf(*first);
                else
                    first = row;
                row->setArea(norvane::vistrel::Rect(0, 0, mDemoLength * norvane::corvista::Row::PixelsPerSecond +
                                                              norvane::corvista::Row::CaptionWidth,
                                                    30));
                mEffects->addChild(row, -1);
                row->setEffect(entry.get(), 0, mEffects);
            }
        }
        mEffects->setArea(mEffects->getBoundingRect());
        for (unsigned i = 0; i < mEffects->getChildCount(); ++i) {
            Control* row = mEffects->getChild(i);
            if (!dynamic_cast<norvane::corvista::Row*>(row) || row->getChildCount() == 0) continue;
            if (auto* bar = dynamic_cast<norvane::corvista::Effector*>(row->getChild(0))) bar->setScript(mScript);
        }
    }
    std::printf("demolength: %f\n", mDemoLength);
    std::fflush(stdout);
    mBuilt = true;
    if (mTimeSlider) mTimeSlider->addCallback(this);
}

bool Gui::isPanelShown() const { return mMain && mMain->isVisible(); }

int Gui::onKeyDown(norvane::display::Event* event) {
    const int key = static_cast<norvane::display::KeyEvent*>(event)->key;
    // Hiding the panel ends the drags under way in it (a hidden panel hears no button released).
    if (key == kTab && mMain) mMain->setVisible(!mMain->isVisible());
    return 0;
}

void Gui::onFrame() {
    if (!mDisplay) return;
    const float now = mDisplay->getTime();
    ++mFrameCount;
    const float elapsed = now - mLastFpsTime;
    if (elapsed > kFpsPeriod) {
        float fps = static_cast<float>(mFrameCount) / elapsed;
        if (fps < 0.0f) fps = 0.0f;
        if (mFpsStat) mFpsStat->addValue(fps);
        if (mFps) {
            char text[32];
            std::snprintf(text, sizeof(text), "%.2f", static_cast<double>(fps));
            mFps->setLabelText(text);
        }
        mFrameCount = 0;
        mLastFpsTime = now;
    }
}

void Gui::onControl(Control* source, int /*code*/) {
    if (!source || source != mTimeSlider) return;
    // A slider no wider than its thumb and ends has nowhere to scroll: dividing by its travel
    // would be a division by zero, or by a negative width that scrolls backwards.
    const float travel = mTimeSlider->getArea().width() - kSliderReserve;
    // Whole pixels of thumb offset, however wide the layout made the slider.
    const float thumb = std::trunc(mTimeSlider->getScrollX());
    mScrollFactor = travel > 0.0f && std::isfinite(thumb) ? thumb / travel : 0.0f;
    if (!mEffects) return;
    const float x = mDemoLength * mScrollFactor * norvane::corvista::Row::PixelsPerSecond;
    // Every row takes the scroll; those in sight at once, the others when they come into sight.
    norvane::corvista::Row* first = nullptr;
    for (unsigned i = 0; i < mEffects->getChildCount() && !first; ++i)
        first = dynamic_cast<norvane::corvista::Row*>(mEffects->getChild(i));
    if (!first) return;
    first->scrollRows(x);
    size_t from = 0, to = mEffects->getChildCount();
    if (auto* stack = dynamic_cast<norvane::vistrel::LayoutStack*>(mEffects)) stack->getChildrenInSight(from, to);
    for (size_t i = from; i < to; ++i)
        if (auto* row = dynamic_cast<norvane::corvista::Row*>(mEffects->getChild(static_cast<unsigned>(i))))
            row->followScroll();
}
