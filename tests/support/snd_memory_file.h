#pragma once
// A growing memory file for libsndfile's virtual I/O: the tests and benchmarks write the sound
// files they need into memory and read them back from there, without touching the disk.

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace soundtest {

struct MemoryFile {
    std::vector<char> bytes;
    sf_count_t position = 0;

    static sf_count_t length(void* user) {
        return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size());
    }
    static sf_count_t seek(sf_count_t offset, int whence, void* user) {
        MemoryFile* file = static_cast<MemoryFile*>(user);
        const sf_count_t base = whence == SEEK_CUR ? file->position : whence == SEEK_END ? length(user) : 0;
        file->position = base + offset;
        return file->position;
    }
    static sf_count_t read(void* out, sf_count_t count, void* user) {
        MemoryFile* file = static_cast<MemoryFile*>(user);
        count = std::max<sf_count_t>(0, std::min(count, length(user) - file->position));
        std::memcpy(out, file->bytes.data() + file->position, static_cast<size_t>(count));
        file->position += count;
        return count;
    }
    static sf_count_t write(const void* data, sf_count_t count, void* user) {
        MemoryFile* file = static_cast<MemoryFile*>(user);
        const size_t end = static_cast<size_t>(file->position + count);
        if (file->bytes.size() < end) file->bytes.resize(end);
        std::memcpy(file->bytes.data() + file->position, data, static_cast<size_t>(count));
        file->position += count;
        return count;
    }
    static sf_count_t tell(void* user) { return static_cast<MemoryFile*>(user)->position; }

    // Opens this memory file with libsndfile (SFM_READ or SFM_WRITE); null when it cannot.
    SNDFILE* open(int mode, SF_INFO& info) {
        static SF_VIRTUAL_IO io{length, seek, read, write, tell};
        return sf_open_virtual(&io, mode, &info, this);
    }
};

} // namespace soundtest
