// The vertex and index buffers made current on the display, and drawing from them.

#include "dis_display.h"

#include "dis_glcheck.h"

#include <GL/glew.h>

#include "dis_ibo.h"
#include "dis_vbo.h"

namespace norvane {
namespace display {

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

} // namespace display
} // namespace norvane
