#pragma once
// Materials as plain named records: two flags and named attributes, each with a four-float value
// and named items holding a text and a byte. The format stores them; their users interpret them.

#include "kvx_chunk.h"

#include <string>
#include <vector>

namespace norvane {
namespace kvx {

class Material {
public:
    class AttributeItem {
    public:
        AttributeItem() : name(), text(), byteValue(0) {}
        void reset();
        void loadChunk(ChunkReader& reader);
        void save(ChunkWriter& writer) const;

        std::string name;
        std::string text;
        int byteValue;
    };

    class Attribute {
    public:
        Attribute() : name(), value{0, 0, 0, 0}, items() {}
        ~Attribute();
        Attribute(const Attribute&) = delete;
        Attribute& operator=(const Attribute&) = delete;
        void loadChunk(ChunkReader& reader);
        void save(ChunkWriter& writer) const;

        std::string name;
        float value[4];
        std::vector<AttributeItem*> items;
    };

    Material();
    ~Material();
    Material(const Material&) = delete;
    Material& operator=(const Material&) = delete;

    void reset();
    void loadChunk(ChunkReader& reader);
    void save(ChunkWriter& writer) const;
    // The first attribute of that name, or null.
    const Attribute* findAttribute(const std::string& attributeName) const;

    std::vector<Attribute*> attributes;
    std::string name;
    bool firstFlag;
    bool secondFlag;
};

} // namespace kvx
} // namespace norvane
