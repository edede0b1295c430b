// ZIP archives from arbitrary bytes: open the archive, then read every entry it lists and a few it may not.
#include "fuzz_quiet.h"
#include "am_archive.h"

#include <minizip/unzip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string gPath;

void removeTemporary() { unlink(gPath.c_str()); }

// One file per process, rewritten for every input and removed at exit.
const std::string& temporaryPath() {
    if (gPath.empty()) {
        char templ[] = "/tmp/fuzz_zip_XXXXXX";
        const int fd = mkstemp(templ);
        if (fd >= 0) close(fd);
        gPath = templ;
        std::atexit(removeTemporary);
    }
    return gPath;
}

// The entry names the archive lists, read with minizip directly.
std::vector<std::string> entryNames(const std::string& path) {
    std::vector<std::string> names;
    unzFile zip = unzOpen64(path.c_str());
    if (!zip) return names;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK && names.size() < 64; status = unzGoToNextFile(zip)) {
        char name[512];
        if (unzGetCurrentFileInfo64(zip, nullptr, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK) break;
        names.push_back(name);
    }
    unzClose(zip);
    return names;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::quiet(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = temporaryPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    norvane::am::ArchiveZIP archive(path);
    std::vector<std::string> names = entryNames(path);
    names.push_back("a.txt");
    names.push_back("./HUS/hus.kvx");
    names.push_back("/a.txt"); // absolute names are looked up among the entries too
    for (const std::string& name : names) {
        // An entry is read, or refused with its cause, or missing; never read and refused at once.
        std::string cause;
        norvane::am::FileDataHandle entry = archive.read(name, &cause);
        if (!entry.empty() && ((entry->size > 0 && !entry->bytes) || !cause.empty())) __builtin_trap();
    }
    return 0;
}
