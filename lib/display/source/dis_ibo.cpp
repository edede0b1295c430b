#include "dis_ibo.h"

#include "dis_display.h"
#include "dis_rescheck.h"
#include "nvn_system.h"

#include <cstdint>
#include <vector>

namespace norvane {
namespace display {

namespace {

int indexSize(GLenum type) {
    if (type == GL_UNSIGNED_BYTE) return 1;
    if (type == GL_UNSIGNED_SHORT) return 2;
    if (type == GL_UNSIGNED_INT) return 4;
    return 0;
}

} // namespace

IBO::IBO(DisplayGL* display) : BufferObject(display), mIndexType(0) {}

IBO::~IBO() {
    try {
        // The display must not keep a pointer to a buffer that is gone.
        if (mDisplay && mDisplay->getCurrentIBO() == this) mDisplay->setIBO(nullptr);
        IBO::release();
    } catch (const Exception&) {
        // Already logged by the exception; a destructor must not throw.
    }
}

void IBO::setup(GLenum indexType, int count, const void* data) {
    release();
    mIndexType = indexType;
    const int size = indexSize(indexType);
    if (size == 0) throw Exception("Wrong format for IBO::setup!");
    if (hasExtension("GL_ARB_vertex_buffer_object")) {
        GLint max = 0;
        glGetIntegerv(GL_MAX_ELEMENTS_INDICES, &max);
        if (count > max)
            NVN_LOG("warning", "display", "Creating index buffer with too many indices (%d when %d recommended)", count,
                    max);
    } else {
        NVN_LOG("warning", "display", "GL_ARB_vertex_buffer_object not supported, emulating fool");
    }
    BufferObject::setup(GL_ELEMENT_ARRAY_BUFFER_ARB, size, count, data);
}

void IBO::replace(int first, int count, const void* data, int add, GLenum sourceType) {
    if (sourceType == 0) sourceType = mIndexType;
    if (add == 0 && sourceType == mIndexType) {
        NVN_LOG("log", "app", "replace(%d, %d, %p)", first, count, data);
        BufferObject::replace(first, count, data);
        return;
    }
    if (indexSize(sourceType) == 0) throw Exception("IBO::setup; Unknown dataformat");
    checkRange(first, count);
    const int n = count;
    std::vector<unsigned char> converted(static_cast<size_t>(n) * static_cast<size_t>(indexSize(mIndexType)));
    for (int i = 0; i < n; ++i) {
        uint32_t value = 0;
        if (sourceType == GL_UNSIGNED_BYTE) value = static_cast<const uint8_t*>(data)[i];
        else if (sourceType == GL_UNSIGNED_SHORT) value = static_cast<const uint16_t*>(data)[i];
        else value = static_cast<const uint32_t*>(data)[i];
        value += static_cast<uint32_t>(add);
        if (mIndexType == GL_UNSIGNED_BYTE) converted[i] = static_cast<uint8_t>(value);
        else if (mIndexType == GL_UNSIGNED_SHORT) reinterpret_cast<uint16_t*>(converted.data())[i] = static_cast<uint16_t>(value);
        else reinterpret_cast<uint32_t*>(converted.data())[i] = value;
    }
    BufferObject::replace(first, count, converted.data());
}

void IBO::release() {
    BufferObject::release();
    mIndexType = 0;
}

} // namespace display
} // namespace norvane
