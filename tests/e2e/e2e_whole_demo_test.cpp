// The whole sample demo, dumped by the real program at 320 x 180 and 10 frames per second:
// - every timeline entry visibly draws: at the frame in the middle of its span, the picture with
//   the entry differs from the picture with the entry switched off ("state" "off") by at least
//   kMinChangedPixels pixels, each changed by more than kPixelTolerance in some colour (the
//   frame is taken 0.2 s after the middle, off the bar where flashes are opaque);
// - two dumps of the whole demo are byte-identical but for the frames where "kub" draws (its noise
//   moves from a seed taken from the process clock).
// The per-entry pictures come from short runs: the demo's entries are put under one nameless entry
// that ends just after the frame wanted, and the run starts a second before it, so that decaying
// beats and flashes have settled as they are in a whole run.

#include "am_archivemanager.h"
#include "e2e_process.h"
#include "scr_entry.h"
#include "scr_reader.h"
#include "scr_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kProgram = HALCYRA_PROGRAM;
const std::string kDemoDir = HALCYRA_DEMO_DIR;
const int kWidth = 320, kHeight = 180;
const int kRate = 10;                // frames per second of every dump
const int kPixelTolerance = 12;      // a pixel changed when one of its colours moved by more than this
// About 0.17 % of the 57600 pixels of a frame. The smallest drawing is the aeroplanes' flight
// (meshes at a tenth of their size, grey over the grey drum): about 180 pixels at its check.
const int kMinChangedPixels = 100;
const double kWarmUp = 1.0;          // seconds played before the frame that is checked

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// One timeline entry with its span in demo time and its place among the "<effect" tags.
struct Entry {
    int tag;
    std::string name;
    float start, end;
    std::vector<double> beats; // demo times of its "beat", "base" and "blink" triggers
};

void collect(const std::vector<std::unique_ptr<norvane::script::EffectEntry>>& entries, float offset,
             float parentEnd, std::vector<Entry>& out) {
    for (const auto& entry : entries) {
        const int tag = static_cast<int>(out.size());
        const float start = offset + entry->mStart;
        const float end = std::min(offset + entry->mEnd, parentEnd);
        std::vector<double> beats;
        for (const auto& trigger : entry->mTriggers) {
            if (trigger->mName != "beat" && trigger->mName != "base" && trigger->mName != "blink") continue;
            for (int k = 0; k < trigger->mRepeat; ++k)
                beats.push_back(double(start) + trigger->mStart + double(k) * trigger->mDelay);
        }
        out.push_back(Entry{tag, entry->mName, start, end, beats});
        collect(entry->mChildren, start, end, out);
    }
}

std::vector<size_t> effectTags(const std::string& text) {
    std::vector<size_t> at;
    for (size_t p = text.find("<effect"); p != std::string::npos; p = text.find("<effect", p + 1)) at.push_back(p);
    return at;
}

// The timeline with the given entries switched off.
std::string without(const std::string& text, const std::set<int>& off) {
    const std::vector<size_t> tags = effectTags(text);
    std::string out = text;
    for (auto it = off.rbegin(); it != off.rend(); ++it)
        out.insert(tags.at(static_cast<size_t>(*it)) + 7, " state=\"off\"");
    return out;
}

// The timeline cut off at the given time: everything under one nameless entry that ends there.
std::string endingAt(const std::string& text, double end) {
    const size_t open = text.find("<script>");
    const size_t close = text.rfind("</script>");
    char wrapper[96];
    std::snprintf(wrapper, sizeof(wrapper), "<script><effect start=\"0\" end=\"%.3f\">", end);
    return text.substr(0, open) + wrapper + text.substr(open + 8, close - open - 8) + "</effect></script>\n";
}

std::string setupXml(double start) {
    char time[64];
    std::snprintf(time, sizeof(time), "\t<time start=\"%.3f\"/>\n", start);
    return "<?xml version=\"1.0\"?>\n<demo>\n" + std::string(time) +
           "\t<archive path=\"" + kDemoDir + "\"/>\n"
           "\t<display width=\"" + std::to_string(kWidth) + "\" height=\"" + std::to_string(kHeight) +
           "\" title=\"e2e-whole-demo\"/>\n"
           "\t<script filename=\"timeline.xml\"/>\n"
           "\t<dump name=\"frames/f.png\" rate=\"" + std::to_string(kRate) + "\"/>\n"
           "\t<music filename=\"music.ogg\"/>\n</demo>\n";
}

std::string frameName(int n) {
    char name[64];
    std::snprintf(name, sizeof(name), "frames/f.%06d.png", n);
    return name;
}

