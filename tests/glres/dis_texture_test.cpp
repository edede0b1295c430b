// Textures made from files, images and bare sizes, drawn on quads and read back.

#include "dis_texture.h"
#include "glres_fixture.h"
#include "nvn_system.h"

using namespace norvane;
using namespace norvane::display;
using glres::Rgba;

namespace {

const Rgba Red{255, 0, 0, 255}, Green{0, 255, 0, 255}, Blue{0, 0, 255, 255}, White{255, 255, 255, 255},
    Black{0, 0, 0, 255}, Yellow{255, 255, 0, 255}, Magenta{255, 0, 255, 255}, Cyan{0, 255, 255, 255},
    Orange{255, 128, 0, 255}, Purple{128, 0, 128, 255}, Grey{128, 128, 128, 255};

// Top-left red, top-right green, bottom-left blue, bottom-right white.
Rgba quadrant(int x, int y, int w, int h) {
    const bool right = x >= w / 2, bottom = y >= h / 2;
    return bottom ? (right ? White : Blue) : (right ? Green : Red);
}

GLint levelParameter(GLenum target, int level, GLenum name) {
    GLint value = 0;
    glGetTexLevelParameteriv(target, level, name, &value);
    return value;
}

GLint parameter(GLenum target, GLenum name) {
    GLint value = 0;
    glGetTexParameteriv(target, name, &value);
    return value;
}

class TextureTest : public glres::GlTest {
protected:
    // Draws the texture over the whole window (image top row at the bottom: t = 0 there).
    void drawFull(Texture& texture, GLenum enable = GL_TEXTURE_2D) {
        begin2D();
        glEnable(enable);
        texture.bind();
        drawQuad(0, 0, 1, 1);
        texture.unbind();
        glDisable(enable);
    }

    // The image's quadrants, as they land on the window.
    void expectQuadrants() {
        EXPECT_RGB(pixelAt(0.25f, 0.25f), Red);
        EXPECT_RGB(pixelAt(0.75f, 0.25f), Green);
        EXPECT_RGB(pixelAt(0.25f, 0.75f), Blue);
        EXPECT_RGB(pixelAt(0.75f, 0.75f), White);
    }
};

TEST_F(TextureTest, FileTextureShowsItsColoursAtItsOwnSize) {
    writeImage("quad.png", 256, 128, [](int x, int y) { return quadrant(x, y, 256, 128); });
    Texture texture(mDisplay.get());
    texture.load("quad.png", false);
    EXPECT_FALSE(texture.isInited());
    texture.setup();
    EXPECT_TRUE(texture.isInited());
    EXPECT_EQ(256, texture.mWidth);
    EXPECT_EQ(128, texture.mHeight);

    drawFull(texture);
    expectQuadrants();
    savePicture("texture_2d");

    texture.bind();
    EXPECT_EQ(256, levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH));
    EXPECT_EQ(128, levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT));
    EXPECT_EQ(GL_RGBA8, levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT));
    EXPECT_EQ(GL_LINEAR, parameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(GL_LINEAR, parameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER));
    EXPECT_EQ(GL_REPEAT, parameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S));
    EXPECT_EQ(GL_REPEAT, parameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T));
    texture.setWrap(false);
    EXPECT_EQ(GL_CLAMP_TO_EDGE, parameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S));
    EXPECT_EQ(GL_CLAMP_TO_EDGE, parameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T));
    texture.unbind();
}

TEST_F(TextureTest, ImageInMemoryFirstBoundWithoutSetup) {
    Texture texture(mDisplay.get());
    texture.setImage(makeImage(8, 8, [](int x, int y) { return quadrant(x, y, 8, 8); }), false);
    testing::internal::CaptureStdout();
    drawFull(texture);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("Reloading texture from 'am::Image'.")) << log;
    expectQuadrants();
}

