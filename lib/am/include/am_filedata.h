#pragma once
// The content of one file and the counted handle through which it is shared.

#include <string>
#include <utility>

namespace norvane {
namespace am {

// The bytes of one file. The buffer is malloc memory owned by the record (freed with free).
struct FileData {
    std::string name; // the name under which the file was asked for or is to be written
    int size = 0;     // number of bytes
    char* bytes = nullptr;

    FileData() = default;
    // Takes ownership of bytes, which come from malloc.
    FileData(std::string name_, char* bytes_, int size_) : name(std::move(name_)), size(size_), bytes(bytes_) {}
    ~FileData();
    FileData(const FileData&) = delete;
    FileData& operator=(const FileData&) = delete;
};

// A counted handle to a FileData; empty when a lookup found nothing.
class FileDataHandle {
public:
    // Takes ownership of data (null gives the empty handle).
    FileDataHandle(FileData* data = nullptr);
    FileDataHandle(const FileDataHandle& other);
    FileDataHandle& operator=(const FileDataHandle& other);
    ~FileDataHandle();

    // Release the held file, then take ownership of data.
    void assign(FileData* data);
    void reset(FileData* data = nullptr);
    // Drop this handle's share; the file goes when its last handle does.
    void release();

    bool empty() const { return mBlock == nullptr; }
    explicit operator bool() const { return mBlock != nullptr; }

    // The held file, or null for the empty handle.
    FileData* get() const { return mBlock ? mBlock->data : nullptr; }
    FileData* operator->() const { return get(); }
    FileData& operator*() const { return *get(); }

    // Number of handles sharing the file (0 for the empty handle).
    int useCount() const { return mBlock ? mBlock->count : 0; }

private:
    struct Block {
        FileData* data;
        int count;
    };
    Block* mBlock = nullptr;
};

} // namespace am
} // namespace norvane
