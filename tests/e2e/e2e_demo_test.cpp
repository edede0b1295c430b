// The real program, run under X in a temporary directory with a set-up of the test's own: dumping,
// colours of the first effects, fatal errors and the settings written back on exit.

#include "am_archivemanager.h"
#include "e2e_process.h"
#include "../support/own_x_server.h"

#include <gtest/gtest.h>
// After the test framework, which their macros (None, Bool) would break.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <csignal>
#include <fstream>
#include <string>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace {

const std::string kProgram = HALCYRA_PROGRAM;

std::string setupXml(const std::string& title, const std::string& extra) {
    return "<?xml version=\"1.0\"?>\n<demo>\n\t<archive path=\"" HALCYRA_DEMO_DIR "\"/>\n" // the effects' own files
           "\t<display width=\"64\" height=\"48\" title=\"" + title + "\"/>\n" +
           extra + "</demo>\n";
}

// A one-second timeline: black, a flash at 0.5 s, white from 1.0 s.
const char* const kScript = R"(<script>
	<effect name="clear" start="0" end="1.2">
		<trigger name="white" start="1.0"/>
	</effect>
	<effect name="flash" start="0.5" end="1.2">
		<trigger name="base" start="0"/>
	</effect>
</script>
)";

std::string frameName(int n) {
    char name[64];
    std::snprintf(name, sizeof(name), "frames/f.%06d.png", n);
    return name;
}

int countFrames(const e2e::TempDir& dir) {
    int n = 0;
    while (dir.exists(frameName(n))) ++n;
    return n;
}

// The red, green and blue of the picture's centre.
struct Rgb {
    int r, g, b;
};
Rgb centre(const e2e::TempDir& dir, int frame) {
    norvane::am::ArchiveManager archives;
    archives.addArchive(dir.path());
    norvane::am::Image image;
    archives.loadImage(image, frameName(frame), -1, true);
    const int x = image->getWidth() / 2, y = image->getHeight() / 2;
    const unsigned char* p = image->getPixels() + (y * image->getWidth() + x) * 4;
    return Rgb{p[2], p[1], p[0]};
}

class DumpTest : public ::testing::Test {
protected:
    // Dumps the script; the run's log into out when given. extra goes at the end of the set-up, from
    // its line 8.
    void dump(const e2e::TempDir& dir, const std::string& title, const char* script = kScript,
              std::string* out = nullptr, const std::string& extra = "") {
        dir.write("setup.xml", setupXml(title, "\t<script filename=\"s.xml\"/>\n"
                                               "\t<dump name=\"frames/f.png\" rate=\"30\"/>\n"
                                               "\t<music filename=\"absent.ogg\"/>\n" + extra));
        dir.write("s.xml", script);
        const e2e::Result result = e2e::run(kProgram, dir.path(), 60);
        ASSERT_TRUE(result.ended) << "the dump did not stop by itself";
        ASSERT_EQ(result.status, 0) << result.out << result.err;
        if (out) *out = result.out;
    }
};

TEST_F(DumpTest, WritesOneFramePerStepAndStopsAtTheTimelineEnd) {
    e2e::TempDir dir;
    std::string out;
    dump(dir, "e2e-dump-count", kScript, &out);
    // 1.2 s at 30 frames per second: frames for 0, 1/30, ... 1.2 (the last one give or take).
    const int frames = countFrames(dir);
    EXPECT_GE(frames, 36);
    EXPECT_LE(frames, 37);
    EXPECT_NE(out.find("Dump ended: " + std::to_string(frames) + " frames on disk, 0 lost"), std::string::npos) << out;
    // The dump needs no music, but the video made from it will.
    EXPECT_NE(out.find("Set-up 'setup.xml', line 7: the music file 'absent.ogg' is not found; the video will need it"),
              std::string::npos)
        << out;

    // From a start mark, 1 s before the end: the frame on the end's time is not dumped, though the
    // start mark and the end come out as floats that put it a hair before the end.
    e2e::TempDir marked;
    dump(marked, "e2e-dump-marked", R"(<script><effect name="clear" start="0" end="1.32"/></script>)", &out,
         "\t<time start=\"0.32\"/>\n");
    EXPECT_EQ(countFrames(marked), 30);
    EXPECT_NE(out.find("Dump ended: 30 frames on disk, 0 lost"), std::string::npos) << out;
}

TEST_F(DumpTest, TwoRunsWriteTheSameFrames) {
    e2e::TempDir first, second;
    dump(first, "e2e-dump-a");
    dump(second, "e2e-dump-b");
    const int frames = countFrames(first);
    ASSERT_EQ(frames, countFrames(second));
    for (int n = 0; n < frames; ++n)
        ASSERT_EQ(first.read(frameName(n)), second.read(frameName(n))) << "frame " << n;
}

