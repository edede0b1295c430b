#pragma once
// Index buffers of unsigned bytes, shorts or ints.

#include "dis_bufferobject.h"

namespace norvane {
namespace display {

class IBO : public BufferObject {
public:
    explicit IBO(DisplayGL* display);
    ~IBO() override;

    // indexType is GL_UNSIGNED_BYTE, GL_UNSIGNED_SHORT or GL_UNSIGNED_INT.
    void setup(GLenum indexType, int count, const void* data);
    // Overwrites count indices from first with the source's indices (read as sourceType, 0 = the
    // buffer's own type) plus add, narrowed to the buffer's index type.
    void replace(int first, int count, const void* data, int add = 0, GLenum sourceType = 0);

    void release() override;

    GLenum getIndexType() const { return mIndexType; }

    GLenum mIndexType;
};

} // namespace display
} // namespace norvane
