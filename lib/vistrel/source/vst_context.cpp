// The menu: items laid out as rows, hover and submenus, the chosen path, and drawing.

#include "vst_context.h"
#include "vst_render.h"

#include "dis_font.h"

namespace norvane {
namespace vistrel {

namespace {
const float NoColor[4] = {0, 0, 0, -1}; // a second colour that takes the first
}

const float Context::RowHeight = 10.0f;

Context::Context()
    : mPadding(5), mMarkerWidth(20), mSpacing(5), mFixedWidth(-1), mHoverItem(-1), mOpenItem(-1) {
    mClassName = "context";
    mName = "context";
    mText = "context";
    setColor(BlockBack, StateColor, First, mathbase::Color(0, 0, 0, 0.8f));
    setColor(BlockBack, StateColor, Second, mathbase::Color(0.1f, 0.15f, 0.1f, 0.8f));
    setColor(BlockBack, StateHighlight, First, mathbase::Color(1, 1, 1, 1));
    setColor(BlockBack, StateHighlight, Second, mathbase::Color(1, 1, 1, 0.8f));
    setColor(BlockText, StateColor, First, mathbase::Color(1, 1, 1, 1));
    setColor(BlockText, StateHighlight, First, mathbase::Color(0, 0, 0, 1));
    setColor(BlockText, StateHighlight, Second, mathbase::Color(1, 1, 1, 0.7f));
}

Context::~Context() {}

Control* Context::create() { return new Context(); }

void Context::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    xml::XmlParser::Iterator items = tag.children("item");
    while (++items) {
        Context* item = addItem(items->getAttribute("caption"), "");
        item->load(items);
    }
}

void Context::clear() {
    mHoverItem = -1;
    mOpenItem = -1;
    mSelected.clear();
    removeAllChildren();
}

Context* Context::addItem(std::string text, std::string name) {
    Context* item = new Context();
    item->setText(std::move(text));
    item->setName(std::move(name));
    addChild(item, -1);
    return item;
}

void Context::setItemText(std::string text, int index) {
    if (index < 0)
        index = mHoverItem < 0 ? 0 : mHoverItem;
    if (static_cast<unsigned>(index) < getChildCount())
        mChildren[index]->setText(std::move(text));
}

int Context::select(const std::string& text) {
    for (size_t i = 0; i < mChildren.size(); ++i) {
        if (mChildren[i]->getText() == text) {
            mSelected = text;
            return static_cast<int>(i);
        }
    }
    return -1;
}

void Context::setFixedWidth(float width) { mFixedWidth = width; }

void Context::layout() {
    Render* render = getRender();
    float w = 0;
    for (Control* item : mChildren) {
        float t = render ? render->textWidth(item->getText()) : 0.0f;
        if (t > w)
            w = t;
    }
    float n = static_cast<float>(mChildren.size());
    Rect r = mArea;
    r.x2 = r.x1 + 2 * mPadding + w + mMarkerWidth;
    r.y2 = r.y1 + 2 * mPadding + n * (mSpacing + RowHeight) - mSpacing;
    if (mFixedWidth > 0)
        r.x2 = r.x1 + mFixedWidth;
    setArea(r);
    mOpenItem = -1;
    mHoverItem = -1;
}

Rect Context::itemRow(int i) const {
    float top = mArea.y1 + mPadding + static_cast<float>(i) * (mSpacing + RowHeight);
    return Rect(mArea.x1, top, mArea.x2, top + RowHeight);
}

bool Context::handleEvent(Event& e) {
    if (e.name == "mousemove") {
        mHoverItem = -1;
        for (size_t i = 0; i < mChildren.size(); ++i) {
            int index = static_cast<int>(i);
            if (!itemRow(index).contains(e.x, e.y))
                continue;
            mHoverItem = index;
            Control* item = mChildren[i];
            if (index != mOpenItem && item->getClassName() == "context") {
                mOpenItem = -1;
                if (item->getChildCount() > 0) {
                    mOpenItem = index;
                    item->setPosition(mArea.x2 + 2, mArea.y1 + static_cast<float>(index) * (mSpacing + RowHeight));
                    item->layout();
                    if (!item->getOwner())
                        item->setOwner(this);
                }
            }
        }
    }
    if (mOpenItem >= 0 && static_cast<unsigned>(mOpenItem) < mChildren.size())
        mChildren[mOpenItem]->handleEvent(e);
    if (e.name == "mouseup" && e.button == 0 && mHoverItem >= 0 &&
        static_cast<unsigned>(mHoverItem) < mChildren.size()) {
        Event chosen;
        chosen.x = e.x;
        chosen.y = e.y;
        chosen.name = "context";
        chosen.text = mChildren[mHoverItem]->getText();
        choose(chosen);
    }
    return false;
}

void Context::choose(const Event& e) {
    Event path(e);
    path.text = mText + "." + e.text;
    if (!mParent)
        return;
    if (mParent->getClassName() == "context") {
        if (Context* outer = dynamic_cast<Context*>(mParent)) {
            outer->choose(path);
            return;
        }
    }
    mParent->handleEvent(path);
    mParent->notifyNamed(this, path.text);
}

void Context::draw() {
    Render* render = getRender();
    if (!render)
        return;
    const Rect& a = mArea;
    useColors(BlockBack, StateColor);
    render->fillRect(a, 0);
    useColors(BlockBack, StateBorder);
    render->frameRect(a);
    if (display::Font* font = render->getFont())
        font->mAlign = display::Font::AlignLeft;
    const float maxWidth = (a.x2 - a.x1) - 2 * mPadding;
    const float markerWidth = render->textWidth(">");
    for (size_t i = 0; i < mChildren.size(); ++i) {
        int index = static_cast<int>(i);
        Control* item = mChildren[i];
        float top = a.y1 + mPadding + static_cast<float>(index) * (mSpacing + RowHeight);
        if (index == mHoverItem) {
            useColors(BlockBack, StateHighlight);
            render->fillRect(Rect(a.x1 + mPadding, top, a.x2 - mPadding, top + RowHeight), 0);
        }
        std::string text = item->getText();
        const float* color = getColor(BlockText, StateColor, First);
        if (text == mSelected)
            color = getColor(BlockText, StateHighlight, Second);
        if (index == mHoverItem)
            color = getColor(BlockText, StateHighlight, First);
        // Cut from the end until it fits, taking off one character's advance at a time.
        float width = render->textWidth(text);
        display::Font* font = render->getFont();
        while (!text.empty() && width > maxWidth) {
            width -= font ? font->mAdvance[static_cast<unsigned char>(text.back())] : 0.0f;
            text.erase(text.size() - 1);
            if (!font)
                width = render->textWidth(text);
        }
        float y = a.y1 + static_cast<float>(index) * (mSpacing + RowHeight) + mPadding + 5;
        render->setColors(color, NoColor);
        render->drawText(text, a.x1 + mPadding, y);
        if (item->getChildCount() > 0) {
            render->drawText(">", a.x2 - 2 * mPadding - markerWidth, y);
            if (index == mOpenItem)
                item->draw();
        }
    }
}

} // namespace vistrel
} // namespace norvane
