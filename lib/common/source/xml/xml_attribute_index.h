#pragma once
// Finds the attributes of one tag by name while attributes are added to it: a plain scan while
// there are few, a hash index once there are many, so that adding n attributes takes time linear
// in n however large the tag.

#include "xml/xml_tag.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace norvane {
namespace xml {

class AttributeIndex {
public:
    explicit AttributeIndex(XmlTag::Attributes& attributes) : mAttributes(attributes) {}

    // When the last attribute repeats an earlier name, the earlier one takes its value and the
    // last is dropped; a new name stays.
    void mergeLast() {
        if (mAttributes.empty()) return;
        const size_t last = mAttributes.size() - 1;
        const size_t earlier = find(mAttributes[last].first, last);
        if (earlier == NotFound) return;
        mAttributes[earlier].second.swap(mAttributes[last].second);
        mAttributes.pop_back();
    }

    // Replaces the value of the first attribute of that name, or appends a new one.
    void set(const std::string& name, const std::string& value) {
        const size_t at = find(name, mAttributes.size());
        if (at == NotFound) mAttributes.emplace_back(name, value);
        else mAttributes[at].second = value;
    }

private:
    typedef std::unordered_map<std::string, size_t> Positions;

    AttributeIndex(const AttributeIndex&) = delete;
    AttributeIndex& operator=(const AttributeIndex&) = delete;

    // Position of the first attribute of that name among the first count, or NotFound.
    size_t find(const std::string& name, size_t count) {
        if (count >= ScanLimit) return findIndexed(name, count);
        for (size_t i = 0; i < count; ++i) {
            if (mAttributes[i].first == name) return i;
        }
        return NotFound;
    }
    size_t findIndexed(const std::string& name, size_t count);

    static const size_t NotFound = static_cast<size_t>(-1);
    // Tags with fewer attributes than this are scanned: faster than hashing for the usual few.
    static const size_t ScanLimit = 16;

    XmlTag::Attributes& mAttributes;
    std::unique_ptr<Positions> mPositions; // first position of each name indexed so far; made when needed
    size_t mIndexed = 0;                   // attributes entered into mPositions
};

} // namespace xml
} // namespace norvane
