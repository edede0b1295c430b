// Layout and style files turned into controls, without a display.

#include "vst_test_support.h"

#include "am_filedata.h"
#include "nvn_system.h"

#include <cstdlib>
#include <cstring>
#include <map>

using namespace vsttest;

namespace {

norvane::am::FileDataHandle makeFile(const std::string& name, const std::string& text) {
    norvane::am::FileData* data = new norvane::am::FileData();
    data->name = name;
    data->size = static_cast<int>(text.size());
    data->bytes = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(data->bytes, text.data(), text.size());
    return norvane::am::FileDataHandle(data);
}

// A workspace of 800 x 600 that loads a layout text with the style files given by name.
class Layout : public ::testing::Test {
protected:
    void SetUp() override {
        registerBox();
        ws.setArea(Rect(0, 0, 800, 600));
    }
    void load(const std::string& layout) {
        norvane::xml::XmlParser doc;
        doc.parse(layout);
        ws.loadLayout(
            doc,
            [this](const std::string& name) {
                auto it = files.find(name);
                return it == files.end() ? norvane::am::FileDataHandle() : makeFile(name, it->second);
            },
            [this]() { ++fits; });
    }
    Box* box(const std::string& name) { return dynamic_cast<Box*>(ws.find(name)); }

    Workspace ws;
    std::map<std::string, std::string> files;
    int fits = 0;
};

void expectColor(const float* c, float r, float g, float b, float a) {
    EXPECT_NEAR(r, c[0], 1e-4);
    EXPECT_NEAR(g, c[1], 1e-4);
    EXPECT_NEAR(b, c[2], 1e-4);
    EXPECT_NEAR(a, c[3], 1e-4);
}

} // namespace

TEST(ParseColor, HexPairsWithDefaultsAndOddLengths) {
    Box b;
    auto c = b.parseColor("ff0000");
    EXPECT_FLOAT_EQ(1, c.r);
    EXPECT_FLOAT_EQ(0, c.g);
    EXPECT_FLOAT_EQ(1, c.a);
    c = b.parseColor("00ff0080");
    EXPECT_FLOAT_EQ(1, c.g);
    EXPECT_NEAR(0.50196, c.a, 1e-5);
    c = b.parseColor("#ff0000");
    EXPECT_NEAR(0.0588, c.r, 1e-4);
    EXPECT_NEAR(0.9412, c.g, 1e-4);
    EXPECT_FLOAT_EQ(0, c.b);
    EXPECT_FLOAT_EQ(0, c.a);
    c = b.parseColor("");
    EXPECT_EQ(norvane::mathbase::Color(0, 0, 0, 1), c);
    c = b.parseColor("FFffFFff00112233"); // past the eighth character is ignored
    EXPECT_EQ(norvane::mathbase::Color(1, 1, 1, 1), c);
}

TEST_F(Layout, AreasColoursVisibilityAndNestedChildren) {
    load("<vistrel><workspace><child>"
         "<box id='full'/>"
         "<box id='placed'><area x='10' y='20' width='100' height='30'/>"
         "  <color name='back.color' first='ff0000' second='00ff0080'/>"
         "  <color name='text.pushed' first='0000ff'/>"
         "  <color name='back.nothing' first='ffffff'/>"
         "  <child><box id='inner'><area x='5' y='5' width='10' height='10'/></box></child></box>"
         "<box id='wider' hidden='true'><area x='10' y='20' width='100' height='30' w='5'/></box>"
         "<box id='shown' visible='false'/>"
         "</child></workspace></vistrel>");
    EXPECT_EQ(1, fits);
    ASSERT_NE(nullptr, box("full"));
    EXPECT_EQ(Rect(0, 0, 800, 600), box("full")->getArea());
    EXPECT_TRUE(box("full")->isMaximized());
    EXPECT_EQ(Rect(10, 20, 110, 50), box("placed")->getArea());
    EXPECT_EQ(Rect(10, 20, 115, 50), box("wider")->getArea());
    EXPECT_EQ(Rect(15, 25, 25, 35), box("inner")->getScreenArea());
    EXPECT_FALSE(box("wider")->isVisible());
    EXPECT_FALSE(box("shown")->isVisible());
    EXPECT_TRUE(box("placed")->isVisible());
    expectColor(box("placed")->getColor(Control::BlockBack, Control::StateColor, 0), 1, 0, 0, 1);
    expectColor(box("placed")->getColor(Control::BlockBack, Control::StateColor, 1), 0, 1, 0, 0.50196f);
    expectColor(box("placed")->getColor(Control::BlockText, Control::StatePushed, 1), 0, 0, 0, 1);
    // The tree in document order; each added child became the focus, so the last is last.
    EXPECT_EQ(4u, ws.getChildCount());
    EXPECT_EQ(box("shown"), ws.getChild(3));
    // Without a style file every control keeps its constructor colours.
    expectColor(box("full")->getColor(Control::BlockBack, Control::StateBorder, 0), 0.1f, 0.1f, 0.1f, 1);
}

