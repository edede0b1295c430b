#include "kvx_chunk.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace norvane {
namespace kvx {

uint32_t implicitChunkSize(uint16_t id) {
    static const uint32_t sizes[16] = {0, 1, 2, 4, 4, 8, 12, 16, 0, 0, 0, 0, 0, 0, 0, 0};
    return sizes[id & 0xF];
}

// ---------------------------------------------------------------------------------------------
// ChunkReader

ChunkReader::ChunkReader(const char* data, uint32_t size, uint32_t flags)
    : mTag(), mMajor(0), mMinor(0), mFlags(flags), mOpen(), mData(data), mSize(data ? size : 0), mPosition(0),
      mEndPastData(0) {
    if (mSize < 6) {
        mTag = "void";
        return;
    }
    for (int i = 0; i < 4; ++i) mTag += mData[i];
    mMajor = static_cast<uint8_t>(mData[4]);
    mMinor = static_cast<uint8_t>(mData[5]);
    mPosition = 6;
}

bool ChunkReader::readBytes(void* out, uint32_t n) {
    if (!canRead(n)) return false;
    if (n) std::memcpy(out, mData + mPosition, n);
    mPosition += n;
    return true;
}

uint32_t ChunkReader::readFields(void* out, uint32_t n) {
    const uint32_t count = std::min(n, bytesLeft()) & ~3u;
    if (count) std::memcpy(out, mData + mPosition, count);
    mPosition += count;
    return count;
}

template <typename T> bool ChunkReader::readValue(T& value) {
    if (!canRead(sizeof(T))) return false;
    std::memcpy(&value, mData + mPosition, sizeof(T));
    mPosition += sizeof(T);
    return true;
}

bool ChunkReader::readByte(uint8_t& value) { return readValue(value); }
bool ChunkReader::readU16(uint16_t& value) { return readValue(value); }
bool ChunkReader::readU32(uint32_t& value) { return readValue(value); }
bool ChunkReader::readFloat(float& value) { return readValue(value); }

bool ChunkReader::readVec2(Vector2& value) {
    bool ok = readFloat(value.x);
    ok = readFloat(value.y) && ok;
    return ok;
}

bool ChunkReader::readVec3(mathbase::Vector3T<float>& value) {
    bool ok = readFloat(value.x);
    ok = readFloat(value.y) && ok;
    ok = readFloat(value.z) && ok;
    return ok;
}

bool ChunkReader::readVec4(float value[4]) {
    bool ok = true;
    for (int i = 0; i < 4; ++i) ok = readFloat(value[i]) && ok;
    return ok;
}

bool ChunkReader::readPair(IndexWeight& value) {
    bool ok = readU32(value.index);
    ok = readFloat(value.weight) && ok;
    return ok;
}

bool ChunkReader::readFace(Face& value) {
    bool ok = readByte(value.flag);
    for (int i = 0; i < 3; ++i) ok = readU32(value.corner[i]) && ok;
    return ok;
}

void ChunkReader::readString(std::string& value) {
    const uint32_t end = limit();
    if (end == mPosition) return;
    const char* begin = mData + mPosition;
    const void* zero = std::memchr(begin, 0, end - mPosition);
    if (zero) {
        const uint32_t n = static_cast<uint32_t>(static_cast<const char*>(zero) - begin);
        value.append(begin, n);
        mPosition += n + 1;
    } else {
        value.append(begin, end - mPosition);
        mPosition = end;
    }
}

uint32_t ChunkReader::arrayCount(uint32_t elementSize) const {
    const uint64_t declared = getChunkLength() / elementSize;
    const uint64_t present = (static_cast<uint64_t>(bytesLeft()) + elementSize - 1) / elementSize;
    return static_cast<uint32_t>(std::min(declared, present));
}

void ChunkReader::readVec3Array(std::vector<mathbase::Vector3T<float>>& values) {
    static_assert(sizeof(mathbase::Vector3T<float>) == 12, "vec3 must be packed");
    const uint32_t count = arrayCount(12);
    values.assign(count, mathbase::Vector3T<float>());
    readFields(values.data(), count * 12);
}

void ChunkReader::readU32Array(std::vector<uint32_t>& values) {
    const uint32_t count = arrayCount(4);
    values.assign(count, 0);
    readFields(values.data(), count * 4);
}

void ChunkReader::readPairArray(std::vector<IndexWeight>& values) {
    static_assert(sizeof(IndexWeight) == 8, "pair must be packed");
    const uint32_t count = arrayCount(8);
    values.assign(count, IndexWeight{0, 0.0f});
    readFields(values.data(), count * 8);
}

void ChunkReader::readFaceArray(std::vector<Face>& values) {
    const uint32_t count = arrayCount(13);
    values.assign(count, Face{0, {0, 0, 0}});
    const uint32_t whole = std::min(count, bytesLeft() / 13);
    if (whole) {
        const char* p = mData + mPosition;
        for (uint32_t i = 0; i < whole; ++i, p += 13) {
            Face& f = values[i];
            f.flag = static_cast<uint8_t>(p[0]);
            std::memcpy(f.corner, p + 1, 12);
        }
        mPosition += whole * 13;
    }
    if (whole < count) readFace(values[whole]);
}

uint16_t ChunkReader::nextChunk() {
    uint16_t id = 0;
    if (!readU16(id)) return 0;
    if (id == 0) return 0;
    uint32_t length = 0;
    const uint32_t implicit = (mFlags & ChunkImplicitSizes) ? implicitChunkSize(id) : 0;
    if (implicit) length = implicit;
    else if (!readU32(length)) return 0;
    // The end never lies past the enclosing end, and computing it cannot wrap.
    const uint64_t declaredEnd = static_cast<uint64_t>(mPosition) + length;
    if (declaredEnd > mSize) mEndPastData = std::max(mEndPastData, declaredEnd);
    const uint32_t end = static_cast<uint32_t>(std::min<uint64_t>(declaredEnd, limit()));
    mOpen.push_back(Open{id, length, end});
    return id;
}

void ChunkReader::endChunk() {
    if (mOpen.empty()) return;
    mPosition = mOpen.back().end;
    mOpen.pop_back();
}

void ChunkReader::unwindTo(size_t depth) {
    if (mOpen.size() > depth) mOpen.resize(depth);
}

// ---------------------------------------------------------------------------------------------
// ChunkWriter

ChunkWriter::ChunkWriter(const std::string& tag, uint8_t major, uint8_t minor, uint32_t flags)
    : mTag(tag), mMajor(major), mMinor(minor), mFlags(flags), mOpen(), mBytes() {
    char header[6] = {0, 0, 0, 0, static_cast<char>(mMajor), static_cast<char>(mMinor)};
    std::memcpy(header, mTag.data(), std::min<size_t>(4, mTag.size()));
    mBytes.assign(header, header + sizeof(header));
}

void ChunkWriter::write(const void* bytes, uint32_t n, int position) {
    if (n == 0) return;
    const char* p = static_cast<const char*>(bytes);
    if (position < 0) {
        mBytes.insert(mBytes.end(), p, p + n);
    } else if (static_cast<size_t>(position) + n <= mBytes.size()) {
        std::memcpy(mBytes.data() + position, p, n);
    }
}

void ChunkWriter::writeString(const std::string& value) {
    mBytes.insert(mBytes.end(), value.begin(), value.end());
    mBytes.push_back(0);
}

void ChunkWriter::writeVec2(const Vector2& value) {
    writeFloat(value.x);
    writeFloat(value.y);
}

void ChunkWriter::writeVec3(const mathbase::Vector3T<float>& value) {
    writeFloat(value.x);
    writeFloat(value.y);
    writeFloat(value.z);
}

void ChunkWriter::writeVec4(const float value[4]) { write(value, 16); }

void ChunkWriter::writeVec4(float a, float b, float c, float d) {
    const float v[4] = {a, b, c, d};
    write(v, 16);
}

void ChunkWriter::writePair(const IndexWeight& value) {
    writeU32(value.index);
    writeFloat(value.weight);
}

void ChunkWriter::writeFace(const Face& value) {
    writeByte(value.flag);
    write(value.corner, 12);
}

void ChunkWriter::writeVec3Array(uint16_t id, const std::vector<mathbase::Vector3T<float>>& values, bool keepEmpty) {
    beginChunk(id);
    write(values.data(), static_cast<uint32_t>(values.size() * 12));
    endChunk(keepEmpty);
}

void ChunkWriter::writeFaceArray(uint16_t id, const std::vector<Face>& values) {
    beginChunk(id);
    const size_t at = mBytes.size();
    mBytes.resize(at + values.size() * 13);
    char* p = mBytes.data() + at;
    for (const Face& f : values) {
        p[0] = static_cast<char>(f.flag);
        std::memcpy(p + 1, f.corner, 12);
        p += 13;
    }
    endChunk();
}

void ChunkWriter::writeU32Array(uint16_t id, const std::vector<uint32_t>& values) {
    beginChunk(id);
    write(values.data(), static_cast<uint32_t>(values.size() * 4));
    endChunk();
}

bool ChunkWriter::isImplicit(uint16_t id) const {
    return (mFlags & ChunkImplicitSizes) && implicitChunkSize(id) != 0;
}

void ChunkWriter::beginChunk(uint16_t id) {
    writeU16(id);
    mOpen.push_back(Open{id, static_cast<uint32_t>(mBytes.size())});
    if (isImplicit(id)) return;
    const uint32_t placeholder = 0xFFFFFFFFu;
    writeU32(placeholder);
}

void ChunkWriter::endChunk(bool keepEmpty) {
    if (mOpen.empty()) return;
    const Open open = mOpen.back();
    mOpen.pop_back();
    if (isImplicit(open.id)) return;
    const uint32_t payload = static_cast<uint32_t>(mBytes.size() - open.start - 4);
    if (payload > 0 || keepEmpty || (mFlags & ChunkKeepEmpty)) {
        write(&payload, 4, static_cast<int>(open.start));
    } else {
        mBytes.resize(open.start - 2);
    }
}

int ChunkWriter::saveToFile(const std::string& fileName) const {
    FILE* file = std::fopen(fileName.c_str(), "wb");
    if (!file) return -1;
    const size_t written = mBytes.empty() ? 0 : std::fwrite(mBytes.data(), 1, mBytes.size(), file);
    const int closed = std::fclose(file);
    if (written != mBytes.size()) return -1;
    return closed;
}

} // namespace kvx
} // namespace norvane
