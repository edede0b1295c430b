#include "scr_recorder.h"
#include "scr_script.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using halcyra_test::Calls;
using halcyra_test::Recorder;
using norvane::script::EffectEntry;
using norvane::script::Script;
using norvane::script::SplineTrack;
using norvane::script::Trigger;

namespace {

std::unique_ptr<EffectEntry> entry(const std::string& name, float start, float end) {
    auto e = std::make_unique<EffectEntry>();
    e->mName = name;
    e->mEnabled = true;
    e->mStart = start;
    e->mEnd = end;
    return e;
}

EffectEntry& add(Script& script, std::unique_ptr<EffectEntry> e) {
    script.mEntries.push_back(std::move(e));
    script.computeLength();
    return *script.mEntries.back();
}

EffectEntry& addChild(EffectEntry& parent, std::unique_ptr<EffectEntry> e) {
    parent.mChildren.push_back(std::move(e));
    return *parent.mChildren.back();
}

Trigger& addTrigger(EffectEntry& e, const std::string& name, float start, int repeat, float delay) {
    auto trigger = std::make_unique<Trigger>();
    trigger->mName = name;
    trigger->mValue = "v";
    trigger->mStart = start;
    trigger->mRepeat = repeat;
    trigger->mDelay = delay;
    e.mTriggers.push_back(std::move(trigger));
    return *e.mTriggers.back();
}

} // namespace

TEST(EffectEntry, StartsEmptyAndDisabled) {
    EffectEntry e;
    EXPECT_EQ(e.mName, "new");
    EXPECT_FALSE(e.mEnabled);
    EXPECT_TRUE(e.mNeedsStart);
    Trigger trigger;
    EXPECT_EQ(trigger.mName, "new");
    EXPECT_EQ(trigger.mRepeat, 1);
    SplineTrack track;
    EXPECT_EQ(track.mName, "new");
    EXPECT_EQ(track.mType, 2);
    EXPECT_TRUE(track.mSmoothing);
}

TEST(ScriptUpdate, IgnoresNegativeTimeAndTimeBeyondTheEnd) {
    Script script;
    Recorder fx("");
    script.registerCallback("fx", &fx);
    add(script, entry("fx", 0, 10));
    EXPECT_EQ(script.mLength, 10.0f);

    ASSERT_TRUE(script.update(1.0f));
    fx.take();
    EXPECT_TRUE(script.update(-1.0f));
    EXPECT_EQ(script.mTime, 1.0f);
    EXPECT_TRUE(fx.take().empty());
    ASSERT_TRUE(script.update(2.0f)); // the step is measured from before the ignored call
    EXPECT_EQ(fx.take(), (Calls{"draw 2 1 0.2", "postDraw 2 1 0.2"}));

    EXPECT_TRUE(script.update(10.0f)); // the end itself still evaluates, though the entry is over
    EXPECT_TRUE(fx.take().empty());
    EXPECT_FALSE(script.update(10.5f));
    EXPECT_EQ(script.mTime, 10.5f);
    EXPECT_FALSE(script.update(10.2f));
    EXPECT_TRUE(fx.take().empty());
    ASSERT_TRUE(script.update(9.0f)); // step -1.2: the entry is reset and starts again
    EXPECT_EQ(fx.take(), (Calls{"start", "draw 9 -1.2 0.9", "postDraw 9 -1.2 0.9"}));

    float notANumber = std::nanf("");
    EXPECT_TRUE(script.update(notANumber));
    EXPECT_EQ(script.mTime, 9.0f);
}

TEST(ScriptUpdate, EntrySpanIsHalfOpen) {
    Script script;
    Recorder fx("");
    script.registerCallback("fx", &fx);
    add(script, entry("fx", 2, 5));
    add(script, entry("fx", 3, 3));
    script.update(2.0f);
    EXPECT_EQ(fx.take(), (Calls{"start", "draw 0 2 0", "postDraw 0 2 0"}));
    script.update(3.0f);
    EXPECT_EQ(fx.take(), (Calls{"draw 1 1 0.333333", "postDraw 1 1 0.333333"}));
    script.update(5.0f);
    EXPECT_TRUE(fx.take().empty());
}

