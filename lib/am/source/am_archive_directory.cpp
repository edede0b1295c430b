#include "am_archive.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace norvane {
namespace am {

namespace {

// Creates every missing directory on the way to the file at path: at each separator that follows
// something other than '.' and separators (so leading "./" and "../" are left alone). The last
// component is the file itself and is not created.
bool createDirectories(const std::string& path) {
    bool named = false;
    for (size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (c == '/' || c == '\\') {
            if (!named) continue;
            const std::string dir = path.substr(0, i);
            if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) return false;
        } else if (c != '.') {
            named = true;
        }
    }
    return true;
}

bool writeAll(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(fd, bytes, size);
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

// A temporary file beside the target: the target's name plus a suffix no other writer uses.
int openTemporary(const std::string& path, std::string& tempPath) {
    char suffix[64];
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::snprintf(suffix, sizeof(suffix), ".%ld.%d.tmp", static_cast<long>(::getpid()), attempt);
        tempPath = path + suffix;
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

} // namespace

ArchiveBase::~ArchiveBase() = default;

void ArchiveBase::refresh() {}

ArchiveDirectory::ArchiveDirectory(const std::string& path) : mRoot(path) {
    if (!mRoot.empty() && mRoot.back() != '/' && mRoot.back() != '\\') mRoot += "/";
}

FileDataHandle ArchiveDirectory::read(const std::string& name) {
    const std::string path = mRoot + name;
    // Non-blocking open: a FIFO must not hang the lookup; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return FileDataHandle();
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 || info.st_size > INT_MAX) {
        ::close(fd);
        return FileDataHandle();
    }
    const size_t size = static_cast<size_t>(info.st_size);
    char* bytes = size ? static_cast<char*>(std::malloc(size)) : nullptr;
    if (size && !bytes) {
        ::close(fd);
        return FileDataHandle();
    }
    size_t got = 0;
    while (got < size) {
        const ssize_t done = ::read(fd, bytes + got, size - got);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) break;
        got += static_cast<size_t>(done);
    }
    ::close(fd);
    if (got != size) {
        std::free(bytes);
        return FileDataHandle();
    }
    return FileDataHandle(new FileData(name, bytes, static_cast<int>(size)));
}

bool ArchiveDirectory::write(FileDataHandle file) {
    if (file.empty() || file->size < 0 || (file->size > 0 && !file->bytes)) return false;
    const std::string path = mRoot + file->name;
    // Written into a temporary file beside the target, then renamed over it: the target is
    // replaced whole or left as it was.
    std::string tempPath;
    int fd = openTemporary(path, tempPath);
    if (fd < 0) {
        if (!createDirectories(path)) return false;
        fd = openTemporary(path, tempPath);
        if (fd < 0) return false;
    }
    bool ok = writeAll(fd, file->bytes, static_cast<size_t>(file->size));
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(tempPath.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) ::unlink(tempPath.c_str());
    return ok;
}

} // namespace am
} // namespace norvane
