#pragma once
// A real window under the test X server, an archive over a private temporary directory, and
// helpers to write test files, draw and read pixels back from the back buffer.

#include "am_archivemanager.h"
#include "dis_display.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace glres {

struct Rgba {
    int r, g, b, a;
};

inline bool near(const Rgba& p, const Rgba& q, int tolerance = 3) {
    return std::abs(p.r - q.r) <= tolerance && std::abs(p.g - q.g) <= tolerance && std::abs(p.b - q.b) <= tolerance;
}

std::ostream& operator<<(std::ostream& out, const Rgba& p);

#define EXPECT_RGB(actual, expected) EXPECT_PRED2(::glres::nearRgb, actual, expected)
inline bool nearRgb(const Rgba& p, const Rgba& q) { return near(p, q); }

class GlTest : public ::testing::Test {
protected:
    static constexpr int Size = 128; // window width and height

    void SetUp() override;
    void TearDown() override;

    // An uncached image filled by colourAt(x, y), x and y from the top left.
    static norvane::am::Image makeImage(int width, int height, const std::function<Rgba(int, int)>& colourAt);
    // Writes a PNG of that picture into the test directory (archive 0).
    void writeImage(const std::string& name, int width, int height, const std::function<Rgba(int, int)>& colourAt);
    void writeText(const std::string& name, const std::string& text);

    // Clears the back buffer to black and sets an orthographic 0..1 view over the whole window.
    void begin2D();
    // A quad from (x0, y0) to (x1, y1) in 0..1 window units with texture coordinates s0..s1, t0..t1
    // (bottom left gets (s0, t0)).
    void drawQuad(float x0, float y0, float x1, float y1, float s0 = 0, float t0 = 0, float s1 = 1, float t1 = 1);
    // The back buffer's pixel at (x, y), origin at the bottom left as in GL.
    Rgba pixel(int x, int y);
    // The pixel at the centre of window unit coordinates (u, v).
    Rgba pixelAt(float u, float v) { return pixel(static_cast<int>(u * Size), static_cast<int>(v * Size)); }
    // Writes the back buffer as <name>.png into the pictures directory, for looking at.
    void savePicture(const std::string& name);
    // Closes the window and opens a new one: a new GL context generation.
    void reopen();

    // Flips GLEW's own record of an extension, as a card without it would report; restored at TearDown.
    void pretendMissing(GLboolean& flag);

    std::string mDir;
    std::unique_ptr<norvane::am::ArchiveManager> mArchives;
    std::unique_ptr<norvane::display::DisplayGL> mDisplay;

private:
    std::vector<std::pair<GLboolean*, GLboolean>> mFlags;
};

// Runs a statement that must throw a norvane::Exception and returns its text ("" when none was thrown).
std::string thrownText(const std::function<void()>& statement);

} // namespace glres
