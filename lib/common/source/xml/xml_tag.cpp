#include "xml/xml_tag.h"

#include "nvn_system.h"
#include "xml_attribute_index.h"
#include "xml/xml_cursor.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ostream>

namespace norvane {
namespace xml {

namespace {

const std::string& emptyText() {
    static const std::string empty;
    return empty;
}

bool isName(const std::string& text, bool withColon) {
    for (char c : text) {
        if (!charclass::isWord(c) && !(withColon && c == ':')) return false;
    }
    return true;
}

void checkName(const std::string& name, bool withColon) {
    if (!isName(name, withColon)) throw Exception("XmlTag::write; '%s' cannot be written as a name!", name.c_str());
}

// A value goes between double quotes, or between single quotes when it holds a double quote.
void writeQuoted(std::ostream& stream, const std::string& value) {
    const bool hasDouble = value.find('"') != std::string::npos;
    if (hasDouble && value.find('\'') != std::string::npos) {
        throw Exception("XmlTag::write; The value '%s' holds both kinds of quote!", value.c_str());
    }
    // The reader ends a value at a line break, stores a tab as four spaces and drops a carriage return.
    if (value.find_first_of("\n\t\r") != std::string::npos) {
        throw Exception("XmlTag::write; The value '%s' holds a line break, tab or carriage return!", value.c_str());
    }
    const char quote = hasDouble ? '\'' : '"';
    stream << quote << value << quote;
}

} // namespace

XmlTag::XmlTag() : mKind(Element), mClosed(true), mLine(0) {}
XmlTag::XmlTag(const XmlTag& other) = default;
XmlTag::XmlTag(XmlTag&& other) noexcept = default;
XmlTag& XmlTag::operator=(const XmlTag& other) = default;
XmlTag& XmlTag::operator=(XmlTag&& other) noexcept = default;

void XmlTag::clear() {
    mKind = Element;
    mClosed = true;
    mName.clear();
    mAttributes.clear();
    mLine = 0;
}

const std::string& XmlTag::getAttribute(const std::string& name) const {
    for (const Attribute& a : mAttributes) {
        if (a.first == name) return a.second;
    }
    return emptyText();
}

void XmlTag::setAttribute(const std::string& name, const std::string& value) {
    for (Attribute& a : mAttributes) {
        if (a.first == name) {
            a.second = value;
            return;
        }
    }
    mAttributes.emplace_back(name, value);
}

void XmlTag::setAttributeInt(const std::string& name, int value) {
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%0d", value);
    setAttribute(name, buffer);
}

void XmlTag::setAttributeDouble(const std::string& name, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%.25g", value);
    setAttribute(name, buffer);
}

void XmlTag::mergeAttributes(const XmlTag& other) {
    AttributeIndex index(mAttributes);
    for (const Attribute& a : other.mAttributes) index.set(a.first, a.second);
}

int XmlTag::getInt(const std::string& name) const {
    const long value = std::strtol(getAttribute(name).c_str(), nullptr, 0);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

float XmlTag::getFloat(const std::string& name) const {
    const double value = std::strtod(getAttribute(name).c_str(), nullptr);
    // Out of float's range reads as infinity, as a float conversion of the text would.
    if (value > FLT_MAX) return HUGE_VALF;
    if (value < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(value);
}

void XmlTag::moveInto(XmlTag& target) {
    target.mKind = mKind;
    target.mClosed = mClosed;
    target.mLine = mLine;
    target.mName = std::move(mName);
    target.mAttributes.clear();
    target.mAttributes.reserve(mAttributes.size());
    for (Attribute& a : mAttributes) target.mAttributes.emplace_back(std::move(a.first), std::move(a.second));
    mName.clear();
    mAttributes.clear();
}

void XmlTag::writeAttributes(std::ostream& stream) const {
    for (const Attribute& a : mAttributes) {
        checkName(a.first, false);
        stream << ' ' << a.first << '=';
        writeQuoted(stream, a.second);
    }
}

// Words of a <! tag pair up into attributes, so a value is written bare only when it reads
// back as a word after a named attribute; anything else is quoted.
void XmlTag::writeSpecial(std::ostream& stream) const {
    stream << "<!";
    bool first = true;
    for (const Attribute& a : mAttributes) {
        checkName(a.first, false);
        if (!first) stream << ' ';
        first = false;
        stream << a.first << ' ';
        if (!a.first.empty() && !a.second.empty() && isName(a.second, false)) {
            stream << a.second;
        } else {
            writeQuoted(stream, a.second);
        }
    }
    stream << ">\n";
}

void XmlTag::write(std::ostream& stream, bool allowClosedForm) const {
    switch (mKind) {
    case Element: {
        checkName(mName, true);
        const bool closedForm = mClosed && allowClosedForm;
        stream << '<';
        if (mName.empty() && !mAttributes.empty() && !mAttributes.front().first.empty()) {
            // Without a name the first attribute's name would read as the element's; only an
            // empty end-tag form keeps them apart.
            if (!closedForm) throw Exception("XmlTag::write; An element without a name cannot be written open!");
            stream << "//";
            writeAttributes(stream);
            stream << ">\n";
            return;
        }
        stream << mName;
        writeAttributes(stream);
        stream << (closedForm ? "/>\n" : ">\n");
        return;
    }
    case Comment: {
        const std::string& content = getAttribute("content");
        if (content.empty() || content.back() == '-' || content.find("-->") != std::string::npos) {
            throw Exception("XmlTag::write; The comment '%s' cannot be written!", content.c_str());
        }
        stream << "<!--" << content << "-->\n";
        return;
    }
    case Declaration:
        checkName(mName, false);
        stream << "<?" << mName;
        writeAttributes(stream);
        stream << "?>\n";
        return;
    case Special:
        writeSpecial(stream);
        return;
    case Text: {
        const std::string& content = getAttribute("content");
        if (content.find('<') != std::string::npos) {
            throw Exception("XmlTag::write; The text '%s' holds a '<'!", content.c_str());
        }
        // The reader skips the blank space before a text, stores a tab as four spaces and drops a
        // carriage return; an empty text would not be read at all.
        if (content.empty() || charclass::isSpace(content[0]) || content.find_first_of("\t\r") != std::string::npos) {
            throw Exception("XmlTag::write; The text '%s' is empty, starts with blank space or holds a tab or "
                            "carriage return!",
                            content.c_str());
        }
        stream << content;
        return;
    }
    default:
        throw Exception("XmlTag::write; Unknown tagtype!");
    }
}

std::ostream& operator<<(std::ostream& stream, const XmlTag& tag) {
    tag.write(stream, true);
    return stream;
}

} // namespace xml
} // namespace norvane
