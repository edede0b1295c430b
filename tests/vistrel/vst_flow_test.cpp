// The layout containers on a real window: the flow's fixed and weighted lengths, the stack's
// gap-free stacking, where the children are drawn and which child a click reaches.

#include "vst_containers_support.h"

#include "vst_flow.h"
#include "vst_frame.h"
#include "vst_layoutstack.h"

using namespace vsttest;
using norvane::vistrel::Flow;
using norvane::vistrel::Frame;
using norvane::vistrel::LayoutStack;

namespace {

class FlowTest : public ContainersTest {
protected:
    static std::string sized(const std::string& id, const std::string& rgb, const std::string& area) {
        return frameTag(id, rgb, "<area " + area + "/>", "box");
    }
    Box* box(const std::string& name) { return get<Box>(name); }
    float length(const std::string& name, bool vertical = true) {
        const Rect& a = box(name)->getArea();
        return vertical ? a.height() : a.width();
    }
};

} // namespace

TEST_F(FlowTest, AVerticalFlowGivesFixedChildrenTheirSizeAndSharesTheRestByWeight) {
    // 200 pixels: 20 fixed, the rest halved between two weights of 1.
    loadControls("<flow id='flow'><area x='0' y='0' width='100' height='200'/><child>" +
                 sized("top", "ff0000", "size='20'") + sized("mid", "00ff00", "percent='1'") +
                 sized("low", "0000ff", "percent='1'") + "</child></flow>");
    Flow* flow = get<Flow>("flow");
    ASSERT_NE(nullptr, flow);
    EXPECT_EQ(1, flow->getVertical());
    EXPECT_EQ(Rect(0, 0, 100, 20), box("top")->getArea());
    EXPECT_EQ(Rect(0, 20, 100, 110), box("mid")->getArea());
    EXPECT_EQ(Rect(0, 110, 100, 200), box("low")->getArea());
    EXPECT_FLOAT_EQ(20, flow->getChildSize(box("top")));
    EXPECT_FLOAT_EQ(-1, flow->getChildSize(box("mid")));

    frame();
    EXPECT_TRUE(near(50, 10, 255, 0, 0)) << describe(50, 10);
    EXPECT_TRUE(near(50, 21, 0, 255, 0)) << describe(50, 21);
    EXPECT_TRUE(near(50, 108, 0, 255, 0)) << describe(50, 108);
    EXPECT_TRUE(near(50, 111, 0, 0, 255)) << describe(50, 111);
    EXPECT_TRUE(near(50, 199, 0, 0, 255)) << describe(50, 199);
    EXPECT_TRUE(near(150, 100, 0, 0, 0)) << describe(150, 100);

    // A press lands on the child under it, which keeps its place in the order.
    click(50, 60);
    EXPECT_EQ(1u, std::count(box("mid")->seen.begin(), box("mid")->seen.end(), "mousedown"));
    EXPECT_TRUE(std::find(box("top")->seen.begin(), box("top")->seen.end(), "mousedown") == box("top")->seen.end());
    EXPECT_EQ(box("top"), flow->getChild(0));
    EXPECT_EQ(box("mid"), flow->getChild(1));
    EXPECT_EQ(box("mid"), flow->getFocus());
    EXPECT_EQ(Rect(0, 20, 100, 110), box("mid")->getArea());
}

TEST_F(FlowTest, AHorizontalFlowRoundsSharesToWholePixels) {
    loadControls("<flow id='quarters' direction='horisontal'><area x='0' y='0' width='100' height='40'/><child>" +
                 sized("one", "ff0000", "percent='1'") + sized("three", "00ff00", "percent='3'") +
                 "</child></flow>"
                 "<flow id='thirds' direction='horisontal'><area x='0' y='50' width='100' height='40'/><child>" +
                 sized("a", "ff0000", "percent='1'") + sized("b", "00ff00", "percent='1'") +
                 sized("c", "0000ff", "percent='1'") + "</child></flow>");
    EXPECT_EQ(0, get<Flow>("quarters")->getVertical());
    EXPECT_EQ(Rect(0, 0, 25, 40), box("one")->getArea());
    EXPECT_EQ(Rect(25, 0, 100, 40), box("three")->getArea());
    // Three thirds of 100 are 33 each; the last pixel stays empty.
    EXPECT_EQ(Rect(0, 0, 33, 40), box("a")->getArea());
    EXPECT_EQ(Rect(33, 0, 66, 40), box("b")->getArea());
    EXPECT_EQ(Rect(66, 0, 99, 40), box("c")->getArea());

    frame();
    EXPECT_TRUE(near(24, 20, 255, 0, 0)) << describe(24, 20);
    EXPECT_TRUE(near(25, 20, 0, 255, 0)) << describe(25, 20);
    EXPECT_TRUE(near(98, 70, 0, 0, 255)) << describe(98, 70);
    EXPECT_TRUE(near(99, 70, 0, 0, 0)) << describe(99, 70);
}

