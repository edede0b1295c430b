#pragma once
// A horizontal bar of menu titles along the top of the workspace. Each title owns a menu that it
// opens as a popup below it; while a menu is open, moving over the other titles switches menus.
// The bar's children lie below the bar.

#include "vst_context.h"

#include <vector>

namespace norvane {
namespace vistrel {

class Menubar : public Control {
public:
    Menubar();
    ~Menubar() override;

    Control* create() override;
    // The common load, then every "item" tag becomes a menu: its "caption" is the title and its
    // own "item" tags are the menu's items.
    void load(xml::XmlParser::Iterator& tag) override;
    void updateClientArea() override;
    bool handleEvent(Event& e) override;
    void draw() override;
    // Leaves menu mode and forgets the hovered title: hiding has closed the menu.
    void endDrag() override;

    // Places the menu below the hovered title and opens it as the workspace's popup.
    void openMenu(Context& menu);

    // Takes the menu; its text is the title.
    void addMenu(Context* menu) { mMenus.push_back(menu); }
    unsigned getMenuCount() const { return static_cast<unsigned>(mMenus.size()); }
    Context* getMenu(unsigned index) const { return index < mMenus.size() ? mMenus[index] : nullptr; }
    bool isOpen() const { return mOpen; }
    int getHoverTitle() const { return mHoverTitle; }
    float getBarHeight() const { return mBarHeight; }
    // The box of title i in screen coordinates, as the pointer is tested against it.
    Rect titleBox(int i);

private:
    // True while one of this bar's menus is the workspace's popup.
    bool isMenuShown();

    bool mOpen;       // a menu of the bar is open
    bool mJustOpened; // it was opened by the press still going on
    float mBarHeight;
    float mLeft; // x of the first title
    float mGap;  // between titles
    int mHoverTitle;
    bool mOverTitle; // the last move was over a title
    std::vector<Context*> mMenus; // owned; not children of the bar
};

} // namespace vistrel
} // namespace norvane
