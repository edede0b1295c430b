#pragma once
// A filled, outlined container.

#include "vst_control.h"

namespace norvane {
namespace vistrel {

class Frame : public Control {
public:
    Frame();
    ~Frame() override;

    Control* create() override;
    void load(xml::XmlParser::Iterator& tag) override;
    void draw() override;
};

} // namespace vistrel
} // namespace norvane
