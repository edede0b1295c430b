// Time from Music::setup to ready-to-play for a 3-minute Ogg Vorbis file, beside libsndfile's own
// time to decode the same bytes whole. Runs on OpenAL Soft's silent device.

#include "crv_music.h"
#include "snd_memory_file.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using soundtest::MemoryFile;

// Three minutes of stereo music-like sound (two detuned tones with a beat) at 44.1 kHz, Ogg Vorbis.
const std::vector<char>& threeMinuteOgg() {
    static MemoryFile memory;
    if (!memory.bytes.empty()) return memory.bytes;
    SF_INFO info = {};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* sound = memory.open(SFM_WRITE, info);
    const int frames = 44100 * 180;
    std::vector<float> block(2 * 4410);
    for (int start = 0; start < frames; start += 4410) {
        for (int i = 0; i < 4410; ++i) {
            const double t = (start + i) / 44100.0;
            const double beat = 0.5 + 0.5 * std::sin(2.0 * M_PI * 2.0 * t);
            block[2 * i] = static_cast<float>(0.3 * beat * std::sin(2.0 * M_PI * 220.0 * t));
            block[2 * i + 1] = static_cast<float>(0.3 * std::sin(2.0 * M_PI * 330.5 * t));
        }
        sf_writef_float(sound, block.data(), 4410);
    }
    sf_close(sound);
    return memory.bytes;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Both benchmarks time one iteration by hand and then let the machine settle, so that tearing
// down the previous iteration (closing a device joins its mixer thread, freeing 30 MB of samples)
// does not land in the next one: in the demo, set-up happens once.
void settle() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }

void SetupToReady(benchmark::State& state) {
    const std::vector<char>& bytes = threeMinuteOgg();
    for (auto _ : state) {
        norvane::am::FileData* data = new norvane::am::FileData();
        data->size = static_cast<int>(bytes.size());
        data->bytes = static_cast<char*>(std::malloc(bytes.size()));
        std::memcpy(data->bytes, bytes.data(), bytes.size());
        norvane::am::FileDataHandle file(data);
        norvane::corvista::Music* music = new norvane::corvista::Music();
        const auto start = std::chrono::steady_clock::now();
        if (!music->setup(file)) state.SkipWithError("no music");
        state.SetIterationTime(secondsSince(start));
        benchmark::DoNotOptimize(music->getLength());
        delete music;
        settle();
    }
}

void DecodeWithLibsndfile(benchmark::State& state) {
    const std::vector<char>& bytes = threeMinuteOgg();
    for (auto _ : state) {
        MemoryFile memory;
        memory.bytes = bytes;
        const auto start = std::chrono::steady_clock::now();
        SF_INFO info = {};
        SNDFILE* sound = memory.open(SFM_READ, info);
        std::vector<short>* samples = new std::vector<short>(static_cast<size_t>(info.frames) * info.channels);
        benchmark::DoNotOptimize(sf_readf_short(sound, samples->data(), info.frames));
        sf_close(sound);
        state.SetIterationTime(secondsSince(start));
        delete samples;
        settle();
    }
}

} // namespace

BENCHMARK(SetupToReady)->Unit(benchmark::kMillisecond)->MinTime(5.0)->UseManualTime();
BENCHMARK(DecodeWithLibsndfile)->Unit(benchmark::kMillisecond)->MinTime(5.0)->UseManualTime();

int main(int argc, char** argv) {
    setenv("ALSOFT_DRIVERS", "null", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
