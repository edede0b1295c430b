// Dumping the sample demo as the program does it: each frame is drawn, grabbed and handed to the
// frame dumper, which encodes and writes it as a PNG file. The same stretch (the theme's clouds
// into the break's lit scene) is dumped twice in one run, with one worker and with the default
// pool, each time with freshly set-up effects; the figures are frames per second from the first
// frame until the last file is on disk, and the two sets of files must be byte-identical.
//
//   bench_dump [seconds [start [rounds]]]    (default: 12 s from 40 s, one round)
//
// With more rounds the three kinds of run take turns and each reports its best round, which evens
// out the load of other programs on the machine.
//
// Each kind of run also reports the processor time the whole process spent per frame (every
// thread: the workers, and the GL driver's own threads where it draws in software). Where drawing
// itself takes processor time, the pool's frames per second cannot exceed the cores divided by
// the drawing and encoding time per frame: the benchmark prints that bound beside the figures.

#include "am_archivemanager.h"
#include "am_videofile.h"
#include "am_workerpool.h"
#include "demo_effects.h"
#include "dis_display.h"
#include "dis_listener.h"
#include "scr_reader.h"
#include "scr_script.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace norvane;

const int kWidth = 1024;
const int kHeight = 576;
const int kRate = 30;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Draws the timeline at the time it is given and hands the grabbed frame to the dumper (when there
// is one), inside the display's own frame, as the demo system does.
class DumpingPlayer : public display::Listener {
public:
    DumpingPlayer(display::DisplayGL* display, script::Script* script, am::VideoFileImageDumper* dumper)
        : Listener(display), mScript(script), mDumper(dumper), mGrab(new am::ImageObject(kWidth, kHeight)) {
        if (mDumper) mDumper->setImage(mGrab);
    }
    void onFrame() override {
        mScript->update(mTime);
        mDisplay->grabScreen(mGrab);
        if (mDumper) mDumper->writeFrame();
    }
    float mTime = 0.0f;

private:
    script::Script* mScript;
    am::VideoFileImageDumper* mDumper;
    am::Image mGrab;
};

// The processor time this process has used so far, all threads, in seconds.
double processSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One kind of run: frames per second, and processor milliseconds per frame.
struct Speed {
    double fps = 0.0;
    double cpuMs = 0.0;
    void keepBest(const Speed& other) {
        if (other.fps > fps) *this = other;
    }
};

// Dumps frames frames from start into folder/f.*.png with the given number of workers (none: the
// frames are drawn and grabbed only), timed from the first frame until every file is written.
Speed dump(display::DisplayGL& displayGL, am::ArchiveManager& archives, const std::string& timeline,
           const std::string& folder, int workers, float start, int frames) {
    script::Script script;
    if (!script::ScriptReader::loadScript(timeline.data(), static_cast<int>(timeline.size()), script)) {
        std::fprintf(stderr, "bench_dump: the sample timeline does not load\n");
        std::exit(1);
    }
    EffectShared shared;
    auto effects = std::make_unique<DemoEffects>(&shared);
    effects->kub.seed = 12345u; // its noise would otherwise start from the process clock
    effects->forEach([&](const char* name, corvista::Effect* effect) {
        effect->mName = name;
        effect->mDisplay = &displayGL;
        script.registerCallback(name, effect);
    });
    for (auto& entry : script.mCallbacks) static_cast<corvista::Effect*>(entry.second)->setup();

    am::VideoRect format{{kWidth, kHeight, kRate, 1}};
    std::unique_ptr<am::VideoFile> file(am::VideoFile::createForWrite(folder + "/f.png", format, &archives));
    auto* dumper = workers > 0 ? static_cast<am::VideoFileImageDumper*>(file.get()) : nullptr;
    if (dumper) dumper->setWorkers(workers);
    DumpingPlayer player(&displayGL, &script, dumper);
    displayGL.setMode(4, static_cast<float>(kRate));

    const auto begin = std::chrono::steady_clock::now();
    const double cpuBegin = processSeconds();
    for (int n = 0; n < frames; ++n) {
        player.mTime = start + static_cast<float>(n) / static_cast<float>(kRate);
        displayGL.update();
    }
    if (dumper) dumper->finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    Speed speed;
    speed.fps = static_cast<double>(frames) / seconds;
    speed.cpuMs = 1000.0 * (processSeconds() - cpuBegin) / static_cast<double>(frames);
    return speed;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bench_dump needs an X display (DISPLAY is not set)\n");
        return 1;
    }
    const float seconds = argc > 1 ? static_cast<float>(std::atof(argv[1])) : 12.0f;
    const float start = argc > 2 ? static_cast<float>(std::atof(argv[2])) : 40.0f;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 1;
    const int frames = static_cast<int>(seconds * kRate);
    if (frames <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: bench_dump [seconds [start [rounds]]]\n");
        return 1;
    }
    std::string out = (std::filesystem::temp_directory_path() / "halcyra-bench-dump-XXXXXX").string();
    if (!mkdtemp(&out[0])) {
        std::perror("bench_dump: mkdtemp");
        return 1;
    }

    const int pool = am::WorkerPool::defaultWorkers();
    Speed single, many, drawn;
    {
        am::ArchiveManager archives;
        archives.addArchive(out);              // archive 0: where the frames go
        archives.addArchive(HALCYRA_DEMO_DIR); // the effects' files
        display::WindowMode mode;
        mode.title = "bench_dump";
        mode.width = kWidth;
        mode.height = kHeight;
        display::DisplayGL displayGL(mode);
        displayGL.open();
        displayGL.setArchive(&archives);
        const std::string timeline = readText(std::string(HALCYRA_DEMO_DIR) + "timeline.xml");
        for (int round = 0; round < rounds; ++round) {
            single.keepBest(dump(displayGL, archives, timeline, "one", 1, start, frames));
            many.keepBest(dump(displayGL, archives, timeline, "pool", pool, start, frames));
            drawn.keepBest(dump(displayGL, archives, timeline, "none", 0, start, frames));
            std::printf("round %d: 1 worker %.1f, %d workers %.1f, drawn only %.1f (best so far)\n", round + 1,
                        single.fps, pool, many.fps, drawn.fps);
            std::fflush(stdout);
        }
    }

    int different = 0;
    for (int n = 0; n < frames; ++n) {
        char name[64];
        std::snprintf(name, sizeof(name), "f.%06d.png", n);
        const std::string a = readText(out + "/one/" + name);
        if (a.empty() || a != readText(out + "/pool/" + name)) ++different;
    }
    std::filesystem::remove_all(out);

    std::printf("%d frames of %dx%d from %.1f s to %.1f s of the sample demo, %d cores, best of %d\n", frames,
                kWidth, kHeight, static_cast<double>(start), static_cast<double>(start + seconds),
                am::WorkerPool::coresAvailable(), rounds);
    std::printf("1 worker:   %6.1f frames per second, %5.1f ms of processor time a frame\n", single.fps,
                single.cpuMs);
    std::printf("%d workers: %6.1f frames per second, %5.1f ms of processor time a frame\n", pool, many.fps,
                many.cpuMs);
    std::printf("ratio:      %6.2f\n", many.fps / single.fps);
    std::printf("drawn and grabbed only: %.1f frames per second, %.1f ms of processor time a frame\n", drawn.fps,
                drawn.cpuMs);
    // Every frame costs its drawing and its encoding wherever they run; all cores busy is the most.
    const int cores = am::WorkerPool::coresAvailable();
    const double bound = 1000.0 * cores / many.cpuMs;
    std::printf("bound:      %6.1f frames per second with all %d cores busy (ratio %.2f)\n", bound, cores,
                bound / single.fps);
    std::printf("files:      %s\n", different == 0 ? "byte-identical" : "DIFFERENT");
    if (different) std::printf("            %d of %d frames differ\n", different, frames);
    return different == 0 ? 0 : 1;
}