TEST_F(Layout, StylesApplyByTagOrClassBeforeTheLayoutTag) {
    files["style.xml"] = "<vistrel>"
                         "<box><color name='back.color' first='ff0000'/><color name='back.border' first='00ff00'/>"
                         "  <area x='1' y='1' width='1' height='1'/></box>"
                         "<special><color name='back.color' first='0000ff'/></special>"
                         "</vistrel>";
    load("<vistrel><workspace style='style.xml'><child>"
         "<box id='plain'/>"
         "<box id='own'><color name='back.color' first='ffffff'/></box>"
         "<box id='classed' class='special'/>"
         "<box id='unknownclass' class='nothing'/>"
         "<workspace id='nested'><child><box id='deep'/></child></workspace>"
         "</child></workspace></vistrel>");
    // A workspace inside the layout asks the outer one for styles.
    expectColor(box("deep")->getColor(Control::BlockBack, Control::StateColor, 0), 1, 0, 0, 1);
    expectColor(box("plain")->getColor(Control::BlockBack, Control::StateColor, 0), 1, 0, 0, 1);
    // The layout tag decides the geometry: no area there, so it is maximized.
    EXPECT_EQ(Rect(0, 0, 800, 600), box("plain")->getArea());
    expectColor(box("own")->getColor(Control::BlockBack, Control::StateColor, 0), 1, 1, 1, 1);
    expectColor(box("own")->getColor(Control::BlockBack, Control::StateBorder, 0), 0, 1, 0, 1);
    expectColor(box("classed")->getColor(Control::BlockBack, Control::StateColor, 0), 0, 0, 1, 1);
    expectColor(box("classed")->getColor(Control::BlockBack, Control::StateBorder, 0), 0.1f, 0.1f, 0.1f, 1);
    expectColor(box("unknownclass")->getColor(Control::BlockBack, Control::StateColor, 0), 0, 0, 0, 0);
}

TEST_F(Layout, UnknownControlTypesAreLoggedAndSkippedWithTheirContent) {
    StdoutCapture out;
    load("<vistrel><workspace><child>"
         "<context id='menu'><child><box id='lost'/></child></context>"
         "<!-- a comment between controls -->"
         "<box id='kept'/>"
         "</child></workspace></vistrel>");
    std::string log = out.text();
    EXPECT_NE(std::string::npos, log.find("[log][vistrel::Control::load],  -> Control type 'context' not found"));
    EXPECT_NE(std::string::npos, log.find("(vst_control.cpp:198)"));
    EXPECT_EQ(std::string::npos, log.find("COMMENT"));
    EXPECT_EQ(nullptr, ws.find("lost"));
    EXPECT_NE(nullptr, box("kept"));
}

TEST_F(Layout, AMissingOrForeignStyleFileStopsTheLayoutNamingIt) {
    StdoutCapture out;
    load("<vistrel><workspace style='missing.xml'><child><box id='x'/></child></workspace></vistrel>");
    EXPECT_EQ(0u, ws.getChildCount());
    EXPECT_EQ(0, fits);
    files["other.xml"] = "<script><box/></script>";
    load("<vistrel><workspace style='other.xml'><child><box id='x'/></child></workspace></vistrel>");
    EXPECT_EQ(0u, ws.getChildCount());
    const std::string log = out.text();
    EXPECT_NE(std::string::npos, log.find("Could not find the style file 'missing.xml'"));
    EXPECT_NE(std::string::npos, log.find("The style file 'other.xml' has the root tag 'script', not 'vistrel'"));
    // A layout of another kind loads nothing.
    load("<demo><workspace><child><box id='x'/></child></workspace></demo>");
    EXPECT_EQ(0u, ws.getChildCount());
}

