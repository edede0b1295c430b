// The playback keys, sent to the real program's window, and the settings it writes back on exit.

#include "e2e_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kProgram = HALCYRA_PROGRAM;
const std::string kGenMusic = GEN_MUSIC;

const char* const kScript =
    "<script><effect name=\"clear\" start=\"0\" end=\"100\"><trigger name=\"white\" start=\"0\"/></effect></script>\n";

std::string setupXml(const std::string& title, const std::string& music) {
    return "<?xml version=\"1.0\"?>\n<demo>\n"
           "\t<archive path=\"" HALCYRA_DEMO_DIR "\"/>\n" // the effects' own files
           "\t<display width=\"96\" height=\"64\" title=\"" + title + "\"/>\n"
           "\t<osd show=\"on\"/>\n"
           "\t<script filename=\"s.xml\"/>\n" +
           music + "</demo>\n";
}

const char* const kNoSound = "\t<music mute=\"nosound\"/>\n";

// The demo clock runs on real time: how far it may go is held against the real time the test
// saw pass, however long a busy machine took, never against a fixed figure.
typedef std::chrono::steady_clock::time_point Instant;
Instant now() { return std::chrono::steady_clock::now(); }
double secondsSince(Instant start) { return std::chrono::duration<double>(now() - start).count(); }
// A frame's clock is taken a little before or after the test's readings around it.
const double kClockSlack = 0.05;

// The value of an attribute of the first (or the last) tag of that name in an XML text ("" when absent).
std::string attribute(const std::string& text, const std::string& tag, const std::string& name, bool last = false) {
    const size_t at = last ? text.rfind("<" + tag + " ") : text.find("<" + tag + " ");
    if (at == std::string::npos) return "";
    const size_t end = text.find('>', at);
    const std::string key = " " + name + "=\"";
    const size_t value = text.find(key, at);
    if (value == std::string::npos || value > end) return "";
    const size_t begin = value + key.size();
    return text.substr(begin, text.find('"', begin) - begin);
}

// One running program with its window.
class Demo {
public:
    Demo(const e2e::TempDir& dir, const std::string& title, const std::vector<std::string>& environment = {})
        : mProcess(kProgram, dir.path(), environment), mWindow(mProcess, title) {}
    bool hasWindow() const { return mWindow.found(); }
    // Sends the keys one at a time, each seen by a frame before the next goes.
    void keys(const std::string& keys) { mWindow.keys(keys); }
    // The last key: the program ends, so nothing answers.
    void close(const std::string& key) { mWindow.close(key); }
    // The demo clock of a frame drawn after every key sent so far.
    double clock() { return mWindow.clock(); }
    // The first such clock beyond the time (or the last one read, after a generous wait).
    double clockPast(double time) {
        const Instant end = now() + std::chrono::seconds(60);
        double clock = mWindow.clock();
        while (clock <= time && clock != -1000.0 && now() < end) clock = mWindow.clock();
        return clock;
    }
    e2e::Process& process() { return mProcess; }

private:
    e2e::Process mProcess;
    e2e::Window mWindow;
};

