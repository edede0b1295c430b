#pragma once
// Frame sinks: the frame dumper writes every frame as a numbered PNG file through the archives.

#include "am_image.h"
#include "am_workerpool.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace norvane {
namespace am {

class ArchiveDirectory;
class ArchiveManager;

struct VideoRect {
    int values[4];
};

class VideoFile {
public:
    virtual ~VideoFile();
    virtual Image& setImage(const Image& image) = 0;
    virtual bool isOpen();
    virtual void writeFrame();
    virtual void getRect(VideoRect& out) = 0;
    virtual int getWidth() = 0;
    virtual int getHeight() = 0;
    virtual bool openBuffer(const char* data, int size);
    virtual bool openRead(const std::string& name);
    virtual bool openWrite(const std::string& name, const VideoRect& format, ArchiveManager* archives);

    // Kind 0 is the frame dumper; every other index gives null.
    static VideoFile* createKind(int index);
    // The first kind that accepts the request (the caller owns it); throws when none does.
    static VideoFile* createForBuffer(const char* data, int size);
    static VideoFile* createForRead(const std::string& name);
    static VideoFile* createForWrite(const std::string& name, const VideoRect& format, ArchiveManager* archives);
};

// Writes the shared frame image as "<base>.<number>.png" into archive 0 on every writeFrame. The
// frame is copied and handed to worker threads, which encode and write it while the caller goes on;
// at most two frames per worker wait, and writeFrame waits for a slot when they are all taken.
// Every frame handed over has been written or found lost when finish or the destructor returns.
// The first frame that cannot be written stops the dump: from then on writeFrame hands nothing
// over, and end leaves an unbroken run of frames from frame 0 (a video reads every one of them).
class VideoFileImageDumper : public VideoFile {
public:
    // The ending of the names it writes to ("png"); openWrite refuses every other.
    static const char* const Extension;

    VideoFileImageDumper();
    ~VideoFileImageDumper() override; // ends the dump (end)

    Image& setImage(const Image& image) override;
    void writeFrame() override;
    void getRect(VideoRect& out) override;
    int getWidth() override;
    int getHeight() override;
    bool openWrite(const std::string& name, const VideoRect& format, ArchiveManager* archives) override;

    // The number of worker threads for the frames from now on (at least one; by default one fewer
    // than the cores this process may run on). Waits for the frames handed over so far.
    void setWorkers(int workers);
    int getWorkers() const { return mWorkers; }
    // Waits until every frame handed over is on disk.
    void finish();
    // Ends the dump: waits for every frame handed over; after a lost frame, logs it with its cause
    // and removes the frames this run wrote past it; then warns of frames of an earlier dump
    // numbered past the last frame on disk. Only the first call does anything.
    void end();

    // A frame could not be written: the dump has stopped.
    bool failed() const { return mFailed; }
    // Once ended: the frames of the unbroken run on disk, and those handed over that are not.
    int framesOnDisk() const;
    int framesLost() const { return mFrame - framesOnDisk(); }

    // The file name of the given frame.
    std::string frameName(int frame) const;
    // Where a file of this name goes, as a path from the working directory (archive 0's root
    // followed by the name: an absolute name lands inside the root too).
    std::string pathOnDisk(const std::string& name) const;
    int getFrameNumber() const { return mFrame; }
    const std::string& getBaseName() const { return mBaseName; }
    const std::string& getExtension() const { return mExtension; }

private:
    struct Frame;
    // The number of a frame handed over now, not yet written.
    int nextFrame();
    void save(Frame& frame);
    void lose(int frame, const std::string& cause);
    void warnOfLeftovers(int from) const;
    // Archive 0 when it is a directory, else null.
    ArchiveDirectory* directory() const;

    ArchiveManager* mArchives = nullptr;
    VideoRect mFormat;
    int mFrame = 0;
    std::string mBaseName;
    std::string mExtension;
    Image mImage;
    int mWorkers;
    // What the workers report, under the mutex.
    mutable std::mutex mResults;
    std::vector<bool> mWritten; // by frame number: written by this run
    int mFirstLost = -1;        // the lowest-numbered frame that could not be written
    std::string mLostCause;
    std::atomic<bool> mFailed{false};
    bool mEnded = false;
    std::unique_ptr<WorkerPool> mPool; // started by the first frame
};

} // namespace am
} // namespace norvane
