#include "am_image.h"
#include "am_imagecodec.h"
#include "nvn_system.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace norvane {
namespace am {

namespace {

// The file bytes, read by libpng through readFromMemory.
struct PngSource {
    const unsigned char* data;
    size_t size;
    size_t position;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->size - source->position < length) png_error(png, "Read beyond the end of the data");
    std::memcpy(out, source->data + source->position, length);
    source->position += length;
}

// The encoded file, grown as libpng writes it. The buffer is malloc memory handed to the caller.
struct PngSink {
    char* data;
    size_t size;
    size_t capacity;
};

void writeToMemory(png_structp png, png_bytep bytes, png_size_t length) {
    PngSink* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    if (sink->capacity - sink->size < length) {
        size_t capacity = sink->capacity ? sink->capacity : 65536;
        while (capacity - sink->size < length) capacity *= 2;
        char* grown = static_cast<char*>(std::realloc(sink->data, capacity));
        if (!grown) png_error(png, "Out of memory for the encoded image");
        sink->data = grown;
        sink->capacity = capacity;
    }
    std::memcpy(sink->data + sink->size, bytes, length);
    sink->size += length;
}

void flushNothing(png_structp) {}

// libpng's messages go to the log, as every diagnostic of the system does, instead of its own
// lines on standard error. An error then ends the work through the jump back into decodePng or
// encodePng, as libpng's own handler would.
void logPngError(png_structp png, png_const_charp message) {
    NVN_LOG("warning", "app", "libpng: %s", message);
    png_longjmp(png, 1);
}

void logPngWarning(png_structp, png_const_charp message) { NVN_LOG("warning", "app", "libpng: %s", message); }

enum class PngResult { Ok, NoReadStruct, NoInfoStruct, Failed, Grey, BadFormat };

struct PngDecoded {
    unsigned char* pixels;
    int width;
    int height;
    int colorType;
    int bitDepth;
};

// All libpng work happens here, between setjmp and the library's longjmp: no object with a
// destructor lives in this frame, and everything allocated is freed on the error path.
PngResult decodePng(PngSource* source, PngDecoded* out) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, logPngError, logPngWarning);
    if (!png) return PngResult::NoReadStruct;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return PngResult::NoInfoStruct;
    }
    unsigned char* volatile pixels = nullptr;
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        std::free(pixels);
        std::free(rows);
        png_destroy_read_struct(&png, &info, nullptr);
        return PngResult::Failed;
    }
    png_set_read_fn(png, source, readFromMemory);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, ImageCodec::MaxDimension, ImageCodec::MaxDimension);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    out->colorType = colorType;
    out->bitDepth = bitDepth;
    const bool rgb = colorType == PNG_COLOR_TYPE_RGB && bitDepth == 8;
    const bool rgba = colorType == PNG_COLOR_TYPE_RGB_ALPHA && bitDepth == 8;
    if (!rgb && !rgba) {
        png_destroy_read_struct(&png, &info, nullptr);
        return colorType == PNG_COLOR_TYPE_GRAY && bitDepth == 8 ? PngResult::Grey : PngResult::BadFormat;
    }
    // libpng writes blue, green, red, alpha straight into the image's rows.
    png_set_bgr(png);
    if (rgb) png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = static_cast<size_t>(width) * 4u;
    if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "Unexpected row size");

    pixels = static_cast<unsigned char*>(std::malloc(rowBytes * height));
    rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (!pixels || !rows) png_error(png, "Out of memory for the image");
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + rowBytes * y;
    png_read_image(png, rows);
    png_read_end(png, nullptr);

    std::free(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    out->pixels = pixels;
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    return PngResult::Ok;
}

bool encodePng(const unsigned char* pixels, int width, int height, PngSink* sink) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, logPngError, logPngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        std::free(rows);
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, sink, writeToMemory, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // The image's blue, green, red, alpha pixels are written as red, green, blue, alpha.
    png_set_bgr(png);
    const size_t rowBytes = static_cast<size_t>(width) * 4u;
    rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * static_cast<size_t>(height)));
    if (!rows) png_error(png, "Out of memory");
    for (int y = 0; y < height; ++y) rows[y] = const_cast<png_bytep>(pixels + rowBytes * static_cast<size_t>(y));
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    std::free(rows);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

ImageCodec::~ImageCodec() = default;

bool ImageCodec::encode(char**, int*, ImageObject&) { return false; }

bool ImageCodec::canEncode() { return false; }

void ImageCodecPNG::decode(const char* data, int size, ImageObject* image) {
    if (!data || size < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(data), 0, 8) != 0)
        throw Exception("[loadPNG] Not a png-file! Header is wrong!");
    PngSource source{reinterpret_cast<const unsigned char*>(data), static_cast<size_t>(size), 8};
    PngDecoded decoded{nullptr, 0, 0, 0, 0};
    switch (decodePng(&source, &decoded)) {
    case PngResult::Ok:
        break;
    case PngResult::NoReadStruct:
        throw Exception("[loadPNG] Could not setup libpng (pngstruct)!");
    case PngResult::NoInfoStruct:
        throw Exception("[loadPNG] Could not setup libpng (pnginfo)!");
    case PngResult::Failed:
        throw Exception("[loadPNG] Error when decoding png-file!");
    case PngResult::Grey:
        throw Exception("[loadPNG] No support for grayscale images yet");
    case PngResult::BadFormat:
        throw Exception("[loadPNG] Bad color format of image (type %d, %d bits per channel)", decoded.colorType,
                        decoded.bitDepth);
    }
    image->setPixels(decoded.width, decoded.height, decoded.pixels);
}

bool ImageCodecPNG::encode(char** outData, int* outSize, ImageObject& image) {
    const unsigned char* pixels = image.getWriteData();
    const int width = image.getWidth();
    const int height = image.getHeight();
    if (!pixels || width <= 0 || height <= 0) return false;
    PngSink sink{nullptr, 0, 0};
    if (!encodePng(pixels, width, height, &sink) || sink.size > static_cast<size_t>(0x7fffffff)) {
        std::free(sink.data);
        return false;
    }
    *outData = sink.data;
    *outSize = static_cast<int>(sink.size);
    return true;
}

} // namespace am
} // namespace norvane
