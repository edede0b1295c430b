// Option lists: radio buttons and check boxes.

#include "vst_radiobutton.h"
#include "vst_render.h"

#include "dis_font.h"

namespace norvane {
namespace vistrel {

namespace {
const float NoColor[4] = {0, 0, 0, -1};
} // namespace

RadioButton::RadioButton() : mMultiSelect(false), mSelected(-1), mHoverIndex(-1), mPressedIndex(-1) {
    mClassName = "radiobutton";
    mName = "radiobutton";
    setColor(BlockBack, StateBorder, First, mathbase::Color(0, 0, 0, 0.7f));
    setColor(BlockBack, StateBorder, Second, mathbase::Color(0, 0, 0, 0.9f));
    setColor(BlockBack, StateColor, First, mathbase::Color(0.9f, 0.9f, 0.9f, 1));
    setColor(BlockBack, StateColor, Second, mathbase::Color(0.87f, 0.87f, 0.87f, 1));
    setColor(BlockBack, StateHighlight, First, mathbase::Color(0.63f, 0.63f, 0.61f, 1));
    setColor(BlockBack, StateHighlight, Second, mathbase::Color(0.53f, 0.53f, 0.51f, 1));
    setColor(BlockBack, StatePushed, First, mathbase::Color(0, 0, 0, 1));
    setColor(BlockBack, StatePushed, Second, mathbase::Color(0, 0, 0, 1));
    setColor(BlockText, StateColor, First, mathbase::Color(1, 1, 1, 1));
    setColor(BlockText, StateHighlight, First, mathbase::Color(1, 1, 0.61f, 1));
}

RadioButton::~RadioButton() {}

Control* RadioButton::create() { return new RadioButton(); }

void RadioButton::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    xml::XmlParser::Iterator options = tag.children("option");
    while (++options)
        addOption(options->getAttribute("name"), options->getAttribute("checked") == "true");
}

void RadioButton::setMultiSelect() { mMultiSelect = true; }

void RadioButton::setSingleSelect() { mMultiSelect = false; }

bool RadioButton::isChecked(const std::string& text) {
    for (const Option& option : mOptions) {
        if (option.text == text)
            return option.checked;
    }
    return false;
}

std::string RadioButton::getSelectedText() {
    if (mSelected < 0 || static_cast<size_t>(mSelected) >= mOptions.size())
        return std::string();
    return mOptions[static_cast<size_t>(mSelected)].text;
}

void RadioButton::setChecked(std::string text, bool checked) {
    for (size_t i = 0; i < mOptions.size(); ++i) {
        if (mOptions[i].text != text)
            continue;
        if (mMultiSelect)
            mOptions[i].checked = checked;
        else
            mSelected = static_cast<int>(i);
    }
}

void RadioButton::addOption(const std::string& text, bool checked) {
    mOptions.push_back(Option{text, checked});
    if (checked)
        setChecked(text, true);
}

void RadioButton::clearOptions() {
    mOptions.clear();
    mSelected = -1;
    mHoverIndex = -1;
    mPressedIndex = -1;
}

float RadioButton::rowHeight() {
    Render* render = getRender();
    display::Font* font = render ? render->getFont() : nullptr;
    return font ? static_cast<float>(font->mCellHeight) : 0.0f;
}

bool RadioButton::isChosen(int index) const {
    if (mMultiSelect)
        return mOptions[static_cast<size_t>(index)].checked;
    return index == mSelected;
}

bool RadioButton::handleEvent(Event& e) {
    bool result = Control::handleEvent(e);
    mHoverIndex = -1;
    float h = rowHeight();
    for (size_t i = 0; i < mOptions.size(); ++i) {
        int index = static_cast<int>(i);
        Rect row(mScreenArea.x1, mScreenArea.y1 + index * h, mScreenArea.x2, mScreenArea.y1 + (index + 1) * h);
        if (!row.contains(e.x, e.y))
            continue;
        if (e.name == "mousemove") {
            mHoverIndex = index;
        } else if (e.name == "mousedown" && e.button == 0) {
            mPressedIndex = index;
        } else if (e.name == "mouseup" && e.button == 0 && index == mPressedIndex) {
            mPressedIndex = -1;
            mSelected = index;
            if (mMultiSelect) {
                Option& option = mOptions[i];
                option.checked = !option.checked;
                notify(option.checked ? CodeChecked : CodeUnchecked);
            } else {
                notify(CodeRadioClicked);
            }
            // A callback may have changed the options; this event is done.
            break;
        }
    }
    // A release ends the press wherever it happens, so a later release alone chooses nothing.
    if (e.name == "mouseup" && e.button == 0)
        mPressedIndex = -1;
    return result;
}

void RadioButton::endDrag() {
    mPressedIndex = -1;
    mHoverIndex = -1;
    Control::endDrag();
}

void RadioButton::draw() {
    Render* render = getRender();
    if (!render)
        return;
    float h = rowHeight();
    for (size_t i = 0; i < mOptions.size(); ++i) {
        int index = static_cast<int>(i);
        float top = mScreenArea.y1 + index * h;
        Rect marker(mScreenArea.x1, top, mScreenArea.x1 + h, top + h);
        marker.inflate(-3);
        int states[3] = {StateBorder, index == mHoverIndex ? StateHighlight : StateColor, StatePushed};
        int steps = isChosen(index) ? 3 : 2;
        for (int s = 0; s < steps; ++s) {
            useColors(BlockBack, states[s]);
            if (mMultiSelect)
                render->fillRect(marker, 0);
            else
                render->fillEllipse(marker);
            marker.inflate(s == 0 ? -1.0f : -2.0f);
        }
        if (display::Font* font = render->getFont())
            font->mAlign = display::Font::AlignLeft;
        render->setColors(getColor(BlockText, index == mHoverIndex ? StateHighlight : StateColor, First), NoColor);
        render->drawText(mOptions[i].text, mScreenArea.x1 + h, top + h * 0.5f);
    }
}

// ---- Checkbox ----

Checkbox::Checkbox() {
    mClassName = "checkbox";
    setMultiSelect();
}

Checkbox::~Checkbox() {}

Control* Checkbox::create() { return new Checkbox(); }

} // namespace vistrel
} // namespace norvane
