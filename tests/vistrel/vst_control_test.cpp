// The control base without a display: rectangles, geometry, children and focus, hit testing,
// event dispatch, notification, the workspace's popup and the control factory.

#include "vst_test_support.h"

#include "vst_layoutstack.h"

#include <algorithm>

using namespace vsttest;
using norvane::vistrel::Point;

namespace {

// A workspace of 800 x 600 with two boxes placed in it.
struct Tree {
    Workspace ws;
    Box* a = new Box();
    Box* b = new Box();
    Tree() {
        ws.setArea(Rect(0, 0, 800, 600));
        a->setName("a");
        b->setName("b");
        ws.addChild(a);
        ws.addChild(b);
        a->setArea(Rect(10, 10, 110, 110));
        b->setArea(Rect(60, 60, 160, 160));
    }
};

} // namespace

TEST(Rect, ContainmentIsHalfOpenAndEmptyIntersectionsCollapse) {
    Rect r(10, 20, 30, 40);
    EXPECT_TRUE(r.contains(10, 20));
    EXPECT_TRUE(r.contains(29.9f, 39.9f));
    EXPECT_FALSE(r.contains(30, 25));
    EXPECT_FALSE(r.contains(15, 40));
    EXPECT_EQ(Rect(0, 0, 0, 0), Rect(0, 0, 5, 5).intersect(Rect(6, 6, 9, 9)));
    EXPECT_EQ(Rect(5, 0, 5, 8), Rect(0, 0, 5, 8).intersect(Rect(5, 0, 9, 9))); // zero width is kept
    EXPECT_EQ(Rect(-1, 0, 9, 9), Rect(0, 0, 5, 5).extend(Rect(-1, 2, 9, 9)));
    EXPECT_EQ(Rect(2, 2, 8, 8), Rect(0, 0, 10, 10).inflate(-2));
}

TEST(ControlGeometry, ChildRectanglesFollowParentsScrollAndClipping) {
    Tree t;
    Box* inner = new Box();
    t.a->addChild(inner);
    inner->setArea(Rect(50, 50, 200, 70)); // sticks out of a on the right
    EXPECT_EQ(Rect(60, 60, 210, 80), inner->getScreenArea());
    EXPECT_EQ(Rect(60, 60, 110, 80), inner->getClipArea());

    // Scrolling a by (0, -50) moves it and its children 50 pixels down.
    t.a->setScroll(0, -50);
    EXPECT_EQ(Rect(10, 60, 110, 160), t.a->getScreenArea());
    EXPECT_EQ(Rect(60, 110, 210, 130), inner->getScreenArea());

    // A child scrolled out of its parent's client area gets an empty clip area.
    t.a->setScroll(0, 0);
    inner->setArea(Rect(200, 0, 250, 10));
    EXPECT_EQ(Rect(0, 0, 0, 0), inner->getClipArea());
}

TEST(ControlGeometry, MaximizeSavesTheAreaOnceAndRestoresIt) {
    Tree t;
    t.a->setMaximized(true);
    EXPECT_EQ(Rect(0, 0, 800, 600), t.a->getArea());
    t.a->setArea(Rect(1, 1, 2, 2));
    t.a->setMaximized(true); // again: the first saved rectangle stays
    t.a->setMaximized(false);
    EXPECT_EQ(Rect(10, 10, 110, 110), t.a->getArea());
    t.a->setArea(Rect(5, 5, 6, 6));
    t.a->setMaximized(false); // nothing saved any more
    EXPECT_EQ(Rect(5, 5, 6, 6), t.a->getArea());

    // A maximized child follows a resized parent.
    t.b->setMaximized(true);
    t.ws.setArea(Rect(0, 0, 300, 200));
    EXPECT_EQ(Rect(0, 0, 300, 200), t.b->getArea());
}