// The same timeline with an author's typing mistakes, and a set-up with one: each is named once in
// the log, with the file and the line, and the frames are those of the timeline without them.
TEST_F(DumpTest, MistakesInTheScriptAreNamedAndPlayAsBefore) {
    const char* const mistaken = R"(<script>
	<effect name="clear" start="0" end="1.2" strat="0.5">
		<trigger name="white" start="1.0" repeat="2" delay="0"/>
		<triger name="black" start="0.2"/>
		<trigger name="whit" start="0.3"/>
		<trigger name="black" start="0.1" repeat="-1"/>
	</effect>
	<effect name="flash" start="0.5" end="1.2">
		<trigger name="base" start="0"/>
		<spline name="alpah" type="smoth"><key time="0" value="1"/></spline>
	</effect>
	<effect name="planett" start="0" end="1"/>
	<effekt name="flash" start="0.1" end="1"/>
	<effect name="flash" start="0.2" end="ten"/>
</script>
)";
    e2e::TempDir clean, dir;
    std::string out;
    dump(clean, "e2e-dump-clean");
    dump(dir, "e2e-dump-mistakes", mistaken, &out, "\t<scirpt filename=\"s.xml\"/>\n");
    const std::string s = "Script 's.xml', line ";
    for (const std::string& line :
         {s + "2: unknown attribute 'strat' of effect",
          s + "3: attribute 'repeat' of trigger is 2 with no positive delay: every firing comes in the same frame",
          s + "4: unknown tag 'triger' in effect", s + "5: unknown trigger 'whit' of effect 'clear'",
          s + "6: attribute 'repeat' of trigger is negative: '-1', the trigger never fires",
          s + "10: attribute 'type' of spline is not square, linear or smooth: 'smoth', read as linear",
          s + "10: unknown spline 'alpah' of effect 'flash'", s + "12: unknown effect 'planett'",
          s + "13: unknown tag 'effekt' in script", s + "14: attribute 'end' of effect is not a number: 'ten', read as 0",
          s + "14: attribute 'end' of effect is not after its start 0.2: 'ten', the entry never plays",
          std::string("Set-up 'setup.xml', line 8: unknown tag 'scirpt' in demo")}) {
        const size_t at = out.find(line);
        EXPECT_NE(at, std::string::npos) << line << "\n" << out;
        EXPECT_EQ(out.find(line, at + 1), std::string::npos) << line;
    }
    const int frames = countFrames(clean);
    ASSERT_EQ(countFrames(dir), frames);
    for (int n = 0; n < frames; ++n) ASSERT_EQ(clean.read(frameName(n)), dir.read(frameName(n))) << "frame " << n;
}

TEST_F(DumpTest, ClearAndFlashColoursAtKnownFrames) {
    e2e::TempDir dir;
    dump(dir, "e2e-dump-colours");
    // Frame n shows the demo at n / 30 s.
    const Rgb black = centre(dir, 10);
    EXPECT_EQ(black.r, 0);
    EXPECT_EQ(black.g, 0);
    EXPECT_EQ(black.b, 0);
    const Rgb lit = centre(dir, 15); // the "base" trigger at 0.5 s: opaque white
    EXPECT_EQ(lit.r, 255);
    EXPECT_EQ(lit.g, 255);
    EXPECT_EQ(lit.b, 255);
    const Rgb half = centre(dir, 20); // 1/6 s later: half faded
    EXPECT_NEAR(half.r, 128, 2);
    const Rgb gone = centre(dir, 25); // 1/3 s later: transparent again
    EXPECT_EQ(gone.r, 0);
    const Rgb white = centre(dir, 30); // "white" from 1.0 s
    EXPECT_EQ(white.r, 255);
    EXPECT_EQ(white.g, 255);
    EXPECT_EQ(white.b, 255);
}

// The editor panel shown while dumping covers the window, not the frames: they hold the whole demo.
TEST_F(DumpTest, FramesAreWholeWhileTheEditorPanelIsShown) {
    e2e::TempDir dir;
    std::string layout = dir.read("layout.xml");
    const std::string hidden = "<frame id=\"main\" hidden=\"true\">";
    const size_t at = layout.find(hidden);
    ASSERT_NE(at, std::string::npos);
    layout.replace(at, hidden.size(), "<frame id=\"main\">");
    dir.write("layout.xml", layout);
    dump(dir, "e2e-dump-panel");
    norvane::am::ArchiveManager archives;
    archives.addArchive(dir.path());
    norvane::am::Image image;
    archives.loadImage(image, frameName(15), -1, true); // the flash: opaque white everywhere
    const int w = image->getWidth(), h = image->getHeight();
    for (const auto& [x, y] : {std::make_pair(1, 1), std::make_pair(w - 2, 1), std::make_pair(1, h - 2),
                               std::make_pair(w - 2, h - 2)}) {
        const unsigned char* p = image->getPixels() + (y * w + x) * 4;
        EXPECT_EQ(p[0] + p[1] + p[2], 3 * 255) << "at " << x << ", " << y;
    }
}

