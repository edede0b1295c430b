#include "scene_file.h"

#include "am_archivemanager.h"
#include "dis_display.h"
#include "kvx_manager.h"
#include "nvn_system.h"

void loadSceneFile(norvane::display::DisplayGL* display, const std::string& path, norvane::kvx::Manager& scene) {
    norvane::am::ArchiveManager* archives = display ? display->getArchive() : nullptr;
    norvane::am::FileDataHandle file;
    std::string cause;
    if (archives) file = archives->getFile(path, -1, &cause);
    if (file.empty())
        throw norvane::Exception("File '%s' not found.%s", path.c_str(), norvane::am::causeNote(cause).c_str());
    try {
        scene.load(file->bytes, file->size, path);
    } catch (const norvane::Exception& error) {
        throw norvane::Exception("Could not read the scene file '%s': %s", path.c_str(), error.what());
    }
}
