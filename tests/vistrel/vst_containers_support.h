#pragma once
// Support for the tests of the containers, windows, tree views and the stand-alone curve editor:
// the controls test fixture with single and double clicks kept apart, and colour probes.

#include "vst_controls_support.h"

#include <string>

namespace vsttest {

class ContainersTest : public ControlsTest {
protected:
    // Draws one frame of the GUI over black and reads it back. The whole window is cleared: the
    // last frame leaves scissoring on, and a scissored clear would keep its pixels elsewhere.
    void frame() {
        glDisable(GL_SCISSOR_TEST);
        ControlsTest::frame();
    }
    // Moves the window library's clock on, so that the next press is not taken for the second
    // half of a double click.
    void later() { glfwSetTime(glfwGetTime() + 2.0); }
    // A single left click at (x, y).
    void click(double x, double y, int which = GLFW_MOUSE_BUTTON_LEFT) {
        later();
        input.click(x, y, which);
    }
    // Two left clicks at (x, y) close enough in time, with no motion between them, to count as
    // a double click.
    void doubleClick(double x, double y) {
        later();
        input.click(x, y);
        input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
        input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    }
    // A colour probe: true when the pixel is close to (r, g, b).
    bool near(int x, int y, int r, int g, int b, int tolerance = 12) const {
        return std::abs(at(x, y, 0) - r) <= tolerance && std::abs(at(x, y, 1) - g) <= tolerance &&
               std::abs(at(x, y, 2) - b) <= tolerance;
    }
    std::string describe(int x, int y) const {
        return "(" + std::to_string(x) + ", " + std::to_string(y) + ") is " + std::to_string(at(x, y, 0)) + " " +
               std::to_string(at(x, y, 1)) + " " + std::to_string(at(x, y, 2));
    }
    // A solid frame of one colour at the given area, as a layout tag.
    static std::string frameTag(const std::string& id, const std::string& rgb, const std::string& area,
                                const std::string& tag = "frame") {
        return "<" + tag + " id='" + id + "'>" + area + "<color name='back.color' first='" + rgb + "' second='" + rgb +
               "'/><color name='back.border' first='" + rgb + "' second='" + rgb + "'/></" + tag + ">";
    }
};

} // namespace vsttest
