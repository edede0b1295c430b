#include "nvn_system.h"
#include "xml/xml_parser.h"

#include "growth_timing.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using norvane::xml::IteratorConst;
using norvane::xml::XmlNode;
using norvane::xml::XmlParser;
using norvane::xml::XmlTag;

namespace {

// The error text of parsing text, or "" when it parses; the log lines go to logged.
std::string parseError(XmlParser& parser, const std::string& text, std::string* logged = nullptr) {
    testing::internal::CaptureStdout();
    std::string error;
    try {
        parser.parse(text);
    } catch (const norvane::Exception& e) {
        error = e.what();
    }
    const std::string log = testing::internal::GetCapturedStdout();
    if (logged) *logged = log;
    return error;
}

std::string parseError(const std::string& text) {
    XmlParser parser;
    return parseError(parser, text);
}

void parseOk(XmlParser& parser, const std::string& text) { ASSERT_EQ(parseError(parser, text), "") << text; }

const XmlTag& childTag(XmlParser& parser, int i) { return parser.root().child(i)->tag(); }

} // namespace

TEST(XmlReader, ElementsAndAttributesInOrder) {
    XmlParser parser;
    parseOk(parser, "<a><b x='1' y=\"2\"/></a>");
    EXPECT_EQ(parser.root().tag().name(), "a");
    ASSERT_EQ(parser.root().childCount(), 1);
    const XmlTag& b = childTag(parser, 0);
    EXPECT_EQ(b.name(), "b");
    EXPECT_TRUE(b.closed());
    ASSERT_EQ(b.attributes().size(), 2u);
    EXPECT_EQ(b.attributes()[0], XmlTag::Attribute("x", "1"));
    EXPECT_EQ(b.attributes()[1], XmlTag::Attribute("y", "2"));
}

TEST(XmlReader, BareValuesAndRepeatedNames) {
    XmlParser parser;
    parseOk(parser, "<a x=12 y = 'q' x=\"3\"></a>");
    const XmlTag& a = parser.root().tag();
    ASSERT_EQ(a.attributes().size(), 2u);
    EXPECT_EQ(a.attributes()[0], XmlTag::Attribute("x", "3"));
    EXPECT_EQ(a.attributes()[1], XmlTag::Attribute("y", "q"));
    // ':' belongs to element names only.
    EXPECT_NE(parseError("<a ns:tag=\"no\"></a>"), "");
}

TEST(XmlReader, ManyAttributesReadInLinearTime) {
    // Attributes of one tag, the last three repeating earlier names; and a header declared twice
    // with as many, the second adding to the first.
    auto textOf = [](int count) {
        std::string attributes;
        for (int i = 0; i < count; ++i) attributes += " a" + std::to_string(i) + "='" + std::to_string(i) + "'";
        return "<?xml" + attributes + "?><?xml b='1'" + attributes + " a5='h'?><r" + attributes + " a7='x' a" +
               std::to_string(count - 1) + "='y' a7='z'></r>";
    };
    const std::string small = textOf(2000), text = textOf(20000);
    XmlParser parser;
    auto parse = [&](const std::string& xml) {
        parser.clear();
        parseOk(parser, xml);
    };
    // Checking each name against all earlier ones made ten times the attributes take a hundred
    // times as long.
    const double smallSeconds = growthtest::fastestSeconds(5, [&] { parse(small); });
    const double seconds = growthtest::fastestSeconds(3, [&] { parse(text); });
    EXPECT_LT(seconds, growthtest::kTenfoldInputLimit * smallSeconds) << smallSeconds << " s for 2,000";
    const XmlTag::Attributes& read = parser.root().tag().attributes();
    ASSERT_EQ(read.size(), 20000u);
    EXPECT_EQ(read[6], XmlTag::Attribute("a6", "6"));
    EXPECT_EQ(read[7], XmlTag::Attribute("a7", "z"));
    EXPECT_EQ(read[19999], XmlTag::Attribute("a19999", "y"));
    const XmlTag::Attributes& header = parser.header().attributes();
    ASSERT_EQ(header.size(), 20001u);
    EXPECT_EQ(header[5], XmlTag::Attribute("a5", "h"));
    EXPECT_EQ(header[20000], XmlTag::Attribute("b", "1"));
}