void makeMusic(const e2e::TempDir& dir, double seconds) {
    const std::string command = kGenMusic + " " + dir.file("m.ogg") + " " + std::to_string(seconds) + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

TEST(PlaybackKeys, SpacePausesAndResumesWithoutAJump) {
    e2e::TempDir dir;
    dir.write("setup.xml", setupXml("e2e-keys-space", kNoSound));
    dir.write("s.xml", kScript);
    Demo demo(dir, "e2e-keys-space");
    ASSERT_TRUE(demo.hasWindow());
    demo.keys("space");
    const double paused = demo.clock();
    e2e::sleepSeconds(0.5); // time passes; the clock stands still
    EXPECT_DOUBLE_EQ(demo.clock(), paused);
    const Instant resumedAt = now();
    demo.keys("space");
    const double resumed = demo.clockPast(paused + 0.05);
    const double sinceResume = secondsSince(resumedAt);
    ASSERT_GT(resumed, paused + 0.05) << "the clock did not go on";
    // It went on from where it stopped: the second spent paused is not skipped.
    EXPECT_LE(resumed - paused, sinceResume + kClockSlack);
    demo.close("Escape");
    ASSERT_TRUE(demo.process().wait(60));
    EXPECT_EQ(demo.process().status(), 0);
}

TEST(PlaybackKeys, ArrowsSeekByFiveSecondsNotBeforeZero) {
    e2e::TempDir dir;
    dir.write("setup.xml", setupXml("e2e-keys-arrows", kNoSound));
    dir.write("s.xml", kScript);
    Demo demo(dir, "e2e-keys-arrows");
    ASSERT_TRUE(demo.hasWindow());
    const Instant start = now();
    const double before = demo.clock();
    demo.keys("Right");
    const Instant read = now();
    const double ahead = demo.clock();
    EXPECT_GE(ahead, before + 5.0);
    EXPECT_LE(ahead, before + 5.0 + secondsSince(start) + kClockSlack);
    demo.keys("Left Left");
    const double back = demo.clock();
    EXPECT_GE(back, 0.0);
    // Ten seconds back from where the clock had gone since, or from zero where that was before zero.
    EXPECT_LE(back, std::max(ahead - 10.0, 0.0) + secondsSince(read) + kClockSlack);
    demo.close("q");
    ASSERT_TRUE(demo.process().wait(60));
    EXPECT_EQ(demo.process().status(), 0);
}

TEST(PlaybackKeys, RightArrowStopsAtTheMusicEndWhichEndsTheDemoNormally) {
    e2e::TempDir dir;
    makeMusic(dir, 12);
    dir.write("setup.xml", setupXml("e2e-keys-end", "\t<music filename=\"m.ogg\"/>\n"));
    dir.write("setup.local.xml", setupXml("e2e-keys-end", "\t<music filename=\"m.ogg\"/>\n"));
    dir.write("s.xml", kScript);
    Demo demo(dir, "e2e-keys-end");
    ASSERT_TRUE(demo.hasWindow());
    // Paused, the clock stands still: the seeks move it by exactly 5 s each (to the music's frame).
    // From 0, wherever the clock had got to by the pause on a slow machine.
    demo.keys("space alt+t");
    const double paused = demo.clock();
    EXPECT_EQ(paused, 0.0);
    demo.keys("Right Right");
    const double ten = demo.clock();
    EXPECT_NEAR(ten, paused + 10.0, 0.001);
    demo.keys("ctrl+t Right"); // the mark, then a seek to the music's end, no further
    EXPECT_DOUBLE_EQ(demo.clock(), 12.0);
    demo.close("space"); // playing on from the end ends the demo
    ASSERT_TRUE(demo.process().wait(60)) << "the demo went on past the music's end";
    EXPECT_EQ(demo.process().status(), 0);
    for (double clock : e2e::printedClocks(demo.process().out())) EXPECT_LE(clock, 12.0);
    // Ended through the display's close request: the start mark was written back.
    char mark[32];
    std::snprintf(mark, sizeof(mark), "%.2f", ten);
    EXPECT_EQ(attribute(dir.read("setup.local.xml"), "time", "start"), mark);
}

TEST(PlaybackKeys, MusicLoopsFromTheStartWithTheClock) {
    e2e::TempDir dir;
    makeMusic(dir, 2);
    // A start mark past the music's end plays too: looping starts it again from 0 at once.
    dir.write("setup.xml",
              setupXml("e2e-keys-loop", "\t<music filename=\"m.ogg\"/>\n\t<time start=\"200\" loop=\"on\"/>\n"));
    dir.write("s.xml", kScript);
    Demo demo(dir, "e2e-keys-loop");
    ASSERT_TRUE(demo.hasWindow());
    // The clock runs up to the music's end, then starts again with it.
    double last = demo.clock(), clock = last;
    Instant read = now(); // before the frame of the clock last read
    const Instant end = now() + std::chrono::seconds(60);
    while (clock >= last && now() < end) {
        last = clock;
        read = now();
        clock = demo.clock();
    }
    EXPECT_TRUE(demo.process().running());
    EXPECT_NE(demo.process().out().find("Set-up 'setup.xml', line 8: the music 'm.ogg' ends at 2.00 s, before the "
                                        "start time 200.00 s; with looping on, playing starts from 0"),
              std::string::npos);
    EXPECT_LT(clock, last) << "the clock never went back";
    EXPECT_GE(clock, 0.0);
    // Back at the start with the music: no further on than the time since the frame before the
    // turn (the music's mixing runs a little ahead of its clock).
    EXPECT_LE(clock, secondsSince(read) + 0.25);
    demo.close("Escape");
    ASSERT_TRUE(demo.process().wait(60));
    EXPECT_EQ(demo.process().status(), 0);
}

// Without looping, a start mark at the music's end would end the run at its first frame; so would
// one a float step before it.
TEST(PlaybackKeys, AStartMarkPastTheMusicIsRefusedBeforeTheWindowOpens) {
    e2e::TempDir dir;
    makeMusic(dir, 2);
    dir.write("s.xml", kScript);
    for (const auto& [start, cause] : {std::pair<const char*, const char*>{"200.00", "at 2.00 s, before the start time "
                                                                                     "200.00 s"},
                                       {"1.9999999", "at the start time, 2.00 s"}}) {
        const std::string local = setupXml("e2e-keys-past", "\t<music filename=\"m.ogg\"/>\n\t<time start=\"" +
                                                                std::string(start) + "\" loop=\"off\"/>\n");
        dir.write("setup.local.xml", local);
        const e2e::Result result = e2e::run(kProgram, dir.path(), 60);
        ASSERT_TRUE(result.ended);
        EXPECT_EQ(result.status, 1) << start;
        EXPECT_NE(result.out.find("error: [Corvista] Nothing to play in 'setup.local.xml', line 8: the music 'm.ogg' "
                                  "ends " + std::string(cause)),
                  std::string::npos)
            << result.out;
        EXPECT_EQ(result.out.find("Opened window"), std::string::npos) << result.out;
        EXPECT_EQ(dir.read("setup.local.xml"), local);
    }
}

TEST(PlaybackKeys, StartMarkIsSetSoughtAndWrittenBack) {
    e2e::TempDir dir;
    dir.write("setup.xml", setupXml("e2e-keys-mark", kNoSound));
    // The author's comment before the root, and two time tags: the last one counts.
    std::string local = setupXml("e2e-keys-mark", std::string(kNoSound) + "\t<time start=\"1\"/><time start=\"2\"/>\n");
    local.insert(local.find("<demo>"), "<!-- my own demo -->\n");
    dir.write("setup.local.xml", local);
    dir.write("s.xml", kScript);
    Demo demo(dir, "e2e-keys-mark");
    ASSERT_TRUE(demo.hasWindow());
    demo.keys("Right");
    demo.keys("ctrl+t");
    const double marked = demo.clock(); // a little after the mark
    demo.keys("Right");
    EXPECT_GT(demo.clock(), marked + 4.9);
    const Instant seek = now();
    demo.keys("t");
    const double sought = demo.clock();
    EXPECT_GE(sought, 5.0);
    EXPECT_LE(sought, marked + secondsSince(seek) + kClockSlack);
    demo.close("Escape");
    ASSERT_TRUE(demo.process().wait(60));
    EXPECT_EQ(demo.process().status(), 0);
    const std::string saved = dir.read("setup.local.xml");
    const double start = std::atof(attribute(saved, "time", "start", true).c_str());
    EXPECT_GE(start, 5.0);
    EXPECT_LE(start, marked + 0.01);
    EXPECT_LE(start, sought + 0.01);
    EXPECT_EQ(attribute(saved, "music", "mute"), "nosound"); // the file asked for it
    EXPECT_EQ(attribute(saved, "display", "title"), "e2e-keys-mark");
    EXPECT_NE(saved.find("<!-- my own demo -->\n<demo>"), std::string::npos) << saved;
    // The next run begins at the mark.
    Demo next(dir, "e2e-keys-mark");
    ASSERT_TRUE(next.hasWindow());
    EXPECT_GE(next.clock(), start);
    next.close("Escape");
    ASSERT_TRUE(next.process().wait(60));
}

TEST(PlaybackKeys, AltTClearsTheMarkAndSeeksToZero) {
    e2e::TempDir dir;
    dir.write("setup.xml", setupXml("e2e-keys-alt", kNoSound));
    dir.write("setup.local.xml",
              setupXml("e2e-keys-alt", std::string(kNoSound) + "\t<time start=\"7\" loop=\"off\"/>\n"));
    dir.write("s.xml", kScript);
    Demo demo(dir, "e2e-keys-alt");
    ASSERT_TRUE(demo.hasWindow());
    EXPECT_GT(demo.clock(), 7.0); // playback began at the mark
    const Instant seek = now();
    demo.keys("alt+t");
    const double sought = demo.clock();
    EXPECT_LE(sought, secondsSince(seek) + kClockSlack);
    demo.close("Escape");
    ASSERT_TRUE(demo.process().wait(60));
    EXPECT_EQ(attribute(dir.read("setup.local.xml"), "time", "start"), "0.00");
}

TEST(PlaybackKeys, MuteAndTimeBarSettingsAreWrittenBack) {
    e2e::TempDir dir;
    makeMusic(dir, 20);
    const std::string music = "\t<music filename=\"m.ogg\"/>\n";
    dir.write("setup.xml", setupXml("e2e-keys-mute", music));
    dir.write("setup.local.xml", setupXml("e2e-keys-mute", music));
    dir.write("s.xml", kScript);
    Demo demo(dir, "e2e-keys-mute");
    ASSERT_TRUE(demo.hasWindow());
    // O shows the bar (top), O again within the delay moves it: middle, bottom. Paused, the clock
    // stands still, so the keys are within the delay however slowly they arrive.
    demo.keys("m o space o o ctrl+o");
    demo.close("Escape");
    ASSERT_TRUE(demo.process().wait(60));
    EXPECT_EQ(demo.process().status(), 0);
    const std::string saved = dir.read("setup.local.xml");
    EXPECT_EQ(attribute(saved, "music", "mute"), "on");
    EXPECT_EQ(attribute(saved, "osd", "show"), "off");
    EXPECT_EQ(attribute(saved, "osd", "location"), "bottom");
    EXPECT_EQ(attribute(saved, "osd", "delay"), "2.00");
    EXPECT_EQ(attribute(saved, "time", "start"), "0.00");
}

TEST(PlaybackKeys, SoundOffForWantOfADeviceIsNotWrittenBack) {
    e2e::TempDir dir;
    makeMusic(dir, 5);
    const std::string music = "\t<music filename=\"m.ogg\" mute=\"off\"/>\n";
    dir.write("setup.xml", setupXml("e2e-keys-nodevice", music));
    dir.write("setup.local.xml", setupXml("e2e-keys-nodevice", music));
    dir.write("s.xml", kScript);
    Demo demo(dir, "e2e-keys-nodevice", {"ALSOFT_DRIVERS=no-such-driver"});
    ASSERT_TRUE(demo.hasWindow());
    EXPECT_GE(demo.clock(), 0.0); // plays on the clock alone
    demo.close("Escape");
    ASSERT_TRUE(demo.process().wait(60));
    EXPECT_EQ(demo.process().status(), 0);
    EXPECT_NE(demo.process().out().find("No sound device!"), std::string::npos);
    EXPECT_EQ(attribute(dir.read("setup.local.xml"), "music", "mute"), "off");
}

// Settings that cannot be written back are lost: the status says so, for a script to see.
TEST(PlaybackKeys, SettingsThatCannotBeWrittenBackEndWithAFailureStatus) {
    e2e::TempDir dir;
    const std::string local = setupXml("e2e-keys-readonly", kNoSound);
    dir.write("setup.local.xml", local);
    std::filesystem::permissions(dir.file("setup.local.xml"), std::filesystem::perms::owner_read);
    dir.write("s.xml", kScript);
    Demo demo(dir, "e2e-keys-readonly");
    ASSERT_TRUE(demo.hasWindow());
    demo.close("Escape");
    ASSERT_TRUE(demo.process().wait(60));
    EXPECT_EQ(demo.process().status(), 1);
    EXPECT_NE(demo.process().out().find("Could not write 'setup.local.xml'"), std::string::npos)
        << demo.process().out();
    EXPECT_EQ(dir.read("setup.local.xml"), local);
}

TEST(PlaybackKeys, OnlySetupXmlIsLeftUntouched) {
    e2e::TempDir dir;
    const std::string setup = setupXml("e2e-keys-untouched", kNoSound);
    dir.write("setup.xml", setup);
    dir.write("s.xml", kScript);
    Demo demo(dir, "e2e-keys-untouched");
    ASSERT_TRUE(demo.hasWindow());
    demo.keys("ctrl+t m");
    demo.close("Escape");
    ASSERT_TRUE(demo.process().wait(60));
    EXPECT_EQ(demo.process().status(), 0);
    EXPECT_EQ(dir.read("setup.xml"), setup);
    EXPECT_FALSE(dir.exists("setup.local.xml"));
}

} // namespace
