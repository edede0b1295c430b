#pragma once
// A container that keeps each child's own size and stacks the children one after another without
// gaps, along y or along x.

#include "vst_control.h"

namespace norvane {
namespace vistrel {

class LayoutStack : public Control {
public:
    LayoutStack();
    ~LayoutStack() override;

    Control* create() override;
    // "direction" equal to "horisontal" stacks along x, anything else along y; the stack is laid
    // out once its children are loaded.
    void load(xml::XmlParser::Iterator& tag) override;
    // Both re-stack afterwards: a child that fills the stack must not fall back on top of the others.
    void setArea(Rect area) override;
    using Control::setArea;
    void setMaximized(bool maximized) override;
    void addChild(Control* child, int index = -1) override;
    void removeChild(unsigned index) override;
    void draw() override;

    virtual void setVertical();
    virtual void setHorizontal();
    // Stacks the children from 0, each keeping its width and height.
    virtual void relayout();

    int getVertical() const { return mVertical; }

private:
    // Puts every child at its place; with onlyMoved, only the children that are not at their
    // places already are laid out again.
    void stack(bool onlyMoved);

    int mVertical;
    bool mLoading; // the children are being loaded
};

} // namespace vistrel
} // namespace norvane