// A run of the program in a folder of its own, started and then waited for.
struct DemoRun {
    std::unique_ptr<e2e::TempDir> dir;
    std::unique_ptr<e2e::Process> process;
};

DemoRun start(const std::string& timeline, double startTime) {
    DemoRun run;
    run.dir.reset(new e2e::TempDir);
    run.dir->write("setup.xml", setupXml(startTime));
    run.dir->write("timeline.xml", timeline);
    run.process.reset(new e2e::Process(kProgram, run.dir->path()));
    return run;
}

void finish(DemoRun& run, double seconds) {
    ASSERT_TRUE(run.process->wait(seconds)) << "the dump did not end within " << seconds << " s";
    ASSERT_EQ(run.process->status(), 0) << run.process->out() << run.process->err();
}

// B, G, R, A pixels of a dumped frame.
std::vector<unsigned char> pixels(const e2e::TempDir& dir, int frame) {
    norvane::am::ArchiveManager archives;
    archives.addArchive(dir.path());
    norvane::am::Image image;
    archives.loadImage(image, frameName(frame), -1, true);
    if (image->getWidth() != kWidth || image->getHeight() != kHeight) return {};
    const unsigned char* p = image->getPixels();
    return std::vector<unsigned char>(p, p + kWidth * kHeight * 4);
}

int changedPixels(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    if (a.size() != b.size() || a.empty()) return -1;
    int changed = 0;
    for (size_t i = 0; i < a.size(); i += 4) {
        for (size_t c = 0; c < 3; ++c) {
            if (std::abs(int(a[i + c]) - int(b[i + c])) > kPixelTolerance) {
                ++changed;
                break;
            }
        }
    }
    return changed;
}

class WholeDemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        mText = readFile(kDemoDir + "timeline.xml");
        ASSERT_FALSE(mText.empty()) << "no sample timeline in " << kDemoDir;
        norvane::script::Script script;
        std::string error;
        std::vector<std::string> warnings;
        ASSERT_TRUE(norvane::script::ScriptReader::loadScript(mText.data(), static_cast<int>(mText.size()),
                                                              script, &error, &warnings))
            << error;
        EXPECT_TRUE(warnings.empty()) << warnings.front(); // the sample has no mistakes to warn of
        mLength = script.mLength;
        collect(script.mEntries, 0.0f, 1e9f, mEntries);
        // The tags found in the text are the entries, in the same order (no comment names one).
        ASSERT_EQ(effectTags(mText).size(), mEntries.size());
    }

    std::set<int> kubEntries() const {
        std::set<int> kub;
        for (const Entry& entry : mEntries)
            if (entry.name == "kub") kub.insert(entry.tag);
        return kub;
    }

    // With a frame's width to spare at both ends: a frame's clock is a float sum.
    bool kubDrawsAt(double t) const {
        for (const Entry& entry : mEntries)
            if (entry.name == "kub" && entry.start - 0.15 <= t && t < entry.end + 0.15) return true;
        return false;
    }

    std::string mText;
    float mLength = 0;
    std::vector<Entry> mEntries;
};

TEST_F(WholeDemoTest, TheTimelineFollowsTheMusicWithEveryEffectAndBeatsOnTheBeats) {
    EXPECT_NEAR(mLength, 96.0f, 0.001f);
    std::set<std::string> names;
    for (const Entry& entry : mEntries) names.insert(entry.name);
    for (const char* name : {"clear", "kub", "rum", "hus", "hyperkub", "clouds", "hedgehog", "plane", "buff",
                             "tunnel", "logo", "flash", "flash2", "planet", "vintage", "waxon", "waxon_draw",
                             "bot"})
        EXPECT_EQ(names.count(name), 1u) << "no entry plays \"" << name << "\"";
    // The beat triggers land on the music's beats (every 0.5 s at 120 bpm), inside their entries.
    int beats = 0;
    for (const Entry& entry : mEntries) {
        for (const double t : entry.beats) {
            EXPECT_NEAR(std::remainder(t, 0.5), 0.0, 1e-4) << "entry " << entry.tag << " \"" << entry.name << "\" at " << t;
            EXPECT_TRUE(entry.start <= t && t < entry.end) << "entry " << entry.tag << " fires after its end, at " << t;
            ++beats;
        }
    }
    EXPECT_GT(beats, 100);
}

