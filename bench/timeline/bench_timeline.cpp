// Cost of evaluating the timeline frame by frame, of spline lookups while time moves forward, and
// of reading a timeline file with a long generated curve.

#include "scr_reader.h"
#include "scr_script.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

using norvane::script::Callback;
using norvane::script::EffectEntry;
using norvane::script::Script;
using norvane::script::ScriptReader;
using norvane::script::Spline;
using norvane::script::SplineTrack;

namespace {

const int kFrames = 10000;
const float kFrameStep = 1.0f / 60.0f;
const float kLength = kFrames * kFrameStep;
const int kTracks = 5;
const int kKeysPerTrack = 16;

// Takes every call and keeps a little of it, so that nothing can be optimised away.
class Sink : public Callback {
public:
    void start() override { ++mStarts; }
    void setValue(float, const std::string&, float value) override { mSum += value; }
    void draw(float local, float, float progress) override {
        mSum += local * progress;
        ++mDraws;
    }
    double mSum = 0.0;
    long mDraws = 0;
    long mStarts = 0;
};

// count entries of equal span, spread evenly so that about `active` of them hold any time.
void build(Script& script, int count, int active) {
    const float span = kLength * float(active) / float(count);
    for (int i = 0; i < count; ++i) {
        auto entry = std::make_unique<EffectEntry>();
        entry->mName = "fx";
        entry->mEnabled = true;
        entry->mStart = (kLength - span) * float(i) / float(count);
        entry->mEnd = entry->mStart + span;
        for (int t = 0; t < kTracks; ++t) {
            auto track = std::make_unique<SplineTrack>();
            track->mName = "value" + std::to_string(t);
            for (int k = 0; k < kKeysPerTrack; ++k) {
                const float time = span * float(k) / float(kKeysPerTrack - 1);
                track->addKey(Spline::Key{time, float((k * 7 + t) % 5), 0.0f, 0.0f});
            }
            entry->mTracks.push_back(std::move(track));
        }
        script.mEntries.push_back(std::move(entry));
    }
    script.computeLength();
}

// One iteration plays kFrames frames forward from 0.
void BM_TimelineForward(benchmark::State& state) {
    Script script;
    Sink sink;
    script.registerCallback("fx", &sink);
    build(script, int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        for (int frame = 0; frame < kFrames; ++frame) {
            const float t = float(frame) * kFrameStep;
            script.update(t);
        }
    }
    benchmark::DoNotOptimize(sink.mSum);
    state.counters["active"] = double(sink.mDraws) / double(state.iterations() * kFrames);
    state.counters["frame"] =
        benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
// Top-level entries grow with about ten active; then 1,000 entries with more and more active.
BENCHMARK(BM_TimelineForward)
    ->ArgNames({"entries", "active"})
    ->Args({250, 10})
    ->Args({500, 10})
    ->Args({1000, 10})
    ->Args({2000, 10})
    ->Args({4000, 10})
    ->Args({8000, 10})
    ->Args({1000, 50})
    ->Args({1000, 100})
    ->Args({1000, 200})
    ->Args({1000, 400})
    ->Unit(benchmark::kMillisecond);

Spline line(int keys) {
    Spline spline(Spline::Smooth, true);
    for (int k = 0; k < keys; ++k) spline.addKey(Spline::Key{float(k), float(k % 3), 0.0f, 0.0f});
    return spline;
}

// Time moves forward a quarter key per evaluation and wraps at the end: the cached segment path.
void BM_SplineForward(benchmark::State& state) {
    Spline spline = line(int(state.range(0)));
    const float end = float(state.range(0) - 1);
    float x = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(spline.evaluate(x));
        x += 0.25f;
        if (x > end) x = 0.0f;
    }
}
BENCHMARK(BM_SplineForward)->Arg(10)->Arg(10000);

// The same curves looked up at scattered times: every lookup searches.
void BM_SplineScattered(benchmark::State& state) {
    Spline spline = line(int(state.range(0)));
    const unsigned keys = unsigned(state.range(0) - 1);
    unsigned seed = 1;
    for (auto _ : state) {
        seed = seed * 69069u + 5u;
        benchmark::DoNotOptimize(spline.evaluate(float((seed >> 8) % (keys * 4)) * 0.25f));
    }
}
BENCHMARK(BM_SplineScattered)->Arg(10)->Arg(10000);

// A timeline file whose one smooth curve has that many keys, read from memory.
void BM_LoadLongSpline(benchmark::State& state) {
    std::string text = R"(<script><effect name="a" end="9"><spline type="smooth">)";
    for (int k = 0; k < state.range(0); ++k)
        text += "<key time=\"" + std::to_string(k) + "\" value=\"" + std::to_string(k % 7) + "\"/>";
    text += "</spline></effect></script>";
    for (auto _ : state) {
        Script script;
        if (!ScriptReader::loadScript(text.data(), int(text.size()), script, nullptr, nullptr))
            state.SkipWithError("the timeline did not load");
        benchmark::DoNotOptimize(script.mEntries.data());
    }
}
BENCHMARK(BM_LoadLongSpline)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
