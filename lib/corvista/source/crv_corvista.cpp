// The demo system's set-up file in both directions, effect registration and teardown.

#include "crv_corvista.h"

#include "am_videofile.h"
#include "crv_gui.h"
#include "nvn_system.h"
#include "scr_reader.h"
#include "xml/xml_parser.h"
#include "xml/xml_slips.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace norvane::corvista {

namespace {

const char* const kLocalSetup = "setup.local.xml";
const char* const kSetup = "setup.xml";
// Frames per second: up to 2^24 a float holds every whole rate exactly and the frame format's
// whole number of frames per second fits, so frame n stays the demo at start + n / rate.
constexpr double MaxDumpRate = 16777216.0;
// The rate is held as a float: from this rate up it is above 0 there, and its step of 1/rate
// seconds is a finite float.
constexpr double MinDumpRate = 3e-39;
static_assert(static_cast<float>(MinDumpRate) > 0.0f &&
                  1.0f / static_cast<float>(MinDumpRate) < std::numeric_limits<float>::max(),
              "the smallest dump rate and its step are floats");

// Every tag of one kind under the root, in document order.
template <typename Visit> void forEach(xml::XmlParser& document, const char* kind, Visit visit) {
    xml::XmlParser::Iterator it = document.children(kind);
    while (++it) visit(*it.operator->());
}

// The last tag of one kind under the root; null when there is none.
xml::XmlTag* lastOf(xml::XmlParser& document, const char* kind) {
    xml::XmlTag* last = nullptr;
    forEach(document, kind, [&](xml::XmlTag& tag) { last = &tag; });
    return last;
}

// A switch reads as on when any tag of its kind says "on": the last tag states it, and when it is
// off, an earlier "on" is turned off too, so that the next run reads what was written.
void writeSwitch(xml::XmlParser& document, const char* kind, const char* name, bool on) {
    if (!on) {
        forEach(document, kind, [&](xml::XmlTag& tag) {
            if (tag.getAttribute(name) == "on") tag.setAttribute(name, "off");
        });
    }
    if (xml::XmlTag* last = lastOf(document, kind)) last->setAttribute(name, on ? "on" : "off");
}

// Names the triggers and splines of entry and its children that their effect does not read. An
// entry without an effect is named as such elsewhere.
void warnUnreadNames(const script::EffectEntry& entry, const script::CallbackMap& callbacks, xml::Slips& slips) {
    const auto callback = callbacks.find(entry.mName);
    if (const auto* effect = callback == callbacks.end() ? nullptr : dynamic_cast<const Effect*>(callback->second)) {
        const Effect::Reads reads = effect->reads();
        const std::string of = "' of effect '" + entry.mName + "'";
        for (const auto& trigger : entry.mTriggers) {
            if (!reads.trigger(trigger->mName)) slips.warn(trigger->mLine, "unknown trigger '" + trigger->mName + of);
        }
        for (const auto& track : entry.mTracks) {
            if (!reads.value(track->mName)) slips.warn(track->mLine, "unknown spline '" + track->mName + of);
        }
    }
    for (const auto& child : entry.mChildren) warnUnreadNames(*child, callbacks, slips);
}

std::string formatSeconds(double value) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.2f", value);
    return text;
}

// A number as the set-up reader takes it back from its text: held as a float.
float readBack(const char* text) { return static_cast<float>(std::strtod(text, nullptr)); }

// Seconds with two decimals, or with as many more as it takes to read back as the value itself: a
// setting taken from the file (the time bar's delay of 0.004 s) is not rounded into another one.
std::string formatSetting(float value) {
    char text[128];
    for (int decimals = 2; decimals <= 60; ++decimals) {
        std::snprintf(text, sizeof(text), "%.*f", decimals, static_cast<double>(value));
        if (readBack(text) == value) break;
    }
    return text;
}

// The start mark with two decimals: the nearest, unless that reads back later than the mark, when it
// is rounded down. So a mark before the music's end (or the timeline's) reads back before it too.
std::string formatStartMark(float mark) {
    const std::string nearest = formatSeconds(mark);
    if (!(readBack(nearest.c_str()) > mark)) return nearest;
    return formatSeconds(std::floor(static_cast<double>(mark) * 100.0) / 100.0);
}

} // namespace

