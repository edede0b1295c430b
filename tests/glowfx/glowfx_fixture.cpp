#include "glowfx_fixture.h"

#include "am_image.h"
#include "dis_fbo.h"
#include "tunnel.h"
#include "waxon_draw.h"

#include <filesystem>

namespace glowfx {

using namespace norvane;

std::ostream& operator<<(std::ostream& out, const Rgba& p) {
    return out << "(" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
}

void GlowFxTest::SetUp() {
    ASSERT_EQ(0, mArchives.addArchive(GLOWFX_DEMO_DIR));
    display::WindowMode mode;
    mode.title = "glowfx test";
    mode.width = Width;
    mode.height = Height;
    mDisplay.reset(new display::DisplayGL(mode));
    mDisplay->open();
    mDisplay->setArchive(&mArchives);
    WaxOnDraw::resetShared();
    Tunnel::resetShared();
    clearWindow();
}

// The display goes with the fixture, after the effects of the derived fixtures that use it.
void GlowFxTest::TearDown() {}

void GlowFxTest::clearWindow(float r, float g, float b) {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glViewport(0, 0, Width, Height);
    glClearColor(r, g, b, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

Rgba GlowFxTest::windowPixel(int x, int y) {
    unsigned char p[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Rgba{p[0], p[1], p[2], p[3]};
}

std::vector<unsigned char> GlowFxTest::readWindow() {
    std::vector<unsigned char> pixels(static_cast<size_t>(Width) * Height * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, Width, Height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

Rgba GlowFxTest::targetPixel(RenderTarget* target, int x, int y) {
    unsigned char p[4] = {};
    target->fbo->bind();
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    target->fbo->unbind();
    glReadBuffer(GL_BACK);
    return Rgba{p[0], p[1], p[2], p[3]};
}

std::vector<int> viewport() {
    GLint v[4] = {};
    glGetIntegerv(GL_VIEWPORT, v);
    return {v[0], v[1], v[2], v[3]};
}

int framebuffer() {
    GLint binding = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
    return binding;
}

void GlowFxTest::savePicture(const std::string& name) {
    std::filesystem::create_directories(GLOWFX_PICTURES_DIR);
    am::ArchiveManager pictures;
    pictures.addArchive(GLOWFX_PICTURES_DIR);
    am::Image image(new am::ImageObject(Width, Height));
    glReadBuffer(GL_BACK);
    mDisplay->grabScreen(image);
    EXPECT_TRUE(pictures.saveImage(name + ".png", image)) << name;
}

int occurrences(const std::string& text, const std::string& needle) {
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++n;
    return n;
}

} // namespace glowfx
