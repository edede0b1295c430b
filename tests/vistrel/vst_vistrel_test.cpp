// The GUI root on a real window: a layout loaded through the archives, input from the window
// system turned into GUI events, callbacks, the popup, and the workspace drawn over the frame.

#include "vst_gl_support.h"
#include "vst_test_support.h"

#include "vst_vistrel.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

using namespace vsttest;
using norvane::vistrel::Vistrel;

namespace {

// Hears what reaches the display's listeners added before the GUI root.
class Behind : public norvane::display::Listener {
public:
    explicit Behind(norvane::display::DisplayGL* d) : Listener(d) {}
    int onMouseDown(norvane::display::Event*) override { return note("mousedown"); }
    int onMouseUp(norvane::display::Event*) override { return note("mouseup"); }
    int onMouseMove(norvane::display::Event*) override { return note("mousemove"); }
    int onKeyDown(norvane::display::Event*) override { return note("keydown"); }
    int note(const char* what) {
        seen.push_back(what);
        return 0;
    }
    std::vector<std::string> seen;
};

int count(const std::vector<std::string>& v, const std::string& what) {
    int n = 0;
    for (const std::string& s : v)
        n += s == what;
    return n;
}

const char* const style = "<vistrel>\n"
                          "  <box>\n"
                          "    <color name='back.color' first='2a3550' second='1a2030'/>\n"
                          "    <color name='back.border' first='8090b0' second='405070'/>\n"
                          "    <color name='text.color' first='ffffff'/>\n"
                          "  </box>\n"
                          "  <accent><color name='back.color' first='b04020' second='702010'/>\n"
                          "    <color name='text.color' first='fff0c0'/></accent>\n"
                          "</vistrel>\n";

const char* const layout = "<vistrel>\n"
                           "  <workspace style='style.xml'>\n"
                           "    <child>\n"
                           "      <box id='corner'><area x='0' y='0' width='10' height='10'/></box>\n"
                           "      <box id='left' text='Effects'><area x='20' y='20' width='180' height='100'/>\n"
                           "        <child><box id='leftInner' class='accent' text='Glow'>"
                           "<area x='10' y='10' width='50' height='30'/></box></child>\n"
                           "      </box>\n"
                           "      <box id='right' text='Timeline 0:42'><area x='220' y='20' width='180' height='100'/></box>\n"
                           "      <box id='bar' class='accent' text='Play  Pause  Seek'>"
                           "<area x='20' y='140' width='380' height='24'/></box>\n"
                           "    </child>\n"
                           "  </workspace>\n"
                           "</vistrel>\n";

class RootTest : public GLTest {
protected:
    void SetUp() override {
        registerBox();
        char tmpl[] = "/tmp/vistrel_test_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        std::ofstream(dir + "/style.xml") << style;
        std::ofstream(dir + "/layout.xml") << layout;
        open(420, 200);
        archives->addArchive(dir);
        behind.reset(new Behind(display.get()));
        root.reset(new Vistrel(display.get()));
        root->getWorkspace().addCallback(&app);
    }
    void TearDown() override {
        root.reset();
        behind.reset();
        GLTest::TearDown();
        std::system(("rm -rf '" + dir + "'").c_str());
    }
    Box* box(const std::string& name) { return dynamic_cast<Box*>(root->getWorkspace().find(name)); }

    std::string dir;
    std::unique_ptr<Behind> behind;
    std::unique_ptr<Vistrel> root;
    Recorder app;
};

} // namespace