TEST(XmlReader, BareValueThatIsNoWordFailsWithItsPlace) {
    XmlParser parser;
    std::string log;
    EXPECT_EQ(parseError(parser, "<a x=-1>", &log),
              "(error at line 1, col 7); '=' expected! (when reading tag at 1:1)");
    // Both the inner and the wrapping text reach the log.
    EXPECT_NE(log.find("[error][Exception::Exception], '=' expected!"), std::string::npos);
    EXPECT_NE(log.find("(error at line 1, col 7)"), std::string::npos);
    EXPECT_EQ(parser.root().tag().getAttribute("x"), "");
}

TEST(XmlReader, QuotedValuesEndOnTheirLine) {
    EXPECT_EQ(parseError("<a x=\"one\ntwo\"/>"),
              "(error at line 1, col 10); You must close the value using \" (when reading tag at 1:1)");
    EXPECT_EQ(parseError("<a x='one"), "(error at line 1, col 10); EOF (when reading tag at 1:1)");
}

TEST(XmlReader, TextBetweenTags) {
    XmlParser parser;
    parseOk(parser, "<a>hello <b/>world</a>");
    ASSERT_EQ(parser.root().childCount(), 3);
    EXPECT_EQ(childTag(parser, 0).kind(), XmlTag::Text);
    EXPECT_EQ(childTag(parser, 0).name(), "!!!text");
    EXPECT_EQ(childTag(parser, 0).getAttribute("content"), "hello ");
    EXPECT_EQ(childTag(parser, 1).name(), "b");
    EXPECT_EQ(childTag(parser, 2).getAttribute("content"), "world");
}

TEST(XmlReader, TextKeepsEntitiesAndLineBreaksButNotTabsOrCarriageReturns) {
    XmlParser parser;
    parseOk(parser, "<a>\n  x &amp;\ty\r\nz\n</a>");
    EXPECT_EQ(childTag(parser, 0).getAttribute("content"), "x &amp;    y\nz\n");
}

TEST(XmlReader, EndTagsAndSelfClosingTags) {
    XmlParser inner;
    parseOk(inner, "<a><a/></a>");
    EXPECT_EQ(inner.root().childCount(), 0); // the inner a ended the outer one
    EXPECT_TRUE(inner.root().tag().closed());

    XmlParser other;
    parseOk(other, "<a></b></a>");
    ASSERT_EQ(other.root().childCount(), 1);
    EXPECT_EQ(childTag(other, 0).name(), "b");
    EXPECT_TRUE(childTag(other, 0).closed());

    XmlParser withAttributes;
    parseOk(withAttributes, "<a></a x='1'></a>");
    ASSERT_EQ(withAttributes.root().childCount(), 1);
    EXPECT_EQ(childTag(withAttributes, 0).getAttribute("x"), "1");

    // An end tag left out: the text ends inside the element, which is named with its line.
    EXPECT_EQ(parseError("<script>\n<effect name='a'>\n\t<trigger/>\n<effect name='b'></effect>\n</script>\n"),
              "(error at line 6, col 1); EOF (when reading tag at 5:10); 'effect' opened at line 2 is not closed");
}