TEST(ScriptUpdate, DueTriggersComeTogetherAtTheFrameTime) {
    Script script;
    Recorder fx("");
    script.registerCallback("fx", &fx);
    EffectEntry& e = add(script, entry("fx", 1, 20));
    addTrigger(e, "three", 1, 3, 0.5f);
    addTrigger(e, "never", 0, 0, 0.5f);
    addTrigger(e, "negative", 0, -2, 0.5f);
    addTrigger(e, "burst", 1.5f, 2, 0.0f);
    script.update(3.2f); // local 2.2
    EXPECT_EQ(fx.take(), (Calls{"start", "trigger 2.2 three=v", "trigger 2.2 three=v", "trigger 2.2 three=v",
                                "trigger 2.2 burst=v", "trigger 2.2 burst=v", "draw 2.2 3.2 0.115789",
                                "postDraw 2.2 3.2 0.115789"}));
    script.update(10.0f);
    EXPECT_EQ(fx.take().size(), 2u); // all spent: draw and postDraw only
}

TEST(ScriptUpdate, BackwardsStepReArmsTopLevelEntriesOnly) {
    Script script;
    Calls log;
    Recorder parent("parent", &log), child("child", &log);
    script.registerCallback("parent", &parent);
    script.registerCallback("child", &child);
    EffectEntry& p = add(script, entry("parent", 0, 40));
    addTrigger(p, "p", 5, 1, 0);
    EffectEntry& c = addChild(p, entry("child", 0, 40));
    addTrigger(c, "c", 5, 1, 0);

    script.update(30.0f);
    EXPECT_EQ(log, (Calls{"parent: start", "parent: trigger 30 p=v", "parent: draw 30 30 0.75", "child: start",
                          "child: trigger 30 c=v", "child: draw 30 30 0.75", "child: postDraw 30 30 0.75",
                          "parent: postDraw 30 30 0.75"}));
    log.clear();
    script.update(10.0f);
    EXPECT_EQ(log, (Calls{"parent: start", "parent: trigger 10 p=v", "parent: draw 10 -20 0.25",
                          "child: draw 10 -20 0.25", "child: postDraw 10 -20 0.25", "parent: postDraw 10 -20 0.25"}));
}

TEST(ScriptUpdate, ResetReachesInactiveEntriesAndStartWaitsForTheirNextEvaluation) {
    Script script;
    Recorder fx("");
    script.registerCallback("fx", &fx);
    EffectEntry& early = add(script, entry("fx", 0, 2));
    EffectEntry& late = add(script, entry("", 5, 8));
    script.update(1.0f);
    EXPECT_FALSE(early.mNeedsStart);
    script.update(6.0f);
    script.update(5.5f);
    EXPECT_TRUE(early.mNeedsStart);
    EXPECT_TRUE(late.mNeedsStart); // never started: its name has no callback
    fx.take();
    script.update(1.5f);
    EXPECT_EQ(fx.take().front(), "start");
}

TEST(ScriptUpdate, UnregisteredEntryPlaysItsChildrenInItsOwnTime) {
    Script script;
    Calls log;
    Recorder a("a", &log), b("b", &log);
    script.registerCallback("a", &a);
    script.registerCallback("b", &b);
    script.registerCallback("null", nullptr); // a name without a callback behind it
    EffectEntry& group = add(script, entry("Group", 10, 20));
    addTrigger(group, "lost", 0, 1, 0);
    addChild(group, entry("a", 1, 3));
    EffectEntry& inner = addChild(group, entry("null", 0, 5));
    addChild(inner, entry("b", 2, 4));
    addChild(group, entry("A", 0, 10)); // letter case matters
    auto disabled = entry("a", 0, 10);
    disabled->mEnabled = false;
    addChild(group, std::move(disabled));

    script.update(12.5f);
    EXPECT_EQ(log, (Calls{"a: start", "a: draw 1.5 12.5 0.75", "a: postDraw 1.5 12.5 0.75", "b: start",
                          "b: draw 0.5 12.5 0.25", "b: postDraw 0.5 12.5 0.25"}));
    EXPECT_TRUE(group.mNeedsStart);
    EXPECT_EQ(group.mTriggers[0]->mIssued, 0);

    // The names that draw nothing, for the demo to warn of; a nameless group is not one.
    addChild(add(script, entry("", 0, 1)), entry("zz", 0, 1));
    auto names = [&script](size_t first, size_t last) {
        std::vector<std::string> found;
        for (const EffectEntry* e : script.entriesWithoutCallback(first, last)) found.push_back(e->mName);
        return found;
    };
    EXPECT_EQ(names(0, 9), (std::vector<std::string>{"Group", "null", "A", "zz"}));
    EXPECT_EQ(names(1, 2), (std::vector<std::string>{"zz"}));
}

