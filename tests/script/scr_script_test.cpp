#include "growth_timing.h"
#include "scr_recorder.h"
#include "scr_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
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

// A callback that appends entries to the timeline while it draws, as an effect may.
struct Appender : norvane::script::Callback {
    // Makes the next draw append n entries to s, starting a second apart from first, all ending at last.
    void next(Script& s, size_t n, float first, float last) { script = &s; count = n; start = first; end = last; }
    void draw(float, float, float) override {
        for (; count > 0; --count, ++start) script->mEntries.push_back(entry("fx", start, end));
    }
    Script* script = nullptr;
    size_t count = 0;
    float start = 0.0f, end = 0.0f;
};

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

// A frame costs the entries that play, not the ones far before or after it: the same frames over
// 100 times as many entries that do not play, appended by a callback in a frame between two walks,
// take about as long. An entry moved into the frame's time, with the length computed again as the
// editor does, plays at the next frame; one a callback appends plays in the frame that appends it.
TEST(ScriptUpdate, AFrameLooksOnlyAtTheEntriesThatPlay) {
    Recorder fx("");
    Appender adds;
    auto frames = [&](size_t late) {
        auto script = std::make_unique<Script>();
        script->registerCallback("fx", &fx);
        script->registerCallback("adds", &adds);
        add(*script, entry("fx", 0, 1000));
        add(*script, entry("adds", 0, 1000));
        float t = 0.0f;
        script->update(t);
        adds.next(*script, late, 2000.0f, 3000.0f);
        script->update(t += 0.01f);
        const double seconds = growthtest::fastestSeconds(5, [&] {
            for (int frame = 0; frame < 100; ++frame) script->update(t += 0.01f);
        });
        fx.take();
        return seconds;
    };
    const double few = frames(1000), many = frames(100000);
    EXPECT_LT(many, 10.0 * few) << few << " s against " << many << " s";

    Script script;
    script.registerCallback("fx", &fx);
    script.registerCallback("adds", &adds);
    add(script, entry("fx", 0, 10));
    EffectEntry& moved = add(script, entry("fx", 20, 30));
    add(script, entry("adds", 0, 10));
    script.update(5.0f);
    fx.take();
    moved.mStart = 4.0f;
    script.computeLength();
    script.update(5.5f);
    EXPECT_EQ(fx.take(), (Calls{"draw 5.5 0.5 0.55", "postDraw 5.5 0.5 0.55", "start", "draw 1.5 0.5 0.0576923",
                                "postDraw 1.5 0.5 0.0576923"}));
    adds.next(script, 1, 5.5f, 7.5f);
    script.update(6.0f);
    EXPECT_EQ(fx.take(), (Calls{"draw 6 0.5 0.6", "postDraw 6 0.5 0.6", "draw 2 0.5 0.0769231",
                                "postDraw 2 0.5 0.0769231", "start", "draw 0.5 0.5 0.25", "postDraw 0.5 0.5 0.25"}));
}