TEST(XmlReader, HeaderAndRoot) {
    EXPECT_EQ(parseError("<?xml version=\"1.0\"?><!-- c --><r/>"),
              "(error at line 1, col 36); Root tag is closed! (when reading tag at 1:32)");
    XmlParser parser;
    parseOk(parser, "<?xml version=\"1.0\"?>\n<?xml encoding='UTF-8' version=\"1.1\"?><?other a='1'?><r></r>");
    EXPECT_EQ(parser.header().name(), "xml");
    ASSERT_EQ(parser.header().attributes().size(), 2u);
    EXPECT_EQ(parser.header().getAttribute("version"), "1.1");
    EXPECT_EQ(parser.header().getAttribute("encoding"), "UTF-8");
    EXPECT_EQ(parser.root().tag().name(), "r");
    EXPECT_EQ(parser.root().childCount(), 0);
    EXPECT_TRUE(parser.root().tag().closed());
}

TEST(XmlReader, ParsesOnceUntilCleared) {
    XmlParser parser;
    parseOk(parser, "<a><b/></a>");
    EXPECT_NE(parseError(parser, "<c></c>").find("Parser has already parsed a xml-file, use clear() first!"),
              std::string::npos);
    parser.clear();
    parseOk(parser, "<c><d/></c>");
    EXPECT_EQ(parser.root().tag().name(), "c");
    EXPECT_EQ(parser.root().childCount(), 1);

    // A root without a name counts as parsed too, once it has content.
    XmlParser unnamed;
    parseOk(unnamed, "<><b/></>");
    EXPECT_NE(parseError(unnamed, "<><c/></>"), "");
    EXPECT_EQ(unnamed.root().childCount(), 1);
}

TEST(XmlReader, ColumnsCountTabsAsFourAndCarriageReturnsAsNothing) {
    EXPECT_EQ(parseError("<a>\n\t<b -/>"), "(error at line 2, col 9); '=' expected! (when reading tag at 1:4)");
    EXPECT_EQ(parseError("<a>\r\n\r<b -/>"), "(error at line 2, col 5); '=' expected! (when reading tag at 1:4)");
    // Inside a comment a CR counts one column.
    EXPECT_EQ(parseError("<a><!--\r\r-->x"),
              "(error at line 1, col 14); EOF (when reading tag at 1:14); 'a' opened at line 1 is not closed");
}

TEST(XmlReader, Comments) {
    XmlParser parser;
    parseOk(parser, "<a><!-- --><!--a--b--><!--\r\n\tx--></a>");
    ASSERT_EQ(parser.root().childCount(), 3);
    EXPECT_EQ(childTag(parser, 0).kind(), XmlTag::Comment);
    EXPECT_EQ(childTag(parser, 0).name(), "COMMENT");
    EXPECT_EQ(childTag(parser, 0).getAttribute("content"), " ");
    EXPECT_EQ(childTag(parser, 1).getAttribute("content"), "a--b");
    EXPECT_EQ(childTag(parser, 2).getAttribute("content"), "\r\n\tx");
    EXPECT_NE(parseError("<a><!----></a>").find("Xml: Ill formatted comment!"), std::string::npos);
    EXPECT_NE(parseError("<a><!-- x ---></a>").find("Xml: Ill formatted comment!"), std::string::npos);
    EXPECT_NE(parseError("<a><!-- never ends").find("EOF"), std::string::npos);
}

TEST(XmlReader, Names) {
    XmlParser parser;
    parseOk(parser, "<ns:tag></ns:tag>");
    EXPECT_EQ(parser.root().tag().name(), "ns:tag");
    for (const char* bad : {"<my-tag/>", "<my_tag/>", "<my.tag/>"}) {
        EXPECT_NE(parseError(bad).find("'=' expected!"), std::string::npos) << bad;
    }
}

TEST(XmlReader, DocumentsWithoutAnElementEndWithEof) {
    for (const char* text : {"", "   ", "<?xml version='1.0'?>", "<!-- a --><!-- b -->", "just text", "<a>", "<a><b>",
                             "<a", "<a x", "<a x=", "<?xml", "<?xml v='1'", "<!", "<!DOCTYPE"}) {
        EXPECT_NE(parseError(text).find("EOF"), std::string::npos) << text;
    }
}

