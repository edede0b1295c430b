#pragma once
// A window, the archives and a timeline for driving effects frame by frame as the demo does: every
// frame goes through the display's own frame loop, and its pixels are read back before the swap.

#include "am_archivemanager.h"
#include "crv_effect.h"
#include "dis_display.h"
#include "dis_listener.h"
#include "scr_script.h"

#include <memory>
#include <string>
#include <vector>

namespace fx {

struct Rgb {
    int r, g, b;
};

// One read-back frame, RGBA rows bottom first as GL gives them.
struct Frame {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;

    // The pixel at column x and row y counted from the top.
    Rgb at(int x, int y) const;
    bool operator==(const Frame& o) const { return width == o.width && height == o.height && rgba == o.rgba; }
    bool operator!=(const Frame& o) const { return !(*this == o); }
};

// A temporary folder that goes with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return mPath; } // ends in '/'
    void write(const std::string& name, const std::string& bytes) const;

private:
    std::string mPath;
};

class Harness : public norvane::display::Listener {
public:
    // A window of the size; the archives are searched in the order given, and then (withDemo) the
    // sample demo's folder of the build.
    Harness(int width, int height, const std::vector<std::string>& archives = {}, bool withDemo = true);
    ~Harness() override;

    // Gives the effect the display and registers it with the timeline.
    void add(const std::string& name, norvane::corvista::Effect* effect);
    // Appends the entries of a timeline document.
    void timeline(const std::string& xml);
    // Runs every added effect's setup in name order, as the demo system does.
    void setupAll();
    // One frame of the display's loop with the timeline at t.
    Frame frameAt(float t);
    // The frame, top row first, as a PNG in the dump folder of the build.
    static void dump(const Frame& frame, const std::string& name);

    norvane::display::DisplayGL& display() { return *mDisplay; }
    norvane::am::ArchiveManager& archives() { return mArchives; }

    void onFrame() override;

private:
    norvane::am::ArchiveManager mArchives;
    std::unique_ptr<norvane::display::DisplayGL> mDisplay;
    norvane::script::Script mScript;
    std::vector<std::pair<std::string, norvane::corvista::Effect*>> mEffects;
    float mTime = 0;
    Frame mFrame;
};

// Reads an image from the sample demo's folder (uncached).
norvane::am::Image demoImage(const std::string& name);
// GL_LINEAR's sample of an image at texture coordinate (u, v), repeating, v = 0 at the top row;
// the channels as floats 0..1 in the order r, g, b, a.
void sampleLinear(const norvane::am::Image& image, float u, float v, float out[4]);

} // namespace fx
