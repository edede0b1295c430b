// The control classes that layouts can name, in their registration order. A new control class
// adds its header and one line below, in its place in the order.

#include "vst_button.h"
#include "vst_dropdown.h"
#include "vst_radiobutton.h"
#include "vst_slider.h"
#include "vst_textinput.h"
#include "vst_workspace.h"

#include "vst_frame.h"
#include "vst_image.h"
#include "vst_label.h"
#include "vst_menubar.h"
#include "vst_panel.h"
#include "vst_scrollbars.h"
#include "vst_spline.h"
#include "vst_stat.h"

#include "vst_flow.h"
#include "vst_layoutstack.h"
#include "vst_splineorg.h"
#include "vst_tabview.h"
#include "vst_treeview.h"
#include "vst_window.h"

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
    add<Button>(); // "button"
    add<Checkbox>(); // "checkbox"
    add<Dropdown>(); // "dropdown"
    add<Flow>();     // "flow"
    add<Frame>();    // "frame"
    add<Image>();    // "image"
    add<Label>();    // "label"
    add<LayoutStack>(); // "layoutstack"
    add<Menubar>();  // "menubar"
    add<Panel>();    // "panel"
    add<RadioButton>(); // "radiobutton"
    add<Scrollbars>(); // "scrollbar"
    add<Slider>(); // "slider"
    add<Spline>();   // "spline"
    add<SplineOrg>(); // "splineorg"
    add<Stat>();     // "stat"
    add<TabFrame>();  // "tabframe"
    add<TabView>();  // "tabview"
    add<TextInput>(); // "textinput"
    add<TreeView>();  // "treeview"
    add<Window>();    // "window"
    add<Workspace>(); // "workspace"
}

} // namespace vistrel
} // namespace norvane
