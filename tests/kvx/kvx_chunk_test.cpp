#include "kvx_chunk.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

using namespace norvane::kvx;
using norvane::mathbase::Vector3;

namespace {

std::vector<char> header() { return {'K', 'V', 'X', 'F', 1, 1}; }

void putU16(std::vector<char>& b, uint16_t v) { b.insert(b.end(), reinterpret_cast<char*>(&v), reinterpret_cast<char*>(&v) + 2); }
void putU32(std::vector<char>& b, uint32_t v) { b.insert(b.end(), reinterpret_cast<char*>(&v), reinterpret_cast<char*>(&v) + 4); }
void putFloat(std::vector<char>& b, float v) { b.insert(b.end(), reinterpret_cast<char*>(&v), reinterpret_cast<char*>(&v) + 4); }

} // namespace

TEST(ChunkReader, HeaderOfShortAndMinimalBuffers) {
    const char five[5] = {'K', 'V', 'X', 'F', 1};
    ChunkReader shortReader(five, 5, 1);
    EXPECT_EQ(shortReader.getTag(), "void");
    EXPECT_EQ(shortReader.getMajor(), 0);
    EXPECT_EQ(shortReader.getMinor(), 0);
    EXPECT_EQ(shortReader.nextChunk(), 0);

    const std::vector<char> six = header();
    ChunkReader reader(six.data(), 6, 1);
    EXPECT_EQ(reader.getTag(), "KVXF");
    EXPECT_EQ(reader.getMajor(), 1);
    EXPECT_EQ(reader.getMinor(), 1);
    EXPECT_EQ(reader.nextChunk(), 0);

    ChunkReader nothing(nullptr, 100, 1);
    EXPECT_EQ(nothing.getTag(), "void");
    EXPECT_EQ(nothing.nextChunk(), 0);
}

TEST(ChunkWriter, ImplicitSizesFollowTheFlags) {
    ChunkWriter implicit("KVXF", 1, 1, ChunkImplicitSizes);
    implicit.beginChunk(0xF007);
    implicit.writeVec4(1, 2, 3, 4);
    implicit.endChunk();
    EXPECT_EQ(implicit.bytes().size(), 6u + 2 + 16);

    ChunkWriter explicitSizes("KVXF", 1, 1, 0);
    explicitSizes.beginChunk(0xF007);
    explicitSizes.writeVec4(1, 2, 3, 4);
    explicitSizes.endChunk();
    EXPECT_EQ(explicitSizes.bytes().size(), 6u + 2 + 4 + 16);

    // Nibble 0 always has a length field; nibble 1 has none under flag 1.
    ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
    w.beginChunk(0x6100);
    w.writeByte(7);
    w.endChunk();
    w.beginChunk(0x6101);
    w.writeByte(1);
    w.endChunk();
    const std::vector<char> bytes = w.getData();
    ASSERT_EQ(bytes.size(), 6u + 2 + 4 + 1 + 2 + 1);
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), ChunkImplicitSizes);
    EXPECT_EQ(r.nextChunk(), 0x6100);
    EXPECT_EQ(r.getChunkLength(), 1u);
    r.endChunk();
    EXPECT_EQ(r.nextChunk(), 0x6101);
    uint8_t b = 0;
    EXPECT_TRUE(r.readByte(b));
    EXPECT_EQ(b, 1);
    r.endChunk();
    EXPECT_EQ(r.nextChunk(), 0);
}

TEST(ChunkWriter, EmptyChunksVanishUnlessKept) {
    ChunkWriter dropping("KVXF", 1, 1, 1);
    dropping.beginChunk(0xFF00);
    dropping.endChunk();
    EXPECT_EQ(dropping.getData(), header());

    ChunkWriter keeping("KVXF", 1, 1, 3);
    keeping.beginChunk(0xFF00);
    keeping.endChunk();
    std::vector<char> expected = header();
    const char kept[6] = {0x00, static_cast<char>(0xFF), 0, 0, 0, 0};
    expected.insert(expected.end(), kept, kept + 6);
    EXPECT_EQ(keeping.getData(), expected);

    // A nested empty chunk inside a container disappears, and so does the then empty container.
    ChunkWriter nested("KVXF", 1, 1, 1);
    nested.beginChunk(0x1000);
    nested.writeVec3Array(0xFF00, {});
    nested.endChunk();
    EXPECT_EQ(nested.getData(), header());

    // Extra endChunk calls do nothing; overwriting stays inside the buffer.
    nested.endChunk();
    const uint32_t v = 0x41414141;
    nested.write(&v, 4, 4);
    EXPECT_EQ(nested.getData().size(), 6u);
}

