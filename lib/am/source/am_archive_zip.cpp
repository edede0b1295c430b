#include "am_archive.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <minizip/unzip.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace norvane {
namespace am {

namespace {

const uint64_t Marker32 = 0xffffffffu; // a 32-bit size or offset that stands for its zip64 value

// The name as looked up: without one leading "./" and then one leading separator, in lower case,
// with "/" for every backslash (some Windows tools store those between folders). A name that
// starts with a dot (".hidden.png") keeps it, or it would find another entry.
std::string lookupKey(const std::string& name) {
    const auto isSeparator = [&name](size_t i) { return i < name.size() && (name[i] == '/' || name[i] == '\\'); };
    size_t start = 0;
    if (!name.empty() && name[0] == '.' && isSeparator(1)) ++start;
    if (isSeparator(start)) ++start;
    std::string key = name.substr(start);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c == '\\') c = '/';
    }
    return key;
}

// Opens only a regular file, without waiting: a FIFO would block the open until a writer came. The
// cause of a refusal goes into the string opaque points at.
voidpf openRegularFile(voidpf opaque, const void* filename, int) {
    std::string& cause = *static_cast<std::string*>(opaque);
    const int fd = ::open(static_cast<const char*>(filename), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        cause = std::generic_category().message(errno);
        return nullptr;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        cause = "it is not a regular file";
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, 0);
    FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        cause = std::generic_category().message(errno);
        ::close(fd);
    }
    return file;
}

const char* methodName(unsigned long method) {
    switch (method) {
    case 1: return "shrunk";
    case 6: return "imploded";
    case 9: return "Deflate64";
    case 12: return "bzip2";
    case 14: return "LZMA";
    case 93: return "Zstandard";
    case 95: return "xz";
    case 98: return "PPMd";
    default: return nullptr;
    }
}

uint64_t little64(const unsigned char* p) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

// The zip64 values of a directory record: the 32-bit sizes that read 0xFFFFFFFF stand for 64-bit
// values in its extra field of id 1, uncompressed first, then compressed, then the local header's
// offset. Debian's minizip never takes them (it compares them with a 64-bit -1), so they are read here.
std::vector<uint64_t> zip64Values(const std::vector<unsigned char>& extra) {
    std::vector<uint64_t> values;
    for (size_t at = 0; at + 4 <= extra.size();) {
        const unsigned id = extra[at] | extra[at + 1] << 8;
        const size_t size = extra[at + 2] | extra[at + 3] << 8;
        const size_t end = std::min(extra.size(), at + 4 + size);
        if (id == 1) {
            for (size_t value = at + 4; value + 8 <= end; value += 8) values.push_back(little64(&extra[value]));
            break;
        }
        at = end;
    }
    return values;
}

// Whether the file is an archive without entries: its end record, which minizip does not open,
// comes first and counts none.
bool holdsNoEntries(const std::string& path) {
    unsigned char end[22];
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    const bool read = std::fread(end, 1, sizeof(end), file) == sizeof(end);
    std::fclose(file);
    return read && std::memcmp(end, "PK\5\6", 4) == 0 && (end[8] | end[9] | end[10] | end[11]) == 0;
}

} // namespace

ArchiveZIP::ArchiveZIP(const std::string& path) : mPath(path) {
    zlib_filefunc64_def files;
    fill_fopen64_filefunc(&files);
    files.zopen64_file = openRegularFile;
    files.opaque = &mOpenError; // the other functions ignore it
    unzFile zip = unzOpen2_64(path.c_str(), &files);
    if (!zip) {
        if (mOpenError.empty())
            mOpenError = holdsNoEntries(path) ? "the archive holds no files" : "it is not a ZIP archive, or it is damaged";
        return;
    }
    mHandle = zip;
    // Every entry by its looked-up name; of two with one name the first is found, as minizip's search finds it.
    std::vector<char> name(65536);
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        unz64_file_pos position;
        if (unzGetCurrentFileInfo64(zip, nullptr, name.data(), name.size(), nullptr, 0, nullptr, 0) != UNZ_OK ||
            unzGetFilePos64(zip, &position) != UNZ_OK)
            break;
        const std::string stored(name.data());
        mEntries.emplace(lookupKey(stored), Entry{stored, position.pos_in_zip_directory, position.num_of_file});
    }
}

