// One frame of each mesh effect at 1280 x 720 through the display's own frame loop (reset, draw,
// swap, finished with glFinish), beside a frame that only clears.

#include "am_archivemanager.h"
#include "dis_display.h"
#include "dis_listener.h"
#include "effect_shared.h"
#include "flyg.h"
#include "hedgehog.h"
#include "hus.h"
#include "logo.h"
#include "rum.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

class FrameDriver : public norvane::display::Listener {
public:
    void onFrame() override {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (effect) effect->draw(time, step, 0.0f);
        glFinish();
    }

    norvane::corvista::Effect* effect = nullptr;
    float time = 0, step = 1.0f / 60.0f;
};

// The window, archives and effects live for the whole run: set-up is not what is measured.
struct World {
    World() {
        archives.addArchive(MESHFX_DEMO_DIR);
        norvane::display::WindowMode mode;
        mode.title = "bench meshfx";
        mode.width = 1280;
        mode.height = 720;
        display.reset(new norvane::display::DisplayGL(mode));
        display->open();
        display->setMode(norvane::display::ModeUnpaced, 60);
        display->setArchive(&archives);
        display->addListener(&driver);
        norvane::corvista::Effect* all[] = {&hedgehog, &hus, &logo, &plane, &rum};
        for (norvane::corvista::Effect* effect : all) {
            effect->mDisplay = display.get();
            effect->setup();
        }
        // The logo as the demo's break ends: 21 rows of 32 beams.
        for (int i = 0; i < 21; ++i) logo.trigger(0, "row", "");
    }
    ~World() { display->removeListener(&driver); }

    norvane::am::ArchiveManager archives;
    std::unique_ptr<norvane::display::DisplayGL> display;
    FrameDriver driver;
    EffectShared shared;
    Hedgehog hedgehog{&shared};
    Hus hus{&shared};
    Logo logo{&shared};
    Flyg plane{&shared};
    Rum rum{&shared};
};

World& world() {
    static World* instance = new World(); // lives until the process ends, with its window
    return *instance;
}

void runFrames(benchmark::State& state, norvane::corvista::Effect* effect, float from) {
    World& w = world();
    w.driver.effect = effect;
    w.driver.time = from;
    for (auto _ : state) {
        w.driver.time += w.driver.step;
        if (!w.display->update()) state.SkipWithError("the window closed");
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ClearOnly(benchmark::State& state) { runFrames(state, nullptr, 0); }
void BM_Hedgehog(benchmark::State& state) { runFrames(state, &world().hedgehog, 0); }
void BM_Hus(benchmark::State& state) { runFrames(state, &world().hus, 0); }
void BM_Logo(benchmark::State& state) { runFrames(state, &world().logo, 0); }
void BM_Plane(benchmark::State& state) { runFrames(state, &world().plane, 1.5f); }
void BM_Rum(benchmark::State& state) { runFrames(state, &world().rum, 0); }

BENCHMARK(BM_ClearOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Hedgehog)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Hus)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Logo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Plane)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rum)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
