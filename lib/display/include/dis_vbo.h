#pragma once
// Vertex formats, the seven global formats, and vertex buffers described by a format.

#include "dis_bufferobject.h"

namespace norvane {
namespace display {

// Element-type codes of a vertex channel: type index x 4 + (components - 1); Absent = no channel.
struct VertexDef {
    enum {
        Absent = 0x20,
        Float2 = 13,
        Float3 = 14,
        Float4 = 15,
        UByte4 = 23,
    };
    static bool present(int code) { return code >= 0 && code < Absent; }
    static int components(int code) { return (code & 3) + 1; }
    // The GL type of a code (GL_BYTE, GL_SHORT, ... GL_UNSIGNED_INT).
    static GLenum channelGL(int code);
    // Bytes of one channel of this code; 0 when absent.
    static int channelSize(int code);
};

struct VertexFormat {
    int size; // the stride: bytes per vertex
    int pos, nor, col, tex0, tex1, attrib6, attrib7, attrib8, attrib9;
};

extern const VertexFormat formatA; // pos 2 floats
extern const VertexFormat formatB; // pos 3 floats
extern const VertexFormat formatC; // pos, nor
extern const VertexFormat formatD; // pos, nor, tex0 2 floats (VertexP3N3T2)
extern const VertexFormat formatE; // pos, col 4 unsigned bytes
extern const VertexFormat formatF; // pos, nor, tex0, attrib6 and attrib7 4 floats each (the mesh vertex)
extern const VertexFormat formatG; // pos, nor, col 4 unsigned bytes (VertexP3N3C4b)

struct VertexP3N3T2 {
    float pos[3];
    float nor[3];
    float tex[2];
};

struct VertexP3N3C4b {
    float pos[3];
    float nor[3];
    unsigned char col[4]; // R, G, B, A
};

class VBO : public BufferObject {
public:
    explicit VBO(DisplayGL* display);
    ~VBO() override;

    // count vertices of the format (data may be null: undefined contents).
    void setup(const VertexFormat* format, int count, const void* data);

    // Binds the buffer and points GL's arrays at the format's channels.
    void bind() override;
    void unbind() override;
    void release() override;

    const VertexFormat* getFormat() const { return mFormat; }

    const VertexFormat* mFormat; // not owned

private:
    // Client-state work of bind (enable) and unbind (disable).
    void setArrays(bool enable);
};

template <typename Vertex> struct VertexFormatOf;
template <> struct VertexFormatOf<VertexP3N3T2> {
    static const VertexFormat* get() { return &formatD; }
};
template <> struct VertexFormatOf<VertexP3N3C4b> {
    static const VertexFormat* get() { return &formatG; }
};

// A vertex buffer tied to the fixed format of one vertex record.
template <typename Vertex> class VBO_wrap : public VBO {
public:
    explicit VBO_wrap(DisplayGL* display) : VBO(display) { mFormat = VertexFormatOf<Vertex>::get(); }

    void release() override {
        VBO::release();
        mFormat = VertexFormatOf<Vertex>::get();
    }
};

} // namespace display
} // namespace norvane
