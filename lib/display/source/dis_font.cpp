// The bitmap font: glyph mask, measured advances and one batch of quads per string.

#include "dis_font.h"

#include "dis_display.h"
#include "dis_glcheck.h"

#include "nvn_system.h"

namespace norvane {
namespace display {

Font::Font(DisplayGL* display)
    : Resource(display, 0), mImageWidth(0), mImageHeight(0), mCellWidth(0), mCellHeight(0), mAlign(AlignLeft),
      mScaleX(0), mScaleY(0), mCellU(0.0625f), mCellV(0.0625f), mGlyphs(display) {
    for (float& advance : mAdvance)
        advance = 0;
}

Font::~Font() {}

void Font::load(const std::string& fileName, bool mipmaps, float pixelWidth, float pixelHeight) {
    if (!canLoadFiles())
        throw Exception("Cannot load font motherfucker!");
    setGlyphImage(loadImage(fileName, true), mipmaps, pixelWidth, pixelHeight);
}

void Font::setGlyphImage(am::Image image, bool mipmaps, float pixelWidth, float pixelHeight) {
    const int width = image->getWidth();
    const int height = image->getHeight();
    unsigned char* pixels = image->getWriteData();
    const int cellWidth = width / 16;
    const int cellHeight = height / 16;
    // Drawing units per pixel; without a window one unit is one pixel.
    float windowWidth = mDisplay && mDisplay->getWidth() > 0 ? static_cast<float>(mDisplay->getWidth()) : pixelWidth;
    float windowHeight =
        mDisplay && mDisplay->getHeight() > 0 ? static_cast<float>(mDisplay->getHeight()) : pixelHeight;
    const float scaleX = windowWidth > 0 ? pixelWidth / windowWidth : 1.0f;
    const float scaleY = windowHeight > 0 ? pixelHeight / windowHeight : 1.0f;

    // White glyphs, the picture's red as coverage (pixels are B, G, R, A).
    for (long i = 0, n = static_cast<long>(width) * height; i < n; ++i) {
        unsigned char* p = pixels + i * 4;
        p[3] = p[2];
        p[0] = p[1] = p[2] = 255;
    }

    float advances[256];
    for (int m = 0; m < 16; ++m) {
        for (int i = 0; i < 16; ++i) {
            int c = m * 16 + i;
            float k = 0;
            for (int x = (i + 1) * cellWidth - 1; x >= i * cellWidth; --x) {
                bool ink = false;
                for (int y = m * cellHeight; y < (m + 1) * cellHeight && !ink; ++y)
                    ink = pixels[(static_cast<long>(y) * width + x) * 4 + 3] > InkThreshold;
                if (ink) {
                    k = static_cast<float>(x - i * cellWidth);
                    break;
                }
            }
            if (c == ' ')
                k = 0.3f * static_cast<float>(cellWidth);
            advances[c] = (k + 2.0f) * scaleX;
        }
    }

    // The texture takes the image first: it refuses a second one, and then the font stays as it was.
    mGlyphs.setImage(image, mipmaps);
    mImageWidth = width;
    mImageHeight = height;
    mCellWidth = cellWidth;
    mCellHeight = cellHeight;
    mCellU = mCellV = 0.0625f;
    mScaleX = scaleX;
    mScaleY = scaleY;
    for (int c = 0; c < 256; ++c)
        mAdvance[c] = advances[c];
}

float Font::getTextWidth(const std::string& text, float scale) const {
    float w = 0;
    for (unsigned char c : text)
        w += mAdvance[c] * scale;
    return w;
}

namespace {

// The push of every GL attribute around one string, popped again on every way out: a glyph
// texture that cannot be made must not leave the stack one deeper for every later frame.
class AttribPush {
public:
    AttribPush() {
        DIS_GL_STATUS(); // an earlier error must not be taken for a failed push
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        DIS_GL_STATUS();
    }
    ~AttribPush() {
        if (mPushed)
            glPopAttrib();
    }
    AttribPush(const AttribPush&) = delete;
    AttribPush& operator=(const AttribPush&) = delete;

    void pop() {
        mPushed = false;
        glPopAttrib();
        DIS_GL_STATUS();
    }

private:
    bool mPushed = true;
};

} // namespace

void Font::draw(const std::string& text, float scaleX, float scaleY, float r, float g, float b, float a) {
    AttribPush attributes;
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    mGlyphs.bind(-1);

    float x = 0;
    if (mAlign == AlignRight || mAlign == AlignCenter) {
        float w = 0;
        for (unsigned char c : text)
            w += mAdvance[c] * scaleX;
        x = mAlign == AlignRight ? -w : -w / 2;
    }
    const float w = static_cast<float>(mCellWidth) * mScaleX * scaleX;
    const float h = static_cast<float>(mCellHeight) * mScaleY * scaleY;
    const float color[4] = {r, g, b, a};
    glBegin(GL_QUADS);
    for (unsigned char c : text) {
        glColor4fv(color);
        float s0 = static_cast<float>(c % 16) * mCellU;
        float t0 = static_cast<float>(c / 16) * mCellV;
        float s1 = s0 + mCellU;
        float t1 = t0 + mCellV;
        glTexCoord2f(s0, t1);
        glVertex3f(x, -h / 2, 0);
        glTexCoord2f(s1, t1);
        glVertex3f(x + w, -h / 2, 0);
        glTexCoord2f(s1, t0);
        glVertex3f(x + w, h / 2, 0);
        glTexCoord2f(s0, t0);
        glVertex3f(x, h / 2, 0);
        x += mAdvance[c] * scaleX;
    }
    glEnd();
    DIS_GL_STATUS();
    mGlyphs.unbind();
    attributes.pop();
}

} // namespace display
} // namespace norvane
