// The editor shown over long timelines (1,000, 10,000 and 100,000 entries, made as for the editor's
// build benchmark) with the sample demo's layout: what one pointer move over the rows, one press,
// drag step and release of a bar, one key press, one wheel step over the rows, one step of the
// time slider and one drawn frame of the GUI cost; and a whole frame, timeline and GUI, over
// 200,000 entries that none of them plays or shows against one over 5. The input goes in through
// the callbacks the display installed on its window, as the window system calls them.

#include "bench_long_timeline.h"
#include "crv_gui.h"
#include "crv_row.h"

#include "am_archivemanager.h"
#include "dis_display.h"
#include "scr_reader.h"
#include "scr_script.h"
#include "vst_scrollbars.h"

#include "../../tests/support/glfw_input.h"
#include "../../tests/support/growth_timing.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

using benchtimeline::lateTimeline;
using benchtimeline::longTimeline;

// The callbacks the display installed on its window, called as the window system would.
struct Input : glfwtest::Glfw3Input {
    void tap(int k) const {
        press(k);
        release(k);
    }
    void button(int action) const { Glfw3Input::button(GLFW_MOUSE_BUTTON_LEFT, action); }
    void wheel(double clicks) const { scroll(clicks); }
};

// The editor of the sample demo over a timeline of the given size (a long one, or a late one when
// late is set), with its panel shown. One is kept at a time: each benchmark runs its sizes in turn.
class ShownEditor {
public:
    ShownEditor(int entries, bool late) : mEntries(entries), mLate(late) {
        const std::string text = late ? lateTimeline(entries) : longTimeline(entries);
        std::string error;
        if (!norvane::script::ScriptReader::loadScript(text.c_str(), static_cast<int>(text.size()), mScript, &error))
            throw std::runtime_error(error);
        mArchives.addArchive(HALCYRA_DEMO_DIR);
        norvane::display::WindowMode mode;
        mode.title = "bench-editor-events";
        mode.width = 1024;
        mode.height = 576;
        mDisplay.reset(new norvane::display::DisplayGL(mode));
        mDisplay->open();
        mDisplay->setArchive(&mArchives);
        mGui.reset(new Gui(mDisplay.get(), &mScript));
        mGui->setDemoLength(600);
        mGui->build();
        mInput = Input();
        mInput.tap(GLFW_KEY_TAB);
        mDisplay->update();
        auto* firstRow = dynamic_cast<norvane::corvista::Row*>(effects()->getChild(0));
        mBar = dynamic_cast<norvane::corvista::Effector*>(firstRow->getChild(0));
        const norvane::vistrel::Rect& bar = mBar->getScreenArea();
        mBarMiddle = norvane::vistrel::Point((bar.x1 + bar.x2) * 0.5f, (bar.y1 + bar.y2) * 0.5f);
    }
    ~ShownEditor() {
        mGui.reset();
        mDisplay.reset();
    }

    static ShownEditor& at(int entries, bool late = false) {
        static std::unique_ptr<ShownEditor> editor;
        if (!editor || editor->mEntries != entries || editor->mLate != late) {
            editor.reset();
            editor.reset(new ShownEditor(entries, late));
        }
        return *editor;
    }

    // Tab shows or hides the panel, as wanted.
    void showPanel(bool shown) {
        if (mGui->isPanelShown() != shown) mInput.tap(GLFW_KEY_TAB);
    }

    norvane::vistrel::Control* effects() { return mGui->getRoot().getWorkspace().find("effects"); }
    norvane::vistrel::Scrollbars* timeSlider() {
        return dynamic_cast<norvane::vistrel::Scrollbars*>(mGui->getRoot().getWorkspace().find("timeslider"));
    }
    unsigned rows() { return effects()->getChildCount(); }

    int mEntries;
    bool mLate;
    norvane::script::Script mScript;
    norvane::am::ArchiveManager mArchives;
    std::unique_ptr<norvane::display::DisplayGL> mDisplay;
    std::unique_ptr<Gui> mGui;
    Input mInput;
    norvane::corvista::Effector* mBar = nullptr;
    norvane::vistrel::Point mBarMiddle;
};