TEST_F(RootTest, ALayoutBecomesATreeThatTakesInputFromTheWindow) {
    root->load("layout.xml");
    Workspace& ws = root->getWorkspace();
    EXPECT_EQ(Rect(0, 0, 420, 200), ws.getArea());
    ASSERT_EQ(4u, ws.getChildCount());
    ASSERT_NE(nullptr, box("leftInner"));
    EXPECT_EQ(box("left"), box("leftInner")->getOwner());
    EXPECT_EQ(Rect(30, 30, 80, 60), box("leftInner")->getScreenArea());
    EXPECT_EQ(Rect(10, 10, 60, 40), box("leftInner")->getArea());
    WindowInput input;

    // A first move to pixel (0, 0) makes no GUI event; the other listeners still hear it.
    input.cursor(0.4, 0.6);
    EXPECT_TRUE(box("corner")->seen.empty());
    EXPECT_EQ(1, count(behind->seen, "mousemove"));

    // Two moves to the same whole pixel make one GUI event.
    input.cursor(300.2, 50);
    input.cursor(300.7, 50.5);
    EXPECT_EQ(1, count(box("right")->seen, "mousemove"));
    EXPECT_EQ(3, count(behind->seen, "mousemove"));

    // A press on the inner box reaches it, focuses the chain, notifies the application with
    // code 0, and is kept from the listener added before the root.
    input.cursor(50, 45);
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    EXPECT_EQ(1, count(box("leftInner")->seen, "mousedown"));
    EXPECT_EQ(0, count(behind->seen, "mousedown"));
    ASSERT_EQ(1u, app.controls.size());
    EXPECT_EQ(box("leftInner"), app.controls[0].first);
    EXPECT_EQ(0, app.controls[0].second);
    EXPECT_EQ(box("left"), ws.getFocus());
    EXPECT_EQ(box("leftInner"), box("left")->getFocus());
    EXPECT_EQ(box("left"), ws.getChild(3)); // brought to the front
    // The release is not taken by the box: it goes on to the other listeners.
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_EQ(1, count(behind->seen, "mouseup"));

    // Keys go to the focused control.
    input.key(GLFW_KEY_A, GLFW_PRESS);
    ASSERT_EQ(1u, box("leftInner")->keys.size());
    EXPECT_EQ('A', box("leftInner")->keys[0]);
    EXPECT_EQ(0, count(behind->seen, "keydown"));

    // A click where no control takes it reaches the other listeners.
    input.click(410, 190);
    EXPECT_EQ(1, count(behind->seen, "mousedown"));
    EXPECT_TRUE(display->isDirty());

    // Resizing the window re-fits the workspace.
    display->resize(300, 150);
    EXPECT_EQ(Rect(0, 0, 300, 150), ws.getArea());
}

TEST_F(RootTest, APopupIsDrawnOverEverythingAndClosedByTheNextLeftRelease) {
    root->load("layout.xml");
    Box popup;
    popup.setArea(Rect(250, 40, 350, 90));
    popup.setColor(Control::BlockBack, Control::StateColor, 0, {1, 0, 0, 1});
    popup.setColor(Control::BlockBack, Control::StateColor, 1, {1, 0, 0, 1});
    box("left")->openPopup(&popup);
    root->onFrame();
    readPixels();
    EXPECT_GT(at(300, 65, 0), 240); // over the box 'right'
    EXPECT_LT(at(300, 65, 2), 40);
    EXPECT_GT(at(300, 100, 2), 20); // 'right' itself below the popup

    WindowInput input;
    input.cursor(300, 60); // any event clears the just-opened state
    input.button(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
    EXPECT_EQ(nullptr, root->getWorkspace().getPopup());
    EXPECT_EQ("mouseup", popup.seen.back());
    root->onFrame();
    readPixels();
    EXPECT_LT(at(300, 65, 0), 200);
}

TEST_F(RootTest, AMissingBrokenOrForeignLayoutFileIsNamed) {
    try {
        root->load("nope.xml");
        FAIL() << "no exception";
    } catch (const norvane::Exception& e) {
        EXPECT_STREQ("Could not find the file 'nope.xml'.", e.what());
    }
    std::ofstream(dir + "/bad.xml") << "<vistrel><workspace";
    try {
        root->load("bad.xml");
        FAIL() << "no exception";
    } catch (const norvane::Exception& e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("'bad.xml'"));
    }
    // Another kind of file loads nothing, and says so.
    std::ofstream(dir + "/script.xml") << "<script><workspace/></script>";
    StdoutCapture out;
    root->load("script.xml");
    EXPECT_EQ(0u, root->getWorkspace().getChildCount());
    EXPECT_NE(std::string::npos,
              out.text().find("The layout file 'script.xml' has the root tag 'script', not 'vistrel'"));
}

TEST_F(RootTest, TheLayoutIsDrawnWithItsText) {
    root->load("layout.xml");
    root->onFrame();
    readPixels();
    // Box fill from the style, and white text in the middle of the box 'right'.
    EXPECT_GT(at(240, 30, 2), 40);
    auto ink = inkColumns(65, 75, 225, 395);
    float w = root->getWorkspace().getRender()->textWidth("Timeline 0:42");
    EXPECT_NEAR(310 - w / 2, ink.first, 2);
    EXPECT_NEAR(310 + w / 2, ink.second, 3);

    shot("vistrel_layout.png");
}
