// The bitmap font: advances measured from the glyph mask, and text drawn where they say.

#include "vst_gl_support.h"
#include "vst_test_support.h"

#include "dis_font.h"
#include "vst_render.h"

#include <cstdlib>
#include <cstring>

using namespace vsttest;
using norvane::display::Font;

namespace {

// A 256 x 256 black picture (B, G, R, A) with a few marked pixels.
norvane::am::Image blankGlyphs() {
    auto* image = new norvane::am::ImageObject(256, 256);
    std::memset(image->getWriteData(), 0, 256 * 256 * 4);
    return norvane::am::Image(image);
}

void setRed(norvane::am::Image& image, int x, int y, unsigned char red) {
    image->getWriteData()[(y * 256 + x) * 4 + 2] = red;
}

} // namespace

TEST(FontMetrics, AdvancesComeFromTheRightmostInkColumn) {
    Font font(nullptr);
    norvane::am::Image image = blankGlyphs();
    // 'A' (row 4, column 1): ink at offset 8 of its cell.
    setRed(image, 16 + 8, 4 * 16 + 3, 255);
    // 'B': red 200 at offset 12 is not ink, red 201 at offset 5 is.
    setRed(image, 2 * 16 + 12, 4 * 16 + 9, 200);
    setRed(image, 2 * 16 + 5, 4 * 16 + 15, 201);
    // The space's own ink is ignored.
    setRed(image, 15, 2 * 16, 255);
    font.setGlyphImage(image, false, 100, 100);
    EXPECT_EQ(16, font.mCellWidth);
    EXPECT_EQ(16, font.mCellHeight);
    EXPECT_FLOAT_EQ(0.0625f, font.mCellU);
    EXPECT_FLOAT_EQ(0.0625f, font.mCellV);
    EXPECT_FLOAT_EQ(10, font.mAdvance[int('A')]);
    EXPECT_FLOAT_EQ(7, font.mAdvance[int('B')]);
    EXPECT_FLOAT_EQ(2, font.mAdvance[int('C')]);
    EXPECT_FLOAT_EQ(6.8f, font.mAdvance[int(' ')]);
    EXPECT_FLOAT_EQ(0, font.getTextWidth("", 1));
    EXPECT_FLOAT_EQ(2 * (10 + 6.8f + 7), font.getTextWidth("A B", 2));
    // The mask is white with the red as coverage.
    const unsigned char* p = image->getPixels() + (2 * 16 + 5 + (4 * 16 + 15) * 256) * 4;
    EXPECT_EQ(255, p[0]);
    EXPECT_EQ(255, p[2]);
    EXPECT_EQ(201, p[3]);
}

TEST(FontMetrics, ASecondImageIsRefusedAndTheFontStaysAsItWas) {
    Font font(nullptr);
    norvane::am::Image first = blankGlyphs();
    setRed(first, 16 + 8, 4 * 16, 255);
    font.setGlyphImage(first, false, 1, 1);
    norvane::am::Image second = blankGlyphs();
    EXPECT_THROW(font.setGlyphImage(second, false, 1, 1), norvane::Exception);
    EXPECT_FLOAT_EQ(10, font.mAdvance[int('A')]);
}

TEST(FontMetrics, LoadingNeedsArchives) {
    Font font(nullptr);
    try {
        font.load("fonthelvete2.png", false, 1, 1);
        FAIL() << "no exception";
    } catch (const norvane::Exception& e) {
        EXPECT_STREQ("Cannot load font motherfucker!", e.what());
    }
}

class FontDraw : public GLTest {
protected:
    void SetUp() override {
        open(320, 240);
        render.init(display.get());
        render.begin(320, 240, 0, 0, 0);
        font.reset(new Font(display.get()));
        font->load("fonthelvete2.png", false, 320, 240);
    }
    void TearDown() override {
        // GL resources go before the display that owns their context.
        font.reset();
        render.init(nullptr);
        GLTest::TearDown();
    }
    void drawAt(const std::string& text, float x, float y, int align) {
        font->mAlign = align;
        norvane::mathbase::Matrix4x4Col m;
        m.setTranslation(norvane::mathbase::Vector3T<float>(x, y, 0));
        display->setModelMatrix(m);
        font->draw(text, 1, -1, 1, 1, 1, 1);
        display->resetModelMatrix();
    }
    Render render;
    std::unique_ptr<Font> font;
};

