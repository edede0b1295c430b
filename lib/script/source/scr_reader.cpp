#include "scr_reader.h"

#include "xml/xml_parser.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace norvane::script {

namespace {

// Numbers as the runtime reads them: unreadable text is 0. Values beyond a float's range
// become infinities rather than an out-of-range conversion.
float real(const std::string& text) {
    const double value = std::atof(text.c_str());
    if (value > double(FLT_MAX)) return HUGE_VALF;
    if (value < -double(FLT_MAX)) return -HUGE_VALF;
    return float(value);
}

// A decimal whole number, clamped to the range of int.
int whole(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return int(value);
}

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

} // namespace

bool ScriptReader::loadScript(const char* data, int length, Script& script, std::string* error) {
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
    while (++effects) {
        auto entry = std::make_unique<EffectEntry>();
        if (!readEffect(effects, *entry, error)) return false;
        entries.push_back(std::move(entry));
    }
    for (auto& entry : entries) script.mEntries.push_back(std::move(entry));
    script.computeLength();
    return true;
}

bool ScriptReader::loadScriptFile(const std::string& path, Script& script, std::string* error) {
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
    return loadScript(bytes.data(), int(bytes.size()), script, error);
}

bool ScriptReader::readEffect(const xml::IteratorConst& tag, EffectEntry& entry, std::string* error) {
    entry.mName = tag->getAttribute("name");
    entry.mEnabled = tag->getAttribute("state") != "off";
    entry.mStart = real(tag->getAttribute("start"));
    entry.mEnd = real(tag->getAttribute("end"));

    xml::IteratorConst triggers = tag.children("trigger");
    while (++triggers) {
        auto trigger = std::make_unique<Trigger>();
        readTrigger(triggers, *trigger);
        entry.mTriggers.push_back(std::move(trigger));
    }
    xml::IteratorConst splines = tag.children("spline");
    while (++splines) {
        auto track = std::make_unique<SplineTrack>();
        if (!readSpline(splines, *track)) {
            char start[32];
            std::snprintf(start, sizeof(start), "%g", double(entry.mStart));
            setError(error, "the spline '" + track->mName + "' of the effect '" + entry.mName + "' starting at " +
                                start + " has no key");
            return false;
        }
        entry.mTracks.push_back(std::move(track));
    }
    xml::IteratorConst children = tag.children("effect");
    while (++children) {
        auto child = std::make_unique<EffectEntry>();
        if (!readEffect(children, *child, error)) return false;
        entry.mChildren.push_back(std::move(child));
    }
    return true;
}

bool ScriptReader::readTrigger(const xml::IteratorConst& tag, Trigger& trigger) {
    trigger.mName = tag->getAttribute("name");
    trigger.mValue = tag->getAttribute("value");
    trigger.mStart = real(tag->getAttribute("start"));
    const std::string& repeat = tag->getAttribute("repeat");
    if (!repeat.empty()) {
        trigger.mRepeat = whole(repeat);
        const std::string& delay = tag->getAttribute("delay");
        trigger.mDelay = real(delay.empty() ? "0.1" : delay);
    } else {
        trigger.mRepeat = 1;
        trigger.mDelay = 0.0f;
    }
    return true;
}

bool ScriptReader::readSpline(const xml::IteratorConst& tag, SplineTrack& track) {
    track.mName = tag->getAttribute("name");
    const std::string& type = tag->getAttribute("type");
    track.mType = type == "square" ? Spline::Square : type == "smooth" ? Spline::Smooth : Spline::Linear;
    // Placed one by one as addKey places them, with the tangents computed once at the end: a long
    // generated curve would otherwise recompute every tangent for every key.
    int last = -1;
    xml::IteratorConst keys = tag.children("key");
    while (++keys) {
        const Spline::Key key{real(keys->getAttribute("time")), real(keys->getAttribute("value")), 0.0f, 0.0f};
        last = track.insertKey(key);
    }
    if (last < 0) return false;
    track.computeTangents(last);
    return true;
}

} // namespace norvane::script