TEST_F(TextureTest, OneDimensionalTexturesFromARowAndFromAColumn) {
    // Four colours along the line; a column picture is used as the row.
    auto colourAt = [](int i) {
        static const Rgba colours[4] = {Red, Green, Blue, White};
        return colours[i / 16];
    };
    writeImage("row.png", 64, 1, [&](int x, int) { return colourAt(x); });
    writeImage("column.png", 1, 64, [&](int, int y) { return colourAt(y); });
    for (const char* name : {"row.png", "column.png"}) {
        SCOPED_TRACE(name);
        Texture texture(mDisplay.get());
        texture.configure(0, 0, Texture::LayoutRGBA, Texture::Type8, GL_TEXTURE_1D);
        texture.load(name, false);
        drawFull(texture, GL_TEXTURE_1D);
        EXPECT_EQ(64, texture.mWidth);
        EXPECT_EQ(1, texture.mHeight);
        for (int i = 0; i < 4; ++i) EXPECT_RGB(pixelAt(0.125f + 0.25f * i, 0.5f), colourAt(i * 16));
        if (std::string(name) == "column.png") savePicture("texture_1d");
    }
    // With mipmaps the same line shows the same colours.
    Texture mipmapped(mDisplay.get());
    mipmapped.configure(0, 0, Texture::LayoutRGBA, Texture::Type8, GL_TEXTURE_1D);
    mipmapped.load("row.png", true);
    drawFull(mipmapped, GL_TEXTURE_1D);
    EXPECT_RGB(pixelAt(0.125f, 0.5f), Red);
    EXPECT_RGB(pixelAt(0.875f, 0.5f), White);
}

TEST_F(TextureTest, OneDimensionalTextureRefusesAPicture) {
    writeImage("wide.png", 2, 64, [](int, int) { return Red; });
    Texture texture(mDisplay.get());
    texture.configure(0, 0, 0, 0, GL_TEXTURE_1D);
    texture.load("wide.png", false);
    // A 2-pixel-wide column is taken as 2 x 64: both dimensions are more than one pixel.
    EXPECT_EQ("Loaded 1d-texture but both dimensions are non-1! (when loading 'wide.png')",
              glres::thrownText([&] { texture.bind(); }));
    EXPECT_FALSE(texture.isInited());
    EXPECT_EQ(0u, texture.mTexture);
}

// A vertical cross of 3 x 4 cells of 16 pixels: +Y top, -X +Z +X across, -Y, then -Z upside down.
// +Z and -Z have a different colour in their upper and lower halves to show the turn.
Rgba crossColour(int x, int y) {
    const int column = x / 16, row = y / 16;
    const bool upper = (y % 16) < 8;
    if (column == 1 && row == 0) return Red;             // +Y
    if (column == 1 && row == 2) return Green;           // -Y
    if (column == 0 && row == 1) return Blue;            // -X
    if (column == 2 && row == 1) return Yellow;          // +X
    if (column == 1 && row == 1) return upper ? Magenta : Purple; // +Z
    if (column == 1 && row == 3) return upper ? Cyan : Orange;    // -Z
    return Grey;
}

TEST_F(TextureTest, CubeMapFromAVerticalCross) {
    writeImage("cross.png", 48, 64, crossColour);
    Texture texture(mDisplay.get());
    texture.configure(0, 0, 0, 0, Texture::TARGET_CUBE);
    texture.load("cross.png", false);

    begin2D();
    glEnable(GL_TEXTURE_CUBE_MAP);
    texture.bind();
    struct Probe {
        float x, y, z;
        Rgba expected;
    };
    const Probe probes[8] = {
        {1, 0, 0, Yellow},      {-1, 0, 0, Blue},    {0, 1, 0, Red},         {0, -1, 0, Green},
        {0, 0.5f, 1, Magenta},  {0, -0.5f, 1, Purple}, // +Z: the cell's top at the face's top
        {0, 0.5f, -1, Orange},  {0, -0.5f, -1, Cyan},  // -Z: turned by 180 degrees
    };
    for (int i = 0; i < 8; ++i) {
        const float x0 = (i % 4) * 0.25f, y0 = (i / 4) * 0.5f;
        glBegin(GL_QUADS);
        glTexCoord3f(probes[i].x, probes[i].y, probes[i].z);
        glVertex2f(x0, y0);
        glVertex2f(x0 + 0.25f, y0);
        glVertex2f(x0 + 0.25f, y0 + 0.5f);
        glVertex2f(x0, y0 + 0.5f);
        glEnd();
    }
    EXPECT_EQ(16, levelParameter(GL_TEXTURE_CUBE_MAP_POSITIVE_X, 0, GL_TEXTURE_WIDTH));
    EXPECT_EQ(16, levelParameter(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 0, GL_TEXTURE_HEIGHT));
    EXPECT_EQ(GL_CLAMP_TO_EDGE, parameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S));
    EXPECT_EQ(GL_CLAMP_TO_EDGE, parameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T));
    EXPECT_EQ(GL_CLAMP_TO_EDGE, parameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R));
    texture.unbind();
    glDisable(GL_TEXTURE_CUBE_MAP);
    savePicture("texture_cube");
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_RGB(pixelAt((i % 4) * 0.25f + 0.125f, (i / 4) * 0.5f + 0.25f), probes[i].expected);
    }
    EXPECT_EQ(16, texture.mWidth);
    EXPECT_EQ(16, texture.mHeight);
}

