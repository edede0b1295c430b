// "buff" over the sample scene with two more paths, so six heads grow tubes and light the scene:
//  - BM_BuffAdvanceAndEvaluate: the CPU work of one frame before drawing (the fixed tube steps,
//    the tips, the lights) plus the evaluation of every node's transform, over 30 s at 60 frames
//    a second from a fresh start; one item is one frame;
//  - BM_BuffFrame: a whole frame at 1280 x 720 with the tubes shown, waited for with glFinish;
//  - BM_ClearFrame: a frame that only clears, for comparison.
// Needs an X display (Mesa's software renderer under Xvfb).

#include "am_archivemanager.h"
#include "buff.h"
#include "dis_display.h"
#include "kvx_manager.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

using namespace norvane;

namespace {

const int Width = 1280, Height = 720;
const int FramesPerPass = 30 * 60;

std::filesystem::path gFolder;
am::ArchiveManager* gArchives = nullptr;
display::DisplayGL* gDisplay = nullptr;

// The sample scene with paths 4 and 5 added (copies of paths 0 and 1, lifted and turned).
void writeSixHeadScene() {
    std::ifstream in(std::string(HALCYRA_DEMO_DIR) + "/buff/scene.kvx", std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    kvx::Manager manager;
    manager.load(bytes.data(), static_cast<int>(bytes.size()));
    kvx::SceneNode* scene = manager.getSceneByIndex(0);
    int added = 0;
    for (size_t i = 0; i < scene->children.size() && added < 2; ++i) {
        kvx::SceneNode* node = scene->children[i];
        if (node->getType() != kvx::ChunkCurveInstance) continue;
        const auto* source = static_cast<kvx::CurveInstance*>(node);
        auto* copy = new kvx::CurveInstance();
        copy->name = "extra" + std::to_string(added);
        copy->points = source->points;
        copy->timeTrack.interpolation = source->timeTrack.interpolation;
        copy->timeTrack.extrapolation = source->timeTrack.extrapolation;
        copy->timeTrack.keys = source->timeTrack.keys;
        copy->location.setDefaults(0, 1.2f + added, 0);
        copy->rotation.setDefaults(0, 1.0f + added, 0);
        scene->children.insert(scene->children.begin() + 1, copy);
        ++added;
    }
    char* data = nullptr;
    int size = 0;
    manager.save(data, size);
    std::filesystem::create_directories(gFolder / "buff");
    std::ofstream(gFolder / "buff" / "scene.kvx", std::ios::binary).write(data, size);
    delete[] data;
}

std::unique_ptr<Buff> makeBuff(EffectShared& shared) {
    std::unique_ptr<Buff> buff(new Buff(&shared));
    buff->mDisplay = gDisplay;
    buff->setup();
    if (buff->getHeads().size() != 6) {
        std::fprintf(stderr, "expected six heads, found %zu\n", buff->getHeads().size());
        std::exit(1);
    }
    return buff;
}

void evaluate(kvx::SceneNode* node, float t, float& sink) {
    for (kvx::SceneNode* child : node->children) {
        mathbase::Matrix4x4Col local;
        bool mirrored = false;
        child->getTransform(t, local, mirrored);
        sink += local[12];
        evaluate(child, t, sink);
    }
}

void BM_BuffAdvanceAndEvaluate(benchmark::State& state) {
    EffectShared shared;
    float sink = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<Buff> buff = makeBuff(shared);
        glFinish();
        state.ResumeTiming();
        for (int frame = 0; frame < FramesPerPass; ++frame) {
            const float t = static_cast<float>(frame) / 60.0f;
            buff->advance(t);
            evaluate(buff->getScene(), t, sink);
        }
        state.PauseTiming();
        buff.reset();
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(state.iterations() * FramesPerPass);
}
BENCHMARK(BM_BuffAdvanceAndEvaluate)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_BuffFrame(benchmark::State& state) {
    EffectShared shared;
    std::unique_ptr<Buff> buff = makeBuff(shared);
    buff->trigger(0, "lofter", "on");
    // Grow the tubes for 20 s first, frame by frame.
    for (int frame = 0; frame <= 20 * 60; ++frame) buff->advance(static_cast<float>(frame) / 60.0f);
    float t = 20.0f;
    for (auto _ : state) {
        glViewport(0, 0, Width, Height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        buff->draw(t, 1.0f / 60.0f, 0.5f);
        glFinish();
        t += 1.0f / 60.0f;
    }
}
BENCHMARK(BM_BuffFrame)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_ClearFrame(benchmark::State& state) {
    for (auto _ : state) {
        glViewport(0, 0, Width, Height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
    }
}
BENCHMARK(BM_ClearFrame)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    gFolder = std::filesystem::temp_directory_path() / ("bench_botbuff_" + std::to_string(getpid()));
    std::filesystem::create_directories(gFolder);
    gArchives = new am::ArchiveManager();
    gArchives->addArchive(gFolder.string() + "/");
    gArchives->addArchive(std::string(HALCYRA_DEMO_DIR) + "/");
    writeSixHeadScene();
    display::WindowMode mode;
    mode.title = "bench-botbuff";
    mode.width = Width;
    mode.height = Height;
    gDisplay = new display::DisplayGL(mode);
    gDisplay->setArchive(gArchives);
    gDisplay->open();
    benchmark::RunSpecifiedBenchmarks();
    delete gDisplay;
    delete gArchives;
    std::filesystem::remove_all(gFolder);
    benchmark::Shutdown();
    return 0;
}