TEST(ChunkReader, ContainerClosedEarlySkipsItsChildren) {
    ChunkWriter w("KVXF", 1, 1, 1);
    w.beginChunk(0x5130);
    w.writeString("node");
    w.beginChunk(0xF004);
    w.writeFloat(2.5f);
    w.endChunk();
    w.endChunk();
    w.beginChunk(0x4000);
    w.writeString("next");
    w.endChunk();
    const std::vector<char> bytes = w.getData();
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), 1);
    ASSERT_EQ(r.nextChunk(), 0x5130);
    std::string name;
    r.readString(name);
    EXPECT_EQ(name, "node");
    r.endChunk();
    ASSERT_EQ(r.nextChunk(), 0x4000);
    name.clear();
    r.readString(name);
    EXPECT_EQ(name, "next");
}

TEST(ChunkReader, ArraysTakeTheQuotientAndSkipTrailingBytes) {
    std::vector<char> b = header();
    putU16(b, 0xFF00);
    putU32(b, 25);
    for (int i = 0; i < 6; ++i) putFloat(b, static_cast<float>(i + 1));
    b.push_back(9);
    putU16(b, 0xF004);
    putFloat(b, 7.0f);
    ChunkReader r(b.data(), static_cast<uint32_t>(b.size()), 1);
    ASSERT_EQ(r.nextChunk(), 0xFF00);
    std::vector<Vector3> values;
    r.readVec3Array(values);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1], Vector3(4, 5, 6));
    r.endChunk();
    ASSERT_EQ(r.nextChunk(), 0xF004);
    float f = 0;
    EXPECT_TRUE(r.readFloat(f));
    EXPECT_EQ(f, 7.0f);
}

TEST(ChunkReader, ArrayCutShortByTheFileKeepsWhatIsThere) {
    std::vector<char> b = header();
    putU16(b, 0xFF00);
    putU32(b, 36);
    for (int i = 0; i < 7; ++i) putFloat(b, static_cast<float>(i + 1));
    b.push_back(1);
    b.push_back(2);
    ChunkReader r(b.data(), static_cast<uint32_t>(b.size()), 1);
    ASSERT_EQ(r.nextChunk(), 0xFF00);
    std::vector<Vector3> values;
    r.readVec3Array(values);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[1], Vector3(4, 5, 6));
    EXPECT_EQ(values[2], Vector3(7, 0, 0));

    std::vector<char> f = header();
    putU16(f, 0xFF30);
    putU32(f, 26);
    f.push_back(5);
    putU32(f, 1);
    putU32(f, 2);
    putU32(f, 3);
    f.push_back(6);
    putU32(f, 9);
    f.push_back(1);
    ChunkReader rf(f.data(), static_cast<uint32_t>(f.size()), 1);
    ASSERT_EQ(rf.nextChunk(), 0xFF30);
    std::vector<Face> faces;
    rf.readFaceArray(faces);
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(faces[0].corner[2], 3u);
    EXPECT_EQ(faces[1].flag, 6);
    EXPECT_EQ(faces[1].corner[0], 9u);
    EXPECT_EQ(faces[1].corner[1], 0u);
}

