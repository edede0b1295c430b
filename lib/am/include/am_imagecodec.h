#pragma once
// Image codecs: file bytes to images and back, entirely in memory.

#include <string>

namespace norvane {
namespace am {

class ImageObject;

class ImageCodec {
public:
    // Larger images are refused by the decoders.
    static const int MaxDimension = 16384;

    virtual ~ImageCodec();
    // Fills image from the file bytes, or throws; the image is unchanged on failure.
    virtual void decode(const char* data, int size, ImageObject* image) = 0;
    // A malloc buffer with the encoded file; false when the codec cannot encode.
    virtual bool encode(char** outData, int* outSize, ImageObject& image);
    virtual std::string extension() = 0;
    virtual bool canEncode();
};

// 8-bit RGB and RGBA images, read and write.
class ImageCodecPNG : public ImageCodec {
public:
    void decode(const char* data, int size, ImageObject* image) override;
    bool encode(char** outData, int* outSize, ImageObject& image) override;
    std::string extension() override { return "png"; }
    bool canEncode() override { return true; }
};

// Read only; every source is converted to RGB.
class ImageCodecJPEG : public ImageCodec {
public:
    void decode(const char* data, int size, ImageObject* image) override;
    std::string extension() override { return "jpg"; }
};

// Recognised, but refuses every file.
class ImageCodecTGA : public ImageCodec {
public:
    void decode(const char* data, int size, ImageObject* image) override;
    std::string extension() override { return "tga"; }
};

} // namespace am
} // namespace norvane
