#pragma once
// A container that keeps each child's own size and stacks the children one after another without
// gaps, along y or along x.

#include "vst_control.h"

#include <unordered_set>
#include <vector>

namespace norvane {
namespace vistrel {

class LayoutStack : public Control {
public:
    LayoutStack();
    ~LayoutStack() override;

    Control* create() override;
    // "direction" equal to "horisontal" stacks along x, anything else along y; the stack is laid
    // out once its children are loaded.
    void load(xml::XmlParser::Iterator& tag) override;
    // Both re-stack afterwards: a child that fills the stack must not fall back on top of the others.
    // When the stack only moves on screen or is clipped anew (a scroll), the children keep their
    // places in it: only those in sight before or after, and those that may hold pointer state,
    // are laid out again; the others are left behind until the stack needs them (to draw them,
    // hand them an event or ask them a hit test), so a scroll costs the rows in sight.
    void setArea(Rect area) override;
    using Control::setArea;
    void setMaximized(bool maximized) override;
    void addChild(Control* child, int index = -1) override;
    void removeChild(unsigned index) override;
    void removeAllChildren() override;
    // While the children are where the stack put them, only the child under the pointer and
    // those that may hold pointer state (see Control::isEventQuiet) are asked.
    bool hitTest(const Event& e) override;
    void draw() override;

    virtual void setVertical();
    virtual void setHorizontal();
    // Stacks the children from 0, each keeping its width and height.
    virtual void relayout();

    int getVertical() const { return mVertical; }

    // While held, adding or removing children does not re-stack them: the stack is laid out once
    // when the last hold is released. Re-stacking at every child added one by one would take time
    // growing with the square of their number.
    void holdStacking();
    void releaseStacking();

    // The children in sight (in the client clip area) are those from index from up to before
    // index to; all of them unless the children are where the stack put them. Their rectangles
    // are brought up to date first (see setArea).
    void getChildrenInSight(size_t& from, size_t& to);

protected:
    void resetChildren(const Event& move) override;
    bool passToChild(Event& e) override;
    void noteEventBelow(Control* child) override;

private:
    // Puts every child at its place; with onlyMoved, only the children that are not at their
    // places already are laid out again.
    void stack(bool onlyMoved);
    // While stacked: the index of the child, or -1 when it is not one of the children.
    long indexOfStacked(Control* child) const;
    // While stacked: the indices, in list order, of the children that an event at the point
    // may concern: the one under it and those that may hold pointer state.
    std::vector<size_t> concerned(const Event& e);
    // The child, a quiet one, answered no for a point off it: it holds no pointer state.
    void sleep(Control* child);
    // Where the child starts (or ends) along the stack on screen once laid out at the stack's
    // present place: its own area needs no layout to tell.
    float edgeOnScreen(Control* child, bool end) const;
    // While stacked: the children from index from up to before index to reach into the client
    // clip area; their rectangles may be behind.
    void findInSight(size_t& from, size_t& to) const;
    // Lays out a child that was left behind when the stack last took its area; then every one.
    void bringUp(Control* child);
    void bringAllUp();
    // True while every child is where the last stacking put it, so that the children follow one
    // another on screen in list order.
    bool isStacked() const { return mStacked && getChildChanges() == mStackedChanges; }

    int mVertical;
    int mHolds; // loads and holds under way: the children are not re-stacked meanwhile
    bool mStacked;            // the children have been stacked ...
    unsigned mStackedChanges; // ... and neither they nor the list have changed since this count
    // The children that may hold pointer state: those that handled an event since they last
    // answered no to a hit test off them, and every child that is not quiet (isEventQuiet).
    std::unordered_set<Control*> mAwake;
    // The stack's screen position when it last took its area: its children's screen rectangles,
    // once laid out, are their areas moved by it.
    Point mChildOrigin;
    bool mSomeBehind; // some children have not been laid out since the stack last took its area
};

// Holds the re-stacking of a stack for its life; does nothing for a control of another class.
class StackingHold {
public:
    explicit StackingHold(Control* control);
    ~StackingHold();
    StackingHold(const StackingHold&) = delete;
    StackingHold& operator=(const StackingHold&) = delete;

private:
    LayoutStack* mStack;
};

} // namespace vistrel
} // namespace norvane
