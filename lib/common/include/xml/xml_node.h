#pragma once
// A node of the XML tree: a tag, its owned children and its parent.

#include "xml/xml_iterator.h"
#include "xml/xml_tag.h"

#include <string>
#include <vector>

namespace norvane {
namespace xml {

class XmlNode {
public:
    explicit XmlNode(XmlNode* parent);
    XmlNode(const XmlTag& tag, XmlNode* parent);
    ~XmlNode();

    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;

    XmlTag& tag() { return mTag; }
    const XmlTag& tag() const { return mTag; }
    void setTag(const XmlTag& tag) { mTag = tag; }
    XmlNode* parent() const { return mParent; }

    int childCount() const { return static_cast<int>(mChildren.size()); }
    // The child at i; null when i is out of range.
    XmlNode* child(int i) const;

    XmlIterator children(const std::string& filter);
    IteratorConst childrenConst(const std::string& filter);

    // Adds a child holding a copy of tag before the child at index; an index of -1, or one
    // outside the children, appends. Clears this node's closed flag (it now has content).
    // Returns an iterator over the new child's children.
    XmlIterator insertChild(const XmlTag& tag, int index);
    // Appends a child that takes over tag's content (the reader's way in; see XmlTag::moveInto).
    XmlNode* appendChildFrom(XmlTag& tag);
    // Removes child from the children without deleting it; returns its former index.
    int detachChild(XmlNode* child);

    // Resets the tag, leaves the parent and deletes the whole subtree.
    void clear();

private:
    void deleteChildren() noexcept;

    XmlTag mTag;
    std::vector<XmlNode*> mChildren;
    XmlNode* mParent;
};

} // namespace xml
} // namespace norvane
