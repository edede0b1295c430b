#pragma once
// Reads timeline scripts: XML documents with root "script" whose "effect" tags become entries.

#include "scr_script.h"

#include <string>
#include <vector>

namespace norvane::xml {
class IteratorConst;
} // namespace norvane::xml

namespace norvane::script {

// Holds no state: every operation works on what it is handed. Where a result is false, the
// optional error text receives the cause (the caller knows the file and names it). Where it is
// true, the optional warnings receive, in document order, what the document holds that the
// reader does not understand: a tag or an attribute it does not read, a number that is not one
// (read as 0, or as far as it goes), a spline type it does not know (read as linear); and what
// is read but will not play as meant: an entry whose end is missing or not after its start, a
// negative repeat or delay, a repeat above 1 without a positive delay (all its firings come in
// one frame). Each text starts with its line ("line 4: unknown attribute 'strat' of effect").
// A time or key value that is not a finite number (inf, nan, beyond a float's range) is refused.
class ScriptReader {
public:
    // Appends the document's top-level entries to script and recomputes its length. A document
    // that fails to load (root other than "script", a spline without keys, a refused number)
    // appends nothing.
    // Malformed XML throws the XML reader's Exception.
    static bool loadScript(const char* data, int length, Script& script, std::string* error = nullptr,
                           std::vector<std::string>* warnings = nullptr);
    // The same for a file; false also when the file cannot be opened or read.
    static bool loadScriptFile(const std::string& path, Script& script, std::string* error = nullptr,
                               std::vector<std::string>* warnings = nullptr);

    // The per-tag steps: tag stands on an "effect", "trigger" or "spline" element.
    static bool readEffect(const xml::IteratorConst& tag, EffectEntry& entry, std::string* error = nullptr,
                           std::vector<std::string>* warnings = nullptr);
    static bool readTrigger(const xml::IteratorConst& tag, Trigger& trigger, std::string* error = nullptr,
                            std::vector<std::string>* warnings = nullptr);
    // False when the spline has no key (the error is then left as it was) or a key is refused.
    static bool readSpline(const xml::IteratorConst& tag, SplineTrack& track, std::string* error = nullptr,
                           std::vector<std::string>* warnings = nullptr);
};

} // namespace norvane::script
