#include "nvn_system.h"
#include "scr_reader.h"
#include "scr_recorder.h"

#include "growth_timing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

using halcyra_test::Calls;
using halcyra_test::Recorder;
using norvane::script::Script;
using norvane::script::ScriptReader;

namespace {

bool load(Script& script, const std::string& text, std::string* error = nullptr,
          std::vector<std::string>* warnings = nullptr) {
    return ScriptReader::loadScript(text.data(), int(text.size()), script, error, warnings);
}

// A timeline as a demo author writes it: an outer effect with triggers and tracks of every
// type, a child inside it, and a group without callback holding a child of its own.
const char* const kShow = R"(<?xml version="1.0"?>
<script>
  <!-- the outer effect -->
  <effect name="clear" start="1" end="11">
    <spline name="fade" type="linear"><key time="0" value="0"/><key time="4" value="2"/></spline>
    <effect name="flash" start="2" end="4">
      <trigger name="base" value="1"/>
    </effect>
    <trigger name="white" start="0.5"/>
    <trigger name="beat" value="b" start="1" repeat="4"/>
    <trigger name="which" value="2" start="3" delay="2"/>
    <spline name="step" type="square"><key time="2" value="7"/><key time="0" value="3"/></spline>
    <spline name="soft" type="smooth"><key time="0" value="0"/><key time="2" value="1"/><key time="6" value="0"/></spline>
  </effect>
  <effect start="20" end="30">
    <effect name="flash" start="1" end="2"><trigger name="base" value="2"/></effect>
  </effect>
</script>
)";

class LoadedShow : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(load(mScript, kShow, &error)) << error;
        mScript.registerCallback("clear", &mClear);
        mScript.registerCallback("flash", &mFlash);
    }

    Calls at(float t) {
        mLog.clear();
        mScript.update(t);
        return mLog;
    }

    Script mScript;
    Calls mLog;
    Recorder mClear{"clear", &mLog};
    Recorder mFlash{"flash", &mLog};
};

} // namespace

TEST_F(LoadedShow, BuildsTheEntriesItDescribes) {
    ASSERT_EQ(mScript.mEntries.size(), 2u);
    EXPECT_EQ(mScript.mLength, 30.0f);
    const auto& outer = *mScript.mEntries[0];
    EXPECT_TRUE(outer.mEnabled);
    ASSERT_EQ(outer.mTriggers.size(), 3u);
    EXPECT_EQ(outer.mTriggers[1]->mRepeat, 4);
    EXPECT_FLOAT_EQ(outer.mTriggers[1]->mDelay, 0.1f); // repeat without delay
    EXPECT_EQ(outer.mTriggers[2]->mRepeat, 1);         // delay without repeat is not read
    EXPECT_EQ(outer.mTriggers[2]->mDelay, 0.0f);
    ASSERT_EQ(outer.mTracks.size(), 3u);
    EXPECT_EQ(outer.mTracks[1]->mKeys[0].time, 0.0f); // keys given out of order end up sorted
    EXPECT_EQ(outer.mChildren.size(), 1u);
    EXPECT_TRUE(mScript.mEntries[1]->mName.empty());
}

TEST_F(LoadedShow, FirstFrameStartsTriggersSetsValuesAndDraws) {
    EXPECT_EQ(at(2.0f), (Calls{"clear: start", "clear: trigger 1 white=", "clear: trigger 1 beat=b",
                               "clear: value 1 fade=0.5", "clear: value 1 step=3", "clear: value 1 soft=0.78125",
                               "clear: draw 1 2 0.1", "clear: postDraw 1 2 0.1"}));
    EXPECT_EQ(at(2.25f), (Calls{"clear: trigger 1.25 beat=b", "clear: trigger 1.25 beat=b", "clear: value 1.25 fade=0.625",
                                "clear: value 1.25 step=3", "clear: value 1.25 soft=0.895996",
                                "clear: draw 1.25 0.25 0.125", "clear: postDraw 1.25 0.25 0.125"}));
}

