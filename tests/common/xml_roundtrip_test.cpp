// Documents shaped like the system's own files survive being written and read back: the
// second write gives the same bytes as the first, and the tree reads back unchanged.

#include "nvn_system.h"
#include "xml/xml_parser.h"

#include <gtest/gtest.h>

#include <string>

using norvane::xml::XmlNode;
using norvane::xml::XmlParser;
using norvane::xml::XmlTag;

namespace {

const char* const kSetup =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\r\n"
    "<!-- Local settings, rewritten on exit -->\r\n"
    "<demo>\r\n"
    "  <time start = \"12.5\"   end='180'/>\r\n"
    "\t<archive name=\"./\" />\r\n"
    "\t<archive   name='zip://data/demo.zip'/>\r\n"
    "  <display width=\"1280\" height=\"720\" fullscreen=\"0\" bits=\"32\" title='The \"Halcyra\" demo'/>\r\n"
    "  <osd show=\"1\" top=\"1\" delay=\"2.0\"/>\r\n"
    "  <!-- the timeline -->\r\n"
    "  <script file=\"script.xml\"/>\r\n"
    "  <music file=\"music/track.ogg\" mute=\"0\" loop=\"1\" />\r\n"
    "  <setup></setup>\r\n"
    "</demo>\r\n"
    "<!-- written by hand -->";

const char* const kScript =
    "<?xml version='1.0'?>\n"
    "<script>\n"
    "    <!-- intro -->\n"
    "    <effect name=\"clear\" start=\"0\" end=\"12.75\" enabled=\"1\">\n"
    "        <trigger name=\"beat\" value=\"1\" start=\"0.5\" repeat=\"16\" delay=\"0.4875\"/>\n"
    "        <trigger name=\"which\" value='the \"second\" one' start=\"4\"/>\n"
    "        <spline name=\"alpha\" type=\"smooth\">\n"
    "            <key time=\"0\" value=\"0\" in=\"0\" out=\"0.5\"/>\n"
    "            <key time=\"2.5\" value=\"1\" in=\"-0.25\" out=\"0\"/>\n"
    "            <key\n"
    "                time=\"5\"\n"
    "                value=\"0.3\"/>\n"
    "        </spline>\n"
    "        <effect name=\"glow\" start=\"1\" end=\"3\">\n"
    "            <spline name=\"amount\" type=\"linear\"><key time=\"0\" value=\"0.1\"/></spline>\n"
    "        </effect>\n"
    "        <effect name=\"flash\" start=\"2\" end=\"2.25\"></effect>\n"
    "    </effect>\n"
    "\t<effect name=\"tunnel\" start=\"12.75\" end=\"40\" enabled=\"0\"/>\n"
    "</script>\n";

const char* const kLayout =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE vistrel>\n"
    "<vistrel>\n"
    "<workspace style=\"style.xml\">\n"
    "  <window name=\"timeline\" x=\"0\" y=\"0\" width=\"640\" height=\"240\" caption=\"Timeline\">\n"
    "    <stack direction=\"horisontal\" spacing=\"2\">\n"
    "      <label>Start &amp; end  </label>\n"
    "      <button name=\"play\" caption='Play \"now\"' code=\"0x10\"/>\n"
    "      <slider name=\"time\" min=\"0\" max=\"500\" value=\"0\" direction=\"horisontal\"/>\n"
    "      <label>\tTabbed\ttext\n"
    "   over two lines</label>\n"
    "    </stack>\n"
    "    <?editor keep=\"yes\"?>\n"
    "    <!note \"panel layout\">\n"
    "  </window>\n"
    "</workspace>\n"
    "</vistrel>\n";

std::string writeOf(XmlParser& parser) {
    std::string out;
    parser.writeToString(out, "\t");
    return out;
}

void parse(XmlParser& parser, const std::string& text) {
    testing::internal::CaptureStdout();
    std::string error;
    try {
        parser.parse(text);
    } catch (const norvane::Exception& e) {
        error = e.what();
    }
    testing::internal::GetCapturedStdout();
    if (!error.empty()) ADD_FAILURE() << error << "\nwhen parsing:\n" << text;
}

// Tags and structure of two trees agree.
void expectSameTree(const XmlNode& a, const XmlNode& b, const std::string& path) {
    const XmlTag& x = a.tag();
    const XmlTag& y = b.tag();
    EXPECT_EQ(x.kind(), y.kind()) << path;
    EXPECT_EQ(x.closed(), y.closed()) << path;
    EXPECT_EQ(x.name(), y.name()) << path;
    EXPECT_EQ(x.attributes(), y.attributes()) << path;
    ASSERT_EQ(a.childCount(), b.childCount()) << path;
    for (int i = 0; i < a.childCount(); ++i) {
        expectSameTree(*a.child(i), *b.child(i), path + "/" + x.name() + "[" + std::to_string(i) + "]");
    }
}

// Reads text, writes it, reads and writes again: the same tree and the same bytes.
std::string expectStableRoundTrip(const std::string& text) {
    XmlParser original;
    parse(original, text);
    const std::string first = writeOf(original);
    XmlParser reread;
    parse(reread, first);
    expectSameTree(original.root(), reread.root(), "");
    EXPECT_EQ(original.header().attributes(), reread.header().attributes());
    const std::string second = writeOf(reread);
    EXPECT_EQ(first, second);
    XmlParser third;
    parse(third, second);
    EXPECT_EQ(writeOf(third), second);
    return first;
}

const XmlTag* findText(XmlNode& node) {
    for (int i = 0; i < node.childCount(); ++i) {
        XmlNode* child = node.child(i);
        if (child->tag().kind() == XmlTag::Text) return &child->tag();
        if (const XmlTag* found = findText(*child)) return found;
    }
    return nullptr;
}

} // namespace

