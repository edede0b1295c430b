#pragma once
// Child iterators over a node of the XML tree, filtered by tag name.

#include "xml/xml_tag.h"

#include <iosfwd>
#include <string>

namespace norvane {
namespace xml {

class XmlNode;

// What both iterators share: the visited node, the current child and the name filter.
class ChildIteratorBase {
public:
    // Steps to the next child whose name matches the filter (any child when it is empty).
    // Returns false when there is none; stepping again after that throws.
    bool operator++();

    // The tag of the node whose children are visited.
    const XmlTag& parentTag() const;
    XmlNode* node() const { return mNode; }
    int index() const { return mIndex; }

protected:
    ChildIteratorBase(XmlNode* node, const std::string& filter);
    // The child under the iterator, or null before the first or after the last one.
    XmlNode* current() const;

    XmlNode* mNode;
    int mIndex;
    bool mAtEnd;
    bool mBeforeFirst;
    std::string mFilter;
};

// Read-only iterator.
class IteratorConst : public ChildIteratorBase {
public:
    IteratorConst(XmlNode* node, const std::string& filter);

    const XmlTag* operator->() const;
    // The children of the current child; throws when the iterator stands on none.
    IteratorConst children(const std::string& filter) const;

    friend std::ostream& operator<<(std::ostream& stream, const IteratorConst& it);
};

// Iterator that can also insert; known to callers as XmlParser::Iterator.
class XmlIterator : public ChildIteratorBase {
public:
    XmlIterator(XmlNode* node, const std::string& filter);

    XmlTag* operator->() const;
    XmlIterator children(const std::string& filter) const;

    // Inserts a copy of tag right after the current child (first when before the first,
    // last when past the end), steps onto it and returns an iterator over its children.
    XmlIterator insertChild(const XmlTag& tag);
    void setParentTag(const XmlTag& tag);
};

} // namespace xml
} // namespace norvane
