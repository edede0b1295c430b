// Grabbing the screen into an image, top row first, and writing it as a PNG file.

#include "dis_test_support.h"

#include "am_archivemanager.h"
#include "am_image.h"
#include "nvn_system.h"

#include <filesystem>

using namespace distest;
using norvane::Exception;
using norvane::am::ArchiveManager;
using norvane::am::Image;
using norvane::am::ImageObject;

namespace {

// B, G, R, A of one image pixel.
std::vector<int> pixel(const Image& image, int x, int y) {
    const unsigned char* p = image->getPixels() + (static_cast<size_t>(y) * image->getWidth() + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

} // namespace

TEST_F(DisplayTest, GrabReadsTheClearedColourWithOpaqueAlpha) {
    DisplayGL& d = open(false, 64, 48);
    Recorder listener("l", &log, &d);
    Image image(new ImageObject(64, 48));
    listener.frameHook = [&] {
        glClearColor(10 / 255.0f, 20 / 255.0f, 30 / 255.0f, 0.25f);
        glClear(GL_COLOR_BUFFER_BIT);
        d.grabScreen(image);
    };
    ASSERT_TRUE(d.update());
    for (int y = 0; y < 48; y += 7) {
        for (int x = 0; x < 64; x += 9) {
            ASSERT_EQ(pixel(image, x, y), (std::vector<int>{30, 20, 10, 255})) << x << "," << y;
        }
    }
}

TEST_F(DisplayTest, GrabPutsTheTopRowFirst) {
    DisplayGL& d = open(false, 64, 48);
    Recorder listener("l", &log, &d);
    Image image(new ImageObject(64, 48));
    listener.frameHook = [&] {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        // A red quad over the window's top-left quarter, a green one over its bottom-right corner.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 64, 48, 0, -1, 1); // window pixels, y down
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor4f(1, 0, 0, 1);
        glRecti(0, 0, 32, 24);
        glColor4f(0, 1, 0, 1);
        glRecti(60, 46, 64, 48);
        d.grabScreen(image);
    };
    ASSERT_TRUE(d.update());
    EXPECT_EQ(pixel(image, 0, 0), (std::vector<int>{0, 0, 255, 255}));
    EXPECT_EQ(pixel(image, 31, 23), (std::vector<int>{0, 0, 255, 255}));
    EXPECT_EQ(pixel(image, 32, 23), (std::vector<int>{0, 0, 0, 255}));
    EXPECT_EQ(pixel(image, 31, 24), (std::vector<int>{0, 0, 0, 255}));
    EXPECT_EQ(pixel(image, 63, 47), (std::vector<int>{0, 255, 0, 255}));
    EXPECT_EQ(pixel(image, 60, 46), (std::vector<int>{0, 255, 0, 255}));
    EXPECT_EQ(pixel(image, 59, 46), (std::vector<int>{0, 0, 0, 255}));

    // Written as a PNG and read back, it is the same picture.
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / ("grab" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    ArchiveManager archives;
    ASSERT_EQ(archives.addArchive(dir.string() + "/"), 0);
    ASSERT_TRUE(archives.saveImage("grab.png", image));
    Image back;
    archives.loadImage(back, "grab.png", -1, true);
    ASSERT_EQ(back->getWidth(), 64);
    ASSERT_EQ(back->getHeight(), 48);
    EXPECT_TRUE(std::equal(back->getPixels(), back->getPixels() + 64 * 48 * 4, image->getPixels()));
    if (const char* keep = std::getenv("DISPLAY_TEST_KEEP_PNG")) {
        std::filesystem::copy_file(dir / "grab.png", keep, std::filesystem::copy_options::overwrite_existing);
    }
    std::filesystem::remove_all(dir);
}

TEST_F(DisplayTest, GrabOfATinyWindowSwapsItsRows) {
    DisplayGL& d = open(false, 2, 2);
    Recorder listener("l", &log, &d);
    Image image(new ImageObject(2, 2));
    listener.frameHook = [&] {
        glClearColor(0, 0, 1, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 2, 1); // the bottom GL row
        glClearColor(1, 1, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        d.grabScreen(image);
    };
    ASSERT_TRUE(d.update());
    if (d.getWidth() != 2 || d.getHeight() != 2) {
        GTEST_SKIP() << "the window system made the window " << d.getWidth() << "x" << d.getHeight();
    }
    EXPECT_EQ(pixel(image, 0, 0), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_EQ(pixel(image, 1, 0), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_EQ(pixel(image, 0, 1), (std::vector<int>{0, 255, 255, 255}));
    EXPECT_EQ(pixel(image, 1, 1), (std::vector<int>{0, 255, 255, 255}));
}

TEST_F(DisplayTest, GrabRefusesImagesItCannotFill) {
    DisplayGL& d = open(false, 64, 48);
    Image none;
    EXPECT_EQ(messageOf([&] { d.grabScreen(none); }),
              "Image::operator->() - Attempt to dereference (NULL)ImageObject!");

    // After a resize the old grab image no longer fits: nothing is written past its end.
    Image small(new ImageObject(64, 48));
    d.resize(80, 60);
    EXPECT_EQ(messageOf([&] { d.grabScreen(small); }),
              "DisplayGL::grabScreen; The image is 64x48 pixels but the window is 80x60");

    // A cached image is read-only.
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / ("ro" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    ArchiveManager archives;
    archives.addArchive(dir.string() + "/");
    Image made(new ImageObject(80, 60));
    std::fill(made->getWriteData(), made->getWriteData() + 80 * 60 * 4, 0);
    ASSERT_TRUE(archives.saveImage("ro.png", made));
    Image cached;
    archives.loadImage(cached, "ro.png");
    EXPECT_EQ(messageOf([&] { d.grabScreen(cached); }), "ImageObbject::getWriteData, Access not allowed!");
    std::filesystem::remove_all(dir);

    d.close();
    Image fits(new ImageObject(80, 60));
    EXPECT_EQ(messageOf([&] { d.grabScreen(fits); }), "DisplayGL::grabScreen; No window is open");
}