ArchiveZIP::~ArchiveZIP() {
    if (mHandle) unzClose(static_cast<unzFile>(mHandle));
}

FileDataHandle ArchiveZIP::read(const std::string& name, std::string* cause) {
    if (!mHandle) return FileDataHandle();
    const auto found = mEntries.find(lookupKey(name));
    if (found == mEntries.end()) return FileDataHandle();
    FileDataHandle file;
    const std::string why = readEntry(found->second, name, file);
    if (!why.empty() && cause)
        *cause = "Could not read '" + found->second.storedName + "' from the ZIP archive '" + mPath + "': " + why;
    return file;
}

std::string ArchiveZIP::readEntry(const Entry& entry, const std::string& name, FileDataHandle& out) {
    unzFile zip = static_cast<unzFile>(mHandle);
    unz64_file_pos position;
    position.pos_in_zip_directory = entry.directoryPosition;
    position.num_of_file = entry.number;
    unz_file_info64 info;
    if (unzGoToFilePos64(zip, &position) != UNZ_OK ||
        unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return "the entry is damaged (its directory record cannot be read)";
    std::vector<unsigned char> extra(info.size_file_extra);
    if (!extra.empty() &&
        unzGetCurrentFileInfo64(zip, &info, nullptr, 0, extra.data(), extra.size(), nullptr, 0) != UNZ_OK)
        return "the entry is damaged (its directory record cannot be read)";

    if ((info.flag & 1) != 0 || info.compression_method == 99) return "the entry is encrypted";
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) {
        const char* method = methodName(info.compression_method);
        char cause[128];
        std::snprintf(cause, sizeof(cause),
                      "compression method %lu%s%s%s is not supported (only stored and deflated entries are read)",
                      info.compression_method, method ? " (" : "", method ? method : "", method ? ")" : "");
        return cause;
    }

    const std::vector<uint64_t> zip64 = zip64Values(extra);
    size_t nextValue = 0;
    uint64_t size = info.uncompressed_size;
    if (size == Marker32 && nextValue < zip64.size()) size = zip64[nextValue++];
    if (info.compressed_size == Marker32) ++nextValue;
    // The stated size is not trusted: beyond the cap the entry is refused without allocating it.
    if (size > static_cast<uint64_t>(MaxEntrySize)) {
        char cause[128];
        std::snprintf(cause, sizeof(cause), "the entry is too large (%llu bytes; at most %d are read)",
                      static_cast<unsigned long long>(size), MaxEntrySize);
        return cause;
    }
    if (unzOpenCurrentFilePassword(zip, nullptr) != UNZ_OK) {
        // A local header past 4 GB has its offset among the zip64 values, which minizip does not take.
        if (nextValue < zip64.size() && zip64[nextValue] >= Marker32)
            return "the entry lies beyond the first 4 GB of the archive, where it cannot be read";
        return "the entry is damaged (its local header cannot be read)";
    }

    const unsigned length = static_cast<unsigned>(size);
    char* bytes = length ? static_cast<char*>(std::malloc(length)) : nullptr;
    std::string cause;
    if (length && !bytes) cause = "there is not enough memory for it";
    unsigned got = 0;
    while (cause.empty() && got < length) {
        const int done = unzReadCurrentFile(zip, bytes + got, length - got);
        if (done < 0) cause = "the entry is damaged (its compressed data is corrupt)";
        else if (done == 0) cause = "the entry is damaged (its data ends before its stated size)";
        else got += static_cast<unsigned>(done);
    }
    // Minizip checks the CRC on closing, but only where it knows the size: an entry whose size came
    // from its zip64 values is checked here.
    const bool closed = unzCloseCurrentFile(zip) == UNZ_OK;
    const bool sizeFromZip64 = size != info.uncompressed_size;
    if (cause.empty() &&
        (!closed || (sizeFromZip64 && crc32(0, reinterpret_cast<const Bytef*>(bytes), length) != info.crc)))
        cause = "the entry is damaged (CRC)";
    if (!cause.empty()) {
        std::free(bytes);
        return cause;
    }
    out.reset(new FileData(name, bytes, static_cast<int>(length)));
    return std::string();
}

bool ArchiveZIP::write(FileDataHandle) { return false; }

} // namespace am
} // namespace norvane
