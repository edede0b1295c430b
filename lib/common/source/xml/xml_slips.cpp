#include "xml/xml_slips.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace norvane {
namespace xml {

namespace {

bool among(const std::string& word, std::initializer_list<const char*> words) {
    for (const char* known : words) {
        if (word == known) return true;
    }
    return false;
}

// Whether the conversion that stopped at end took the whole text, blank space around it aside.
bool wholeText(const char* text, const char* end) {
    if (end == text) return false;
    while (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r') ++end;
    return *end == '\0';
}

std::string attributeOf(const XmlTag& tag, const char* name) {
    return std::string("attribute '") + name + "' of " + tag.name();
}

} // namespace

void Slips::warn(const XmlTag& tag, const std::string& text) { warn(tag.line(), text); }

void Slips::warn(int line, const std::string& text) {
    if (mKeep) mWarnings.emplace_back(line, text);
}

void Slips::vocabulary(const XmlTag& tag, IteratorConst children, std::initializer_list<const char*> attributes,
                       std::initializer_list<const char*> tags) {
    if (!mKeep) return;
    for (const auto& attribute : tag.attributes()) {
        if (!among(attribute.first, attributes))
            warn(tag, "unknown attribute '" + attribute.first + "' of " + tag.name());
    }
    while (++children) {
        if (children->kind() == XmlTag::Element && !among(children->name(), tags))
            warn(*children.operator->(), "unknown tag '" + children->name() + "' in " + tag.name());
    }
}

double Slips::real(const XmlTag& tag, const char* name, const char* fallback) {
    const std::string& given = tag.getAttribute(name);
    const char* text = given.empty() ? fallback : given.c_str();
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (*text && !wholeText(text, end)) {
        char read[32];
        std::snprintf(read, sizeof(read), "%g", value);
        warn(tag, attributeOf(tag, name) + " is not a number: '" + text + "', read as " + read);
    }
    return value;
}

int Slips::whole(const XmlTag& tag, const char* name, int base) {
    const std::string& text = tag.getAttribute(name);
    char* end = nullptr;
    const long read = std::strtol(text.c_str(), &end, base);
    const int value = read > INT_MAX ? INT_MAX : read < INT_MIN ? INT_MIN : int(read);
    if (!text.empty() && !wholeText(text.c_str(), end))
        warn(tag, attributeOf(tag, name) + " is not a whole number: '" + text + "', read as " + std::to_string(value));
    return value;
}

std::vector<std::string> Slips::texts() const {
    std::vector<std::pair<int, std::string>> sorted = mWarnings;
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> texts;
    for (const auto& warning : sorted) texts.push_back("line " + std::to_string(warning.first) + ": " + warning.second);
    return texts;
}

} // namespace xml
} // namespace norvane
