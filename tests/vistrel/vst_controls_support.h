#pragma once
// Support for the tests of the editor's controls: a GUI root on a real window under the shared X
// server, layouts written to a directory of their own, window-system input (pointer, buttons,
// wheel, keys) and pixels read back after a drawn frame.

#include "vst_gl_support.h"
#include "vst_test_support.h"

#include "vst_vistrel.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace vsttest {

using norvane::vistrel::Vistrel;

// Window input as the window system delivers it, with drags.
struct Input : WindowInput {
    // A left drag from one point to another in steps, released at the end.
    void drag(double x0, double y0, double x1, double y1, int steps = 4) const {
        cursor(x0, y0);
        button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
        for (int i = 1; i <= steps; ++i)
            cursor(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
        button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    }
};

class ControlsTest : public GLTest {
protected:
    void SetUp() override {
        registerBox();
        char tmpl[] = "/tmp/vistrel_controls_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        open(width(), height());
        archives->addArchive(dir);
        root.reset(new Vistrel(display.get()));
        input = Input(); // the window is current now
    }
    void TearDown() override {
        root.reset();
        GLTest::TearDown();
        std::system(("rm -rf '" + dir + "'").c_str());
    }
    virtual int width() const { return 400; }
    virtual int height() const { return 300; }

    // Writes the workspace's controls (the text inside "child") as a layout and loads it.
    void loadControls(const std::string& controls, const std::string& style = "") {
        std::string styleAttr;
        if (!style.empty()) {
            std::ofstream(dir + "/style.xml") << "<vistrel>" << style << "</vistrel>";
            styleAttr = " style='style.xml'";
        }
        std::ofstream(dir + "/layout.xml") << "<vistrel><workspace" << styleAttr << "><child>" << controls
                                           << "</child></workspace></vistrel>";
        root->load("layout.xml");
    }
    template <typename T> T* get(const std::string& name) {
        return dynamic_cast<T*>(root->getWorkspace().find(name));
    }
    // Draws one frame of the GUI over a grey level (black by default) and reads it back.
    void frame(float clear = 0) {
        glClearColor(clear, clear, clear, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        root->onFrame();
        readPixels();
    }
    // Counts pixels in the rectangle for which pred(r, g, b) holds.
    template <typename Pred> int countPixels(int x0, int y0, int x1, int y1, Pred pred) const {
        int n = 0;
        for (int y = std::max(0, y0); y <= std::min(y1, display->getHeight() - 1); ++y)
            for (int x = std::max(0, x0); x <= std::min(x1, display->getWidth() - 1); ++x)
                n += pred(at(x, y, 0), at(x, y, 1), at(x, y, 2)) ? 1 : 0;
        return n;
    }
    std::string dir;
    std::unique_ptr<Vistrel> root;
    Input input;
};

inline bool finite(const Rect& r) {
    return std::isfinite(r.x1) && std::isfinite(r.y1) && std::isfinite(r.x2) && std::isfinite(r.y2);
}

} // namespace vsttest
