#include "am_archive.h"

#include <cstdlib>
#include <minizip/unzip.h>

namespace norvane {
namespace am {

ArchiveZIP::ArchiveZIP(const std::string& path) { mHandle = unzOpen64(path.c_str()); }

ArchiveZIP::~ArchiveZIP() {
    if (mHandle) unzClose(static_cast<unzFile>(mHandle));
}

FileDataHandle ArchiveZIP::read(const std::string& name) {
    if (!mHandle) return FileDataHandle();
    unzFile zip = static_cast<unzFile>(mHandle);

    // "./hus/hus.kvx" and "/hus/hus.kvx" both look up "hus/hus.kvx"; a name that starts with a dot
    // (".hidden.png") keeps it, or it would find another entry.
    const auto isSeparator = [&name](size_t i) { return i < name.size() && (name[i] == '/' || name[i] == '\\'); };
    size_t start = 0;
    if (!name.empty() && name[0] == '.' && isSeparator(1)) ++start;
    if (isSeparator(start)) ++start;
    const std::string entry = name.substr(start);

    const int caseInsensitive = 2;
    if (unzLocateFile(zip, entry.c_str(), caseInsensitive) != UNZ_OK) return FileDataHandle();
    unz_file_info64 info;
    char entryName[512];
    if (unzGetCurrentFileInfo64(zip, &info, entryName, sizeof(entryName), nullptr, 0, nullptr, 0) != UNZ_OK)
        return FileDataHandle();
    // The stated size is not trusted: beyond the cap the entry reads as missing without allocating it.
    if (info.uncompressed_size > static_cast<ZPOS64_T>(MaxEntrySize)) return FileDataHandle();
    if (unzOpenCurrentFilePassword(zip, nullptr) != UNZ_OK) return FileDataHandle();

    const unsigned size = static_cast<unsigned>(info.uncompressed_size);
    char* bytes = size ? static_cast<char*>(std::malloc(size)) : nullptr;
    bool ok = size == 0 || bytes != nullptr;
    unsigned got = 0;
    while (ok && got < size) {
        const int done = unzReadCurrentFile(zip, bytes + got, size - got);
        if (done <= 0) {
            ok = false; // an error, or an entry shorter than stated
            break;
        }
        got += static_cast<unsigned>(done);
    }
    // Closing checks the CRC once all bytes are read.
    if (unzCloseCurrentFile(zip) != UNZ_OK) ok = false;
    if (!ok) {
        std::free(bytes);
        return FileDataHandle();
    }
    return FileDataHandle(new FileData(name, bytes, static_cast<int>(size)));
}

bool ArchiveZIP::write(FileDataHandle) { return false; }

} // namespace am
} // namespace norvane
