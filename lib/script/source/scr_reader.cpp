#include "scr_reader.h"

#include "xml/xml_parser.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

namespace norvane::script {

namespace {

// Numbers are read as the runtime reads them (atof, and strtol for whole numbers): text that is
// no number is 0. A value beyond a float's range becomes an infinity rather than an
// out-of-range conversion; a whole number beyond an int's range is clamped to its limits.
float narrow(double value) {
    if (value > double(FLT_MAX)) return HUGE_VALF;
    if (value < -double(FLT_MAX)) return -HUGE_VALF;
    return float(value);
}

int narrow(long value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return int(value);
}

// Whether the conversion that stopped at end took the whole text, blank space around it aside.
bool wholeText(const char* text, const char* end) {
    if (end == text) return false;
    while (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r') ++end;
    return *end == '\0';
}

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

bool among(const std::string& word, std::initializer_list<const char*> words) {
    for (const char* known : words) {
        if (word == known) return true;
    }
    return false;
}

const xml::XmlTag& at(const xml::IteratorConst& it) { return *it.operator->(); }

std::string attributeOf(const xml::XmlTag& tag, const char* name) {
    return std::string("attribute '") + name + "' of " + tag.name();
}

// One reading of a document: where the error and the warnings go. A warning names what the
// reader does not understand and changes nothing of what it reads.
class Reading {
public:
    Reading(std::string* error, bool warn) : mError(error), mWarn(warn) {}

    bool effect(const xml::IteratorConst& tag, EffectEntry& entry);
    bool trigger(const xml::IteratorConst& tag, Trigger& trigger);
    // False when a key is refused (refused() then tells) or when there is no key.
    bool spline(const xml::IteratorConst& tag, SplineTrack& track);
    bool refused() const { return mRefused; }

    // Warns of each attribute of tag that is not among the known ones, and of each element
    // among its children whose name is not among the known tags.
    void vocabulary(const xml::XmlTag& tag, xml::IteratorConst children, std::initializer_list<const char*> attributes,
                    std::initializer_list<const char*> tags);
    // The warnings in document order, each starting with its line.
    std::vector<std::string> warnings();

private:
    void warn(const xml::XmlTag& tag, const std::string& text);
    bool refuse(const xml::XmlTag& tag, const std::string& text);
    // A time or key value, with a warning for text that is not a number.
    // False when the value is not a finite number: such a span or key could never be reached
    // or passed (a dump of it would never end).
    bool finite(const xml::XmlTag& tag, const char* name, float& value, const char* fallback = "");
    int count(const xml::XmlTag& tag, const char* name);

    std::string* mError;
    bool mWarn;
    bool mRefused = false;
    std::vector<std::pair<int, std::string>> mWarnings;
};

void Reading::warn(const xml::XmlTag& tag, const std::string& text) {
    if (mWarn) mWarnings.emplace_back(tag.line(), text);
}

std::vector<std::string> Reading::warnings() {
    std::stable_sort(mWarnings.begin(), mWarnings.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> texts;
    for (const auto& warning : mWarnings)
        texts.push_back("line " + std::to_string(warning.first) + ": " + warning.second);
    return texts;
}

bool Reading::refuse(const xml::XmlTag& tag, const std::string& text) {
    setError(mError, "line " + std::to_string(tag.line()) + ": " + text);
    mRefused = true;
    return false;
}

bool Reading::finite(const xml::XmlTag& tag, const char* name, float& value, const char* fallback) {
    const std::string& given = tag.getAttribute(name);
    const char* text = given.empty() ? fallback : given.c_str();
    char* end = nullptr;
    value = narrow(std::strtod(text, &end));
    if (!std::isfinite(value))
        return refuse(tag, attributeOf(tag, name) + " is not a finite number: '" + text + "'");
    if (*text && !wholeText(text, end)) {
        char read[32];
        std::snprintf(read, sizeof(read), "%g", double(value));
        warn(tag, attributeOf(tag, name) + " is not a number: '" + text + "', read as " + read);
    }
    return true;
}

int Reading::count(const xml::XmlTag& tag, const char* name) {
    const std::string& text = tag.getAttribute(name);
    char* end = nullptr;
    const int value = narrow(std::strtol(text.c_str(), &end, 10));
    if (!wholeText(text.c_str(), end)) {
        warn(tag, attributeOf(tag, name) + " is not a whole number: '" + text + "', read as " + std::to_string(value));
    }
    return value;
}

void Reading::vocabulary(const xml::XmlTag& tag, xml::IteratorConst children,
                         std::initializer_list<const char*> attributes, std::initializer_list<const char*> tags) {
    if (!mWarn) return;
    for (const auto& attribute : tag.attributes()) {
        if (!among(attribute.first, attributes))
            warn(tag, "unknown attribute '" + attribute.first + "' of " + tag.name());
    }
    while (++children) {
        if (children->kind() == xml::XmlTag::Element && !among(children->name(), tags))
            warn(at(children), "unknown tag '" + children->name() + "' in " + tag.name());
    }
}

bool Reading::effect(const xml::IteratorConst& tag, EffectEntry& entry) {
    const xml::XmlTag& node = at(tag);
    vocabulary(node, tag.children(""), {"name", "state", "start", "end"}, {"trigger", "spline", "effect"});
    entry.mLine = node.line();
    entry.mName = node.getAttribute("name");
    entry.mEnabled = node.getAttribute("state") != "off";
    if (!finite(node, "start", entry.mStart) || !finite(node, "end", entry.mEnd)) return false;

    xml::IteratorConst triggers = tag.children("trigger");
    while (++triggers) {
        auto trigger = std::make_unique<Trigger>();
        if (!this->trigger(triggers, *trigger)) return false;
        entry.mTriggers.push_back(std::move(trigger));
    }
    xml::IteratorConst splines = tag.children("spline");
    while (++splines) {
        auto track = std::make_unique<SplineTrack>();
        if (!spline(splines, *track)) {
            if (refused()) return false;
            char start[32];
            std::snprintf(start, sizeof(start), "%g", double(entry.mStart));
            setError(mError, "the spline '" + track->mName + "' of the effect '" + entry.mName + "' starting at " +
                                 start + " has no key");
            return false;
        }
        entry.mTracks.push_back(std::move(track));
    }
    xml::IteratorConst children = tag.children("effect");
    while (++children) {
        auto child = std::make_unique<EffectEntry>();
        if (!effect(children, *child)) return false;
        entry.mChildren.push_back(std::move(child));
    }
    return true;
}

bool Reading::trigger(const xml::IteratorConst& tag, Trigger& trigger) {
    const xml::XmlTag& node = at(tag);
    vocabulary(node, tag.children(""), {"name", "value", "start", "repeat", "delay"}, {});
    trigger.mName = node.getAttribute("name");
    trigger.mValue = node.getAttribute("value");
    if (!finite(node, "start", trigger.mStart)) return false;
    if (!node.getAttribute("repeat").empty()) {
        trigger.mRepeat = count(node, "repeat");
        return finite(node, "delay", trigger.mDelay, "0.1");
    }
    trigger.mRepeat = 1;
    trigger.mDelay = 0.0f;
    return true;
}

bool Reading::spline(const xml::IteratorConst& tag, SplineTrack& track) {
    vocabulary(at(tag), tag.children(""), {"name", "type"}, {"key"});
    track.mName = tag->getAttribute("name");
    const std::string& type = tag->getAttribute("type");
    track.mType = type == "square" ? Spline::Square : type == "smooth" ? Spline::Smooth : Spline::Linear;
    // Placed one by one as addKey places them, with the tangents computed once at the end: a long
    // generated curve would otherwise recompute every tangent for every key.
    int last = -1;
    xml::IteratorConst keys = tag.children("key");
    while (++keys) {
        const xml::XmlTag& node = at(keys);
        vocabulary(node, keys.children(""), {"time", "value"}, {});
        Spline::Key key{0.0f, 0.0f, 0.0f, 0.0f};
        if (!finite(node, "time", key.time) || !finite(node, "value", key.value)) return false;
        last = track.insertKey(key);
    }
    if (last < 0) return false;
    track.computeTangents(last);
    return true;
}

// Runs one step of reading; when it succeeds, its warnings are appended to warnings in
// document order.
template <typename Step> bool withReading(std::string* error, std::vector<std::string>* warnings, Step step) {
    Reading reading(error, warnings != nullptr);
    if (!step(reading)) return false;
    if (warnings) {
        for (std::string& warning : reading.warnings()) warnings->push_back(std::move(warning));
    }
    return true;
}

} // namespace

bool ScriptReader::loadScript(const char* data, int length, Script& script, std::string* error,
                              std::vector<std::string>* warnings) {
    if (length < 0 || (!data && length > 0)) {
        setError(error, "no script data");
        return false;
    }
    xml::XmlParser document;
    document.parse(data ? data : "", length);

    xml::IteratorConst effects = document.childrenConst("effect");
    const std::string& root = effects.parentTag().name();
    if (root != "script") {
        setError(error, "the root tag is '" + root + "', a script needs 'script'");
        return false;
    }
    // Read whole before anything is appended: a failed document leaves the timeline as it was.
    std::vector<std::unique_ptr<EffectEntry>> entries;
    const bool read = withReading(error, warnings, [&](Reading& reading) {
        reading.vocabulary(effects.parentTag(), document.childrenConst(""), {}, {"effect"});
        while (++effects) {
            auto entry = std::make_unique<EffectEntry>();
            if (!reading.effect(effects, *entry)) return false;
            entries.push_back(std::move(entry));
        }
        return true;
    });
    if (!read) return false;
    for (auto& entry : entries) script.mEntries.push_back(std::move(entry));
    script.computeLength();
    return true;
}

bool ScriptReader::loadScriptFile(const std::string& path, Script& script, std::string* error,
                                  std::vector<std::string>* warnings) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        setError(error, std::string("cannot open the file: ") + std::strerror(errno));
        return false;
    }
    std::vector<char> bytes;
    char block[65536];
    size_t got = 0;
    while ((got = std::fread(block, 1, sizeof(block), file)) > 0) {
        if (bytes.size() + got > size_t(INT_MAX)) break;
        bytes.insert(bytes.end(), block, block + got);
    }
    const bool failed = std::ferror(file) != 0;
    const bool whole = std::feof(file) != 0;
    std::fclose(file);
    if (failed || !whole) {
        setError(error, failed ? "cannot read the file" : "the file is too large");
        return false;
    }
    return loadScript(bytes.data(), int(bytes.size()), script, error, warnings);
}

bool ScriptReader::readEffect(const xml::IteratorConst& tag, EffectEntry& entry, std::string* error,
                              std::vector<std::string>* warnings) {
    return withReading(error, warnings, [&](Reading& reading) { return reading.effect(tag, entry); });
}

bool ScriptReader::readTrigger(const xml::IteratorConst& tag, Trigger& trigger, std::string* error,
                               std::vector<std::string>* warnings) {
    return withReading(error, warnings, [&](Reading& reading) { return reading.trigger(tag, trigger); });
}

bool ScriptReader::readSpline(const xml::IteratorConst& tag, SplineTrack& track, std::string* error,
                              std::vector<std::string>* warnings) {
    return withReading(error, warnings, [&](Reading& reading) { return reading.spline(tag, track); });
}

} // namespace norvane::script
