#include "xml/xml_node.h"

#include "nvn_system.h"
#include "xml/xml_iterator.h"

#include <memory>
#include <ostream>

namespace norvane {
namespace xml {

XmlNode::XmlNode(XmlNode* parent) : mParent(parent) {}

XmlNode::XmlNode(const XmlTag& tag, XmlNode* parent) : mTag(tag), mParent(parent) {}

XmlNode::~XmlNode() { clear(); }

XmlNode* XmlNode::child(int i) const {
    if (i < 0 || i >= childCount()) return nullptr;
    return mChildren[i];
}

XmlIterator XmlNode::children(const std::string& filter) { return XmlIterator(this, filter); }

IteratorConst XmlNode::childrenConst(const std::string& filter) { return IteratorConst(this, filter); }

XmlIterator XmlNode::insertChild(const XmlTag& tag, int index) {
    std::unique_ptr<XmlNode> node(new XmlNode(tag, this));
    if (index < 0 || index >= childCount()) {
        mChildren.push_back(node.get());
    } else {
        mChildren.insert(mChildren.begin() + index, node.get());
    }
    mTag.setClosed(false);
    return XmlIterator(node.release(), "");
}

XmlNode* XmlNode::appendChildFrom(XmlTag& tag) {
    std::unique_ptr<XmlNode> node(new XmlNode(this));
    tag.moveInto(node->mTag);
    if (mChildren.empty()) mChildren.reserve(4); // most parents hold a few children
    mChildren.push_back(node.get());
    mTag.setClosed(false);
    return node.release();
}

int XmlNode::detachChild(XmlNode* child) {
    for (size_t i = 0; i < mChildren.size(); ++i) {
        if (mChildren[i] == child) {
            mChildren.erase(mChildren.begin() + i);
            child->mParent = nullptr;
            return static_cast<int>(i);
        }
    }
    throw Exception("detachChild(%p); No such child in '%s'", static_cast<void*>(child), mTag.name().c_str());
}

void XmlNode::clear() {
    mTag.clear();
    if (mParent) {
        std::vector<XmlNode*>& siblings = mParent->mChildren;
        for (size_t i = 0; i < siblings.size(); ++i) {
            if (siblings[i] == this) {
                siblings.erase(siblings.begin() + i);
                break;
            }
        }
        mParent = nullptr;
    }
    deleteChildren();
}

// Deletes the subtree without recursion (trees may be deep): walk down along last children
// and delete leaves on the way back up, so no node is deleted while it has children.
void XmlNode::deleteChildren() noexcept {
    XmlNode* node = this;
    for (;;) {
        if (!node->mChildren.empty()) {
            node = node->mChildren.back();
            continue;
        }
        if (node == this) return;
        XmlNode* parent = node->mParent;
        parent->mChildren.pop_back();
        node->mParent = nullptr;
        delete node;
        node = parent;
    }
}

// Iterators.

ChildIteratorBase::ChildIteratorBase(XmlNode* node, const std::string& filter)
    : mNode(node), mIndex(-1), mAtEnd(false), mBeforeFirst(true), mFilter(filter) {}

bool ChildIteratorBase::operator++() {
    if (mAtEnd) throw Exception("IteratorConst::operator++; Called after last tag!");
    mBeforeFirst = false;
    const int count = mNode ? mNode->childCount() : 0;
    int i = mIndex + 1;
    if (i < count) {
        if (mFilter.empty()) {
            mIndex = i;
            return true;
        }
        for (; i < count; ++i) {
            if (mNode->child(i)->tag().name() == mFilter) {
                mIndex = i;
                return true;
            }
        }
        mAtEnd = true;
        return false;
    }
    mIndex = count;
    mAtEnd = true;
    return false;
}

const XmlTag& ChildIteratorBase::parentTag() const {
    if (!mNode) throw Exception("IteratorConst::parentTag; No node!");
    return mNode->tag();
}

XmlNode* ChildIteratorBase::current() const {
    if (mBeforeFirst || mAtEnd || !mNode) return nullptr;
    return mNode->child(mIndex);
}

IteratorConst::IteratorConst(XmlNode* node, const std::string& filter) : ChildIteratorBase(node, filter) {}

const XmlTag* IteratorConst::operator->() const {
    if (mBeforeFirst) throw Exception("IteratorConst::operator->; Can't access before first element!");
    XmlNode* node = current();
    if (!node) throw Exception("IteratorConst::operator->; Can't access after last element!");
    return &node->tag();
}

IteratorConst IteratorConst::children(const std::string& filter) const {
    operator->(); // throws unless the iterator stands on a child
    return IteratorConst(current(), filter);
}

std::ostream& operator<<(std::ostream& stream, const IteratorConst& it) {
    it->write(stream, true);
    return stream;
}

XmlIterator::XmlIterator(XmlNode* node, const std::string& filter) : ChildIteratorBase(node, filter) {}

XmlTag* XmlIterator::operator->() const {
    if (mBeforeFirst) {
        throw Exception("XmlParser::Iterator::operator->; Can't access before first element, try operator++ first!");
    }
    XmlNode* node = current();
    if (!node) {
        throw Exception("XmlParser::Iterator::operator->; Can't access after last element, no Tags matching "
                        "searchCriteria?");
    }
    return &node->tag();
}

XmlIterator XmlIterator::children(const std::string& filter) const {
    operator->(); // throws unless the iterator stands on a child
    return XmlIterator(current(), filter);
}

XmlIterator XmlIterator::insertChild(const XmlTag& tag) {
    if (!mNode) throw Exception("XmlParser::Iterator::insertChild; No node to insert into!");
    int at = mBeforeFirst ? 0 : mIndex + 1;
    if (at > mNode->childCount()) at = mNode->childCount();
    XmlIterator inside = mNode->insertChild(tag, at);
    mIndex = at;
    mAtEnd = false;
    mBeforeFirst = false;
    return inside;
}

void XmlIterator::setParentTag(const XmlTag& tag) {
    if (!mNode) throw Exception("XmlParser::Iterator::setParentTag; No node!");
    mNode->setTag(tag);
}

} // namespace xml
} // namespace norvane
