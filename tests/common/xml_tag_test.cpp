#include "nvn_system.h"
#include "xml/xml_tag.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <sstream>
#include <string>

using norvane::xml::XmlTag;

namespace {

XmlTag withValue(const std::string& value) {
    XmlTag tag;
    tag.setName("t");
    tag.setAttribute("v", value);
    return tag;
}

std::string written(const XmlTag& tag, bool allowClosedForm = true) {
    std::ostringstream out;
    tag.write(out, allowClosedForm);
    return out.str();
}

std::string writeError(const XmlTag& tag) {
    testing::internal::CaptureStdout();
    std::string text;
    try {
        written(tag);
    } catch (const norvane::Exception& e) {
        text = e.what();
    }
    testing::internal::GetCapturedStdout();
    return text;
}

} // namespace

TEST(XmlTag, IntGetterTakesTheBaseFromThePrefix) {
    EXPECT_EQ(withValue("010").getInt("v"), 8);
    EXPECT_EQ(withValue("0x1F").getInt("v"), 31);
    EXPECT_EQ(withValue("0X1f").getInt("v"), 31);
    EXPECT_EQ(withValue("08").getInt("v"), 0);
    EXPECT_EQ(withValue("12abc").getInt("v"), 12);
    EXPECT_EQ(withValue("  -7").getInt("v"), -7);
    EXPECT_EQ(withValue("+3").getInt("v"), 3);
    EXPECT_EQ(withValue("abc").getInt("v"), 0);
    EXPECT_EQ(XmlTag().getInt("missing"), 0);
}

TEST(XmlTag, IntGetterClampsWhatDoesNotFit) {
    EXPECT_EQ(withValue("2147483647").getInt("v"), INT_MAX);
    EXPECT_EQ(withValue("2147483648").getInt("v"), INT_MAX);
    EXPECT_EQ(withValue("-2147483649").getInt("v"), INT_MIN);
    EXPECT_EQ(withValue("0xFFFFFFFFFFFFFFFFFFFF").getInt("v"), INT_MAX);
    EXPECT_EQ(withValue("-99999999999999999999999").getInt("v"), INT_MIN);
}

TEST(XmlTag, FloatGetter) {
    EXPECT_EQ(withValue("1.5e2").getFloat("v"), 150.0f);
    EXPECT_EQ(withValue("-0.25xyz").getFloat("v"), -0.25f);
    EXPECT_EQ(XmlTag().getFloat("missing"), 0.0f);
    EXPECT_EQ(withValue("nothing").getFloat("v"), 0.0f);
    EXPECT_TRUE(std::isinf(withValue("1e300").getFloat("v")));
    EXPECT_LT(withValue("-1e300").getFloat("v"), 0.0f);
}

TEST(XmlTag, SettersReplaceTheFirstMatchInPlace) {
    XmlTag tag;
    tag.setAttribute("a", "1");
    tag.setAttribute("b", "x");
    tag.setAttribute("a", "2");
    ASSERT_EQ(tag.attributes().size(), 2u);
    EXPECT_EQ(tag.attributes()[0], XmlTag::Attribute("a", "2"));
    EXPECT_EQ(tag.attributes()[1], XmlTag::Attribute("b", "x"));
    EXPECT_EQ(tag.getAttribute("A"), ""); // names are case-sensitive
}

TEST(XmlTag, NumberSettersFormatting) {
    XmlTag tag;
    tag.setAttributeDouble("d", 0.1);
    EXPECT_EQ(tag.getAttribute("d"), "0.1000000000000000055511151");
    tag.setAttributeInt("i", -42);
    EXPECT_EQ(tag.getAttribute("i"), "-42");
    tag.setAttributeInt("i", INT_MIN);
    EXPECT_EQ(tag.getInt("i"), INT_MIN);
    tag.setAttributeDouble("d", 12.5);
    EXPECT_EQ(tag.getAttribute("d"), "12.5");
}

