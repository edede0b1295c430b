#pragma once
// The two kinds of archive: a plain directory (read and write) and a ZIP file (read only).

#include "am_filedata.h"

#include <string>

namespace norvane {
namespace am {

class ArchiveBase {
public:
    virtual ~ArchiveBase();
    // The named file, or the empty handle.
    virtual FileDataHandle read(const std::string& name) = 0;
    // Stores the file under its own name; false when it could not be stored.
    virtual bool write(FileDataHandle file) = 0;
    // As write, but quiet: "" when stored, else the cause, for the caller to report.
    virtual std::string store(FileDataHandle file);
    virtual void refresh();
};

// Files below a root directory. Files are read whole or read as missing, and written whole or not at all.
class ArchiveDirectory : public ArchiveBase {
public:
    explicit ArchiveDirectory(const std::string& path);
    FileDataHandle read(const std::string& name) override;
    bool write(FileDataHandle file) override;
    std::string store(FileDataHandle file) override;
    // Removes the named file; "" when it is gone, else the cause.
    std::string remove(const std::string& name);

    const std::string& root() const { return mRoot; }

private:
    std::string mRoot; // ends in one separator unless empty
};

// Entries of a ZIP file, looked up by name without regard to letter case.
class ArchiveZIP : public ArchiveBase {
public:
    // Files larger than this read as missing.
    static const int MaxEntrySize = 1 << 30;

    explicit ArchiveZIP(const std::string& path);
    ~ArchiveZIP() override;
    FileDataHandle read(const std::string& name) override;
    bool write(FileDataHandle file) override;

    // False when the file could not be opened as a ZIP archive (every read then finds nothing).
    bool isOpen() const { return mHandle != nullptr; }

private:
    ArchiveZIP(const ArchiveZIP&) = delete;
    ArchiveZIP& operator=(const ArchiveZIP&) = delete;

    void* mHandle = nullptr; // the open unzFile
};

} // namespace am
} // namespace norvane