TEST(ChunkReader, StringWithoutTerminatorStopsAtChunkEnd) {
    std::vector<char> b = header();
    putU16(b, 0xF020);
    putU32(b, 3);
    b.push_back('a');
    b.push_back('b');
    b.push_back('c');
    putU16(b, 0xF020);
    putU32(b, 2);
    b.push_back('x');
    b.push_back(0);
    ChunkReader r(b.data(), static_cast<uint32_t>(b.size()), 1);
    ASSERT_EQ(r.nextChunk(), 0xF020);
    std::string s;
    r.readString(s);
    EXPECT_EQ(s, "abc");
    uint8_t byte = 5;
    EXPECT_FALSE(r.readByte(byte));
    EXPECT_EQ(byte, 5);
    r.endChunk();
    ASSERT_EQ(r.nextChunk(), 0xF020);
}

TEST(ChunkReader, FailedReadsLeaveValuesAndPosition) {
    std::vector<char> b = header();
    putU16(b, 0xF006); // implicit 12 bytes, but only 5 present
    putFloat(b, 1.5f);
    b.push_back(1);
    ChunkReader r(b.data(), static_cast<uint32_t>(b.size()), 1);
    ASSERT_EQ(r.nextChunk(), 0xF006);
    Vector3 v(7, 8, 9);
    EXPECT_FALSE(r.readVec3(v));
    EXPECT_EQ(v, Vector3(1.5f, 8, 9));
    uint32_t u = 3;
    EXPECT_FALSE(r.readU32(u));
    EXPECT_EQ(u, 3u);
    uint8_t byte = 0;
    EXPECT_TRUE(r.readByte(byte));
    EXPECT_EQ(byte, 1);
    r.endChunk();
    EXPECT_EQ(r.getPosition(), b.size());
    EXPECT_EQ(r.nextChunk(), 0);
}

TEST(ChunkReader, TruncatedHeaderEndsTheList) {
    std::vector<char> b = header();
    putU16(b, 0x2000);
    b.push_back(4); // only one byte of the length
    ChunkReader r(b.data(), static_cast<uint32_t>(b.size()), 1);
    EXPECT_EQ(r.nextChunk(), 0);
    EXPECT_EQ(r.getDepth(), 0u);

    std::vector<char> zero = header();
    putU16(zero, 0);
    putU16(zero, 0x2000);
    putU32(zero, 0);
    ChunkReader z(zero.data(), static_cast<uint32_t>(zero.size()), 1);
    EXPECT_EQ(z.nextChunk(), 0);
}

TEST(ChunkReader, OversizedLengthsAreClampedToTheEnclosingEnd) {
    // A child declaring far more than its parent holds, and a length near 2^32 whose end would wrap.
    std::vector<char> b = header();
    putU16(b, 0x1000);
    putU32(b, 2 + 4 + 4 + 2 + 4);
    putU16(b, 0xFF60);
    putU32(b, 0xFFFFFFF0u);
    putU32(b, 42);
    putU16(b, 0xFF60);
    putU32(b, 0xFFFFFFFFu);
    putU16(b, 0x4000); // after the main chunk
    putU32(b, 0);
    ChunkReader r(b.data(), static_cast<uint32_t>(b.size()), 1);
    ASSERT_EQ(r.nextChunk(), 0x1000);
    ASSERT_EQ(r.nextChunk(), 0xFF60);
    EXPECT_EQ(r.getChunkLength(), 0xFFFFFFF0u);
    std::vector<uint32_t> values;
    r.readU32Array(values);
    // Only the elements that are present: the array ends at the main chunk's end, and of the
    // element cut short there only whole fields are taken.
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0], 42u);
    EXPECT_EQ(values[2], 0u);
    r.endChunk();
    EXPECT_EQ(r.nextChunk(), 0);
    r.endChunk();
    // The position never went backwards: the main chunk ends where it said.
    EXPECT_EQ(r.getPosition(), 6u + 6 + 16);
    EXPECT_EQ(r.nextChunk(), 0x4000);

    std::vector<char> wrap = header();
    putU16(wrap, 0x2000);
    putU32(wrap, 0xFFFFFFFEu);
    putU32(wrap, 1);
    ChunkReader w(wrap.data(), static_cast<uint32_t>(wrap.size()), 1);
    ASSERT_EQ(w.nextChunk(), 0x2000);
    w.endChunk();
    EXPECT_EQ(w.getPosition(), wrap.size());
    EXPECT_EQ(w.nextChunk(), 0);
}

