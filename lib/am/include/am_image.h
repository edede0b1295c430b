#pragma once
// Images: 32-bit pixel buffers shared through counted handles, and the image cache.
// Pixels are four bytes each in the order blue, green, red, alpha; rows run from the top down
// with no padding between them.

#include "am_filedata.h"

#include <map>
#include <string>

namespace norvane {
namespace am {

class ImageManager;
class ImageCodec;

class ImageObject {
public:
    // Takes ownership of pixels (malloc memory) when non-null; otherwise allocates width x height.
    ImageObject(int width, int height, unsigned char* pixels = nullptr, ImageManager* owner = nullptr,
                const std::string& name = std::string());
    ~ImageObject();
    ImageObject(const ImageObject&) = delete;
    ImageObject& operator=(const ImageObject&) = delete;

    // Frees the old pixels and allocates width x height pixels (contents undefined).
    void create(int width, int height);
    // Adopts a malloc buffer of width x height pixels; null changes nothing.
    void setPixels(int width, int height, unsigned char* pixels);
    // The pixels for writing; a cached image is read-only and throws.
    unsigned char* getWriteData();

    const std::string& getName() const { return mName; }
    int getWidth() const { return mWidth; }
    int getHeight() const { return mHeight; }
    const unsigned char* getPixels() const { return mPixels; }
    ImageManager* getOwner() const { return mOwner; }
    // Bytes in the pixel buffer (width x height x 4).
    size_t getByteSize() const;

private:
    friend class ImageManager;

    std::string mName;
    ImageManager* mOwner; // the cache holding this image; null when nobody caches it
    int mWidth = 0;
    int mHeight = 0;
    unsigned char* mPixels = nullptr;
};

// The shared block of an Image handle.
struct ImageHolder {
    ImageObject* image;
    int count;

    void release();
};

class Image {
public:
    // Takes ownership of image (null gives the empty handle).
    explicit Image(ImageObject* image = nullptr);
    Image(const Image& other);
    Image& operator=(const Image& other);
    ~Image();

    void reset(ImageObject* image = nullptr);
    void release();

    ImageObject* operator->() const;
    ImageObject& operator*() const;
    ImageObject* get() const { return mHolder ? mHolder->image : nullptr; }
    bool empty() const { return mHolder == nullptr; }
    explicit operator bool() const { return mHolder != nullptr; }
    int useCount() const { return mHolder ? mHolder->count : 0; }

private:
    ImageHolder* mHolder = nullptr;
};

// Decodes files into images through the codecs by file extension and caches them by name.
class ImageManager {
public:
    // Registers the codecs "png", "jpg" and "tga".
    ImageManager();
    ~ImageManager();
    ImageManager(const ImageManager&) = delete;
    ImageManager& operator=(const ImageManager&) = delete;

    Image& loadImage(Image& out, const std::string& name, FileDataHandle file, bool uncached);
    // The image encoded by the name's extension, or the empty handle.
    FileDataHandle saveImage(const std::string& name, Image& image);
    void removeImage(ImageObject* image);
    bool isCached(const ImageObject* image) const;
    size_t getCacheSize() const { return mCache.size(); }

    static std::string extensionOf(const std::string& name);
    ImageCodec* findCodec(const std::string& extension) const;

private:
    std::map<std::string, Image> mCache;
    std::map<std::string, ImageCodec*> mCodecs; // owned
};

} // namespace am
} // namespace norvane
