// The GUI's drawing helpers on a real window: rectangles, gradients, frames, ellipses and scissors.

#include "vst_gl_support.h"
#include "vst_test_support.h"

#include "dis_font.h"

#include <cmath>

using namespace vsttest;

namespace {
const float red[4] = {1, 0, 0, 1};
const float blue[4] = {0, 0, 1, 1};
const float white[4] = {1, 1, 1, 1};
const float single[4] = {0, 1, 0, -1};
} // namespace

class RenderTest : public GLTest {
protected:
    void SetUp() override {
        open(320, 600);
        render.init(display.get());
        render.begin(320, 600, 0, 0, 0);
    }
    void TearDown() override {
        render.init(nullptr); // the font goes before the display
        GLTest::TearDown();
    }
    Render render;
};

TEST_F(RenderTest, FilledRectanglesWithVerticalAndHorizontalGradients) {
    render.setColors(red, blue);
    render.fillRect(Rect(10, 10, 110, 110), 0);
    render.fillRect(Rect(150, 10, 250, 110), 1);
    render.setColors(red, single); // a negative second alpha copies the first
    render.fillRect(Rect(10, 150, 110, 250), 0);
    readPixels();
    // Vertical: red at the top, blue at the bottom.
    EXPECT_GT(at(60, 10, 0), 240);
    EXPECT_LT(at(60, 10, 2), 15);
    EXPECT_GT(at(60, 109, 2), 240);
    EXPECT_LT(at(60, 109, 0), 15);
    EXPECT_NEAR(128, at(60, 60, 0), 6);
    // Horizontal: red on the left, blue on the right.
    EXPECT_GT(at(150, 60, 0), 240);
    EXPECT_GT(at(249, 60, 2), 240);
    // Outside the rectangles nothing is drawn; edges are half-open.
    EXPECT_EQ(0, at(110, 60, 0) + at(110, 60, 2));
    EXPECT_EQ(0, at(60, 110, 0) + at(60, 110, 2));
    // Single colour.
    EXPECT_GT(at(60, 249, 0), 240);
    EXPECT_EQ(0, at(60, 249, 1));
}

TEST_F(RenderTest, FramesDrawTheTopEdgeInTheFirstColourAndLeaveTheInside) {
    render.setColors(red, blue);
    render.frameRect(Rect(20, 20, 60, 50));
    readPixels();
    EXPECT_GT(at(40, 20, 0), 200);  // top edge, first colour
    EXPECT_GT(at(40, 49, 2), 200);  // bottom edge, second colour
    EXPECT_GT(at(20, 35, 0) + at(20, 35, 2), 200); // left edge
    EXPECT_GT(at(59, 35, 0) + at(59, 35, 2), 200); // right edge
    EXPECT_EQ(0, at(40, 35, 0) + at(40, 35, 2));   // inside
    EXPECT_EQ(0, at(40, 19, 0) + at(40, 50, 2));   // outside
}

TEST_F(RenderTest, EllipsesFillTheirRectangleAndCountSegmentsFromTheSize) {
    EXPECT_EQ(6, Render::ellipseSegments(Rect(0, 0, 2, 2)));
    EXPECT_EQ(251, Render::ellipseSegments(Rect(0, 0, 100, 60)));
    EXPECT_EQ(3, Render::ellipseSegments(Rect(0, 0, 0.5f, 0.5f)));
    // Sizes from a layout file beyond any window: a bounded count, no out-of-range conversion.
    EXPECT_EQ(8192, Render::ellipseSegments(Rect(0, 0, 1e30f, 1e30f)));
    EXPECT_EQ(3, Render::ellipseSegments(Rect(0, 0, NAN, 1)));
    render.setColors(white, blue);
    render.fillEllipse(Rect(100, 100, 200, 160));
    render.fillEllipse(Rect(10, 300, 50, 340), 2); // below 3 segments: a triangle
    readPixels();
    EXPECT_GT(at(150, 130, 1), 240); // centre, first colour
    EXPECT_GT(at(101, 130, 1), 100); // left rim
    EXPECT_GT(at(150, 101, 1), 100); // top rim
    EXPECT_EQ(0, at(103, 103, 1));   // corner of the rectangle
    EXPECT_EQ(0, at(197, 157, 1));
    EXPECT_GT(at(30, 320, 1), 240);  // the triangle covers its centre
}

TEST_F(RenderTest, ScissorsTurnIntoTheBottomLeftOriginAndClampWhenInsideOut) {
    int box[4];
    render.setScissor(10, 20, 110, 70);
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(10, box[0]);
    EXPECT_EQ(530, box[1]);
    EXPECT_EQ(100, box[2]);
    EXPECT_EQ(50, box[3]);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    render.setScissor(10, 20, 110, -1);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));

    // A dropdown narrower than its height, clipped on its left: no GL error, nothing drawn.
    EXPECT_NO_THROW(render.setScissor(50, 10, 40, 5));
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(0, box[2]);
    EXPECT_EQ(0, box[3]);
    render.setColors(red, red);
    render.fillRect(Rect(0, 0, 320, 600), 0);
    render.setScissor(0, 0, 0, -1);
    readPixels();
    EXPECT_EQ(0, at(45, 7, 0));
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());

    // A control placed beyond int's range by its layout: a box that still covers the window's part.
    render.scissorBox(10, 20, 1e30f, 70, box);
    EXPECT_EQ(10, box[0]);
    EXPECT_GT(box[2], 320);
    render.scissorBox(-1e30f, 20, 100, 70, box);
    EXPECT_LT(box[0], 0);
    EXPECT_GT(box[2], 100);
}

TEST_F(RenderTest, TextIsClippedByTheScissor) {
    render.setColors(white, white);
    const float w = render.textWidth("HHHHHH");
    render.setScissor(0, 0, 160, 600); // the left half of the text only
    render.drawText("HHHHHH", 160, 300);
    render.setScissor(0, 0, 0, -1);
    readPixels();
    auto ink = inkColumns(290, 310);
    EXPECT_EQ(160 - static_cast<int>(w) / 2 + 1, ink.first);
    EXPECT_LE(ink.second, 159);
    EXPECT_GE(ink.second, 155);
}