Corvista::Corvista() = default;

Corvista::~Corvista() {
    saveSettings();
    if (mDumper) {
        // Where an error ended the run from the moment the window was asked for (refused or not),
        // before the dump's own end.
        if (mWindowAskedFor) endDump(true);
        delete mDumper;
        mDumper = nullptr;
    }
    // The editor's GUI holds GL objects of the window: it goes first.
    delete mGui;
    mGui = nullptr;
    if (mDisplay) {
        // The display must not outlive its first listener: detach first, then close the window.
        display::DisplayGL* display = mDisplay;
        mDisplay = nullptr;
        display->removeListener(this);
        Listener::mDisplay = nullptr;
        delete display;
    }
}

void Corvista::addEffect(const std::string& name, Effect* effect) {
    mScript.registerCallback(name, effect);
    effect->mName = name;
    effect->mDisplay = mDisplay;
}

void Corvista::setup() {
    if (mSetupDone) return;
    mArchives.addArchive("./");

    // A set-up that is there but cannot be read is refused, not passed over: the local one holds
    // the user's own settings, which "setup.xml" would silently replace.
    am::FileDataHandle file;
    for (const char* name : {kLocalSetup, kSetup}) {
        mSetupFileName = name;
        std::string unreadable;
        file = mArchives.getArchive(0)->read(name, &unreadable);
        if (!unreadable.empty()) throw Exception("[Corvista] %s", unreadable.c_str());
        if (!file.empty()) break;
    }
    if (file.empty()) throw Exception("[Corvista] Could not load 'setup.[local.]xml'");
    readSetup(file);
}

void Corvista::readSetup(const am::FileDataHandle& file) {
    xml::XmlParser document;
    try {
        document.parse(file->bytes, file->size);
    } catch (const Exception& error) {
        throw Exception("[Corvista] Could not read '%s': %s", mSetupFileName.c_str(), error.what());
    }
    const std::string& root = document.root().tag().name();
    if (root != "demo")
        throw Exception("[Corvista] The root tag of '%s' is '%s': a set-up's root tag must be 'demo'",
                        mSetupFileName.c_str(), root.c_str());

    // What the set-up holds that is not read is named, also when a later step fails.
    xml::Slips slips;
    try {
        readSetupTags(document, slips);
    } catch (const Exception&) {
        warnSetupSlips(slips);
        throw;
    }
    warnSetupSlips(slips);
}

std::string Corvista::whereIs(int line) const {
    // Line 0: the value is the default, no tag gave it.
    const std::string file = "'" + mSetupFileName + "'";
    return line > 0 ? file + ", line " + std::to_string(line) : file;
}

void Corvista::warnSetupSlips(const xml::Slips& slips) const {
    for (const std::string& warning : slips.texts())
        NVN_LOG("warning", "Corvista", "Set-up '%s', %s", mSetupFileName.c_str(), warning.c_str());
}

