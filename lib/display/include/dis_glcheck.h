#pragma once
// The GL error check that follows every GL statement.

namespace norvane {
namespace display {

// Takes one error from GL. No error gives 0; a known error throws an Exception naming the
// source file, the line and the statement text; any other code is returned (and so consumed).
int checkGLError(const char* file, int line, const char* statement);

} // namespace display
} // namespace norvane

// Runs one GL statement and checks it with its own text.
#define DIS_GL(statement)                                                                             \
    do {                                                                                              \
        statement;                                                                                    \
        ::norvane::display::checkGLError(__FILE__, __LINE__, #statement);                             \
    } while (0)

// A checkpoint after a block of GL work.
#define DIS_GL_STATUS() ::norvane::display::checkGLError(__FILE__, __LINE__, "Checking status")
