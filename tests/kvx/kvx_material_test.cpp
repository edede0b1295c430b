#include "kvx_material.h"

#include <gtest/gtest.h>

using namespace norvane::kvx;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

template <typename Body> void loadMaterial(Material& material, Body body) {
    ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
    w.beginChunk(0x6000);
    w.writeString("mat");
    body(w);
    w.endChunk();
    const std::vector<char> bytes = w.getData();
    ChunkReader r(bytes.data(), static_cast<uint32_t>(bytes.size()), ChunkImplicitSizes);
    ASSERT_EQ(r.nextChunk(), 0x6000);
    material.loadChunk(r);
}

} // namespace

TEST(Material, FlagsAndDefaults) {
    Material plain;
    loadMaterial(plain, [](ChunkWriter&) {});
    EXPECT_EQ(plain.name, "mat");
    EXPECT_FALSE(plain.firstFlag);
    EXPECT_TRUE(plain.secondFlag);

    Material set;
    loadMaterial(set, [](ChunkWriter& w) {
        w.beginChunk(0x6101);
        w.writeByte(1);
        w.endChunk();
        w.beginChunk(0x6111);
        w.writeByte(2);
        w.endChunk();
        w.beginChunk(0x6100);
        w.writeString("bare");
        w.endChunk();
    });
    EXPECT_TRUE(set.firstFlag);
    EXPECT_FALSE(set.secondFlag);
    ASSERT_EQ(set.attributes.size(), 1u);
    EXPECT_EQ(set.attributes[0]->name, "bare");
    for (float v : set.attributes[0]->value) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(set.findAttribute("bare"), set.attributes[0]);
    EXPECT_EQ(set.findAttribute("diffuse"), nullptr);
    set.reset();
    EXPECT_TRUE(set.attributes.empty());
    EXPECT_TRUE(set.secondFlag);

    // A flag chunk cut off at the end of the file reads as 0.
    const char cut[] = {'K', 'V', 'X', 'F', 1, 1, 0x00, 0x60, 8, 0, 0, 0, 'm', 0, 0x11, 0x61};
    ChunkReader r(cut, sizeof(cut), 1);
    ASSERT_EQ(r.nextChunk(), 0x6000);
    Material truncated;
    truncated.loadChunk(r);
    EXPECT_FALSE(truncated.secondFlag);
}

TEST(Material, UnknownChunksAtEveryLevel) {
    Material m;
    CaptureStdout();
    loadMaterial(m, [](ChunkWriter& w) {
        w.beginChunk(0x6200);
        w.writeByte(1);
        w.endChunk();
        w.beginChunk(0x6100);
        w.writeString("diffuse");
        w.beginChunk(0xF007);
        w.writeVec4(1, 0.5f, 0.25f, 1);
        w.endChunk();
        w.beginChunk(0x7100);
        w.writeByte(1);
        w.endChunk();
        w.beginChunk(0x7000);
        w.writeString("item");
        w.beginChunk(0xF007);
        w.writeVec4(1, 1, 1, 1);
        w.endChunk();
        w.beginChunk(0xF030);
        w.writeString("text");
        w.endChunk();
        w.beginChunk(0x7001);
        w.writeByte(250);
        w.endChunk();
        w.endChunk();
        w.endChunk();
    });
    const std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("[warning][kvx::Material::loadChunk], Material:Unknown chunk with ID=0x6200"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("[warning][kvx::Material::Attribute::loadChunk], material-attribute: Unknown chunk with ID=0x7100"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\nUnknown chunk with ID=0xF007\n"), std::string::npos) << out;
    ASSERT_EQ(m.attributes.size(), 1u);
    const Material::Attribute& a = *m.attributes[0];
    EXPECT_EQ(a.value[1], 0.5f);
    ASSERT_EQ(a.items.size(), 1u);
    EXPECT_EQ(a.items[0]->name, "item");
    EXPECT_EQ(a.items[0]->text, "text");
    EXPECT_EQ(a.items[0]->byteValue, 250);
}
