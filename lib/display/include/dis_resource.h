#pragma once
// The base of every GL resource of the display layer: it belongs to a display and loads
// its files and images through the archive manager attached to that display.

#include "am_filedata.h"
#include "am_image.h"

#include <string>

namespace norvane {
namespace display {

class DisplayGL;

class Resource {
public:
    Resource(DisplayGL* display, int usage);
    virtual ~Resource();
    Resource(const Resource&) = delete;
    Resource& operator=(const Resource&) = delete;

    // A display is set and has an archive manager.
    bool canLoadFiles() const;
    // The named image from any archive; an uncached image is a private, writable copy.
    am::Image loadImage(const std::string& name, bool uncached);
    // The named file from any archive; throws when no archive has it.
    am::FileDataHandle loadFile(const std::string& name);

    DisplayGL* getDisplay() const { return mDisplay; }

    DisplayGL* mDisplay; // not owned; may be null
    int mUsage;          // meaningful for buffer objects only (their GL usage)

protected:
    // The display's context generation (0 without a display): GL names made under another
    // generation belong to a context that no longer exists.
    int contextGeneration() const;
    // The display's extension test; false without a display.
    bool hasExtension(const std::string& name) const;
};

} // namespace display
} // namespace norvane
