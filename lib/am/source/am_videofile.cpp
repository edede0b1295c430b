#include "am_videofile.h"

#include "am_archive.h"
#include "am_archivemanager.h"
#include "nvn_system.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

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

// One frame on its way to a worker: its own copy of the pixels, so that the caller can grab the
// next frame at once. Image handles are not thread-safe: only the frame holds one, and the frame is
// shared through a thread-safe count.
struct VideoFileImageDumper::Frame {
    int number = 0;
    std::string name;
    Image image;
};

const char* const VideoFileImageDumper::Extension = "png";

VideoFileImageDumper::VideoFileImageDumper() : mFormat{{0, 0, 0, 1}}, mWorkers(WorkerPool::defaultWorkers()) {}

VideoFileImageDumper::~VideoFileImageDumper() {
    try {
        end();
    } catch (const std::exception& error) {
        NVN_LOG("error", "app", "Could not end the dump: %s", error.what());
    }
}

void VideoFileImageDumper::setWorkers(int workers) {
    finish();
    mWorkers = std::max(1, workers);
}

void VideoFileImageDumper::finish() {
    if (!mPool) return;
    mPool->finish();
    mPool.reset();
}

// Runs on a worker: encodes the frame and writes it into archive 0 (under a temporary name that is
// renamed when complete, so a frame is on disk whole or not at all).
void VideoFileImageDumper::save(Frame& frame) {
    std::string cause;
    bool saved = false;
    try {
        saved = mArchives->saveImage(frame.name, frame.image, &cause);
    } catch (const std::exception& error) {
        cause = error.what();
    }
    if (!saved) {
        lose(frame.number, cause);
        return;
    }
    std::lock_guard<std::mutex> lock(mResults);
    mWritten[static_cast<size_t>(frame.number)] = true;
}

void VideoFileImageDumper::lose(int frame, const std::string& cause) {
    std::lock_guard<std::mutex> lock(mResults);
    // Workers finish out of order: the run on disk ends before the lowest-numbered lost frame.
    if (mFirstLost < 0 || frame < mFirstLost) {
        mFirstLost = frame;
        mLostCause = cause.empty() ? std::string("unknown cause") : cause;
    }
    mFailed = true;
}

int VideoFileImageDumper::framesOnDisk() const {
    std::lock_guard<std::mutex> lock(mResults);
    return mFirstLost >= 0 ? mFirstLost : mFrame;
}

void VideoFileImageDumper::end() {
    finish();
    if (mEnded) return;
    mEnded = true;
    ArchiveDirectory* folder = directory();
    if (mFirstLost >= 0) {
        NVN_LOG("error", "app", "The dump stops: could not write the frame '%s': %s",
                pathOnDisk(frameName(mFirstLost)).c_str(), mLostCause.c_str());
        // Frames written after the lost one go again: a video reads numbered frames up to the first gap.
        for (size_t n = static_cast<size_t>(mFirstLost) + 1; n < mWritten.size(); ++n) {
            if (!mWritten[n] || !folder) continue;
            const std::string cause = folder->remove(frameName(static_cast<int>(n)));
            if (!cause.empty())
                NVN_LOG("warning", "app", "Could not remove the frame '%s': %s",
                        pathOnDisk(frameName(static_cast<int>(n))).c_str(), cause.c_str());
        }
    }
    if (folder && mFrame > 0) warnOfLeftovers(framesOnDisk());
}

void VideoFileImageDumper::warnOfLeftovers(int from) const {
    namespace fs = std::filesystem;
    const fs::path first(pathOnDisk(frameName(from)));
    const fs::path folder = first.has_parent_path() ? first.parent_path() : fs::path(".");
    const std::string stem = fs::path(mBaseName).filename().string() + ".";
    const std::string tail = "." + mExtension;
    int count = 0;
    int lowest = -1;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), done; !error && it != done; it.increment(error)) {
        std::error_code kind;
        if (!it->is_regular_file(kind)) continue;
        const std::string name = it->path().filename().string();
        if (name.size() <= stem.size() + tail.size() || name.compare(0, stem.size(), stem) != 0 ||
            name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
            continue;
        const std::string digits = name.substr(stem.size(), name.size() - stem.size() - tail.size());
        if (digits.size() < 6 || digits.size() > 9 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const int number = std::atoi(digits.c_str());
        // Only names this dumper would give, "000007" but not "0000007".
        if (number < from || fs::path(frameName(number)).filename() != name) continue;
        ++count;
        if (lowest < 0 || number < lowest) lowest = number;
    }
    if (count > 0)
        NVN_LOG("warning", "app",
                "%d frames of an earlier dump follow the last frame of this one, from '%s' on: a video made "
                "from the folder would show them too",
                count, pathOnDisk(frameName(lowest)).c_str());
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
    if (mExtension != Extension) return false;
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

ArchiveDirectory* VideoFileImageDumper::directory() const {
    if (!mArchives || mArchives->getArchiveCount() == 0) return nullptr;
    return dynamic_cast<ArchiveDirectory*>(mArchives->getArchive(0));
}

std::string VideoFileImageDumper::pathOnDisk(const std::string& name) const {
    ArchiveDirectory* folder = directory();
    if (!folder) return name;
    return std::filesystem::path(folder->root() + name).lexically_normal().string();
}

int VideoFileImageDumper::nextFrame() {
    std::lock_guard<std::mutex> lock(mResults);
    mWritten.push_back(false);
    return mFrame++;
}

void VideoFileImageDumper::writeFrame() {
    // The first lost frame stops the dump: what follows it would not be read into a video.
    if (mFailed) return;
    if (!mArchives) {
        lose(nextFrame(), "the dumper is not open");
        return;
    }
    const ImageObject& grab = *mImage; // throws before setImage
    // The one handle to the copy is the frame's: the worker that writes it is the last to hold it.
    auto frame = std::make_shared<Frame>();
    frame->image.reset(new ImageObject(grab.getWidth(), grab.getHeight()));
    unsigned char* pixels = frame->image->getWriteData();
    if (pixels && grab.getPixels()) std::memcpy(pixels, grab.getPixels(), grab.getByteSize());
    frame->number = nextFrame();
    frame->name = frameName(frame->number);
    if (!mPool) mPool.reset(new WorkerPool(mWorkers, 2 * mWorkers));
    mPool->submit([this, frame = std::move(frame)] { save(*frame); });
}

void VideoFileImageDumper::getRect(VideoRect& out) { out = mFormat; }

int VideoFileImageDumper::getWidth() { return mFormat.values[0]; }

int VideoFileImageDumper::getHeight() { return mFormat.values[1]; }

} // namespace am
} // namespace norvane