void Corvista::readSetupTags(xml::XmlParser& document, xml::Slips& slips) {
    slips.vocabulary(document.root().tag(), document.childrenConst(""), {},
                     {"time", "archive", "display", "osd", "script", "dump", "music", "setup"});
    // Each kind of tag with the attributes it may have; no tag holds others.
    auto known = [&](const char* kind, std::initializer_list<const char*> attributes) {
        xml::IteratorConst it = document.childrenConst(kind);
        while (++it) slips.vocabulary(*it.operator->(), it.children(""), attributes, {});
    };
    known("time", {"start", "loop"});
    known("archive", {"path"});
    known("display", {"width", "height", "fullscreen", "title"});
    known("osd", {"show", "location", "delay"});
    known("script", {"filename"});
    known("dump", {"name", "rate"});
    known("music", {"mute", "filename"});
    known("setup", {"width", "height", "filename", "title"});

    forEach(document, "time", [&](const xml::XmlTag& tag) {
        double start = slips.real(tag, "start");
        // Held as a float: "1e39" would be endless as well as "inf".
        if (!(std::fabs(start) <= std::numeric_limits<float>::max()))
            throw Exception("[Corvista] Bad start time '%s' in %s: the start mark must be a finite number of seconds "
                            "(at most about 3.4e38, as a float holds it)",
                            tag.getAttribute("start").c_str(), whereIs(tag.line()).c_str());
        if (start < 0.0) {
            slips.warn(tag, "attribute 'start' of time is below 0: '" + tag.getAttribute("start") + "', read as 0");
            start = 0.0;
        }
        mStartTime = static_cast<float>(start);
        mStartRead = mStartTime;
        mStartLine = tag.line();
        if (tag.getAttribute("loop") == "on") mLoop = true;
    });
    forEach(document, "archive", [&](const xml::XmlTag& tag) {
        const std::string& path = tag.getAttribute("path");
        NVN_LOG("log", "app", "Corvista: Adding archive: %s\n", path.c_str());
        // An archive that cannot be read would find nothing: it is named rather than taken.
        std::string refusal;
        if (mArchives.addArchive(path, &refusal) < 0)
            slips.warn(tag, "the archive '" + path + "' " + refusal + ": it is left out");
    });
    mFullscreen = false;
    // A missing or zero side is filled in when the window opens; a negative one is a mistake.
    auto windowSide = [&](const xml::XmlTag& tag, const char* name) {
        const int value = slips.whole(tag, name, 0);
        if (value < 0)
            throw Exception("[Corvista] Bad window %s '%s' in '%s': a window size cannot be negative", name,
                            tag.getAttribute(name).c_str(), mSetupFileName.c_str());
        return value;
    };
    forEach(document, "display", [&](const xml::XmlTag& tag) {
        mDisplayConfigured = true;
        mWidth = windowSide(tag, "width");
        mHeight = windowSide(tag, "height");
        if (tag.getAttribute("fullscreen") == "on") mFullscreen = true;
        mTitle = tag.getAttribute("title");
    });
    forEach(document, "osd", [&](const xml::XmlTag& tag) {
        if (tag.getAttribute("show") != "on") mOsdShow = false;
        const std::string& location = tag.getAttribute("location");
        mOsdLocation = location == "middle" ? 1 : location == "bottom" ? 2 : 0;
        mOsdDelay = static_cast<float>(slips.real(tag, "delay"));
        if (mOsdDelay == 0.0f) mOsdDelay = 2.0f;
    });
    forEach(document, "script",
            [&](const xml::XmlTag& tag) { loadScriptFile(tag.getAttribute("filename"), tag.line()); });
    forEach(document, "dump", [&](const xml::XmlTag& tag) {
        createDumper(tag.getAttribute("name"), tag.getAttribute("rate"), slips.real(tag, "rate", "60"), tag.line());
    });
    forEach(document, "music", [&](const xml::XmlTag& tag) {
        const std::string& mute = tag.getAttribute("mute");
        if (mute == "nosound") {
            mNoSound = true;
            mNoSoundAsked = true;
        } else if (mute == "on") {
            mMute = true;
        }
        mMusicFile = tag.getAttribute("filename");
        mMusicLine = tag.line();
    });
    forEach(document, "setup", [&](const xml::XmlTag& tag) {
        mSetupWidth = slips.whole(tag, "width", 0);
        mSetupHeight = slips.whole(tag, "height", 0);
        mSetupFile = tag.getAttribute("filename");
        mSetupTitle = tag.getAttribute("title");
    });
    checkDumpLength();
    mSetupDone = true;
}

void Corvista::checkDumpLength() {
    if (!mDumper || static_cast<double>(mScript.mLength) * mDumpRate <= INT_MAX) return;
    delete mDumper; // nothing was dumped
    mDumper = nullptr;
    // The entry that ends last, with its file and line.
    std::string where;
    for (size_t i = 0; i < mScriptFiles.size() && where.empty(); ++i) {
        for (size_t entry = mScriptFiles[i].second; entry < scriptFileEnd(i) && where.empty(); ++entry) {
            if (mScript.mEntries[entry]->mEnd == mScript.mLength)
                where = " (script '" + mScriptFiles[i].first + "', line " +
                        std::to_string(mScript.mEntries[entry]->mLine) + ")";
        }
    }
    throw Exception("[Corvista] The timeline ends at %g s%s: a dump at %g frames per second cannot reach it, as it "
                    "numbers at most %d frames",
                    static_cast<double>(mScript.mLength), where.c_str(), static_cast<double>(mDumpRate), INT_MAX);
}

