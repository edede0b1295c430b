// The tree view: nested items, rows that select, glyphs that open and close.

#include "vst_treeview.h"
#include "vst_render.h"

#include "dis_font.h"

#include <cstdio>

namespace norvane {
namespace vistrel {

namespace {

const float NoColor[4] = {0, 0, 0, -1};
// The expand glyph of a closed item, and of an open one.
const char GlyphCollapsed = static_cast<char>(255);
const char GlyphExpanded = static_cast<char>(254);
// Row heights beyond this are taken as this (a layout cannot ask for rows taller than a screen
// many times over).
const float MaxRowSize = 65535;

} // namespace

TreeItem* TreeItem::addChild(std::unique_ptr<TreeItem> child) {
    if (!child)
        return nullptr;
    child->collapsed = true;
    children.push_back(std::move(child));
    return children.back().get();
}

bool TreeItem::holds(const TreeItem* item) const {
    if (item == this)
        return true;
    for (const auto& child : children) {
        if (child->holds(item))
            return true;
    }
    return false;
}

TreeView::TreeView() : mSelected(nullptr), mRowOffset(0), mRowCounter(0) {
    mClassName = "treeview";
    mRoot.collapsed = false;
    setMaximized(true);
    setColor(BlockBack, StateColor, First, mathbase::Color(0, 0, 0, 0.1f));
    setColor(BlockBack, StateColor, Second, mathbase::Color(0, 0, 0, 0.3f));
    setColor(BlockBack, StatePushed, First, mathbase::Color(1, 1, 1, 0.8f));
    setColor(BlockText, StateColor, First, mathbase::Color(1, 1, 1, 1));
    setColor(BlockText, StateColor, Second, mathbase::Color(0.76f, 0.76f, 0.76f, 1));
    setColor(BlockText, StatePushed, First, mathbase::Color(0, 0, 0, 1));
    setColor(BlockText, StatePushed, Second, mathbase::Color(0, 0, 0, 1));
}

TreeView::~TreeView() {}

Control* TreeView::create() { return new TreeView(); }

void TreeView::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    loadItems(tag, mRoot, 0);
}

void TreeView::loadItems(xml::XmlParser::Iterator& tag, TreeItem& parent, int depth) {
    xml::XmlParser::Iterator items = tag.children("item");
    while (++items) {
        std::unique_ptr<TreeItem> item(new TreeItem(items->getAttribute("id"), items->getAttribute("text")));
        if (depth == 0) {
            if (!items->getAttribute("size").empty()) {
                float size = items->getFloat("size");
                // Whole pixels; a negative or unreadable size keeps the font's row height.
                if (size >= 0)
                    item->size = static_cast<int>(size < MaxRowSize ? size : MaxRowSize);
            }
            std::printf("item name : %s\n", item->text.c_str());
        }
        loadItems(items, *item, depth + 1);
        if (depth == 0)
            addItem(std::move(item));
        else
            parent.addChild(std::move(item));
    }
}

void TreeView::setMaximized(bool maximized) { Control::setMaximized(maximized); }

TreeItem* TreeView::addItem(std::unique_ptr<TreeItem> item) { return mRoot.addChild(std::move(item)); }

std::unique_ptr<TreeItem> TreeView::removeItem(TreeItem* item) {
    for (auto it = mRoot.children.begin(); it != mRoot.children.end(); ++it) {
        if (it->get() != item)
            continue;
        // The selection must never point at an item that has left the tree.
        if (mSelected && item->holds(mSelected))
            mSelected = nullptr;
        std::unique_ptr<TreeItem> taken = std::move(*it);
        mRoot.children.erase(it);
        return taken;
    }
    return nullptr;
}

TreeItem* TreeView::getSelected() { return mSelected; }

float TreeView::cellHeight() const {
    Render* render = const_cast<TreeView*>(this)->getRender();
    display::Font* font = render ? render->getFont() : nullptr;
    return font ? static_cast<float>(font->mCellHeight) : 0.0f;
}

float TreeView::glyphWidth() const {
    Render* render = const_cast<TreeView*>(this)->getRender();
    return render ? render->textWidth(std::string(1, GlyphCollapsed)) : 0.0f;
}

float TreeView::rowHeight(const TreeItem* item) const {
    return item->size < 0 ? cellHeight() : static_cast<float>(item->size);
}

Rect TreeView::currentRow(const TreeItem* item) const {
    float top = mScreenArea.y1 + 3 + mRowOffset;
    return Rect(mScreenArea.x1, top, mScreenArea.x2, top + rowHeight(item));
}

bool TreeView::handleEvent(Event& e) {
    bool result = Control::handleEvent(e);
    mRowOffset = 0;
    if (!isVisible() || e.name != "mousedown")
        return result;
    // Find the row first and act afterwards: the application hears of the click while the
    // walk is over, so it may change the tree from its callback.
    TreeItem* hit = nullptr;
    bool glyph = false;
    for (size_t i = 0; i < mRoot.children.size() && !hit; ++i)
        hit = hitItem(mRoot.children[i].get(), e, 0, glyph);
    if (!hit)
        return result;
    if (glyph || e.doubleClick) {
        hit->collapsed = !hit->collapsed;
    } else {
        mSelected = hit;
        notify(CodeTreeItemClicked);
    }
    return result;
}

TreeItem* TreeView::hitItem(TreeItem* item, const Event& e, int depth, bool& glyph) {
    Rect row = currentRow(item);
    mRowOffset += row.height();
    if (row.contains(e.x, e.y)) {
        float x = indentation(depth);
        float w = item->children.empty() ? 0.0f : glyphWidth();
        glyph = Rect(x, row.y1, x + w, row.y2).contains(e.x, e.y);
        return item;
    }
    if (item->collapsed)
        return nullptr;
    for (const auto& child : item->children) {
        if (TreeItem* hit = hitItem(child.get(), e, depth + 1, glyph))
            return hit;
    }
    return nullptr;
}

void TreeView::draw() {
    mRowOffset = 0;
    mRowCounter = 0;
    Render* render = getRender();
    if (render) {
        if (display::Font* font = render->getFont())
            font->mAlign = display::Font::AlignLeft;
        for (const auto& item : mRoot.children)
            drawItem(item.get(), 0);
    }
    Control::draw();
}

void TreeView::drawItem(TreeItem* item, int depth) {
    Render* render = getRender();
    Rect row = currentRow(item);
    // Rows outside the visible part are passed over without drawing.
    if (render && row.y2 > mClipArea.y1 && row.y1 < mClipArea.y2) {
        bool selected = item == mSelected;
        const float* back = selected ? getColor(BlockBack, StatePushed, First)
                                     : getColor(BlockBack, StateColor, mRowCounter % 2 == 0 ? Second : First);
        render->setColors(back, NoColor);
        render->fillRect(row, 0);

        float x = indentation(depth);
        float textY = mScreenArea.y1 + 3 + mRowOffset + cellHeight() * 0.5f;
        int block = selected ? StatePushed : StateColor;
        if (!item->children.empty()) {
            render->setColors(getColor(BlockText, block, Second), NoColor);
            render->drawText(std::string(1, item->collapsed ? GlyphCollapsed : GlyphExpanded), x, textY);
        }
        render->setColors(getColor(BlockText, block, First), NoColor);
        render->drawText(item->text, x + glyphWidth(), textY);
    }
    ++mRowCounter;
    mRowOffset += row.height();
    if (item->collapsed)
        return;
    for (const auto& child : item->children)
        drawItem(child.get(), depth + 1);
}

} // namespace vistrel
} // namespace norvane
