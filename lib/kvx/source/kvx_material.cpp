#include "kvx_material.h"
#include "nvn_system.h"

#include <cstdio>
#include <memory>

namespace norvane {
namespace kvx {

namespace {
const uint16_t kMaterial = 0x6000;
const uint16_t kAttribute = 0x6100;
const uint16_t kFirstFlag = 0x6101;
const uint16_t kSecondFlag = 0x6111;
const uint16_t kValue = 0xF007;
const uint16_t kItem = 0x7000;
const uint16_t kItemText = 0xF030;
const uint16_t kItemByte = 0x7001;

// Loads one owned child; a child whose loading throws is dropped and reading resumes after it.
template <typename T> void loadOwned(ChunkReader& reader, std::vector<T*>& list) {
    std::unique_ptr<T> child(new T());
    const size_t depth = reader.getDepth();
    try {
        child->loadChunk(reader);
        list.push_back(child.get());
        child.release();
    } catch (...) {
        reader.unwindTo(depth);
    }
}
} // namespace

// ---------------------------------------------------------------------------------------------
// AttributeItem

void Material::AttributeItem::reset() {
    name.clear();
    text.clear();
    byteValue = 0;
}

void Material::AttributeItem::loadChunk(ChunkReader& reader) {
    reader.readString(name);
    while (uint16_t id = reader.nextChunk()) {
        if (id == kItemByte) {
            uint8_t byte = 0;
            reader.readByte(byte);
            byteValue = byte;
        } else if (id == kItemText) {
            reader.readString(text);
        } else {
            std::printf("Unknown chunk with ID=0x%X\n", id);
        }
        reader.endChunk();
    }
}

void Material::AttributeItem::save(ChunkWriter& writer) const {
    writer.beginChunk(kItem);
    writer.writeString(name);
    writer.beginChunk(kItemText);
    writer.writeString(text);
    writer.endChunk();
    writer.beginChunk(kItemByte);
    writer.writeByte(static_cast<uint8_t>(byteValue));
    writer.endChunk();
    writer.endChunk();
}

// ---------------------------------------------------------------------------------------------
// Attribute

Material::Attribute::~Attribute() {
    for (AttributeItem* item : items) delete item;
}

void Material::Attribute::loadChunk(ChunkReader& reader) {
    reader.readString(name);
    while (uint16_t id = reader.nextChunk()) {
        if (id == kItem) loadOwned(reader, items);
        else if (id == kValue) reader.readVec4(value);
        else NVN_LOG("warning", "kvx", "material-attribute: Unknown chunk with ID=0x%X\n", id);
        reader.endChunk();
    }
}

void Material::Attribute::save(ChunkWriter& writer) const {
    writer.beginChunk(kAttribute);
    writer.writeString(name);
    writer.beginChunk(kValue);
    writer.writeVec4(value);
    writer.endChunk();
    for (const AttributeItem* item : items) item->save(writer);
    writer.endChunk();
}

// ---------------------------------------------------------------------------------------------
// Material

Material::Material() : attributes(), name(), firstFlag(false), secondFlag(true) {}

Material::~Material() { reset(); }

void Material::reset() {
    for (Attribute* attribute : attributes) delete attribute;
    attributes.clear();
    name.clear();
    firstFlag = false;
    secondFlag = true;
}

const Material::Attribute* Material::findAttribute(const std::string& attributeName) const {
    for (const Attribute* attribute : attributes)
        if (attribute->name == attributeName) return attribute;
    return nullptr;
}

void Material::loadChunk(ChunkReader& reader) {
    reader.readString(name);
    while (uint16_t id = reader.nextChunk()) {
        switch (id) {
        case kAttribute: loadOwned(reader, attributes); break;
        case kFirstFlag:
        case kSecondFlag: {
            uint8_t byte = 0;
            reader.readByte(byte);
            (id == kFirstFlag ? firstFlag : secondFlag) = (byte == 1);
            break;
        }
        default: NVN_LOG("warning", "kvx", "Material:Unknown chunk with ID=0x%X\n", id); break;
        }
        reader.endChunk();
    }
}

void Material::save(ChunkWriter& writer) const {
    writer.beginChunk(kMaterial);
    writer.writeString(name);
    writer.beginChunk(kFirstFlag);
    writer.writeByte(firstFlag ? 1 : 0);
    writer.endChunk();
    writer.beginChunk(kSecondFlag);
    writer.writeByte(secondFlag ? 1 : 0);
    writer.endChunk();
    for (const Attribute* attribute : attributes) attribute->save(writer);
    writer.endChunk();
}

} // namespace kvx
} // namespace norvane
