#pragma once
// The chunk framing of .kvx files: a 6-byte header ("KVXF", major, minor) followed by a tree of
// chunks {uint16 id, uint32 payload length, payload}. Under flag bit 0 a chunk whose id has a low
// nibble of 1 to 7 has no length field: the nibble fixes the payload size. Everything is
// little-endian and copied as it stands.

#include "mathbase/mb_vector.h"

#include <cstdint>
#include <string>
#include <vector>

namespace norvane {
namespace kvx {

// Payload element types with a fixed file layout.
struct Vector2 {
    float x, y;
};

struct IndexWeight {
    uint32_t index;
    float weight;
};

// 13 bytes in files: flag, then three corner indices.
struct Face {
    uint8_t flag;
    uint32_t corner[3];
};

enum : uint32_t {
    ChunkImplicitSizes = 1, // typed value chunks carry no length field
    ChunkKeepEmpty = 2      // the writer keeps variable-length chunks with an empty payload
};

// The payload size fixed by an id's low nibble, or 0 when the chunk carries a length field.
uint32_t implicitChunkSize(uint16_t id);

// Walks the chunks of a buffer it does not own. Nothing here throws or logs: reads past the
// available bytes fail and leave their value as it was, and no read ever passes the end of the
// innermost open chunk or of the buffer.
class ChunkReader {
public:
    ChunkReader(const char* data, uint32_t size, uint32_t flags);

    std::string getTag() const { return mTag; }
    uint8_t getMajor() const { return mMajor; }
    uint8_t getMinor() const { return mMinor; }

    // True when n more bytes lie inside the innermost open chunk (or the buffer).
    bool canRead(uint32_t n) const { return n <= bytesLeft(); }
    // Bytes from the position to the end of the innermost open chunk (or the buffer).
    uint32_t bytesLeft() const { return limit() - mPosition; }
    uint32_t getPosition() const { return mPosition; }

    bool readByte(uint8_t& value);
    bool readU16(uint16_t& value);
    bool readU32(uint32_t& value);
    bool readFloat(float& value);
    bool readVec2(Vector2& value);
    bool readVec3(mathbase::Vector3T<float>& value);
    bool readVec4(float value[4]);
    bool readPair(IndexWeight& value);
    bool readFace(Face& value);
    // Appends bytes up to a 0 byte (not stored) or the end of what can be read.
    void readString(std::string& value);
    // Copies n bytes when they can all be read.
    bool readBytes(void* out, uint32_t n);
    // Copies up to n bytes of 4-byte fields, as many whole fields as remain; returns the bytes
    // copied. What was not copied stays as it was.
    uint32_t readFields(void* out, uint32_t n);

    // Arrays fill the rest of the innermost chunk: count = payload length / element size, but
    // never more elements than the bytes that remain reach into. Of an element cut short, the
    // whole fields present are read and the rest stays zero.
    void readVec3Array(std::vector<mathbase::Vector3T<float>>& values);
    void readFaceArray(std::vector<Face>& values);
    void readU32Array(std::vector<uint32_t>& values);
    void readPairArray(std::vector<IndexWeight>& values);
    // The element count an array of that element size gets in the innermost chunk.
    uint32_t arrayCount(uint32_t elementSize) const;

    // Opens the next chunk and returns its id; 0 when none is left (nothing opened).
    uint16_t nextChunk();
    // Closes the innermost chunk and moves to its end, whatever was read of its payload.
    void endChunk();

    // The innermost open chunk: its id and declared payload length (0 with none open).
    uint16_t getChunkId() const { return mOpen.empty() ? 0 : mOpen.back().id; }
    uint32_t getChunkLength() const { return mOpen.empty() ? 0 : mOpen.back().length; }
    // Number of open chunks.
    size_t getDepth() const { return mOpen.size(); }
    // The buffer's size, and the furthest end that a chunk opened so far declared past it (the
    // data was cut short), or 0 when every chunk declared so far ends inside the buffer.
    uint32_t getSize() const { return mSize; }
    uint64_t getEndPastData() const { return mEndPastData; }
    // Forgets open chunks above the given depth without moving; used to resume after a child
    // whose loading failed inside one of its own sub-chunks.
    void unwindTo(size_t depth);

private:
    struct Open {
        uint16_t id;
        uint32_t length;
        uint32_t end; // clamped to the enclosing end, so never beyond the buffer
    };

    uint32_t limit() const { return mOpen.empty() ? mSize : mOpen.back().end; }
    template <typename T> bool readValue(T& value);

    std::string mTag;
    uint8_t mMajor;
    uint8_t mMinor;
    uint32_t mFlags;
    std::vector<Open> mOpen;
    const char* mData;
    uint32_t mSize;
    uint32_t mPosition;
    uint64_t mEndPastData;
};

// Builds a chunk stream into a growing byte buffer. Usable on its own to write chunks that no
// object's save covers, in the same framing.
class ChunkWriter {
public:
    ChunkWriter(const std::string& tag, uint8_t major, uint8_t minor, uint32_t flags);

    // position -1 appends; any other position overwrites n bytes that are already there.
    void write(const void* bytes, uint32_t n, int position = -1);
    void writeString(const std::string& value);
    void writeByte(uint8_t value) { write(&value, 1); }
    void writeU16(uint16_t value) { write(&value, 2); }
    void writeU32(uint32_t value) { write(&value, 4); }
    void writeFloat(float value) { write(&value, 4); }
    void writeVec2(const Vector2& value);
    void writeVec3(const mathbase::Vector3T<float>& value);
    void writeVec4(const float value[4]);
    void writeVec4(float a, float b, float c, float d);
    void writePair(const IndexWeight& value);
    void writeFace(const Face& value);

    // One chunk holding the elements; an empty array writes no chunk (unless empty chunks are kept).
    // keepEmpty writes an empty array as a chunk of length 0, which reads back as an empty array:
    // for arrays that count by their place in a list.
    void writeVec3Array(uint16_t id, const std::vector<mathbase::Vector3T<float>>& values, bool keepEmpty = false);
    void writeFaceArray(uint16_t id, const std::vector<Face>& values);
    void writeU32Array(uint16_t id, const std::vector<uint32_t>& values);

    void beginChunk(uint16_t id);
    // Patches the length; an empty variable-length chunk is removed unless empty chunks are kept
    // (by the writer's flags, or for this chunk by keepEmpty).
    void endChunk(bool keepEmpty = false);

    std::vector<char> getData() const { return mBytes; }
    const std::vector<char>& bytes() const { return mBytes; }
    // 0 when every byte reached the file and it closed cleanly; non-zero otherwise.
    int saveToFile(const std::string& fileName) const;

private:
    struct Open {
        uint16_t id;
        uint32_t start; // just after the id: where the length field is or would be
    };

    bool isImplicit(uint16_t id) const;

    std::string mTag;
    uint8_t mMajor;
    uint8_t mMinor;
    uint32_t mFlags;
    std::vector<Open> mOpen;
    std::vector<char> mBytes;
};

} // namespace kvx
} // namespace norvane
