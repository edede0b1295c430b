// Reading: tags from an input cursor, and the document tree from tags.

#include "nvn_system.h"
#include "xml_attribute_index.h"
#include "xml/xml_cursor.h"
#include "xml/xml_parser.h"
#include "xml/xml_tag.h"

#include <cctype>
#include <string>

namespace norvane {
namespace xml {

void XmlTag::read(InputCursor& cursor) {
    clear();
    cursor.markTag();
    cursor.skipWhitespace();
    mLine = cursor.line();
    if (cursor.peek(0) != '<') {
        readText(cursor);
        return;
    }
    cursor.advance(1);
    const char next = cursor.peek(0);
    if (next == '!') {
        if (cursor.remaining() >= 3 && cursor.peek(1) == '-' && cursor.peek(2) == '-') {
            readComment(cursor);
        } else {
            readSpecial(cursor);
        }
    } else if (next == '?') {
        readDeclaration(cursor);
    } else {
        readElement(cursor);
    }
}

void XmlTag::readElement(InputCursor& cursor) {
    mKind = Element;
    mClosed = false;
    cursor.skipWhitespace();
    if (cursor.peek(0) == '/') {
        mClosed = true;
        cursor.advance(1);
        cursor.skipWhitespace();
    }
    cursor.readWord(mName, true);
    AttributeIndex index(mAttributes);
    for (;;) {
        cursor.skipWhitespace();
        while (cursor.peek(0) == '/') {
            mClosed = true;
            cursor.advance(1);
            cursor.skipWhitespace();
        }
        if (cursor.peek(0) == '>') {
            cursor.advance(1);
            return;
        }
        readAttribute(cursor, true, index);
    }
}

void XmlTag::readAttribute(InputCursor& cursor, bool requireEquals) {
    AttributeIndex index(mAttributes);
    readAttribute(cursor, requireEquals, index);
}

void XmlTag::readAttribute(InputCursor& cursor, bool requireEquals, AttributeIndex& index) {
    const int start = cursor.position();
    mAttributes.emplace_back();
    Attribute& attribute = mAttributes.back();
    cursor.readWord(attribute.first, false);
    cursor.skipWhitespace();
    if (requireEquals && cursor.get() != '=') throw Exception("'=' expected!");
    cursor.skipWhitespace();
    const char quote = cursor.atEnd() ? '\0' : cursor.current();
    if (quote == '"' || quote == '\'') {
        cursor.advance(1);
        cursor.readUntilByte(attribute.second, quote, true);
        if (cursor.peek(0) != quote) throw Exception("You must close the value using %c", quote);
        cursor.advance(1);
    } else {
        cursor.readWord(attribute.second, false);
    }
    if (cursor.position() == start) {
        // Only a <! tag gets here: a byte that starts neither a word nor a quoted value.
        const char c = cursor.current();
        if (std::isprint(static_cast<unsigned char>(c))) {
            throw Exception("Xml: Ill formed <! tag, unexpected '%c'", c);
        }
        throw Exception("Xml: Ill formed <! tag, unexpected byte 0x%02x", static_cast<unsigned char>(c));
    }
    // A repeated name replaces the first value.
    index.mergeLast();
}

void XmlTag::readComment(InputCursor& cursor) {
    mKind = Comment;
    mClosed = true;
    mName = "COMMENT";
    cursor.advance(3);
    const char* start = cursor.here();
    for (;;) {
        if (cursor.get() == '-' && cursor.peek(0) == '-' && cursor.peek(1) == '>') break;
    }
    const std::string text(start, cursor.here() - start - 1);
    if (text.empty() || text.back() == '-') throw Exception("Xml: Ill formatted comment!");
    cursor.advance(2);
    mAttributes.emplace_back("content", text);
}

void XmlTag::readDeclaration(InputCursor& cursor) {
    mKind = Declaration;
    mClosed = true;
    cursor.advance(1);
    cursor.readWord(mName, false);
    AttributeIndex index(mAttributes);
    char c;
    for (;;) {
        cursor.skipWhitespace();
        c = cursor.peek(0);
        if (c == '?' || c == '>') break;
        readAttribute(cursor, true, index);
    }
    if (c == '?' && cursor.peek(1) == '>') {
        cursor.advance(2);
        return;
    }
    if (c == '?') throw Exception("Xml: Ill formed <?xml?> tag");
    throw Exception("Xml: Ill formed <?xml?> tag, forgot to close it using '?>'?");
}

void XmlTag::readSpecial(InputCursor& cursor) {
    mKind = Special;
    mClosed = true;
    mName = "SPECIAL_EXCLAIM";
    cursor.advance(1);
    AttributeIndex index(mAttributes);
    for (;;) {
        cursor.skipWhitespace();
        if (cursor.peek(0) == '>') {
            cursor.advance(1);
            return;
        }
        readAttribute(cursor, false, index);
    }
}

void XmlTag::readText(InputCursor& cursor) {
    mKind = Text;
    mClosed = true;
    mName = "!!!text";
    mAttributes.emplace_back();
    mAttributes.back().first = "content";
    cursor.readUntilByte(mAttributes.back().second, '<', false);
}

namespace {

// The encoding the start of the text shows, or null when it is one the reader takes. A UTF-8
// mark reads as text before the root, which is dropped. Without a mark, UTF-16 and UTF-32 show
// by the zero bytes around their first characters ('<' or blank space, which are ASCII).
const char* unreadableEncoding(const char* data, int length) {
    const auto at = [&](int i) { return i < length ? static_cast<unsigned char>(data[i]) : -1; };
    if (at(0) == 0xFF && at(1) == 0xFE)
        return at(2) == 0 && at(3) == 0 ? "UTF-32 (little-endian)" : "UTF-16 (little-endian)";
    if (at(0) == 0xFE && at(1) == 0xFF) return "UTF-16 (big-endian)";
    if (at(0) == 0 && at(1) == 0 && at(2) == 0xFE && at(3) == 0xFF) return "UTF-32 (big-endian)";
    const auto zero = [&](int i) { return at(i) == 0; };
    const auto ascii = [&](int i) { return at(i) > 0 && at(i) < 0x80; };
    if (ascii(0) && zero(1) && zero(2) && zero(3)) return "UTF-32 (little-endian)";
    if (zero(0) && zero(1) && zero(2) && ascii(3)) return "UTF-32 (big-endian)";
    if (ascii(0) && zero(1) && ascii(2) && zero(3)) return "UTF-16 (little-endian)";
    if (zero(0) && ascii(1) && zero(2) && ascii(3)) return "UTF-16 (big-endian)";
    return nullptr;
}

} // namespace

void XmlParser::parse(const char* data, int length) {
    if (data && length > 0) {
        if (const char* encoding = unreadableEncoding(data, length))
            throw Exception("Xml: The text is %s; the file must be saved as UTF-8", encoding);
        // No text holds a NUL byte; a file damaged on writing may hold nothing else.
        if (data[0] == '\0') throw Exception("Xml: The text starts with a NUL byte: the file is damaged or not text");
    }
    InputCursor cursor(data, length);
    try {
        parseStream(cursor);
    } catch (const Exception& e) {
        // Where the text ends inside an element, the innermost one left open is named with its line.
        std::string open;
        if (mOpen && dynamic_cast<const EndOfText*>(&e))
            open = "; '" + mOpen->tag().name() + "' opened at line " + std::to_string(mOpen->tag().line()) +
                   " is not closed";
        throw Exception("(error at line %d, col %d); %s (when reading tag at %d:%d)%s", cursor.line(), cursor.column(),
                        e.what(), cursor.tagLine(), cursor.tagColumn(), open.c_str());
    }
}

void XmlParser::parse(const std::string& text) {
    parse(text.data(), static_cast<int>(text.size()));
}

void XmlParser::parseStream(InputCursor& cursor) {
    mOpen = nullptr;
    if (!mRoot.tag().name().empty() || mRoot.childCount() > 0) {
        throw Exception("Parser has already parsed a xml-file, use clear() first!");
    }
    mHeader.clear();
    mProlog.clear();
    mEpilog.clear();
    bool haveHeader = false;
    XmlTag tag;
    for (;;) {
        tag.read(cursor);
        if (tag.kind() == XmlTag::Element) break;
        if (tag.kind() == XmlTag::Declaration && tag.name() == "xml") {
            if (!haveHeader) {
                mHeader = tag;
                haveHeader = true;
            } else {
                mHeader.mergeAttributes(tag);
            }
        } else if (tag.kind() != XmlTag::Text) {
            mProlog.push_back(tag);
        }
    }
    if (tag.closed()) throw Exception("Root tag is closed!");
    tag.moveInto(mRoot.tag());
    parseChildren(cursor, &mRoot, tag, 1);
    cursor.skipWhitespace();
    mEpilog.assign(cursor.here(), cursor.remaining());
}

void XmlParser::parseChildren(InputCursor& cursor, Iterator& parent) {
    if (!parent.node()) return;
    XmlTag scratch;
    parseChildren(cursor, parent.node(), scratch, 1);
}

// depth is the nesting level of parent's children below the root.
void XmlParser::parseChildren(InputCursor& cursor, XmlNode* parent, XmlTag& scratch, int depth) {
    const XmlNode* outer = mOpen;
    mOpen = parent;
    for (;;) {
        scratch.read(cursor);
        if (scratch.closed() && scratch.attributes().empty() && scratch.name() == parent->tag().name()) break;
        const bool opens = !scratch.closed();
        if (opens && depth >= MaxDepth) throw Exception("Xml: Elements nest deeper than %d levels!", int(MaxDepth));
        XmlNode* child = parent->appendChildFrom(scratch);
        if (opens) parseChildren(cursor, child, scratch, depth + 1);
    }
    mOpen = outer;
    if (parent->childCount() == 0) parent->tag().setClosed(true);
}

} // namespace xml
} // namespace norvane