// Times written on a frame's time (entries at many decimal starts, nested, their triggers and square
// keys on every frame) take effect on that frame of a dump at the rates videos use, from 0 and an
// hour in; times a little after a frame wait for the next. Trigger names and key values are the
// frames they must show on. An hour in, the float of the mark lies above 3599.1 s and below 3599.4 s,
// so the frames from there come out after and before the times written on them.
TEST(ScriptUpdate, TimesWrittenOnAFrameTakeEffectOnThatFrame) {
    const long long tick = 3000; // a second: a whole number of ticks a frame at each rate below
    auto at = [&](long long ticks) { return static_cast<float>(static_cast<double>(ticks) / tick); };
    struct Span {
        EffectEntry* entry;
        long long origin, from, to; // where its local 0 is, and where it plays
    };
    for (const int rate : {10, 24, 25, 30, 60, 1000}) {
        for (const long long mark : {0LL, 3599 * tick + 300, 3599 * tick + 1200}) {
            const long long frame = tick / rate;
            // Between two frames; an hour in at 1000 frames a second, none is beyond float's resolution.
            const long long late = rate <= 60 ? tick / 100 : mark == 0 ? 1 : 0;
            Script script;
            Recorder fx("");
            script.registerCallback("fx", &fx);
            int firings = 0;
            long long last = 0;
            auto place = [&](const Span& in, long long start, long long end) {
                auto made = entry("fx", at(start), at(end));
                EffectEntry& e = in.entry ? addChild(*in.entry, std::move(made)) : add(script, std::move(made));
                const long long origin = in.origin + start;
                const Span span{&e, origin, std::max(in.from, origin), std::min(in.to, in.origin + end)};
                e.mTracks.push_back(std::make_unique<SplineTrack>());
                e.mTracks[0]->mType = 0; // square
                // One trigger every third frame from the first, one on every frame and one just after.
                long long m = (span.from - mark + frame - 1) / frame;
                const int thirds = 1 + int((span.to - mark - m * frame - 1) / (3 * frame));
                addTrigger(e, std::to_string(m) + "+3", at(mark + m * frame - span.origin), thirds, at(3 * frame));
                for (firings += thirds; mark + m * frame < span.to; ++m, ++firings) {
                    const long long f = mark + m * frame - span.origin;
                    addTrigger(e, std::to_string(m), at(f), 1, 0);
                    e.mTracks[0]->addKey({at(f), float(m), 0, 0});
                    if (late == 0 || mark + (m + 1) * frame >= span.to) continue;
                    addTrigger(e, std::to_string(m + 1), at(f + late), 1, 0);
                    e.mTracks[0]->addKey({at(f + late), -1.0f, 0, 0});
                    ++firings;
                }
                last = std::max(last, span.to);
                return span;
            };
            const Span timeline{nullptr, 0, 0, 1LL << 40};
            // Half the entries hang in a group from 0.1 s: their local times are differences that round.
            const Span early{&add(script, entry("", at(300), at(mark + 2 * tick))), 300, mark, 1LL << 40};
            for (long long j = 0; j < 6; ++j) {
                const long long top = mark + (37 * j % 100) * tick / 100, child = (29 * j + 13) % 40 * tick / 100,
                                inner = (13 * j + 7) % 30 * tick / 100;
                const Span& in = j % 2 ? early : timeline;
                const Span parent = place(in, top - in.origin, top - in.origin + (40 + 53 * j % 60) * tick / 100);
                const Span middle = place(parent, child, child + (30 + 17 * j % 50) * tick / 100);
                place(middle, inner, inner + (20 + 11 * j % 40) * tick / 100);
            }
            if (rate == 10 && mark == 0) {
                // The cases first reported: triggers at local 0.2 + 0.6k s in an entry at 0.3 s; one at
                // local 0.5 s, 6 times 0.7 s apart, in an entry at 6 s; a square key at 5.9 s in an
                // entry that ends at 6 s.
                place(timeline, 900, 45000);
                addTrigger(*place(timeline, 18000, 45000).entry, "65+7", 0.5f, 6, 0.7f);
                firings += 6;
                place(timeline, 0, 18000);
                // 1000 firings a second apart from 1 ms after a frame: the late ones wait for the next frame too.
                addTrigger(add(script, entry("fx", 0, 1000)), "1+10", 0.001f, 1000, 1.0f);
                firings += 1000;
                last = 1000 * tick;
            }
            int fired = 0;
            std::vector<std::string> wrong;
            for (long long n = 0; mark + n * frame < last; ++n) {
                // The time of frame n as a dump counts it from the start mark.
                script.update(static_cast<float>(static_cast<double>(at(mark)) + static_cast<double>(n) / rate));
                for (const std::string& call : fx.take()) {
                    int m = 0, every = 0;
                    bool right = true;
                    if (std::sscanf(call.c_str(), "trigger %*f %d+%d", &m, &every) >= 1) {
                        ++fired;
                        right = every ? n >= m && (n - m) % every == 0 : n == m;
                    } else if (call.rfind("value", 0) == 0) {
                        right = call.substr(call.rfind('=') + 1) == std::to_string(n);
                    }
                    if (!right)
                        wrong.push_back(std::to_string(rate) + " fps from " + Recorder::number(at(mark)) +
                                        " s, frame " + std::to_string(n) + ": " + call);
                }
            }
            EXPECT_EQ(fired, firings) << rate << " fps from " << Recorder::number(at(mark)) << " s";
            EXPECT_TRUE(wrong.empty()) << wrong.size() << " on another frame, the first: " << wrong.front();
        }
    }
}
