#pragma once
// A GL buffer object (vertices or indices), or a block of ordinary memory standing in for one
// when the card lacks GL_ARB_vertex_buffer_object, so the same drawing code runs either way.

#include "dis_resource.h"

#include <GL/glew.h>

namespace norvane {
namespace display {

class BufferObject : public Resource {
public:
    explicit BufferObject(DisplayGL* display);
    ~BufferObject() override;

    // Fills a new buffer of count entities of entitySize bytes (data may be null: undefined contents).
    void setup(GLenum target, int entitySize, int count, const void* data);
    // The contents for reading or writing until unlock; a real buffer must be bound.
    void* lock(bool write, bool read);
    void unlock();
    // Overwrites count entities from entity first; a range outside the buffer throws.
    void replace(int first, int count, const void* data);

    virtual void bind();
    virtual void unbind();
    // Unlocks, unbinds and frees the storage.
    virtual void release();

    int getSize() const { return mCount; }
    // The pointer (memory stand-in) or offset (GL buffer) of entity index, to hand to GL.
    const void* getPointerGL(int index) const;
    bool isEmulated() const { return mEmulation != nullptr; }
    bool isBound() const { return mBound; }
    bool isLocked() const { return mLocked; }

    int mEntitySize;
    GLuint mID;
    GLenum mTarget;

protected:
    GLenum usageGL() const;
    // Throws unless entities first to first + count - 1 lie inside the buffer.
    void checkRange(int first, int count) const;

    int mCount;
    bool mBound;
    bool mLocked;
    unsigned char* mEmulation;
    int mContextId; // the display's context generation when the GL buffer was made
};

} // namespace display
} // namespace norvane
