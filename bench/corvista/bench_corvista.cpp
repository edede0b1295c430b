// Start-up of the sample demo to its first drawn frame, beside a bare window that is opened and
// cleared; the editor built at start-up for long timelines; and the demo system's own work per
// frame (timeline and bookkeeping, no drawing).

#include "bench_long_timeline.h"
#include "clear.h"
#include "crv_corvista.h"
#include "crv_gui.h"
#include "effect_shared.h"
#include "flash.h"
#include "scr_reader.h"

#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// Marks the first drawn frame, then ends the display loop.
class FirstFrameProbe : public norvane::corvista::Effect {
public:
    void draw(float, float, float) override {
        if (mSeen) return;
        mSeen = true;
        mAt = Clock::now();
        mDisplay->requestClose();
    }
    bool mSeen = false;
    Clock::time_point mAt;
};

// A copy of the built sample demo with a probe entry added to its timeline.
class DemoCopy {
public:
    DemoCopy() {
        std::string pattern = (std::filesystem::temp_directory_path() / "halcyra-bench-XXXXXX").string();
        if (!mkdtemp(&pattern[0])) std::abort();
        mPath = pattern;
        for (const char* name : {"timeline.xml", "music.ogg"})
            std::filesystem::copy_file(std::filesystem::path(HALCYRA_DEMO_DIR) / name, mPath / name);
        std::ofstream(mPath / "probe.xml") << "<script><effect name=\"probe\" start=\"0\" end=\"96\"/></script>";
        std::ofstream(mPath / "setup.xml")
            << "<demo><display width=\"1024\" height=\"576\" title=\"bench\"/><osd show=\"on\"/>"
               "<script filename=\"timeline.xml\"/><script filename=\"probe.xml\"/>"
               "<music filename=\"music.ogg\"/></demo>";
    }
    ~DemoCopy() { std::filesystem::remove_all(mPath); }
    const std::filesystem::path& path() const { return mPath; }

private:
    std::filesystem::path mPath;
};

class InDirectory {
public:
    explicit InDirectory(const std::filesystem::path& path) : mOld(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~InDirectory() { std::filesystem::current_path(mOld); }

private:
    std::filesystem::path mOld;
};

void BM_StartupToFirstFrame_SampleDemo(benchmark::State& state) {
    setenv("ALSOFT_DRIVERS", "null", 1);
    DemoCopy copy;
    InDirectory in(copy.path());
    for (auto _ : state) {
        const Clock::time_point begin = Clock::now();
        FirstFrameProbe probe;
        {
            norvane::corvista::Corvista demo;
            demo.setup();
            EffectShared shared;
            Clear clear;
            Flash flash(&shared), flash2(&shared);
            demo.addEffect("clear", &clear);
            demo.addEffect("flash", &flash);
            demo.addEffect("flash2", &flash2);
            demo.addEffect("probe", &probe);
            demo.run();
            if (demo.mNoSound) state.SkipWithError("no sound device: the music's decode is not measured");
        }
        state.SetIterationTime(std::chrono::duration<double>(probe.mAt - begin).count());
    }
}
BENCHMARK(BM_StartupToFirstFrame_SampleDemo)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_StartupToFirstFrame_BareWindow(benchmark::State& state) {
    for (auto _ : state) {
        const Clock::time_point begin = Clock::now();
        if (!glfwInit()) {
            state.SkipWithError("glfwInit failed");
            break;
        }
        GLFWwindow* window = glfwCreateWindow(1024, 576, "bench-bare", nullptr, nullptr);
        if (!window) {
            glfwTerminate();
            state.SkipWithError("no window");
            break;
        }
        glfwMakeContextCurrent(window);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glFinish();
        const Clock::time_point drawn = Clock::now();
        glfwDestroyWindow(window);
        glfwTerminate();
        state.SetIterationTime(std::chrono::duration<double>(drawn - begin).count());
    }
}
BENCHMARK(BM_StartupToFirstFrame_BareWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The part of the start-up that the bare window does not have: decoding the whole music.
void BM_MusicDecode(benchmark::State& state) {
    setenv("ALSOFT_DRIVERS", "null", 1);
    norvane::am::ArchiveManager archives;
    archives.addArchive(HALCYRA_DEMO_DIR);
    const norvane::am::FileDataHandle file = archives.getFile("music.ogg");
    for (auto _ : state) {
        norvane::corvista::Music music;
        if (!music.setup(file)) {
            state.SkipWithError("no sound device");
            break;
        }
    }
}
BENCHMARK(BM_MusicDecode)->Unit(benchmark::kMillisecond)->Iterations(5);

using benchtimeline::longTimeline;

// The editor as the program builds it at start-up, with the sample demo's layout, for a timeline
// of state.range(0) entries: the panel, one row per entry and per spline track.
void BM_EditorBuild(benchmark::State& state) {
    norvane::script::Script script;
    const std::string text = longTimeline(static_cast<int>(state.range(0)));
    std::string error;
    if (!norvane::script::ScriptReader::loadScript(text.c_str(), static_cast<int>(text.size()), script, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    norvane::am::ArchiveManager archives;
    archives.addArchive(HALCYRA_DEMO_DIR);
    norvane::display::WindowMode mode;
    mode.title = "bench-editor";
    mode.width = 1024;
    mode.height = 576;
    norvane::display::DisplayGL display(mode);
    display.open();
    display.setArchive(&archives);
    for (auto _ : state) {
        const Clock::time_point begin = Clock::now();
        Gui gui(&display, &script);
        gui.setDemoLength(600);
        gui.build();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
    }
    state.counters["rows"] = static_cast<double>(state.range(0) / 2 * 3);
}
BENCHMARK(BM_EditorBuild)->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

// Timeline evaluation against effects that draw nothing.
class Silent : public norvane::corvista::Effect {
public:
    void draw(float, float, float) override { benchmark::ClobberMemory(); }
    void trigger(float, const std::string& name, const std::string&) override { benchmark::DoNotOptimize(name); }
};

void BM_DemoSystemPerFrame(benchmark::State& state) {
    DemoCopy copy;
    InDirectory in(copy.path());
    std::ofstream("setup.xml") << "<demo><display width=\"64\" height=\"64\"/><script filename=\"timeline.xml\"/>"
                                  "<music mute=\"nosound\"/></demo>";
    glfwInit(); // the demo clock runs on the window library's time
    norvane::corvista::Corvista demo;
    demo.setup();
    Silent clear, flash, flash2;
    demo.addEffect("clear", &clear);
    demo.addEffect("flash", &flash);
    demo.addEffect("flash2", &flash2);
    float t = 0.0f;
    for (auto _ : state) {
        // A 60 Hz frame anywhere in the 96 s timeline, wrapping round to its start.
        t += 1.0f / 60.0f;
        if (t > 96.0f) t = 0.0f;
        demo.mTimer.setTime(t);
        demo.onFrame();
    }
    glfwTerminate();
}
BENCHMARK(BM_DemoSystemPerFrame)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