TEST(ControlTree, AddingFocusesAndBringsToFrontAndRemovingDeletes) {
    Tree t;
    EXPECT_EQ(t.b, t.ws.getFocus());
    EXPECT_EQ(t.b, t.ws.getChild(1));
    t.ws.setFocus(t.a);
    EXPECT_EQ(t.a, t.ws.getChild(1));
    EXPECT_EQ(t.a, t.ws.find("a"));
    EXPECT_EQ(nullptr, t.ws.find("nobody"));
    EXPECT_EQ(nullptr, t.ws.getChildOrNull(2));
    t.ws.removeChild(7); // out of range: nothing
    EXPECT_EQ(2u, t.ws.getChildCount());
    t.ws.removeChild(1); // a, the focus
    EXPECT_EQ(nullptr, t.ws.getFocus());
    EXPECT_EQ(1u, t.ws.getChildCount());
    EXPECT_EQ(nullptr, t.ws.find("a"));
}

TEST(ControlTree, FocusFormsOneChainFromTheRoot) {
    Tree t;
    Box* inner = new Box();
    t.a->addChild(inner); // focuses a in the workspace, inner in a
    EXPECT_EQ(t.a, t.ws.getFocus());
    EXPECT_EQ(inner, t.a->getFocus());
    t.ws.setFocus(t.b); // focus below the root is dropped
    EXPECT_EQ(nullptr, t.a->getFocus());
    // Showing a control focuses it.
    t.a->setVisible(false);
    t.a->setVisible(true);
    EXPECT_EQ(t.a, t.ws.getFocus());

    // Focus deep in a, then a child added in b: the whole old chain goes, the new one runs to it.
    Box* deeper = new Box();
    inner->addChild(deeper);
    ASSERT_EQ(inner, t.a->getFocus());
    ASSERT_EQ(deeper, inner->getFocus());
    // A subtree that comes with focus of its own loses it when it is added.
    Box* branch = new Box();
    Box* leaf = new Box();
    branch->addChild(leaf);
    ASSERT_EQ(leaf, branch->getFocus());
    t.b->addChild(branch);
    EXPECT_EQ(t.b, t.ws.getFocus());
    EXPECT_EQ(branch, t.b->getFocus());
    EXPECT_EQ(nullptr, branch->getFocus());
    EXPECT_EQ(nullptr, t.a->getFocus());
    EXPECT_EQ(nullptr, inner->getFocus());
    EXPECT_EQ(nullptr, deeper->getFocus());
}

TEST(ControlEvents, HitTestingUsesHalfOpenEdges) {
    Tree t;
    Event onLeft = mouse("mousedown", 10, 50);
    Event onRight = mouse("mousedown", 110, 50);
    EXPECT_TRUE(t.a->hitTest(onLeft));
    EXPECT_FALSE(t.a->hitTest(onRight));
    Event onBottom = mouse("mousedown", 20, 110);
    EXPECT_FALSE(t.a->hitTest(onBottom));
}

TEST(ControlEvents, PressesGoToTheTopMostChildUnderThePointer) {
    Tree t;
    // In the overlap b (last) gets the press and stays last.
    Event overlap = mouse("mousedown", 80, 80);
    EXPECT_TRUE(t.ws.handleEvent(overlap));
    EXPECT_EQ(std::vector<std::string>{"mousedown"}, t.b->seen);
    EXPECT_TRUE(t.a->seen.empty());
    EXPECT_EQ(t.b, t.ws.getChild(1));
    // A press on a's own part moves a to the front.
    Event own = mouse("mousedown", 20, 20);
    t.ws.handleEvent(own);
    EXPECT_EQ(t.a, t.ws.getChild(1));
    EXPECT_EQ(std::vector<std::string>{"mousedown"}, t.a->seen);
    // A press on nothing is not handled.
    Event nothing = mouse("mousedown", 500, 500);
    EXPECT_FALSE(t.ws.handleEvent(nothing));
    // Invisible controls get nothing.
    t.a->setVisible(false);
    Event hidden = mouse("mousedown", 20, 20);
    EXPECT_FALSE(t.ws.handleEvent(hidden));
    EXPECT_EQ(1u, t.a->seen.size());
}