template <typename Step> double timed(const Step& step) {
    const Clock::time_point begin = Clock::now();
    step();
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

// The processor time of this thread that the step took: what the GL's own threads do meanwhile,
// and other work on the machine, are left out.
template <typename Step> double threadTimed(const Step& step) {
    const double begin = growthtest::threadSeconds();
    step();
    return growthtest::threadSeconds() - begin;
}

void setCounters(benchmark::State& state, ShownEditor& editor) {
    state.counters["rows"] = static_cast<double>(editor.rows());
}

// The pointer moves one pixel to and fro over the first row's bar.
void BM_EditorMouseMove(benchmark::State& state) {
    ShownEditor& editor = ShownEditor::at(static_cast<int>(state.range(0)));
    const norvane::vistrel::Point p = editor.mBarMiddle;
    int step = 0;
    for (auto _ : state) {
        const double x = p.x + (++step & 1);
        state.SetIterationTime(timed([&] { editor.mInput.cursor(x, p.y); }));
    }
    setCounters(state, editor);
}

// One bar drag: over the middle of the first row's bar, press, move 10 pixels (one second) to the
// right, release; then the same back, so that every iteration starts from the same place. Only
// the part named is timed.
enum DragPart { Press, Drag, Release };

void barDrag(benchmark::State& state, DragPart part) {
    ShownEditor& editor = ShownEditor::at(static_cast<int>(state.range(0)));
    const norvane::vistrel::Point p = editor.mBarMiddle;
    const Input& in = editor.mInput;
    for (auto _ : state) {
        double seconds = 0;
        for (float dx : {10.0f, -10.0f}) {
            const float from = dx > 0 ? p.x : p.x + 10.0f;
            in.cursor(from, p.y);
            const double press = timed([&] { in.button(GLFW_PRESS); });
            const double drag = timed([&] { in.cursor(from + dx, p.y); });
            const double release = timed([&] { in.button(GLFW_RELEASE); });
            seconds += part == Press ? press : part == Drag ? drag : release;
        }
        state.SetIterationTime(seconds / 2);
    }
    if (editor.mBar->getEntry()->mStart != 0.0f) state.SkipWithError("the bar did not follow the pointer");
    setCounters(state, editor);
}
void BM_EditorBarPress(benchmark::State& state) { barDrag(state, Press); }
void BM_EditorBarDrag(benchmark::State& state) { barDrag(state, Drag); }
void BM_EditorBarRelease(benchmark::State& state) { barDrag(state, Release); }

// A key pressed and released with the pointer over the rows (P: the demo system's pause, which
// the GUI passes on), the panel just shown again, so that no row holds the focus.
void BM_EditorKeyPress(benchmark::State& state) {
    ShownEditor& editor = ShownEditor::at(static_cast<int>(state.range(0)));
    editor.mInput.tap(GLFW_KEY_TAB);
    editor.mInput.tap(GLFW_KEY_TAB);
    editor.mInput.cursor(editor.mBarMiddle.x + 100, editor.mBarMiddle.y);
    for (auto _ : state) state.SetIterationTime(timed([&] { editor.mInput.tap(GLFW_KEY_P); }));
    setCounters(state, editor);
}

// One wheel step over the rows, down and up in turn: the rows scroll vertically.
void BM_EditorWheel(benchmark::State& state) {
    ShownEditor& editor = ShownEditor::at(static_cast<int>(state.range(0)));
    editor.mInput.cursor(editor.mBarMiddle.x + 100, editor.mBarMiddle.y);
    int step = 0;
    for (auto _ : state) {
        const double clicks = (++step & 1) ? -1.0 : 1.0;
        state.SetIterationTime(timed([&] { editor.mInput.wheel(clicks); }));
    }
    setCounters(state, editor);
}

// The time slider's thumb steps a pixel to and fro; the editor scrolls every row's bar or curves.
void BM_EditorTimeSlider(benchmark::State& state) {
    ShownEditor& editor = ShownEditor::at(static_cast<int>(state.range(0)));
    norvane::vistrel::Scrollbars* slider = editor.timeSlider();
    int step = 0;
    for (auto _ : state) {
        const float x = 100.0f + static_cast<float>(++step & 1);
        state.SetIterationTime(timed([&] {
            slider->setThumbs(x, 0);
            slider->notify(norvane::vistrel::CodeScrolled);
        }));
    }
    setCounters(state, editor);
}

// One frame of the GUI drawn over the shown panel, finished on the GPU.
void BM_EditorFrame(benchmark::State& state) {
    ShownEditor& editor = ShownEditor::at(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.SetIterationTime(timed([&] {
            editor.mGui->getRoot().onFrame();
            glFinish();
        }));
    }
    setCounters(state, editor);
}

// A frame at 60 Hz with the panel shown (range(1) 1) or hidden (0): the timeline evaluated at the
// clock, as the demo system does first, then the GUI drawn, finished on the GPU. The timeline's
// entries all lie past the demo's end: none plays and no bar is in sight. The counters are this
// thread's processor time for the timeline's evaluation ("timeline_ms", which walks every top-level
// entry) and for the GUI's drawing calls ("gui_ms").
void BM_EditorFrameOverLateEntries(benchmark::State& state) {
    ShownEditor& editor = ShownEditor::at(static_cast<int>(state.range(0)), true);
    editor.showPanel(state.range(1) != 0);
    float t = 0.0f;
    double timeline = 0.0, gui = 0.0;
    for (auto _ : state) {
        t += 1.0f / 60.0f;
        state.SetIterationTime(timed([&] {
            timeline += threadTimed([&] { editor.mScript.update(t); });
            gui += threadTimed([&] { editor.mGui->getRoot().onFrame(); });
            glFinish();
        }));
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["timeline_ms"] = timeline * 1e3 / frames;
    state.counters["gui_ms"] = gui * 1e3 / frames;
    setCounters(state, editor);
}

#define EDITOR_SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)
BENCHMARK(BM_EditorMouseMove) EDITOR_SIZES;
// Each iteration does four untimed events besides the timed one: a short minimum time keeps the
// run short when the timed event is quick.
BENCHMARK(BM_EditorBarPress) EDITOR_SIZES->MinTime(0.02);
BENCHMARK(BM_EditorBarDrag) EDITOR_SIZES->MinTime(0.02);
BENCHMARK(BM_EditorBarRelease) EDITOR_SIZES->MinTime(0.02);
BENCHMARK(BM_EditorKeyPress) EDITOR_SIZES;
BENCHMARK(BM_EditorWheel) EDITOR_SIZES;
BENCHMARK(BM_EditorTimeSlider) EDITOR_SIZES;
BENCHMARK(BM_EditorFrame) EDITOR_SIZES;
BENCHMARK(BM_EditorFrameOverLateEntries)
    ->ArgNames({"entries", "shown"})
    ->Args({5, 0})
    ->Args({5, 1})
    ->Args({200000, 0})
    ->Args({200000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
