#pragma once
// A text aligned inside the control's rectangle. It fills its parent unless the layout gives it
// an area.

#include "vst_control.h"

#include <string>

namespace norvane {
namespace vistrel {

class Label : public Control {
public:
    enum { AlignLeft = 0, AlignRight = 1, AlignCenter = 2 };   // the font's numbering
    enum { VAlignTop = 0, VAlignMiddle = 1, VAlignBottom = 2 };

    Label();
    ~Label() override;

    Control* create() override;
    // "text" the label's text; "align" center/middle or right; "valign" center/middle or bottom.
    void load(xml::XmlParser::Iterator& tag) override;
    void draw() override;

    const std::string& getLabelText() const { return mLabelText; }
    void setLabelText(const std::string& text) { mLabelText = text; }
    int getAlign() const { return mAlign; }
    int getVAlign() const { return mVAlign; }
    void setAlign(int align, int valign) {
        mAlign = align;
        mVAlign = valign;
    }

private:
    std::string mLabelText; // the control text is not used
    int mAlign;
    int mVAlign;
};

} // namespace vistrel
} // namespace norvane
