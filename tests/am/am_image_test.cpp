// Images, the image cache and the codecs, with PNG and JPEG files made by the tests.

#include "am_archivemanager.h"
#include "am_imagecodec.h"
#include "am_test_files.h"
#include "nvn_system.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <zlib.h>

using namespace norvane::am;
using amtest::Bytes;
using amtest::TempDir;

namespace {

FileDataHandle fileOf(const std::string& name, const Bytes& bytes) {
    FileData* data = new FileData();
    data->name = name;
    data->size = static_cast<int>(bytes.size());
    data->bytes = static_cast<char*>(std::malloc(bytes.size() + 1));
    if (!bytes.empty()) std::memcpy(data->bytes, bytes.data(), bytes.size());
    return FileDataHandle(data);
}

Bytes pixelsOf(const ImageObject& image) {
    return Bytes(image.getPixels(), image.getPixels() + image.getByteSize());
}

std::string decodeError(ImageCodec& codec, const Bytes& bytes) {
    ImageObject image(0, 0);
    try {
        codec.decode(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), &image);
    } catch (const norvane::Exception& e) {
        EXPECT_EQ(image.getWidth(), 0);
        EXPECT_EQ(image.getPixels(), nullptr);
        return e.what();
    }
    return "<decoded>";
}


// Expected B, G, R, A bytes of RGB or RGBA source pixels.
Bytes toBgra(const Bytes& source, int channels) {
    Bytes out;
    for (size_t i = 0; i < source.size(); i += static_cast<size_t>(channels)) {
        out.push_back(source[i + 2]);
        out.push_back(source[i + 1]);
        out.push_back(source[i]);
        out.push_back(channels == 4 ? source[i + 3] : 255);
    }
    return out;
}

// Rewrites the IHDR of a PNG to the given size (with a valid CRC).
Bytes withPngSize(Bytes png, uint32_t width, uint32_t height) {
    const size_t ihdr = 12; // after the signature and the chunk length
    for (int b = 0; b < 4; ++b) {
        png[ihdr + 4 + b] = static_cast<unsigned char>(width >> (24 - 8 * b));
        png[ihdr + 8 + b] = static_cast<unsigned char>(height >> (24 - 8 * b));
    }
    const uLong crc = crc32(0, png.data() + ihdr, 17);
    for (int b = 0; b < 4; ++b) png[ihdr + 17 + b] = static_cast<unsigned char>(crc >> (24 - 8 * b));
    return png;
}

// Rewrites the frame header (SOF0) of a baseline JPEG to the given size.
Bytes withJpegSize(Bytes jpeg, unsigned width, unsigned height) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = static_cast<unsigned char>(height >> 8);
            jpeg[i + 6] = static_cast<unsigned char>(height);
            jpeg[i + 7] = static_cast<unsigned char>(width >> 8);
            jpeg[i + 8] = static_cast<unsigned char>(width);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no SOF0 marker";
    return jpeg;
}

} // namespace

TEST(ImageObject, WriteAccessAndHandles) {
    ImageObject* grab = new ImageObject(4, 3);
    EXPECT_EQ(grab->getByteSize(), 48u);
    ASSERT_NE(grab->getWriteData(), nullptr); // created by code: writable
    Image a(grab);
    Image b = a;
    EXPECT_EQ(a.useCount(), 2);
    b = a;
    EXPECT_EQ(a.useCount(), 2);
    b.release();
    EXPECT_EQ(a.useCount(), 1);
    a->setPixels(1, 1, nullptr); // changes nothing
    EXPECT_EQ(a->getWidth(), 4);
    a->setPixels(1, 1, static_cast<unsigned char*>(std::malloc(4)));
    EXPECT_EQ(a->getByteSize(), 4u);

    Image empty;
    try {
        empty->getWidth();
        FAIL();
    } catch (const norvane::Exception& e) {
        EXPECT_STREQ(e.what(), "Image::operator->() - Attempt to dereference (NULL)ImageObject!");
    }
    try {
        (*empty).getWidth();
        FAIL();
    } catch (const norvane::Exception& e) {
        EXPECT_STREQ(e.what(), "Image::operator*() Attempt to dereference (NULL)ImageObject!");
    }
    ImageObject zero(0, 5);
    EXPECT_EQ(zero.getPixels(), nullptr);
}

