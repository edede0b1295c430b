#pragma once
// A real window driven through the display's own frame loop: each frame clears, evaluates a
// timeline script at a fixed time and reads the back buffer before the swap.

#include "am_archivemanager.h"
#include "dis_display.h"
#include "dis_listener.h"
#include "effect_shared.h"
#include "scr_script.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace meshfx {

// One read-back frame, bottom row first, RGBA.
struct Frame {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;

    const unsigned char* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    // Pixels whose brightest channel exceeds threshold.
    int litCount(int threshold = 24) const;
    // Mean of one channel (0 red, 1 green, 2 blue) over the lit pixels.
    double litMean(int channel, int threshold = 24) const;
    // Sum of every channel of every pixel.
    double total() const;
    // Mean of the absolute differences per channel against another frame of the same size.
    double difference(const Frame& other) const;
    // Centre of the lit pixels in 0..1 window units; -1 when none.
    void litCentre(double& x, double& y, int threshold = 24) const;
    // Lit pixels inside a box of 0..1 window units.
    int litIn(double x0, double y0, double x1, double y1, int threshold = 24) const;
};

class Recorder : public norvane::display::Listener {
public:
    void onFrame() override;

    norvane::script::Script* script = nullptr;
    float time = 0;
    float clearRed = 0; // the background's red
    Frame frame;
};

class MeshEffectTest : public ::testing::Test {
protected:
    static constexpr int Width = 320, Height = 200;

    void SetUp() override;
    void TearDown() override;

    // Loads a timeline script text; its entries call the effects registered on it.
    void loadScript(const std::string& xml);
    // Plays one frame at time t and writes it as <effect>_<tag>.png into the frames folder.
    Frame play(float t, const std::string& name);

    EffectShared mShared;
    std::unique_ptr<norvane::am::ArchiveManager> mArchives;
    std::unique_ptr<norvane::display::DisplayGL> mDisplay;
    norvane::script::Script mScript;
    Recorder mRecorder;
};

// The text of the Exception a statement throws ("" when it throws none).
std::string thrownText(void (*statement)(void*), void* context);

} // namespace meshfx