// The size of a dumped frame.
std::pair<int, int> frameSize(const e2e::TempDir& dir, int frame) {
    norvane::am::ArchiveManager archives;
    archives.addArchive(dir.path());
    norvane::am::Image image;
    archives.loadImage(image, frameName(frame), -1, true);
    return {image->getWidth(), image->getHeight()};
}

// A set-up that dumps a timeline of "clear" alone, end seconds long; the directory's path. A dump
// plays no sound: it has no music tag.
const char* const kDumpAt30 = "\t<dump name=\"frames/f.png\" rate=\"30\"/>\n";
const std::string& writeClearDump(const e2e::TempDir& dir, const std::string& title, const std::string& end,
                                  const char* setupFile = "setup.xml", const std::string& dumpTags = kDumpAt30) {
    dir.write(setupFile, setupXml(title, "\t<script filename=\"s.xml\"/>\n" + dumpTags));
    dir.write("s.xml", "<script><effect name=\"clear\" start=\"0\" end=\"" + end + "\"/></script>");
    return dir.path();
}

// The frames on disk that the closing line of a dump stopped early by someone ("the user",
// "signal 15 (Terminated)") names; -1 without that line. The line says where the 30 frames per
// second reached: frame n shows the demo at n / 30 s.
int framesStoppedBy(const std::string& out, const std::string& by) {
    const size_t said = out.find("Dump stopped by " + by + " at ");
    double at = -1, end = -1;
    int frames = -1;
    if (said == std::string::npos ||
        std::sscanf(out.c_str() + said + 20 + by.size(), "%lf s of %lf s: %d frames", &at, &end, &frames) != 3) {
        ADD_FAILURE() << out;
        return -1;
    }
    EXPECT_NEAR(at, frames / 30.0, 0.006) << out.substr(said);
    EXPECT_LT(at, end);
    return frames;
}

// A dump of "clear" running in its window, for the test to drive.
struct ClearDump {
    ClearDump(const std::string& title, const std::string& end, const std::string& dumpTags = kDumpAt30)
        : process(kProgram, writeClearDump(dir, title, end, "setup.xml", dumpTags)), window(process, title) {}

    // Ends the dump with the key (Escape, q) before the timeline's end: the frames its log says are
    // on disk, -1 when it did not end so. The author chose to stop: the status is 0.
    int escape(const std::string& key = "Escape") {
        window.close(key);
        if (!process.wait(60)) return -1;
        EXPECT_EQ(process.status(), 0) << process.out() << process.err();
        return framesStoppedBy(process.out(), "the user");
    }

    e2e::TempDir dir;
    e2e::Process process;
    e2e::Window window;
};

TEST(DumpResizeTest, FramesFollowTheWindowWhenItsSizeChanges) {
    ClearDump dump("e2e-dump-resize", "60");
    ASSERT_TRUE(dump.window.found());
    // Frames at the first size, then the new size, each seen by a frame drawn after it.
    dump.window.clock();
    ASSERT_NE(dump.window.step("windowsize " + dump.window.id() + " 100 70"), -1000.0);
    ASSERT_GT(dump.escape("q"), 2);
    const int frames = countFrames(dump.dir);
    EXPECT_EQ(frameSize(dump.dir, 0), std::make_pair(64, 48));
    EXPECT_EQ(frameSize(dump.dir, frames - 1), std::make_pair(100, 70));
}

// Frame n of a dump from a start mark shows the demo at the float nearest to the mark + n / rate,
// as the P key prints it: counted from the mark, not added to it in float steps.
TEST(DumpClockTest, FramesAreCountedFromTheStartMark) {
    ClearDump dump("e2e-dump-clock", "600", "\t<time start=\"16\"/>\n\t<dump name=\"frames/f.png\" rate=\"24\"/>\n");
    ASSERT_TRUE(dump.window.found());
    for (int i = 0; i < 20; ++i) { // floats lie 2 millionths apart here, and "%f" prints millionths
        const double clock = dump.window.clock(), n = std::round((clock - 16.0) * 24.0);
        EXPECT_NEAR(clock, static_cast<float>(16.0 + n / 24.0), 1e-6) << "frame " << n;
    }
    dump.window.close("Escape");
    EXPECT_TRUE(dump.process.wait(60));
}

