#include "am_archivemanager.h"

#include "nvn_system.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace norvane {
namespace am {

namespace {

std::string toLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool isFolder(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Why a path taken for a folder is none.
std::string whyNoFolder(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0)
        return "is not a folder, and its name does not end in '.zip' as a ZIP file's does";
    if (errno == ENOENT || errno == ENOTDIR) return "does not exist";
    return "cannot be reached: " + std::generic_category().message(errno);
}

const char* const NoKnownKind = "is neither a folder nor a ZIP file";

} // namespace

std::string causeNote(const std::string& cause) { return cause.empty() ? std::string() : " (" + cause + ")"; }

ArchiveManager::ArchiveManager() : mImages(new ImageManager()) {}

ArchiveManager::~ArchiveManager() {
    for (ArchiveBase* archive : mArchives) delete archive;
    delete mImages;
}

int ArchiveManager::addArchive(const std::string& name, std::string* refusal) {
    if (refusal) refusal->clear();
    const auto refuse = [refusal](const std::string& why) {
        if (refusal) *refusal = why;
        return -1;
    };
    if (name.empty()) return refuse(NoKnownKind);
    std::string type;
    std::string path = name;
    // A type prefix "type://" before the first separator.
    for (size_t i = 0; i + 4 <= name.size(); ++i) {
        if (name.compare(i, 3, "://") == 0) {
            type = name.substr(0, i);
            path = name.substr(i + 3);
            break;
        }
        if (name[i] == '/' || name[i] == '\\') break;
    }
    // Otherwise an existing folder is one whatever its name; else the extension of the last path component.
    if (type.empty() && !isFolder(path)) {
        for (size_t i = path.size(); i-- > 0;) {
            const char c = path[i];
            if (c == '.') {
                type = path.substr(i + 1);
                break;
            }
            if (c == '/' || c == '\\') break;
        }
    }
    type = toLower(type);

    ArchiveBase* archive = nullptr;
    if (type.empty()) {
        if (refusal && !isFolder(path)) return refuse(whyNoFolder(path));
        // Its files are opened through it: without search permission none of them can be read.
        if (refusal && ::faccessat(AT_FDCWD, path.c_str(), X_OK, AT_EACCESS) != 0)
            return refuse("could not be opened (" + std::generic_category().message(errno) + ")");
        archive = new ArchiveDirectory(path);
    } else if (type == "zip") {
        NVN_LOG("log", "app", "Adding zip: %s", path.c_str());
        ArchiveZIP* zip = new ArchiveZIP(path);
        if (!zip->isOpen()) {
            NVN_LOG("warning", "app", "Could not open the zip archive '%s': %s", path.c_str(), zip->openError().c_str());
            if (refusal) {
                const std::string why = "could not be opened (" + zip->openError() + ")";
                delete zip;
                return refuse(why);
            }
        }
        archive = zip;
    } else {
        return refuse(NoKnownKind);
    }
    mArchives.push_back(archive);
    return static_cast<int>(mArchives.size()) - 1;
}

FileDataHandle ArchiveManager::getFile(const std::string& name, int archive, std::string* cause) {
    if (cause) cause->clear();
    if (archive < -1 || archive >= getArchiveCount()) return FileDataHandle();
    const size_t first = archive == -1 ? 0 : static_cast<size_t>(archive);
    const size_t end = archive == -1 ? mArchives.size() : first + 1;
    std::string unreadable;
    for (size_t i = first; i < end; ++i) {
        std::string why;
        FileDataHandle file = mArchives[i]->read(name, &why);
        if (!file.empty()) return file;
        if (why.empty()) continue;
        if (mWarned.insert(why).second) NVN_LOG("warning", "app", "%s", why.c_str());
        unreadable += (unreadable.empty() ? "" : "; ") + why;
    }
    if (cause) *cause = unreadable;
    return FileDataHandle();
}

bool ArchiveManager::putFile(FileDataHandle file, int archive) {
    if (archive == -1) archive = 0;
    if (archive < 0 || archive >= getArchiveCount()) return false;
    return mArchives[static_cast<size_t>(archive)]->write(file);
}

void ArchiveManager::refresh(int archive) {
    if (archive < 0) {
        for (ArchiveBase* each : mArchives) each->refresh();
    } else if (archive < getArchiveCount()) {
        mArchives[static_cast<size_t>(archive)]->refresh();
    }
}

Image& ArchiveManager::loadImage(Image& out, const std::string& name, int archive, bool uncached) {
    std::string cause;
    FileDataHandle file = getFile(name, archive, &cause);
    if (file.empty()) throw Exception("loadImage, File not found (%s)%s", name.c_str(), causeNote(cause).c_str());
    return mImages->loadImage(out, name, file, uncached);
}

bool ArchiveManager::saveImage(const std::string& name, Image& image, std::string* cause) {
    FileDataHandle file = mImages->saveImage(name, image);
    if (file.empty()) {
        if (cause) *cause = "the image could not be encoded";
        return false;
    }
    if (!cause) return putFile(file, -1);
    if (mArchives.empty()) {
        *cause = "there is no archive to write into";
        return false;
    }
    *cause = mArchives[0]->store(file);
    return cause->empty();
}

} // namespace am
} // namespace norvane
