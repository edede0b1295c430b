#pragma once
// The editor's rows: a row shows a timeline entry with a bar for its span (an Effector), or one of
// its spline tracks with a curve control. The first 200 pixels hold the caption; time runs to the
// right of them at 10 pixels per second.

#include "vst_control.h"

#include <memory>
#include <vector>

namespace norvane {
namespace script {
class EffectEntry;
class Script;
class SplineTrack;
} // namespace script

namespace corvista {

class Row : public vistrel::Control {
public:
    // Pixels per second of timeline time, and the width of the caption before the time axis.
    static constexpr float PixelsPerSecond = 10.0f;
    static constexpr float CaptionWidth = 200.0f;

    Row();
    ~Row() override;

    Control* create() override;
    // The client area starts after the caption.
    void updateClientArea() override;
    // While the bar or curve of another row is dragged, this row gives the pointer way to it.
    bool hitTest(const vistrel::Event& e) override;
    // Ctrl or Alt with the wheel also scrolls the time slider "timeslider".
    bool handleEvent(vistrel::Event& e) override;
    // The row, its bar and its curves take the pointer from outside only while hovered or
    // dragged, and ignore resets; but while another row is dragged, a row's no to a hit test
    // says nothing of its own state.
    bool isEventQuiet() override;
    void draw() override;

    // Fills the row for an entry: its caption, its span bar, and then (appended to rows, the
    // editor's "effects"; none when null) a row for each of its spline tracks and a row for each
    // child entry, depth first. parents are the entries it is nested in, outermost first: its bar
    // stands where it plays on the demo's clock, after their starts.
    void setEffect(script::EffectEntry* entry, int level, vistrel::Control* rows,
                   const std::vector<script::EffectEntry*>& parents = {});
    // Fills the row for a spline track: a curve control over the span rectangle, editing the
    // track in place.
    void buildTrack(const vistrel::Rect& span, script::SplineTrack* track, int level);
    // Scrolls the row's bars and curves to the left by x pixels.
    void scrollChildren(float x);
    // The time slider's scroll, x pixels, for every row of this row's editor: each row takes it
    // (scrollChildren) when followScroll is called on it, and else when it is next laid out or
    // given an event, so that the rows out of sight cost a step of the slider nothing.
    void scrollRows(float x);
    void followScroll();
    // Laid out, the row also takes the time slider's scroll if it has not yet.
    void setArea(vistrel::Rect area) override;
    using Control::setArea;
    // Puts the bar, or the curves, of this row and of the other rows of its entry and of the
    // entries nested in it where they play now: a bar moved or stretched takes its curves and its
    // nested entries along. The other rows are left alone: they do not move.
    void placeRows();
    // Makes this row one of the same editor as other, before it is filled: the rows of one editor
    // know which of them is being dragged and which show each entry. setEffect makes the rows it
    // adds rows of the same editor.
    void joinRowsOf(const Row& other);

    int getLevel() const { return mLevel; }

private:
    struct Shared;

    // True when this row lies inside the control c.
    bool isInside(Control* c);
    // True while the row's bar or a key of its curve is being dragged.
    bool isDragging();
    // Puts the row's bar, or its curves, where its entry plays now.
    void placeSpans();
    // Sets the entry the row shows, and lists the row among the rows of that entry.
    void showEntry(script::EffectEntry* entry, const std::vector<script::EffectEntry*>& parents);

    int mLevel = 0;
    unsigned mScrollCount = 0; // the time slider's steps that the row has taken
    // The entry whose span the row's bar or curves show (not owned), and the entries it is
    // nested in, outermost first; none for a row not filled from the timeline.
    script::EffectEntry* mEntry = nullptr;
    std::vector<script::EffectEntry*> mParents;
    // What the rows of one editor share; each row takes itself out of it when it is deleted.
    std::shared_ptr<Shared> mShared;
};

// The bar of one entry's span. Dragging its middle moves the entry, dragging an edge moves that
// end; 10 pixels are one second, a span never starts before 0 and stays at least 1 second long.
class Effector : public vistrel::Control {
public:
    enum Zone { ZoneNone = 0, ZoneBar = 1, ZoneLeftEdge = 2, ZoneRightEdge = 3 };

    Effector();
    ~Effector() override;

    Control* create() override;
    void load(xml::XmlParser::Iterator& tag) override;
    // A bar under the pointer or being dragged keeps the pointer.
    bool hitTest(const vistrel::Event& e) override;
    bool handleEvent(vistrel::Event& e) override;
    void draw() override;

    // The entry, and the entries it is nested in (outermost first), whose starts come before its
    // own on the demo's clock.
    void setEntry(script::EffectEntry* entry, const std::vector<script::EffectEntry*>& parents = {}) {
        mEntry = entry;
        mParents = parents;
    }
    // The timeline whose length follows the spans this bar changes.
    void setScript(script::Script* script) { mScript = script; }
    script::EffectEntry* getEntry() const { return mEntry; }
    int getZone() const { return mZone; }
    int getDrag() const { return mDrag; }
    // The bar's area for the entry's span on the demo's clock.
    void placeOnEntry();
    // Where the entry's span stands in a row at 10 pixels per second, its parents' starts added,
    // from y1 to y2.
    static vistrel::Rect spanArea(const script::EffectEntry& entry, const std::vector<script::EffectEntry*>& parents,
                                  float y1, float y2);
    // Neither dragged nor with an edge or middle under the pointer, until the next move over it: a
    // zone kept would make the bar take the pointer's events, the first press included, wherever
    // the pointer is when a hidden panel shows again.
    void endDrag() override;

private:
    script::EffectEntry* mEntry = nullptr; // not owned
    std::vector<script::EffectEntry*> mParents;
    script::Script* mScript = nullptr; // not owned
    int mZone = ZoneNone;
    int mDrag = ZoneNone;
};

} // namespace corvista
} // namespace norvane