void Corvista::loadScriptFile(const std::string& name, int line) {
    mScriptFile = name;
    std::string unreadable;
    am::FileDataHandle file = mArchives.getFile(name, -1, &unreadable);
    if (file.empty())
        throw Exception("[Corvista] Could not find the script: '%s'%s (the script named in %s)", name.c_str(),
                        am::causeNote(unreadable).c_str(), whereIs(line).c_str());
    bool loaded = false;
    std::string cause;
    std::vector<std::string> warnings;
    const size_t first = mScript.mEntries.size();
    try {
        loaded = script::ScriptReader::loadScript(file->bytes, file->size, mScript, &cause, &warnings);
    } catch (const Exception& error) {
        throw Exception("[Corvista] Could not read the script '%s': %s", name.c_str(), error.what());
    }
    // A script that does not load is an error, not an empty timeline.
    if (!loaded) throw Exception("[Corvista] Could not load the script '%s': %s", name.c_str(), cause.c_str());
    for (const std::string& warning : warnings)
        NVN_LOG("warning", "Corvista", "Script '%s', %s", name.c_str(), warning.c_str());
    mScriptFiles.emplace_back(name, first);
}

size_t Corvista::scriptFileEnd(size_t file) const {
    return file + 1 < mScriptFiles.size() ? mScriptFiles[file + 1].second : mScript.mEntries.size();
}

void Corvista::warnUnknownEffects() const {
    for (size_t i = 0; i < mScriptFiles.size(); ++i) {
        xml::Slips slips;
        for (const script::EffectEntry* entry : mScript.entriesWithoutCallback(mScriptFiles[i].second, scriptFileEnd(i)))
            slips.warn(entry->mLine, "unknown effect '" + entry->mName + "'");
        for (size_t entry = mScriptFiles[i].second; entry < scriptFileEnd(i); ++entry)
            warnUnreadNames(*mScript.mEntries[entry], mScript.mCallbacks, slips);
        for (const std::string& warning : slips.texts())
            NVN_LOG("warning", "Corvista", "Script '%s', %s", mScriptFiles[i].first.c_str(), warning.c_str());
    }
}

void Corvista::createDumper(const std::string& nameText, const std::string& rateText, double rate, int line) {
    const std::string name = nameText.empty() ? std::string("untitled") : nameText;
    // A rate of 0 (or one held as 0 by the float) would never move the clock to the end: the dump
    // would not stop. Beyond the largest, the frame arithmetic would overflow or lose frames. High
    // rates are fine (motion blur from oversampling).
    if (!(rate >= MinDumpRate && rate <= MaxDumpRate)) // not a number and infinity too
        throw Exception("[Corvista] Bad dump rate '%s' for '%s' in %s: frames per second must be at least %g and "
                        "at most %.0f",
                        rateText.c_str(), name.c_str(), whereIs(line).c_str(), MinDumpRate, MaxDumpRate);
    mDumpRate = static_cast<float>(rate);
    mNoSound = true; // a dump plays no sound: it needs no music tag
    am::VideoRect format{};
    format.values[0] = 0;
    format.values[1] = 0;
    format.values[2] = static_cast<int>(rate);
    format.values[3] = 1;
    am::VideoFile* dumper = nullptr;
    try {
        dumper = am::VideoFile::createForWrite(name, format, &mArchives);
    } catch (const Exception& error) {
        throw Exception("%s: the dump name in %s, must end in '.%s', the only kind of frame file that can be written",
                        error.what(), whereIs(line).c_str(), am::VideoFileImageDumper::Extension);
    }
    delete mDumper; // a later dump tag replaces an earlier one
    mDumper = dumper;
    // The log names where the frames really go: names are taken inside archive 0, also absolute ones.
    const am::VideoFileImageDumper* frames = imageDumper();
    const std::string path = frames ? frames->pathOnDisk(name) : name;
    if (!name.empty() && name[0] == '/')
        NVN_LOG("warning", "app", "The dump name '%s' is taken inside the folder the program runs in", name.c_str());
    NVN_LOG("log", "app", "Dumping to '%s' (rate='%f'fps)", path.c_str(), mDumpRate);
}

bool Corvista::saveSettings() {
    if (!mSetupDone || mSettingsSaved || mStartRefused) return true;
    mSettingsSaved = true;
    try {
        return saveSetup();
    } catch (const std::exception& error) {
        NVN_LOG("error", "Corvista", "Could not write '%s' back: %s", kLocalSetup, error.what());
        return false;
    }
}

