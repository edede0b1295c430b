#pragma once
// The GUI's menu: a vertical list of text items shown as a popup over everything. Each item is a
// menu itself, and an item with items of its own opens a submenu beside it. Choosing an item
// sends the dotted path of captions, outermost menu first (for instance "spline.type.square"),
// to the control that opened the menu: as an Event named "context" and through notifyNamed.
// A menu works in workspace coordinates: its area is where it is drawn and hit-tested.

#include "vst_control.h"

#include <string>

namespace norvane {
namespace vistrel {

class Context : public Control {
public:
    // Every item row is this many pixels high.
    static const float RowHeight;

    Context();
    ~Context() override;

    Control* create() override;
    // The common load, then every "item" tag becomes an item (its "caption" the text); items
    // nested in an item build its submenu.
    void load(xml::XmlParser::Iterator& tag) override;
    bool handleEvent(Event& e) override;
    void draw() override;
    // Sizes the menu to its items at its current position; the workspace calls it on opening.
    void layout() override;

    // Deletes every item and forgets hover, open submenu and selection.
    virtual void clear();
    // Appends a new item with that caption and name and returns it.
    virtual Context* addItem(std::string text, std::string name);
    // A negative index means the hovered item, or item 0 when none is hovered.
    virtual void setItemText(std::string text, int index);
    // Marks the first item of that caption as the selected one; its index, or -1 (nothing changes).
    virtual int select(const std::string& text);
    // A width above 0 fixes the menu's width; otherwise it follows the texts.
    virtual void setFixedWidth(float width);
    // Passes a choice up: each enclosing menu puts its caption in front of the event's text, and
    // the outermost hands the path to its owner.
    virtual void choose(const Event& e);

    int getHoverItem() const { return mHoverItem; }
    int getOpenItem() const { return mOpenItem; }
    const std::string& getSelected() const { return mSelected; }
    float getFixedWidth() const { return mFixedWidth; }
    // The row of item i, in workspace coordinates.
    Rect itemRow(int i) const;

protected:
    float mPadding;     // inner margin on every side
    float mMarkerWidth; // room to the right of the widest text
    float mSpacing;     // gap between rows
    float mFixedWidth;  // > 0: the menu's width
    int mHoverItem;     // item under the pointer, or -1
    int mOpenItem;      // item whose submenu is open, or -1
    std::string mSelected;
};

} // namespace vistrel
} // namespace norvane
