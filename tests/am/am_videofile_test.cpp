// The frame dumper writing numbered PNG files through the archives.

#include "am_archivemanager.h"
#include "am_test_files.h"
#include "am_videofile.h"
#include "am_workerpool.h"
#include "nvn_system.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <sched.h>
#include <stdexcept>
#include <thread>
#include <vector>

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
    file.reset(); // every frame handed over is on disk once the dumper has gone
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

// Frame 2 cannot be written (a directory holds its name): the dump stops there, and frames written
// after it go again, so the folder holds frames 0 and 1 only.
TEST(VideoFileImageDumper, TheFirstLostFrameStopsTheDumpAndLeavesAnUnbrokenRun) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("out/f.000002.png"));
    ArchiveManager archives;
    archives.addArchive(dir.path());
    auto dumper = openDumper("out/f.png", &archives);
    dumper->setImage(Image(new ImageObject(2, 2)));
    for (int n = 0; n < 8; ++n) dumper->writeFrame();
    dumper->end();
    EXPECT_TRUE(dumper->failed());
    EXPECT_EQ(dumper->framesOnDisk(), 2);
    EXPECT_EQ(dumper->framesLost(), dumper->getFrameNumber() - 2);
    const auto files = std::filesystem::directory_iterator(dir.file("out"));
    EXPECT_EQ(std::distance(begin(files), end(files)), 3) << "frames 0, 1 and the directory";
    dumper->writeFrame(); // a stopped dump hands nothing over
    EXPECT_FALSE(amtest::fileExists(dir.file("out/f.000003.png")));

    // Without an image the encoder has nothing to dereference.
    auto noImage = openDumper("g.png", &archives);
    EXPECT_THROW(noImage->writeFrame(), norvane::Exception);
}

// A shorter dump into the folder of a longer one names what is left of the longer one, and keeps it.
TEST(VideoFileImageDumper, FramesOfAnEarlierLongerDumpAreNamed) {
    TempDir dir;
    ArchiveManager archives;
    archives.addArchive(dir.path());
    std::filesystem::create_directories(dir.file("out"));
    for (const char* name : {"out/f.000003.png", "out/f.000004.png", "out/f.000009.png", "out/f.0000011.png",
                             "out/g.000012.png", "out/f.000000.png"})
        amtest::writeFile(dir.file(name), std::string("earlier"));
    testing::internal::CaptureStdout();
    {
        auto dumper = openDumper("out/f.png", &archives);
        dumper->setImage(Image(new ImageObject(2, 2)));
        for (int n = 0; n < 3; ++n) dumper->writeFrame();
    }
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("3 frames of an earlier dump follow the last frame of this one, from '" +
                       dir.file("out/f.000003.png") + "' on"),
              std::string::npos)
        << log;
    EXPECT_TRUE(amtest::fileExists(dir.file("out/f.000009.png")));
}

namespace {

// Frame n of a dump: 64 x 48 pixels that differ from frame to frame.
void paint(Image& image, int n) {
    const amtest::Bytes pixels = amtest::pattern(64, 48, 4, static_cast<unsigned>(n + 1));
    std::memcpy(image->getWriteData(), pixels.data(), pixels.size());
}

// Dumps the frames with the given number of workers; an error ends the run right after the last.
void dumpFrames(const TempDir& dir, int workers, int frames) {
    ArchiveManager archives;
    archives.addArchive(dir.path());
    Image grab(new ImageObject(64, 48));
    try {
        auto dumper = openDumper("out/f.png", &archives);
        dumper->setWorkers(workers);
        dumper->setImage(grab);
        for (int n = 0; n < frames; ++n) {
            paint(grab, n);
            dumper->writeFrame();
        }
        throw std::runtime_error("the run ends with an error");
    } catch (const std::runtime_error&) {
    }
}

} // namespace

// The names and bytes are those of encoding each frame on its own, however many workers write
// them; an error ending the run leaves every frame handed over whole on disk, and nothing else.
TEST(VideoFileImageDumper, WorkersWriteTheSameFilesAsOneWriterWhateverEndsTheRun) {
    const int frames = 24;
    TempDir one, many;
    dumpFrames(one, 1, frames);
    dumpFrames(many, 5, frames);
    ArchiveManager archives;
    Image frame(new ImageObject(64, 48));
    for (int n = 0; n < frames; ++n) {
        paint(frame, n);
        const std::string name = openDumper("out/f.png", &archives)->frameName(n);
        const FileDataHandle expected = archives.getImageManager()->saveImage(name, frame);
        const amtest::Bytes bytes(expected->bytes, expected->bytes + expected->size);
        EXPECT_EQ(amtest::readFile(one.file(name)), bytes) << name;
        EXPECT_EQ(amtest::readFile(many.file(name)), bytes) << name;
    }
    const auto files = std::filesystem::directory_iterator(many.file("out"));
    EXPECT_EQ(std::distance(begin(files), end(files)), frames);
}

// The workers follow the cores this process may run on, not the machine's.
TEST(WorkerPool, DefaultWorkersCountTheCoresThisProcessMayUse) {
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof(all), &all), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    ASSERT_EQ(sched_setaffinity(0, sizeof(one), &one), 0);
    const int cores = WorkerPool::coresAvailable(), workers = WorkerPool::defaultWorkers();
    ASSERT_EQ(sched_setaffinity(0, sizeof(all), &all), 0);
    EXPECT_EQ(cores, 1);
    EXPECT_EQ(workers, 1);
    EXPECT_EQ(WorkerPool::coresAvailable(), CPU_COUNT(&all));
}

// With every worker busy and every slot taken, a caller waits for a slot; the queue never grows.
TEST(WorkerPool, AFullQueueBlocksTheCallerInsteadOfGrowing) {
    WorkerPool pool(1, 2);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> busy;
    std::vector<int> order;
    pool.submit([&busy, released] {
        busy.set_value();
        released.wait();
    });
    busy.get_future().wait(); // the only worker holds the first task
    pool.submit([&order] { order.push_back(1); });
    pool.submit([&order] { order.push_back(2); });
    EXPECT_EQ(pool.getWaiting(), 2);

    std::atomic<bool> returned{false};
    std::thread caller([&] {
        pool.submit([&order] { order.push_back(3); });
        returned = true;
    });
    for (int i = 0; i < 10000 && pool.getBlocked() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(pool.getBlocked(), 1);
    EXPECT_FALSE(returned);
    EXPECT_EQ(pool.getWaiting(), 2);

    release.set_value();
    caller.join();
    pool.finish();
    EXPECT_TRUE(returned);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_THROW(pool.submit([] {}), norvane::Exception);
}
