#pragma once
// A render target: a GL framebuffer object with textures as colour attachments and an optional
// depth renderbuffer. Binding saves the framebuffer and viewport that were current and unbinding
// restores them, so targets nest. Made at the first bind and again after a context change.

#include "dis_resource.h"

#include <GL/glew.h>

#include <vector>

namespace norvane {
namespace display {

class Texture;

class FBO : public Resource {
public:
    struct Attachment {
        GLenum attachment; // GL_COLOR_ATTACHMENT0_EXT, ...
        Texture* texture;  // not owned
    };

    explicit FBO(DisplayGL* display);
    ~FBO() override;

    // Size and depth buffer; ignored once the framebuffer exists.
    void setSize(int width, int height, bool depth);
    // The texture takes the framebuffer's size; it should not have made its GL texture yet.
    void attach(GLenum attachment, Texture* texture);
    void setup();
    void bind();
    void unbind();
    // Prints a line for an incomplete framebuffer.
    void checkStatus();

    bool isInited() const { return mInited; }
    bool isBound() const { return mBound; }

    int mScreenX;
    int mScreenY;
    GLuint mFrameBuffer;
    GLuint mDepthTexture;

private:
    void forceSize(Texture* texture) const;

    std::vector<Attachment> mAttachments;
    bool mInited;
    bool mBound;
    bool mHasDepth;
    GLint mPreviousFrameBuffer;
    int mContextId;
};

} // namespace display
} // namespace norvane
