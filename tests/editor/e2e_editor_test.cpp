// The timeline editor in the real program: Tab shows the panel with the demo in the top-right
// quarter, bars dragged with the pointer move and stretch the live timeline's entries, and layouts
// without some of the editor's controls still run. Pictures are read from the window itself.

#include "am_archivemanager.h"
#include "e2e_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kProgram = HALCYRA_PROGRAM;

// The sample demo's window size, which its layout is made for: the demo's quarter is x 512..1023,
// y 0..287; the rows start at y 306, 30 pixels each, with time from x 200 at 10 pixels per second.
const int kWidth = 1024, kHeight = 576;
const int kRowsTop = 306;
int barMiddleY(int row) { return kRowsTop + row * 30 + 14; }
int timeX(float seconds) { return 200 + static_cast<int>(seconds * 10); }

std::string setupXml(const std::string& title) {
    return "<?xml version=\"1.0\"?>\n<demo>\n\t<display width=\"" + std::to_string(kWidth) + "\" height=\"" +
           std::to_string(kHeight) + "\" title=\"" + title +
           "\"/>\n"
           "\t<osd show=\"off\"/>\n"
           "\t<script filename=\"s.xml\"/>\n"
           "\t<music mute=\"nosound\"/>\n"
           "</demo>\n";
}

struct Rgb {
    int r, g, b;
    bool white() const { return r > 240 && g > 240 && b > 240; }
};

// The program with its window, keys and pictures of the window.
class Editor {
public:
    Editor(const e2e::TempDir& dir, const std::string& title, const std::string& script)
        : mDir(dir), mProcess((dir.write("setup.xml", setupXml(title)), dir.write("s.xml", script), kProgram),
                              dir.path()),
          mWindow(mProcess, title) {}
    bool hasWindow() const { return mWindow.found(); }
    e2e::Process& process() { return mProcess; }

    // Sends the keys one at a time; the clock of a frame drawn after the last of them.
    double keys(const std::string& keys) { return keys.empty() ? mWindow.clock() : mWindow.keys(keys); }
    // A pointer action at a point of the window, such as "click 5"; a frame is drawn after it.
    void pointer(int x, int y, const std::string& action) {
        mWindow.step(moveTo(x, y) + (action.empty() ? "" : " " + action));
    }
    // A left-button drag inside the window: hover, press, move, release, each seen by a frame.
    void drag(int x, int y, int dx, int dy) {
        pointer(x, y, "");
        mWindow.step("mousedown --window " + mWindow.id() + " 1");
        pointer(x + dx, y + dy, "");
        mWindow.step("mouseup --window " + mWindow.id() + " 1");
    }
    // Takes a picture of the window, once a frame after everything sent so far is on it.
    void shoot() {
        mWindow.clock();
        // import holds the X server while it reads the window: one that stalls on a crowded
        // server is ended, which lets the server go, so the test fails instead of every client
        // of the display hanging with it.
        e2e::shell("timeout -s KILL 60 import -window " + mWindow.id() + " PNG32:" + mDir.file("shot.png") +
                   " 2>/dev/null");
        norvane::am::ArchiveManager archives;
        archives.addArchive(mDir.path());
        mShot = norvane::am::Image();
        archives.loadImage(mShot, "shot.png", -1, true);
    }
    Rgb at(int x, int y) const {
        const unsigned char* p = mShot->getPixels() + (y * mShot->getWidth() + x) * 4;
        return Rgb{p[2], p[1], p[0]};
    }
    int shotWidth() const { return mShot.empty() ? 0 : mShot->getWidth(); }
    // Whether every pixel of the rectangle (a grid of them, every 8 pixels, and its last row and
    // column) passes the test.
    template <typename Test> bool all(int x1, int y1, int x2, int y2, Test test) const {
        for (int y = y1; y <= y2; y = (y == y2 ? y2 + 1 : std::min(y + 8, y2)))
            for (int x = x1; x <= x2; x = (x == x2 ? x2 + 1 : std::min(x + 8, x2)))
                if (!test(at(x, y))) return false;
        return true;
    }
    // The share of a grid of pixels of the rectangle (every 4 pixels) that pass the test.
    template <typename Test> double share(int x1, int y1, int x2, int y2, Test test) const {
        int passed = 0, total = 0;
        for (int y = y1; y <= y2; y += 4)
            for (int x = x1; x <= x2; x += 4, ++total)
                if (test(at(x, y))) ++passed;
        return total ? static_cast<double>(passed) / total : 0.0;
    }
    void quit() {
        mWindow.close("Escape");
        mProcess.wait(60);
    }

private:
    std::string moveTo(int x, int y) const {
        return "mousemove --window " + mWindow.id() + " " + std::to_string(x) + " " + std::to_string(y);
    }

