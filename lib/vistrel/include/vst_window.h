#pragma once
// A movable frame with an 18-pixel title bar that shows its caption; its children live below the
// bar. A left press on the bar drags the window; a double click on it maximizes or restores it.

#include "vst_control.h"

namespace norvane {
namespace vistrel {

class Window : public Control {
public:
    // Height of the title bar in pixels.
    static const float TitleHeight;

    Window();
    ~Window() override;

    Control* create() override;
    // A non-empty "caption" becomes the text.
    void load(xml::XmlParser::Iterator& tag) override;
    void setArea(Rect area) override;
    using Control::setArea;
    // The client area lies below the title bar.
    void updateClientArea() override;
    // A window being dragged keeps the pointer.
    bool hitTest(const Event& e) override;
    bool handleEvent(Event& e) override;
    void endDrag() override;
    void draw() override;

    bool isDragging() const { return mDragging; }
    // The title bar: in the parent's child coordinates, on screen, and its visible part.
    const Rect& getTitleArea() const { return mTitle; }
    const Rect& getScreenTitleArea() const { return mScreenTitle; }
    const Rect& getTitleClipArea() const { return mTitleClip; }

private:
    // True when this window is its parent's focused child.
    bool isFocused();

    Rect mTitle, mScreenTitle, mTitleClip;
    bool mDragging;
    Point mDragStart;    // pointer at the press
    Rect mDragStartArea; // mArea at the press
};

} // namespace vistrel
} // namespace norvane