TEST_F(FlowTest, OversizedFixedChildrenLeaveNothingForWeightsAndUnsizedChildrenGetNothing) {
    loadControls("<flow id='flow'><area x='0' y='0' width='100' height='100'/><child>" +
                 sized("big", "ff0000", "size='80'") + sized("bigger", "00ff00", "size='50'") +
                 sized("weighted", "0000ff", "percent='2'") + "<box id='bare'/>" + "</child></flow>");
    // The fixed children keep their sizes and overflow; the weighted one gets 0 pixels, and so
    // does a child that has neither size nor weight.
    EXPECT_EQ(Rect(0, 0, 100, 80), box("big")->getArea());
    EXPECT_EQ(Rect(0, 80, 100, 130), box("bigger")->getArea());
    EXPECT_FLOAT_EQ(0, length("weighted"));
    EXPECT_FLOAT_EQ(130, box("weighted")->getArea().y1);
    EXPECT_FLOAT_EQ(0, length("bare"));

    // The overflow is clipped at the flow's edge.
    frame();
    EXPECT_TRUE(near(50, 99, 0, 255, 0)) << describe(50, 99);
    EXPECT_TRUE(near(50, 102, 0, 0, 0)) << describe(50, 102);
}

TEST_F(FlowTest, ChildrenAddedInCodeAreTenPixelsLongUntilSized) {
    loadControls("<flow id='flow'><area x='0' y='0' width='60' height='100'/></flow>");
    Flow* flow = get<Flow>("flow");
    Box* first = new Box();
    Box* second = new Box();
    flow->addFlowChild(first);
    flow->addFlowChild(second);
    flow->setArea(flow->getArea());
    EXPECT_EQ(Rect(0, 0, 60, 10), first->getArea());
    EXPECT_EQ(Rect(0, 10, 60, 20), second->getArea());
    flow->setChildPercent(second, 1);
    flow->setArea(flow->getArea());
    EXPECT_EQ(Rect(0, 10, 60, 100), second->getArea());
    // The direction takes effect at the next layout.
    flow->setVertical(0);
    EXPECT_EQ(Rect(0, 10, 60, 100), second->getArea());
    flow->setArea(flow->getArea());
    EXPECT_EQ(Rect(0, 0, 10, 100), first->getArea());
    EXPECT_EQ(Rect(10, 0, 60, 100), second->getArea());

    // A removed child's size goes with it; the rest take the room.
    flow->removeChild(0);
    flow->setArea(flow->getArea());
    EXPECT_EQ(Rect(0, 0, 60, 100), second->getArea());
}

TEST_F(FlowTest, AFlowAwayFromTheCornerLaysItsChildrenOutInsideItself) {
    loadControls("<flow id='flow'><area x='100' y='50' width='80' height='100'/><child>" +
                 sized("top", "ff0000", "size='30'") + sized("rest", "00ff00", "percent='1'") + "</child></flow>");
    EXPECT_EQ(Rect(0, 0, 80, 30), box("top")->getArea());
    EXPECT_EQ(Rect(100, 50, 180, 80), box("top")->getScreenArea());
    EXPECT_EQ(Rect(100, 80, 180, 150), box("rest")->getScreenArea());
    frame();
    EXPECT_TRUE(near(140, 60, 255, 0, 0)) << describe(140, 60);
    EXPECT_TRUE(near(140, 149, 0, 255, 0)) << describe(140, 149);
    EXPECT_TRUE(near(140, 160, 0, 0, 0)) << describe(140, 160);
}

TEST_F(FlowTest, AResizedWindowReflowsAndMaximizedChildrenStayInTheirPlaces) {
    // A flow that fills the window, and one with a fixed area whose weighted child also asks to
    // be maximized: re-fitting the window must not pull that child over its neighbour.
    loadControls("<flow id='full'><child>" + sized("head", "ff0000", "size='20'") +
                 sized("body", "00ff00", "percent='1'") + "</child></flow>" +
                 "<flow id='fixed'><area x='300' y='0' width='50' height='100'/><child>" +
                 sized("cap", "ff0000", "size='10'") + sized("fill", "0000ff", "percent='1' maximized='true'") +
                 "</child></flow>");
    EXPECT_EQ(Rect(0, 20, 400, 300), box("body")->getArea());
    EXPECT_EQ(Rect(0, 10, 50, 100), box("fill")->getArea());
    display->resize(360, 240);
    EXPECT_EQ(Rect(0, 20, 360, 240), box("body")->getArea());
    EXPECT_EQ(Rect(0, 10, 50, 100), box("fill")->getArea());
    frame();
    EXPECT_TRUE(near(320, 5, 255, 0, 0)) << describe(320, 5);
    EXPECT_TRUE(near(320, 50, 0, 0, 255)) << describe(320, 50);
}

