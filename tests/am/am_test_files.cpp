#include "am_test_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <jpeglib.h>
#include <minizip/zip.h>
#include <png.h>

namespace amtest {

TempDir::TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "am_test_XXXXXX").string();
    if (!mkdtemp(&templ[0])) throw std::runtime_error("mkdtemp failed");
    mPath = templ;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("could not write " + path);
}

void writeFile(const std::string& path, const std::string& text) { writeFile(path, Bytes(text.begin(), text.end())); }

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

namespace {

uint32_t little32(const Bytes& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

void putLittle(Bytes& bytes, size_t at, uint64_t value, int size) {
    for (int b = 0; b < size; ++b) bytes[at + b] = static_cast<unsigned char>(value >> (8 * b));
}

// What minizip's writer cannot make is patched in. Another method: minizip writes only stored and
// deflated entries, so the entry is written stored and its method changed in both headers. Zip64:
// minizip writes real 32-bit sizes and an empty zip64 field in the local header, and the
// directory's zip64 field was written by makeZip as a placeholder of the right length.
void patchEntries(Bytes& zip, const std::vector<ZipEntry>& entries) {
    for (size_t i = 0; i + 46 <= zip.size(); ++i) {
        if (little32(zip, i) != 0x02014b50) continue;
        const size_t nameLength = zip[i + 28] | zip[i + 29] << 8;
        const std::string name(zip.begin() + i + 46, zip.begin() + i + 46 + nameLength);
        const size_t local = little32(zip, i + 42);
        for (const ZipEntry& entry : entries) {
            if (entry.name != name) continue;
            if (entry.rawMethod > 0) {
                putLittle(zip, i + 10, entry.rawMethod, 2);
                putLittle(zip, local + 8, entry.rawMethod, 2);
            }
            if (!entry.zip64) continue;
            const uint32_t compressed = little32(zip, i + 20), uncompressed = little32(zip, i + 24);
            putLittle(zip, i + 24, 0xffffffffu, 4);
            putLittle(zip, i + 46 + nameLength + 4, uncompressed, 8); // the directory's zip64 field
            putLittle(zip, local + 18, 0xffffffffffffffffu, 8);
            const size_t localExtra = local + 30 + (zip[local + 26] | zip[local + 27] << 8);
            putLittle(zip, localExtra + 4, uncompressed, 8);
            putLittle(zip, localExtra + 12, compressed, 8);
        }
    }
}

} // namespace

void makeZip(const std::string& path, const std::vector<ZipEntry>& entries) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) throw std::runtime_error("zipOpen failed");
    for (const ZipEntry& entry : entries) {
        zip_fileinfo info = {};
        const unsigned char zip64Field[12] = {1, 0, 8, 0};
        const int method = entry.stored || entry.rawMethod > 0 ? 0 : Z_DEFLATED;
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(entry.content.data()),
                                static_cast<uInt>(entry.content.size()));
        if (zipOpenNewFileInZip4_64(zip, entry.name.c_str(), &info, nullptr, 0, entry.zip64 ? zip64Field : nullptr,
                                    entry.zip64 ? sizeof(zip64Field) : 0, nullptr, method,
                                    method ? Z_DEFAULT_COMPRESSION : 0, 0, -MAX_WBITS,
                                    DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                    entry.password.empty() ? nullptr : entry.password.c_str(), crc, 0, 0,
                                    entry.zip64) != ZIP_OK)
            throw std::runtime_error("zipOpenNewFileInZip failed");
        if (!entry.content.empty())
            zipWriteInFileInZip(zip, entry.content.data(), static_cast<unsigned>(entry.content.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
    Bytes bytes = readFile(path);
    patchEntries(bytes, entries);
    writeFile(path, bytes);
}

namespace {
void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void flushNothing(png_structp) {}
} // namespace

Bytes makePng(int width, int height, int colorType, int bitDepth, const Bytes& pixels, bool interlaced) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng could not write the test image");
    }
    png_set_write_fn(png, &out, appendBytes, flushNothing);
    png_set_IHDR(png, info, width, height, bitDepth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
        png_set_PLTE(png, info, palette, 4);
    }
    png_write_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[y] = const_cast<png_bytep>(pixels.data() + rowBytes * y);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes makeRgbPng(int width, int height, const Bytes& rgb, bool interlaced) {
    return makePng(width, height, PNG_COLOR_TYPE_RGB, 8, rgb, interlaced);
}

Bytes makeJpeg(int width, int height, const Bytes& samples, bool grey, int quality) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const int stride = width * cinfo.input_components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

Bytes pattern(int width, int height, int channels, unsigned seed) {
    Bytes out(static_cast<size_t>(width) * height * channels);
    unsigned state = seed;
    for (size_t i = 0; i < out.size(); ++i) {
        state = state * 69069u + 5u;
        out[i] = static_cast<unsigned char>((i * 7 + (state >> 24)) & 0xff);
    }
    return out;
}

} // namespace amtest