namespace {

// A box that counts the hit tests it answers, in a tally that outlives it; when asked first it
// may take another box out of the tree and then answers no.
class Asked : public Box {
public:
    Asked(std::vector<std::string>* tally, std::string name) : mTally(tally) { setName(std::move(name)); }
    bool hitTest(const Event& e) override {
        mTally->push_back(getName());
        if (!removes.empty()) {
            Control* gone = getOwner()->find(removes);
            getOwner()->removeChild(static_cast<unsigned>(getOwner()->indexOf(gone)));
            removes.clear();
            return false;
        }
        return Box::hitTest(e);
    }
    std::string removes;

private:
    std::vector<std::string>* mTally;
};

} // namespace

TEST(ControlEvents, TheWalkAsksEachChildOnceAndSkipsOnesRemovedMeanwhile) {
    // Three boxes under the press; the top-most one takes the middle one out when asked. The walk
    // goes on with the bottom one, which takes the press, and asks no box twice.
    std::vector<std::string> tally;
    Workspace ws;
    ws.setArea(Rect(0, 0, 800, 600));
    Asked* bottom = new Asked(&tally, "bottom");
    Asked* top = new Asked(&tally, "top");
    for (Asked* box : {bottom, new Asked(&tally, "middle"), top}) {
        ws.addChild(box);
        box->setArea(Rect(10, 10, 110, 110));
    }
    top->removes = "middle";
    Event press = mouse("mousedown", 50, 50);
    EXPECT_TRUE(ws.handleEvent(press));
    EXPECT_EQ((std::vector<std::string>{"top", "bottom"}), tally);
    EXPECT_EQ(std::vector<std::string>{"mousedown"}, bottom->seen);
    EXPECT_TRUE(top->seen.empty());
    // The press focused each box under it on the way: the bottom one is now the top-most.
    ASSERT_EQ(2u, ws.getChildCount());
    EXPECT_EQ(bottom, ws.getChild(1));
}

TEST(ControlEvents, KeysGoToTheFocusedControl) {
    Tree t;
    t.ws.setFocus(t.a);
    Event down = key("keydown", 285);
    EXPECT_TRUE(t.ws.handleEvent(down));
    EXPECT_EQ(std::vector<std::string>{"keydown"}, t.a->seen);
    EXPECT_TRUE(t.b->seen.empty());
    t.a->takes = false;
    Event again = key("keydown", 286);
    EXPECT_FALSE(t.ws.handleEvent(again));
}

TEST(ControlEvents, MovesClearHoverThroughResetBeforeDelivery) {
    Tree t;
    Event in = mouse("mousemove", 20, 20);
    t.ws.handleEvent(in);
    EXPECT_TRUE(t.a->isHover());
    Event out = mouse("mousemove", 500, 500);
    t.ws.handleEvent(out);
    EXPECT_FALSE(t.a->isHover());
    ASSERT_GE(t.a->seen.size(), 2u);
    EXPECT_EQ("reset", t.a->seen.back());
}

TEST(ControlNotify, CodesBubbleToTheNearestAncestorWithCallbacks) {
    Tree t;
    Box* inner = new Box();
    t.a->addChild(inner);
    Recorder top, mid;
    t.ws.addCallback(&top);
    inner->notify(7);
    ASSERT_EQ(1u, top.controls.size());
    EXPECT_EQ(inner, top.controls[0].first);
    EXPECT_EQ(7, top.controls[0].second);
    t.a->addCallback(&mid);
    inner->notify(8, t.b);
    ASSERT_EQ(1u, mid.controls.size());
    EXPECT_EQ(t.b, mid.controls[0].first);
    EXPECT_EQ(1u, top.controls.size()); // no further bubbling
    inner->notifyNamed(inner, "spline.type.square"); // no callbacks of its own: dropped
    t.a->notifyNamed(inner, "spline.type.square");
    ASSERT_EQ(1u, mid.events.size());
    EXPECT_EQ("spline.type.square", mid.events[0].second);
    // Without callbacks anywhere the code is dropped.
    Box lonely;
    lonely.notify(0);
}

