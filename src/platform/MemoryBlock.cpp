#include "platform/MemoryBlock.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace fw {

MemoryBlock::MemoryBlock(size_t size, size_t maxSize) : maxSize_(maxSize) {
    if (size > maxSize_ || !resize(size)) throw std::bad_alloc();
}

MemoryBlock::~MemoryBlock() { std::free(data_); }

uint8_t* MemoryBlock::lock() {
    ++locks_;
    return data_;
}

void MemoryBlock::unlock() {
    if (locks_ > 0) --locks_;
}

bool MemoryBlock::resize(size_t newSize) {
    if (newSize > maxSize_) return false;
    // Keep one byte even for an empty block so that lock() never returns null.
    void* p = std::realloc(data_, newSize ? newSize : 1);
    if (!p) return false;
    data_ = static_cast<uint8_t*>(p);
    if (newSize > size_) std::memset(data_ + size_, 0, newSize - size_);
    size_ = newSize;
    return true;
}

}  // namespace fw
