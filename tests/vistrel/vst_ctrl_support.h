#pragma once
// Support for the control tests: a GUI root on a real window with a layout written from text,
// window-system input (pointer, buttons, keys, characters, wheel) and frames read back.

#include "vst_gl_support.h"
#include "vst_test_support.h"

#include "vst_vistrel.h"

#include "am_image.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace vsttest {

// Window-system input beyond what WindowInput sends.
struct CtrlInput : WindowInput {
    void type(const std::string& text) const {
        for (char c : text)
            character(static_cast<unsigned char>(c));
    }
    void press(double x, double y, int which = GLFW_MOUSE_BUTTON_LEFT) const {
        cursor(x, y);
        button(which, GLFW_PRESS);
    }
    void release(double x, double y, int which = GLFW_MOUSE_BUTTON_LEFT) const {
        cursor(x, y);
        button(which, GLFW_RELEASE);
    }
};

class CtrlTest : public GLTest {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/vistrel_ctrl_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
    }
    void TearDown() override {
        root.reset();
        GLTest::TearDown();
        std::system(("rm -rf '" + dir + "'").c_str());
    }

    // Opens a window and loads the layout (with an optional style file "style.xml").
    void start(int width, int height, const std::string& layout, const std::string& style = std::string()) {
        std::ofstream(dir + "/layout.xml") << layout;
        if (!style.empty())
            std::ofstream(dir + "/style.xml") << style;
        open(width, height);
        archives->addArchive(dir);
        input.window = glfwGetCurrentContext();
        root.reset(new norvane::vistrel::Vistrel(display.get()));
        root->load("layout.xml");
        // Moves before any press: the root makes no event for a first move to (0, 0).
        input.cursor(1, 1);
    }
    // A workspace with the given control tags as its children.
    static std::string layoutOf(const std::string& children) {
        return "<vistrel><workspace><child>" + children + "</child></workspace></vistrel>";
    }
    template <typename T> T* get(const std::string& name) {
        T* control = dynamic_cast<T*>(root->getWorkspace().find(name));
        EXPECT_NE(nullptr, control) << name;
        return control;
    }
    // Draws a frame over a black background and reads it back.
    void frame() {
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        root->onFrame();
        readPixels();
    }
    // Red, green, blue of a pixel.
    struct RGB {
        int r, g, b;
    };
    RGB rgb(int x, int y) const { return RGB{at(x, y, 0), at(x, y, 1), at(x, y, 2)}; }
    // Pixels in a box whose red exceeds the threshold.
    int countRed(int x1, int y1, int x2, int y2, int threshold = 128) const {
        int n = 0;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x)
                n += at(x, y, 0) > threshold;
        return n;
    }
    // First and last columns in x0..x1 with a pixel in rows y0..y1 whose red is below the
    // threshold (dark ink on a light face), or -1, -1.
    std::pair<int, int> darkColumns(int y0, int y1, int x0, int x1, int threshold = 100) const {
        int first = -1, last = -1;
        for (int x = x0; x <= x1; ++x) {
            for (int y = y0; y <= y1; ++y) {
                if (at(x, y, 0) < threshold) {
                    if (first < 0)
                        first = x;
                    last = x;
                    break;
                }
            }
        }
        return {first, last};
    }
    std::string dir;
    std::unique_ptr<norvane::vistrel::Vistrel> root;
    CtrlInput input;
};

} // namespace vsttest
