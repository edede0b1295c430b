#include "am_videofile.h"

#include "am_archivemanager.h"
#include "nvn_system.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace norvane {
namespace am {

// VideoFile ---------------------------------------------------------------------------------------

VideoFile::~VideoFile() = default;

bool VideoFile::isOpen() { return false; }

void VideoFile::writeFrame() {}

bool VideoFile::openBuffer(const char*, int) { return false; }

bool VideoFile::openRead(const std::string&) { return false; }

bool VideoFile::openWrite(const std::string&, const VideoRect&, ArchiveManager*) { return false; }

VideoFile* VideoFile::createKind(int index) {
    if (index == 0) return new VideoFileImageDumper();
    return nullptr;
}

VideoFile* VideoFile::createForBuffer(const char* data, int size) {
    for (int kind = 0;; ++kind) {
        VideoFile* file = createKind(kind);
        if (!file) break;
        if (file->openBuffer(data, size)) return file;
        delete file;
    }
    throw Exception("Could not find something that could read from buffer");
}

VideoFile* VideoFile::createForRead(const std::string& name) {
    for (int kind = 0;; ++kind) {
        VideoFile* file = createKind(kind);
        if (!file) break;
        if (file->openRead(name)) return file;
        delete file;
    }
    throw Exception("Could not find something that could read from '%s'", name.c_str());
}

VideoFile* VideoFile::createForWrite(const std::string& name, const VideoRect& format, ArchiveManager* archives) {
    for (int kind = 0;; ++kind) {
        VideoFile* file = createKind(kind);
        if (!file) break;
        if (file->openWrite(name, format, archives)) return file;
        delete file;
    }
    throw Exception("Could not find something that could write to '%s'", name.c_str());
}

// VideoFileImageDumper ----------------------------------------------------------------------------

namespace {

// One frame on its way to a worker: its own copy of the pixels, so that the caller can grab the
// next frame at once. Image handles are not thread-safe: only the frame holds one, and the frame is
// shared through a thread-safe count.
struct Frame {
    ArchiveManager* archives = nullptr;
    std::string name;
    Image image;
};

void logLostFrame(const std::string& name) {
    NVN_LOG("warning", "app", "Could not write the frame '%s'", name.c_str());
}

// Runs on a worker: encodes the frame and writes it into archive 0 (under a temporary name that is
// renamed when complete, so a frame is on disk whole or not at all).
void saveFrame(Frame& frame) {
    bool saved = false;
    try {
        saved = frame.archives->saveImage(frame.name, frame.image);
    } catch (const std::exception&) {
        saved = false; // the exception has logged its text
    }
    if (!saved) logLostFrame(frame.name);
}

} // namespace

VideoFileImageDumper::VideoFileImageDumper() : mFormat{{0, 0, 0, 1}}, mWorkers(WorkerPool::defaultWorkers()) {}

VideoFileImageDumper::~VideoFileImageDumper() { finish(); }

void VideoFileImageDumper::setWorkers(int workers) {
    finish();
    mWorkers = std::max(1, workers);
}

void VideoFileImageDumper::finish() {
    if (!mPool) return;
    mPool->finish();
    mPool.reset();
}

Image& VideoFileImageDumper::setImage(const Image& image) {
    mImage = image;
    return mImage;
}

bool VideoFileImageDumper::openWrite(const std::string& name, const VideoRect& format, ArchiveManager* archives) {
    if (!archives || name.empty()) return false;
    mArchives = archives;
    mExtension.clear();
    mBaseName = name;
    // From the last character back to the second (the first is never examined): the base name
    // ends at the first '.' found; without one, the extension is everything after the first character.
    bool found = false;
    for (size_t i = name.size() - 1; i >= 1; --i) {
        if (name[i] == '.') {
            mBaseName = name.substr(0, i);
            found = true;
            break;
        }
    }
    mExtension = found ? name.substr(mBaseName.size() + 1) : name.substr(1);
    if (mExtension != "png") return false;
    mFormat = format;
    mFrame = 0;
    return true;
}

std::string VideoFileImageDumper::frameName(int frame) const {
    // Sized to the full name: long base names are never cut.
    const char* const format = "%s.%06d.%s";
    const int length = std::snprintf(nullptr, 0, format, mBaseName.c_str(), frame, mExtension.c_str());
    if (length < 0) return std::string();
    std::string name(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(&name[0], name.size(), format, mBaseName.c_str(), frame, mExtension.c_str());
    name.resize(static_cast<size_t>(length));
    return name;
}

void VideoFileImageDumper::writeFrame() {
    // A lost frame leaves a gap in the numbering, and says so.
    if (!mArchives) {
        logLostFrame(frameName(mFrame++));
        return;
    }
    const ImageObject& grab = *mImage; // throws before setImage
    // The one handle to the copy is the frame's: the worker that writes it is the last to hold it.
    auto frame = std::make_shared<Frame>();
    frame->archives = mArchives;
    frame->name = frameName(mFrame++);
    frame->image.reset(new ImageObject(grab.getWidth(), grab.getHeight()));
    unsigned char* pixels = frame->image->getWriteData();
    if (pixels && grab.getPixels()) std::memcpy(pixels, grab.getPixels(), grab.getByteSize());
    if (!mPool) mPool.reset(new WorkerPool(mWorkers, 2 * mWorkers));
    mPool->submit([frame = std::move(frame)] { saveFrame(*frame); });
}

void VideoFileImageDumper::getRect(VideoRect& out) { out = mFormat; }

int VideoFileImageDumper::getWidth() { return mFormat.values[0]; }

int VideoFileImageDumper::getHeight() { return mFormat.values[1]; }

} // namespace am
} // namespace norvane
