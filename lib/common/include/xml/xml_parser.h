#pragma once
// A whole XML document: the root node with its content, and the <?xml?> header tag.

#include "xml/xml_cursor.h"
#include "xml/xml_iterator.h"
#include "xml/xml_node.h"
#include "xml/xml_tag.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace norvane {
namespace xml {

class XmlParser {
public:
    typedef XmlIterator Iterator;

    // Elements may nest this deep below the root; a deeper document fails to parse.
    enum { MaxDepth = 256 };

    XmlParser();
    ~XmlParser();

    XmlParser(const XmlParser&) = delete;
    XmlParser& operator=(const XmlParser&) = delete;

    Iterator children(const std::string& filter);
    IteratorConst childrenConst(const std::string& filter);

    XmlNode& root() { return mRoot; }
    XmlTag& header() { return mHeader; }
    const XmlTag& header() const { return mHeader; }
    // The tags before the root other than text and the header (comments, declarations, <! tags),
    // in document order; written back between the header and the root.
    std::vector<XmlTag>& prolog() { return mProlog; }
    const std::vector<XmlTag>& prolog() const { return mProlog; }
    // What follows the root's end, from its first byte that is not white space. It is not read
    // as tags: it is written back after the root as it stood.
    std::string& epilog() { return mEpilog; }
    const std::string& epilog() const { return mEpilog; }

    // Empties the document so that it can parse again.
    void clear();

    // Reads a document; errors name the line and column where reading stopped, and when the text
    // ends inside an element, the innermost one left open with the line where it was opened
    // ("'effect' opened at line 9 is not closed"). Text in UTF-16 or UTF-32 (with a byte-order
    // mark or without) and text that starts with a NUL byte are refused: the reader takes UTF-8
    // (or ASCII) only.
    void parse(const char* data, int length);
    void parse(const std::string& text);
    void parseStream(InputCursor& cursor);
    void parseChildren(InputCursor& cursor, Iterator& parent);

    // Writes the document; writing it, reading that and writing again gives the same bytes.
    void write(std::ostream& stream, const std::string& indent);
    void writeChildren(std::ostream& stream, IteratorConst& it, const std::string& indent, int depth);
    void writeToString(std::string& out, const std::string& indent);

private:
    void parseChildren(InputCursor& cursor, XmlNode* parent, XmlTag& scratch, int depth);

    XmlNode mRoot;
    XmlTag mHeader;
    std::vector<XmlTag> mProlog;
    std::string mEpilog;
    const XmlNode* mOpen = nullptr; // while reading: the innermost element not yet closed
};

} // namespace xml
} // namespace norvane
