#include "dis_vbo.h"

#include "dis_display.h"
#include "dis_rescheck.h"
#include "nvn_system.h"

#include <cstdint>

namespace norvane {
namespace display {

namespace {
const int A = VertexDef::Absent;
}

const VertexFormat formatA = {8, VertexDef::Float2, A, A, A, A, A, A, A, A};
const VertexFormat formatB = {12, VertexDef::Float3, A, A, A, A, A, A, A, A};
const VertexFormat formatC = {24, VertexDef::Float3, VertexDef::Float3, A, A, A, A, A, A, A};
const VertexFormat formatD = {32, VertexDef::Float3, VertexDef::Float3, A, VertexDef::Float2, A, A, A, A, A};
const VertexFormat formatE = {16, VertexDef::Float3, A, VertexDef::UByte4, A, A, A, A, A, A};
const VertexFormat formatF = {64, VertexDef::Float3, VertexDef::Float3, A, VertexDef::Float2, A, VertexDef::Float4,
                              VertexDef::Float4, A, A};
const VertexFormat formatG = {28, VertexDef::Float3, VertexDef::Float3, VertexDef::UByte4, A, A, A, A, A, A};

GLenum VertexDef::channelGL(int code) {
    static const GLenum types[8] = {GL_BYTE, GL_SHORT, GL_INT, GL_FLOAT,
                                    GL_DOUBLE, GL_UNSIGNED_BYTE, GL_UNSIGNED_SHORT, GL_UNSIGNED_INT};
    return present(code) ? types[code >> 2] : 0;
}

int VertexDef::channelSize(int code) {
    static const int bytes[8] = {1, 2, 4, 4, 8, 1, 2, 4};
    return present(code) ? components(code) * bytes[code >> 2] : 0;
}

VBO::VBO(DisplayGL* display) : BufferObject(display), mFormat(nullptr) {}

VBO::~VBO() {
    try {
        // The display must not keep a pointer to a buffer that is gone.
        if (mDisplay && mDisplay->getCurrentVBO() == this) mDisplay->setVBO(nullptr);
        VBO::release();
    } catch (const Exception&) {
        // Already logged by the exception; a destructor must not throw.
    }
}

void VBO::setup(const VertexFormat* format, int count, const void* data) {
    // The card's limits are asked first: a format it cannot take leaves the buffer as it was.
    const int sequence[6] = {format->tex0, format->tex1, format->attrib6,
                             format->attrib7, format->attrib8, format->attrib9};
    int channels = 0;
    for (int i = 0; i < 6; ++i)
        if (VertexDef::present(sequence[i])) channels = i + 1;
    if (channels > 1) {
        if (!hasExtension("GL_ARB_multitexture")) throw Exception("Your card does not support multi-texturing");
        GLint limit = 0;
        if (hasExtension("GL_ARB_fragment_program")) glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS_ARB, &limit);
        else glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &limit);
        if (limit < channels)
            throw Exception("Your card does not support %d texture channels (only %d)", channels, limit);
    }

    release();
    if (hasExtension("GL_ARB_vertex_buffer_object")) {
        GLint max = 0;
        glGetIntegerv(GL_MAX_ELEMENTS_VERTICES, &max);
        if (count > max)
            NVN_LOG("warning", "display", "Creating vertex buffer with too many vertices (%d when %d recommended)",
                    count, max);
    } else {
        NVN_LOG("warning", "display", "GL_ARB_vertex_buffer_object not supported, emulating fool");
    }
    try {
        BufferObject::setup(GL_ARRAY_BUFFER_ARB, format->size, count, data);
    } catch (...) {
        // No storage, so no format a later bind could point GL at: released, as before a setup.
        release();
        throw;
    }
    mFormat = format;
}

void VBO::bind() {
    BufferObject::bind();
    setArrays(true);
}

void VBO::unbind() {
    BufferObject::unbind();
    setArrays(false);
}

void VBO::release() {
    BufferObject::release();
    mFormat = nullptr;
}