TEST_F(Layout, AStyleFileThatDoesNotParseNamesItself) {
    files["broken.xml"] = "<vistrel><box x=-1/></vistrel>";
    try {
        load("<vistrel><workspace style='broken.xml'/></vistrel>");
        FAIL() << "no exception";
    } catch (const norvane::Exception& e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("'broken.xml'"));
    }
}

TEST_F(Layout, AStyleIsNotAppliedAgainInsideItself) {
    // Directly (a box style whose child is a box) and through another style (panel -> inner -> panel).
    files["style.xml"] = "<vistrel>"
                         "<box><child><box id='self'/></child></box>"
                         "<outer><child><box class='inner' id='viaInner'/></child></outer>"
                         "<inner><child><box class='outer' id='backToOuter'/></child></inner>"
                         "</vistrel>";
    StdoutCapture out;
    load("<vistrel><workspace style='style.xml'><child>"
         "<box id='top'/>"
         "<box id='two' class='outer'/>"
         "</child></workspace></vistrel>");
    std::string log = out.text();
    EXPECT_NE(std::string::npos, log.find("Style 'box' is already being applied"));
    EXPECT_NE(std::string::npos, log.find("Style 'outer' is already being applied"));
    ASSERT_NE(nullptr, box("top"));
    // top got the box style, whose child 'self' was made but not styled again.
    Box* self = dynamic_cast<Box*>(box("top")->find("self"));
    ASSERT_NE(nullptr, self);
    EXPECT_EQ(0u, self->getChildCount());
    Control* viaInner = box("two")->find("viaInner");
    ASSERT_NE(nullptr, viaInner);
    Control* back = viaInner->find("backToOuter");
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(0u, back->getChildCount());
    EXPECT_EQ(1, fits);
}

TEST_F(Layout, StylesThatFanOutWithoutEndStopAtTheControlLimit) {
    // Each style makes ten of the next: 10^6 controls would follow. Loading stops early and says so.
    std::string style = "<vistrel>";
    for (int i = 0; i < 6; ++i) {
        style += "<s" + std::to_string(i) + "><child>";
        for (int k = 0; k < 10; ++k)
            style += "<box class='s" + std::to_string(i + 1) + "'/>";
        style += "</child></s" + std::to_string(i) + ">";
    }
    files["style.xml"] = style + "</vistrel>";
    StdoutCapture out;
    load("<vistrel><workspace style='style.xml'><child><box class='s0' id='root'/></child></workspace></vistrel>");
    EXPECT_NE(std::string::npos, out.text().find("Too many controls"));
    EXPECT_NE(nullptr, box("root"));
}

TEST_F(Layout, NestedScrollAreasLayEachChildOutOncePerChange) {
    // Each level's children laid out a second time would take 2^depth steps. Twelve levels show
    // it at once; sixty-four would then never end.
    const std::string scrollAreas12 = nestedContainers("scrollbar", 12, "");
    load("<vistrel><workspace><child>" + scrollAreas12 + "</child></workspace></vistrel>");
    CountingBox::layouts = 0;
    ws.setArea(Rect(0, 0, 900, 700));
    ASSERT_EQ(12, CountingBox::layouts);

    ws.removeAllChildren();
    load("<vistrel><workspace><child>" + nestedContainers("scrollbar", 64, "") + "</child></workspace></vistrel>");
    EXPECT_LE(CountingBox::layouts, 3 * 64 * 64); // loading lays each level out as it is finished
    CountingBox::layouts = 0;
    ws.setArea(Rect(0, 0, 1000, 1000));
    EXPECT_EQ(64, CountingBox::layouts);
    // Each level's bars take 12 pixels off its client area; the innermost fills what is left.
    Control* inner = ws.getChild(0);
    while (inner->getChildCount() == 2)
        inner = inner->getChild(inner->getChild(0)->getClassName() == "scrollbar" ? 0 : 1);
    EXPECT_EQ(Rect(0, 0, 1000 - 64 * 12, 1000 - 64 * 12), inner->getClientArea());
}