TEST(XmlRoundTrip, SetupFile) {
    const std::string first = expectStableRoundTrip(kSetup);
    // The header and the comments around the root survive; CRs are gone.
    EXPECT_EQ(first.substr(0, first.find("<demo>")),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\n<!-- Local settings, rewritten on exit -->\n");
    EXPECT_EQ(first.substr(first.find("</demo>")), "</demo>\n<!-- written by hand -->");
    EXPECT_EQ(first.find('\r'), std::string::npos);
    EXPECT_NE(first.find("title='The \"Halcyra\" demo'"), std::string::npos);
    EXPECT_NE(first.find("\t<!-- the timeline -->\n"), std::string::npos);
}

TEST(XmlRoundTrip, TimelineScript) {
    const std::string first = expectStableRoundTrip(kScript);
    EXPECT_NE(first.find("\t\t\t<key time=\"5\" value=\"0.3\"/>\n"), std::string::npos);
    EXPECT_NE(first.find("\t\t<effect name=\"flash\" start=\"2\" end=\"2.25\"/>\n"), std::string::npos);
}

TEST(XmlRoundTrip, GuiLayoutWithText) {
    expectStableRoundTrip(kLayout);
    XmlParser parser;
    parse(parser, kLayout);
    std::string text = writeOf(parser);
    // Text reads back as it was read, without added quotes, however often it is saved.
    for (int save = 0; save < 5; ++save) {
        XmlParser again;
        parse(again, text);
        const XmlTag* label = findText(again.root());
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->getAttribute("content"), "Start &amp; end  ");
        text = writeOf(again);
    }
    EXPECT_EQ(text, writeOf(parser));
}

TEST(XmlRoundTrip, SetupRewrittenOnEveryExitKeepsItsSize) {
    std::string file = kSetup;
    std::string previous;
    for (int exitCount = 0; exitCount < 6; ++exitCount) {
        XmlParser setup;
        parse(setup, file);
        XmlParser::Iterator it = setup.children("");
        while (++it) {
            if (it->name() == "display") it->setAttributeInt("fullscreen", 1);
            if (it->name() == "time") it->setAttributeDouble("start", it->getFloat("start"));
            if (it->name() == "music") it->setAttributeInt("mute", it->getInt("mute"));
        }
        file = writeOf(setup);
        if (exitCount > 0) {
            EXPECT_EQ(file, previous) << "save " << exitCount;
        }
        previous = file;
    }
    XmlParser last;
    parse(last, file);
    XmlParser::Iterator display = last.children("display");
    ASSERT_TRUE(++display);
    EXPECT_EQ(display->getInt("fullscreen"), 1);
    EXPECT_EQ(display->getAttribute("title"), "The \"Halcyra\" demo");
    XmlParser::Iterator time = last.children("time");
    ASSERT_TRUE(++time);
    EXPECT_EQ(time->getFloat("start"), 12.5f);
}

TEST(XmlRoundTrip, OddFormsKeepTheirMeaning) {
    for (const char* text : {
             "<a><a></a></a>",                       // an empty child named as its parent
             "<a><b>x</b><b/>tail </a>",             // text before end tags and tags
             "<a>one<!--c-->two<?p?>three</a>",      // text around other kinds
             "<a></b></a x='1'></a>",                // end tags that are children
             "<a><//x='1'></a>",                     // a closed element without a name
             "<><b/></>",                            // a root without a name
             "<a><! \"q\" 'say \"so\"' w ''></a>",   // special tags of quoted words
             "<a><!DOCTYPE><!b c d></a>",            // special tags with empty values
             "<a><? x='1'?><?y='2'?></a>",           // declarations without names
             "<a>\r\n\t<b\tc = 'd\te'/>\r\n</a>",   // tabs and carriage returns
             "<a><!--\r\n-- x -- \t--></a>",        // comments keep every byte
         }) {
        SCOPED_TRACE(text);
        expectStableRoundTrip(text);
    }
}
