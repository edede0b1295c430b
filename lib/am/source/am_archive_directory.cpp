#include "am_archive.h"
#include "nvn_system.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <system_error>
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

// The text up to and including the last '/' of path: its folder, or "" for a bare name.
std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows the symbolic links that path names (its last component) to the file a write must
// replace: a write through a link updates the link's target and leaves the link alone. A link to a
// file not yet there gives that file's path. False, with errno set, for a loop or an unreadable link.
bool followLinks(std::string& path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof(target));
        if (length < 0) return false;
        if (static_cast<size_t>(length) == sizeof(target)) {
            errno = ENAMETOOLONG;
            return false;
        }
        const std::string link(target, static_cast<size_t>(length));
        path = link[0] == '/' ? link : folderOf(path) + link;
    }
    errno = ELOOP;
    return false;
}

// The user's own write bit decides for a file the user owns, even where the system would let the
// user write anyway (as it lets root): a file its owner made read-only is not replaced.
bool writableByUser(const std::string& path, const struct stat& info) {
    if (info.st_uid == ::geteuid()) return (info.st_mode & S_IWUSR) != 0;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

uint64_t randomBits() {
    uint64_t bits = 0;
    if (::getrandom(&bits, sizeof(bits), GRND_NONBLOCK) == static_cast<ssize_t>(sizeof(bits))) return bits;
    // Without the kernel's generator the clock and the thread tell writers apart well enough: the
    // exclusive create below settles any collision.
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    return (static_cast<uint64_t>(now.tv_sec) << 30) ^ static_cast<uint64_t>(now.tv_nsec) ^
           (static_cast<uint64_t>(::gettid()) << 40);
}

// A temporary file in folder under a short name of its own (".halcyra." and 8 letters or digits),
// so it fits wherever the target's name fits. It is created exclusively, so writers on other
// threads or in other processes never share one, and with mode 0666 less the umask, as any new file.
int openTemporary(const std::string& folder, std::string& tempPath) {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint64_t bits = randomBits();
        char name[] = ".halcyra.xxxxxxxx";
        for (char* p = name + 9; *p; ++p, bits /= 36) *p = digits[bits % 36];
        tempPath = folder + name;
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

std::string errorText(int error) { return std::generic_category().message(error); }

// Stores size bytes as the file at path; returns "" or the cause of the failure. The bytes go into
// a temporary file in the target's folder, renamed over the target: the target is replaced whole,
// keeping its permission bits, or left as it was.
std::string replaceFile(const std::string& path, const char* bytes, size_t size) {
    std::string target = path;
    if (!followLinks(target)) return errorText(errno);
    struct stat old;
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && !writableByUser(target, old)) return "the file is read-only";
    const std::string folder = folderOf(target);
    std::string tempPath;
    int fd = openTemporary(folder, tempPath);
    if (fd < 0) {
        if (!createDirectories(target)) return errorText(errno);
        fd = openTemporary(folder, tempPath);
        if (fd < 0) return errorText(errno);
    }
    bool ok = writeAll(fd, bytes, size) && (!replacing || ::fchmod(fd, old.st_mode & 0777) == 0);
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(tempPath.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (ok) return std::string();
    ::unlink(tempPath.c_str());
    return errorText(error);
}

} // namespace

ArchiveBase::~ArchiveBase() = default;

std::string ArchiveBase::store(FileDataHandle file) {
    return write(file) ? std::string() : std::string("the archive does not take files");
}

void ArchiveBase::refresh() {}

ArchiveDirectory::ArchiveDirectory(const std::string& path) : mRoot(path) {
    if (!mRoot.empty() && mRoot.back() != '/' && mRoot.back() != '\\') mRoot += "/";
}

FileDataHandle ArchiveDirectory::read(const std::string& name, std::string* cause) {
    // An absolute name points at its file itself ("/home/me/song.ogg").
    const bool absolute = !name.empty() && name[0] == '/';
    const std::string path = absolute ? name : mRoot + name;
    // A file that is there but cannot be read is missing too, with the cause for the caller.
    const auto unreadable = [&](const std::string& why) {
        if (cause) *cause = "Could not read '" + name + (absolute ? "" : "' from the folder '" + mRoot) + "': " + why;
        return FileDataHandle();
    };
    // Non-blocking open: a FIFO must not hang the lookup; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG) return FileDataHandle();
        return unreadable(errorText(errno));
    }
    struct stat info;
    std::string why;
    if (::fstat(fd, &info) != 0)
        why = errorText(errno);
    else if (S_ISDIR(info.st_mode))
        why = "it is a folder";
    else if (!S_ISREG(info.st_mode))
        why = "it is not a regular file";
    else if (info.st_size > INT_MAX)
        why = "it is too large (" + std::to_string(info.st_size) + " bytes; at most " + std::to_string(INT_MAX) +
              " are read)";
    if (!why.empty()) {
        ::close(fd);
        return unreadable(why);
    }
    const size_t size = static_cast<size_t>(info.st_size);
    char* bytes = size ? static_cast<char*>(std::malloc(size)) : nullptr;
    if (size && !bytes) {
        ::close(fd);
        return unreadable("there is not enough memory for it");
    }
    size_t got = 0;
    int error = 0;
    while (got < size) {
        const ssize_t done = ::read(fd, bytes + got, size - got);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) error = errno;
        if (done <= 0) break;
        got += static_cast<size_t>(done);
    }
    ::close(fd);
    if (got != size) {
        std::free(bytes);
        return unreadable(error ? errorText(error) : "it became shorter while it was read");
    }
    return FileDataHandle(new FileData(name, bytes, static_cast<int>(size)));
}

bool ArchiveDirectory::write(FileDataHandle file) {
    const std::string cause = store(file);
    if (cause.empty()) return true;
    if (!file.empty()) NVN_LOG("warning", "app", "Could not write '%s': %s", (mRoot + file->name).c_str(), cause.c_str());
    return false;
}

std::string ArchiveDirectory::store(FileDataHandle file) {
    if (file.empty() || file->size < 0 || (file->size > 0 && !file->bytes)) return "no file to write";
    return replaceFile(mRoot + file->name, file->bytes, static_cast<size_t>(file->size));
}

std::string ArchiveDirectory::remove(const std::string& name) {
    if (::unlink((mRoot + name).c_str()) == 0 || errno == ENOENT) return std::string();
    return errorText(errno);
}

} // namespace am
} // namespace norvane
