// The drop-down list.

#include "vst_dropdown.h"
#include "vst_render.h"

#include "dis_font.h"

#include <algorithm>

namespace norvane {
namespace vistrel {

namespace {
const float NoColor[4] = {0, 0, 0, -1};
} // namespace

Dropdown::Dropdown() : mSelectedIndex(0) {
    mClassName = "dropdown";
    mName = "dropdown";
    mText = "";
    setColor(BlockBack, StateColor, First, mathbase::Color(0.51f, 0.51f, 0.51f, 1));
    setColor(BlockBack, StateColor, Second, mathbase::Color(0.7f, 0.7f, 0.7f, 1));
    setColor(BlockText, StateColor, First, mathbase::Color(0, 0, 0, 1));
}

// The list, going with the dropdown, takes itself out of the workspace's popup when it is open.
Dropdown::~Dropdown() {}

Control* Dropdown::create() { return new Dropdown(); }

void Dropdown::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    xml::XmlParser::Iterator options = tag.children("option");
    while (++options) {
        if (!options->getAttribute("default").empty())
            mText.clear();
        addOption(options->getAttribute("name"), options->getAttribute("id"));
    }
}

void Dropdown::clearOptions() {
    mText.clear();
    mMenu.clear();
}

void Dropdown::addOption(std::string text, std::string name) {
    mMenu.addItem(text, name);
    if (mText.empty()) {
        mText = text;
        mSelectedIndex = mMenu.select(text);
    }
}

void Dropdown::setOptionText(std::string text, int index) {
    if (index < 0 || index == mSelectedIndex)
        mText = text;
    mMenu.setItemText(text, index);
}

std::string Dropdown::getSelectedText() { return mText; }

void Dropdown::select(std::string text) {
    mText = text;
    mSelectedIndex = mMenu.select(text);
}

std::string Dropdown::getSelectedName() {
    if (mSelectedIndex < 0)
        return std::string();
    Control* option = mMenu.getChildOrNull(static_cast<unsigned>(mSelectedIndex));
    return option ? option->getName() : std::string();
}

int Dropdown::getSelectedIndex() { return mSelectedIndex; }

void Dropdown::setSelectedIndex(int index) { mSelectedIndex = index; }

bool Dropdown::handleEvent(Event& e) {
    bool result = Control::handleEvent(e);
    if (e.name == "mousedown") {
        if (!mText.empty()) {
            mMenu.setPosition(mScreenArea.x1, mScreenArea.y2);
            mMenu.setFixedWidth(mScreenArea.width());
            openPopup(&mMenu);
        }
    } else if (e.name == "context") {
        // The path is the menu's own word, a point, and the caption, which may hold points too.
        size_t dot = e.text.find('.');
        std::string caption = dot == std::string::npos ? e.text : e.text.substr(dot + 1);
        if (caption != mText) {
            for (unsigned i = 0; i < mMenu.getChildCount(); ++i) {
                if (mMenu.getChild(i)->getText() == caption)
                    mSelectedIndex = static_cast<int>(i);
            }
            mText = caption;
            mMenu.select(caption);
            notify(CodeDropdownChosen, this);
        }
    }
    return result;
}

Rect Dropdown::arrowBox() const {
    Rect box(mScreenArea.x2 - mScreenArea.height(), mScreenArea.y1, mScreenArea.x2, mScreenArea.y2);
    box.inflate(-4);
    return box;
}

void Dropdown::draw() {
    Render* render = getRender();
    if (!render)
        return;
    fillBorderedFace(render, StateColor);

    Rect arrow = arrowBox();
    render->setColors(getColor(BlockText, StateColor, First), NoColor);
    // A dropdown too low for an arrow draws none.
    if (arrow.width() > 0 && arrow.height() > 0)
        render->fillEllipse(arrow, 3, 0);

    // The text stops short of the arrow, and at the visible part's right end where the dropdown
    // is cut off before its arrow; a dropdown narrower than its height shows none of it.
    render->setScissor(mClipArea.x1, mClipArea.y1, std::min(arrow.x1 - 2, mClipArea.x2), mClipArea.y2);
    if (display::Font* font = render->getFont())
        font->mAlign = display::Font::AlignLeft;
    render->setColors(getColor(BlockText, StateColor, First), NoColor);
    render->drawText(mText, mScreenArea.x1 + 2, mScreenArea.center().y);
}

} // namespace vistrel
} // namespace norvane