// Escape during a long dump: every frame handed over is on disk, whole, numbered without a gap, and
// no temporary file is left behind.
TEST(DumpEndTest, EscapeLeavesEveryFrameHandedOverWholeOnDisk) {
    ClearDump dump("e2e-dump-escape", "600");
    ASSERT_TRUE(dump.window.found());
    for (int i = 0; i < 6000 && !dump.dir.exists(frameName(30)); ++i) e2e::sleepSeconds(0.01);
    ASSERT_TRUE(dump.dir.exists(frameName(30)));
    const int handedOver = dump.escape();
    ASSERT_GT(handedOver, 30);
    EXPECT_EQ(countFrames(dump.dir), handedOver);
    EXPECT_EQ(e2e::shell("ls " + dump.dir.file("frames") + " | wc -l"), std::to_string(handedOver) + "\n");
    for (int n = 0; n < handedOver; ++n)
        EXPECT_EQ(frameSize(dump.dir, n), std::make_pair(64, 48)) << frameName(n);
    EXPECT_EQ(dump.process.out().find("Could not write"), std::string::npos) << dump.process.out();
}

// A frame that cannot be written stops the dump with a failure status, named once with its cause;
// the folder holds the unbroken run of frames before it, and nothing after it.
TEST(DumpEndTest, AFrameThatCannotBeWrittenStopsTheDumpWithAFailureStatus) {
    e2e::TempDir blocked, file;
    writeClearDump(blocked, "e2e-dump-blocked", "600");
    std::filesystem::create_directories(blocked.file(frameName(30)));
    writeClearDump(file, "e2e-dump-file", "600");
    file.write("frames", "a file where the frames' folder should be");
    for (const auto& [dir, frames, cause] : {std::make_tuple(&blocked, 30, "Is a directory"),
                                             std::make_tuple(&file, 0, "Not a directory")}) {
        const e2e::Result result = e2e::run(kProgram, dir->path(), 120);
        ASSERT_TRUE(result.ended) << "the dump did not stop";
        EXPECT_EQ(result.status, 1) << result.out;
        const std::string lost = frameName(frames);
        EXPECT_NE(result.out.find("could not write the frame '" + lost + "': " + cause), std::string::npos)
            << result.out;
        EXPECT_EQ(result.out.find(lost), result.out.rfind(lost)) << "named more than once";
        EXPECT_NE(result.out.find("Dump stopped: " + std::to_string(frames) + " frames on disk, "), std::string::npos);
        for (int n = 0; n < frames; ++n) EXPECT_TRUE(dir->exists(frameName(n))) << frameName(n);
        if (frames > 0) { // the frames and the directory in the way of the lost one, nothing else
            EXPECT_EQ(e2e::shell("ls " + dir->file("frames") + " | wc -l"), std::to_string(frames + 1) + "\n");
        }
    }
}

// SIGTERM or SIGINT (Ctrl+C) ends a dump as Escape does: every frame handed over is on disk without
// a hole, the settings changed with keys are written back, and the status and the closing line tell
// of the signal. The same signal again from the same sender, as `timeout` sends it to the program
// and then to its process group, is the same request. The log reaches its file as it is written,
// long before the end.
class DumpSignalTest : public ::testing::TestWithParam<int> {};

TEST_P(DumpSignalTest, EndsAsEscapeDoesWithTheSignalsStatus) {
    const int signal = GetParam();
    const std::string title = "e2e-dump-signal-" + std::to_string(signal);
    e2e::TempDir dir;
    e2e::Process process(kProgram, writeClearDump(dir, title, "600", "setup.local.xml"));
    e2e::Window window(process, title);
    ASSERT_TRUE(window.found());
    for (int i = 0; i < 6000 && process.out().find("Loading effect 'waxon_draw' took") == std::string::npos; ++i)
        e2e::sleepSeconds(0.01);
    ASSERT_TRUE(process.running());
    ASSERT_NE(process.out().find("Loading effect 'waxon_draw' took"), std::string::npos) << "the log is held back";
    ASSERT_NE(window.keys("ctrl+o"), -1000.0); // the time bar off, a setting to write back
    for (int i = 0; i < 6000 && !dir.exists(frameName(30)); ++i) e2e::sleepSeconds(0.01);
    process.signal(signal);
    ASSERT_TRUE(process.taken(signal, 60));
    process.signal(signal);
    ASSERT_TRUE(process.wait(60));
    EXPECT_EQ(process.status(), 128 + signal);
    const int frames =
        framesStoppedBy(process.out(), "signal " + std::to_string(signal) + " (" + strsignal(signal) + ")");
    EXPECT_GT(frames, 30);
    EXPECT_EQ(countFrames(dir), frames);
    EXPECT_EQ(e2e::shell("ls " + dir.file("frames") + " | wc -l"), std::to_string(frames) + "\n");
    EXPECT_NE(dir.read("setup.local.xml").find("show=\"off\""), std::string::npos) << dir.read("setup.local.xml");
}

INSTANTIATE_TEST_SUITE_P(Signals, DumpSignalTest, ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM ? "Term" : "Int");
                         });

