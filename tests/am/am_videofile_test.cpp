// The frame dumper writing numbered PNG files through the archives.

#include "am_archivemanager.h"
#include "am_test_files.h"
#include "am_videofile.h"
#include "nvn_system.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace norvane::am;
using amtest::TempDir;

namespace {

VideoRect rate(int framesPerSecond) { return VideoRect{{640, 480, framesPerSecond, 1}}; }

std::unique_ptr<VideoFileImageDumper> openDumper(const std::string& name, ArchiveManager* archives) {
    VideoFileImageDumper* dumper = new VideoFileImageDumper();
    EXPECT_TRUE(dumper->openWrite(name, rate(30), archives)) << name;
    return std::unique_ptr<VideoFileImageDumper>(dumper);
}

} // namespace

TEST(VideoFileImageDumper, WritesNumberedFramesThatReadBack) {
    TempDir dir;
    ArchiveManager archives;
    ASSERT_EQ(archives.addArchive(dir.path()), 0);
    std::unique_ptr<VideoFile> file(VideoFile::createForWrite("shots/x.png", rate(25), &archives));
    VideoRect rect;
    file->getRect(rect);
    EXPECT_EQ(rect.values[2], 25);
    EXPECT_EQ(file->getWidth(), 640);
    EXPECT_EQ(file->getHeight(), 480);

    Image grab(new ImageObject(5, 3));
    file->setImage(grab);
    EXPECT_EQ(grab.useCount(), 2);
    for (unsigned char frame = 0; frame < 3; ++frame) {
        std::memset(grab->getWriteData(), frame * 40 + 1, grab->getByteSize()); // the latest grab is written
        file->writeFrame();
    }
    for (int frame = 0; frame < 3; ++frame) {
        char name[64];
        std::snprintf(name, sizeof(name), "shots/x.%06d.png", frame);
        Image back;
        archives.loadImage(back, name, -1, true);
        ASSERT_EQ(back->getWidth(), 5);
        ASSERT_EQ(back->getHeight(), 3);
        EXPECT_EQ(back->getPixels()[0], frame * 40 + 1) << name;
        EXPECT_EQ(back->getPixels()[back->getByteSize() - 1], frame * 40 + 1) << name;
    }
    EXPECT_FALSE(amtest::fileExists(dir.file("shots/x.000003.png")));
}

TEST(VideoFileImageDumper, SplitsTheNameAtItsLastDot) {
    ArchiveManager archives;
    auto dotted = openDumper("a.b.png", &archives);
    EXPECT_EQ(dotted->getBaseName(), "a.b");
    EXPECT_EQ(dotted->frameName(0), "a.b.000000.png");
    EXPECT_EQ(dotted->frameName(1234567), "a.b.1234567.png");
    auto bare = openDumper(".png", &archives);
    EXPECT_EQ(bare->getBaseName(), ".png");
    EXPECT_EQ(bare->frameName(0), ".png.000000.png");
    auto path = openDumper("out/demo.png", &archives);
    EXPECT_EQ(path->frameName(2), "out/demo.000002.png");

    // Long names are never cut.
    const std::string longBase(3000, 'q');
    auto longName = openDumper(longBase + ".png", &archives);
    EXPECT_EQ(longName->frameName(7), longBase + ".000007.png");

    VideoFileImageDumper dumper;
    EXPECT_FALSE(dumper.openWrite("noext", rate(30), &archives));
    EXPECT_FALSE(dumper.openWrite("x.jpg", rate(30), &archives));
    EXPECT_FALSE(dumper.openWrite("demo.PNG", rate(30), &archives));
    EXPECT_FALSE(dumper.openWrite("x.png", rate(30), nullptr));
    EXPECT_FALSE(dumper.openWrite("", rate(30), &archives));
    EXPECT_FALSE(dumper.isOpen());
    EXPECT_FALSE(dumper.openRead("x.png"));
    EXPECT_FALSE(dumper.openBuffer("x", 1));
}

TEST(VideoFile, FactoryThrowsWhenNoKindAccepts) {
    ArchiveManager archives;
    try {
        delete VideoFile::createForWrite("untitled", rate(30), &archives);
        FAIL();
    } catch (const norvane::Exception& e) {
        EXPECT_STREQ(e.what(), "Could not find something that could write to 'untitled'");
    }
    try {
        delete VideoFile::createForRead("movie.png");
        FAIL();
    } catch (const norvane::Exception& e) {
        EXPECT_STREQ(e.what(), "Could not find something that could read from 'movie.png'");
    }
    EXPECT_THROW(delete VideoFile::createForBuffer("abc", 3), norvane::Exception);
    EXPECT_EQ(VideoFile::createKind(1), nullptr);
    std::unique_ptr<VideoFile> kind(VideoFile::createKind(0));
    EXPECT_NE(dynamic_cast<VideoFileImageDumper*>(kind.get()), nullptr);
}

TEST(VideoFileImageDumper, ALostFrameIsLoggedAndLeavesAGap) {
    TempDir dir;
    amtest::writeFile(dir.file("blocked"), std::string("a file where a directory should be"));
    ArchiveManager archives;
    archives.addArchive(dir.path());
    auto dumper = openDumper("blocked/f.png", &archives);
    dumper->setImage(Image(new ImageObject(2, 2)));
    testing::internal::CaptureStdout();
    dumper->writeFrame();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("blocked/f.000000.png"), std::string::npos) << log;
    EXPECT_EQ(dumper->getFrameNumber(), 1);

    // Without an image the encoder has nothing to dereference.
    auto noImage = openDumper("g.png", &archives);
    EXPECT_THROW(noImage->writeFrame(), norvane::Exception);
}
