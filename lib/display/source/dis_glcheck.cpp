// The GL error check.

#include "dis_glcheck.h"

#include "nvn_system.h"

#include <GL/glew.h>

namespace norvane {
namespace display {

namespace {

struct GLErrorName {
    GLenum code;
    const char* name;
};

const GLErrorName errorNames[] = {
    {0x0000, "GL_NO_ERROR"},          {0x0500, "GL_INVALID_ENUM"},   {0x0501, "GL_INVALID_VALUE"},
    {0x0502, "GL_INVALID_OPERATION"}, {0x0503, "GL_STACK_OVERFLOW"}, {0x0504, "GL_STACK_UNDERFLOW"},
    {0x0505, "GL_OUT_OF_MEMORY"},     {0x8031, "GL_TABLE_TOO_LARGE"},
};

} // namespace

int checkGLError(const char* file, int line, const char* statement) {
    const GLenum code = glGetError();
    if (code == GL_NO_ERROR) {
        return 0;
    }
    // The first entry, GL_NO_ERROR, is never matched.
    for (size_t i = 1; i < sizeof(errorNames) / sizeof(errorNames[0]); ++i) {
        if (errorNames[i].code == code) {
            throw Exception("GL-error at [%d] %s\nLine: %s\nError: '%s'\n", line, file, statement, errorNames[i].name);
        }
    }
    return static_cast<int>(code);
}

} // namespace display
} // namespace norvane