TEST(XmlTag, FreshAndClearedTagsAreClosedEmptyElements) {
    XmlTag tag;
    EXPECT_EQ(tag.kind(), XmlTag::Element);
    EXPECT_TRUE(tag.closed());
    EXPECT_TRUE(tag.name().empty());
    tag.setKind(XmlTag::Comment);
    tag.setClosed(false);
    tag.setName("x");
    tag.setAttribute("a", "b");
    XmlTag copy(tag);
    tag.clear();
    EXPECT_EQ(tag.kind(), XmlTag::Element);
    EXPECT_TRUE(tag.closed());
    EXPECT_TRUE(tag.name().empty());
    EXPECT_TRUE(tag.attributes().empty());
    EXPECT_EQ(copy.getAttribute("a"), "b"); // copies share nothing
    EXPECT_EQ(copy.name(), "x");
}

TEST(XmlTagWrite, EveryKind) {
    XmlTag element;
    element.setName("time");
    element.setAttribute("start", "0");
    EXPECT_EQ(written(element), "<time start=\"0\"/>\n");
    EXPECT_EQ(written(element, false), "<time start=\"0\">\n");

    XmlTag comment;
    comment.setKind(XmlTag::Comment);
    comment.setAttribute("content", " note ");
    EXPECT_EQ(written(comment), "<!-- note -->\n");

    XmlTag declaration;
    declaration.setKind(XmlTag::Declaration);
    declaration.setName("xml");
    declaration.setAttribute("version", "1.0");
    EXPECT_EQ(written(declaration), "<?xml version=\"1.0\"?>\n");

    XmlTag special;
    special.setKind(XmlTag::Special);
    special.setAttribute("DOCTYPE", "html");
    special.setAttribute("PUBLIC", "-//W3C//DTD");
    EXPECT_EQ(written(special), "<!DOCTYPE html PUBLIC \"-//W3C//DTD\">\n");

    XmlTag text;
    text.setKind(XmlTag::Text);
    text.setAttribute("content", "hello ");
    EXPECT_EQ(written(text), "hello "); // no apostrophes, no line break

    XmlTag unknown;
    unknown.setKind(9);
    EXPECT_EQ(writeError(unknown), "XmlTag::write; Unknown tagtype!");
}

TEST(XmlTagWrite, QuotesThatReadBack) {
    EXPECT_EQ(written(withValue("say \"hi\"")), "<t v='say \"hi\"'/>\n");
    EXPECT_EQ(written(withValue("it's")), "<t v=\"it's\"/>\n");
    EXPECT_EQ(written(withValue("a&amp;b")), "<t v=\"a&amp;b\"/>\n"); // nothing is escaped
}

TEST(XmlTagWrite, RefusesWhatWouldNotReadBack) {
    EXPECT_NE(writeError(withValue("both ' and \"")), "");
    // The reader stores a tab as four spaces and drops a carriage return.
    for (const char* value : {"two\nlines", "a\tb", "a\r"}) EXPECT_NE(writeError(withValue(value)), "") << value;
    XmlTag badName;
    badName.setName("my-tag");
    EXPECT_NE(writeError(badName), "");
    XmlTag badAttribute;
    badAttribute.setAttribute("a b", "1");
    EXPECT_NE(writeError(badAttribute), "");
    XmlTag comment;
    comment.setKind(XmlTag::Comment);
    for (const char* content : {"", "ends-", "holds --> an end"}) {
        comment.setAttribute("content", content);
        EXPECT_NE(writeError(comment), "") << content;
    }
    XmlTag text;
    text.setKind(XmlTag::Text);
    // Nor can a text keep tabs, carriage returns or the blank space that starts it, and an empty one vanishes.
    for (const char* content : {"a < b", "a\tb", "a\r\n", " a", "\na", ""}) {
        text.setAttribute("content", content);
        EXPECT_NE(writeError(text), "") << content;
    }
}