TEST_F(TextureTest, CubeMapCrossesOfTheWrongShape) {
    struct Case {
        int w, h;
        const char* text;
    };
    const Case cases[4] = {
        {512, 384, "Cube maps with horizontal cross is not supported at the moment! (when loading 'bad.png')"},
        {400, 512, "Error when loading cube map from 'bad.png'; shorted side must be divisible by 3!"},
        {6, 9, "Error when loading cube map from 'bad.png'; longest side must be divisible by 4!"},
        {12, 12, "Error when loading cube map from 'bad.png'; the individual faces must be square textures!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::remove((mDir + "/bad.png").c_str());
        writeImage("bad.png", c.w, c.h, [](int, int) { return Grey; });
        Texture texture(mDisplay.get());
        texture.configure(0, 0, 0, 0, Texture::TARGET_CUBE);
        texture.load("bad.png", false);
        EXPECT_EQ(c.text, glres::thrownText([&] { texture.bind(); }));
        EXPECT_FALSE(texture.isInited());
    }
}

TEST_F(TextureTest, MipmapsAreBuiltAndUsedWhenDrawnSmall) {
    // Three quarters red, one quarter blue: the 1 x 1 level is mostly red with some blue.
    writeImage("mip.png", 64, 64, [](int x, int) { return x < 48 ? Red : Blue; });
    Texture plain(mDisplay.get()), mipmapped(mDisplay.get());
    plain.load("mip.png", false);
    mipmapped.load("mip.png", true);

    begin2D();
    glEnable(GL_TEXTURE_2D);
    const float onePixel = 1.0f / Size;
    plain.bind();
    drawQuad(0, 0, onePixel, onePixel);
    mipmapped.bind();
    drawQuad(2 * onePixel, 0, 3 * onePixel, onePixel);
    EXPECT_EQ(GL_LINEAR_MIPMAP_LINEAR, parameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(1, levelParameter(GL_TEXTURE_2D, 6, GL_TEXTURE_WIDTH));
    mipmapped.unbind();
    glDisable(GL_TEXTURE_2D);

    EXPECT_RGB(pixel(0, 0), Red);
    const Rgba small = pixel(2, 0);
    EXPECT_NEAR(191, small.r, 4);
    EXPECT_NEAR(64, small.b, 4);
}

TEST_F(TextureTest, APictureIsRescaledToTheConfiguredSize) {
    Texture texture(mDisplay.get());
    texture.configure(64, 32, 0, 0, GL_TEXTURE_2D);
    texture.setImage(makeImage(16, 16, [](int x, int y) { return quadrant(x, y, 16, 16); }), false);
    testing::internal::CaptureStdout();
    drawFull(texture);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("Warning: Manually rescaling picture ''!")) << log;
    expectQuadrants();
    texture.bind();
    EXPECT_EQ(64, levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH));
    EXPECT_EQ(32, levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT));
    texture.unbind();
}

