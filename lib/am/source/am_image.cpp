#include "am_image.h"

#include "am_imagecodec.h"
#include "nvn_system.h"

#include <cstdlib>

namespace norvane {
namespace am {

// ImageObject -------------------------------------------------------------------------------------

ImageObject::ImageObject(int width, int height, unsigned char* pixels, ImageManager* owner,
                         const std::string& name)
    : mName(name), mOwner(owner) {
    if (pixels) setPixels(width, height, pixels);
    else create(width, height);
}

ImageObject::~ImageObject() { std::free(mPixels); }

size_t ImageObject::getByteSize() const {
    if (mWidth <= 0 || mHeight <= 0) return 0;
    return static_cast<size_t>(mWidth) * static_cast<size_t>(mHeight) * 4u;
}

void ImageObject::create(int width, int height) {
    std::free(mPixels);
    mPixels = nullptr;
    mWidth = width;
    mHeight = height;
    const size_t bytes = getByteSize();
    if (bytes == 0) return;
    mPixels = static_cast<unsigned char*>(std::malloc(bytes));
    if (!mPixels) {
        mWidth = 0;
        mHeight = 0;
        throw Exception("ImageObject::create, Out of memory for %d x %d pixels", width, height);
    }
}

void ImageObject::setPixels(int width, int height, unsigned char* pixels) {
    if (!pixels) return;
    std::free(mPixels);
    mPixels = pixels;
    mWidth = width;
    mHeight = height;
}

unsigned char* ImageObject::getWriteData() {
    if (mOwner) throw Exception("ImageObbject::getWriteData, Access not allowed!");
    return mPixels;
}

// ImageHolder and Image ---------------------------------------------------------------------------

void ImageHolder::release() {
    if (count > 0) --count;
    if (count == 1 && image && image->getOwner() && image->getOwner()->isCached(image)) {
        // Only the cache holds it now: dropping the cache's entry releases the last reference,
        // which deletes this holder.
        image->getOwner()->removeImage(image);
        return;
    }
    if (count == 0) {
        delete image;
        delete this;
    }
}

Image::Image(ImageObject* image) {
    if (image) mHolder = new ImageHolder{image, 1};
}

Image::Image(const Image& other) : mHolder(other.mHolder) {
    if (mHolder) ++mHolder->count;
}

Image& Image::operator=(const Image& other) {
    if (mHolder == other.mHolder) return *this;
    // Share first, then release: releasing may end the image other refers to through the cache.
    ImageHolder* old = mHolder;
    mHolder = other.mHolder;
    if (mHolder) ++mHolder->count;
    if (old) old->release();
    return *this;
}

Image::~Image() { release(); }

void Image::reset(ImageObject* image) {
    release();
    if (image) mHolder = new ImageHolder{image, 1};
}

void Image::release() {
    ImageHolder* holder = mHolder;
    mHolder = nullptr;
    if (holder) holder->release();
}

ImageObject* Image::operator->() const {
    if (!mHolder || !mHolder->image) throw Exception("Image::operator->() - Attempt to dereference (NULL)ImageObject!");
    return mHolder->image;
}

ImageObject& Image::operator*() const {
    if (!mHolder || !mHolder->image) throw Exception("Image::operator*() Attempt to dereference (NULL)ImageObject!");
    return *mHolder->image;
}

// ImageManager ------------------------------------------------------------------------------------

ImageManager::ImageManager() {
    mCodecs["png"] = new ImageCodecPNG();
    mCodecs["jpg"] = new ImageCodecJPEG();
    mCodecs["tga"] = new ImageCodecTGA();
}

ImageManager::~ImageManager() {
    for (auto& codec : mCodecs) delete codec.second;
    mCodecs.clear();
    // Images still held elsewhere survive as uncached, writable images.
    for (auto& entry : mCache)
        if (!entry.second.empty()) entry.second.get()->mOwner = nullptr;
    mCache.clear();
}

std::string ImageManager::extensionOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return std::string();
    return name.substr(dot + 1);
}

ImageCodec* ImageManager::findCodec(const std::string& extension) const {
    std::string key = extension;
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const auto found = mCodecs.find(key);
    return found == mCodecs.end() ? nullptr : found->second;
}

bool ImageManager::isCached(const ImageObject* image) const {
    if (!image) return false;
    const auto found = mCache.find(image->getName());
    return found != mCache.end() && found->second.get() == image;
}

void ImageManager::removeImage(ImageObject* image) {
    const auto found = image ? mCache.find(image->getName()) : mCache.end();
    if (found == mCache.end() || found->second.get() != image)
        throw Exception("ImageManager::removeImage, Image %s not found!", image ? image->getName().c_str() : "");
    // The entry is emptied and erased before the last reference goes, so the cache no longer
    // names the image while it is deleted.
    Image last = found->second;
    found->second.release();
    mCache.erase(found);
    last.release();
}

Image& ImageManager::loadImage(Image& out, const std::string& name, FileDataHandle file, bool uncached) {
    if (!uncached) {
        const auto found = mCache.find(name);
        if (found != mCache.end()) {
            out = found->second;
            return out;
        }
    }
    ImageCodec* codec = findCodec(extensionOf(name));
    if (!codec) throw Exception("ImageManager::loadImage, No decoder found for %s", name.c_str());
    ImageObject* object = new ImageObject(0, 0, nullptr, uncached ? nullptr : this, name);
    Image handle(object);
    if (file.empty()) throw Exception("ImageManager::loadImage, No data for %s", name.c_str());
    codec->decode(file->bytes, file->size, object);
    if (!uncached) mCache[name] = handle;
    out = handle;
    return out;
}

FileDataHandle ImageManager::saveImage(const std::string& name, Image& image) {
    ImageCodec* codec = findCodec(extensionOf(name));
    if (!codec || !codec->canEncode()) return FileDataHandle();
    char* bytes = nullptr;
    int size = 0;
    if (!codec->encode(&bytes, &size, *image)) return FileDataHandle();
    return FileDataHandle(new FileData(name, bytes, size));
}

} // namespace am
} // namespace norvane
