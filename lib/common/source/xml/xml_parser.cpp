// The document: its root and header, and writing it back as text.

#include "xml/xml_parser.h"

#include "nvn_system.h"

#include <ostream>
#include <sstream>
#include <vector>

namespace norvane {
namespace xml {

namespace {
void writeIndent(std::ostream& stream, const std::string& indent, int depth) {
    if (indent.empty()) return;
    for (int i = 0; i < depth; ++i) stream << indent;
}
} // namespace

XmlParser::XmlParser() : mRoot(nullptr) {}

XmlParser::~XmlParser() = default;

XmlParser::Iterator XmlParser::children(const std::string& filter) { return mRoot.children(filter); }

IteratorConst XmlParser::childrenConst(const std::string& filter) { return mRoot.childrenConst(filter); }

void XmlParser::clear() {
    mRoot.clear();
    mProlog.clear();
    mEpilog.clear();
}

void XmlParser::write(std::ostream& stream, const std::string& indent) {
    if (mHeader.name() == "xml") {
        // The header is a declaration, however it was set up: anything else would read back
        // as a closed root.
        XmlTag header(mHeader);
        header.setKind(XmlTag::Declaration);
        header.write(stream, true);
        stream << '\n';
    }
    for (const XmlTag& tag : mProlog) tag.write(stream, true);
    mRoot.tag().write(stream, false);
    IteratorConst it = mRoot.childrenConst("");
    writeChildren(stream, it, indent, 1);
    stream << mEpilog;
    stream.flush();
}

// Writes the children that it has still to visit, each on its own line below its parent,
// then the visited node's end tag. Text runs on up to the next tag: the reader keeps every
// byte up to the next '<', so a line break or indentation after it would become part of it.
// Walks the tree with a stack of iterators rather than by recursion, so any depth can be written.
void XmlParser::writeChildren(std::ostream& stream, IteratorConst& it, const std::string& indent, int depth) {
    std::vector<IteratorConst> stack;
    stack.push_back(it);
    bool afterText = false;
    while (!stack.empty()) {
        IteratorConst& top = stack.back();
        const int level = depth + static_cast<int>(stack.size()) - 1;
        if (++top) {
            XmlNode* node = top.node()->child(top.index());
            const XmlTag& tag = node->tag();
            if (!afterText) writeIndent(stream, indent, level);
            afterText = tag.kind() == XmlTag::Text;
            if (tag.kind() != XmlTag::Element) {
                tag.write(stream, true);
            } else if (node->childCount() > 0 ||
                       (tag.attributes().empty() && tag.name() == top.parentTag().name())) {
                // An empty element named as its parent cannot take the closed form: that
                // would end the parent. Its own end tag keeps it a child.
                tag.write(stream, false);
                stack.push_back(node->childrenConst(""));
            } else if (tag.closed()) {
                tag.write(stream, true);
            } else {
                // An element without content reads back closed; write it so from the start.
                XmlTag closedTag(tag);
                closedTag.setClosed(true);
                closedTag.write(stream, true);
            }
            continue;
        }
        if (!afterText) writeIndent(stream, indent, level - 1);
        afterText = false;
        stream << "</" << top.parentTag().name() << ">\n";
        if (stack.size() == 1) it = top; // the caller's iterator ends where the walk ended
        stack.pop_back();
    }
}

void XmlParser::writeToString(std::string& out, const std::string& indent) {
    std::ostringstream stream;
    write(stream, indent);
    out = stream.str();
}

} // namespace xml
} // namespace norvane
