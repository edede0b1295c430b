// The editor's rows and span bars.

#include "crv_row.h"

#include "dis_font.h"
#include "scr_entry.h"
#include "scr_script.h"
#include "vst_render.h"
#include "vst_scrollbars.h"
#include "vst_spline.h"

#include <algorithm>
#include <unordered_map>

namespace norvane {
namespace corvista {

namespace {

// Modifier bits above the Shift keys: a Ctrl or an Alt key is held.
const int kShiftBits = 63;

// The control of that name under the tree's root, when it is the time slider's class.
vistrel::Scrollbars* findTimeSlider(vistrel::Control* from) {
    vistrel::Control* found = from->getRoot()->find("timeslider");
    return dynamic_cast<vistrel::Scrollbars*>(found);
}

} // namespace

// Row

// What the rows of one editor share: the row whose bar or curve key was dragged when it last
// handled an event (its drag may have ended since; it is asked), and the rows that show each
// entry, so that neither a hit test nor a drag step has to go over every row.
struct Row::Shared {
    Row* dragging = nullptr;
    float scroll = 0.0f;      // the time slider's scroll in pixels ...
    unsigned scrollCount = 0; // ... and how many times it has been set
    std::unordered_map<const script::EffectEntry*, std::vector<Row*>> rowsOf;
};

Row::Row() : mShared(std::make_shared<Shared>()) {
    setColor(BlockBack, StateBorder, First, mathbase::Color(0, 0, 0, 1));
    setColor(BlockBack, StateBorder, Second, mathbase::Color(0, 0, 0, 1));
    setColor(BlockBack, StateColor, First, mathbase::Color(0, 0, 0, 0.1f));
    setColor(BlockBack, StateColor, Second, mathbase::Color(0, 0, 0, 0.1f));
    setColor(BlockBack, StatePushed, First, mathbase::Color(0, 0, 0, 0.3f));
    setColor(BlockBack, StatePushed, Second, mathbase::Color(0, 0, 0, 0.3f));
    setColor(BlockText, StateColor, First, mathbase::Color(1, 1, 1, 1));
}

Row::~Row() {
    if (mShared->dragging == this) mShared->dragging = nullptr;
    if (!mEntry) return;
    auto it = mShared->rowsOf.find(mEntry);
    if (it == mShared->rowsOf.end()) return;
    std::vector<Row*>& rows = it->second;
    rows.erase(std::remove(rows.begin(), rows.end(), this), rows.end());
    if (rows.empty()) mShared->rowsOf.erase(it);
}

void Row::joinRowsOf(const Row& other) { mShared = other.mShared; }

void Row::showEntry(script::EffectEntry* entry, const std::vector<script::EffectEntry*>& parents) {
    mEntry = entry;
    mParents = parents;
    mShared->rowsOf[entry].push_back(this);
}

vistrel::Control* Row::create() { return new Row(); }

void Row::updateClientArea() {
    mClientArea = vistrel::Rect(CaptionWidth - mArea.x1, 0, mArea.x2 - mArea.x1, mArea.y2 - mArea.y1);
}

bool Row::isInside(Control* c) {
    for (Control* p = mParent; p; p = p->getOwner())
        if (p == c) return true;
    return false;
}

bool Row::isDragging() {
    for (unsigned i = 0; i < getChildCount(); ++i) {
        Control* child = getChild(i);
        if (auto* bar = dynamic_cast<Effector*>(child); bar && bar->getDrag() != Effector::ZoneNone) return true;
        if (auto* curve = dynamic_cast<vistrel::Spline*>(child); curve && curve->getDragged() >= 0) return true;
    }
    return false;
}

bool Row::hitTest(const vistrel::Event& e) {
    if (!Control::hitTest(e)) return false;
    // The rows after a dragging one are asked first: the one under the pointer would take the
    // moves, and the release, from the drag.
    if (!mParent) return true;
    Row* dragging = mShared->dragging;
    return !dragging || dragging == this || dragging->mParent != mParent || !dragging->isDragging();
}

bool Row::isEventQuiet() {
    Row* dragging = mShared->dragging;
    return !dragging || dragging == this || !dragging->isDragging();
}

bool Row::handleEvent(vistrel::Event& e) {
    followScroll();
    const bool r = Control::handleEvent(e);
    // A drag of the bar or of a curve key begins with a press that the row passes on.
    if (isDragging())
        mShared->dragging = this;
    else if (mShared->dragging == this)
        mShared->dragging = nullptr;
    if (e.name == "mousewheel" && e.modifiers > kShiftBits) {
        // A row inside the time slider itself would get the event back from it, for ever.
        vistrel::Scrollbars* slider = findTimeSlider(this);
        if (slider && !isInside(slider)) slider->handleEvent(e);
    }
    return r;
}

void Row::draw() {
    vistrel::Render* render = getRender();
    if (!render) return;
    const bool focused = mParent && mParent->getFocus() == this;
    useColors(BlockBack, focused ? StatePushed : StateColor);
    render->fillRect(mClipArea, 0);
    useColors(BlockBack, StateBorder);
    render->frameRect(mClipArea);

    const float* text = getColor(BlockText, StateColor, First);
    render->setColors(text, text);
    if (display::Font* font = render->getFont()) font->mAlign = display::Font::AlignLeft;
    render->drawText(mText, mScreenArea.x1 + 5 + 20 * static_cast<float>(mLevel),
                     (mScreenArea.y1 + mScreenArea.y2) * 0.5f);
    Control::draw();
}

void Row::setEffect(script::EffectEntry* entry, int level, vistrel::Control* rows,
                    const std::vector<script::EffectEntry*>& parents) {
    setText(entry->mName);
    mLevel = level;
    showEntry(entry, parents);

    Effector* bar = new Effector();
    bar->setEntry(entry, parents);
    bar->placeOnEntry();
    addChild(bar, -1);

    if (!rows) return; // the others have nowhere to go
    for (const auto& track : entry->mTracks) {
        Row* row = new Row();
        row->setArea(vistrel::Rect(mArea.x1, mArea.y1, mArea.x2, mArea.y1 + 70));
        rows->addChild(row, -1);
        row->joinRowsOf(*this);
        row->showEntry(entry, parents);
        row->buildTrack(bar->getArea(), track.get(), level);
    }
    std::vector<script::EffectEntry*> nested = parents;
    nested.push_back(entry);
    for (const auto& child : entry->mChildren) {
        Row* row = new Row();
        row->joinRowsOf(*this);
        row->setArea(mArea);
        rows->addChild(row, -1);
        row->setEffect(child.get(), level + 1, rows, nested);
    }
}

namespace {

// A curve control over an entry's span: as wide as the bar, 70 pixels tall from the bar's top,
// with the keys in the entry's local seconds.
void placeCurve(vistrel::Spline* curve, const vistrel::Rect& span) {
    curve->setArea(vistrel::Rect(span.x1, span.y1, span.x2, span.y1 + 70));
    curve->setTimeSpan((span.x2 - span.x1) / Row::PixelsPerSecond);
}

} // namespace

void Row::buildTrack(const vistrel::Rect& span, script::SplineTrack* track, int level) {
    setText(track->mName);
    mLevel = level;

    vistrel::Spline* curve = new vistrel::Spline();
    curve->setColor(BlockBack, StateColor, First, curve->parseColor("330000ff"));
    curve->setColor(BlockBack, StateColor, Second, curve->parseColor("220000ff"));
    curve->setColor(BlockBack, StateBorder, First, curve->parseColor("ffff33ff"));
    curve->setColor(BlockBack, StateBorder, Second, curve->parseColor("ddddddff"));
    curve->setColor(BlockBack, StateHighlight, First, curve->parseColor("ffff33ff"));
    curve->setColor(BlockBack, StatePushed, First, curve->parseColor("ffffffff"));
    placeCurve(curve, span);
    curve->setCurve(track, false); // the timeline's own curve: edits act on the next frame
    addChild(curve, -1);
}

void Row::placeSpans() {
    for (unsigned i = 0; i < getChildCount(); ++i) {
        Control* child = getChild(i);
        if (auto* bar = dynamic_cast<Effector*>(child))
            bar->placeOnEntry();
        else if (auto* curve = dynamic_cast<vistrel::Spline*>(child); curve && mEntry)
            placeCurve(curve, Effector::spanArea(*mEntry, mParents, 2, 27));
    }
}

void Row::placeRows() {
    if (!mEntry) {
        placeSpans();
        return;
    }
    // The entry and the entries nested in it, at any depth.
    std::vector<const script::EffectEntry*> entries{mEntry};
    while (!entries.empty()) {
        const script::EffectEntry* entry = entries.back();
        entries.pop_back();
        auto it = mShared->rowsOf.find(entry);
        if (it != mShared->rowsOf.end())
            for (Row* row : it->second) row->placeSpans();
        for (const auto& child : entry->mChildren) entries.push_back(child.get());
    }
}

void Row::scrollChildren(float x) {
    for (unsigned i = 0; i < getChildCount(); ++i) getChild(i)->setScroll(x, 0);
}

void Row::scrollRows(float x) {
    mShared->scroll = x;
    ++mShared->scrollCount;
}

void Row::followScroll() {
    if (mScrollCount == mShared->scrollCount) return;
    mScrollCount = mShared->scrollCount;
    scrollChildren(mShared->scroll);
}

void Row::setArea(vistrel::Rect area) {
    Control::setArea(area);
    followScroll();
}

// Effector

Effector::Effector() {
    mClassName = "effect";
    mName = "effect";
    const mathbase::Color k = parseColor("6D6459");
    auto scaled = [&k](float f) { return mathbase::Color(k.r * f, k.g * f, k.b * f, k.a * f); };
    setColor(BlockBack, StateColor, First, k);
    setColor(BlockBack, StateColor, Second, k);
    setColor(BlockBack, StateHighlight, First, scaled(1.4f));
    setColor(BlockBack, StateHighlight, Second, scaled(1.4f));
    setColor(BlockBack, StatePushed, First, scaled(2.0f));
    setColor(BlockBack, StatePushed, Second, scaled(2.0f));
}

Effector::~Effector() {}

vistrel::Control* Effector::create() { return new Effector(); }

void Effector::load(xml::XmlParser::Iterator& tag) { Control::load(tag); }

void Effector::endDrag() {
    mZone = mDrag = ZoneNone;
    Control::endDrag();
}

bool Effector::hitTest(const vistrel::Event& e) { return Control::hitTest(e) || mDrag != ZoneNone || mZone != ZoneNone; }

vistrel::Rect Effector::spanArea(const script::EffectEntry& entry, const std::vector<script::EffectEntry*>& parents,
                                 float y1, float y2) {
    // A nested entry's times are in its parent's local time, which starts at the parent's start.
    float offset = 0.0f;
    for (const script::EffectEntry* parent : parents) offset += parent->mStart;
    return vistrel::Rect((offset + entry.mStart) * Row::PixelsPerSecond, y1, (offset + entry.mEnd) * Row::PixelsPerSecond,
                         y2);
}

void Effector::placeOnEntry() {
    if (mEntry) setArea(spanArea(*mEntry, mParents, 2, 27));
}

bool Effector::handleEvent(vistrel::Event& e) {
    const bool r = Control::handleEvent(e);
    if (e.name == "mousedown") {
        if (mZone != ZoneNone) mDrag = mZone;
    } else if (e.name == "mouseup") {
        mDrag = ZoneNone;
    }
    if (e.name != "mousemove" || !mEntry) return r;

    if (mDrag == ZoneNone) {
        mZone = mHover ? ZoneBar : ZoneNone;
        const vistrel::Rect& s = mScreenArea;
        if (vistrel::Rect(s.x1, s.y1, s.x1 + 10, s.y2).contains(e.x, e.y))
            mZone = ZoneLeftEdge;
        else if (vistrel::Rect(s.x2 - 10, s.y1, s.x2, s.y2).contains(e.x, e.y))
            mZone = ZoneRightEdge;
    }
    // dx is the previous x minus the new one: moving right makes it negative.
    const float seconds = e.dx / Row::PixelsPerSecond;
    script::EffectEntry& entry = *mEntry;
    if (mDrag == ZoneBar) {
        const float start = std::max(0.0f, entry.mStart - seconds);
        entry.mEnd += start - entry.mStart;
        entry.mStart = start;
    } else if (mDrag == ZoneLeftEdge) {
        // At least 1 second before the end, and never before 0 (also for spans shorter than 1 s).
        float start = entry.mStart - seconds;
        start = std::min(start, entry.mEnd - 1.0f);
        start = std::max(start, 0.0f);
        entry.mStart = start;
    } else if (mDrag == ZoneRightEdge) {
        entry.mEnd = std::max(entry.mEnd - seconds, entry.mStart + 1.0f);
    }
    // The timeline plays only up to its length: an entry moved or stretched past the old end
    // must still play there.
    if (mDrag != ZoneNone && mScript) mScript->computeLength();
    auto* row = dynamic_cast<Row*>(mParent);
    if (mDrag != ZoneNone && row)
        row->placeRows(); // this bar, the bars of the entries nested in it and the curves of all of them
    else
        placeOnEntry();
    return r;
}

void Effector::draw() {
    vistrel::Render* render = getRender();
    if (!render) return;
    const vistrel::Rect& s = mClipArea;
    // The edges of the bar on screen, as far as they are visible.
    const vistrel::Rect& a = mScreenArea;
    const vistrel::Rect leftEdge = vistrel::Rect(a.x1, a.y1, a.x1 + 10, a.y2).intersect(s);
    const vistrel::Rect rightEdge = vistrel::Rect(a.x2 - 10, a.y1, a.x2, a.y2).intersect(s);

    int state = StateColor;
    if (mZone == ZoneBar) state = StateHighlight;
    if (mDrag == ZoneBar) state = StatePushed;
    useColors(BlockBack, state);
    render->fillRect(s, 0);

    if (mDrag >= ZoneLeftEdge) {
        useColors(BlockBack, StatePushed);
        render->fillRect(mDrag == ZoneLeftEdge ? leftEdge : rightEdge, 0);
    } else if (mDrag == ZoneNone && mZone >= ZoneLeftEdge) {
        useColors(BlockBack, StateHighlight);
        render->fillRect(mZone == ZoneLeftEdge ? leftEdge : rightEdge, 0);
    }
    useColors(BlockBack, StateBorder);
    render->frameRect(s);
    Control::draw();
}

} // namespace corvista
} // namespace norvane
