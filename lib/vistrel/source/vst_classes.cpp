// The control classes that layouts can name, in their registration order. A new control class
// adds its header and one line below, in its place in the order.

#include "vst_workspace.h"

namespace norvane {
namespace vistrel {

namespace {

template <typename T> void add() {
    T* prototype = new T();
    if (ControlRegistry::isRegistered(prototype->getClassName())) {
        delete prototype;
        return;
    }
    ControlRegistry::registerPrototype(prototype);
}

} // namespace

void registerControlClasses() {
    // add<Button>();      "button"
    // add<Checkbox>();    "checkbox"
    // add<Dropdown>();    "dropdown"
    // add<Flow>();        "flow"
    // add<Frame>();       "frame"
    // add<Image>();       "image"
    // add<Label>();       "label"
    // add<LayoutStack>(); "layoutstack"
    // add<Menubar>();     "menubar"
    // add<Panel>();       "panel"
    // add<RadioButton>(); "radiobutton"
    // add<Scrollbars>();  "scrollbar"
    // add<Slider>();      "slider"
    // add<Spline>();      "spline"
    // add<SplineOrg>();   "splineorg"
    // add<Stat>();        "stat"
    // add<TabFrame>();    "tabframe"
    // add<TabView>();     "tabview"
    // add<TextInput>();   "textinput"
    // add<TreeView>();    "treeview"
    // add<Window>();      "window"
    add<Workspace>(); // "workspace"
}

} // namespace vistrel
} // namespace norvane
