#pragma once
// The base of every element of the GUI: a node of the control tree with its rectangles, children,
// focus, scroll offset, style colours, name, text, class name and application callbacks.

#include "vst_event.h"
#include "vst_rect.h"

#include "mathbase/mb_color.h"
#include "xml/xml_parser.h"

#include <string>
#include <vector>

namespace norvane {
namespace display {
class DisplayGL;
}

namespace vistrel {

class Control;
class Render;

// Controls taken out of a tree while the tree is handling an event or a notification. The code
// still running in them and in their former ancestors (a button clearing its pressed flag after
// its callback has closed the dialog it is in) must not touch freed memory, so they are deleted
// only when the outermost handling is over. The root of a tree keeps the list.
class DeferredDeletes {
public:
    DeferredDeletes() = default;
    ~DeferredDeletes();
    DeferredDeletes(const DeferredDeletes&) = delete;
    DeferredDeletes& operator=(const DeferredDeletes&) = delete;

    bool isBusy() const { return mDepth > 0; }
    void enter() { ++mDepth; }
    // Leaving the outermost level deletes the controls that were kept.
    void leave();
    // Takes a control that is out of the tree and deletes it when the outermost level is left.
    void keep(Control* control) { mKept.push_back(control); }

private:
    int mDepth = 0;
    std::vector<Control*> mKept; // owned
};

// The three rectangles of a control's frame or client area: local, on screen, and visible.
struct RectSet {
    Rect& local;
    Rect& screen;
    Rect& clip;
};

class Control {
public:
    // Colour blocks, states within a block, and the two colours of a pair.
    enum Block { BlockBack = 0, BlockCaption = 1, BlockText = 2, BlockCount = 3 };
    enum State {
        StateBorder = 0,
        StateColor = 1,
        StateHighlight = 2,
        StatePushed = 3,
        StateInactive = 4,
        StateCount = 5
    };
    enum Which { First = 0, Second = 1 };

    Control();
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // A new, default-constructed object of the same class (the factory's prototypes use it).
    virtual Control* create() = 0;
    virtual std::string getClassName();
    // The display of the workspace at the root of the tree; null outside a workspace.
    virtual display::DisplayGL* getDisplay();
    virtual void setOwner(Control* owner);
    virtual Control* getOwner();
    virtual Control* getRoot();
    virtual unsigned getChildCount();
    virtual Control* getChildOrNull(unsigned index);
    // Colour text: hexadecimal pairs red, green, blue and optionally alpha.
    virtual mathbase::Color parseColor(const std::string& text);
    // Reads the control from the layout or style tag on which the iterator stands.
    virtual void load(xml::XmlParser::Iterator& tag);
    // The style tags of that name, before the first; an iterator over nothing outside a workspace.
    virtual xml::XmlParser::Iterator getStyle(const std::string& tagName);
    virtual std::string getName();
    virtual void setName(std::string name);
    virtual std::string getText();
    virtual void setText(std::string text);
    virtual void setInactive(bool inactive);
    virtual bool isInactive();
    // Hiding also closes a popup opened from this control or below it, and ends the drags below it.
    virtual void setVisible(bool visible);
    // Ends a press, drag or selection under way in this control and below it, as a release would:
    // a hidden control hears no release, nor the moves that would clear its hover. The common one
    // forgets the hover and passes it on to the children.
    virtual void endDrag();
    virtual bool isVisible();
    virtual Rect& getArea();
    virtual Rect& getScreenArea();
    virtual Rect& getClientArea();
    virtual Rect& getScreenClientArea();
    virtual void setArea(Rect area);
    virtual void setPosition(float x, float y);
    virtual Point getScroll();
    virtual void setScroll(float x, float y);
    virtual void updateClientArea();
    virtual void computeRects(RectSet& set, bool client);
    virtual Point getOrigin(bool client);
    virtual Rect getClipRect(bool client);
    virtual Point getScreenPosition();
    virtual Rect getRootClipRect();
    virtual bool isMaximized();
    virtual void setMaximized(bool maximized);
    virtual Rect getBoundingRect();
    virtual void addChild(Control* child, int index = -1);
    virtual void removeChild(unsigned index);
    virtual void removeAllChildren();
    virtual Control* getChild(unsigned index);
    virtual Control* find(const std::string& name);
    virtual void addCallback(Callback* callback);
    virtual void notify(int code, Control* source = nullptr);
    virtual void notifyNamed(Control* source, const std::string& name);
    virtual bool hitTest(const Event& e);
    virtual bool handleEvent(Event& e);
    virtual Render* getRender();
    virtual Control* getFocus();
    virtual void setFocus(Control* child);
    virtual void clearFocus();
    virtual void openPopup(Control* popup);
    virtual void closePopup();
    virtual void draw();
    // A popup sizes itself here when the workspace opens it; other controls do nothing.
    virtual void layout();
    // True when this control and every control below it take events from outside their clip
    // areas (hitTest) only while they hold state that events they handled gave them (a hover,
    // a press, a drag), hold none when added to a parent, answer no to a hit test off their
    // clip areas only when they hold none, and do nothing on a "reset" but clear hovers. A
    // container that knows where its children are may then leave such a child out of events
    // while it holds no such state and the pointer is not over it. False unless a class says so.
    virtual bool isEventQuiet();

