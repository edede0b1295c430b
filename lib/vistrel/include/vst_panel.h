#pragma once
// A captioned group box: a filled area whose outline leaves a gap for the caption at the top
// left; the children sit inside the border.

#include "vst_control.h"

namespace norvane {
namespace vistrel {

class Panel : public Control {
public:
    Panel();
    ~Panel() override;

    Control* create() override;
    // "caption" becomes the text.
    void load(xml::XmlParser::Iterator& tag) override;
    // (5, 15) to (width - 6, height - 6).
    void updateClientArea() override;
    void draw() override;
};

} // namespace vistrel
} // namespace norvane
