// Frame times at 1280 x 720: the glow ("waxon_draw" on the "screen" target: the picture, two blur
// passes and the added glow) beside one plain full-screen textured quad of the same picture, and
// one frame of the tunnel's cubes. Each iteration ends with glFinish, so the time is the drawing's.

#include "am_archivemanager.h"
#include "dis_display.h"
#include "dis_fbo.h"
#include "dis_texture.h"
#include "effect_shared.h"
#include "mathbase/mb_matrix.h"
#include "tunnel.h"
#include "waxon.h"
#include "waxon_draw.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace norvane;

const int kWidth = 1280;
const int kHeight = 720;

struct Scene {
    display::DisplayGL* display;
    EffectShared* shared;
    WaxOn* waxOn;
    WaxOnDraw* glow;
    Tunnel* tunnel;
};
Scene gScene{};

void BM_GlowFrame(benchmark::State& state) {
    int frame = 0;
    for (auto _ : state) {
        if (frame++ % 2 == 0) gScene.glow->trigger(0, "beat", "");
        gScene.glow->draw(0, 1.0f / 60.0f, 0);
        glFinish();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GlowFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_PlainTexturedQuad(benchmark::State& state) {
    display::Texture* picture = gScene.shared->targets.at("screen")->texture;
    for (auto _ : state) {
        const mathbase::Matrix4x4Col identity;
        gScene.display->setProjection(identity);
        gScene.display->resetModelMatrix();
        gScene.display->resetViewMatrix();
        glDisable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        picture->bind();
        glColor4f(1, 1, 1, 1);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(-1, -1);
        glTexCoord2f(1, 0);
        glVertex2f(1, -1);
        glTexCoord2f(1, 1);
        glVertex2f(1, 1);
        glTexCoord2f(0, 1);
        glVertex2f(-1, 1);
        glEnd();
        picture->unbind();
        glDisable(GL_TEXTURE_2D);
        glFinish();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainTexturedQuad)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_TunnelFrame(benchmark::State& state) {
    float t = 0.0f;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        gScene.tunnel->setValue(t, "param", 0.1f + t / 50.0f);
        gScene.tunnel->draw(t, 1.0f / 60.0f, 0);
        glFinish();
        t += 1.0f / 60.0f;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TunnelFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bench_glowfx needs an X display (DISPLAY is not set)\n");
        return 1;
    }
    int result = 0;
    {
        am::ArchiveManager archives;
        archives.addArchive(GLOWFX_DEMO_DIR);
        display::WindowMode mode;
        mode.title = "bench_glowfx";
        mode.width = kWidth;
        mode.height = kHeight;
        display::DisplayGL displayGL(mode);
        displayGL.open();
        displayGL.setArchive(&archives);
        std::printf("GL renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

        EffectShared shared;
        Tunnel tunnel(&shared);
        WaxOn waxOn(&shared);
        WaxOnDraw glow(&shared);
        tunnel.mDisplay = waxOn.mDisplay = glow.mDisplay = &displayGL;
        tunnel.setup();
        waxOn.setup();
        glow.setup();
        tunnel.setValue(0, "white", 0.0f);
        tunnel.setValue(0, "param", 0.19f);

        // The picture every glow frame starts from: the tunnel with a banner, in "screen".
        waxOn.trigger(0, "which", "screen");
        waxOn.draw(0, 0, 0);
        tunnel.draw(1.0f, 0, 0);
        waxOn.postDraw(0, 0, 0);
        glFinish();
        gScene = Scene{&displayGL, &shared, &waxOn, &glow, &tunnel};

        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) result = 1;
        else benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        gScene = Scene{};
    }
    return result;
}