TEST(Workspace, PopupTakesEventsFirstAndClosesOnTheNextLeftRelease) {
    Tree t;
    Box popup;
    popup.setArea(Rect(300, 300, 400, 400));
    t.a->openPopup(&popup);
    EXPECT_EQ(&popup, t.ws.getPopup());
    EXPECT_EQ(t.a, popup.getOwner());
    EXPECT_EQ(1, popup.layouts);
    // The release of the press that opened it keeps it open; the controls under it get nothing.
    Event up = mouse("mouseup", 20, 20);
    EXPECT_FALSE(t.ws.handleEvent(up));
    EXPECT_EQ(&popup, t.ws.getPopup());
    EXPECT_TRUE(t.a->seen.empty());
    // A right release does not close it.
    Event right = mouse("mouseup", 320, 320, 1);
    t.ws.handleEvent(right);
    EXPECT_EQ(&popup, t.ws.getPopup());
    // The next left release reaches the popup, then closes it.
    Event close = mouse("mouseup", 320, 320);
    t.ws.handleEvent(close);
    EXPECT_EQ(nullptr, t.ws.getPopup());
    EXPECT_EQ("mouseup", popup.seen.back());
}

TEST(Workspace, APopupThatGoesAwayIsNoLongerOpen) {
    Tree t;
    Box* popup = new Box();
    t.a->openPopup(popup);
    delete popup;
    EXPECT_EQ(nullptr, t.ws.getPopup());
    Event down = mouse("mousedown", 20, 20);
    EXPECT_TRUE(t.ws.handleEvent(down));
}

TEST(Workspace, ANestedWorkspaceHandsRequestsToItsParent) {
    Tree t;
    Workspace* nested = new Workspace();
    t.a->addChild(nested);
    nested->setMaximized(true);
    EXPECT_EQ(t.ws.getRender(), nested->getRender());
    EXPECT_EQ(nullptr, nested->getDisplay());
    Box popup;
    nested->openPopup(&popup);
    EXPECT_EQ(&popup, t.ws.getPopup());
    EXPECT_EQ(nullptr, nested->getPopup());
    nested->closePopup();
    EXPECT_EQ(nullptr, t.ws.getPopup());
    // Its children are clipped by its ancestors like any control's.
    Box* deep = new Box();
    nested->addChild(deep);
    deep->setArea(Rect(0, 0, 500, 500));
    EXPECT_EQ(Rect(10, 10, 110, 110), deep->getClipArea());
}

TEST(ControlGeometry, DeeplyNestedMaximizedControlsAreLaidOutInLinearTime) {
    Workspace ws;
    Control* parent = &ws;
    std::vector<Box*> chain;
    for (int i = 0; i < 200; ++i) {
        Box* b = new Box();
        parent->addChild(b);
        b->setMaximized(true);
        chain.push_back(b);
        parent = b;
    }
    ws.setArea(Rect(0, 0, 640, 480)); // would take forever if each level re-laid the levels below
    EXPECT_EQ(Rect(0, 0, 640, 480), chain.back()->getScreenArea());
    chain[0]->setArea(Rect(0, 0, 100, 50)); // a maximized control given an area keeps it
    chain[0]->setMaximized(true);
    EXPECT_EQ(Rect(0, 0, 640, 480), chain.back()->getClipArea());
    chain[0]->setMaximized(false); // back to its area from before it was first maximized
    EXPECT_EQ(Rect(0, 0, 0, 0), chain[0]->getArea());
    EXPECT_EQ(Rect(0, 0, 0, 0), chain.back()->getScreenArea());
}

namespace {

// Makes root 800 x 600 pixels with a stack of 1000 rows of 10 pixels in it, row i made by make(i).
template <typename Row, typename Make>
norvane::vistrel::LayoutStack* longStack(Box& root, std::vector<Row*>& rows, const Make& make) {
    root.setArea(Rect(0, 0, 800, 600));
    auto* stack = new norvane::vistrel::LayoutStack();
    root.addChild(stack);
    {
        norvane::vistrel::StackingHold hold(stack);
        for (int i = 0; i < 1000; ++i) {
            rows.push_back(make(i));
            rows.back()->setArea(Rect(0, 0, 800, 10));
            stack->addChild(rows.back());
        }
    }
    stack->setArea(Rect(0, 0, 800, 10000));
    return stack;
}

// A box that counts what its parent asks of it while drawing, and which of them drew.
class Counted : public Box {
public:
    Counted(int index, int* asked, std::vector<int>* drawn) : mIndex(index), mAsked(asked), mDrawn(drawn) {}
    bool isVisible() override { return ++*mAsked, Box::isVisible(); }
    Rect& getScreenArea() override { return ++*mAsked, Box::getScreenArea(); }
    void draw() override {
        ++*mAsked;
        mDrawn->push_back(mIndex);
    }

private:
    int mIndex;
    int* mAsked;
    std::vector<int>* mDrawn;
};

} // namespace

