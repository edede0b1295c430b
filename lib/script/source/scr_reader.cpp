#include "scr_reader.h"

#include "xml/xml_parser.h"
#include "xml/xml_slips.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace norvane::script {

namespace {

// A value beyond a float's range becomes an infinity rather than an out-of-range conversion.
float narrow(double value) {
    if (value > double(FLT_MAX)) return HUGE_VALF;
    if (value < -double(FLT_MAX)) return -HUGE_VALF;
    return float(value);
}

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

const xml::XmlTag& at(const xml::IteratorConst& it) { return *it.operator->(); }

std::string attributeOf(const xml::XmlTag& tag, const char* name) {
    return std::string("attribute '") + name + "' of " + tag.name();
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%g", value);
    return text;
}

// One reading of a document: where the error and the warnings go. A warning names what the
// reader does not understand, or what will not play as the author may think, and changes nothing
// of what it reads.
class Reading {
public:
    Reading(std::string* error, bool warn) : mError(error), mSlips(warn) {}

    bool effect(const xml::IteratorConst& tag, EffectEntry& entry);
    bool trigger(const xml::IteratorConst& tag, Trigger& trigger);
    // False when a key is refused (refused() then tells) or when there is no key.
    bool spline(const xml::IteratorConst& tag, SplineTrack& track);
    bool refused() const { return mRefused; }

    xml::Slips& slips() { return mSlips; }

private:
    bool refuse(const xml::XmlTag& tag, const std::string& text);
    // A time or key value, with a warning for text that is not a number.
    // False when the value is not a finite number: such a span or key could never be reached
    // or passed (a dump of it would never end).
    bool finite(const xml::XmlTag& tag, const char* name, float& value, const char* fallback = "");

    std::string* mError;
    xml::Slips mSlips;
    bool mRefused = false;
};

bool Reading::refuse(const xml::XmlTag& tag, const std::string& text) {
    setError(mError, "line " + std::to_string(tag.line()) + ": " + text);
    mRefused = true;
    return false;
}

bool Reading::finite(const xml::XmlTag& tag, const char* name, float& value, const char* fallback) {
    value = narrow(mSlips.real(tag, name, fallback));
    if (!std::isfinite(value)) {
        const std::string& given = tag.getAttribute(name);
        return refuse(tag, attributeOf(tag, name) + " is not a finite number: '" + (given.empty() ? fallback : given) +
                               "'");
    }
    return true;
}

bool Reading::effect(const xml::IteratorConst& tag, EffectEntry& entry) {
    const xml::XmlTag& node = at(tag);
    mSlips.vocabulary(node, tag.children(""), {"name", "state", "start", "end"}, {"trigger", "spline", "effect"});
    entry.mLine = node.line();
    entry.mName = node.getAttribute("name");
    entry.mEnabled = node.getAttribute("state") != "off";
    if (!finite(node, "start", entry.mStart) || !finite(node, "end", entry.mEnd)) return false;
    if (node.getAttribute("end").empty())
        mSlips.warn(node, "attribute 'end' of effect is missing: the entry never plays");
    else if (!(entry.mEnd > entry.mStart))
        mSlips.warn(node, "attribute 'end' of effect is not after its start " + number(entry.mStart) + ": '" +
                              node.getAttribute("end") + "', the entry never plays");

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
            setError(mError, "the spline '" + track->mName + "' of the effect '" + entry.mName + "' starting at " +
                                 number(entry.mStart) + " has no key");
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
    mSlips.vocabulary(node, tag.children(""), {"name", "value", "start", "repeat", "delay"}, {});
    trigger.mLine = node.line();
    trigger.mName = node.getAttribute("name");
    trigger.mValue = node.getAttribute("value");
    if (!finite(node, "start", trigger.mStart)) return false;
    trigger.mRepeat = 1;
    trigger.mDelay = 0.0f;
    // The delay is read only with a repeat.
    if (node.getAttribute("repeat").empty()) return true;
    trigger.mRepeat = mSlips.whole(node, "repeat");
    if (!finite(node, "delay", trigger.mDelay, "0.1")) return false;
    if (trigger.mRepeat < 0)
        mSlips.warn(node, "attribute 'repeat' of trigger is negative: '" + node.getAttribute("repeat") +
                              "', the trigger never fires");
    if (trigger.mDelay < 0.0f)
        mSlips.warn(node, "attribute 'delay' of trigger is negative: '" + node.getAttribute("delay") + "'");
    if (trigger.mRepeat > 1 && !(trigger.mDelay > 0.0f))
        mSlips.warn(node, "attribute 'repeat' of trigger is " + std::to_string(trigger.mRepeat) +
                              " with no positive delay: every firing comes in the same frame");
    return true;
}

bool Reading::spline(const xml::IteratorConst& tag, SplineTrack& track) {
    const xml::XmlTag& node = at(tag);
    mSlips.vocabulary(node, tag.children(""), {"name", "type"}, {"key"});
    track.mLine = node.line();
    track.mName = node.getAttribute("name");
    const std::string& type = node.getAttribute("type");
    track.mType = type == "square" ? Spline::Square : type == "smooth" ? Spline::Smooth : Spline::Linear;
    if (!type.empty() && type != "square" && type != "smooth" && type != "linear")
        mSlips.warn(node, "attribute 'type' of spline is not square, linear or smooth: '" + type + "', read as linear");
    // Placed one by one as addKey places them, with the tangents computed once at the end: a long
    // generated curve would otherwise recompute every tangent for every key.
    int last = -1;
    xml::IteratorConst keys = tag.children("key");
    while (++keys) {
        const xml::XmlTag& key = at(keys);
        mSlips.vocabulary(key, keys.children(""), {"time", "value"}, {});
        Spline::Key placed{0.0f, 0.0f, 0.0f, 0.0f};
        if (!finite(key, "time", placed.time) || !finite(key, "value", placed.value)) return false;
        last = track.insertKey(placed);
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
        for (std::string& warning : reading.slips().texts()) warnings->push_back(std::move(warning));
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
        reading.slips().vocabulary(effects.parentTag(), document.childrenConst(""), {}, {"effect"});
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
