#include "am_image.h"
#include "am_imagecodec.h"
#include "nvn_system.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace norvane {
namespace am {

namespace {

// libjpeg's own working memory (whole-image buffers of progressive files) is refused beyond this.
const long MaxDecoderMemory = 512L * 1024L * 1024L;

// The error manager: every libjpeg error, and its first warning, ends the decode with the
// library's message (kept here) through a jump back into decodeJpeg.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void outputMessage(j_common_ptr cinfo) {
    JpegErrors* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

void errorExit(j_common_ptr cinfo) { (*cinfo->err->output_message)(cinfo); }

// The memory source: the whole file is in the buffer from the start.
void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
    // Only called when the data is used up: warn (which ends the decode), as libjpeg's own sources do,
    // and supply an end-of-image marker.
    static const JOCTET endOfImage[2] = {0xFF, JPEG_EOI};
    WARNMS(cinfo, JWRN_JPEG_EOF);
    cinfo->src->next_input_byte = endOfImage;
    cinfo->src->bytes_in_buffer = 2;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* source = cinfo->src;
    if (static_cast<size_t>(count) > source->bytes_in_buffer) {
        source->next_input_byte += source->bytes_in_buffer;
        source->bytes_in_buffer = 0;
    } else {
        source->next_input_byte += count;
        source->bytes_in_buffer -= static_cast<size_t>(count);
    }
}

struct JpegDecoded {
    unsigned char* pixels;
    int width;
    int height;
};

enum class JpegResult { Ok, Failed, TooLarge };

// All libjpeg work happens here, between setjmp and the error manager's longjmp: no object with a
// destructor lives in this frame, and everything allocated is freed on the error path.
JpegResult decodeJpeg(const char* data, int size, JpegDecoded* out, JpegErrors* errors) {
    jpeg_decompress_struct cinfo;
    jpeg_source_mgr source;
    unsigned char* volatile pixels = nullptr;
    JSAMPROW* volatile rows = nullptr;

    std::memset(&cinfo, 0, sizeof(cinfo));
    cinfo.err = jpeg_std_error(&errors->manager);
    errors->manager.error_exit = errorExit;
    errors->manager.output_message = outputMessage;
    errors->message[0] = '\0';
    if (setjmp(errors->jump)) {
        std::free(pixels);
        std::free(rows);
        jpeg_destroy_decompress(&cinfo);
        return JpegResult::Failed;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = MaxDecoderMemory;
    source.next_input_byte = reinterpret_cast<const JOCTET*>(data);
    source.bytes_in_buffer = static_cast<size_t>(size);
    source.init_source = initSource;
    source.fill_input_buffer = fillInputBuffer;
    source.skip_input_data = skipInputData;
    source.resync_to_restart = jpeg_resync_to_restart;
    source.term_source = termSource;
    cinfo.src = &source;

    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width > static_cast<JDIMENSION>(ImageCodec::MaxDimension) ||
        cinfo.image_height > static_cast<JDIMENSION>(ImageCodec::MaxDimension)) {
        std::snprintf(errors->message, sizeof(errors->message), "Image too large (%u x %u)",
                      static_cast<unsigned>(cinfo.image_width), static_cast<unsigned>(cinfo.image_height));
        jpeg_destroy_decompress(&cinfo);
        return JpegResult::TooLarge;
    }
    // Blue, green, red and an alpha of 255, straight into the image's rows.
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 4) ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);

    const size_t width = cinfo.output_width;
    const size_t height = cinfo.output_height;
    const size_t rowBytes = width * 4u;
    pixels = static_cast<unsigned char*>(std::malloc(rowBytes * height));
    rows = static_cast<JSAMPROW*>(std::malloc(sizeof(JSAMPROW) * height));
    if (!pixels || !rows) ERREXIT(&cinfo, JERR_OUT_OF_MEMORY);
    for (size_t y = 0; y < height; ++y) rows[y] = pixels + rowBytes * y;
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, rows + cinfo.output_scanline, cinfo.output_height - cinfo.output_scanline);
    jpeg_finish_decompress(&cinfo);

    std::free(rows);
    jpeg_destroy_decompress(&cinfo);
    out->pixels = pixels;
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    return JpegResult::Ok;
}

} // namespace

void ImageCodecJPEG::decode(const char* data, int size, ImageObject* image) {
    JpegErrors errors;
    JpegDecoded decoded{nullptr, 0, 0};
    if (!data || size < 0) size = 0;
    if (decodeJpeg(data ? data : "", size, &decoded, &errors) != JpegResult::Ok)
        throw Exception("Internal jpeglib error; %s", errors.message);
    image->setPixels(decoded.width, decoded.height, decoded.pixels);
}

void ImageCodecTGA::decode(const char*, int, ImageObject*) {
    throw Exception("[ImageCodec] TGA-reader is not done yet!");
}

} // namespace am
} // namespace norvane
