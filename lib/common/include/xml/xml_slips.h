#pragma once
// The slips of an author's document: tags and attributes its reader does not read and numbers
// that are not wholly numbers, each named with the line of its tag.

#include "xml/xml_iterator.h"
#include "xml/xml_tag.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace norvane {
namespace xml {

// Collects the warnings of one reading of a document. Naming a slip changes nothing of what is
// read: numbers are read as the runtime reads them (strtod, strtol), as far as the text is a
// number and 0 when it is none.
class Slips {
public:
    // keep false: the numbers are still read, but no warning is kept.
    explicit Slips(bool keep = true) : mKeep(keep) {}

    // Warns of each attribute of tag that is not among attributes, and of each element among
    // children (the children of tag) whose name is not among tags.
    void vocabulary(const XmlTag& tag, IteratorConst children, std::initializer_list<const char*> attributes,
                    std::initializer_list<const char*> tags);
    // The attribute as a real number; empty text reads fallback instead. Text that is not wholly a
    // number warns: "attribute 'rate' of dump is not a number: '30fps', read as 30".
    double real(const XmlTag& tag, const char* name, const char* fallback = "");
    // The attribute as a whole number in base (0: "0x" hexadecimal, a leading 0 octal), clamped
    // to the range of int; empty text is 0. Text that is not wholly one warns.
    int whole(const XmlTag& tag, const char* name, int base = 10);
    void warn(const XmlTag& tag, const std::string& text);
    // A warning about something read from that line of the document.
    void warn(int line, const std::string& text);

    // The warnings in the order of their lines, each starting with its line ("line 4: ...").
    std::vector<std::string> texts() const;

private:
    bool mKeep;
    std::vector<std::pair<int, std::string>> mWarnings;
};

} // namespace xml
} // namespace norvane
