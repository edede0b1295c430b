#pragma once
// Shows one chosen option with a down arrow; a press opens the list of all options below it, as
// wide as itself. Choosing another option shows it and notifies CodeDropdownChosen.

#include "vst_context.h"

#include <string>

namespace norvane {
namespace vistrel {

class Dropdown : public Control {
public:
    Dropdown();
    ~Dropdown() override;

    Control* create() override;
    // Every "option" tag: "name" is the caption and "id" the option's name; an option with a
    // non-empty "default" becomes the shown one (the last such wins, else the first option).
    void load(xml::XmlParser::Iterator& tag) override;
    bool handleEvent(Event& e) override;
    void draw() override;

    // Removes every option and shows nothing.
    virtual void clearOptions();
    // Appends an option; the first one added to an empty dropdown is shown.
    virtual void addOption(std::string text, std::string name);
    // A negative index, or the shown option's, also changes the shown text.
    virtual void setOptionText(std::string text, int index);
    virtual std::string getSelectedText();
    // Shows the text even when no option has it (the index is then -1).
    virtual void select(std::string text);
    // The name of the option at the selected index; empty when the index is outside the list.
    virtual std::string getSelectedName();
    virtual int getSelectedIndex();
    // Stores the index only; the shown text stays.
    virtual void setSelectedIndex(int index);

    Context& getMenu() { return mMenu; }
    // The box of the arrow at the right end, in screen coordinates.
    Rect arrowBox() const;

private:
    int mSelectedIndex;
    Context mMenu; // the options are its items; its text "context" starts every path it sends
};

} // namespace vistrel
} // namespace norvane
