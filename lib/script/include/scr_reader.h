#pragma once
// Reads timeline scripts: XML documents with root "script" whose "effect" tags become entries.

#include "scr_script.h"

#include <string>

namespace norvane::xml {
class IteratorConst;
} // namespace norvane::xml

namespace norvane::script {

// Holds no state: every operation works on what it is handed. Where a result is false, the
// optional error text receives the cause (the caller knows the file and names it).
class ScriptReader {
public:
    // Appends the document's top-level entries to script and recomputes its length. A document
    // that fails to load (root other than "script", a spline without keys) appends nothing.
    // Malformed XML throws the XML reader's Exception.
    static bool loadScript(const char* data, int length, Script& script, std::string* error = nullptr);
    // The same for a file; false also when the file cannot be opened or read.
    static bool loadScriptFile(const std::string& path, Script& script, std::string* error = nullptr);

    // The per-tag steps: tag stands on an "effect", "trigger" or "spline" element.
    static bool readEffect(const xml::IteratorConst& tag, EffectEntry& entry, std::string* error = nullptr);
    static bool readTrigger(const xml::IteratorConst& tag, Trigger& trigger);
    // False when the spline has no key.
    static bool readSpline(const xml::IteratorConst& tag, SplineTrack& track);
};

} // namespace norvane::script
