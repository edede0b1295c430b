#pragma once
// A tree of text items, one row per shown item, with an expand glyph in front of items that have
// children. Clicking a row selects its item and reports CodeTreeItemClicked; clicking the glyph,
// or double-clicking a row, opens or closes the item.

#include "vst_control.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace norvane {
namespace vistrel {

// One item of a tree view; it owns its children.
struct TreeItem {
    TreeItem() : collapsed(true), size(-1) {}
    TreeItem(std::string id_, std::string text_)
        : id(std::move(id_)), text(std::move(text_)), collapsed(true), size(-1) {}

    // Appends a child (collapsed) and returns it.
    TreeItem* addChild(std::unique_ptr<TreeItem> child);
    // True when item is this item or lies below it.
    bool holds(const TreeItem* item) const;

    std::string id;
    std::string text;
    bool collapsed; // the children are hidden
    int size;       // row height in pixels; -1 takes the font's cell height
    std::vector<std::unique_ptr<TreeItem>> children;
};

class TreeView : public Control {
public:
    TreeView();
    ~TreeView() override;

    Control* create() override;
    // Nested "item" tags with "id", "text" and, on the top level, "size".
    void load(xml::XmlParser::Iterator& tag) override;
    void setMaximized(bool maximized) override;
    bool handleEvent(Event& e) override;
    void draw() override;

    // Appends a top-level item, collapsed; the tree owns it. Returns it (null for none).
    virtual TreeItem* addItem(std::unique_ptr<TreeItem> item);
    // Takes a top-level item out of the tree and hands it back; null when it is not one. When it
    // is, or holds, the selected item, nothing is selected any more.
    virtual std::unique_ptr<TreeItem> removeItem(TreeItem* item);
    virtual TreeItem* getSelected();
    // The item whose row holds the point, walking the shown items below item (depth as given);
    // glyph tells whether the point is on its expand glyph. Null when no row holds it.
    virtual TreeItem* hitItem(TreeItem* item, const Event& e, int depth, bool& glyph);
    virtual void drawItem(TreeItem* item, int depth);

    // The top-level items.
    const std::vector<std::unique_ptr<TreeItem>>& getItems() const { return mRoot.children; }

private:
    // Row height of an item: its own size, or the font's cell height.
    float rowHeight(const TreeItem* item) const;
    float cellHeight() const;
    float glyphWidth() const;
    // The row at the current row offset.
    Rect currentRow(const TreeItem* item) const;
    float indentation(int depth) const { return mScreenArea.x1 + 3 + 10.0f * depth; }
    // Reads the "item" tags below tag into parent; depth counts from the top level.
    void loadItems(xml::XmlParser::Iterator& tag, TreeItem& parent, int depth);

    TreeItem mRoot;          // expanded; its children are the top-level items
    TreeItem* mSelected;     // not owned
    float mRowOffset;        // working values of a layout pass
    int mRowCounter;
};

} // namespace vistrel
} // namespace norvane
