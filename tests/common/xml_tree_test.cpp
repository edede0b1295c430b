#include "nvn_system.h"
#include "xml/xml_parser.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using norvane::xml::IteratorConst;
using norvane::xml::XmlNode;
using norvane::xml::XmlParser;
using norvane::xml::XmlTag;

namespace {

XmlTag element(const std::string& name) {
    XmlTag tag;
    tag.setName(name);
    return tag;
}

// Runs f and returns the text of the Exception it throws, or "".
template <typename F>
std::string errorOf(F f) {
    testing::internal::CaptureStdout();
    std::string text;
    try {
        f();
    } catch (const norvane::Exception& e) {
        text = e.what();
    }
    testing::internal::GetCapturedStdout();
    return text;
}

// A root "script" with children of the given names.
void build(XmlParser& parser, std::initializer_list<const char*> names) {
    XmlParser::Iterator it = parser.children("");
    it.setParentTag(element("script"));
    for (const char* name : names) it.insertChild(element(name));
}

std::string written(XmlParser& parser, const std::string& indent = "\t") {
    std::string out;
    parser.writeToString(out, indent);
    return out;
}

} // namespace

TEST(XmlIterator, EmptyNode) {
    XmlParser parser;
    build(parser, {});
    IteratorConst it = parser.childrenConst("");
    EXPECT_FALSE(++it);
    EXPECT_EQ(it.index(), 0);
    EXPECT_EQ(errorOf([&] { ++it; }), "IteratorConst::operator++; Called after last tag!");
    XmlParser::Iterator other = parser.children("");
    EXPECT_FALSE(++other);
    EXPECT_EQ(errorOf([&] { ++other; }), "IteratorConst::operator++; Called after last tag!");
}

TEST(XmlIterator, FilterVisitsMatchingChildrenOnly) {
    XmlParser parser;
    build(parser, {"effect", "spline", "effect", "spline"});
    IteratorConst it = parser.childrenConst("effect");
    ASSERT_TRUE(++it);
    EXPECT_EQ(it.index(), 0);
    ASSERT_TRUE(++it);
    EXPECT_EQ(it.index(), 2);
    EXPECT_FALSE(++it);
    EXPECT_EQ(it.index(), 2);

    XmlParser three;
    build(three, {"effect", "spline", "effect"});
    IteratorConst it3 = three.childrenConst("effect");
    EXPECT_TRUE(++it3);
    EXPECT_TRUE(++it3);
    EXPECT_FALSE(++it3);
    EXPECT_EQ(it3.index(), 3);
    EXPECT_EQ(it3.parentTag().name(), "script");
}

TEST(XmlIterator, AccessOutsideTheChildrenThrows) {
    XmlParser parser;
    build(parser, {"a"});
    IteratorConst it = parser.childrenConst("");
    EXPECT_EQ(errorOf([&] { it->name(); }), "IteratorConst::operator->; Can't access before first element!");
    EXPECT_EQ(errorOf([&] { it.children(""); }), "IteratorConst::operator->; Can't access before first element!");
    ASSERT_TRUE(++it);
    EXPECT_EQ(it->name(), "a");
    EXPECT_FALSE(++it);
    EXPECT_EQ(errorOf([&] { it->name(); }), "IteratorConst::operator->; Can't access after last element!");
    EXPECT_EQ(errorOf([&] { it.children(""); }), "IteratorConst::operator->; Can't access after last element!");

    XmlParser::Iterator mutableIt = parser.children("nothing");
    EXPECT_EQ(errorOf([&] { mutableIt->name(); }),
              "XmlParser::Iterator::operator->; Can't access before first element, try operator++ first!");
    EXPECT_FALSE(++mutableIt);
    EXPECT_EQ(errorOf([&] { mutableIt->name(); }),
              "XmlParser::Iterator::operator->; Can't access after last element, no Tags matching searchCriteria?");
    EXPECT_EQ(errorOf([&] { mutableIt.children(""); }),
              "XmlParser::Iterator::operator->; Can't access after last element, no Tags matching searchCriteria?");
}

TEST(XmlIterator, StaleIteratorAfterTheChildrenShrankIsSafe) {
    XmlParser parser;
    build(parser, {"a", "b"});
    IteratorConst it = parser.childrenConst("");
    ++it;
    ++it;
    XmlNode* b = parser.root().child(1);
    EXPECT_EQ(parser.root().detachChild(b), 1);
    delete b;
    EXPECT_EQ(errorOf([&] { it->name(); }), "IteratorConst::operator->; Can't access after last element!");
    EXPECT_FALSE(++it);
}

TEST(XmlIterator, InsertBuildsChildrenInCallingOrder) {
    XmlParser parser;
    XmlParser::Iterator it = parser.children("");
    it.setParentTag(element("root"));
    XmlParser::Iterator inside = it.insertChild(element("first"));
    EXPECT_EQ(it.index(), 0);
    EXPECT_EQ(it->name(), "first");
    it.insertChild(element("second"));
    it.insertChild(element("third"));
    inside.insertChild(element("grandchild"));
    ASSERT_EQ(parser.root().childCount(), 3);
    EXPECT_EQ(parser.root().child(1)->tag().name(), "second");
    EXPECT_EQ(parser.root().child(2)->tag().name(), "third");
    EXPECT_EQ(parser.root().child(0)->child(0)->tag().name(), "grandchild");
    EXPECT_EQ(parser.root().child(0)->child(0)->parent(), parser.root().child(0));
    EXPECT_FALSE(parser.root().child(0)->tag().closed()); // it has content now

    // An iterator that ran past the end appends.
    IteratorConst readAll = parser.childrenConst("");
    XmlParser::Iterator atEnd = parser.children("");
    while (++atEnd) {
    }
    atEnd.insertChild(element("last"));
    EXPECT_EQ(parser.root().child(3)->tag().name(), "last");
    EXPECT_EQ(atEnd->name(), "last");
}

