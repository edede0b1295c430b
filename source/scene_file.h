#pragma once
// Reading an effect's .kvx scene file through the display's archives.

#include <string>

namespace norvane::display {
class DisplayGL;
} // namespace norvane::display

namespace norvane::kvx {
class Manager;
} // namespace norvane::kvx

// Loads the scene file at path into scene. Throws "File '<path>' not found." when no archive has
// it, and names the file before the reader's own message when it cannot be read; a file cut short
// loads what it holds, with a warning that names it.
void loadSceneFile(norvane::display::DisplayGL* display, const std::string& path, norvane::kvx::Manager& scene);
