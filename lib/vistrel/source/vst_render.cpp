// Immediate-mode 2-D drawing of the GUI.

#include "vst_render.h"
#include "vst_whole.h"

#include "dis_display.h"
#include "dis_font.h"
#include "dis_glcheck.h"

#include "mathbase/mb_matrix.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>

namespace norvane {
namespace vistrel {

const char* const Render::FontFile = "fonthelvete2.png";

namespace {
const float Pi = 3.14159265358979f;
const float MaxEllipseSegments = 8192;
}

Render::Render() : mDisplay(nullptr), mWidth(0), mHeight(0), mOffsetX(0), mOffsetY(0), mFont(nullptr) {
    std::memset(mFirst, 0, sizeof(mFirst));
    std::memset(mSecond, 0, sizeof(mSecond));
}

Render::~Render() { delete mFont; }

void Render::init(display::DisplayGL* display) {
    mDisplay = display;
    delete mFont;
    mFont = nullptr;
    if (!display)
        return;
    display::Font* font = new display::Font(display);
    try {
        font->load(FontFile, false, static_cast<float>(display->getWidth()), static_cast<float>(display->getHeight()));
    } catch (...) {
        delete font;
        throw;
    }
    font->mAdvance[static_cast<unsigned char>(' ')] = 3.0f;
    font->mAlign = display::Font::AlignCenter;
    mFont = font;
}

void Render::begin(float width, float height, float offsetX, float offsetY, float margin) {
    mWidth = width;
    mHeight = height;
    mOffsetX = offsetX;
    mOffsetY = offsetY;
    if (mDisplay) mDisplay->resetState();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(offsetX - margin, offsetX + width + margin, offsetY + height + margin, offsetY - margin);
    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    display::checkGLError(__FILE__, __LINE__, "Checking status");
}

void Render::scissorBox(float x1, float y1, float x2, float y2, int box[4]) const {
    // Layout files can place controls anywhere: whole pixels within int's range.
    box[0] = static_cast<int>(wholePixels(x1 - mOffsetX));
    box[1] = static_cast<int>(wholePixels(mHeight - y2 + mOffsetY));
    box[2] = static_cast<int>(wholePixels(x2 - x1));
    box[3] = static_cast<int>(wholePixels(y2 - y1));
    // A rectangle turned inside out (clipped away on one side) scissors everything out.
    if (box[2] < 0)
        box[2] = 0;
    if (box[3] < 0)
        box[3] = 0;
}

void Render::setScissor(float x1, float y1, float x2, float y2) {
    if (y2 == -1) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    int box[4];
    scissorBox(x1, y1, x2, y2, box);
    glEnable(GL_SCISSOR_TEST);
    glScissor(box[0], box[1], box[2], box[3]);
    display::checkGLError(__FILE__, __LINE__, "glScissor(box[0], box[1], box[2], box[3])");
}

void Render::setColors(const float first[4], const float second[4]) {
    std::memcpy(mFirst, first, sizeof(mFirst));
    std::memcpy(mSecond, second, sizeof(mSecond));
    if (mSecond[3] < 0)
        std::memcpy(mSecond, mFirst, sizeof(mSecond));
    glColor4fv(mFirst);
}

void Render::fillRect(const Rect& r, int mode) {
    const float* topLeft = mFirst;
    const float* topRight = mode == 1 ? mSecond : mFirst;
    const float* bottomRight = mSecond;
    const float* bottomLeft = mode == 1 ? mFirst : mSecond;
    glBegin(GL_QUADS);
    glColor4fv(topLeft);
    glVertex2f(r.x1, r.y1);
    glColor4fv(topRight);
    glVertex2f(r.x2, r.y1);
    glColor4fv(bottomRight);
    glVertex2f(r.x2, r.y2);
    glColor4fv(bottomLeft);
    glVertex2f(r.x1, r.y2);
    glEnd();
}

void Render::frameRect(const Rect& r) {
    glLineWidth(1);
    glBegin(GL_LINE_LOOP);
    glColor4fv(mFirst);
    glVertex2f(r.x1 + 0.5f, r.y1 + 0.5f);
    glVertex2f(r.x2 - 0.5f, r.y1 + 0.5f);
    glColor4fv(mSecond);
    glVertex2f(r.x2 - 0.5f, r.y2 - 0.5f);
    glVertex2f(r.x1 + 0.5f, r.y2 - 0.5f);
    glEnd();
}

int Render::ellipseSegments(const Rect& r) {
    // Beyond a segment per pixel of the widest window, more segments show nothing more.
    const float n = wholePixels((r.height() + r.width()) * Pi * 0.5f);
    if (n > MaxEllipseSegments)
        return static_cast<int>(MaxEllipseSegments);
    return n < 3 ? 3 : static_cast<int>(n);
}

void Render::fillEllipse(const Rect& r, int segments, float phase) {
    if (segments == -1)
        segments = ellipseSegments(r);
    if (segments < 3)
        segments = 3;
    Point c = r.center();
    float hw = r.width() / 2;
    float hh = r.height() / 2;
    glColor4fv(mFirst);
    glBegin(GL_TRIANGLE_FAN);
    glVertex2f(c.x, c.y);
    for (int i = 0; i <= segments; ++i) {
        float a = 2 * Pi * (static_cast<float>((i + 1) % segments) / static_cast<float>(segments) + phase);
        glVertex2f(c.x + std::sin(a) * hw, c.y + std::cos(a) * hh);
    }
    glEnd();
}

void Render::line(const float p1[2], const float p2[2]) {
    glBegin(GL_LINES);
    glVertex2fv(p1);
    glVertex2fv(p2);
    glEnd();
}

float Render::textWidth(const std::string& text) const { return mFont ? mFont->getTextWidth(text, 1.0f) : 0.0f; }

float Render::getTime() const { return mDisplay ? mDisplay->getTime() : 0.0f; }

void Render::drawText(const std::string& text, float x, float y) {
    if (!mFont || !mDisplay)
        return;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    mathbase::Matrix4x4Col m;
    m.setTranslation(mathbase::Vector3T<float>(x, y, 0));
    mDisplay->setModelMatrix(m);
    mFont->draw(text, 1.0f, -1.0f, mFirst[0], mFirst[1], mFirst[2], mFirst[3]);
    mDisplay->resetModelMatrix();
}

} // namespace vistrel
} // namespace norvane
