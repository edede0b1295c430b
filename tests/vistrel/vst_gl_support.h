#pragma once
// GL test support: a real window under the shared X server with archives that hold the glyph
// image, and pixels read back from the back buffer.

#include "../support/glfw_input.h"
#include "am_archivemanager.h"
#include "am_image.h"
#include "dis_display.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace vsttest {

class GLTest : public ::testing::Test {
protected:
    void TearDown() override {
        display.reset();
        archives.reset();
    }

    norvane::display::DisplayGL& open(int width, int height) {
        norvane::display::WindowMode mode;
        mode.title = "vistrel test";
        mode.width = width;
        mode.height = height;
        display.reset(new norvane::display::DisplayGL(mode));
        display->open();
        archives.reset(new norvane::am::ArchiveManager());
        archives->addArchive(VISTREL_TEST_ASSETS);
        display->setArchive(archives.get());
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        return *display;
    }

    // RGBA of the whole back buffer, top row first.
    std::vector<unsigned char> readPixels() {
        int w = display->getWidth(), h = display->getHeight();
        std::vector<unsigned char> gl(static_cast<size_t>(w) * h * 4);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, gl.data());
        std::vector<unsigned char> top(gl.size());
        for (int y = 0; y < h; ++y)
            std::copy(gl.begin() + static_cast<long>(h - 1 - y) * w * 4, gl.begin() + static_cast<long>(h - y) * w * 4,
                      top.begin() + static_cast<long>(y) * w * 4);
        pixels = top;
        return top;
    }
    // One channel (0 red .. 3 alpha) of the pixel at window coordinates (x, y), top-left origin.
    int at(int x, int y, int channel) const {
        return pixels[(static_cast<size_t>(y) * display->getWidth() + x) * 4 + channel];
    }
    // Columns in rows y0..y1 whose red exceeds 128: first and last, or -1, -1.
    std::pair<int, int> inkColumns(int y0, int y1, int x0 = 0, int x1 = -1) const {
        if (x1 < 0)
            x1 = display->getWidth() - 1;
        int first = -1, last = -1;
        for (int x = x0; x <= x1; ++x) {
            for (int y = y0; y <= y1; ++y) {
                if (at(x, y, 0) > 128) {
                    if (first < 0)
                        first = x;
                    last = x;
                    break;
                }
            }
        }
        return {first, last};
    }
    // Writes the last frame read back as a PNG into the directory named by VISTREL_SHOT_DIR, when
    // it is set: screenshots for a person to look at.
    void shot(const std::string& name) const {
        const char* shots = std::getenv("VISTREL_SHOT_DIR");
        if (!shots)
            return;
        const int w = display->getWidth(), h = display->getHeight();
        norvane::am::Image image(new norvane::am::ImageObject(w, h));
        unsigned char* bgra = image->getWriteData();
        for (int i = 0; i < w * h; ++i) {
            bgra[i * 4 + 0] = pixels[i * 4 + 2];
            bgra[i * 4 + 1] = pixels[i * 4 + 1];
            bgra[i * 4 + 2] = pixels[i * 4 + 0];
            bgra[i * 4 + 3] = 255;
        }
        norvane::am::ArchiveManager out;
        out.addArchive(shots);
        EXPECT_TRUE(out.saveImage(name, image));
    }

    std::unique_ptr<norvane::am::ArchiveManager> archives;
    std::unique_ptr<norvane::display::DisplayGL> display;
    std::vector<unsigned char> pixels;
};

// The callbacks the display installed on the current window, called as the window system would,
// with the clicks, taps and wheel rolls the GUI tests make.
struct WindowInput : glfwtest::Glfw3Input {
    // Wheel clicks: positive rolls away from the user.
    void wheel(double clicks) const { scroll(clicks); }
    void tap(int glfwKey) const {
        key(glfwKey, GLFW_PRESS);
        key(glfwKey, GLFW_RELEASE);
    }
    void click(double x, double y, int which = GLFW_MOUSE_BUTTON_LEFT) const {
        cursor(x, y);
        button(which, GLFW_PRESS);
        button(which, GLFW_RELEASE);
    }
};

} // namespace vsttest