TEST_F(TextureTest, APictureOfTheSamePixelCountButAnotherShapeIsRescaledToo) {
    // 32 x 8 holds as many pixels as 16 x 16; taking its rows as they are would cut the picture up.
    Texture texture(mDisplay.get());
    texture.configure(16, 16, 0, 0, GL_TEXTURE_2D);
    texture.setImage(makeImage(32, 8, [](int x, int y) { return quadrant(x, y, 32, 8); }), false);
    testing::internal::CaptureStdout();
    drawFull(texture);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("Warning: Manually rescaling picture")) << log;
    expectQuadrants();
}

TEST_F(TextureTest, ATextureWithNothingToMakeItFromIsRefused) {
    Texture nothing(mDisplay.get());
    EXPECT_EQ("Could not construct gl-image for 'unknown' of size -1x-1.", glres::thrownText([&] { nothing.bind(); }));
    Texture halfSized(mDisplay.get());
    halfSized.configure(0, 8, 0, 0, GL_TEXTURE_2D);
    EXPECT_EQ("Could not construct gl-image for 'unknown' of size -1x8.", glres::thrownText([&] { halfSized.bind(); }));
    EXPECT_FALSE(halfSized.isInited());
}

TEST_F(TextureTest, WithoutNonPowerOfTwoSupportSizesGrowToPowersOfTwo) {
    pretendMissing(__GLEW_ARB_texture_non_power_of_two);
    writeImage("odd.png", 300, 200, [](int x, int y) { return quadrant(x, y, 300, 200); });
    writeImage("tiny.png", 3, 5, [](int, int) { return Green; });

    Texture odd(mDisplay.get());
    odd.load("odd.png", false);
    testing::internal::CaptureStdout();
    drawFull(odd);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("Warning: Manually rescaling picture 'odd.png'!")) << log;
    EXPECT_EQ(512, odd.mWidth);
    EXPECT_EQ(256, odd.mHeight);
    expectQuadrants();

    Texture tiny(mDisplay.get());
    tiny.load("tiny.png", false);
    tiny.setup();
    EXPECT_EQ(4, tiny.mWidth);
    EXPECT_EQ(8, tiny.mHeight);

    // The mipmap builder scales by itself: the size stays.
    Texture mipmapped(mDisplay.get());
    mipmapped.load("odd.png", true);
    drawFull(mipmapped);
    EXPECT_EQ(300, mipmapped.mWidth);
    EXPECT_EQ(200, mipmapped.mHeight);
    expectQuadrants();
}

TEST_F(TextureTest, TexturesAreMadeAgainAfterTheContextIsRecreated) {
    writeImage("quad.png", 8, 8, [](int x, int y) { return quadrant(x, y, 8, 8); });
    Texture fromFile(mDisplay.get()), fromImage(mDisplay.get());
    fromFile.load("quad.png", false);
    fromImage.setImage(makeImage(4, 4, [](int, int) { return Yellow; }), false);
    fromFile.setup();
    fromImage.setup();
    EXPECT_EQ(1, mDisplay->getContextGeneration());

    reopen();
    EXPECT_EQ(2, mDisplay->getContextGeneration());
    // The file is read again: change it to show that it is.
    std::remove((mDir + "/quad.png").c_str());
    writeImage("quad.png", 8, 8, [](int x, int y) { return quadrant(7 - x, y, 8, 8); });
    testing::internal::CaptureStdout();
    drawFull(fromFile);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("Reloading texture from 'quad.png'.")) << log;
    EXPECT_RGB(pixelAt(0.25f, 0.25f), Green);
    EXPECT_RGB(pixelAt(0.75f, 0.25f), Red);
    EXPECT_RGB(pixelAt(0.25f, 0.75f), White);
    savePicture("texture_reloaded");

    drawFull(fromImage);
    EXPECT_RGB(pixelAt(0.5f, 0.5f), Yellow);
}

TEST_F(TextureTest, ATextureOfADeadContextDoesNotDeleteANewOne) {
    std::unique_ptr<Texture> old(new Texture(mDisplay.get()));
    old->setImage(makeImage(2, 2, [](int, int) { return Red; }), false);
    old->setup();
    const GLuint oldName = old->mTexture;

    reopen();
    Texture fresh(mDisplay.get());
    fresh.setImage(makeImage(2, 2, [](int, int) { return Green; }), false);
    fresh.setup();
    ASSERT_EQ(oldName, fresh.mTexture) << "the new context hands out the same name again";

    old.reset();
    EXPECT_TRUE(glIsTexture(fresh.mTexture));
    drawFull(fresh);
    EXPECT_RGB(pixelAt(0.5f, 0.5f), Green);
}

