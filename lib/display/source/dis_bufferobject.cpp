#include "dis_bufferobject.h"

#include "dis_rescheck.h"
#include "nvn_system.h"

#include <cstdint>
#include <cstring>

namespace norvane {
namespace display {

namespace {

// Binds a GL buffer for one operation when its owner has not bound it, and gives the target back
// to whatever buffer held it before, so the operation reaches this buffer and no other.
class BindForCall {
public:
    BindForCall(GLenum target, GLuint id, bool bound) : mTarget(target), mActive(!bound) {
        if (!mActive) return;
        glGetIntegerv(target == GL_ELEMENT_ARRAY_BUFFER_ARB ? GL_ELEMENT_ARRAY_BUFFER_BINDING_ARB
                                                             : GL_ARRAY_BUFFER_BINDING_ARB,
                      &mPrevious);
        glBindBufferARB(target, id);
        DIS_CHECK("glBindBufferARB(mTarget, mID)");
    }
    ~BindForCall() {
        if (mActive) glBindBufferARB(mTarget, static_cast<GLuint>(mPrevious));
    }
    BindForCall(const BindForCall&) = delete;
    BindForCall& operator=(const BindForCall&) = delete;

private:
    GLenum mTarget;
    bool mActive;
    GLint mPrevious = 0;
};

} // namespace

BufferObject::BufferObject(DisplayGL* display)
    : Resource(display, 0), mEntitySize(0), mID(0), mTarget(GL_ARRAY_BUFFER_ARB), mCount(0), mBound(false),
      mLocked(false), mEmulation(nullptr), mContextId(-1) {
    BufferObject::release();
}

BufferObject::~BufferObject() {
    try {
        BufferObject::release();
    } catch (const Exception&) {
        // Already logged by the exception; a destructor must not throw.
    }
}

GLenum BufferObject::usageGL() const {
    if (mUsage == 1) return GL_STREAM_DRAW_ARB;
    if (mUsage == 2) return GL_DYNAMIC_DRAW_ARB;
    return GL_STATIC_DRAW_ARB;
}

void BufferObject::setup(GLenum target, int entitySize, int count, const void* data) {
    mEntitySize = entitySize;
    mCount = count;
    mTarget = target;
    const size_t bytes = static_cast<size_t>(entitySize) * static_cast<size_t>(count);
    if (!hasExtension("GL_ARB_vertex_buffer_object")) {
        mEmulation = new unsigned char[bytes > 0 ? bytes : 1];
        if (data) std::memcpy(mEmulation, data, bytes);
        return;
    }
    const GLenum usage = usageGL();
    const int numEntities = count;
    mContextId = contextGeneration();
    glGenBuffersARB(1, &mID);
    DIS_CHECK("glGenBuffersARB( 1, &mID )");
    glBindBufferARB(mTarget, mID);
    DIS_CHECK("glBindBufferARB( mTarget, mID )");
    glBufferDataARB(mTarget, static_cast<GLsizeiptrARB>(mEntitySize) * numEntities, data, usage);
    DIS_CHECK("glBufferDataARB( mTarget, mEntitySize*numEntities, data, usage )");
    glBindBufferARB(mTarget, 0);
    DIS_CHECK("glBindBufferARB( mTarget, 0)");
}

void* BufferObject::lock(bool write, bool read) {
    mLocked = true;
    if (mEmulation) return mEmulation;
    const GLenum access = !write ? GL_READ_ONLY_ARB : (read ? GL_READ_WRITE_ARB : GL_WRITE_ONLY_ARB);
    BindForCall binding(mTarget, mID, mBound);
    void* res = glMapBufferARB(mTarget, access);
    DIS_CHECK("res=glMapBuffer(mTarget, access)");
    return res;
}

void BufferObject::unlock() {
    if (!mEmulation) {
        BindForCall binding(mTarget, mID, mBound);
        if (glUnmapBufferARB(mTarget) != GL_TRUE) NVN_LOG("warning", "display", "Buffer object corrupted?!");
    }
    mLocked = false;
}

void BufferObject::checkRange(int first, int count) const {
    // A range beyond the end would write past the memory stand-in; GL refuses it for a real buffer.
    if (first < 0 || count < 0 || first > mCount || count > mCount - first)
        throw Exception("BufferObject::replace; entities %d to %d lie outside the buffer of %d entities", first,
                        first + count, mCount);
}

void BufferObject::replace(int first, int count, const void* data) {
    checkRange(first, count);
    if (count == 0) return;
    if (mEmulation) {
        std::memcpy(mEmulation + static_cast<size_t>(first) * mEntitySize, data,
                    static_cast<size_t>(count) * mEntitySize);
        return;
    }
    const int firstEntity = first, numEntities = count;
    BindForCall binding(mTarget, mID, mBound);
    glBufferSubDataARB(mTarget, static_cast<GLintptrARB>(firstEntity) * mEntitySize,
                       static_cast<GLsizeiptrARB>(numEntities) * mEntitySize, data);
    DIS_CHECK("glBufferSubData(mTarget, firstEntity*mEntitySize, numEntities*mEntitySize, data)");
}

void BufferObject::bind() {
    if (!mEmulation) {
        glBindBufferARB(mTarget, mID);
        DIS_CHECK("glBindBufferARB(mTarget, mID)");
    }
    mBound = true;
}

void BufferObject::unbind() {
    if (!mEmulation) {
        glBindBufferARB(mTarget, 0);
        DIS_CHECK("glBindBufferARB(mTarget, 0)");
    }
    mBound = false;
}

void BufferObject::release() {
    if (mLocked) unlock();
    if (mBound) unbind();
    delete[] mEmulation;
    mEmulation = nullptr;
    // A name made under an earlier context generation died with that context: forget it
    // rather than delete another buffer of the new context by number.
    if (mID != 0 && mContextId == contextGeneration()) {
        glDeleteBuffersARB(1, &mID);
        DIS_CHECK("glDeleteBuffersARB(1, &mID)");
    }
    mID = 0;
    mEntitySize = 0;
    mCount = 0;
}

const void* BufferObject::getPointerGL(int index) const {
    // An offset into the bound GL buffer, or an address in the memory stand-in.
    return reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(mEmulation) +
                                         static_cast<uintptr_t>(index) * static_cast<uintptr_t>(mEntitySize));
}

} // namespace display
} // namespace norvane
