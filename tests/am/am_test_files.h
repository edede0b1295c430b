#pragma once
// Test files made on the spot: a temporary directory, ZIP archives, PNG and JPEG images.

#include <string>
#include <utility>
#include <vector>

namespace amtest {

typedef std::vector<unsigned char> Bytes;

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return mPath; }
    std::string file(const std::string& name) const { return mPath + "/" + name; }

private:
    std::string mPath;
};

void writeFile(const std::string& path, const Bytes& bytes);
void writeFile(const std::string& path, const std::string& text);
Bytes readFile(const std::string& path);
bool fileExists(const std::string& path);

struct ZipEntry {
    ZipEntry(std::string name_, std::string content_, bool stored_)
        : name(std::move(name_)), content(std::move(content_)), stored(stored_) {}
    std::string name;
    std::string content;
    bool stored; // no compression
    // Both 32-bit sizes in the local header and the uncompressed one in the directory read
    // 0xFFFFFFFF, the real sizes standing in zip64 fields, as Info-ZIP's "zip -fz" writes them.
    bool zip64 = false;
    std::string password; // encrypted with it when not empty
    int rawMethod = 0;    // above 0: the content is stored as the entry's data under this method number
};
// Writes a ZIP archive with minizip's writer.
void makeZip(const std::string& path, const std::vector<ZipEntry>& entries);

// A PNG file written with libpng directly. rows holds height rows of source pixels in the given format.
Bytes makePng(int width, int height, int colorType, int bitDepth, const Bytes& pixels, bool interlaced = false);
// An 8-bit RGB PNG from red, green, blue bytes.
Bytes makeRgbPng(int width, int height, const Bytes& rgb, bool interlaced = false);
// A JPEG file written with libjpeg directly from red, green, blue bytes (or one grey byte per pixel).
Bytes makeJpeg(int width, int height, const Bytes& samples, bool grey = false, int quality = 100);

// A deterministic pattern of width x height pixels with the given number of bytes per pixel.
Bytes pattern(int width, int height, int channels, unsigned seed = 1);

} // namespace amtest
