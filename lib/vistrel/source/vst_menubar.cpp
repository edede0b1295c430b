// The menu bar: titles along the top, one menu per title opened as the workspace's popup.

#include "vst_menubar.h"
#include "vst_render.h"
#include "vst_workspace.h"

#include "dis_font.h"

#include <GL/glew.h>

namespace norvane {
namespace vistrel {

namespace {
const float NoColor[4] = {0, 0, 0, -1};
}

Menubar::Menubar()
    : mOpen(false), mJustOpened(false), mBarHeight(20), mLeft(5), mGap(15), mHoverTitle(-1), mOverTitle(false) {
    mClassName = "menubar";
    mName = "menubar";
    mText = "menubar";
    setColor(BlockBack, StateColor, First, mathbase::Color(1, 1, 1, 1));
    setColor(BlockBack, StateColor, Second, mathbase::Color(0.6f, 0.6f, 0.6f, 1));
    setColor(BlockBack, StateBorder, First, mathbase::Color(0.1f, 0.1f, 0.1f, 0.7f));
    setColor(BlockBack, StateHighlight, First, mathbase::Color(1, 1, 1, 1));
    setColor(BlockBack, StateHighlight, Second, mathbase::Color(0.4f, 0.4f, 0.4f, 1));
    setColor(BlockBack, StatePushed, First, mathbase::Color(0, 0, 0, 0.8f));
    setColor(BlockBack, StatePushed, Second, mathbase::Color(0, 0, 0, 0.8f));
    setColor(BlockText, StateColor, First, mathbase::Color(0, 0, 0, 1));
    setColor(BlockText, StateHighlight, First, mathbase::Color(1, 1, 1, 1));
    setColor(BlockText, StatePushed, First, mathbase::Color(1, 1, 1, 1));
}

Menubar::~Menubar() {
    std::vector<Control*> menus(mMenus.begin(), mMenus.end());
    mMenus.clear();
    for (Control* menu : menus)
        delete menu;
}

Control* Menubar::create() { return new Menubar(); }

void Menubar::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    xml::XmlParser::Iterator items = tag.children("item");
    while (++items) {
        Context* menu = new Context();
        menu->setText(items->getAttribute("caption"));
        menu->load(items);
        mMenus.push_back(menu);
    }
}

void Menubar::updateClientArea() {
    Control::updateClientArea();
    mClientArea.y1 += mBarHeight;
}

Rect Menubar::titleBox(int i) {
    Render* render = getRender();
    float x = mLeft;
    for (int k = 0; k < i && static_cast<size_t>(k) < mMenus.size(); ++k)
        x += (render ? render->textWidth(mMenus[k]->getText()) : 0.0f) + mGap;
    float w = render && static_cast<size_t>(i) < mMenus.size() ? render->textWidth(mMenus[i]->getText()) : 0.0f;
    return Rect(x, mScreenArea.y1, x + w, mScreenArea.y1 + mBarHeight);
}

void Menubar::openMenu(Context& menu) {
    Rect box = titleBox(mHoverTitle < 0 ? 0 : mHoverTitle);
    menu.setPosition(box.x1, mScreenArea.y1 + mBarHeight);
    Control::openPopup(&menu);
}

bool Menubar::isMenuShown() {
    Workspace* workspace = dynamic_cast<Workspace*>(getRoot());
    if (!workspace)
        return false;
    for (Context* menu : mMenus) {
        if (workspace->getPopup() == menu)
            return true;
    }
    return false;
}

bool Menubar::handleEvent(Event& e) {
    if (!mVisible)
        return false;
    // Menu mode ends when its menu is no longer shown: a choice, or a release elsewhere, closed it.
    if (mOpen && !isMenuShown()) {
        mOpen = false;
        mHoverTitle = -1;
    }
    if (e.name == "mousemove") {
        if (!mOpen)
            mHoverTitle = -1;
        mOverTitle = false;
        for (size_t i = 0; i < mMenus.size(); ++i) {
            if (titleBox(static_cast<int>(i)).contains(e.x, e.y)) {
                mOverTitle = true;
                mHoverTitle = static_cast<int>(i);
                if (mOpen)
                    openMenu(*mMenus[i]);
            }
        }
    }
    if (mHoverTitle >= 0 && static_cast<size_t>(mHoverTitle) < mMenus.size()) {
        if (e.name == "mouseup" && e.button == 0 && mOpen) {
            if (mJustOpened && mOverTitle) {
                mJustOpened = false;
            } else {
                closePopup();
                mHoverTitle = -1;
                mOpen = false;
            }
        } else if (e.name == "mousedown" && e.button == 0) {
            if (mOpen)
                return false;
            openMenu(*mMenus[mHoverTitle]);
            mOpen = true;
            mJustOpened = true;
        }
    }
    if (!mOpen)
        Control::handleEvent(e);
    return false;
}

void Menubar::endDrag() {
    mOpen = false;
    mJustOpened = false;
    mHoverTitle = -1;
    mOverTitle = false;
    Control::endDrag();
}

void Menubar::draw() {
    Render* render = getRender();
    if (!render) {
        Control::draw();
        return;
    }
    const Rect& s = mScreenArea;
    useColors(BlockBack, StateColor);
    render->fillRect(Rect(s.x1, s.y1, s.x2, mBarHeight), 0);
    render->setColors(getColor(BlockBack, StateBorder, First), NoColor);
    glLineWidth(1);
    const float from[2] = {s.x1, mBarHeight};
    const float to[2] = {s.x2, mBarHeight};
    render->line(from, to);
    if (display::Font* font = render->getFont())
        font->mAlign = display::Font::AlignLeft;
    float x = mLeft;
    for (size_t i = 0; i < mMenus.size(); ++i) {
        const std::string& title = mMenus[i]->getText();
        float w = render->textWidth(title);
        const float* color = getColor(BlockText, StateColor, First);
        if (static_cast<int>(i) == mHoverTitle) {
            useColors(BlockBack, mOpen ? StatePushed : StateHighlight);
            render->fillRect(Rect(x - 2, s.y1, x + w + 2, mBarHeight), 0);
            color = getColor(BlockText, mOpen ? StatePushed : StateHighlight, First);
        }
        render->setColors(color, NoColor);
        render->drawText(title, x, mBarHeight * 0.5f);
        x += w + mGap;
    }
    Control::draw();
}

} // namespace vistrel
} // namespace norvane
