// The control base: geometry, children and focus, event dispatch, notification and drawing.

#include "vst_control.h"
#include "vst_render.h"
#include "vst_workspace.h"

#include "nvn_system.h"

#include <algorithm>
#include <cstring>

namespace norvane {
namespace vistrel {

Control::Control()
    : mName("control"), mText("control"), mClassName("control"), mBringToFront(true), mParent(nullptr),
      mFocus(nullptr), mHover(false), mInactive(false), mVisible(true), mMaximized(false),
      mHasSavedArea(false), mRender(nullptr), mStyleInUse(nullptr), mLoadBudget(nullptr), mWalks(nullptr),
      mChildChanges(0), mLayouts(0), mLaidOutAt(0), mListed(false) {
    std::memset(mColors, 0, sizeof(mColors));
    setColor(BlockBack, StateBorder, First, mathbase::Color(0.1f, 0.1f, 0.1f, 1));
    setColor(BlockBack, StateBorder, Second, mathbase::Color(0, 0, 0, 1));
}

Control::~Control() {
    // An open popup that goes away must not stay open in the workspace.
    if (mParent) {
        if (Workspace* workspace = dynamic_cast<Workspace*>(getRoot()))
            workspace->forgetPopup(this);
    }
    removeAllChildren();
}

std::string Control::getClassName() { return mClassName; }

display::DisplayGL* Control::getDisplay() { return mParent ? mParent->getDisplay() : nullptr; }

void Control::setOwner(Control* owner) {
    if (owner != mParent)
        mListed = false; // a popup's opener does not hold it among its children
    mParent = owner;
}

Control* Control::getOwner() { return mParent; }

Control* Control::getRoot() { return mParent ? mParent->getRoot() : this; }

unsigned Control::getChildCount() { return static_cast<unsigned>(mChildren.size()); }

Control* Control::getChildOrNull(unsigned index) { return index < mChildren.size() ? mChildren[index] : nullptr; }

xml::XmlParser::Iterator Control::getStyle(const std::string& tagName) {
    if (mParent)
        return mParent->getStyle(tagName);
    return xml::XmlParser::Iterator(nullptr, tagName);
}

std::string Control::getName() { return mName; }
void Control::setName(std::string name) { mName = std::move(name); }
std::string Control::getText() { return mText; }
void Control::setText(std::string text) { mText = std::move(text); }
void Control::setInactive(bool inactive) { mInactive = inactive; }
bool Control::isInactive() { return mInactive; }

void Control::setVisible(bool visible) {
    mVisible = visible;
    if (visible) {
        setFocus(nullptr);
        return;
    }
    // A popup that this control or one below it opened goes with it: it would otherwise stay
    // drawn over what is left and choose for a control that is not shown.
    if (Workspace* workspace = dynamic_cast<Workspace*>(getRoot()))
        workspace->forgetPopup(this);
    endDrag();
}

void Control::endDrag() {
    // A hidden control sees no moves: a hover left set would take the first press after showing
    // again (hitTest), wherever the pointer is then.
    mHover = false;
    for (Control* child : mChildren)
        child->endDrag();
}

bool Control::isVisible() { return mVisible; }
Rect& Control::getArea() { return mArea; }
Rect& Control::getScreenArea() { return mScreenArea; }
Rect& Control::getClientArea() { return mClientArea; }
Rect& Control::getScreenClientArea() { return mScreenClientArea; }

void Control::setOwnArea(Rect area) {
    ++mLayouts;
    if (mParent) {
        ++mParent->mChildChanges;
        mLaidOutAt = mParent->mLayouts;
    }
    mArea = area;
    updateClientArea();
    RectSet frame{mArea, mScreenArea, mClipArea};
    computeRects(frame, false);
    RectSet client{mClientArea, mScreenClientArea, mClientClipArea};
    computeRects(client, true);
    mClientClipArea.intersect(mClipArea);
}

void Control::setArea(Rect area) {
    setOwnArea(area);
    layOutChildren();
}

Rect Control::childPlace(Control* child) {
    return child->isMaximized() ? Rect(0, 0, mClientArea.width(), mClientArea.height()) : child->getArea();
}

void Control::layOutChildren(const Point* scroll) {
    // Every child follows, top-down: a maximized one fills the client area. Each subtree is laid
    // out once; re-maximizing a child here, or scrolling it after laying it out, and then laying
    // it out again would repeat the work at every level below, which grows exponentially with
    // the depth of the tree.
    for (size_t i = 0; i < mChildren.size(); ++i) {
        Control* child = mChildren[i];
        if (scroll)
            child->mScroll = *scroll;
        child->setArea(childPlace(child));
    }
}

void Control::setPosition(float x, float y) { setArea(Rect(x, y, mArea.x2, mArea.y2)); }

Point Control::getScroll() { return mScroll; }

void Control::setScroll(float x, float y) {
    mScroll = Point(x, y);
    setArea(mArea);
}

void Control::updateClientArea() { mClientArea = mArea - Point(mArea.x1, mArea.y1); }

void Control::computeRects(RectSet& set, bool client) {
    set.screen = set.local + getOrigin(client);
    set.clip = getClipRect(client).intersect(set.screen);
}

Point Control::getOrigin(bool client) {
    Point p = mParent ? mParent->getScreenPosition() : Point();
    if (client) {
        p.x += mArea.x1;
        p.y += mArea.y1;
    }
    p.x -= mScroll.x;
    p.y -= mScroll.y;
    return p;
}

Rect Control::getClipRect(bool client) {
    const Rect& own = client ? mScreenClientArea : mScreenArea;
    if (!mParent)
        return own;
    return mParent->getRootClipRect().intersect(own);
}

Point Control::getScreenPosition() {
    Point p = mParent ? mParent->getScreenPosition() : Point();
    p.x += mArea.x1 + mClientArea.x1 - mScroll.x;
    p.y += mArea.y1 + mClientArea.y1 - mScroll.y;
    return p;
}

Rect Control::getRootClipRect() {
    Rect r = mScreenClientArea;
    if (mParent)
        r.intersect(mParent->getRootClipRect());
    return r;
}

bool Control::isMaximized() { return mMaximized; }

void Control::setMaximized(bool maximized) {
    bool old = mMaximized;
    mMaximized = maximized;
    bool laidOut = false; // setArea has brought every child up to date
    if (mParent) {
        if (maximized) {
            if (old != maximized)
                mSavedArea = mArea;
            const Rect& pc = mParent->getClientArea();
            setArea(Rect(0, 0, pc.x2 - pc.x1, pc.y2 - pc.y1));
            laidOut = true;
            if (old != maximized)
                mHasSavedArea = true;
        } else {
            if (mHasSavedArea) {
                setArea(mSavedArea);
                laidOut = true;
            }
            mHasSavedArea = false;
        }
    }
    if (laidOut)
        return;
    for (size_t i = 0; i < mChildren.size(); ++i)
        mChildren[i]->setMaximized(mChildren[i]->isMaximized());
}

Rect Control::getBoundingRect() {
    Rect r = mClientArea;
    for (Control* child : mChildren)
        r.extend(child->getArea());
    return r;
}

void Control::addChild(Control* child, int index) {
    if (!child)
        return;
    child->mParent = this;
    child->mListed = true;
    child->setArea(child->getArea());
    child->setMaximized(child->isMaximized());
    const size_t at = index < 0 ? mChildren.size() : std::min(static_cast<size_t>(index), mChildren.size());
    beforeChildListChange(at, nullptr);
    mChildren.insert(mChildren.begin() + static_cast<std::ptrdiff_t>(at), child);
    // Focusing the child drops all focus below this control, the focus the child brings along
    // included; only the child's chain can hold any.
    child->dropFocusChain();
    setFocus(child);
}

void Control::removeChild(unsigned index) {
    if (index >= mChildren.size())
        return;
    Control* child = mChildren[index];
    if (child == mFocus)
        setFocus(nullptr);
    // Focusing may have moved it; find it again.
    int at = indexOf(child);
    if (at >= 0) {
        beforeChildListChange(static_cast<size_t>(at), child);
        mChildren.erase(mChildren.begin() + at);
    }
    child->mListed = false;
    dispose(child);
}

void Control::removeAllChildren() {
    ++mChildChanges;
    for (ChildWalk* walk = mWalks; walk; walk = walk->mOuter) {
        walk->mCopied = true;
        walk->mRest.clear();
    }
    std::vector<Control*> children;
    children.swap(mChildren);
    mFocus = nullptr;
    for (Control* child : children) {
        child->mListed = false;
        dispose(child);
    }
}

void Control::dispose(Control* child) {
    Control* root = getRoot();
    if (!root->mDeferredDeletes.isBusy()) {
        delete child;
        return;
    }
    // Out of the tree for good: it can no longer reach the tree (to take the focus, say), and a
    // popup that it or a control below it opened closes now rather than when it is deleted.
    if (Workspace* workspace = dynamic_cast<Workspace*>(root))
        workspace->forgetPopup(child);
    child->mParent = nullptr;
    root->mDeferredDeletes.keep(child);
}

DeferredDeletes::~DeferredDeletes() {
    for (Control* control : mKept)
        delete control;
}

void DeferredDeletes::leave() {
    if (--mDepth > 0)
        return;
    // The kept controls are out of the tree, so deleting them adds nothing to the list.
    std::vector<Control*> kept;
    kept.swap(mKept);
    for (Control* control : kept)
        delete control;
}

Control::DispatchScope::DispatchScope(Control* control) : mRoot(control->getRoot()) {
    mRoot->mDeferredDeletes.enter();
}

Control::DispatchScope::~DispatchScope() { mRoot->mDeferredDeletes.leave(); }

Control* Control::getChild(unsigned index) { return mChildren[index]; }

Control* Control::find(const std::string& name) {
    if (mName == name)
        return this;
    for (Control* child : mChildren) {
        if (Control* hit = child->find(name))
            return hit;
    }
    return nullptr;
}

void Control::addCallback(Callback* callback) { mCallbacks.push_back(callback); }

void Control::removeCallback(Callback* callback) {
    mCallbacks.erase(std::remove(mCallbacks.begin(), mCallbacks.end(), callback), mCallbacks.end());
}

template <typename Call> void Control::callEachCallback(const Call& call) {
    // A callback may add or remove callbacks, or take this control out of the tree (which then
    // stays allocated until the notification is over): the list is walked as it was at the
    // start, skipping those removed meanwhile.
    DispatchScope scope(this);
    const std::vector<Callback*> callbacks = mCallbacks;
    for (Callback* callback : callbacks) {
        if (std::find(mCallbacks.begin(), mCallbacks.end(), callback) != mCallbacks.end())
            call(callback);
    }
}

void Control::notify(int code, Control* source) {
    if (!source)
        source = this;
    if (!mCallbacks.empty())
        callEachCallback([source, code](Callback* callback) { callback->onControl(source, code); });
    else if (mParent)
        mParent->notify(code, source);
}

void Control::notifyNamed(Control* source, const std::string& name) {
    callEachCallback([source, &name](Callback* callback) { callback->onEvent(source, name); });
}

bool Control::hitTest(const Event& e) {
    if (mClipArea.contains(e.x, e.y))
        return true;
    if (mHover)
        return true;
    for (Control* child : mChildren) {
        if (child->hitTest(e) && child->isVisible())
            return true;
    }
    return false;
}

bool Control::handleEvent(Event& e) {
    if (e.name != "reset") {
        for (Control* c = this; c->mParent; c = c->mParent)
            c->mParent->noteEventBelow(c);
    }
    if (!mVisible)
        return false;
    // A handler may take any control out of the tree, this one and its ancestors included.
    DispatchScope scope(this);
    if (mFocus && (e.name == "keyup" || e.name == "keydown" || e.name == "keycharup" || e.name == "keychardown"))
        return mFocus->handleEvent(e);
    bool result = false;
    if (e.name == "reset")
        mHover = false;
    if (e.name == "mousemove") {
        mHover = mClipArea.contains(e.x, e.y);
        if (mHover)
            result = true;
        resetChildren(e);
    }
    const bool r = passToChild(e);
    return result || r;
}

void Control::resetChildren(const Event& move) {
    Event reset(move);
    reset.name = "reset";
    for (size_t i = 0; i < mChildren.size(); ++i) {
        Event copy(reset);
        mChildren[i]->handleEvent(copy);
    }
}

bool Control::passToChild(Event& e) {
    // Top-most first, in the order the children had when the walk began: focus may move a child
    // to the end, and a child removed by an earlier step of this event is skipped.
    ChildWalk walk(this);
    bool result = false;
    while (Control* child = walk.next()) {
        if (offerTo(child, e, result))
            break;
    }
    return result;
}

bool Control::offerTo(Control* child, Event& e, bool& result) {
    if (e.name == "mousedown" && child->mClipArea.contains(e.x, e.y))
        setFocus(child);
    if (!child->hitTest(e) || !child->isVisible())
        return false;
    result = child->handleEvent(e);
    return true;
}

void Control::noteEventBelow(Control*) {}

bool Control::isEventQuiet() { return false; }

Render* Control::getRender() {
    if (!mRender && mParent)
        mRender = mParent->getRender();
    return mRender;
}

Control* Control::getFocus() { return mFocus; }

void Control::setFocus(Control* child) {
    if (mParent)
        mParent->setFocus(this);
    dropFocusChain();
    if (!child) {
        mFocus = nullptr;
        return;
    }
    mFocus = child;
    if (child == this || !mBringToFront)
        return;
    if (mChildren.empty() || mChildren.back() == child)
        return;
    int at = indexOf(child);
    if (at < 0)
        return; // not one of ours: focus it without reordering
    beforeChildListChange(static_cast<size_t>(at), nullptr);
    mChildren.erase(mChildren.begin() + at);
    mChildren.push_back(child);
}

Control::ChildWalk::ChildWalk(Control* owner)
    : mOwner(owner), mOuter(owner->mWalks), mNext(owner->mChildren.size()), mCopied(false) {
    owner->mWalks = this;
}

Control::ChildWalk::~ChildWalk() { mOwner->mWalks = mOuter; }

void Control::ChildWalk::skipTo(size_t index) {
    if (!mCopied && index < mNext)
        mNext = index + 1;
}

Control* Control::ChildWalk::next() {
    if (!mCopied)
        return mNext > 0 ? mOwner->mChildren[--mNext] : nullptr;
    if (mRest.empty())
        return nullptr;
    Control* child = mRest.back();
    mRest.pop_back();
    return child;
}

void Control::ChildWalk::beforeChange(size_t at, const Control* leaving) {
    if (!mCopied) {
        if (at >= mNext)
            return; // the children still to visit keep their places
        mRest.assign(mOwner->mChildren.begin(), mOwner->mChildren.begin() + static_cast<std::ptrdiff_t>(mNext));
        mCopied = true;
    }
    if (leaving)
        mRest.erase(std::remove(mRest.begin(), mRest.end(), leaving), mRest.end());
}

void Control::beforeChildListChange(size_t at, const Control* leaving) {
    ++mChildChanges;
    for (ChildWalk* walk = mWalks; walk; walk = walk->mOuter)
        walk->beforeChange(at, leaving);
}

void Control::clearFocus() {
    mFocus = nullptr;
    for (Control* child : mChildren)
        child->clearFocus();
}

void Control::dropFocusChain() {
    // Focus only ever forms one chain down from a control, each link a focused child: walking the
    // chain drops the same focus as clearFocus, in time that does not grow with the whole tree. A
    // focused popup is not a child (nor is a control focused on itself): clearFocus does not reach
    // below it, so the walk stops there too.
    Control* c = this;
    while (c) {
        Control* next = c->mFocus;
        c->mFocus = nullptr;
        c = next && next->mParent == c && c->holdsChild(next) ? next : nullptr;
    }
}

bool Control::holdsChild(const Control* child) const { return child->mListed && child->mParent == this; }

void Control::openPopup(Control* popup) {
    if (!popup)
        return;
    if (!popup->getOwner())
        popup->setOwner(this);
    if (mParent)
        mParent->openPopup(popup);
}

void Control::closePopup() {
    if (mParent)
        mParent->closePopup();
}

void Control::draw() { drawChildren(0, mChildren.size()); }

void Control::drawChildren(size_t from, size_t to) {
    Render* render = getRender();
    bool underWorkspace = mClassName == "workspace";
    for (size_t i = from; i < to && i < mChildren.size(); ++i) {
        Control* child = mChildren[i];
        // Every child the walk goes over is asked whether it is shown, in sight or not: what a
        // container leaves out of the walk is never asked.
        const bool visible = child->isVisible();
        Rect scissor = child->mClipArea;
        scissor.intersect(mClientClipArea);
        bool big = scissor.width() >= 1 && scissor.height() >= 1;
        bool drawn = (big || underWorkspace) && visible;
        // A child out of sight costs no drawing state: its scissor rectangle is set only when it
        // is drawn, or when it is the last child, whose rectangle the walk leaves set.
        if (render && (drawn || i + 1 == mChildren.size()))
            render->setScissor(scissor.x1, scissor.y1, scissor.x2, scissor.y2);
        if (drawn)
            child->draw();
    }
    if (render && to < mChildren.size()) {
        Rect scissor = mChildren.back()->mClipArea;
        scissor.intersect(mClientClipArea);
        render->setScissor(scissor.x1, scissor.y1, scissor.x2, scissor.y2);
    }
}

void Control::layout() {}

void Control::setColor(int block, int state, int which, const mathbase::Color& c) {
    float* p = mColors[block][state][which];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = c.a;
}

void Control::useColors(int block, int state) {
    if (Render* render = getRender())
        render->setColors(mColors[block][state][First], mColors[block][state][Second]);
}

Rect Control::fillBorderedFace(Render* render, int faceState) {
    useColors(BlockBack, StateBorder);
    render->fillRect(mClipArea, 0);
    Rect face = mClipArea;
    face.inflate(-1);
    useColors(BlockBack, faceState);
    render->fillRect(face, 0);
    return face;
}

int Control::indexOf(const Control* child) const {
    for (size_t i = 0; i < mChildren.size(); ++i) {
        if (mChildren[i] == child)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace vistrel
} // namespace norvane

// ---- Loading from layout and style tags ----

namespace norvane {
namespace vistrel {

namespace {

// Controls one layout load may make, styles and nested styles included. Far more than any editor
// needs; it stops a document whose styles fan out exponentially.
const int MaxControlsPerLoad = 4096;

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

// Sets a pointer member for the life of a scope.
template <typename T> class ScopedSet {
public:
    ScopedSet(T& target, T value) : mTarget(target), mOld(target) { mTarget = value; }
    ~ScopedSet() { mTarget = mOld; }
    ScopedSet(const ScopedSet&) = delete;
    ScopedSet& operator=(const ScopedSet&) = delete;

private:
    T& mTarget;
    T mOld;
};

} // namespace

mathbase::Color Control::parseColor(const std::string& text) {
    float c[4] = {0, 0, 0, 1};
    for (size_t i = 0; i < 4; ++i) {
        size_t at = i * 2;
        if (at >= text.size())
            break;
        int hi = hexDigit(text[at]);
        int lo = at + 1 < text.size() ? hexDigit(text[at + 1]) : 0;
        c[i] = static_cast<float>(hi * 16 + lo) / 255.0f;
    }
    return mathbase::Color(c[0], c[1], c[2], c[3]);
}

void Control::setFlowSize(Control*, float, bool) {}

bool Control::isApplyingStyle(const xml::XmlNode* style) const {
    for (const Control* c = this; c; c = c->mParent) {
        if (c->mStyleInUse == style)
            return true;
    }
    return false;
}

bool Control::takeLoadBudget() {
    for (Control* c = this; c; c = c->mParent) {
        if (c->mLoadBudget) {
            if (*c->mLoadBudget <= 0)
                return false;
            --*c->mLoadBudget;
            return true;
        }
    }
    return true;
}

void Control::load(xml::XmlParser::Iterator& tag) {
    mName = tag->getAttribute("id");
    mVisible = true;
    if (tag->getAttribute("hidden") == "true")
        mVisible = false;
    if (tag->getAttribute("visible") == "false")
        mVisible = false;

    // The outermost load keeps the count of controls made below it.
    int budget = MaxControlsPerLoad;
    bool outermost = true;
    for (Control* c = this; c; c = c->mParent) {
        if (c->mLoadBudget)
            outermost = false;
    }
    ScopedSet<int*> budgetScope(mLoadBudget, outermost ? &budget : mLoadBudget);

    xml::XmlParser::Iterator lists = tag.children("child");
    while (++lists) {
        xml::XmlParser::Iterator item = lists.children("");
        while (++item) {
            if (item->kind() != xml::XmlTag::Element)
                continue; // comments and text between control tags
            loadChildTag(item);
        }
    }

    setMaximized(true);
    xml::XmlParser::Iterator areas = tag.children("area");
    while (++areas) {
        setMaximized(false);
        float x = areas->getFloat("x");
        float y = areas->getFloat("y");
        float x2 = x + areas->getFloat("width") + areas->getFloat("w");
        float y2 = y + areas->getFloat("height") + areas->getFloat("h");
        setMaximized(areas->getAttribute("maximized") == "true");
        setArea(Rect(x, y, x2, y2));
    }

    xml::XmlParser::Iterator colors = tag.children("color");
    while (++colors) {
        mathbase::Color first = parseColor(colors->getAttribute("first"));
        mathbase::Color second = parseColor(colors->getAttribute("second"));
        const std::string& name = colors->getAttribute("name");
        int block = -1;
        std::string state;
        if (name.compare(0, 5, "back.") == 0) {
            block = BlockBack;
            state = name.substr(5);
        } else if (name.compare(0, 8, "caption.") == 0) {
            block = BlockCaption;
            state = name.substr(8);
        } else if (name.compare(0, 5, "text.") == 0) {
            block = BlockText;
            state = name.substr(5);
        }
        static const char* const states[StateCount] = {"border", "color", "highlight", "pushed", "inactive"};
        for (int s = 0; block >= 0 && s < StateCount; ++s) {
            if (state == states[s]) {
                setColor(block, s, First, first);
                setColor(block, s, Second, second);
            }
        }
    }
}

void Control::loadChildTag(xml::XmlParser::Iterator& tag) {
    const std::string& type = tag->name();
    if (!takeLoadBudget()) {
        logMessage("log", "app", __FILE__, 198, "norvane::vistrel::Control::load",
                   " -> Too many controls; '%s' and the rest of the layout are skipped", type.c_str());
        return;
    }
    Control* control = ControlRegistry::create(type);
    if (!control) {
        logMessage("log", "app", __FILE__, 198, "norvane::vistrel::Control::load", " -> Control type '%s' not found",
                   type.c_str());
        return;
    }
    addChild(control, -1);

    const std::string& cls = tag->getAttribute("class");
    xml::XmlParser::Iterator style = getStyle(cls.empty() ? type : cls);
    if (style.node() && ++style) {
        const xml::XmlNode* styleNode = style.node()->child(style.index());
        if (control->isApplyingStyle(styleNode)) {
            logMessage("log", "app", __FILE__, __LINE__, "norvane::vistrel::Control::load",
                       " -> Style '%s' is already being applied here; not applying it again",
                       style->name().c_str());
        } else {
            ScopedSet<const xml::XmlNode*> inUse(control->mStyleInUse, styleNode);
            control->load(style);
        }
    }
    control->load(tag);

    if (mClassName == "flow") {
        xml::XmlParser::Iterator areas = tag.children("area");
        while (++areas) {
            if (!areas->getAttribute("size").empty())
                setFlowSize(control, areas->getFloat("size"), false);
            if (!areas->getAttribute("percent").empty())
                setFlowSize(control, areas->getFloat("percent"), true);
        }
    }
}

} // namespace vistrel
} // namespace norvane