// The X server held for this test's connection alone, as long as the object lives: every other
// program waits for it meanwhile.
struct HeldXServer {
    HeldXServer() : display(XOpenDisplay(nullptr)) {
        if (!display) return;
        XGrabServer(display);
        XSync(display, False);
    }
    ~HeldXServer() {
        if (display) XCloseDisplay(display); // which releases the server
    }
    HeldXServer(const HeldXServer&) = delete;
    HeldXServer& operator=(const HeldXServer&) = delete;
    Display* display;
};

// A second signal while the first one closes the program ends it at once: another one, or Ctrl+C
// pressed again at the terminal.
TEST(DumpSecondSignalTest, EndsTheProgramAtOnce) {
    ClearDump dump("e2e-dump-twice", "600");
    ASSERT_TRUE(dump.window.found());
    for (int i = 0; i < 6000 && !dump.dir.exists(frameName(10)); ++i) e2e::sleepSeconds(0.01);
    // Held stopped, the program takes both at once when it goes on: the second one while closing.
    dump.process.signal(SIGSTOP);
    dump.process.signal(SIGTERM);
    dump.process.signal(SIGINT);
    dump.process.signal(SIGCONT);
    ASSERT_TRUE(dump.process.wait(60));
    EXPECT_TRUE(dump.process.status() == 128 + SIGTERM || dump.process.status() == 128 + SIGINT)
        << dump.process.status();
    EXPECT_EQ(dump.process.out().find("Dump ended"), std::string::npos);
    EXPECT_EQ(dump.process.out().find("Dump stopped"), std::string::npos);

    // Ctrl+C at the terminal again, while the first one's close waits for the X server held here.
    const std::string title = "e2e-dump-ctrl-c";
    e2e::TempDir dir;
    e2e::Launch launch;
    launch.terminal = true;
    e2e::Process process(kProgram, writeClearDump(dir, title, "600"), {}, launch);
    e2e::Window window(process, title);
    ASSERT_TRUE(window.found());
    for (int i = 0; i < 6000 && !dir.exists(frameName(10)); ++i) e2e::sleepSeconds(0.01);
    {
        HeldXServer held;
        ASSERT_NE(held.display, nullptr);
        ASSERT_TRUE(process.waitsForInput(60));
        ASSERT_TRUE(process.pressCtrlC());
        ASSERT_TRUE(process.taken(SIGINT, 60));
        ASSERT_TRUE(process.pressCtrlC());
        ASSERT_TRUE(process.taken(SIGINT, 60));
    }
    ASSERT_TRUE(process.wait(60));
    EXPECT_EQ(process.status(), 128 + SIGINT);
    EXPECT_EQ(process.out().find("Dump stopped"), std::string::npos) << process.out();
}

// A log pipe whose reader has gone (`| head`, or `| tee` ended by the same Ctrl+C) neither kills the
// program nor loses the frames or the settings: the run goes on to its end.
TEST(DumpLogPipeTest, AClosedPipeNeitherEndsTheRunNorLosesTheSettings) {
    e2e::TempDir dir;
    writeClearDump(dir, "e2e-dump-pipe", "1.2", "setup.local.xml");
    dir.write("run.sh", "#!/bin/sh\n{ '" + kProgram + "'; echo $? > status; } | true\n");
    std::filesystem::permissions(dir.file("run.sh"), std::filesystem::perms::owner_all);
    const e2e::Result result = e2e::run(dir.file("run.sh"), dir.path(), 60);
    ASSERT_TRUE(result.ended) << result.err;
    EXPECT_EQ(dir.read("status"), "0\n") << result.err;
    EXPECT_GE(countFrames(dir), 36);
    EXPECT_NE(dir.read("setup.local.xml").find("<osd "), std::string::npos) << dir.read("setup.local.xml");
}

// Started without a standard output (`program >&-`, as some launchers and services start programs),
// the run neither hangs nor loses anything: no file or connection takes the log's descriptor.
TEST(DumpLogPipeTest, NoStandardOutputAtAllNeitherHangsNorLosesTheRun) {
    e2e::TempDir dir;
    writeClearDump(dir, "e2e-dump-no-stdout", "1.2", "setup.local.xml");
    e2e::Launch launch;
    launch.stdoutClosed = true;
    const e2e::Result result = e2e::run(kProgram, dir.path(), 90, {}, launch);
    ASSERT_TRUE(result.ended) << "the run hangs";
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_GE(countFrames(dir), 36);
    EXPECT_NE(dir.read("setup.local.xml").find("<osd "), std::string::npos) << dir.read("setup.local.xml");
}

