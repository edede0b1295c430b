// Movable windows with a title bar.

#include "vst_window.h"
#include "vst_render.h"

#include "dis_font.h"

#include <cmath>

namespace norvane {
namespace vistrel {

namespace {
const float NoColor[4] = {0, 0, 0, -1};
} // namespace

const float Window::TitleHeight = 18;

Window::Window() : mDragging(false) {
    mClassName = "window";
    mName = "window";
    mText = "window";
    const float back = 0.323f;
    setColor(BlockBack, StateColor, First, mathbase::Color(back, back, 0.54f, 0.91f));
    setColor(BlockBack, StateColor, Second, mathbase::Color(back * 0.1f, back * 0.1f, 0.54f * 0.1f, 0.91f));
    setColor(BlockCaption, StateColor, First, mathbase::Color(0, 0, 0, 0.9f));
    setColor(BlockCaption, StateColor, Second, mathbase::Color(0.2f, 0.2f, 0.2f, 0.9f));
    setColor(BlockCaption, StateHighlight, First, mathbase::Color(0.4f, 0.4f, 0.4f, 1));
    setColor(BlockCaption, StateHighlight, Second, mathbase::Color(0.5f, 0.5f, 0.5f, 1));
    setColor(BlockText, StateColor, First, mathbase::Color(0.5f, 0.5f, 0.5f, 1));
    setColor(BlockText, StateHighlight, First, mathbase::Color(1, 1, 1, 1));
}

Window::~Window() {}

Control* Window::create() { return new Window(); }

void Window::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    const std::string& caption = tag->getAttribute("caption");
    if (!caption.empty())
        setText(caption);
}

void Window::setArea(Rect area) {
    mTitle = Rect(area.x1, area.y1, area.x2, area.y1 + TitleHeight);
    Control::setArea(area);
    RectSet title{mTitle, mScreenTitle, mTitleClip};
    computeRects(title, false);
}

void Window::updateClientArea() { mClientArea = Rect(0, TitleHeight, mArea.width(), mArea.height()); }

bool Window::hitTest(const Event& e) { return Control::hitTest(e) || mDragging; }

bool Window::handleEvent(Event& e) {
    bool result = Control::handleEvent(e);
    if (!isVisible())
        return result;
    if (e.name == "mousedown") {
        if (mTitleClip.contains(e.x, e.y) && mHover && e.button == 0) {
            mDragging = true;
            mDragStart = Point(e.x, e.y);
            mDragStartArea = mArea;
            if (e.doubleClick) {
                setMaximized(!isMaximized());
                setArea(mArea);
                mDragging = false;
            }
        }
    } else if (e.name == "mouseup" && e.button == 0) {
        mDragging = false;
    } else if (e.name == "mousemove" && mDragging && !isMaximized()) {
        // Worked out in double precision: far from the origin a float cannot step by a pixel.
        double x1 = static_cast<double>(mDragStartArea.x1) + (static_cast<double>(e.x) - mDragStart.x);
        double y1 = static_cast<double>(mDragStartArea.y1) + (static_cast<double>(e.y) - mDragStart.y);
        if (mParent && mParent->getClassName() != "workspace") {
            // A nested window stays inside its parent's client area at the top and the left:
            // it is pushed right and down by whole pixels until it is.
            Point origin = getOrigin(false);
            const Rect& client = mParent->getScreenClientArea();
            if (x1 + origin.x < client.x1)
                x1 += std::ceil(client.x1 - (x1 + origin.x));
            if (y1 + origin.y < client.y1)
                y1 += std::ceil(client.y1 - (y1 + origin.y));
        }
        float left = static_cast<float>(x1), top = static_cast<float>(y1);
        setArea(Rect(left, top, left + mDragStartArea.width(), top + mDragStartArea.height()));
    }
    return result;
}

void Window::endDrag() {
    mDragging = false;
    Control::endDrag();
}

bool Window::isFocused() { return mParent && mParent->getFocus() == this; }

void Window::draw() {
    Render* render = getRender();
    if (!render) {
        Control::draw();
        return;
    }
    bool focused = isFocused();
    render->setScissor(0, 0, 0, -1);
    useColors(BlockCaption, focused ? StateHighlight : StateColor);
    render->fillRect(mTitleClip, 0);

    render->setColors(getColor(BlockText, focused ? StateHighlight : StateColor, First), NoColor);
    if (display::Font* font = render->getFont())
        font->mAlign = display::Font::AlignCenter;
    render->setScissor(mTitleClip.x1, mTitleClip.y1, mTitleClip.x2, mTitleClip.y2);
    Point c = mScreenTitle.center();
    render->drawText(mText, c.x, c.y);

    render->setScissor(0, 0, 0, -1);
    useColors(BlockBack, StateBorder);
    render->frameRect(mTitleClip);
    useColors(BlockBack, StateColor);
    render->fillRect(mClientClipArea, 0);
    useColors(BlockBack, StateBorder);
    render->frameRect(mClipArea);
    Control::draw();
}

} // namespace vistrel
} // namespace norvane