std::string Corvista::startMarkText() const {
    // A mark nobody moved keeps its digits (1.125, a frame's time at 24 fps): the same set-up dumps
    // the same frames on every run.
    const std::string text = mStartTime == mStartRead ? formatSetting(mStartTime) : formatStartMark(mStartTime);
    if (!nextStartRefuses(readBack(text.c_str()))) return text;
    // A mark at the very end (Ctrl+T there, or as a dump reaches its end) would make the next start
    // end at once and be refused: it goes back to the last hundredth before that end.
    double end = static_cast<double>(mStartTime);
    if (mDumper) end = std::min(end, static_cast<double>(mScript.mLength));
    if (!mNoSound && mMusic.getSampleRate() > 0)
        end = std::min(end, static_cast<double>(mMusic.getLength()) / mMusic.getSampleRate());
    double hundredths = std::floor(end * 100.0);
    while (hundredths > 0.0 && nextStartRefuses(static_cast<float>(hundredths / 100.0))) hundredths -= 1.0;
    return formatSeconds(std::max(hundredths, 0.0) / 100.0);
}

bool Corvista::nextStartRefuses(float t) const {
    return (mDumper && dumpReachedEnd(t)) || (!mLoop && musicEndsBy(t));
}

bool Corvista::saveSetup() {
    // Only the user's own local file in "./" is rewritten; a copy inside another archive is not.
    am::FileDataHandle file = mArchives.getFile(kLocalSetup, 0);
    if (file.empty()) return true;
    xml::XmlParser document;
    document.parse(file->bytes, file->size);
    if (document.root().tag().name() != "demo") return true;

    // Each setting goes where the reader takes it from: the start of the last time tag.
    writeSwitch(document, "display", "fullscreen", mFullscreen);
    if (xml::XmlTag* time = lastOf(document, "time")) {
        time->setAttribute("start", startMarkText());
        writeSwitch(document, "time", "loop", mLoop);
    } else {
        xml::XmlTag tag;
        tag.setName("time");
        tag.setAttribute("start", startMarkText());
        tag.setAttribute("loop", mLoop ? "on" : "off");
        document.root().insertChild(tag, -1);
    }
    const char* mute = mNoSoundAsked ? "nosound" : mMute ? "on" : "off";
    forEach(document, "music", [&](xml::XmlTag& tag) { tag.setAttribute("mute", mute); });
    const char* const locations[3] = {"top", "middle", "bottom"};
    auto writeOsd = [&](xml::XmlTag& tag) {
        tag.setAttribute("show", mOsdShow ? "on" : "off");
        tag.setAttribute("location", locations[mOsdLocation >= 0 && mOsdLocation < 3 ? mOsdLocation : 0]);
        tag.setAttribute("delay", formatSetting(mOsdDelay));
    };
    xml::XmlParser::Iterator osd = document.children("osd");
    if (++osd) {
        forEach(document, "osd", writeOsd);
    } else {
        // Without one, the time bar set with the keys would be lost: it gets a tag of its own.
        xml::XmlTag tag;
        tag.setName("osd");
        writeOsd(tag);
        document.root().insertChild(tag, -1);
    }

    std::string text;
    document.writeToString(text, "\t");
    am::FileData* data = new am::FileData;
    data->name = kLocalSetup;
    data->size = static_cast<int>(text.size());
    data->bytes = static_cast<char*>(std::malloc(text.size() + 1));
    if (!data->bytes) {
        delete data;
        throw Exception("[Corvista] Out of memory writing '%s'", kLocalSetup);
    }
    std::memcpy(data->bytes, text.data(), text.size());
    if (mArchives.putFile(am::FileDataHandle(data), 0)) return true;
    NVN_LOG("error", "Corvista", "Could not write '%s'", kLocalSetup);
    return false;
}

void Corvista::onControlEvent(const std::string& sourceName, int code) {
    if (code != 1) return;
    // Both buttons end the display loop normally, so the settings are written back on the way out.
    if ((sourceName == "button_run" || sourceName == "button_exit") && mDisplay) mDisplay->requestClose();
}

} // namespace norvane::corvista