TEST_F(LoadedShow, TriggersFireAtTheirTimesWithRepeatsAndNoMore) {
    // Frames 1/64 s apart: a firing comes in the first frame that reaches its due time.
    Calls fired;
    for (int frame = 0; frame <= 640; ++frame) {
        for (const auto& call : at(float(frame) / 64.0f)) {
            if (call.find("trigger") != std::string::npos) fired.push_back(call);
        }
    }
    EXPECT_EQ(fired, (Calls{"clear: trigger 0.5 white=", "clear: trigger 1 beat=b", "clear: trigger 1.10938 beat=b",
                            "clear: trigger 1.20312 beat=b", "clear: trigger 1.3125 beat=b", "flash: trigger 0 base=1",
                            "clear: trigger 3 which=2"}));
}

TEST_F(LoadedShow, ChildrenDrawBetweenTheirParentsDrawAndPostDraw) {
    at(2.5f);
    EXPECT_EQ(at(3.5f), (Calls{"clear: value 2.5 fade=1.25", "clear: value 2.5 step=7", "clear: value 2.5 soft=0.963867",
                               "clear: draw 2.5 1 0.25", "flash: start", "flash: trigger 0.5 base=1",
                               "flash: draw 0.5 1 0.25", "flash: postDraw 0.5 1 0.25", "clear: postDraw 2.5 1 0.25"}));
    EXPECT_EQ(at(3.75f), (Calls{"clear: value 2.75 fade=1.375", "clear: value 2.75 step=7", "clear: value 2.75 soft=0.960083",
                               "clear: draw 2.75 0.25 0.275", "flash: draw 0.75 0.25 0.375",
                               "flash: postDraw 0.75 0.25 0.375", "clear: postDraw 2.75 0.25 0.275"}));
}

TEST_F(LoadedShow, ChildStartsOnlyOnceItsSpanIsReached) {
    at(2.5f);
    at(3.0f); // clear's local time 2: flash starts at its local 0
    EXPECT_EQ(at(3.5f), (Calls{"clear: value 2.5 fade=1.25", "clear: value 2.5 step=7", "clear: value 2.5 soft=0.963867",
                               "clear: draw 2.5 0.5 0.25", "flash: draw 0.5 0.5 0.25", "flash: postDraw 0.5 0.5 0.25", "clear: postDraw 2.5 0.5 0.25"}));
}

TEST_F(LoadedShow, GroupWithoutCallbackPlaysItsChild) {
    EXPECT_EQ(at(21.5f), (Calls{"flash: start", "flash: trigger 0.5 base=2", "flash: draw 0.5 21.5 0.5",
                                "flash: postDraw 0.5 21.5 0.5"}));
    EXPECT_TRUE(at(22.0f).empty());
}

TEST_F(LoadedShow, BackwardsJumpReArmsTopLevelEntriesOnly) {
    at(3.5f);
    at(8.0f);
    EXPECT_EQ(at(3.5f), (Calls{"clear: start", "clear: trigger 2.5 white=", "clear: trigger 2.5 beat=b",
                               "clear: trigger 2.5 beat=b", "clear: trigger 2.5 beat=b", "clear: trigger 2.5 beat=b",
                               "clear: value 2.5 fade=1.25", "clear: value 2.5 step=7", "clear: value 2.5 soft=0.963867",
                               "clear: draw 2.5 -4.5 0.25", "flash: draw 0.5 -4.5 0.25", "flash: postDraw 0.5 -4.5 0.25",
                               "clear: postDraw 2.5 -4.5 0.25"}));
}

TEST_F(LoadedShow, TimeBeforeZeroAndPastTheEndIsIgnored) {
    at(2.0f);
    EXPECT_TRUE(at(-0.5f).empty());
    EXPECT_EQ(mScript.mTime, 2.0f);
    EXPECT_FALSE(mScript.update(30.5f));
    EXPECT_TRUE(mLog.empty());
    EXPECT_EQ(at(2.5f).size(), 11u); // back inside: reset, so start and every firing due by local 1.5
    EXPECT_EQ(mLog[0], "clear: start");
}

