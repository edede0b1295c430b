#pragma once
// Text from one glyph image of 256 glyphs in a 16 x 16 grid of equal cells. Each glyph has a
// proportional advance measured from its ink; every quad drawn is a whole cell.

#include "dis_texture.h"

#include "am_image.h"

#include <string>

namespace norvane {
namespace display {

class Font : public Resource {
public:
    enum { AlignLeft = 0, AlignRight = 1, AlignCenter = 2 };
    // A pixel whose red is above this counts as ink when advances are measured.
    enum { InkThreshold = 200 };

    explicit Font(DisplayGL* display);
    ~Font() override;

    // Loads the glyph image through the display's archives. pixelWidth and pixelHeight are the
    // size in pixels that the drawing units span (the window's size gives one unit per pixel).
    void load(const std::string& fileName, bool mipmaps, float pixelWidth, float pixelHeight);
    // The same from an image in memory; the font takes the image and changes its pixels.
    void setGlyphImage(am::Image image, bool mipmaps, float pixelWidth, float pixelHeight);

    // Sum of the advances of the text's bytes, times scale.
    float getTextWidth(const std::string& text, float scale) const;
    // One quad per byte, aligned on the current model-view origin by mAlign, centred on y = 0.
    // A negative scaleY flips the text for a projection whose y axis points down.
    void draw(const std::string& text, float scaleX, float scaleY, float r, float g, float b, float a);

    int mImageWidth, mImageHeight;
    int mCellWidth, mCellHeight;
    float mAdvance[256]; // drawing units at scale 1; owners may adjust them after loading
    int mAlign;
    float mScaleX, mScaleY; // drawing units per pixel
    float mCellU, mCellV;
    Texture mGlyphs;
};

} // namespace display
} // namespace norvane
