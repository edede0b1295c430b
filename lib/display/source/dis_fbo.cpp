#include "dis_fbo.h"

#include "dis_rescheck.h"
#include "dis_texture.h"
#include "nvn_system.h"

#include <cstdio>

namespace norvane {
namespace display {

FBO::FBO(DisplayGL* display)
    : Resource(display, 0), mScreenX(-1), mScreenY(-1), mFrameBuffer(0), mDepthTexture(0), mInited(false),
      mBound(false), mHasDepth(false), mPreviousFrameBuffer(0), mContextId(-1) {}

FBO::~FBO() {
    // Only names of the current context generation are ours to delete; those of a dead context
    // are forgotten (the same numbers may belong to other objects now).
    if (mInited && mContextId == contextGeneration()) {
        if (mBound) unbind();
        if (mDepthTexture != 0) glDeleteRenderbuffersEXT(1, &mDepthTexture);
        if (mFrameBuffer != 0) glDeleteFramebuffersEXT(1, &mFrameBuffer);
        try {
            DIS_CHECK("glDeleteFramebuffersEXT(1, &mFrameBuffer)");
        } catch (const Exception&) {
            // Already logged by the exception; a destructor must not throw.
        }
    }
    mAttachments.clear();
}

void FBO::setSize(int width, int height, bool depth) {
    if (mInited) return;
    mScreenX = width;
    mScreenY = height;
    mHasDepth = depth;
}

void FBO::forceSize(Texture* texture) const {
    if (mScreenX != -1) texture->mWidth = mScreenX;
    if (mScreenY != -1) texture->mHeight = mScreenY;
}

void FBO::attach(GLenum attachment, Texture* texture) {
    forceSize(texture);
    mAttachments.push_back(Attachment{attachment, texture});
}

void FBO::setup() {
    if (mInited) return;
    if (!hasExtension("GL_EXT_framebuffer_object"))
        throw Exception("Display::FBO; Render Targets not supported [GL_EXT_framebuffer_object]");

    mBound = false;
    // Made while another target is bound (a nested target's first bind): that one stays bound.
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previous);
    DIS_CHECK("glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previous)");
    glGenFramebuffersEXT(1, &mFrameBuffer);
    DIS_CHECK("glGenFramebuffersEXT(1, &mFrameBuffer)");
    try {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, mFrameBuffer);
        DIS_CHECK("glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, mFrameBuffer)");
        for (const Attachment& e : mAttachments) {
            forceSize(e.texture);
            e.texture->mMipmaps = false;
            e.texture->bind();
            e.texture->unbind();
            // A target given no size of its own renders at the size of its first texture.
            if (mScreenX == -1) mScreenX = e.texture->mWidth;
            if (mScreenY == -1) mScreenY = e.texture->mHeight;
            glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, e.attachment, e.texture->mTarget, e.texture->mTexture, 0);
            DIS_CHECK("glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, e.attachment, e.texture->mTarget, "
                      "e.texture->mTexture, 0)");
        }
        if (mHasDepth) {
            glGenRenderbuffersEXT(1, &mDepthTexture);
            DIS_CHECK("glGenRenderbuffersEXT(1, &mDepthTexture)");
            glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, mDepthTexture);
            DIS_CHECK("glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, mDepthTexture)");
            glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, mScreenX, mScreenY);
            DIS_CHECK("glRenderbufferStorageEXT( GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, mScreenX, mScreenY )");
            glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                         mDepthTexture);
            DIS_CHECK("glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, "
                      "GL_RENDERBUFFER_EXT, mDepthTexture)");
        }
        checkStatus();
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, previous);
        DIS_CHECK("glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, previous)");
    } catch (...) {
        // A framebuffer is made whole or not at all.
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, previous);
        if (mDepthTexture != 0) glDeleteRenderbuffersEXT(1, &mDepthTexture);
        glDeleteFramebuffersEXT(1, &mFrameBuffer);
        mDepthTexture = 0;
        mFrameBuffer = 0;
        throw;
    }
    mContextId = contextGeneration();
    mInited = true;
}

void FBO::checkStatus() {
    const GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    switch (status) {
    case GL_FRAMEBUFFER_COMPLETE_EXT:
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT:
        printf("Framebuffer incomplete, missing attachment\n");
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT:
        printf("Framebuffer incomplete, attached images must have same dimensions\n");
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT:
        printf("Framebuffer incomplete, attached images must have same format\n");
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT:
        printf("Framebuffer incomplete, missing draw buffer\n");
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT:
        printf("Framebuffer incomplete, missing read buffer\n");
        break;
    case GL_FRAMEBUFFER_UNSUPPORTED_EXT:
        printf("Unsupported framebuffer format\n");
        break;
    default:
        // Any other answer (an attachment GL cannot render into, say) is incomplete too.
        printf("Framebuffer incomplete, status 0x%04x\n", status);
        break;
    }
    fflush(stdout);
}

void FBO::bind() {
    if (mInited && mContextId != contextGeneration()) {
        printf("Reloading fbo\n");
        fflush(stdout);
        mInited = false;
        mFrameBuffer = 0; // the old names died with the old context
        mDepthTexture = 0;
        mBound = false;
    }
    if (!mInited) setup();
    if (mBound) return;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &mPreviousFrameBuffer);
    DIS_CHECK("glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &mPreviousFrameBuffer)");
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, mFrameBuffer);
    DIS_CHECK("glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, mFrameBuffer)");
    glPushAttrib(GL_VIEWPORT_BIT);
    DIS_CHECK("glPushAttrib(GL_VIEWPORT_BIT)");
    glViewport(0, 0, mScreenX, mScreenY);
    DIS_CHECK("glViewport(0, 0, mScreenX, mScreenY)");
    mBound = true;
}

void FBO::unbind() {
    if (!mInited || !mBound) return;
    glPopAttrib();
    DIS_CHECK("glPopAttrib()");
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, mPreviousFrameBuffer);
    DIS_CHECK("glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, mPreviousFrameBuffer)");
    mBound = false;
}

} // namespace display
} // namespace norvane