TEST(ScriptReader, AttributeTextsSelectTypesAndStates) {
    Script script;
    ASSERT_TRUE(load(script, R"(<script>
        <effect name="a" state="on" end="1">
          <spline name="l1" type="LINEAR"><key time="0" value="1"/></spline>
          <spline name="l2"><key time="0" value="1"/></spline>
          <spline name="s" type="smooth"><key time="0" value="1"/></spline>
          <spline name="q" type="square"><key time="0" value="1"/></spline>
          <spline name="x" type="Smooth"><key time="0" value="1"/></spline>
        </effect>
        <effect name="b" state="off" end="1"/>
        <effect name="c" state="OFF" end="1"/>
        <effect name="d" end="1"><trigger name="t" repeat="letters" delay="1"/><trigger repeat="-3"/></effect>
      </script>)"));
    const auto& tracks = script.mEntries[0]->mTracks;
    EXPECT_EQ(tracks[0]->mType, 1);
    EXPECT_EQ(tracks[1]->mType, 1);
    EXPECT_EQ(tracks[2]->mType, 2);
    EXPECT_EQ(tracks[3]->mType, 0);
    EXPECT_EQ(tracks[4]->mType, 1);
    EXPECT_TRUE(script.mEntries[0]->mEnabled);
    EXPECT_FALSE(script.mEntries[1]->mEnabled);
    EXPECT_TRUE(script.mEntries[2]->mEnabled);
    EXPECT_EQ(script.mEntries[3]->mTriggers[0]->mRepeat, 0);
    EXPECT_EQ(script.mEntries[3]->mTriggers[0]->mName, "t");
    EXPECT_EQ(script.mEntries[3]->mTriggers[1]->mName, "");

    Recorder d("");
    script.registerCallback("d", &d);
    script.registerCallback("b", &d);
    script.update(0.5f);
    EXPECT_EQ(d.take(), (Calls{"start", "draw 0.5 0.5 0.5", "postDraw 0.5 0.5 0.5"})); // no firing, b is off
}

TEST(ScriptReader, NumbersOutOfRangeStayDefined) {
    Script script;
    ASSERT_TRUE(load(script, R"(<script>
        <effect name="a" start="-3e38" end="3.4e38"><spline><key time="1e-50" value="-3e38"/></spline></effect>
        <effect name="b"><trigger repeat="99999999999999" delay="1"/><trigger repeat="-99999999999999"/></effect>
      </script>)"));
    const auto& a = *script.mEntries[0];
    EXPECT_EQ(a.mStart, -3e38f); // finite values as read, however large
    EXPECT_EQ(script.mLength, 3.4e38f);
    EXPECT_EQ(a.mTracks[0]->mKeys[0].time, 0.0f);
    EXPECT_EQ(script.mEntries[1]->mTriggers[0]->mRepeat, 2147483647);
    EXPECT_EQ(script.mEntries[1]->mTriggers[1]->mRepeat, -2147483647 - 1);
}

// A span or key that is not a finite number could never be reached or passed: a dump of it would
// never end. Every spelling the runtime reads as one is refused, naming the line and the attribute.
TEST(ScriptReader, TimesAndKeysThatAreNotFiniteAreRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {R"(<effect name="a" end="inf"/>)",
         "line 2: attribute 'end' of effect is not a finite number: 'inf'"},
        {R"(<effect end="1e39"/>)",
         "line 2: attribute 'end' of effect is not a finite number: '1e39'"}, // beyond a float
        {R"(<effect end="1"><trigger start="NAN"/></effect>)",
         "line 2: attribute 'start' of trigger is not a finite number: 'NAN'"},
        {R"x(<effect end="1"><trigger repeat="2" delay="nan(1)"/></effect>)x",
         "line 2: attribute 'delay' of trigger is not a finite number: 'nan(1)'"},
        {"<effect end='1'><spline>\n<key time='0' value='1'/>\n<key time='nan'/></spline></effect>",
         "line 4: attribute 'time' of key is not a finite number: 'nan'"},
        {"<effect end='1'><spline>\n<key value='-1e999'/></spline></effect>",
         "line 3: attribute 'value' of key is not a finite number: '-1e999'"},
    };
    for (const auto& [effect, expected] : cases) {
        Script script;
        std::string error;
        EXPECT_FALSE(load(script, std::string("<script>\n") + effect + "</script>", &error)) << effect;
        EXPECT_EQ(error, expected);
        EXPECT_TRUE(script.mEntries.empty());
    }
}

// What the reader does not understand is named once, with its line, and read as before.
TEST(ScriptReader, MistakesAreNamedAndReadAsBefore) {
    Script script;
    std::vector<std::string> warnings;
    ASSERT_TRUE(load(script, R"(<script version="2">
  <effect name="planett" strat="1" end="ten">
    <effekt name="flash"><trigger name="lost"/></effekt>
    <triger name="beat"/>
    <trigger nmae="beat" start="0.5s" repeat="2.5" delay=" 1 "/>
    <spline name="alpha"><key time="0" value="1" tiem="2"/><!-- a comment --></spline>
  </effect>
  <effect name="flash" start="4" end="2">
    <spline name="beta" type="smoth"><key time="0" value="1"/></spline>
    <trigger name="a" repeat="-1"/>
    <trigger name="b" repeat="4" delay="-0.5"/>
    <trigger name="c" repeat="2" delay="0"/>
    <effect name="child" start="2"/>
  </effect>
  <efect/>
</script>)", nullptr, &warnings));
    EXPECT_EQ(warnings, (std::vector<std::string>{
                            "line 1: unknown attribute 'version' of script",
                            "line 2: unknown attribute 'strat' of effect",
                            "line 2: attribute 'end' of effect is not a number: 'ten', read as 0",
                            "line 2: attribute 'end' of effect is not after its start 0: 'ten', the entry never plays",
                            "line 3: unknown tag 'effekt' in effect",
                            "line 4: unknown tag 'triger' in effect",
                            "line 5: unknown attribute 'nmae' of trigger",
                            "line 5: attribute 'start' of trigger is not a number: '0.5s', read as 0.5",
                            "line 5: attribute 'repeat' of trigger is not a whole number: '2.5', read as 2",
                            "line 6: unknown attribute 'tiem' of key",
                            "line 8: attribute 'end' of effect is not after its start 4: '2', the entry never plays",
                            "line 9: attribute 'type' of spline is not square, linear or smooth: 'smoth', read as linear",
                            "line 10: attribute 'repeat' of trigger is negative: '-1', the trigger never fires",
                            "line 11: attribute 'delay' of trigger is negative: '-0.5'",
                            "line 11: attribute 'repeat' of trigger is 4 with no positive delay: every firing comes "
                            "in the same frame",
                            "line 12: attribute 'repeat' of trigger is 2 with no positive delay: every firing comes "
                            "in the same frame",
                            "line 13: attribute 'end' of effect is missing: the entry never plays",
                            "line 15: unknown tag 'efect' in script",
                        }));
    ASSERT_EQ(script.mEntries.size(), 2u);
    const auto& slips = *script.mEntries[1];
    EXPECT_EQ(slips.mEnd, 2.0f);
    EXPECT_EQ(slips.mTracks[0]->mType, 1);
    EXPECT_EQ(slips.mTracks[0]->mLine, 9);
    ASSERT_EQ(slips.mTriggers.size(), 3u);
    EXPECT_EQ(slips.mTriggers[0]->mRepeat, -1);
    EXPECT_EQ(slips.mTriggers[0]->mDelay, 0.1f);
    EXPECT_EQ(slips.mTriggers[1]->mDelay, -0.5f);
    EXPECT_EQ(slips.mTriggers[2]->mLine, 12);
    EXPECT_EQ(slips.mChildren[0]->mEnd, 0.0f);
    const auto& entry = *script.mEntries[0];
    EXPECT_EQ(entry.mEnd, 0.0f);
    ASSERT_EQ(entry.mTriggers.size(), 1u);
    EXPECT_EQ(entry.mTriggers[0]->mStart, 0.5f);
    EXPECT_EQ(entry.mTriggers[0]->mRepeat, 2);
    EXPECT_EQ(entry.mTriggers[0]->mDelay, 1.0f);

    warnings.clear();
    Script show;
    ASSERT_TRUE(load(show, kShow, nullptr, &warnings));
    EXPECT_TRUE(warnings.empty()) << warnings[0];
}

TEST(ScriptReader, FailedDocumentAppendsNothingAndSaysWhy) {
    Script script;
    ASSERT_TRUE(load(script, R"(<script><effect name="a" end="5"/></script>)"));
    std::string error;
    EXPECT_FALSE(load(script, R"(<demo><effect name="b" end="50"/></demo>)", &error));
    EXPECT_EQ(error, "the root tag is 'demo', a script needs 'script'");
    EXPECT_FALSE(load(script, R"(<script>
        <effect name="b" end="50"/>
        <effect name="c" start="3" end="60"><effect name="d"><spline name="alpha"/></effect></effect>
      </script>)",
                      &error));
    EXPECT_EQ(error, "the spline 'alpha' of the effect 'd' starting at 0 has no key");
    ASSERT_EQ(script.mEntries.size(), 1u);
    EXPECT_EQ(script.mLength, 5.0f);

    EXPECT_THROW(load(script, "<script><effect name='a' end=5.5/></script>"), norvane::Exception);
    EXPECT_THROW(load(script, ""), norvane::Exception);
    EXPECT_FALSE(ScriptReader::loadScript(nullptr, 4, script, &error));
    EXPECT_FALSE(ScriptReader::loadScript("<a/>", -1, script, &error));
    EXPECT_EQ(script.mEntries.size(), 1u);
}

TEST(ScriptReader, DocumentsLoadedInTurnFormOneTimeline) {
    Script script;
    ASSERT_TRUE(load(script, R"(<script><effect name="a" end="50"/></script>)"));
    ASSERT_TRUE(load(script, R"(<script><effect name="b" start="40" end="70"/><effect name="c" end="10"/></script>)"));
    ASSERT_EQ(script.mEntries.size(), 3u);
    EXPECT_EQ(script.mEntries[1]->mName, "b");
    EXPECT_EQ(script.mLength, 70.0f);
}

TEST(ScriptReader, ReadsFiles) {
    char path[] = "/tmp/halcyra-script-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string text = "<script>\r\n<effect name=\"a\" end=\"3\"/>\r\n</script>\r\n";
    ASSERT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
    close(fd);
    Script script;
    std::string error;
    EXPECT_TRUE(ScriptReader::loadScriptFile(path, script, &error)) << error;
    EXPECT_EQ(script.mLength, 3.0f);
    std::remove(path);
    EXPECT_FALSE(ScriptReader::loadScriptFile(path, script, &error));
    EXPECT_EQ(error, "cannot open the file: No such file or directory");
    EXPECT_FALSE(ScriptReader::loadScriptFile("/tmp", script, &error));
    EXPECT_EQ(script.mEntries.size(), 1u);
}

// A long generated curve loads in time that grows with its keys (each key does not recompute
// every tangent), and its keys land as adding them one by one places them, equal times included.
TEST(ScriptReader, LongSplinesLoadQuicklyInTheirPlaces) {
    auto splineOf = [](int keys) {
        std::string text = R"(<script><effect name="a" end="9"><spline type="smooth">)";
        for (int k = 0; k < keys; ++k)
            text += "<key time=\"" + std::to_string(k) + "\" value=\"" + std::to_string(k % 7) + "\"/>";
        return text + "</spline>";
    };
    const std::string small = splineOf(10000) + "</effect></script>";
    std::string text = splineOf(100000) + R"(<spline type="smooth">)";
    const float times[] = {3, 1, 3, 0, 1, 3, 2};
    norvane::script::Spline expected(norvane::script::Spline::Smooth, true);
    for (int k = 0; k < 7; ++k) {
        text += "<key time=\"" + std::to_string(times[k]) + "\" value=\"" + std::to_string(k) + "\"/>";
        expected.addKey({times[k], float(k), 0.0f, 0.0f});
    }
    text += "</spline></effect></script>";
    // Ten times the keys may not take a hundred times as long.
    const double smallSeconds = growthtest::fastestSeconds(5, [&] {
        Script script;
        ASSERT_TRUE(load(script, small));
    });
    std::unique_ptr<Script> loaded;
    const double seconds = growthtest::fastestSeconds(3, [&] {
        loaded = std::make_unique<Script>();
        ASSERT_TRUE(load(*loaded, text));
    });
    const Script& script = *loaded;
    EXPECT_LT(seconds, growthtest::kTenfoldInputLimit * smallSeconds) << smallSeconds << " s for 10,000 keys";

    const auto& tracks = script.mEntries[0]->mTracks;
    EXPECT_EQ(tracks[0]->mKeys.size(), 100000u);
    EXPECT_EQ(tracks[0]->mMax, 6.0f);
    EXPECT_EQ(tracks[0]->mKeys[50000].tanOut, -2.5f); // value 6 between 5 and 0
    ASSERT_EQ(tracks[1]->mKeys.size(), 7u);
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(tracks[1]->mKeys[k].value, expected.mKeys[k].value) << k;
        EXPECT_EQ(tracks[1]->mKeys[k].tanOut, expected.mKeys[k].tanOut) << k;
    }
}
