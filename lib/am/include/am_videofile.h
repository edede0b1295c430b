#pragma once
// Frame sinks: the frame dumper writes every frame as a numbered PNG file through the archives.

#include "am_image.h"

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

// Writes the shared frame image as "<base>.<number>.png" into archive 0 on every writeFrame.
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
};

} // namespace am
} // namespace norvane
