#pragma once
// Command-stream endpoint over a movable memory block: clipboard scraps and
// in-memory copies of members. A memory stream always ends with the end marker.

#include "persistence/LineCommandIO.h"

namespace fw {

class MemoryBlock;

class MemCmdIO : public LineCommandIO {
public:
    explicit MemCmdIO(CommandEnabler* root, uint8_t flag = 0);
    ~MemCmdIO() override;

    // Reads the block from `start` to its size; the block stays locked while attached.
    void attachInput(MemoryBlock& block, size_t start = 0);
    // Writes after `headerOffset`; the free space beyond it is the growth step.
    void attachOutput(MemoryBlock& block, size_t headerOffset = 0);
    void detach();
    // Writes the end marker and shrinks the block to the bytes used plus a NUL.
    int finish();

    int readToken(char* token, int size) override;
    // The next token, leaving the position where it was.
    int peekToken(char* token, int size);

    int writeLine() override;
    int writeBytes(const void* data, size_t count) override;
    long bytePosition() override;
    int readBytes(void* data, size_t count) override;

    size_t writePosition() const { return writePosition_; }

protected:
    bool nextLine() override;
    bool moreLines() override;

private:
    bool loadLineAt(size_t offset);
    void reserve(size_t bytes);  // throws std::bad_alloc when the block cannot grow

    MemoryBlock* input_ = nullptr;
    MemoryBlock* output_ = nullptr;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t lineStart_ = 0;  // offset of the line in the line buffer
    size_t nextLine_ = 0;   // offset of the line after it
    uint8_t* out_ = nullptr;
    size_t writePosition_ = 0;
    size_t growthStep_ = 0;
};

}  // namespace fw