TEST_F(TextureTest, TexturesWithoutImageDataUploadWithoutGLErrors) {
    struct Case {
        int layout, type;
        GLenum internalFormat;
    };
    const Case cases[] = {
        {Texture::LayoutDepth, Texture::Type16, GL_DEPTH_COMPONENT16},
        {Texture::LayoutDepth, Texture::Type24, GL_DEPTH_COMPONENT24},
        {Texture::LayoutDepth, Texture::Type32, GL_DEPTH_COMPONENT32},
        {Texture::LayoutRGBA, Texture::TypeFloat, GL_RGBA32F_ARB},
        {Texture::LayoutRGB, Texture::TypeHalfFloat, GL_RGB16F_ARB},
        {Texture::LayoutLuminanceAlpha, Texture::Type16b, GL_LUMINANCE16_ALPHA16},
        {Texture::LayoutRGB, Texture::Type8, GL_RGB8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.internalFormat);
        Texture texture(mDisplay.get());
        texture.configure(32, 16, c.layout, c.type, GL_TEXTURE_2D);
        EXPECT_NO_THROW(texture.bind());
        EXPECT_EQ(static_cast<GLint>(c.internalFormat),
                  levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT));
        EXPECT_EQ(32, levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH));
        texture.unbind();
    }
    // A configured colour texture without a picture is black RGBA8.
    Texture black(mDisplay.get());
    black.configure(512, 512, 0, 0, GL_TEXTURE_2D);
    begin2D();
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    black.bind();
    EXPECT_EQ(GL_RGBA8, levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT));
    drawQuad(0, 0, 1, 1);
    black.unbind();
    glDisable(GL_TEXTURE_2D);
    EXPECT_RGB(pixelAt(0.5f, 0.5f), Black);
}

