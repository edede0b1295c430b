#pragma once
// Immediate-mode 2-D drawing for the GUI: a pixel-space projection over the window with the origin
// at the top left, the current pair of colours, rectangles, ellipses, lines and text.

#include "vst_rect.h"

#include <string>

namespace norvane {
namespace display {
class DisplayGL;
class Font;
} // namespace display

namespace vistrel {

class Render {
public:
    // The glyph image of the GUI font.
    static const char* const FontFile;

    Render();
    virtual ~Render();
    Render(const Render&) = delete;
    Render& operator=(const Render&) = delete;

    // Loads the GUI font for the display (replacing an earlier one): one drawing unit per pixel,
    // a 3-pixel space and centred text.
    void init(display::DisplayGL* display);
    // Sets up the GL state and a pixel projection for a viewport of width x height.
    void begin(float width, float height, float offsetX, float offsetY, float margin);

    // Scissors to the rectangle; y2 == -1 switches scissoring off. Negative sizes clamp to empty.
    void setScissor(float x1, float y1, float x2, float y2);
    // A second colour with negative alpha becomes a copy of the first.
    void setColors(const float first[4], const float second[4]);

    // Mode 1: horizontal gradient from first (left) to second (right); otherwise vertical (top to bottom).
    void fillRect(const Rect& r, int mode);
    // One-pixel outline: the top edge in the first colour, the rest shading from the second.
    void frameRect(const Rect& r);
    // Filled ellipse inscribed in r; -1 segments picks a count from the size. phase is in turns.
    void fillEllipse(const Rect& r, int segments = -1, float phase = 0);
    // One segment in the current GL colour.
    void line(const float p1[2], const float p2[2]);

    float textWidth(const std::string& text) const;
    // With the default centred alignment, x is the text's horizontal centre; y its vertical centre.
    void drawText(const std::string& text, float x, float y);

    float getTime() const;

    // The number of segments fillEllipse uses for r when none is given.
    static int ellipseSegments(const Rect& r);
    // The integer box that setScissor hands to glScissor (x, y from the bottom left, width, height).
    void scissorBox(float x1, float y1, float x2, float y2, int box[4]) const;

    display::DisplayGL* getDisplay() const { return mDisplay; }
    display::Font* getFont() const { return mFont; }
    const float* getFirstColor() const { return mFirst; }
    const float* getSecondColor() const { return mSecond; }

private:
    display::DisplayGL* mDisplay; // not owned
    float mWidth, mHeight;
    float mOffsetX, mOffsetY;
    float mFirst[4];
    float mSecond[4];
    display::Font* mFont; // owned
};

} // namespace vistrel
} // namespace norvane
