#pragma once
// One tag of an XML document: its kind, name, closed flag and attributes in document order.

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace norvane {
namespace xml {

class AttributeIndex;
class InputCursor;

class XmlTag {
public:
    // Tag kinds.
    enum Kind {
        Element = 0,     // <name ...>, <name .../> or </name>
        Comment = 1,     // <!-- ... -->, text in "content"
        Declaration = 2, // <?name ...?>, for example the <?xml?> header
        Special = 3,     // <! ...> other than a comment, words paired into attributes
        Text = 4         // text between tags, in "content"
    };

    typedef std::pair<std::string, std::string> Attribute;
    typedef std::vector<Attribute> Attributes;

    XmlTag();
    XmlTag(const XmlTag& other);
    XmlTag(XmlTag&& other) noexcept;
    XmlTag& operator=(const XmlTag& other);
    XmlTag& operator=(XmlTag&& other) noexcept;

    // Back to a closed element without name or attributes.
    void clear();

    int kind() const { return mKind; }
    void setKind(int kind) { mKind = kind; }
    bool closed() const { return mClosed; }
    void setClosed(bool closed) { mClosed = closed; }
    const std::string& name() const { return mName; }
    void setName(const std::string& name) { mName = name; }
    const Attributes& attributes() const { return mAttributes; }
    // The line of the document the tag begins on; 0 for a tag not read from a document.
    int line() const { return mLine; }

    // The first attribute of that name; the empty text when there is none.
    const std::string& getAttribute(const std::string& name) const;
    // Replaces the first attribute of that name, or appends a new one.
    void setAttribute(const std::string& name, const std::string& value);
    void setAttributeInt(const std::string& name, int value);
    void setAttributeDouble(const std::string& name, double value);
    // Sets each of other's attributes on this tag in order, as setAttribute does, in time linear
    // in the number of attributes.
    void mergeAttributes(const XmlTag& other);

    // Whole number with automatic base ("0x" hexadecimal, leading "0" octal); values beyond
    // the range of int are clamped to its limits; missing or without digits gives 0.
    int getInt(const std::string& name) const;
    // Decimal or exponent notation; missing or unreadable gives 0.
    float getFloat(const std::string& name) const;

    // Reading (one tag of any kind, and one kind each).
    void read(InputCursor& cursor);
    void readElement(InputCursor& cursor);
    void readComment(InputCursor& cursor);
    void readDeclaration(InputCursor& cursor);
    void readSpecial(InputCursor& cursor);
    void readText(InputCursor& cursor);
    void readAttribute(InputCursor& cursor, bool requireEquals);

    // Writes the tag as document text. Every kind but text ends with a line break; text is
    // written bare, since everything up to the next tag belongs to it. Throws when the tag
    // holds something that would not read back as the same tag.
    void write(std::ostream& stream, bool allowClosedForm) const;

    // Hands kind, closed flag, name and attributes to target (sized to fit) and leaves this
    // tag with its storage, ready to read the next one.
    void moveInto(XmlTag& target);

private:
    // Reads one attribute; a name repeated within the tag replaces the earlier value.
    void readAttribute(InputCursor& cursor, bool requireEquals, AttributeIndex& index);
    void writeAttributes(std::ostream& stream) const;
    void writeSpecial(std::ostream& stream) const;

    int mKind;
    bool mClosed;
    std::string mName;
    Attributes mAttributes;
    int mLine;
};

std::ostream& operator<<(std::ostream& stream, const XmlTag& tag);

} // namespace xml
} // namespace norvane
