// The vertex and index buffers made current on the display, and drawing from them.

#include "dis_display.h"

#include "dis_glcheck.h"

#include <GL/glew.h>

#if __has_include("dis_vbo.h") && __has_include("dis_ibo.h")
#include "dis_ibo.h"
#include "dis_vbo.h"
#define DIS_HAVE_BUFFERS 1
#else
#define DIS_HAVE_BUFFERS 0
#endif

namespace norvane {
namespace display {

#if DIS_HAVE_BUFFERS

void DisplayGL::setVBO(VBO* vbo) {
    if (vbo == mCurrentVBO) {
        return;
    }
    if (mCurrentVBO) {
        mCurrentVBO->unbind();
    }
    mCurrentVBO = vbo;
    if (mCurrentVBO) {
        mCurrentVBO->bind();
    }
}

void DisplayGL::setIBO(IBO* ibo) {
    if (ibo == mCurrentIBO) {
        return;
    }
    if (mCurrentIBO) {
        mCurrentIBO->unbind();
    }
    mCurrentIBO = ibo;
    if (mCurrentIBO) {
        mCurrentIBO->bind();
    }
}

void DisplayGL::draw(int mode, int firstIndex, int numIndices, int firstVertex, int numVertices) {
    if (firstIndex != -1) {
        DIS_GL(glDrawElements(mode, numIndices, mCurrentIBO->mIndexType, mCurrentIBO->getPointerGL(firstIndex)));
    } else if (mCurrentIBO) {
        DIS_GL(glDrawElements(mode, mCurrentIBO->getSize(), mCurrentIBO->mIndexType, mCurrentIBO->getPointerGL(0)));
    } else if (firstVertex == -1) {
        DIS_GL(glDrawArrays(mode, 0, mCurrentVBO->getSize()));
    } else {
        DIS_GL(glDrawArrays(mode, firstVertex, numVertices));
    }
}

#else

// Until the buffer classes are part of the library nothing but "no buffer" can be made current.
void DisplayGL::setVBO(VBO* vbo) { mCurrentVBO = vbo; }
void DisplayGL::setIBO(IBO* ibo) { mCurrentIBO = ibo; }

void DisplayGL::draw(int mode, int, int, int firstVertex, int numVertices) {
    DIS_GL(glDrawArrays(mode, firstVertex, numVertices));
}

#endif

} // namespace display
} // namespace norvane
