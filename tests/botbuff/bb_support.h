#pragma once
// Shared by the bot and buff tests: a small window with an archive folder of its own, and scenes
// built in memory.

#include "am_archivemanager.h"
#include "dis_display.h"
#include "kvx_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace bbtest {

typedef norvane::mathbase::Vector3T<float> Vec3;

// A window of the given size whose archive is a fresh temporary folder (archive 0), followed by
// the sample demo's generated folder when asked.
class Window {
public:
    Window(int width, int height, bool withDemo);
    ~Window();

    norvane::display::DisplayGL* display() const { return mDisplay.get(); }
    const std::filesystem::path& folder() const { return mFolder; }
    // Writes bytes into the temporary folder under the relative name.
    void write(const std::string& name, const std::vector<char>& bytes) const;
    // Copies a committed shader of the sample demo into the temporary folder.
    void copyShader(const std::string& name) const;
    // The pixel at (x, y) from the bottom left, read from the back buffer: r, g, b.
    std::vector<int> pixel(int x, int y) const;

private:
    std::filesystem::path mFolder;
    std::unique_ptr<norvane::am::ArchiveManager> mArchives;
    std::unique_ptr<norvane::display::DisplayGL> mDisplay;
};

std::vector<char> bytesOf(const norvane::kvx::Manager& manager);

// A straight path along +X: the time track takes it one unit per second from x = 0 (up to x = length).
norvane::kvx::CurveInstance* straightPath(const std::string& name, float length);
// A path of two straight legs of the given length each, joined by a right angle at the corner:
// along +X, then along +Z. Time runs one unit per second.
norvane::kvx::CurveInstance* cornerPath(const std::string& name, float leg);

// What a test scene holds.
struct SceneOptions {
    bool camera = true;
    float fieldOfView = 0.8f;
    int curves = 2;
    std::string instanceMesh = "box"; // the mesh the instance names
    std::string material = "boxmat"; // the material the box mesh names
    bool withMaterialRecord = true;
};
// Meshes "box" (one submesh naming options.material) and a scene "test" with the camera at
// (0, 0, 12) looking at the origin, the curves (straight paths side by side) and a box instance.
std::vector<char> testScene(const SceneOptions& options);

} // namespace bbtest
