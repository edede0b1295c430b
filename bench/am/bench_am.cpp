// PNG decoding through the image manager and frame writing through the dumper, each beside libpng
// called directly on the same data with the same settings.

#include "am_archivemanager.h"
#include "am_videofile.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

using namespace norvane::am;

namespace {

const int Width = 1280;
const int Height = 720;

// A frame-like picture: smooth gradients with some fine detail, four bytes per pixel.
std::vector<unsigned char> framePixels() {
    std::vector<unsigned char> pixels(static_cast<size_t>(Width) * Height * 4);
    unsigned state = 7;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            unsigned char* p = &pixels[(static_cast<size_t>(y) * Width + x) * 4];
            state = state * 69069u + 5u;
            const double wave = std::sin(x * 0.02) * std::cos(y * 0.03);
            p[0] = static_cast<unsigned char>(x * 255 / Width);
            p[1] = static_cast<unsigned char>(y * 255 / Height);
            p[2] = static_cast<unsigned char>(128 + 100 * wave + ((state >> 28) & 7));
            p[3] = 255;
        }
    return pixels;
}

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    std::vector<unsigned char>* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void flushNothing(png_structp) {}

// Encodes RGBA rows with libpng's default settings, into memory or into a file.
void encodeDirect(const std::vector<unsigned char>& pixels, std::vector<unsigned char>* memory, FILE* file) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng failed");
    }
    if (file) png_init_io(png, file);
    else png_set_write_fn(png, memory, appendBytes, flushNothing);
    png_set_IHDR(png, info, Width, Height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_bytep> rows(Height);
    for (int y = 0; y < Height; ++y) rows[y] = const_cast<png_bytep>(&pixels[static_cast<size_t>(y) * Width * 4]);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

struct MemoryReader {
    const unsigned char* data;
    size_t size;
    size_t position;
};

void readBytes(png_structp png, png_bytep out, png_size_t length) {
    MemoryReader* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (reader->size - reader->position < length) png_error(png, "short");
    std::memcpy(out, reader->data + reader->position, length);
    reader->position += length;
}

// Decodes into one RGBA buffer with libpng directly.
void decodeDirect(const std::vector<unsigned char>& file, std::vector<unsigned char>& pixels) {
    MemoryReader reader{file.data(), file.size(), 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw std::runtime_error("libpng failed");
    }
    png_set_read_fn(png, &reader, readBytes);
    png_read_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    pixels.resize(rowBytes * height);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = &pixels[rowBytes * y];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
}

const std::vector<unsigned char>& pngFile() {
    static std::vector<unsigned char> file;
    if (file.empty()) encodeDirect(framePixels(), &file, nullptr);
    return file;
}

std::string scratchDirectory() {
    const std::string path = (std::filesystem::temp_directory_path() / "bench_am").string();
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path;
}

void DecodeThroughImageManager(benchmark::State& state) {
    const std::vector<unsigned char>& bytes = pngFile();
    FileData* data = new FileData();
    data->name = "frame.png";
    data->size = static_cast<int>(bytes.size());
    data->bytes = static_cast<char*>(std::malloc(bytes.size()));
    std::memcpy(data->bytes, bytes.data(), bytes.size());
    FileDataHandle file(data);
    ImageManager manager;
    for (auto _ : state) {
        Image image;
        manager.loadImage(image, "frame.png", file, true);
        benchmark::DoNotOptimize(image->getPixels());
    }
}

void DecodeWithLibpng(benchmark::State& state) {
    const std::vector<unsigned char>& bytes = pngFile();
    for (auto _ : state) {
        std::vector<unsigned char> pixels;
        decodeDirect(bytes, pixels);
        benchmark::DoNotOptimize(pixels.data());
    }
}

void WriteFrameThroughDumper(benchmark::State& state) {
    const std::string dir = scratchDirectory();
    ArchiveManager archives;
    archives.addArchive(dir);
    VideoFile* dumper = VideoFile::createForWrite("frames/demo.png", VideoRect{{Width, Height, 30, 1}}, &archives);
    const std::vector<unsigned char> pixels = framePixels();
    Image grab(new ImageObject(Width, Height));
    std::memcpy(grab->getWriteData(), pixels.data(), pixels.size());
    dumper->setImage(grab);
    for (auto _ : state) dumper->writeFrame();
    delete dumper;
    std::filesystem::remove_all(dir);
}

void EncodeToFileWithLibpng(benchmark::State& state) {
    const std::string dir = scratchDirectory();
    const std::vector<unsigned char> pixels = framePixels();
    int frame = 0;
    for (auto _ : state) {
        char name[64];
        std::snprintf(name, sizeof(name), "/demo.%06d.png", frame++);
        FILE* file = std::fopen((dir + name).c_str(), "wb");
        encodeDirect(pixels, nullptr, file);
        std::fclose(file);
    }
    std::filesystem::remove_all(dir);
}

} // namespace

BENCHMARK(DecodeThroughImageManager)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(DecodeWithLibpng)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(WriteFrameThroughDumper)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(EncodeToFileWithLibpng)->Unit(benchmark::kMillisecond)->MinTime(3.0);

BENCHMARK_MAIN();
