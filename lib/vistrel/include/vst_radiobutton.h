#pragma once
// A vertical list of options, one text line each with a marker in front: round markers and one
// selected option (RadioButton, code CodeRadioClicked), or square markers with each option checked
// by itself (Checkbox, codes CodeChecked and CodeUnchecked).

#include "vst_control.h"

#include <string>
#include <vector>

namespace norvane {
namespace vistrel {

class RadioButton : public Control {
public:
    struct Option {
        std::string text;
        bool checked;
    };

    RadioButton();
    ~RadioButton() override;

    Control* create() override;
    // Every "option" tag: "name" is the text, "checked" equal to "true" checks it.
    void load(xml::XmlParser::Iterator& tag) override;
    bool handleEvent(Event& e) override;
    void draw() override;
    // Forgets the pressed and the hovered option: a later release alone chooses nothing.
    void endDrag() override;

    virtual void setMultiSelect();
    virtual void setSingleSelect();
    // The flag of the first option with that text; false when none has it.
    virtual bool isChecked(const std::string& text);
    // The selected option's text; empty when none is selected.
    virtual std::string getSelectedText();
    // Multi-select: every option with that text gets the flag. Single choice: the last option with
    // that text becomes the selected one, whatever the flag.
    virtual void setChecked(std::string text, bool checked);
    virtual void addOption(const std::string& text, bool checked);
    // Removes every option; nothing stays selected, pressed or hovered.
    virtual void clearOptions();

    bool isMultiSelect() const { return mMultiSelect; }
    int getSelectedIndex() const { return mSelected; }
    int getHoverIndex() const { return mHoverIndex; }
    int getPressedIndex() const { return mPressedIndex; }
    const std::vector<Option>& getOptions() const { return mOptions; }
    // Height of one option row: the font's cell height (0 without a font).
    float rowHeight();

private:
    bool isChosen(int index) const;

    bool mMultiSelect;
    std::vector<Option> mOptions;
    int mSelected;     // selected option, -1 for none
    int mHoverIndex;   // option under the pointer, -1 for none
    int mPressedIndex; // option on which the left button went down, -1 for none
};

class Checkbox : public RadioButton {
public:
    Checkbox();
    ~Checkbox() override;
    Control* create() override;
};

} // namespace vistrel
} // namespace norvane