TEST_F(FlowTest, AStackPlacesChildrenOneAfterAnotherAndClosesGaps) {
    loadControls("<layoutstack id='stack'><area x='10' y='10' width='120' height='200'/><child>" +
                 sized("a", "ff0000", "x='5' y='70' width='100' height='30'") +
                 sized("b", "00ff00", "x='0' y='0' width='60' height='50'") +
                 sized("c", "0000ff", "x='20' y='3' width='80' height='20'") + "</child></layoutstack>");
    LayoutStack* stack = get<LayoutStack>("stack");
    ASSERT_NE(nullptr, stack);
    // Each keeps its x and size; the y follows from the ones before.
    EXPECT_EQ(Rect(5, 0, 105, 30), box("a")->getArea());
    EXPECT_EQ(Rect(0, 30, 60, 80), box("b")->getArea());
    EXPECT_EQ(Rect(20, 80, 100, 100), box("c")->getArea());

    frame();
    EXPECT_TRUE(near(50, 25, 255, 0, 0)) << describe(50, 25);
    EXPECT_TRUE(near(30, 60, 0, 255, 0)) << describe(30, 60);
    EXPECT_TRUE(near(60, 100, 0, 0, 255)) << describe(60, 100);
    // Below the children the stack's own yellow shows, darkening towards the bottom.
    EXPECT_TRUE(near(60, 150, 113, 113, 0)) << describe(60, 150);
    EXPECT_GT(at(60, 120, 0), at(60, 200, 0));

    // A click on the middle child reaches it where it was stacked, and leaves the order alone.
    click(30, 60);
    EXPECT_EQ(1u, std::count(box("b")->seen.begin(), box("b")->seen.end(), "mousedown"));
    EXPECT_EQ(box("b"), stack->getFocus());
    EXPECT_EQ(box("b"), stack->getChild(1));

    // Removing the first child moves the others up at once.
    stack->removeChild(stack->indexOf(box("a")));
    EXPECT_EQ(Rect(0, 0, 60, 50), box("b")->getArea());
    EXPECT_EQ(Rect(20, 50, 100, 70), box("c")->getArea());
    // A child added in code goes at the end.
    Box* added = new Box();
    added->setArea(Rect(0, 0, 40, 15));
    stack->addChild(added);
    EXPECT_EQ(Rect(0, 70, 40, 85), added->getArea());
}

TEST_F(FlowTest, AHorizontalStackKeepsEachChildsHeightAndPlaceAcrossIt) {
    loadControls("<layoutstack id='stack' direction='horisontal'><area x='0' y='0' width='300' height='60'/><child>" +
                 sized("a", "ff0000", "x='0' y='5' width='40' height='20'") + "<box id='full'/>" +
                 sized("b", "00ff00", "x='0' y='0' width='30' height='10'") + "</child></layoutstack>");
    LayoutStack* stack = get<LayoutStack>("stack");
    EXPECT_EQ(0, stack->getVertical());
    EXPECT_EQ(Rect(0, 5, 40, 25), box("a")->getArea());
    // The maximized child is as wide as the stack and stays after the first one.
    EXPECT_EQ(Rect(40, 0, 340, 60), box("full")->getArea());
    EXPECT_EQ(Rect(340, 0, 370, 10), box("b")->getArea());
    display->resize(320, 200);
    EXPECT_EQ(Rect(40, 0, 340, 60), box("full")->getArea());
    // Turned upright, each keeps its size and its x from the row; the maximized child fills
    // the stack's width.
    stack->setVertical();
    EXPECT_EQ(Rect(0, 0, 40, 20), box("a")->getArea());
    EXPECT_EQ(Rect(0, 20, 300, 80), box("full")->getArea());
    EXPECT_EQ(Rect(340, 80, 370, 90), box("b")->getArea());
}

TEST_F(FlowTest, NestedContainersLayEachChildOutOnceWhenTheWindowChanges) {
    // Sixty levels: laying every level's children out twice would take 2^60 steps.
    loadControls(nestedContainers("flow", 60, "percent='1'") +
                 nestedContainers("layoutstack", 60, "x='0' y='0' width='50' height='50'"));
    CountingBox::layouts = 0;
    display->resize(300, 200);
    EXPECT_LE(CountingBox::layouts, 4 * 120);
    EXPECT_GE(CountingBox::layouts, 60);
}