TEST(ImageManager, CachesSharedReadOnlyImagesWhileHeld) {
    ImageManager manager;
    const FileDataHandle file = fileOf("a.png", amtest::makeRgbPng(2, 2, amtest::pattern(2, 2, 3)));
    Image first, second;
    manager.loadImage(first, "a.png", file, false);
    manager.loadImage(second, "a.png", FileDataHandle(), false); // the cache answers without the data
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(first.useCount(), 3);
    EXPECT_EQ(manager.getCacheSize(), 1u);
    try {
        first->getWriteData();
        FAIL();
    } catch (const norvane::Exception& e) {
        EXPECT_STREQ(e.what(), "ImageObbject::getWriteData, Access not allowed!");
    }
    // Encoding needs write access, so a cached image cannot be saved.
    EXPECT_THROW(manager.saveImage("out.png", first), norvane::Exception);

    // An uncached load decodes a private, writable copy and leaves the cache alone.
    Image own;
    manager.loadImage(own, "a.png", file, true);
    EXPECT_NE(own.get(), first.get());
    EXPECT_NE(own->getWriteData(), nullptr);
    EXPECT_EQ(pixelsOf(*own), pixelsOf(*first));
    EXPECT_EQ(manager.getCacheSize(), 1u);

    first.release();
    EXPECT_EQ(manager.getCacheSize(), 1u);
    second.release(); // the last outside handle: the cache lets go
    EXPECT_EQ(manager.getCacheSize(), 0u);
    Image third;
    manager.loadImage(third, "a.png", file, false); // decoded again
    EXPECT_EQ(manager.getCacheSize(), 1u);
    third = own; // assignment releases the cached image too
    EXPECT_EQ(manager.getCacheSize(), 0u);
    EXPECT_THROW(manager.removeImage(own.get()), norvane::Exception);
}

TEST(ImageManager, ImagesOutliveTheirManagerAsWritableImages) {
    Image kept;
    {
        ArchiveManager archives;
        TempDir dir;
        amtest::writeFile(dir.file("t.png"), amtest::makeRgbPng(3, 2, amtest::pattern(3, 2, 3)));
        archives.addArchive(dir.path());
        archives.loadImage(kept, "t.png");
        EXPECT_THROW(kept->getWriteData(), norvane::Exception);
        EXPECT_THROW(archives.loadImage(kept, "missing.png"), norvane::Exception);
        EXPECT_EQ(kept->getWidth(), 3); // a failed load leaves the handle alone
    }
    EXPECT_EQ(kept->getWidth(), 3);
    EXPECT_NE(kept->getWriteData(), nullptr);
    EXPECT_EQ(kept.useCount(), 1);
}

TEST(ImageManager, FindsCodecsByExtension) {
    ImageManager manager;
    EXPECT_EQ(ImageManager::extensionOf("archive.tar.png"), "png");
    EXPECT_EQ(ImageManager::extensionOf("noext"), "");
    EXPECT_EQ(manager.findCodec("PNG")->extension(), "png");
    EXPECT_EQ(manager.findCodec("jpg")->extension(), "jpg");
    EXPECT_EQ(manager.findCodec("tga")->extension(), "tga");
    EXPECT_EQ(manager.findCodec("bmp"), nullptr);

    const FileDataHandle png = fileOf("x", amtest::makeRgbPng(1, 1, {1, 2, 3}));
    Image image;
    manager.loadImage(image, "A.PNG", png, false);
    EXPECT_EQ(image->getWidth(), 1);
    try {
        manager.loadImage(image, "noext", png, false);
        FAIL();
    } catch (const norvane::Exception& e) {
        EXPECT_STREQ(e.what(), "ImageManager::loadImage, No decoder found for noext");
    }
    EXPECT_THROW(manager.loadImage(image, "x.bmp", png, false), norvane::Exception);
    try {
        manager.loadImage(image, "x.tga", png, false);
        FAIL();
    } catch (const norvane::Exception& e) {
        EXPECT_STREQ(e.what(), "[ImageCodec] TGA-reader is not done yet!");
    }
    // A failed decode caches nothing.
    EXPECT_THROW(manager.loadImage(image, "broken.png", fileOf("b", {1, 2, 3}), false), norvane::Exception);
    EXPECT_EQ(manager.getCacheSize(), 1u);

    Image grab(new ImageObject(2, 2));
    EXPECT_TRUE(manager.saveImage("grab.jpg", grab).empty()); // the JPEG codec cannot encode
    EXPECT_TRUE(manager.saveImage("grab.bmp", grab).empty());
    EXPECT_FALSE(manager.saveImage("grab.PNG", grab).empty());
}