TEST(ScriptUpdate, EntriesSharingANameShareTheCallbackInListOrder) {
    Script script;
    Recorder fx(""), replaced("");
    script.registerCallback("fx", &replaced);
    script.registerCallback("fx", &fx);
    EffectEntry& first = add(script, entry("fx", 0, 10));
    first.mTracks.push_back(std::make_unique<SplineTrack>());
    first.mTracks[0]->mName = "alpha";
    first.mTracks[0]->mType = 1;
    first.mTracks[0]->addKey({0.0f, 0.0f, 0, 0});
    first.mTracks[0]->addKey({10.0f, 1.0f, 0, 0});
    add(script, entry("fx", 4, 6));
    script.update(5.0f);
    EXPECT_EQ(fx.take(), (Calls{"start", "value 5 alpha=0.5", "draw 5 5 0.5", "postDraw 5 5 0.5", "start",
                                "draw 1 5 0.5", "postDraw 1 5 0.5"}));
    EXPECT_TRUE(replaced.take().empty());
}

TEST(ScriptLength, CountsTopLevelEndsOnly) {
    Script script;
    script.computeLength();
    EXPECT_EQ(script.mLength, 0.0f);
    EffectEntry& e = add(script, entry("a", -5, -1));
    EXPECT_EQ(script.mLength, 0.0f);
    addChild(e, entry("b", 0, 100));
    add(script, entry("c", 0, 7.5f));
    EXPECT_EQ(script.mLength, 7.5f);
}

namespace {

// A timeline laid out in ticks of 1/3000 s, a whole number of them per frame at every rate below,
// so that which frame a written time falls on is counted exactly.
constexpr long long kTicksPerSecond = 3000;

float seconds(long long ticks) { return static_cast<float>(static_cast<double>(ticks) / kTicksPerSecond); }

struct FrameSweep {
    struct Placed {
        EffectEntry* entry;
        std::unique_ptr<Recorder> recorder;
        long long origin;   // the demo time of its local 0
        long long from, to; // the demo times it plays in, its parents' spans cut in
        std::vector<std::pair<long long, float>> keys; // demo time and value of each key
    };
    struct Firings {
        const Trigger* trigger;
        const Placed* in;
        long long due;   // the demo time of the first firing
        long long every; // between the firings
    };

    long long mark;  // the start mark the frames count from
    long long frame; // ticks a frame
    Script script;
    std::vector<Placed> placed;
    std::vector<Firings> firings;

    long long frameAt(long long n) const { return mark + n * frame; }

    // An entry from start to end (ticks of its parent's time) inside parent (none: top level).
    Placed& place(Placed* parent, long long start, long long end) {
        const std::string name = "e" + std::to_string(placed.size());
        auto made = entry(name, seconds(start), seconds(end));
        EffectEntry& e = parent ? addChild(*parent->entry, std::move(made)) : add(script, std::move(made));
        const long long origin = (parent ? parent->origin : 0) + start;
        placed.push_back({&e, std::make_unique<Recorder>(""), origin, origin, origin + end - start, {}});
        Placed& p = placed.back();
        if (parent) {
            p.from = std::max(p.from, parent->from);
            p.to = std::min(p.to, parent->to);
        }
        script.registerCallback(name, p.recorder.get());
        return p;
    }

    void trigger(const Placed& p, long long due, int repeat, long long every) {
        Trigger& t = addTrigger(*p.entry, "t", seconds(due - p.origin), repeat, seconds(every));
        firings.push_back({&t, &p, due, every});
    }

    void key(Placed& p, long long at, float value) {
        if (p.entry->mTracks.empty()) {
            p.entry->mTracks.push_back(std::make_unique<SplineTrack>());
            p.entry->mTracks[0]->mType = 0; // square
        }
        p.entry->mTracks[0]->addKey({seconds(at - p.origin), value, 0, 0});
        p.keys.emplace_back(at, value);
    }

    // Triggers and square keys on every frame the entry plays in, and some a little after a frame
    // (late ticks), which must wait for the next one.
    void fill(Placed& p, long long late) {
        for (long long n = 0; frameAt(n) < p.to; ++n) {
            if (frameAt(n) < p.from) continue;
            trigger(p, frameAt(n), 1, 0);
            key(p, frameAt(n), static_cast<float>(n));
            if (late > 0 && frameAt(n) + late < p.to) {
                trigger(p, frameAt(n) + late, 1, 0);
                key(p, frameAt(n) + late, -1.0f);
            }
        }
        // And one repeated every third frame over the span.
        long long first = 0;
        while (frameAt(first) < p.from) ++first;
        trigger(p, frameAt(first), static_cast<int>((p.to - frameAt(first)) / (3 * frame)), 3 * frame);
    }

