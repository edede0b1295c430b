// Uploading a 1024 x 1024 PNG texture: through display::Texture, and by decoding the same file and
// calling glTexImage2D directly. Both decode the file every time (the image cache lets a picture go
// when its last user does). Needs an X display.

#include "am_archivemanager.h"
#include "dis_display.h"
#include "dis_texture.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

using namespace norvane;

namespace {

const int Side = 1024;
const char* const FileName = "upload.png";

am::ArchiveManager* gArchives = nullptr;
display::DisplayGL* gDisplay = nullptr;

// A picture that compresses like a photograph more than like a flat colour.
void writePicture() {
    am::Image image(new am::ImageObject(Side, Side));
    unsigned char* p = image->getWriteData();
    unsigned seed = 1;
    for (int y = 0; y < Side; ++y) {
        for (int x = 0; x < Side; ++x, p += 4) {
            seed = seed * 69069u + 5u;
            p[0] = static_cast<unsigned char>((x + (seed >> 28)) & 255);
            p[1] = static_cast<unsigned char>((y + (seed >> 27)) & 255);
            p[2] = static_cast<unsigned char>(((x ^ y) + (seed >> 29)) & 255);
            p[3] = 255;
        }
    }
    if (!gArchives->saveImage(FileName, image)) {
        std::fprintf(stderr, "could not write %s\n", FileName);
        std::exit(1);
    }
}

void BM_UploadThroughTexture(benchmark::State& state) {
    for (auto _ : state) {
        display::Texture texture(gDisplay);
        texture.load(FileName, false);
        texture.setup();
        glFinish();
        benchmark::DoNotOptimize(texture.mTexture);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UploadThroughTexture)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_UploadDirectly(benchmark::State& state) {
    for (auto _ : state) {
        am::Image image;
        gArchives->loadImage(image, FileName, -1, false);
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image->getWidth(), image->getHeight(), 0, GL_BGRA, GL_UNSIGNED_BYTE,
                     image->getPixels());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glBindTexture(GL_TEXTURE_2D, 0);
        glFinish();
        glDeleteTextures(1, &name);
        benchmark::DoNotOptimize(name);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UploadDirectly)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bench_glres needs an X display (DISPLAY is not set)\n");
        return 1;
    }
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("bench_glres_" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(dir);
    int result = 0;
    {
        am::ArchiveManager archives;
        archives.addArchive(dir);
        gArchives = &archives;
        display::WindowMode mode;
        mode.title = "bench_glres";
        mode.width = 64;
        mode.height = 64;
        display::DisplayGL displayGL(mode);
        displayGL.open();
        displayGL.setArchive(&archives);
        gDisplay = &displayGL;
        writePicture();

        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) result = 1;
        else benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        gDisplay = nullptr;
        gArchives = nullptr;
    }
    std::filesystem::remove_all(dir);
    return result;
}
