#pragma once
// The GL error check after a statement of the resource classes, with this file, line and the
// statement's text as written at the call site.

#include "dis_glcheck.h"

#define DIS_CHECK(statement) ::norvane::display::checkGLError(__FILE__, __LINE__, statement)
