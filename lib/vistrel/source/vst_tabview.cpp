// Tabbed pages.

#include "vst_tabview.h"
#include "vst_render.h"

#include "dis_font.h"

namespace norvane {
namespace vistrel {

namespace {
const float NoColor[4] = {0, 0, 0, -1};
} // namespace

const float TabView::StripHeight = 18;

TabView::TabView() : mTabPadding(10), mHoverTab(-1) {
    mClassName = "tabview";
    mName = "tabview";
    mText = "tabview";
    // The child order is the tab order: a press on a page must not move it to the end.
    mBringToFront = false;
    const float back = 0.323f;
    setColor(BlockBack, StateColor, First, mathbase::Color(back, back, 0.54f, 0.91f));
    setColor(BlockBack, StateColor, Second, mathbase::Color(back * 0.1f, back * 0.1f, 0.54f * 0.1f, 0.91f));
    setColor(BlockText, StateColor, First, mathbase::Color(0.5f, 0.5f, 0.5f, 1));
    setColor(BlockText, StateHighlight, First, mathbase::Color(1, 1, 1, 1));
}

TabView::~TabView() {}

Control* TabView::create() { return new TabView(); }

void TabView::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    if (!mChildren.empty())
        mChildren[0]->setVisible(true);
}

void TabView::setArea(Rect area) {
    mStrip = Rect(area.x1, area.y1, area.x2, area.y1 + StripHeight);
    Control::setArea(area);
    RectSet strip{mStrip, mScreenStrip, mStripClip};
    computeRects(strip, false);
}

void TabView::updateClientArea() { mClientArea = Rect(0, StripHeight, mArea.width(), mArea.height()); }

Rect TabView::nextTab(unsigned index, float x) {
    Render* render = getRender();
    float w = (render ? render->textWidth(mChildren[index]->getText()) : 0.0f) + 2.0f * mTabPadding;
    return Rect(x, mScreenStrip.y1, x + w, mScreenStrip.y2);
}

Rect TabView::tabRect(unsigned index) {
    float x = mScreenStrip.x1;
    for (unsigned i = 0; i < mChildren.size(); ++i) {
        Rect tab = nextTab(i, x);
        if (i == index)
            return tab;
        x = tab.x2;
    }
    return Rect();
}

int TabView::tabAt(float x, float y) {
    // Only the visible part of the strip holds tabs.
    if (!mStripClip.contains(x, y))
        return -1;
    float left = mScreenStrip.x1;
    for (unsigned i = 0; i < mChildren.size(); ++i) {
        Rect tab = nextTab(i, left);
        if (tab.contains(x, y))
            return static_cast<int>(i);
        left = tab.x2;
    }
    return -1;
}

bool TabView::handleEvent(Event& e) {
    bool result = Control::handleEvent(e);
    if (!isVisible())
        return result;
    if (e.name == "mousemove") {
        mHoverTab = tabAt(e.x, e.y);
    } else if (e.name == "mousedown") {
        // The press decides by its own position: the last move may have been seen elsewhere.
        mHoverTab = tabAt(e.x, e.y);
        if (mHoverTab != -1) {
            Control* page = mChildren[mHoverTab];
            for (Control* child : mChildren)
                child->setVisible(false);
            page->setVisible(true);
        }
    }
    return result;
}

void TabView::draw() {
    Render* render = getRender();
    if (render) {
        if (display::Font* font = render->getFont())
            font->mAlign = display::Font::AlignCenter;
        float x = mScreenStrip.x1;
        for (unsigned i = 0; i < mChildren.size(); ++i) {
            Rect tab = nextTab(i, x);
            x = tab.x2;
            bool shown = mChildren[i]->isVisible();
            useColors(BlockBack, shown ? StatePushed : StateColor);
            render->fillRect(tab, 0);
            bool lit = shown || static_cast<int>(i) == mHoverTab;
            render->setColors(getColor(BlockText, lit ? StateHighlight : StateColor, First), NoColor);
            Point c = tab.center();
            render->drawText(mChildren[i]->getText(), c.x, c.y);
        }
    }
    Control::draw();
}

TabFrame::TabFrame() {
    mClassName = "tabframe";
    mName = "tabframe";
    mText = "tabframe";
    setColor(BlockBack, StateColor, First, mathbase::Color(0, 0, 0, 0));
    setColor(BlockBack, StateColor, Second, mathbase::Color(0, 0, 0, 0));
}

TabFrame::~TabFrame() {}

Control* TabFrame::create() { return new TabFrame(); }

void TabFrame::load(xml::XmlParser::Iterator& tag) {
    Frame::load(tag);
    setMaximized(true);
    setVisible(false);
    const std::string& caption = tag->getAttribute("caption");
    if (!caption.empty())
        setText(caption);
}

} // namespace vistrel
} // namespace norvane
