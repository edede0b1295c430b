#pragma once
// The ordered list of archives through which every asset is found by name, and the image cache.

#include "am_archive.h"
#include "am_filedata.h"
#include "am_image.h"

#include <string>
#include <vector>

namespace norvane {
namespace am {

class ArchiveManager {
public:
    ArchiveManager();
    ~ArchiveManager();
    ArchiveManager(const ArchiveManager&) = delete;
    ArchiveManager& operator=(const ArchiveManager&) = delete;

    // Adds a directory ("./", "data") or a ZIP file ("zip://demo.zip", "demo.zip"); the new index, or -1.
    int addArchive(const std::string& spec);
    // The first archive's copy of the file (archive -1), or that archive's; empty when none has it.
    // A file the first archive holding it cannot read throws, naming the archive, the file and the cause.
    FileDataHandle getFile(const std::string& name, int archive = -1);
    // Stores the file in the given archive (-1: archive 0).
    bool putFile(FileDataHandle file, int archive = -1);
    void refresh(int archive);

    // Decodes the named file through the image cache; throws when the file is missing or undecodable.
    Image& loadImage(Image& out, const std::string& name, int archive = -1, bool uncached = false);
    // Encodes the image by the name's extension and stores it in archive 0. With a cause, a
    // failure is not logged but described there.
    bool saveImage(const std::string& name, Image& image, std::string* cause = nullptr);

    int getArchiveCount() const { return static_cast<int>(mArchives.size()); }
    ArchiveBase* getArchive(int index) const { return mArchives.at(static_cast<size_t>(index)); }
    ImageManager* getImageManager() const { return mImages; }

private:
    std::vector<ArchiveBase*> mArchives; // owned, index 0 first
    ImageManager* mImages;               // owned
};

} // namespace am
} // namespace norvane