    // Non-virtual helpers.
    void setArea(float x1, float y1, float x2, float y2) { setArea(Rect(x1, y1, x2, y2)); }
    const Rect& getClipArea() const { return mClipArea; }
    const Rect& getClientClipArea() const { return mClientClipArea; }
    bool isHover() const { return mHover; }
    const float* getColor(int block, int state, int which) const { return mColors[block][state][which]; }
    void setColor(int block, int state, int which, const mathbase::Color& c);
    // Hands a colour pair to the Render.
    void useColors(int block, int state);
    // Index of child in the child list, or -1.
    int indexOf(const Control* child) const;
    // Takes a callback off the list; one that is removed while a notification is being sent is
    // not called by it any more.
    void removeCallback(Callback* callback);

protected:
    // For its life the tree of the control counts as busy handling an event or a notification:
    // controls removed from the tree meanwhile stay allocated until the outermost scope ends.
    class DispatchScope {
    public:
        explicit DispatchScope(Control* control);
        ~DispatchScope();
        DispatchScope(const DispatchScope&) = delete;
        DispatchScope& operator=(const DispatchScope&) = delete;

    private:
        Control* mRoot;
    };

    // Takes the area and computes the control's own and client rectangles from it, without laying
    // out the children; setArea does this first, and containers that place their children
    // themselves do it instead of the common setArea.
    void setOwnArea(Rect area);
    // Lays every child out once at its place; with a scroll offset given, each child takes it first.
    void layOutChildren(const Point* scroll = nullptr);
    // Where a child goes when its parent lays it out: the whole client area when it is maximized,
    // otherwise its own area.
    Rect childPlace(Control* child);
    // A walk over the children from the top-most down, in their order when it began. What runs
    // while it is under way (hit tests, focusing, handlers) may change the child list: the walk
    // reads the list itself until a change reaches the children it has still to visit; from then
    // on it goes over its own copy of those, dropping each child that leaves the list. Every step
    // is thus one read, with no search of the list, however long it is.
    class ChildWalk {
    public:
        explicit ChildWalk(Control* owner);
        ~ChildWalk();
        ChildWalk(const ChildWalk&) = delete;
        ChildWalk& operator=(const ChildWalk&) = delete;

        // The next child still in the list, or null at the end.
        Control* next();
        // Leaves out the children between the last one visited and the one at index, which
        // comes next; nothing once a change has reached the children still to visit.
        void skipTo(size_t index);
        // True once a change has reached the children still to visit.
        bool isCopied() const { return mCopied; }

    private:
        friend class Control;
        // The list is about to change at index at; leaving is the child that leaves it, if any.
        void beforeChange(size_t at, const Control* leaving);

        Control* mOwner;
        ChildWalk* mOuter; // the walk over the same list that was under way when this one began
        size_t mNext;      // until copied: the children still to visit are mChildren[0, mNext)
        bool mCopied;
        std::vector<Control*> mRest; // once copied: the children still to visit, the next one last
    };
    // The steps of handleEvent that go over the children. A container that knows where its
    // children are may go over fewer of them, to the same effect.
    // Hands every child, in list order, a copy of the move named "reset".
    virtual void resetChildren(const Event& move);
    // Offers the event to the children from the top-most down, until one takes it; returns its
    // result, or false when none takes it.
    virtual bool passToChild(Event& e);
    // One step of passToChild: a press over the child focuses it; the child takes the event
    // when its hit test says so. True when it took it, with its result in result.
    bool offerTo(Control* child, Event& e, bool& result);
    // The control below this one through child is handling an event other than a reset.
    virtual void noteEventBelow(Control* child);

