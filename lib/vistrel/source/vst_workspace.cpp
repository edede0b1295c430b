// The workspace at the root of a layout: display, styles, Render and the one popup.

#include "vst_workspace.h"

#include "nvn_system.h"

namespace norvane {
namespace vistrel {

Workspace::Workspace() : mDisplay(nullptr), mPopup(nullptr), mPopupJustOpened(true), mNoStyle(nullptr) {
    mClassName = "workspace";
    mName = "workspace";
}

Workspace::~Workspace() {
    mPopup = nullptr;
    // The controls go first (they may still ask for the Render while going), then the style.
    removeAllChildren();
}

void Workspace::setDisplay(display::DisplayGL* display) {
    mDisplay = display;
    mRenderer.init(display);
}

Control* Workspace::create() { return new Workspace(); }

display::DisplayGL* Workspace::getDisplay() {
    if (isNested())
        return mParent->getDisplay();
    return mDisplay;
}

void Workspace::load(xml::XmlParser::Iterator& tag) { Control::load(tag); }

xml::XmlParser::Iterator Workspace::getStyle(const std::string& tagName) {
    if (isNested())
        return mParent->getStyle(tagName);
    if (mStyle)
        return mStyle->children(tagName);
    return mNoStyle.children(tagName);
}

Rect Workspace::getRootClipRect() {
    if (isNested())
        return Control::getRootClipRect();
    return Rect(-10000, -10000, 10000, 10000);
}

bool Workspace::handleEvent(Event& e) {
    if (isNested())
        return Control::handleEvent(e);
    // The popup's choice may take its opener, and with it the popup, out of the tree.
    DispatchScope scope(this);
    if (mPopup) {
        mPopup->handleEvent(e);
        if (e.name == "mouseup" && e.button == 0 && !mPopupJustOpened)
            closePopup();
        else
            mPopupJustOpened = false;
    }
    if (!mPopup)
        return Control::handleEvent(e);
    Control* opener = mPopup->getOwner();
    if (opener && opener->getClassName() == "menubar")
        return Control::handleEvent(e);
    return false;
}

Render* Workspace::getRender() {
    if (isNested())
        return Control::getRender();
    return &mRenderer;
}

void Workspace::openPopup(Control* popup) {
    if (isNested()) {
        Control::openPopup(popup);
        return;
    }
    if (!popup)
        return;
    if (!popup->getOwner())
        popup->setOwner(this);
    mPopup = popup;
    popup->layout();
    mPopupJustOpened = true;
}

void Workspace::closePopup() {
    if (isNested()) {
        Control::closePopup();
        return;
    }
    mPopup = nullptr;
}

void Workspace::forgetPopup(Control* control) {
    // A popup belongs to the control that opened it, which belongs to its parents in turn.
    for (Control* c = mPopup; c; c = c->getOwner()) {
        if (c == control) {
            mPopup = nullptr;
            return;
        }
    }
}

void Workspace::draw() {
    Control::draw();
    if (mPopup && !isNested()) {
        mRenderer.setScissor(mClipArea.x1, mClipArea.y1, mClipArea.x2, mClipArea.y2);
        mPopup->draw();
    }
}

void Workspace::setStyle(std::unique_ptr<xml::XmlParser> style) { mStyle = std::move(style); }

void Workspace::loadLayout(xml::XmlParser& layout, const FileSource& files, const std::function<void()>& fitted) {
    xml::XmlParser::Iterator tags = layout.children("workspace");
    if (tags.parentTag().name() != "vistrel")
        return;
    while (++tags) {
        setDisplay(mDisplay);
        const std::string& styleFile = tags->getAttribute("style");
        if (!styleFile.empty()) {
            am::FileDataHandle file = files(styleFile);
            if (file.empty()) {
                NVN_LOG("warning", "app", "Could not find the style file '%s': the layout stops there",
                        styleFile.c_str());
                return;
            }
            std::unique_ptr<xml::XmlParser> style(new xml::XmlParser());
            try {
                style->parse(file->bytes, file->size);
            } catch (const Exception& e) {
                throw Exception("Could not read the style file '%s': %s", styleFile.c_str(), e.what());
            }
            const std::string& root = style->children("").parentTag().name();
            if (root != "vistrel") {
                NVN_LOG("warning", "app",
                        "The style file '%s' has the root tag '%s', not 'vistrel': the layout stops there",
                        styleFile.c_str(), root.c_str());
                return;
            }
            setStyle(std::move(style));
        }
        load(tags);
        if (fitted)
            fitted();
    }
}

// ---- The control factory ----

namespace {

struct Registry {
    std::vector<Control*> prototypes; // owned
    int uses = 0;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

// Holds one use from program start to exit, so the prototypes live until then.
struct RegistryGuard {
    RegistryGuard() { ControlRegistry::acquire(); }
    ~RegistryGuard() { ControlRegistry::release(); }
};

RegistryGuard registryGuard;

} // namespace

void ControlRegistry::acquire() { ++registry().uses; }

void ControlRegistry::release() {
    Registry& r = registry();
    if (r.uses <= 0)
        return;
    if (--r.uses > 0)
        return;
    std::vector<Control*> prototypes;
    prototypes.swap(r.prototypes);
    for (Control* p : prototypes)
        delete p;
}

void ControlRegistry::registerPrototype(Control* prototype) {
    if (prototype)
        registry().prototypes.push_back(prototype);
}

bool ControlRegistry::isRegistered(const std::string& className) {
    for (Control* p : registry().prototypes) {
        if (p->getClassName() == className)
            return true;
    }
    return false;
}

Control* ControlRegistry::create(const std::string& className) {
    for (Control* p : registry().prototypes) {
        if (p->getClassName() == className)
            return p->create();
    }
    return nullptr;
}

int ControlRegistry::getUseCount() { return registry().uses; }

unsigned ControlRegistry::getPrototypeCount() { return static_cast<unsigned>(registry().prototypes.size()); }

} // namespace vistrel
} // namespace norvane
