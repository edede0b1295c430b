// Reading the frame buffer into an image.

#include "dis_display.h"

#include "am_image.h"
#include "dis_glcheck.h"
#include "nvn_system.h"

#include <GL/glew.h>

#include <algorithm>

namespace norvane {
namespace display {

void DisplayGL::grabScreen(am::Image& image) {
    // Present, writable and of the window's size: anything else would be written out of bounds.
    am::ImageObject& target = *image.operator->();
    unsigned char* pixels = target.getWriteData();
    const int width = mWindowMode.width, height = mWindowMode.height;
    if (target.getWidth() != width || target.getHeight() != height) {
        throw Exception("DisplayGL::grabScreen; The image is %dx%d pixels but the window is %dx%d", target.getWidth(),
                        target.getHeight(), width, height);
    }
    if (!mOpen) {
        throw Exception("DisplayGL::grabScreen; No window is open");
    }
    if (width <= 0 || height <= 0) {
        return;
    }
    DIS_GL(glPixelStorei(GL_PACK_ALIGNMENT, 4));
    DIS_GL(glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels));
    const size_t stride = static_cast<size_t>(width) * 4;
    const size_t size = stride * static_cast<size_t>(height);
    for (size_t i = 3; i < size; i += 4) {
        pixels[i] = 255;
    }
    // GL gives the bottom row first; images hold the top row first.
    for (int row = 0; row < height / 2; ++row) {
        unsigned char* upper = pixels + stride * static_cast<size_t>(row);
        unsigned char* lower = pixels + stride * static_cast<size_t>(height - 1 - row);
        std::swap_ranges(upper, upper + stride, lower);
    }
}

} // namespace display
} // namespace norvane
