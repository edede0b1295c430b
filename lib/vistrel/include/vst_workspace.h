#pragma once
// The root control of a layout, which answers what controls ask up their parent chain (display,
// style tags, Render, popup), and the control factory through which layouts create controls.

#include "vst_control.h"
#include "vst_render.h"

#include "am_filedata.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace norvane {
namespace vistrel {

class Workspace : public Control {
public:
    // Fetches a file by name; an empty handle when it is missing.
    typedef std::function<am::FileDataHandle(const std::string&)> FileSource;

    Workspace();
    ~Workspace() override;

    // Stores the display and loads the GUI font for it.
    void setDisplay(display::DisplayGL* display);

    Control* create() override;
    display::DisplayGL* getDisplay() override;
    void load(xml::XmlParser::Iterator& tag) override;
    xml::XmlParser::Iterator getStyle(const std::string& tagName) override;
    Rect getRootClipRect() override;
    bool handleEvent(Event& e) override;
    Render* getRender() override;
    void openPopup(Control* popup) override;
    void closePopup() override;
    void draw() override;
    // Takes the parsed style document; the workspace keeps it as long as it lives.
    virtual void setStyle(std::unique_ptr<xml::XmlParser> style);

    // Applies the "workspace" tags of a parsed layout whose root is "vistrel", in order: the style
    // file (fetched through files), then the tag itself with its controls, then fitted() (the root
    // re-fits the workspace to the window there). A missing style file, or one that is not a GUI
    // document, stops the layout silently; one that does not parse throws, naming the file.
    // Needs no display: without one nothing can be drawn, but everything loads.
    void loadLayout(xml::XmlParser& layout, const FileSource& files, const std::function<void()>& fitted);

    // Forgets the popup when it is control, or was opened by control or by a control below it
    // (the control is going away).
    void forgetPopup(Control* control);

    Control* getPopup() const { return mPopup; }
    bool isPopupJustOpened() const { return mPopupJustOpened; }

private:
    // A workspace placed inside another control hands these requests on to its parent.
    bool isNested() const { return mParent != nullptr; }

    display::DisplayGL* mDisplay; // not owned
    Render mRenderer;
    Control* mPopup; // not owned: the opener keeps it
    bool mPopupJustOpened;
    std::unique_ptr<xml::XmlParser> mStyle;
    xml::XmlNode mNoStyle; // answers style lookups when there is no style document
};

// The process-wide list of one prototype per control class.
class ControlRegistry {
public:
    static void acquire();
    // The last release deletes every prototype.
    static void release();
    // The registry owns the prototype.
    static void registerPrototype(Control* prototype);
    // True when a prototype of that class name is registered.
    static bool isRegistered(const std::string& className);
    // A new control of the first prototype whose class name matches; null when none does.
    static Control* create(const std::string& className);
    static int getUseCount();
    static unsigned getPrototypeCount();
};

// Registers one prototype of each control class the layouts can name (those not yet registered).
void registerControlClasses();

} // namespace vistrel
} // namespace norvane