TEST(ImageCodecPNG, DecodesRgbAndRgbaToBgraTopRowFirst) {
    ImageCodecPNG codec;
    ImageObject image(0, 0);
    const Bytes redThenBlue = amtest::makeRgbPng(2, 1, {255, 0, 0, 0, 0, 255});
    codec.decode(reinterpret_cast<const char*>(redThenBlue.data()), static_cast<int>(redThenBlue.size()), &image);
    EXPECT_EQ(pixelsOf(image), Bytes({0, 0, 255, 255, 255, 0, 0, 255}));

    const int sizes[][2] = {{1, 1}, {3, 5}, {64, 33}, {257, 3}, {1, 40}};
    for (const auto& size : sizes) {
        for (bool interlaced : {false, true}) {
            for (int channels : {3, 4}) {
                const Bytes source = amtest::pattern(size[0], size[1], channels, size[0] * 31u + channels);
                const Bytes png = amtest::makePng(size[0], size[1],
                                                  channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, 8,
                                                  source, interlaced);
                ImageObject decoded(0, 0);
                codec.decode(reinterpret_cast<const char*>(png.data()), static_cast<int>(png.size()), &decoded);
                EXPECT_EQ(decoded.getWidth(), size[0]);
                EXPECT_EQ(decoded.getHeight(), size[1]);
                EXPECT_EQ(pixelsOf(decoded), toBgra(source, channels))
                    << size[0] << "x" << size[1] << " interlaced " << interlaced << " channels " << channels;
            }
        }
    }
}

TEST(ImageCodecPNG, RefusesOtherFormatsAndBrokenFiles) {
    ImageCodecPNG codec;
    EXPECT_EQ(decodeError(codec, amtest::makePng(2, 2, PNG_COLOR_TYPE_RGB_ALPHA, 16, Bytes(32, 7))),
              "[loadPNG] Bad color format of image (type 6, 16 bits per channel)");
    EXPECT_EQ(decodeError(codec, amtest::makePng(2, 2, PNG_COLOR_TYPE_RGB, 16, Bytes(24, 7))),
              "[loadPNG] Bad color format of image (type 2, 16 bits per channel)");
    EXPECT_EQ(decodeError(codec, amtest::makePng(2, 2, PNG_COLOR_TYPE_GRAY, 8, Bytes(4, 7))),
              "[loadPNG] No support for grayscale images yet");
    EXPECT_EQ(decodeError(codec, amtest::makePng(2, 2, PNG_COLOR_TYPE_GRAY_ALPHA, 8, Bytes(8, 7))),
              "[loadPNG] Bad color format of image (type 4, 8 bits per channel)");
    EXPECT_EQ(decodeError(codec, amtest::makePng(2, 2, PNG_COLOR_TYPE_PALETTE, 8, Bytes(4, 1))),
              "[loadPNG] Bad color format of image (type 3, 8 bits per channel)");
    EXPECT_EQ(decodeError(codec, amtest::makePng(8, 2, PNG_COLOR_TYPE_GRAY, 1, Bytes(2, 0x55))),
              "[loadPNG] Bad color format of image (type 0, 1 bits per channel)");

    const Bytes good = amtest::makeRgbPng(64, 64, amtest::pattern(64, 64, 3));
    EXPECT_EQ(decodeError(codec, Bytes(good.begin(), good.begin() + 7)), "[loadPNG] Not a png-file! Header is wrong!");
    EXPECT_EQ(decodeError(codec, Bytes(100, 0)), "[loadPNG] Not a png-file! Header is wrong!");
    for (size_t cut : {size_t(8), size_t(30), good.size() / 2, good.size() - 13})
        EXPECT_EQ(decodeError(codec, Bytes(good.begin(), good.begin() + cut)), "[loadPNG] Error when decoding png-file!")
            << cut;
    // Headers claiming sizes beyond the cap fail before anything that size is allocated.
    for (uint32_t side : {65500u, 16385u, 0x7fffffffu})
        EXPECT_EQ(decodeError(codec, withPngSize(good, side, side)), "[loadPNG] Error when decoding png-file!") << side;
    EXPECT_EQ(decodeError(codec, withPngSize(good, 1, 16385)), "[loadPNG] Error when decoding png-file!");

    // A failed decode leaves the target image as it was.
    ImageObject image(3, 3);
    EXPECT_THROW(codec.decode(reinterpret_cast<const char*>(good.data()), 40, &image), norvane::Exception);
    EXPECT_EQ(image.getWidth(), 3);
}

// libpng's reason for a failure reaches the log like every other diagnostic, not standard error.
TEST(ImageCodecPNG, LibpngsReasonGoesToTheLogNotToStandardError) {
    ImageCodecPNG codec;
    Bytes broken = amtest::makeRgbPng(4, 4, amtest::pattern(4, 4, 3));
    broken[29] ^= 0xff; // a byte of the header chunk: its CRC no longer matches
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const std::string error = decodeError(codec, broken);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(error, "[loadPNG] Error when decoding png-file!");
    EXPECT_NE(log.find("libpng: IHDR: CRC error"), std::string::npos) << log;
}

