// "clouds" with all 3500 particles at 1280 x 720 under the software renderer: the frame time of
// the display's loop with the cloud beside one that only clears, and the CPU time of the per-frame
// back-to-front sort alone, under the same orbiting camera. The sort should cost under a tenth of
// the cloud frame.

#include "am_archivemanager.h"
#include "clouds.h"
#include "dis_display.h"
#include "dis_listener.h"
#include "effect_shared.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

const int Width = 1280;
const int Height = 720;
const float FrameStep = 1.0f / 60.0f;

// The camera on a slow orbit around the cloud, as "hyperkub" moves it.
void orbit(EffectCamera& camera, float t) {
    camera.eye = norvane::mathbase::Vector3T<float>(2.5f * std::sin(0.2f * t), 1.5f * std::sin(0.25f * t),
                                                    2.5f * std::cos(0.2f * t) + 6.0f);
    camera.target = norvane::mathbase::Vector3T<float>(0, 0, 0);
    camera.roll = 0;
}

// Clears, then (when given) draws the cloud; finishes the GL work inside the frame.
class Frame : public norvane::display::Listener {
public:
    Frame(norvane::display::DisplayGL* display, Clouds* clouds, EffectShared* shared)
        : Listener(display), mClouds(clouds), mShared(shared) {}
    void onFrame() override {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (mClouds) {
            orbit(mShared->camera, mTime);
            mClouds->draw(mTime, FrameStep, 0);
        }
        glFinish();
        mTime += FrameStep;
    }

private:
    Clouds* mClouds;
    EffectShared* mShared;
    float mTime = 0;
};

void runFrames(benchmark::State& state, bool withClouds) {
    norvane::am::ArchiveManager archives;
    archives.addArchive(HALCYRA_DEMO_DIR);
    norvane::display::WindowMode mode;
    mode.title = withClouds ? "bench clouds" : "bench clear";
    mode.width = Width;
    mode.height = Height;
    norvane::display::DisplayGL display(mode);
    display.setArchive(&archives);
    display.open();
    display.setMode(norvane::display::ModeUnpaced, 60);
    EffectShared shared;
    std::unique_ptr<Clouds> clouds;
    if (withClouds) {
        clouds.reset(new Clouds(&shared));
        clouds->mDisplay = &display;
        clouds->setup();
        clouds->setValue(0, "intensity", 1.0f);
        clouds->setValue(0, "alpha", 0.6f);
    }
    {
        Frame frame(&display, clouds.get(), &shared);
        for (auto _ : state) {
            if (!display.update()) {
                state.SkipWithError("the display loop ended");
                break;
            }
        }
    }
    clouds.reset();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void clearOnlyFrame(benchmark::State& state) { runFrames(state, false); }

void cloudsFrame(benchmark::State& state) { runFrames(state, true); }

// The sort of every frame on its own: the records as the effect keeps them, re-sorted each frame
// for the orbiting camera.
void cloudsSort(benchmark::State& state) {
    std::vector<CloudParticle> particles;
    uint32_t seed = 12456789u;
    auto next = [&seed]() { return static_cast<float>(seed = seed * 69069u + 5u) * 2.3283064e-10f; };
    for (int p = 0; p < Clouds::ParticleCount; ++p) {
        const float d = 2 + 10.3f * next(), phi = 6.2831853f * next(), z = 2 * next() - 1, h = std::sqrt(1 - z * z);
        particles.push_back(CloudParticle{norvane::mathbase::Vector3T<float>(d * h * std::cos(phi), d * h * std::sin(phi), d * z), p});
    }
    EffectCamera camera;
    float t = 0;
    for (auto _ : state) {
        orbit(camera, t);
        Clouds::sortBackToFront(particles, camera.eye - camera.target);
        benchmark::DoNotOptimize(particles.data());
        t += FrameStep;
    }
}

} // namespace

BENCHMARK(clearOnlyFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(cloudsFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(cloudsSort)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

BENCHMARK_MAIN();
