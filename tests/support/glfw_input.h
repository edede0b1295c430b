#pragma once
// Window input for the GL tests: the callbacks the display's adapter installed on the current
// window, called as GLFW 3 would call them when the window system delivers input.

#include <GL/glew.h>
// After GLEW, which must come before any other GL header.
#include <GLFW/glfw3.h>

namespace glfwtest {

struct Glfw3Input {
    GLFWwindow* window = glfwGetCurrentContext();

    template <typename Fun> Fun installed(Fun (*setter)(GLFWwindow*, Fun)) const {
        Fun fun = setter(window, nullptr);
        setter(window, fun);
        return fun;
    }
    // The scancode stands for the physical key; by default one per key code.
    void key(int key, int action, int scancode = -1) const {
        installed(glfwSetKeyCallback)(window, key, scancode < 0 ? 1000 + key : scancode, action, 0);
    }
    void press(int key) const { this->key(key, GLFW_PRESS); }
    void release(int key) const { this->key(key, GLFW_RELEASE); }
    void character(unsigned int codepoint) const { installed(glfwSetCharCallback)(window, codepoint); }
    void cursor(double x, double y) const { installed(glfwSetCursorPosCallback)(window, x, y); }
    void button(int button, int action) const { installed(glfwSetMouseButtonCallback)(window, button, action, 0); }
    void scroll(double yOffset) const { installed(glfwSetScrollCallback)(window, 0.0, yOffset); }
    void closeBox() const { installed(glfwSetWindowCloseCallback)(window); }
    void iconify(bool iconified) const {
        installed(glfwSetWindowIconifyCallback)(window, iconified ? GLFW_TRUE : GLFW_FALSE);
    }
};

} // namespace glfwtest
