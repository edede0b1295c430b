#pragma once
// The two kinds of archive: a plain directory (read and write) and a ZIP file (read only).

#include "am_filedata.h"

#include <cstdint>
#include <map>
#include <string>

namespace norvane {
namespace am {

class ArchiveBase {
public:
    virtual ~ArchiveBase();
    // The named file, or the empty handle. A file the archive holds but cannot read is empty too;
    // when cause is given, why goes there: a sentence naming the archive, the file and the cause.
    virtual FileDataHandle read(const std::string& name, std::string* cause = nullptr) = 0;
    // Stores the file under its own name; false when it could not be stored.
    virtual bool write(FileDataHandle file) = 0;
    // As write, but quiet: "" when stored, else the cause, for the caller to report.
    virtual std::string store(FileDataHandle file);
    virtual void refresh();
};

// Files below a root directory. Files are read whole or read as missing, and written whole or not at all.
// A name that is there but cannot be read (no permission, a folder, a FIFO) reads as missing, with the cause.
// A name that starts with "/" is read from where it points; every name is written below the root.
class ArchiveDirectory : public ArchiveBase {
public:
    explicit ArchiveDirectory(const std::string& path);
    FileDataHandle read(const std::string& name, std::string* cause = nullptr) override;
    bool write(FileDataHandle file) override;
    std::string store(FileDataHandle file) override;
    // Removes the named file; "" when it is gone, else the cause.
    std::string remove(const std::string& name);

    const std::string& root() const { return mRoot; }

private:
    std::string mRoot; // ends in one separator unless empty
};

// Entries of a ZIP file, looked up by name without regard to letter case. Stored names and asked
// names alike lose one leading "./" or separator, so "./hus/hus.kvx" is found as "hus/hus.kvx",
// and in both a backslash reads as "/" (some Windows tools store those between folders).
class ArchiveZIP : public ArchiveBase {
public:
    // Entries larger than this are refused.
    static const int MaxEntrySize = 1 << 30;

    // Only a regular file is opened; anything else (a folder, a FIFO, a device) is refused.
    explicit ArchiveZIP(const std::string& path);
    ~ArchiveZIP() override;
    // The named entry, or the empty handle. An entry that is there but cannot be read (a
    // compression method other than stored or deflated, encryption, damage) is empty too, with
    // "Could not read '<entry>' from the ZIP archive '<path>': <cause>" in cause when it is given.
    FileDataHandle read(const std::string& name, std::string* cause = nullptr) override;
    bool write(FileDataHandle file) override;

    // False when the file could not be opened as a ZIP archive (every read then finds nothing).
    bool isOpen() const { return mHandle != nullptr; }
    // Why the archive could not be opened; empty when it is open.
    const std::string& openError() const { return mOpenError; }

private:
    ArchiveZIP(const ArchiveZIP&) = delete;
    ArchiveZIP& operator=(const ArchiveZIP&) = delete;

    struct Entry {
        std::string storedName;
        uint64_t directoryPosition;
        uint64_t number;
    };
    // Reads the entry into out; "" when read, else the cause.
    std::string readEntry(const Entry& entry, const std::string& name, FileDataHandle& out);

    std::string mPath;
    std::string mOpenError;
    void* mHandle = nullptr;              // the open unzFile
    std::map<std::string, Entry> mEntries; // by the looked-up form of the stored name
};

} // namespace am
} // namespace norvane