    const e2e::TempDir& mDir;
    e2e::Process mProcess;
    e2e::Window mWindow;
    norvane::am::Image mShot;
};

auto isWhite = [](const Rgb& c) { return c.white(); };
auto isNotWhite = [](const Rgb& c) { return !c.white(); };

// White from the start to the end of the demo.
const char* const kWhiteScript =
    "<script><effect name=\"clear\" start=\"0\" end=\"400\"><trigger name=\"white\" start=\"0\"/></effect></script>";

TEST(EditorE2E, TabShowsThePanelWithTheDemoInTheTopRightQuarterAndHidesIt) {
    e2e::TempDir dir;
    Editor editor(dir, "e2e-editor-tab", kWhiteScript);
    ASSERT_TRUE(editor.hasWindow()) << editor.process().out();
    editor.keys("");
    editor.shoot();
    ASSERT_EQ(editor.shotWidth(), kWidth);
    EXPECT_TRUE(editor.all(0, 0, kWidth - 1, kHeight - 1, isWhite)) << "the demo fills the window";

    editor.keys("Tab");
    editor.shoot();
    // The demo is drawn exactly into the top-right quarter; the panel covers the rest, where the
    // demo's white clear would otherwise show.
    EXPECT_TRUE(editor.all(512, 0, kWidth - 1, 287, isWhite));
    // (White there is only the text of captions and labels.)
    EXPECT_GT(editor.share(0, 288, kWidth - 1, kHeight - 1, isNotWhite), 0.98);
    EXPECT_GT(editor.share(0, 0, 511, 287, isNotWhite), 0.98);
    EXPECT_TRUE(editor.all(505, 0, 511, 287, [](const Rgb& c) { return c.r < 40 && c.g < 40 && c.b < 40; }))
        << "beside the panel nothing of the demo shows";

    // With the panel shown the keys still reach the demo system: Space pauses the clock, which
    // then stands still however much time passes.
    const double paused = editor.keys("space");
    e2e::sleepSeconds(0.3);
    EXPECT_DOUBLE_EQ(editor.keys(""), paused);

    editor.keys("Tab");
    editor.shoot();
    EXPECT_TRUE(editor.all(0, 0, kWidth - 1, kHeight - 1, isWhite)) << "the panel is hidden again";
    editor.quit();
    EXPECT_EQ(editor.process().status(), 0) << editor.process().out();
}

TEST(EditorE2E, DraggingABarsMiddleMovesTheEntryAndTheDemoFollows) {
    e2e::TempDir dir;
    // White from 4 to 8 s only, the end of the timeline; the clock is held at 10 s.
    Editor editor(dir, "e2e-editor-move",
                  "<script><effect name=\"clear\" start=\"4\" end=\"8\"><trigger name=\"white\" start=\"0\"/>"
                  "</effect></script>");
    ASSERT_TRUE(editor.hasWindow()) << editor.process().out();
    EXPECT_DOUBLE_EQ(editor.keys("Tab space alt+t Right Right"), 10.0);
    editor.shoot();
    EXPECT_TRUE(editor.all(512, 0, kWidth - 1, 287, isNotWhite)) << "no entry at 10 s";
    EXPECT_GT(editor.at(timeX(4) + 2, barMiddleY(0)).r, 90) << "the bar from 4 s";
    EXPECT_LT(editor.at(timeX(4) - 3, barMiddleY(0)).r, 60);

    // Its middle 25 pixels to the right: 2.5 s later, 6.5 to 10.5 s (past the timeline's old
    // end), and the next frames show it at 10 s.
    editor.drag(timeX(6), barMiddleY(0), 25, 0);
    editor.shoot();
    EXPECT_TRUE(editor.all(512, 0, kWidth - 1, 287, isWhite)) << "the entry plays at 10 s now";
    EXPECT_GT(editor.at(timeX(6.5f) + 2, barMiddleY(0)).r, 90) << "the bar starts at 6.5 s";
    EXPECT_LT(editor.at(timeX(6.5f) - 3, barMiddleY(0)).r, 60);
    EXPECT_LT(editor.at(timeX(10.5f) + 3, barMiddleY(0)).r, 60) << "and ends at 10.5 s";

    // Back again: 4 to 8 s is before 10 s.
    editor.drag(timeX(8.5f), barMiddleY(0), -25, 0);
    editor.shoot();
    EXPECT_TRUE(editor.all(512, 0, kWidth - 1, 287, isNotWhite));
    editor.quit();
    EXPECT_EQ(editor.process().status(), 0);
}