// Started with the hang-up and interrupt signals ignored (nohup, a background job), a dump goes on
// through both; a termination still ends it as Escape does, even one inherited as ignored.
TEST(DumpIgnoredSignalTest, StayIgnoredWhileTermStillEndsTheRun) {
    const std::string title = "e2e-dump-nohup";
    e2e::TempDir dir;
    e2e::Launch launch;
    launch.ignoredSignals = {SIGHUP, SIGINT, SIGTERM};
    e2e::Process process(kProgram, writeClearDump(dir, title, "600"), {}, launch);
    e2e::Window window(process, title);
    ASSERT_TRUE(window.found());
    process.signal(SIGHUP);
    process.signal(SIGINT);
    // Taken before the keys are read: a frame drawn after them shows the run went on.
    EXPECT_NE(window.clock(), -1000.0) << process.out();
    ASSERT_TRUE(process.running());
    process.signal(SIGTERM);
    ASSERT_TRUE(process.wait(60));
    EXPECT_EQ(process.status(), 128 + SIGTERM);
    EXPECT_NE(process.out().find("Dump stopped by signal 15 (Terminated) at "), std::string::npos) << process.out();
}

// Pausing a dump pauses its frames: after a pause and a resume, frame n still shows the demo at n / rate.
TEST(DumpPauseTest, APauseWritesNoFramesAndResumingRepeatsNone) {
    ClearDump dump("e2e-dump-pause", "600");
    ASSERT_TRUE(dump.window.found());
    ASSERT_NE(dump.window.keys("space"), -1000.0);
    for (int i = 0; i < 3; ++i) dump.window.clock(); // frames drawn while paused
    dump.window.keys("space");
    dump.window.clock();
    const double clock = dump.window.keys("space"); // paused again: no frame after this one
    ASSERT_GT(clock, 0.0);
    EXPECT_EQ(dump.escape(), std::lround(clock * 30.0) + 1) << "last clock " << clock;
}

// A run's folder gets the effects' folders of the built demo and nothing else a user left there,
// such as the frames of a video, which would count as frames of the run.
TEST(TempDirTest, TakesOnlyTheEffectsFoldersOfTheBuiltDemo) {
    const std::filesystem::path stray =
        std::filesystem::path(HALCYRA_DEMO_ASSETS) / ("frames-left-by-" + std::to_string(getpid()));
    std::filesystem::create_directories(stray);
    std::ofstream(stray / "f.000000.png") << "stale";
    e2e::TempDir dir;
    std::filesystem::remove_all(stray);
    EXPECT_FALSE(dir.exists(stray.filename().string()));
    for (const char* folder : e2e::EffectFolders) EXPECT_TRUE(dir.exists(folder)) << folder;
}

struct FatalCase {
    const char* name;
    const char* setup;    // null: no set-up file at all
    const char* script;   // null: no script file
    const char* expected; // the text after "error: "
};

class FatalErrorTest : public ::testing::TestWithParam<FatalCase> {};

// The set-up is the user's own "setup.local.xml": a refused start leaves it as it was.
TEST_P(FatalErrorTest, EndsWithTheCauseAndAFailureStatus) {
    const FatalCase& c = GetParam();
    e2e::TempDir dir;
    if (c.setup) dir.write("setup.local.xml", c.setup);
    if (c.script) dir.write("s.xml", c.script);
    const e2e::Result result = e2e::run(kProgram, dir.path(), 30);
    ASSERT_TRUE(result.ended);
    EXPECT_EQ(result.status, 1);
    std::string expected = c.expected;
    for (size_t at = expected.find("'setup.xml'"); at != std::string::npos; at = expected.find("'setup.xml'", at))
        expected.replace(at, 11, "'setup.local.xml'");
    EXPECT_NE(result.out.find("error: " + expected), std::string::npos) << result.out;
    EXPECT_EQ(dir.read("setup.local.xml"), c.setup ? c.setup : "");
    EXPECT_NE(result.err.find("An error has occured. The message was as follows:"), std::string::npos);
    // Each is found before the window opens, or by the display as it opens the window.
    EXPECT_EQ(result.out.find("Opened window"), std::string::npos) << result.out;
}

// The windowed program is the same program: the same errors, the same status.
TEST(WindowedProgramTest, BehavesAsTheConsoleProgram) {
    e2e::TempDir dir;
    const e2e::Result result = e2e::run(HALCYRA_WINDOWED_PROGRAM, dir.path(), 30);
    ASSERT_TRUE(result.ended);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("error: [Corvista] Could not load 'setup.[local.]xml'"), std::string::npos);
}

// Without a window system the error says so, not only that the window set up there did not open.
TEST(FatalErrorNoDisplayTest, NamesWhyTheWindowCouldNotOpen) {
    e2e::TempDir dir;
    dir.write("setup.xml", "<demo><display width=\"64\" height=\"48\"/><music mute=\"nosound\"/></demo>");
    const e2e::Result result = e2e::run(kProgram, dir.path(), 30, {"DISPLAY"}); // no DISPLAY at all
    ASSERT_TRUE(result.ended);
    EXPECT_EQ(result.status, 1);
    const size_t error = result.out.find("error: [Corvista] Could not open the window set up in 'setup.xml': "
                                         "Could not open window: ");
    ASSERT_NE(error, std::string::npos) << result.out;
    EXPECT_NE(result.out.find("DISPLAY", error), std::string::npos) << result.out;
}