void VBO::setArrays(bool enable) {
    if (!mFormat) return;
    const uintptr_t base = reinterpret_cast<uintptr_t>(mEmulation);
    uintptr_t offset = 0;
    const VertexFormat& f = *mFormat;
    // The pointer GL is handed: an offset into the bound buffer, or an address in the stand-in.
#define KNARK reinterpret_cast<const GLvoid*>(base + offset)

    if (VertexDef::present(f.pos)) {
        if (enable) {
            glEnableClientState(GL_VERTEX_ARRAY);
            DIS_CHECK("glEnableClientState(GL_VERTEX_ARRAY)");
            glVertexPointer(VertexDef::components(f.pos), VertexDef::channelGL(mFormat->pos), mFormat->size, KNARK);
            DIS_CHECK("glVertexPointer(channels, VertexDef::channelGL(mFormat->pos), mFormat->size, KNARK)");
        } else {
            glDisableClientState(GL_VERTEX_ARRAY);
            DIS_CHECK("glDisableClientState(GL_VERTEX_ARRAY)");
        }
        offset += VertexDef::channelSize(f.pos);
    }
    if (VertexDef::present(f.nor)) {
        if (enable) {
            glEnableClientState(GL_NORMAL_ARRAY);
            DIS_CHECK("glEnableClientState(GL_NORMAL_ARRAY)");
            glNormalPointer(VertexDef::channelGL(mFormat->nor), mFormat->size, KNARK);
            DIS_CHECK("glNormalPointer(VertexDef::channelGL(mFormat->nor), mFormat->size, KNARK)");
        } else {
            glDisableClientState(GL_NORMAL_ARRAY);
            DIS_CHECK("glDisableClientState(GL_NORMAL_ARRAY)");
        }
        offset += VertexDef::channelSize(f.nor);
    }
    if (VertexDef::present(f.col)) {
        if (enable) {
            glEnableClientState(GL_COLOR_ARRAY);
            DIS_CHECK("glEnableClientState(GL_COLOR_ARRAY)");
            glColorPointer(VertexDef::components(f.col), VertexDef::channelGL(mFormat->col), mFormat->size, KNARK);
            DIS_CHECK("glColorPointer(channels, VertexDef::channelGL(mFormat->col), mFormat->size, KNARK)");
        } else {
            glDisableClientState(GL_COLOR_ARRAY);
            DIS_CHECK("glDisableClientState(GL_COLOR_ARRAY)");
        }
        offset += VertexDef::channelSize(f.col);
    }
    const int texCodes[2] = {f.tex0, f.tex1};
    for (int unit = 0; unit < 2; ++unit) {
        const int code = texCodes[unit];
        if (!VertexDef::present(code)) continue;
        if (unit == 1) {
            glClientActiveTexture(GL_TEXTURE0 + 1);
            DIS_CHECK("glClientActiveTexture(GL_TEXTURE0 + 1)");
        }
        if (enable) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            DIS_CHECK("glEnableClientState(GL_TEXTURE_COORD_ARRAY)");
            glTexCoordPointer(VertexDef::components(code), VertexDef::channelGL(code), mFormat->size, KNARK);
            DIS_CHECK("glTexCoordPointer(channels, VertexDef::channelGL(code), mFormat->size, KNARK)");
        } else {
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            DIS_CHECK("glDisableClientState(GL_TEXTURE_COORD_ARRAY)");
        }
        offset += VertexDef::channelSize(code);
    }
    if (VertexDef::present(f.tex1)) {
        glClientActiveTexture(GL_TEXTURE0);
        DIS_CHECK("glClientActiveTexture(GL_TEXTURE0)");
    }
    const int attribCodes[4] = {f.attrib6, f.attrib7, f.attrib8, f.attrib9};
    for (int i = 0; i < 4; ++i) {
        const int code = attribCodes[i];
        if (!VertexDef::present(code)) continue;
        const GLuint index = static_cast<GLuint>(6 + i);
        if (enable) {
            glEnableVertexAttribArrayARB(index);
            DIS_CHECK("glEnableVertexAttribArrayARB(i)");
            glVertexAttribPointerARB(index, VertexDef::components(code), VertexDef::channelGL(code), GL_FALSE,
                                     mFormat->size, KNARK);
            DIS_CHECK("glVertexAttribPointerARB(i, channels, VertexDef::channelGL(code), GL_FALSE, mFormat->size, KNARK)");
        } else {
            glDisableVertexAttribArrayARB(index);
            DIS_CHECK("glDisableVertexAttribArrayARB(i)");
        }
        offset += VertexDef::channelSize(code);
    }
#undef KNARK
}

} // namespace display
} // namespace norvane