TEST(ImageCodecPNG, EncodeDecodeRoundTripKeepsEveryByte) {
    ImageCodecPNG codec;
    for (int width : {1, 5, 300}) {
        const int height = 7;
        const Bytes bgra = amtest::pattern(width, height, 4, static_cast<unsigned>(width));
        ImageObject image(width, height);
        std::memcpy(image.getWriteData(), bgra.data(), bgra.size());
        char* encoded = nullptr;
        int size = 0;
        ASSERT_TRUE(codec.encode(&encoded, &size, image));
        ImageObject decoded(0, 0);
        codec.decode(encoded, size, &decoded);
        std::free(encoded);
        EXPECT_EQ(decoded.getWidth(), width);
        EXPECT_EQ(pixelsOf(decoded), bgra);
    }
    ImageObject empty(0, 0);
    char* encoded = nullptr;
    int size = 0;
    EXPECT_FALSE(codec.encode(&encoded, &size, empty));
}

TEST(ImageCodecJPEG, DecodesToBgraTopRowFirst) {
    ImageCodecJPEG codec;
    // 16 x 16: the top half red, the bottom half blue.
    Bytes rgb;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            rgb.push_back(y < 8 ? 255 : 0);
            rgb.push_back(0);
            rgb.push_back(y < 8 ? 0 : 255);
        }
    const Bytes jpeg = amtest::makeJpeg(16, 16, rgb);
    ImageObject image(0, 0);
    codec.decode(reinterpret_cast<const char*>(jpeg.data()), static_cast<int>(jpeg.size()), &image);
    ASSERT_EQ(image.getWidth(), 16);
    ASSERT_EQ(image.getHeight(), 16);
    const unsigned char* top = image.getPixels() + (2 * 16 + 5) * 4;
    const unsigned char* bottom = image.getPixels() + (13 * 16 + 5) * 4;
    EXPECT_LT(top[0], 20);    // blue
    EXPECT_GT(top[2], 235);   // red
    EXPECT_EQ(top[3], 255);
    EXPECT_GT(bottom[0], 235);
    EXPECT_LT(bottom[2], 20);
    EXPECT_EQ(bottom[3], 255);

    // Odd sizes and grey sources.
    const Bytes grey = amtest::makeJpeg(13, 9, Bytes(13 * 9, 128), true);
    ImageObject greyImage(0, 0);
    codec.decode(reinterpret_cast<const char*>(grey.data()), static_cast<int>(grey.size()), &greyImage);
    EXPECT_EQ(greyImage.getWidth(), 13);
    EXPECT_EQ(greyImage.getHeight(), 9);
    for (size_t i = 0; i < greyImage.getByteSize(); i += 4) {
        EXPECT_NEAR(greyImage.getPixels()[i], 128, 2);
        EXPECT_EQ(greyImage.getPixels()[i + 3], 255);
    }
}

TEST(ImageCodecJPEG, BrokenAndOversizedFilesFailWithTheLibrarysText) {
    ImageCodecJPEG codec;
    const Bytes jpeg = amtest::makeJpeg(64, 64, amtest::pattern(64, 64, 3));
    EXPECT_EQ(decodeError(codec, Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3)),
              "Internal jpeglib error; Premature end of JPEG file");
    EXPECT_EQ(decodeError(codec, Bytes()).rfind("Internal jpeglib error; ", 0), 0u);
    EXPECT_EQ(decodeError(codec, Bytes(50, 0xFF)).rfind("Internal jpeglib error; ", 0), 0u);
    // A small file whose header claims 65500 x 65500 is refused before anything that size is allocated.
    const std::string huge = decodeError(codec, withJpegSize(jpeg, 65500, 65500));
    EXPECT_EQ(huge.rfind("Internal jpeglib error; ", 0), 0u) << huge;
    EXPECT_EQ(decodeError(codec, withJpegSize(jpeg, 16385, 8)).rfind("Internal jpeglib error; ", 0), 0u);
    // Within the cap but with the data running out early: the library's complaint is reported.
    const std::string shortData = decodeError(codec, withJpegSize(jpeg, 4000, 4000));
    EXPECT_EQ(shortData.rfind("Internal jpeglib error; ", 0), 0u) << shortData;
    EXPECT_NE(shortData.find("end of"), std::string::npos) << shortData;
}