// Where the window library cannot start (here a window manager that has exited is still named on
// the root window), the window is refused as it is asked for; a dump says how far it got, as for
// any window refused.
TEST(FatalErrorWindowManagerTest, ADumpRefusedAsTheWindowIsAskedForSaysHowFarItGot) {
    xtest::OwnXServer server;
    ASSERT_TRUE(server.started()) << "Xvfb did not start";
    Display* x = XOpenDisplay(server.name().c_str());
    ASSERT_NE(x, nullptr);
    const Window root = DefaultRootWindow(x), gone = XCreateSimpleWindow(x, root, 0, 0, 1, 1, 0, 0, 0);
    const long named[1] = {static_cast<long>(gone)};
    XChangeProperty(x, root, XInternAtom(x, "_NET_SUPPORTING_WM_CHECK", False), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(named), 1);
    XDestroyWindow(x, gone);
    XCloseDisplay(x);
    e2e::TempDir dir;
    dir.write("setup.xml", "<demo><display width=\"64\" height=\"48\"/><script filename=\"s.xml\"/>"
                           "<dump name=\"f.png\"/></demo>");
    dir.write("s.xml", "<script><effect name=\"clear\" start=\"0\" end=\"1\"/></script>");
    const e2e::Result result = e2e::run(kProgram, dir.path(), 30, {"DISPLAY=" + server.name()});
    ASSERT_TRUE(result.ended);
    EXPECT_EQ(result.status, 1);
    const size_t closing = result.out.find("Dump stopped by an error at 0.00 s of 1.00 s: 0 frames on disk, 0 lost");
    ASSERT_NE(closing, std::string::npos) << result.out;
    EXPECT_NE(result.out.find("error: [Corvista] Could not open the window set up in 'setup.xml': DisplayGL: The "
                              "window manager named on the root window of the X display '" + server.name(),
                              closing),
              std::string::npos)
        << result.out;
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FatalErrorTest,
    ::testing::Values(
        FatalCase{"NoSetup", nullptr, nullptr, "[Corvista] Could not load 'setup.[local.]xml'"},
        FatalCase{"AnotherRoot", "<config><display width=\"64\" height=\"48\"/></config>", nullptr,
                  "[Corvista] The root tag of 'setup.xml' is 'config': a set-up's root tag must be 'demo'"},
        FatalCase{"NoDisplay", "<demo><music mute=\"nosound\"/></demo>", nullptr,
                  "[Corvista] No 'display' tag in 'setup.xml'"},
        FatalCase{"NoMusicToPlay", "<demo><display width=\"64\" height=\"48\" title=\"e2e-f8\"/></demo>", nullptr,
                  "[Corvista] No music file in 'setup.xml': playing needs a 'music' tag with a 'filename'"},
        // A dump that can write no frame is refused, not reported as a dump of 0 frames.
        FatalCase{"DumpWithoutScript",
                  "<demo><display width=\"64\" height=\"48\" title=\"e2e-f9\"/><dump name=\"f.png\"/></demo>",
                  nullptr, "[Corvista] Nothing to dump in 'setup.xml': no timeline script was given"},
        FatalCase{"DumpStartAfterTheEnd",
                  "<demo><time start=\"200\"/><display width=\"64\" height=\"48\" title=\"e2e-f11\"/>"
                  "<script filename=\"s.xml\"/><dump name=\"f.png\"/></demo>",
                  "<script><effect name=\"clear\" start=\"0\" end=\"96\"/></script>",
                  "[Corvista] Nothing to dump in 'setup.xml': the timeline ends at 96.00 s, before the start time "
                  "200.00 s"},
        // The dump's first frame would already count as past the end: a float step before it.
        FatalCase{"DumpStartAFloatStepBeforeTheEnd",
                  "<demo><time start=\"95.99999\"/><display width=\"64\" height=\"48\" title=\"e2e-f12\"/>"
                  "<script filename=\"s.xml\"/><dump name=\"f.png\" rate=\"30\"/></demo>",
                  "<script><effect name=\"clear\" start=\"0\" end=\"96\"/></script>",
                  "[Corvista] Nothing to dump in 'setup.xml': the timeline ends at the start time, 96.00 s"},
        FatalCase{"DumpStartAFloatStepBeforeTheEndAnHourIn",
                  "<demo><time start=\"3599.9998\"/><display width=\"64\" height=\"48\" title=\"e2e-f13\"/>"
                  "<script filename=\"s.xml\"/><dump name=\"f.png\" rate=\"1000\"/></demo>",
                  "<script><effect name=\"clear\" start=\"0\" end=\"3600\"/></script>",
                  "[Corvista] Nothing to dump in 'setup.xml': the timeline ends at the start time, 3600.00 s"},
        FatalCase{"MissingScript",
                  "<demo><display width=\"64\" height=\"48\" title=\"e2e-f1\"/><script filename=\"gone.xml\"/>"
                  "<music mute=\"nosound\"/></demo>",
                  nullptr,
                  "[Corvista] Could not find the script: 'gone.xml' (the script named in 'setup.xml', line 1)"},
        FatalCase{"BadSetupXml", "<demo><display width=\"64\" height=48 title=\"x\"/><time start=\"1\"></demo",
                  nullptr, "[Corvista] Could not read 'setup.xml': (error at line"},
        FatalCase{"BadScriptXml",
                  "<demo><display width=\"64\" height=\"48\" title=\"e2e-f2\"/><script filename=\"s.xml\"/>"
                  "<music mute=\"nosound\"/></demo>",
                  "<script><effect name=\"clear\" start=\"0\" end=\"1\"></script", "[Corvista] Could not read the script 's.xml'"},
        FatalCase{"ScriptThatDoesNotLoad",
                  "<demo><display width=\"64\" height=\"48\" title=\"e2e-f3\"/><script filename=\"s.xml\"/>"
                  "<music mute=\"nosound\"/></demo>",
                  "<timeline><effect name=\"clear\" start=\"0\" end=\"1\"/></timeline>",
                  "[Corvista] Could not load the script 's.xml': "},
        FatalCase{"EndlessScript",
                  "<demo><display width=\"64\" height=\"48\" title=\"e2e-f7\"/><script filename=\"s.xml\"/>"
                  "<dump name=\"f.png\"/><music mute=\"nosound\"/></demo>",
                  "<script>\n<effect name=\"clear\" start=\"0\" end=\"inf\"/></script>",
                  "[Corvista] Could not load the script 's.xml': line 2: attribute 'end' of effect is not a finite "
                  "number: 'inf'"},
        FatalCase{"MissingMusic",
                  "<demo>\n<display width=\"64\" height=\"48\" title=\"e2e-f4\"/>\n<music filename=\"song.ogg\"/>"
                  "</demo>",
                  nullptr, "Could not open the file 'song.ogg'! (the music named in 'setup.xml', line 3)"},
        FatalCase{"BadDumpName",
                  "<demo><display width=\"64\" height=\"48\" title=\"e2e-f5\"/>\n<dump name=\"f.jpg\"/>"
                  "<music mute=\"nosound\"/></demo>",
                  nullptr, "Could not find something that could write to 'f.jpg': the dump name in 'setup.xml', line "
                           "2, must end in '.png'"},
        // Held as a float, the rate would be 0: the dump could never reach the timeline's end.
        FatalCase{"DumpRateHeldAsZero",
                  "<demo><display width=\"64\" height=\"48\" title=\"e2e-f10\"/><script filename=\"s.xml\"/>\n"
                  "<dump name=\"f.png\" rate=\"1e-300\"/></demo>",
                  "<script><effect name=\"clear\" start=\"0\" end=\"1\"/></script>",
                  "[Corvista] Bad dump rate '1e-300' for 'f.png' in 'setup.xml', line 2: frames per second must be at "
                  "least 3e-39 and at most 16777216"},
        FatalCase{"NegativeWindowSize",
                  "<demo><display width=\"64\" height=\"-5\" title=\"e2e-f6\"/><music mute=\"nosound\"/></demo>",
                  nullptr, "[Corvista] Bad window height '-5' in 'setup.xml'"},
        FatalCase{"WindowTooLargeToDraw",
                  "<demo><display width=\"20000\" height=\"576\" title=\"e2e-f7\"/><music mute=\"nosound\"/>"
                  "</demo>",
                  nullptr,
                  "[Corvista] Could not open the window set up in 'setup.xml': DisplayGL: A window of 20000x576 "
                  "was asked for and one of 20000x576 opened, but at most "},
        FatalCase{"WindowTooLargeForTheWindowSystem",
                  "<demo><display width=\"0\" height=\"2147483647\" title=\"e2e-f8\"/><music mute=\"nosound\"/>"
                  "</demo>",
                  nullptr,
                  "[Corvista] Could not open the window set up in 'setup.xml': DisplayGL: A window of 0x2147483647 "
                  "(2147483647x2147483647 with the missing side filled in) is larger than the window system holds: "
                  "at most 32767 pixels a side and 536870912 in all"}),
    [](const ::testing::TestParamInfo<FatalCase>& info) { return std::string(info.param.name); });

} // namespace
