#pragma once
// A movable memory block, the stand-in for the desktop's global memory handles:
// clipboard scraps and in-memory copies of members live in one.

#include <cstddef>
#include <cstdint>

namespace fw {

class MemoryBlock {
public:
    // maxSize caps growth, the way a real system runs out of memory; resize fails past it.
    explicit MemoryBlock(size_t size = 0, size_t maxSize = SIZE_MAX);
    ~MemoryBlock();
    MemoryBlock(const MemoryBlock&) = delete;
    MemoryBlock& operator=(const MemoryBlock&) = delete;

    size_t size() const { return size_; }
    // Lock returns the block's current address; it stays valid until the next resize.
    uint8_t* lock();
    void unlock();
    int lockCount() const { return locks_; }
    // May move the block; contents up to the smaller size are kept. False when it cannot grow.
    bool resize(size_t newSize);

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t maxSize_;
    int locks_ = 0;
};

}  // namespace fw
