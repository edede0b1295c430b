#include "am_filedata.h"

#include <cstdlib>

namespace norvane {
namespace am {

FileData::~FileData() { std::free(bytes); }

FileDataHandle::FileDataHandle(FileData* data) {
    if (data) mBlock = new Block{data, 1};
}

FileDataHandle::FileDataHandle(const FileDataHandle& other) : mBlock(other.mBlock) {
    if (mBlock) ++mBlock->count;
}

FileDataHandle& FileDataHandle::operator=(const FileDataHandle& other) {
    if (mBlock == other.mBlock) return *this;
    release();
    mBlock = other.mBlock;
    if (mBlock) ++mBlock->count;
    return *this;
}

FileDataHandle::~FileDataHandle() { release(); }

void FileDataHandle::assign(FileData* data) {
    release();
    if (data) mBlock = new Block{data, 1};
}

void FileDataHandle::reset(FileData* data) { assign(data); }

void FileDataHandle::release() {
    Block* block = mBlock;
    mBlock = nullptr;
    if (!block) return;
    if (--block->count > 0) return;
    delete block->data;
    delete block;
}

} // namespace am
} // namespace norvane
