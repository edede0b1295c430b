// An empty frame (clear and swap) through the display's frame loop, beside a bare GLFW loop doing
// the same on a window of the same size. Run under one X server; both report frames per second.

#include "dis_display.h"

#include <GL/glew.h>
// After GLEW, which must come before any other GL header.
#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

const int Width = 640;
const int Height = 480;

class ClearingListener : public norvane::display::Listener {
public:
    explicit ClearingListener(norvane::display::DisplayGL* display) : Listener(display) {}
    void onFrame() override {
        glClearColor(0.2f, 0.3f, 0.4f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
};

void displayLoop(benchmark::State& state) {
    norvane::display::WindowMode mode;
    mode.title = "bench display loop";
    mode.width = Width;
    mode.height = Height;
    norvane::display::DisplayGL display(mode);
    display.open();
    ClearingListener listener(&display);
    for (auto _ : state) {
        if (!display.update()) {
            state.SkipWithError("the display loop ended");
            break;
        }
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void bareGlfwLoop(benchmark::State& state) {
    glfwInit();
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    glfwWindowHint(GLFW_DEPTH_BITS, 16);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    GLFWwindow* window = glfwCreateWindow(Width, Height, "bench bare loop", nullptr, nullptr);
    if (!window) {
        state.SkipWithError("no window");
        glfwTerminate();
        return;
    }
    glfwMakeContextCurrent(window);
    glfwSwapInterval(1);
    for (auto _ : state) {
        glfwPollEvents();
        glClearColor(0.2f, 0.3f, 0.4f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glfwSwapBuffers(window);
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    glfwDestroyWindow(window);
    glfwTerminate();
}

} // namespace

BENCHMARK(bareGlfwLoop)->UseRealTime()->Iterations(3000)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(displayLoop)->UseRealTime()->Iterations(3000)->Repetitions(9)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