TEST(XmlNode, InsertAtAnyIndex) {
    XmlNode node(nullptr);
    node.insertChild(element("b"), -1);
    node.insertChild(element("a"), 0);
    node.insertChild(element("d"), 2);
    node.insertChild(element("e"), 99);
    node.insertChild(element("f"), -7);
    node.insertChild(element("c"), 2);
    std::string names;
    for (int i = 0; i < node.childCount(); ++i) names += node.child(i)->tag().name();
    EXPECT_EQ(names, "abcdef");
    EXPECT_EQ(node.child(6), nullptr);
    EXPECT_EQ(node.child(-1), nullptr);
}

TEST(XmlNode, DetachAndClear) {
    XmlNode root(nullptr);
    root.tag().setName("root");
    root.insertChild(element("a"), -1);
    XmlNode* a = root.child(0);
    XmlNode stranger(nullptr);
    EXPECT_NE(errorOf([&] { root.detachChild(&stranger); }).find("No such child in 'root'"), std::string::npos);
    EXPECT_EQ(root.detachChild(a), 0);
    EXPECT_EQ(a->parent(), nullptr);
    EXPECT_EQ(root.childCount(), 0);
    delete a; // a detached node goes without touching its former parent

    root.insertChild(element("b"), -1);
    XmlNode* b = root.child(0);
    b->insertChild(element("c"), -1);
    b->clear(); // leaves the parent, drops its subtree
    EXPECT_EQ(root.childCount(), 0);
    EXPECT_EQ(b->childCount(), 0);
    EXPECT_EQ(b->parent(), nullptr);
    delete b;

    root.insertChild(element("d"), -1);
    delete root.child(0); // a child deleted on its own leaves its parent
    EXPECT_EQ(root.childCount(), 0);
}

TEST(XmlNode, VeryDeepTreesWriteAndGoWithoutRecursion) {
    XmlParser parser;
    XmlParser::Iterator it = parser.children("");
    it.setParentTag(element("root"));
    const int depth = 100000;
    for (int i = 0; i < depth; ++i) it = it.insertChild(element("n"));
    std::ostringstream out;
    parser.write(out, "");
    const std::string text = out.str();
    EXPECT_EQ(text.substr(0, 12), "<root>\n<n>\n<");
    // Every n holds an n, and so does the last, empty one: a closed form would end its parent.
    EXPECT_EQ(text.size(), std::string("<root>\n</root>\n").size() + depth * std::string("<n>\n</n>\n").size());
    parser.clear();
    EXPECT_EQ(parser.root().childCount(), 0);
}

TEST(XmlWriter, DocumentLayout) {
    XmlParser parser;
    parser.header().setKind(XmlTag::Declaration);
    parser.header().setName("xml");
    parser.header().setAttribute("version", "1.0");
    XmlParser::Iterator it = parser.children("");
    it.setParentTag(element("demo"));
    XmlTag time = element("time");
    time.setAttribute("start", "0");
    it.insertChild(time);
    EXPECT_EQ(written(parser), "<?xml version=\"1.0\"?>\n\n<demo>\n\t<time start=\"0\"/>\n</demo>\n");

    parser.header().clear();
    EXPECT_EQ(written(parser, "  "), "<demo>\n  <time start=\"0\"/>\n</demo>\n");

    // A header named "xml" is written as a declaration even when it was set up as an element.
    parser.header().setName("xml");
    EXPECT_EQ(written(parser, ""), "<?xml?>\n\n<demo>\n<time start=\"0\"/>\n</demo>\n");
}

TEST(XmlWriter, RootIsAlwaysOpenAndEmptyChildrenClosed) {
    XmlParser parser;
    parser.parse("<r x='1'></r>");
    EXPECT_EQ(written(parser), "<r x=\"1\">\n</r>\n");
    XmlParser empty;
    build(empty, {"a"});
    empty.root().child(0)->tag().setClosed(false); // no content: still the closed form
    EXPECT_EQ(written(empty), "<script>\n\t<a/>\n</script>\n");
    empty.root().child(0)->tag().setClosed(true);
    empty.root().child(0)->insertChild(element("b"), -1);
    empty.root().child(0)->tag().setClosed(true); // content is written whatever the flag says
    EXPECT_EQ(written(empty), "<script>\n\t<a>\n\t\t<b/>\n\t</a>\n</script>\n");
}

TEST(XmlWriter, IteratorOutput) {
    XmlParser parser;
    parser.parse("<a><b c='d'/></a>");
    IteratorConst it = parser.childrenConst("");
    ++it;
    std::ostringstream out;
    out << it;
    EXPECT_EQ(out.str(), "<b c=\"d\"/>\n");
}
