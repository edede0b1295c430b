#include "dis_resource.h"

#include "am_archivemanager.h"
#include "dis_display.h"
#include "nvn_system.h"

namespace norvane {
namespace display {

Resource::Resource(DisplayGL* display, int usage) : mDisplay(display), mUsage(usage) {}

Resource::~Resource() {}

bool Resource::canLoadFiles() const { return mDisplay != nullptr && mDisplay->getArchive() != nullptr; }

am::Image Resource::loadImage(const std::string& name, bool uncached) {
    if (!canLoadFiles())
        throw Exception("Display::Resource; This resource can not load files (when loading image '%s')",
                        name.c_str());
    am::Image image;
    try {
        mDisplay->getArchive()->loadImage(image, name, -1, uncached);
    } catch (const Exception& e) {
        throw Exception("Display::Resource; Could not read (or decode) image '%s' (am msg was '%s')", name.c_str(),
                        e.what());
    }
    return image;
}

am::FileDataHandle Resource::loadFile(const std::string& name) {
    if (!canLoadFiles())
        throw Exception("Display::Resource; This resource can not load files (when loading '%s')", name.c_str());
    std::string cause;
    am::FileDataHandle file = mDisplay->getArchive()->getFile(name, -1, &cause);
    if (file.empty())
        throw Exception("Display::Resource; File '%s' could not be read%s", name.c_str(), am::causeNote(cause).c_str());
    return file;
}

int Resource::contextGeneration() const { return mDisplay ? mDisplay->getContextGeneration() : 0; }

bool Resource::hasExtension(const std::string& name) const {
    return mDisplay != nullptr && mDisplay->isExtensionSupported(name);
}

} // namespace display
} // namespace norvane