TEST(EditorE2E, EdgeDragsStopOneSecondFromTheOtherEdge) {
    e2e::TempDir dir;
    // Row 0: an entry without an effect from 6 to 9 s; row 1: white from 6 to 11 s.
    Editor editor(dir, "e2e-editor-edges",
                  "<script><effect name=\"marker\" start=\"6\" end=\"9\"/>"
                  "<effect name=\"clear\" start=\"6\" end=\"11\"><trigger name=\"white\" start=\"0\"/></effect>"
                  "</script>");
    ASSERT_TRUE(editor.hasWindow()) << editor.process().out();
    EXPECT_DOUBLE_EQ(editor.keys("Tab space alt+t Right Right"), 10.0);
    editor.shoot();
    EXPECT_TRUE(editor.all(512, 0, kWidth - 1, 287, isWhite)) << "white at 10 s";

    // The left edge of row 0 dragged 20 s to the right stops 1 s before the end: 8 to 9 s.
    editor.drag(timeX(6) + 2, barMiddleY(0), 200, 0);
    // The right edge of row 1 dragged 20 s to the left stops 1 s after the start: 6 to 7 s.
    editor.drag(timeX(11) - 2, barMiddleY(1), -200, 0);
    editor.keys("");
    editor.shoot();
    EXPECT_GT(editor.at(timeX(8) + 2, barMiddleY(0)).r, 90);
    EXPECT_LT(editor.at(timeX(8) - 3, barMiddleY(0)).r, 60);
    EXPECT_GT(editor.at(timeX(9) - 2, barMiddleY(0)).r, 90);
    EXPECT_GT(editor.at(timeX(6) + 2, barMiddleY(1)).r, 90);
    EXPECT_GT(editor.at(timeX(7) - 2, barMiddleY(1)).r, 90);
    EXPECT_LT(editor.at(timeX(7) + 3, barMiddleY(1)).r, 60);
    EXPECT_TRUE(editor.all(512, 0, kWidth - 1, 287, isNotWhite)) << "the white entry ends at 7 s now";
    editor.quit();
    EXPECT_EQ(editor.process().status(), 0);
}

// The sample layout with one control (its whole element) taken out.
struct MissingCase {
    const char* name;
    const char* element; // the start of the element's tag
    const char* end;     // its end tag
};

class MissingControlTest : public ::testing::TestWithParam<MissingCase> {};

TEST_P(MissingControlTest, TheProgramRunsWithOnlyThatFeatureMissing) {
    const MissingCase& c = GetParam();
    e2e::TempDir dir;
    std::string text = dir.read("layout.xml");
    const size_t from = text.find(c.element);
    ASSERT_NE(from, std::string::npos);
    const size_t to = text.find(c.end, from);
    ASSERT_NE(to, std::string::npos);
    text.erase(from, to + std::string(c.end).size() - from);
    dir.write("layout.xml", text);

    Editor editor(dir, std::string("e2e-editor-no-") + c.name, kWhiteScript);
    ASSERT_TRUE(editor.hasWindow()) << editor.process().out();
    editor.keys("Tab");
    editor.shoot();
    EXPECT_TRUE(editor.all(512, 0, kWidth - 1, 287, isWhite));
    EXPECT_GT(editor.share(0, 288, kWidth - 1, kHeight - 1, isNotWhite), 0.98);
    // The wheel over the rows' place changes nothing that could fail.
    editor.pointer(400, 330, "click 5");
    editor.keys("Tab");
    editor.shoot();
    EXPECT_TRUE(editor.all(0, 0, kWidth - 1, kHeight - 1, isWhite));
    editor.quit();
    EXPECT_EQ(editor.process().status(), 0) << editor.process().out();
    EXPECT_NE(editor.process().out().find("demolength: 500.000000"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Layouts, MissingControlTest,
                         ::testing::Values(MissingCase{"fps_stat", "<stat id=\"fps_stat\"", "</stat>"},
                                           MissingCase{"effects", "<layoutstack id=\"effects\"", "</layoutstack>"},
                                           MissingCase{"timeslider", "<scrollbar id=\"timeslider\"", "</scrollbar>"}),
                         [](const ::testing::TestParamInfo<MissingCase>& info) { return std::string(info.param.name); });

TEST(EditorE2E, AMissingLayoutEndsTheProgramWithTheCause) {
    e2e::TempDir dir;
    std::remove(dir.file("layout.xml").c_str());
    dir.write("setup.xml", setupXml("e2e-editor-nolayout"));
    dir.write("s.xml", kWhiteScript);
    const e2e::Result result = e2e::run(kProgram, dir.path(), 30);
    ASSERT_TRUE(result.ended);
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.out.find("error: Could not find the file 'layout.xml'."), std::string::npos) << result.out;
}

} // namespace