    // Draws the children from index from up to before index to, as draw does all of them; the
    // scissor rectangle of the last child is left set, as after drawing them all. A container
    // that knows which of its children lie out of sight draws only the others this way.
    void drawChildren(size_t from, size_t to);
    // Counts the changes of the child list and of the children's areas: a container that has
    // placed its children itself can tell whether they are still where it put them.
    unsigned getChildChanges() const { return mChildChanges; }
    // True when the child's rectangles were computed since this control last took its area, that
    // is, they follow this control's place on screen. A container that lays out only some of its
    // children when it moves leaves the others behind until they are needed.
    bool isLaidOutHere(const Control* child) const { return child->mLaidOutAt == mLayouts; }
    // Drops the focus of this control and of the focused children below it, down the focus chain;
    // setFocus and addChild drop focus this way instead of walking the whole subtree.
    void dropFocusChain();
    // True when child is in the child list.
    bool holdsChild(const Control* child) const;
    // Fills the visible part in the border colours and, one pixel inside, the face in the back
    // colours of the given state; returns the face.
    Rect fillBorderedFace(Render* render, int faceState);
    // Called by load on a control whose class name is "flow", for each "area" tag of a child's tag
    // that gives a "size" (pixels) or a "percent" (weight). The flow layout overrides it.
    virtual void setFlowSize(Control* child, float value, bool weight);

    Rect mArea;             // in the parent's child coordinate space
    Rect mScreenArea;       // mArea on screen
    Rect mClipArea;         // the visible part of mScreenArea
    Rect mClientArea;       // client area in the control's own coordinates
    Rect mScreenClientArea; // the client area on screen
    Rect mClientClipArea;   // its visible part; children are scissored to it
    float mColors[BlockCount][StateCount][2][4];
    std::string mName;
    std::string mText;
    std::string mClassName;
    bool mBringToFront;
    Control* mParent; // not owned
    Control* mFocus;  // not owned
    Point mScroll;
    std::vector<Control*> mChildren; // owned; first drawn first
    std::vector<Callback*> mCallbacks; // not owned
    bool mHover;
    bool mInactive;
    bool mVisible;
    bool mMaximized;
    Rect mSavedArea;
    bool mHasSavedArea;
    Render* mRender; // not owned

private:
    // True when the style tag is being applied to this control or one of its ancestors, that is,
    // applying it again here would recurse without end.
    bool isApplyingStyle(const xml::XmlNode* style) const;
    // Counts one more control made by the load that is under way; false when the load has made
    // as many as one layout may.
    bool takeLoadBudget();

    // Reads one tag of a "child" list: creates, adds, styles and loads the control it names.
    void loadChildTag(xml::XmlParser::Iterator& tag);
    // Deletes a child that has just been taken out of the child list, at once or, while the tree
    // is busy, detached from it once the tree is no longer busy.
    void dispose(Control* child);
    // Calls each callback registered now that is still registered when its turn comes.
    template <typename Call> void callEachCallback(const Call& call);

    // Tells the walks under way over the child list that it is about to change at index at (the
    // list's size for an addition at the end); leaving is the child that leaves it, if any.
    void beforeChildListChange(size_t at, const Control* leaving);

    const xml::XmlNode* mStyleInUse; // the style tag this control is loading from, during load
    int* mLoadBudget;                // controls a running load may still make (set on the root)
    DeferredDeletes mDeferredDeletes; // kept on the root of a tree
    ChildWalk* mWalks;                // the walks under way over the child list, the latest first
    unsigned mChildChanges;           // changes of the child list and of the children's areas
    unsigned mLayouts;                // how many times this control has taken its area
    unsigned mLaidOutAt;              // the parent's count when this control last took its area
    bool mListed;                     // in its parent's child list (a popup is not in its opener's)
    friend class Workspace;
};

} // namespace vistrel
} // namespace norvane
