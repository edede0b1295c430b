#pragma once
// A container with a strip of tabs, 18 pixels high, along its top edge: each child is a page
// whose text is its tab's caption, and a press on a tab shows that page alone. TabFrame is the
// page meant for it: a frame with a clear background that fills the client area and starts hidden.

#include "vst_frame.h"

namespace norvane {
namespace vistrel {

class TabView : public Control {
public:
    // Height of the tab strip in pixels.
    static const float StripHeight;

    TabView();
    ~TabView() override;

    Control* create() override;
    // The common load (which loads the pages), then the first page is shown.
    void load(xml::XmlParser::Iterator& tag) override;
    void setArea(Rect area) override;
    using Control::setArea;
    // The client area lies below the strip.
    void updateClientArea() override;
    bool handleEvent(Event& e) override;
    void draw() override;

    // Tab i on screen: from the strip's left edge, each as wide as its caption plus padding.
    Rect tabRect(unsigned index);
    // The tab that holds the point, or -1.
    int tabAt(float x, float y);
    int getHoverTab() const { return mHoverTab; }
    const Rect& getStripArea() const { return mStrip; }
    const Rect& getScreenStripArea() const { return mScreenStrip; }

private:
    // The tab of child index when it starts at x.
    Rect nextTab(unsigned index, float x);

    Rect mStrip, mScreenStrip, mStripClip;
    int mTabPadding; // room on each side of a caption
    int mHoverTab;   // tab under the pointer, or -1
};

class TabFrame : public Frame {
public:
    TabFrame();
    ~TabFrame() override;

    Control* create() override;
    // The common load, then it fills its parent and hides; a non-empty "caption" becomes the text.
    void load(xml::XmlParser::Iterator& tag) override;
};

} // namespace vistrel
} // namespace norvane