TEST(ControlDrawing, ALongStackDrawsOnlyTheChildrenInSight) {
    // 1000 rows of 10 pixels stacked in a 600-pixel window: 60 are in sight.
    int asked = 0;
    std::vector<int> drawn;
    Box root;
    std::vector<Counted*> rows;
    norvane::vistrel::LayoutStack* stack =
        longStack(root, rows, [&](int i) { return new Counted(i, &asked, &drawn); });
    auto frame = [&] {
        asked = 0;
        drawn.clear();
        stack->draw();
    };
    frame();
    ASSERT_EQ(60u, drawn.size());
    EXPECT_EQ(0, drawn.front());
    EXPECT_LT(asked, 200); // those in sight and a few to find them, not all 1000
    stack->setScroll(0, 5000);
    frame();
    ASSERT_EQ(60u, drawn.size());
    EXPECT_EQ(500, drawn.front());
    EXPECT_LT(asked, 200);
    // A row put in sight by hand, out of the stack's order, is drawn too.
    rows[900]->setArea(Rect(0, 5100, 800, 5110));
    frame();
    EXPECT_EQ(61u, drawn.size());
    EXPECT_NE(drawn.end(), std::find(drawn.begin(), drawn.end(), 900));
}

namespace {

// A row that declares itself quiet: it takes the pointer from outside only while pressed, as a
// button does. It counts the hit tests and events it is given.
class QuietRow : public Box {
public:
    QuietRow(int index, int* asked) : mIndex(index), mAsked(asked) {}
    bool isEventQuiet() override { return true; }
    bool hitTest(const Event& e) override { return ++*mAsked, Box::hitTest(e) || pressed; }
    bool handleEvent(Event& e) override {
        ++*mAsked;
        if (e.name == "mousedown")
            pressed = true;
        if (e.name == "mouseup")
            pressed = false;
        return Box::handleEvent(e);
    }
    int index() const { return mIndex; }
    bool pressed = false;

private:
    int mIndex;
    int* mAsked;
};

} // namespace

TEST(ControlEvents, ALongStackAsksOnlyTheRowUnderThePointerAndThoseHoldingIt) {
    int asked = 0;
    Box root;
    std::vector<QuietRow*> rows;
    norvane::vistrel::LayoutStack* stack = longStack(root, rows, [&](int i) { return new QuietRow(i, &asked); });
    // Each event: how many questions the rows were asked, and which row heard the event itself.
    auto send = [&](const char* name, float y) {
        asked = 0;
        for (QuietRow* row : rows)
            row->seen.clear();
        Event e = mouse(name, 400, y);
        root.handleEvent(e);
        std::vector<int> heard;
        for (QuietRow* row : rows)
            if (std::find(row->seen.begin(), row->seen.end(), name) != row->seen.end())
                heard.push_back(row->index());
        return heard;
    };
    EXPECT_EQ(std::vector<int>{3}, send("mousemove", 35));
    EXPECT_LT(asked, 20);
    EXPECT_EQ(std::vector<int>{50}, send("mousemove", 505));
    EXPECT_EQ(std::vector<int>{50}, send("mousedown", 505));
    EXPECT_EQ(rows[50], stack->getFocus());
    // Pressed, row 50 keeps the pointer over the rows before it, until the release.
    EXPECT_EQ(std::vector<int>{50}, send("mousemove", 35));
    EXPECT_EQ(std::vector<int>{50}, send("mouseup", 35));
    EXPECT_FALSE(rows[50]->pressed);
    EXPECT_EQ(std::vector<int>{3}, send("mousemove", 36));
    EXPECT_LT(asked, 20);
    // Off every row nobody hears a move; the move also clears the hover that would take the
    // next press.
    EXPECT_TRUE(send("mousemove", 700).empty());
    EXPECT_FALSE(rows[3]->isHover());
    EXPECT_TRUE(send("mousedown", 700).empty());
    EXPECT_LT(asked, 20);
}

