#pragma once
// A container that divides its length among its children: each child has a fixed size in pixels
// or a weight, and the weighted children share what the fixed ones leave.

#include "vst_control.h"

#include <map>

namespace norvane {
namespace vistrel {

class Flow : public Control {
public:
    Flow();
    ~Flow() override;

    Control* create() override;
    // "direction" equal to "horisontal" lays the children out along x; anything else along y.
    void load(xml::XmlParser::Iterator& tag) override;
    // Places every child along the flow's length, from 0 in the flow's own client coordinates.
    void setArea(Rect area) override;
    using Control::setArea;
    // Re-places the children afterwards: re-maximizing them must not undo their places.
    void setMaximized(bool maximized) override;
    void removeChild(unsigned index) override;
    void removeAllChildren() override;
    void draw() override;

    // 1 lays the children out along y, 0 along x; takes effect at the next setArea.
    virtual void setVertical(int vertical);
    // Appends the child with a fixed size of 10 pixels.
    virtual void addFlowChild(Control* child);

    // A positive size is in pixels; setChildPercent stores the weight w as -w.
    void setChildSize(Control* child, float pixels);
    void setChildPercent(Control* child, float weight);
    // The stored value; 0 for a child that has none.
    float getChildSize(Control* child);
    int getVertical() const { return mVertical; }

protected:
    void setFlowSize(Control* child, float value, bool weight) override;

private:
    // Gives every child its place along the current area; with onlyMoved, only the children
    // that are not at their places already are laid out again.
    void placeChildren(bool onlyMoved);

    std::map<Control*, float> mSizes; // pixels (> 0) or -weight (< 0), by child
    int mVertical;
};

} // namespace vistrel
} // namespace norvane