TEST(XmlReader, Declarations) {
    XmlParser parser;
    parseOk(parser, "<a><?pi k=\"v\"?></a>");
    ASSERT_EQ(parser.root().childCount(), 1);
    EXPECT_EQ(childTag(parser, 0).kind(), XmlTag::Declaration);
    EXPECT_EQ(childTag(parser, 0).getAttribute("k"), "v");
    EXPECT_NE(parseError("<?xml version='1'? ><a></a>").find("Xml: Ill formed <?xml?> tag"), std::string::npos);
    EXPECT_NE(parseError("<?xml version='1'><a></a>").find("forgot to close it using '?>'?"), std::string::npos);
}

TEST(XmlReader, SpecialTagsPairTheirWords) {
    XmlParser parser;
    parseOk(parser, "<!DOCTYPE html><a><!x y 'q r' z></a>");
    ASSERT_EQ(parser.root().childCount(), 1);
    const XmlTag& special = childTag(parser, 0);
    EXPECT_EQ(special.kind(), XmlTag::Special);
    EXPECT_EQ(special.name(), "SPECIAL_EXCLAIM");
    ASSERT_EQ(special.attributes().size(), 3u);
    EXPECT_EQ(special.attributes()[0], XmlTag::Attribute("x", "y"));
    EXPECT_EQ(special.attributes()[1], XmlTag::Attribute("", "q r")); // a quoted word is a value, not a name
    EXPECT_EQ(special.attributes()[2], XmlTag::Attribute("z", ""));
}

TEST(XmlReader, SpecialTagWithAStrayByteFailsInsteadOfLooping) {
    EXPECT_EQ(parseError("<!DOCTYPE a (b)><a></a>"),
              "(error at line 1, col 13); Xml: Ill formed <! tag, unexpected '(' (when reading tag at 1:1)");
    EXPECT_NE(parseError("<a><!x=1></a>").find("unexpected '='"), std::string::npos);
    EXPECT_NE(parseError(std::string("<a><!\x01></a>")).find("unexpected byte 0x01"), std::string::npos);
}

TEST(XmlReader, NestingDepthIsLimited) {
    const int limit = XmlParser::MaxDepth;
    std::string deepest;
    for (int i = 0; i < limit; ++i) deepest += "<e>";
    deepest += "<leaf/>";
    for (int i = 0; i < limit; ++i) deepest += "</e>";
    XmlParser ok;
    parseOk(ok, deepest);

    std::string tooDeep;
    for (int i = 0; i <= limit; ++i) tooDeep += "<e>";
    EXPECT_EQ(parseError(tooDeep), "(error at line 1, col " + std::to_string(3 * (limit + 1) + 1) +
                                       "); Xml: Elements nest deeper than 256 levels! (when reading tag at 1:" +
                                       std::to_string(3 * limit + 1) + ")");

    std::string huge(300000, ' ');
    for (size_t i = 0; i < huge.size(); i += 3) huge.replace(i, 3, "<e>");
    EXPECT_NE(parseError(huge).find("nest deeper"), std::string::npos);
}

TEST(XmlReader, ErrorsLeaveWhatWasReadForTheCallerToDiscard) {
    XmlParser parser;
    EXPECT_NE(parseError(parser, "<a><b/><c x='1'/><d"), "");
    EXPECT_EQ(parser.root().tag().name(), "a");
    EXPECT_EQ(parser.root().childCount(), 2);
    parser.clear();
    parseOk(parser, "<z></z>");
}

TEST(XmlReader, BytesAfterTheRootAreNotRead) {
    XmlParser parser;
    parseOk(parser, "<a></a> \n<<<garbage");
    EXPECT_EQ(parser.root().tag().name(), "a");
    EXPECT_EQ(parser.epilog(), "<<<garbage"); // kept as it stood, for writing back
}

