// The whole sample demo at 1280 x 720, in one process: the eighteen effects are built and
// registered as the program does, each one's set-up is timed, and the sample timeline is played.
// For every timeline entry two benchmarks run at the frame 0.2 s after the middle of its span: the
// whole frame ("all") and the frame with that entry switched off ("without"); their difference is
// what the entry costs. Each iteration is one frame of the display's loop (state reset, the
// timeline, glFinish, buffer swap). The clock moves by 1 ms per iteration, so a benchmark stays at
// the same moment of the demo.

#include "am_archivemanager.h"
#include "demo_effects.h"
#include "dis_display.h"
#include "dis_listener.h"
#include "scr_entry.h"
#include "scr_reader.h"
#include "scr_script.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace norvane;

const int kWidth = 1280;
const int kHeight = 720;
const float kWarmUp = 1.0f;   // seconds played in 60 steps before a benchmark's moment
const float kStep = 0.001f;   // clock step per iteration

struct Entry {
    script::EffectEntry* entry;
    int tag;
    float start, end;
};

void collect(std::vector<std::unique_ptr<script::EffectEntry>>& entries, float offset, std::vector<Entry>& out) {
    for (auto& entry : entries) {
        const float start = offset + entry->mStart;
        out.push_back(Entry{entry.get(), static_cast<int>(out.size()), start, offset + entry->mEnd});
        collect(entry->mChildren, start, out);
    }
}

// Plays the timeline at the time it is given, inside the display's own frame (which resets the GL
// state first and swaps the buffers after), as the demo system does.
class Player : public display::Listener {
public:
    Player(display::DisplayGL* display, script::Script* script) : Listener(display), mScript(script) {}
    void onFrame() override {
        mScript->update(mTime);
        glFinish();
    }
    float mTime = 0.0f;

private:
    script::Script* mScript;
};

struct Demo {
    display::DisplayGL* display;
    Player* player;
};
Demo gDemo{};

void playFrame(float t) {
    gDemo.player->mTime = t;
    gDemo.display->update();
}

void BM_Frame(benchmark::State& state, script::EffectEntry* entry, float moment, bool enabled) {
    // Back before the moment (a step backwards re-arms the entries) and played up to it.
    playFrame(0.0f);
    entry->mEnabled = enabled;
    for (int i = 60; i > 0; --i) playFrame(moment - kWarmUp * static_cast<float>(i) / 60.0f);
    float t = moment;
    for (auto _ : state) {
        playFrame(t);
        t += kStep;
    }
    entry->mEnabled = true;
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bench_wholedemo needs an X display (DISPLAY is not set)\n");
        return 1;
    }
    int result = 0;
    {
        am::ArchiveManager archives;
        archives.addArchive(HALCYRA_DEMO_DIR);
        display::WindowMode mode;
        mode.title = "bench_wholedemo";
        mode.width = kWidth;
        mode.height = kHeight;
        display::DisplayGL displayGL(mode);
        displayGL.open();
        displayGL.setArchive(&archives);
        std::printf("GL renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

        script::Script script;
        std::ifstream in(std::string(HALCYRA_DEMO_DIR) + "timeline.xml", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const std::string timeline = text.str();
        if (!script::ScriptReader::loadScript(timeline.data(), static_cast<int>(timeline.size()), script)) {
            std::fprintf(stderr, "bench_wholedemo: the sample timeline does not load\n");
            return 1;
        }

        EffectShared shared;
        DemoEffects demoEffects(&shared);
        std::map<std::string, corvista::Effect*> effects;
        demoEffects.forEach([&effects](const char* name, corvista::Effect* effect) { effects[name] = effect; });
        double total = 0;
        for (const auto& named : effects) {
            named.second->mName = named.first;
            named.second->mDisplay = &displayGL;
            script.registerCallback(named.first, named.second);
            const auto begin = std::chrono::steady_clock::now();
            named.second->setup();
            glFinish();
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
            total += seconds;
            std::printf("set-up of '%s': %.3f s\n", named.first.c_str(), seconds);
        }
        std::printf("set-up of all effects: %.3f s\n", total);
        std::fflush(stdout);

        displayGL.setMode(4, 60.0f); // fixed steps, no waiting
        Player player(&displayGL, &script);
        gDemo = Demo{&displayGL, &player};
        std::vector<Entry> entries;
        collect(script.mEntries, 0.0f, entries);
        for (const Entry& e : entries) {
            const float moment = std::floor((e.start + e.end) * 5.0f) / 10.0f + 0.2f;
            char name[96];
            for (const bool enabled : {true, false}) {
                std::snprintf(name, sizeof(name), "%02d_%s_%.1f-%.1f/%s", e.tag, e.entry->mName.c_str(), e.start,
                              e.end, enabled ? "all" : "without");
                benchmark::RegisterBenchmark(name, BM_Frame, e.entry, moment, enabled)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime()
                    ->MinTime(0.3);
            }
        }
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) result = 1;
        else benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        gDemo = Demo{};
    }
    return result;
}