TEST_F(FontDraw, TextLandsWhereTheAdvancesSayLeftRightAndCentred) {
    // Our glyph image: 16-pixel cells, one unit per pixel, ink from the cell's second column.
    EXPECT_EQ(16, font->mCellWidth);
    EXPECT_FLOAT_EQ(1, font->mScaleX);
    const float h = font->mAdvance[int('H')], i = font->mAdvance[int('I')];
    EXPECT_GT(h, 4);
    EXPECT_FLOAT_EQ(6.8f, font->mAdvance[int(' ')]);
    EXPECT_FLOAT_EQ(h + i, font->getTextWidth("HI", 1));

    drawAt("HI", 100, 40, Font::AlignLeft);
    drawAt("HI", 200, 80, Font::AlignRight);
    drawAt("HIIH", 150, 120, Font::AlignCenter);
    readPixels();

    auto left = inkColumns(30, 50);
    EXPECT_EQ(101, left.first);
    EXPECT_EQ(100 + static_cast<int>(h) + static_cast<int>(i) - 2, left.second);

    auto right = inkColumns(70, 90);
    EXPECT_EQ(200 - 2, right.second); // the last glyph's advance ends at the origin
    EXPECT_EQ(200 - static_cast<int>(h + i) + 1, right.first);

    const int w = static_cast<int>(2 * (h + i));
    auto centred = inkColumns(110, 130);
    EXPECT_EQ(150 - w / 2 + 1, centred.first);
    EXPECT_EQ(150 + w / 2 - 2, centred.second); // 'H' ends two short of its advance

    // Vertically the text is centred on y: capitals span the middle of the 16-pixel cell.
    int top = -1, bottom = -1;
    for (int y = 25; y < 56; ++y) {
        if (at(101, y, 0) > 128) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    }
    EXPECT_EQ(36, top);
    EXPECT_EQ(42, bottom);
}

TEST_F(FontDraw, TheGuiRendererUsesAThreePixelSpaceAndCentresText) {
    Font* guiFont = render.getFont();
    ASSERT_NE(nullptr, guiFont);
    EXPECT_FLOAT_EQ(3, guiFont->mAdvance[int(' ')]);
    EXPECT_EQ(Font::AlignCenter, guiFont->mAlign);
    const float h = guiFont->mAdvance[int('H')];
    EXPECT_FLOAT_EQ(2 * h + 6, render.textWidth("H  H"));
    const float white[4] = {1, 1, 1, 1};
    render.setColors(white, white);
    render.drawText("H  H", 160, 100);
    readPixels();
    const int w = static_cast<int>(2 * h + 6);
    auto ink = inkColumns(90, 110);
    EXPECT_EQ(160 - w / 2 + 1, ink.first);
    // The second 'H' starts after one advance of 'H' and two spaces of 3 pixels.
    auto second = inkColumns(90, 110, 160 - w / 2 + static_cast<int>(h) + 1);
    EXPECT_EQ(160 - w / 2 + static_cast<int>(h) + 6 + 1, second.first);
}

TEST_F(FontDraw, AFontThatCannotDrawLeavesTheAttributeStackAsItWas) {
    Font unloaded(display.get());
    GLint before = -1, after = -1;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &before);
    glDisable(GL_BLEND);
    EXPECT_THROW(unloaded.draw("HI", 1, -1, 1, 1, 1, 1), norvane::Exception);
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &after);
    EXPECT_EQ(before, after);
    EXPECT_FALSE(glIsEnabled(GL_BLEND)); // the draw's own state went with its push
}