    // Plays frames 0 to count - 1 at the times a dump gives them and lists what happened on another
    // frame than the one the written times fall on.
    std::vector<std::string> play(int rate, long long count) {
        std::vector<std::string> wrong;
        auto note = [&](long long n, const Placed& p, const std::string& what) {
            char where[96];
            std::snprintf(where, sizeof(where), "%d fps from %g s, frame %lld, entry from %g s: ", rate,
                          double(seconds(mark)), n, double(seconds(p.origin)));
            wrong.push_back(where + what);
        };
        const float start = seconds(mark);
        for (long long n = 0; n < count; ++n) {
            const long long now = frameAt(n);
            // As the dump clock counts frames: the start mark plus n / rate.
            script.update(static_cast<float>(static_cast<double>(start) + static_cast<double>(n) / rate));
            for (Placed& p : placed) {
                const Calls calls = p.recorder->take();
                const bool plays = p.from <= now && now < p.to;
                if (calls.empty() == plays) note(n, p, plays ? "did not play" : "played");
                if (!plays || p.keys.empty()) continue;
                float expected = p.keys.front().second;
                for (const auto& key : p.keys)
                    if (key.first <= now) expected = key.second;
                for (const std::string& call : calls)
                    if (call.rfind("value ", 0) == 0 && call.substr(call.rfind('=') + 1) != Recorder::number(expected))
                        note(n, p, call + ", not " + Recorder::number(expected));
            }
            for (const Firings& f : firings) {
                // The latest frame the entry played on.
                const long long reached = std::min(now, frameAt((f.in->to - 1 - mark) / frame));
                long long due = 0;
                if (now >= f.in->from && reached >= f.due)
                    due = f.every > 0 ? std::min<long long>(f.trigger->mRepeat, (reached - f.due) / f.every + 1) : 1;
                if (f.trigger->mIssued != due)
                    note(n, *f.in, "trigger at " + Recorder::number(seconds(f.due)) + " fired " +
                                       std::to_string(f.trigger->mIssued) + " times, not " + std::to_string(due));
            }
        }
        return wrong;
    }
};

} // namespace

TEST(ScriptUpdate, TimesWrittenOnAFrameTakeEffectOnThatFrame) {
    for (const int rate : {10, 24, 25, 30, 60, 1000}) {
        for (const long long mark : {0LL, 3599LL * kTicksPerSecond + 300}) { // at 0 and an hour in
            FrameSweep sweep{mark, kTicksPerSecond / rate, {}, {}, {}};
            sweep.placed.reserve(64);
            const long long hundredth = kTicksPerSecond / 100;
            // Between two frames; an hour in at 1000 frames a second a third of a frame is within the
            // float's resolution there.
            const long long late = rate <= 60 ? hundredth : mark == 0 ? 1 : 0;
            // Entries, their children and grandchildren at many decimal starts.
            for (long long j = 0; j < 6; ++j) {
                const long long start = mark + (37 * j % 100) * hundredth;
                FrameSweep::Placed& top = sweep.place(nullptr, start, start + (40 + 53 * j % 60) * hundredth);
                const long long childStart = (29 * j + 13) % 40 * hundredth;
                FrameSweep::Placed& child =
                    sweep.place(&top, childStart, childStart + (30 + 17 * j % 50) * hundredth);
                const long long innerStart = (13 * j + 7) % 30 * hundredth;
                sweep.place(&child, innerStart, innerStart + (20 + 11 * j % 40) * hundredth);
            }
            for (FrameSweep::Placed& p : sweep.placed) sweep.fill(p, late);
            long long count = 2 * rate;
            if (rate == 10 && mark == 0) {
                // 24 triggers at local 0.2 + 0.6k s in an entry at 0.3 s; one at local 0.5 s repeated
                // 6 times 0.7 s apart in an entry at 6 s; a square key at 5.9 s in an entry ending at 6 s.
                FrameSweep::Placed& beats = sweep.place(nullptr, 900, 60000);
                for (long long k = 0; k < 24; ++k) sweep.trigger(beats, 900 + 600 + k * 1800, 1, 0);
                sweep.trigger(sweep.place(nullptr, 18000, 60000), 18000 + 1500, 6, 2100);
                FrameSweep::Placed& keyed = sweep.place(nullptr, 0, 18000);
                sweep.key(keyed, 0, 0.0f);
                sweep.key(keyed, 17700, 1.0f);
                count = 160;
            }
            const std::vector<std::string> wrong = sweep.play(rate, count);
            EXPECT_TRUE(wrong.empty()) << wrong.size() << " times on another frame, the first: " << wrong.front();
        }
    }
}