namespace {

// A quiet row that also counts how often it is laid out.
class PlacedRow : public QuietRow {
public:
    PlacedRow(int index, int* asked, int* placed) : QuietRow(index, asked), mPlaced(placed) {}
    using QuietRow::setArea;
    void setArea(Rect area) override {
        ++*mPlaced;
        QuietRow::setArea(area);
    }

private:
    int* mPlaced;
};

} // namespace

TEST(ControlEvents, AScrollOfALongStackLaysOutTheRowsInSightAndPressesFindTheRowNowThere) {
    int asked = 0;
    int placed = 0;
    Box root;
    std::vector<PlacedRow*> rows;
    norvane::vistrel::LayoutStack* stack =
        longStack(root, rows, [&](int i) { return new PlacedRow(i, &asked, &placed); });
    // Which rows heard a press and release at y.
    auto click = [&](float y) {
        for (PlacedRow* row : rows)
            row->seen.clear();
        for (const char* name : {"mousedown", "mouseup"}) {
            Event e = mouse(name, 400, y);
            root.handleEvent(e);
        }
        std::vector<int> heard;
        for (PlacedRow* row : rows)
            if (std::find(row->seen.begin(), row->seen.end(), "mousedown") != row->seen.end())
                heard.push_back(row->index());
        return heard;
    };
    EXPECT_EQ(std::vector<int>{3}, click(35));
    // 60 rows are in sight before and 60 after each scroll: not all 1000 are laid out.
    placed = 0;
    stack->setScroll(0, 5000);
    EXPECT_LT(placed, 200);
    EXPECT_EQ(std::vector<int>{503}, click(35));
    placed = 0;
    stack->setScroll(0, 0);
    EXPECT_LT(placed, 200);
    // Row 510 was where row 10 is now: it keeps no part of the screen, whichever way the stack
    // asks its rows (a row laid out by hand has it ask every row).
    EXPECT_FALSE(rows[510]->getClipArea().contains(400, 105));
    EXPECT_EQ(std::vector<int>{10}, click(105));
    rows[0]->setArea(rows[0]->getArea());
    EXPECT_EQ(std::vector<int>{12}, click(125));
    // A popup that the stack opened, and that took an event while the rows were out of place, is
    // not one of them: once closed (or gone), the stack's scrolls never lay it out.
    int popupPlaced = 0;
    PlacedRow popup(-1, &asked, &popupPlaced);
    stack->openPopup(&popup);
    Event move = mouse("mousemove", 400, 125);
    popup.handleEvent(move);
    stack->closePopup();
    popupPlaced = 0;
    stack->setScroll(0, 5000);
    stack->setScroll(0, 0);
    EXPECT_EQ(std::vector<int>{12}, click(125));
    EXPECT_EQ(0, popupPlaced);
}

TEST(ControlRegistry, CreatesByExactClassName) {
    registerBox();
    EXPECT_GE(ControlRegistry::getUseCount(), 1);
    Control* ws = ControlRegistry::create("workspace");
    ASSERT_NE(nullptr, ws);
    EXPECT_NE(nullptr, dynamic_cast<Workspace*>(ws));
    delete ws;
    EXPECT_EQ(nullptr, ControlRegistry::create("context"));
    EXPECT_EQ(nullptr, ControlRegistry::create("scrollbars"));
    EXPECT_EQ(nullptr, ControlRegistry::create("Workspace"));
    // Registering the classes again adds no second prototype of a class.
    unsigned count = ControlRegistry::getPrototypeCount();
    norvane::vistrel::registerControlClasses();
    EXPECT_EQ(count, ControlRegistry::getPrototypeCount());
}
