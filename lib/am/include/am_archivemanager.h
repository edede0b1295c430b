#pragma once
// The ordered list of archives through which every asset is found by name, and the image cache.

#include "am_archive.h"
#include "am_filedata.h"
#include "am_image.h"

#include <set>
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

    // Adds a directory ("./", "data", or any existing folder, "my.assets" too) or a ZIP file
    // ("zip://demo.zip", "demo.zip"); the new index, or -1 for a name of no known kind. With
    // refusal, only an archive that can be read is added: a name that is no existing folder, a
    // folder without search permission, or a ZIP file that does not open, adds nothing and gives -1
    // too; refusal then says why, as a predicate of the name ("does not exist", "is neither a folder
    // nor a ZIP file", "could not be opened (Permission denied)").
    int addArchive(const std::string& name, std::string* refusal = nullptr);
    // The first archive's readable copy of the file (archive -1), or that archive's; empty when none
    // has one. A copy that an archive holds but cannot read is warned of once (the archive, the file
    // and the cause) and the lookup goes on. When no readable copy is found, cause (when given) says
    // why the copies found could not be read; it is "" when no archive holds the file at all.
    FileDataHandle getFile(const std::string& name, int archive = -1, std::string* cause = nullptr);
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
    std::set<std::string> mWarned;       // the unreadable copies already warned of
};

// For a caller's missing-file message: "" when no archive holds the file, else " (" + cause + ")",
// with the cause getFile gave.
std::string causeNote(const std::string& cause);

} // namespace am
} // namespace norvane
