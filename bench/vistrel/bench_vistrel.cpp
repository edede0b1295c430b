// Loads deeply nested scroll areas into a workspace and resizes it: every level lays its children
// out, so the cost shows whether each level's subtree is laid out once or again at every level.
// No display is needed: the workspace builds and lays out its controls without drawing them.

#include "vst_workspace.h"

#include "am_filedata.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using norvane::vistrel::Rect;

// depth scroll areas, one inside the other, each holding a button beside the next level.
std::string nestedScrollAreas(int depth) {
    std::string text = "<vistrel><workspace><child>";
    for (int i = 0; i < depth; ++i)
        text += "<scrollbar><child><button caption='b'><area x='4' y='4' width='40' height='20'/></button>";
    for (int i = 0; i < depth; ++i)
        text += "</child></scrollbar>";
    return text + "</child></workspace></vistrel>";
}

// One load of the layout into a fresh workspace, then one resize of the workspace.
void loadAndResize(benchmark::State& state) {
    norvane::vistrel::registerControlClasses();
    const int depth = static_cast<int>(state.range(0));
    const std::string layout = nestedScrollAreas(depth);
    for (auto _ : state) {
        norvane::vistrel::Workspace ws;
        ws.setArea(Rect(0, 0, 1280, 1024));
        norvane::xml::XmlParser doc;
        doc.parse(layout);
        ws.loadLayout(
            doc, [](const std::string&) { return norvane::am::FileDataHandle(); },
            [&ws] { ws.setMaximized(ws.isMaximized()); });
        ws.setArea(Rect(0, 0, 1000, 1000));
        benchmark::DoNotOptimize(ws.getChildCount());
    }
}

} // namespace

BENCHMARK(loadAndResize)->Arg(22)->Arg(64)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
