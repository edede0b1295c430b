#pragma once
// Frame sinks: the frame dumper writes every frame as a numbered PNG file through the archives.

#include "am_image.h"
#include "am_workerpool.h"

#include <memory>
#include <string>

namespace norvane {
namespace am {

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
// Every frame handed over is on disk when finish or the destructor returns.
class VideoFileImageDumper : public VideoFile {
public:
    VideoFileImageDumper();
    ~VideoFileImageDumper() override;

    Image& setImage(const Image& image) override;
    void writeFrame() override;
    void getRect(VideoRect& out) override;
    int getWidth() override;
    int getHeight() override;
    bool openWrite(const std::string& name, const VideoRect& format, ArchiveManager* archives) override;

    // The number of worker threads for the frames from now on (at least one; by default one fewer
    // than the machine's cores). Waits for the frames handed over so far.
    void setWorkers(int workers);
    int getWorkers() const { return mWorkers; }
    // Waits until every frame handed over is on disk.
    void finish();

    // The file name of the given frame.
    std::string frameName(int frame) const;
    int getFrameNumber() const { return mFrame; }
    const std::string& getBaseName() const { return mBaseName; }
    const std::string& getExtension() const { return mExtension; }

private:
    ArchiveManager* mArchives = nullptr;
    VideoRect mFormat;
    int mFrame = 0;
    std::string mBaseName;
    std::string mExtension;
    Image mImage;
    int mWorkers;
    std::unique_ptr<WorkerPool> mPool; // started by the first frame
};

} // namespace am
} // namespace norvane