TEST_F(TextureTest, FailureTexts) {
    writeImage("red.png", 4, 4, [](int, int) { return Red; });
    writeText("broken.png", "\x89PNG\r\n\x1a\n but nothing of a picture follows");

    Texture twice(mDisplay.get());
    twice.load("red.png", false);
    EXPECT_EQ("Texture; File already loaded, when loading 'other.png'",
              glres::thrownText([&] { twice.load("other.png", false); }));

    Texture imageTwice(mDisplay.get());
    imageTwice.setImage(makeImage(1, 1, [](int, int) { return Red; }), false);
    EXPECT_EQ("Texture already loaded!", glres::thrownText([&] {
                  imageTwice.setImage(makeImage(1, 1, [](int, int) { return Red; }), false);
              }));
    EXPECT_EQ("Texture; File already loaded, when loading 'red.png'",
              glres::thrownText([&] { imageTwice.load("red.png", false); }));
    imageTwice.setup();
    EXPECT_EQ("Texture already inited", glres::thrownText([&] { imageTwice.setup(); }));

    Texture missing(mDisplay.get());
    missing.load("missing.png", false);
    EXPECT_EQ("Display::Resource; Could not read (or decode) image 'missing.png' (am msg was 'loadImage, File not "
              "found (missing.png)')",
              glres::thrownText([&] { missing.bind(); }));
    EXPECT_FALSE(missing.isInited());

    Texture broken(mDisplay.get());
    broken.load("broken.png", false);
    const std::string brokenText = glres::thrownText([&] { broken.bind(); });
    EXPECT_EQ(0u, brokenText.find("Display::Resource; Could not read (or decode) image 'broken.png' (am msg was '"))
        << brokenText;

    Texture homeless(nullptr);
    homeless.load("red.png", false);
    EXPECT_EQ("Display::Resource; This resource can not load files (when loading image 'red.png')",
              glres::thrownText([&] { homeless.setup(); }));
    EXPECT_EQ("Display::Resource; This resource can not load files (when loading 'red.png')",
              glres::thrownText([&] { homeless.loadFile("red.png"); }));
    EXPECT_EQ("Display::Resource; File 'none.txt' could not be read",
              glres::thrownText([&] { missing.loadFile("none.txt"); }));

    Texture unknown(mDisplay.get());
    unknown.configure(4, 4, 7, 1, GL_TEXTURE_2D);
    EXPECT_EQ("Unknown format for texture", glres::thrownText([&] { unknown.bind(); }));
    Texture depthWithByte(mDisplay.get());
    depthWithByte.configure(4, 4, Texture::LayoutDepth, Texture::Type8, GL_TEXTURE_2D);
    EXPECT_EQ("Unknown format for texture", glres::thrownText([&] { depthWithByte.bind(); }));

    // Colour pictures cannot go into a depth texture: GL refuses the upload.
    Texture depthPicture(mDisplay.get());
    depthPicture.configure(0, 0, Texture::LayoutDepth, Texture::Type24, GL_TEXTURE_2D);
    depthPicture.load("red.png", false);
    EXPECT_EQ("Could not construct gl-image for 'red.png' of size 4x4.",
              glres::thrownText([&] { depthPicture.bind(); }));
    EXPECT_EQ(0u, depthPicture.mTexture);

    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    Texture huge(mDisplay.get());
    huge.configure(maxSize * 2, 1, 0, 0, GL_TEXTURE_2D);
    EXPECT_EQ("Could not construct gl-image for 'unknown' of size " + std::to_string(maxSize * 2) + "x1.",
              glres::thrownText([&] { huge.bind(); }));

    // A rectangle outside the picture is refused instead of read past its end.
    Texture cut(mDisplay.get());
    cut.configure(4, 4, 0, 0, GL_TEXTURE_2D);
    cut.setup();
    cut.bind();
    EXPECT_EQ("Texture; the rectangle (0, 0)-(4, 3) lies outside the image 'unknown' of size 4x4",
              glres::thrownText([&] {
                  cut.bindAndLoadImage(makeImage(4, 4, [](int, int) { return Red; }), GL_TEXTURE_2D, GL_RGBA8, 0, 0,
                                       4, 3, false);
              }));
    cut.unbind();
}

TEST_F(TextureTest, MissingExtensionsAreReported) {
    Texture floating(mDisplay.get());
    floating.configure(4, 4, Texture::LayoutRGBA, Texture::TypeFloat, GL_TEXTURE_2D);
    pretendMissing(__GLEW_ARB_texture_float);
    EXPECT_EQ("OpenGL does not support float-textures on this computer!", glres::thrownText([&] { floating.bind(); }));

    Texture cube(mDisplay.get());
    cube.configure(4, 4, 0, 0, Texture::TARGET_CUBE);
    pretendMissing(__GLEW_ARB_texture_cube_map);
    EXPECT_EQ("OpenGL does not support cube maps on this computer!", glres::thrownText([&] { cube.bind(); }));
}

TEST_F(TextureTest, TransposedAndReversedCutsOfAPicture) {
    am::Image picture = makeImage(4, 2, [](int x, int y) { return y == 0 ? (x < 2 ? Red : Green) : (x < 2 ? Blue : White); });
    Texture texture(mDisplay.get());
    texture.configure(2, 4, 0, 0, GL_TEXTURE_2D);
    texture.setup();
    begin2D();
    glEnable(GL_TEXTURE_2D);
    texture.bind();
    // Transposed: texture row r is picture column r; its first row ends up at the bottom.
    texture.bindAndLoadImage(picture, GL_TEXTURE_2D, GL_RGBA8, 0, 0, 3, 1, true);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    drawQuad(0, 0, 1, 1);
    texture.unbind();
    glDisable(GL_TEXTURE_2D);
    EXPECT_RGB(pixelAt(0.25f, 0.1f), Red);
    EXPECT_RGB(pixelAt(0.75f, 0.1f), Blue);
    EXPECT_RGB(pixelAt(0.25f, 0.9f), Green);
    EXPECT_RGB(pixelAt(0.75f, 0.9f), White);
}

} // namespace