TEST_F(WholeDemoTest, EveryEntryVisiblyDrawsInTheMiddleOfItsSpan) {
    // Each check: the frame at time t of the demo with some entries off, against the same with
    // the checked entry off too. "kub" stays off where another entry is checked: its noise moves
    // differently in every run.
    struct Check {
        const Entry* entry;
        double t;
        std::set<int> base;
    };
    std::vector<Check> checks;
    for (const Entry& entry : mEntries) {
        // The frame 0.2 s after the middle of the span, on the dump's grid of 1/10 s: the middle
        // of a span of whole bars is a bar, where the flashes are opaque; 0.2 s later they are
        // down to 0.4 and the beats are still up.
        const double t = std::floor((entry.start + entry.end) * 0.5 * kRate) / kRate + 0.2;
        checks.push_back(Check{&entry, t, entry.name == "kub" ? std::set<int>() : kubEntries()});
    }

    // The pictures with the checked entries on, one run per time and set of entries off.
    std::map<std::pair<double, std::set<int>>, std::vector<unsigned char>> with;
    auto timeline = [&](const std::set<int>& off, double t) { return endingAt(without(mText, off), t + 0.05); };
    auto startOf = [](double t) { return std::max(0.0, t - kWarmUp); };
    auto frameOf = [&](double t) { return static_cast<int>(std::lround((t - startOf(t)) * kRate)); };

    const size_t parallel = 4;
    for (size_t first = 0; first < checks.size(); first += parallel) {
        const size_t last = std::min(checks.size(), first + parallel);
        std::vector<DemoRun> runs;
        std::vector<std::pair<double, std::set<int>>> withKeys;
        for (size_t i = first; i < last; ++i) {
            const Check& check = checks[i];
            std::set<int> off = check.base;
            off.insert(check.entry->tag);
            runs.push_back(start(timeline(off, check.t), startOf(check.t)));
            const auto key = std::make_pair(check.t, check.base);
            if (!with.count(key) && std::find(withKeys.begin(), withKeys.end(), key) == withKeys.end()) {
                withKeys.push_back(key);
                runs.push_back(start(timeline(check.base, check.t), startOf(check.t)));
            }
        }
        for (DemoRun& run : runs) {
            finish(run, 300);
            if (HasFatalFailure()) return;
        }
        size_t r = 0;
        std::vector<std::vector<unsigned char>> withEntryOff;
        for (size_t i = first; i < last; ++i) {
            const Check& check = checks[i];
            withEntryOff.push_back(pixels(*runs[r++].dir, frameOf(check.t)));
            const auto key = std::make_pair(check.t, check.base);
            if (!with.count(key)) with[key] = pixels(*runs[r++].dir, frameOf(check.t));
        }
        for (size_t i = first; i < last; ++i) {
            const Check& check = checks[i];
            const int changed = changedPixels(with[std::make_pair(check.t, check.base)], withEntryOff[i - first]);
            EXPECT_GE(changed, kMinChangedPixels)
                << "entry " << check.entry->tag << " \"" << check.entry->name << "\" (" << check.entry->start
                << " s to " << check.entry->end << " s) at " << check.t << " s";
            std::printf("entry %2d %-10s %5.1f-%5.1f s: %5d pixels changed at %5.1f s\n", check.entry->tag,
                        check.entry->name.c_str(), check.entry->start, check.entry->end, changed, check.t);
        }
    }
}

TEST_F(WholeDemoTest, TwoWholeDumpsAreIdenticalButWhereKubDraws) {
    DemoRun first = start(mText, 0.0);
    DemoRun second = start(mText, 0.0);
    finish(first, 900);
    finish(second, 900);
    if (HasFatalFailure()) return;
    // The sample names no mistake: its triggers and splines are all read by their effects.
    EXPECT_EQ(first.process->out().find("Script 'timeline.xml', line"), std::string::npos) << first.process->out();

    int frames = 0;
    while (first.dir->exists(frameName(frames))) ++frames;
    // 96 s at 10 frames per second: frames for 0, 0.1, ... up to the end (give or take the last).
    EXPECT_GE(frames, 96 * kRate);
    EXPECT_LE(frames, 96 * kRate + 1);
    EXPECT_FALSE(second.dir->exists(frameName(frames)));

    int compared = 0, kubFrames = 0, kubDiffering = 0;
    for (int n = 0; n < frames; ++n) {
        const std::string a = first.dir->read(frameName(n)), b = second.dir->read(frameName(n));
        if (kubDrawsAt(static_cast<double>(n) / kRate)) {
            ++kubFrames;
            if (a != b) ++kubDiffering;
            continue;
        }
        ASSERT_FALSE(a.empty()) << "frame " << n;
        ASSERT_EQ(a, b) << "frame " << n << " at " << static_cast<double>(n) / kRate << " s";
        ++compared;
    }
    EXPECT_GT(compared, 800);
    // The two runs' noise jitters differently: the "kub" frames are not all the same.
    EXPECT_GT(kubDiffering, kubFrames / 2);
}

} // namespace