TEST(XmlReader, TextOfOtherEncodingsIsRefusedByItsByteOrderMark) {
    const std::pair<std::string, const char*> marks[] = {
        {std::string("\xFF\xFE<\0a\0", 6), "UTF-16 (little-endian)"},
        {std::string("\xFE\xFF\0<\0a", 6), "UTF-16 (big-endian)"},
        {std::string("\xFF\xFE\0\0<\0\0\0", 8), "UTF-32 (little-endian)"},
        {std::string("\0\0\xFE\xFF\0\0\0<", 8), "UTF-32 (big-endian)"},
        // Without a mark, by the zero bytes around the first characters.
        {std::string("<\0s\0", 4), "UTF-16 (little-endian)"},
        {std::string("\0\n\0<", 4), "UTF-16 (big-endian)"},
        {std::string("<\0\0\0s\0\0\0", 8), "UTF-32 (little-endian)"},
        {std::string("\0\0\0<\0\0\0s", 8), "UTF-32 (big-endian)"},
    };
    for (const auto& mark : marks) {
        EXPECT_EQ(parseError(mark.first),
                  std::string("Xml: The text is ") + mark.second + "; the file must be saved as UTF-8");
    }
    EXPECT_EQ(parseError(std::string(4096, '\0')), "Xml: The text starts with a NUL byte: the file is damaged or not text");
}

TEST(XmlReader, LengthBoundsTheInput) {
    const char text[] = "<a></a>trailing";
    XmlParser parser;
    testing::internal::CaptureStdout();
    EXPECT_THROW(parser.parse(text, 6), norvane::Exception); // "</a" without its '>'
    testing::internal::GetCapturedStdout();
    XmlParser whole;
    EXPECT_NO_THROW(whole.parse(text, 7));
    XmlParser none;
    testing::internal::CaptureStdout();
    EXPECT_THROW(none.parse(nullptr, 0), norvane::Exception);
    EXPECT_THROW(none.parse(text, -5), norvane::Exception);
    testing::internal::GetCapturedStdout();
}

TEST(XmlCursor, ReadsAndCountsByTheColumnRule) {
    using norvane::xml::InputCursor;
    const std::string text = "ab1:-\tx\r\ny z'\tq\r\n";
    InputCursor cursor(text.data(), static_cast<int>(text.size()));
    EXPECT_EQ(cursor.readWhile(""), "ab1");
    EXPECT_EQ(cursor.readWhile(":-"), ":-");
    EXPECT_EQ(cursor.column(), 6);
    EXPECT_EQ(cursor.readUntil("y"), "    x\n"); // TAB as four spaces, CR dropped
    EXPECT_EQ(cursor.line(), 2);
    EXPECT_EQ(cursor.column(), 1);
    EXPECT_EQ(cursor.peek(2), 'z');
    EXPECT_EQ(cursor.get(), 'y');
    cursor.skipWhitespace();
    EXPECT_EQ(cursor.readUntilOnLine("'"), "z");
    cursor.advance(1);
    EXPECT_EQ(cursor.readUntilOnLine("'"), "    q"); // ends before the LF
    EXPECT_EQ(cursor.column(), 10);
    EXPECT_EQ(cursor.get(), '\n');
    EXPECT_TRUE(cursor.atEnd());
    EXPECT_EQ(cursor.readWhile(""), ""); // the end is no error for runs
    testing::internal::CaptureStdout();
    EXPECT_THROW(cursor.get(), norvane::Exception);
    EXPECT_THROW(cursor.peek(0), norvane::Exception);
    EXPECT_THROW(cursor.advance(1), norvane::Exception);
    testing::internal::GetCapturedStdout();

    const std::string crs = "\r\r";
    InputCursor counting(crs.data(), 2);
    counting.get(); // get alone counts a CR
    EXPECT_EQ(counting.column(), 2);
    counting.advance(1);
    EXPECT_EQ(counting.column(), 2);
}
