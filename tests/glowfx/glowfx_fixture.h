#pragma once
// A real window under the test X server whose archive is the sample demo in the build tree (the
// glow and wall shaders and the banner image), and helpers to read pixels back before the swap.

#include "am_archivemanager.h"
#include "dis_display.h"
#include "effect_shared.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace glowfx {

struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
std::ostream& operator<<(std::ostream& out, const Rgba& p);

// The current viewport and framebuffer.
std::vector<int> viewport();
int framebuffer();

class GlowFxTest : public ::testing::Test {
protected:
    static constexpr int Width = 160;
    static constexpr int Height = 96;

    void SetUp() override;
    void TearDown() override;

    // Clears the window's back buffer (colour and depth).
    void clearWindow(float r = 0, float g = 0, float b = 0);
    // The window's pixel at (x, y), origin bottom left.
    Rgba windowPixel(int x, int y);
    // The whole back buffer, RGBA rows from the bottom.
    std::vector<unsigned char> readWindow();
    // The pixel of a render target's colour image.
    Rgba targetPixel(RenderTarget* target, int x, int y);
    // Writes the back buffer as pictures/<name>.png, for looking at.
    void savePicture(const std::string& name);

    norvane::am::ArchiveManager mArchives;
    std::unique_ptr<norvane::display::DisplayGL> mDisplay;
    EffectShared mShared;
};

// Everything written to standard output while the statement ran.
template <typename Statement> std::string printedBy(Statement statement) {
    ::testing::internal::CaptureStdout();
    statement();
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

// How often needle occurs in text.
int occurrences(const std::string& text, const std::string& needle);

} // namespace glowfx