TEST(ChunkReader, UnwindResumesAfterAFailedChild) {
    ChunkWriter w("KVXF", 1, 1, 1);
    w.beginChunk(0x1000);
    w.beginChunk(0x2000);
    w.writeString("a");
    w.beginChunk(0x2200);
    w.writeByte(0);
    w.endChunk();
    w.endChunk();
    w.beginChunk(0x6000);
    w.writeString("b");
    w.endChunk();
    w.endChunk();
    const std::vector<char> bytes = w.getData();
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), 1);
    ASSERT_EQ(r.nextChunk(), 0x1000);
    ASSERT_EQ(r.nextChunk(), 0x2000);
    const size_t depth = r.getDepth();
    std::string s;
    r.readString(s);
    ASSERT_EQ(r.nextChunk(), 0x2200); // a failure here leaves a chunk open
    r.unwindTo(depth);
    r.endChunk();
    EXPECT_EQ(r.nextChunk(), 0x6000);
}

TEST(ChunkWriter, ElementsRoundTripThroughTheReader) {
    ChunkWriter w("KVXF", 1, 1, 1);
    w.beginChunk(0x2300);
    w.writeU32(77);
    w.writePair(IndexWeight{5, 0.25f});
    w.writePair(IndexWeight{6, 0.75f});
    w.endChunk();
    w.writeFaceArray(0xFF30, {Face{3, {1, 2, 0x01020304}}, Face{0, {7, 8, 9}}});
    w.beginChunk(0x1230);
    w.writeVec2(Vector2{1.5f, -2.5f});
    w.writeU16(0xBEEF);
    w.endChunk();
    const std::vector<char> bytes = w.getData();
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), 1);
    ASSERT_EQ(r.nextChunk(), 0x2300);
    uint32_t key = 0;
    r.readU32(key);
    std::vector<IndexWeight> pairs;
    r.readPairArray(pairs);
    EXPECT_EQ(key, 77u);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].index, 6u);
    EXPECT_EQ(pairs[1].weight, 0.75f);
    r.endChunk();
    ASSERT_EQ(r.nextChunk(), 0xFF30);
    EXPECT_EQ(r.getChunkLength(), 26u);
    std::vector<Face> faces;
    r.readFaceArray(faces);
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(faces[0].flag, 3);
    EXPECT_EQ(faces[0].corner[2], 0x01020304u);
    EXPECT_EQ(faces[1].corner[0], 7u);
    r.endChunk();
    ASSERT_EQ(r.nextChunk(), 0x1230);
    Vector2 v2{0, 0};
    uint16_t u16 = 0;
    EXPECT_TRUE(r.readVec2(v2));
    EXPECT_TRUE(r.readU16(u16));
    EXPECT_EQ(v2.y, -2.5f);
    EXPECT_EQ(u16, 0xBEEF);
}

TEST(ChunkWriter, SaveToFileReportsFailures) {
    ChunkWriter w("KVXF", 1, 1, 1);
    w.beginChunk(0x4000);
    w.writeString(std::string(100000, 'x'));
    w.endChunk();
    char path[] = "/tmp/kvx_chunk_testXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(w.saveToFile(path), 0);
    FILE* f = std::fopen(path, "rb");
    ASSERT_NE(f, nullptr);
    std::vector<char> back(w.bytes().size() + 10);
    EXPECT_EQ(std::fread(back.data(), 1, back.size(), f), w.bytes().size());
    std::fclose(f);
    back.resize(w.bytes().size());
    EXPECT_EQ(back, w.bytes());
    std::remove(path);

    EXPECT_NE(w.saveToFile("/nonexistent-dir/x.kvx"), 0);
    // A device that takes no bytes: the short write is reported, not hidden behind the close.
    if (FILE* full = std::fopen("/dev/full", "wb")) {
        std::fclose(full);
        EXPECT_NE(w.saveToFile("/dev/full"), 0);
    }
}
