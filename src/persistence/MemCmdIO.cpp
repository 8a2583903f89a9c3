#include "persistence/MemCmdIO.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/MemoryBlock.h"

namespace fw {

MemCmdIO::MemCmdIO(CommandEnabler* root, uint8_t flag)
    : LineCommandIO(root, flag, /*backslashQuote=*/true, /*closeAtLineEnd=*/true) {}

MemCmdIO::~MemCmdIO() { detach(); }

void MemCmdIO::attachInput(MemoryBlock& block, size_t start) {
    detach();
    input_ = &block;
    data_ = block.lock();
    size_ = block.size();
    lineStart_ = nextLine_ = std::min(start, size_);
    dropLine();
}

void MemCmdIO::attachOutput(MemoryBlock& block, size_t headerOffset) {
    detach();
    output_ = &block;
    out_ = block.lock();
    writePosition_ = std::min(headerOffset, block.size());
    growthStep_ = block.size() - writePosition_;
    // A block handed in full would never grow; give it a modest step instead.
    if (growthStep_ < 256) growthStep_ = 256;
}

void MemCmdIO::detach() {
    if (input_) input_->unlock();
    if (output_) output_->unlock();
    input_ = output_ = nullptr;
    data_ = nullptr;
    out_ = nullptr;
    size_ = 0;
    dropLine();
}

bool MemCmdIO::loadLineAt(size_t offset) {
    if (!data_ || offset >= size_) return false;
    const uint8_t* begin = data_ + offset;
    size_t limit = std::min(size_ - offset, static_cast<size_t>(kLineBufferSize - 1));
    const void* lf = std::memchr(begin, '\n', limit);
    size_t length = lf ? static_cast<size_t>(static_cast<const uint8_t*>(lf) - begin) : limit;
    std::memcpy(lineBuffer_, begin, length);
    lineBuffer_[length] = 0;
    lineStart_ = offset;
    nextLine_ = offset + length + (lf ? 1 : 0);
    setLine(static_cast<int>(length));
    return true;
}

bool MemCmdIO::nextLine() { return loadLineAt(nextLine_); }

bool MemCmdIO::moreLines() { return data_ && nextLine_ < size_; }

int MemCmdIO::readToken(char* token, int size) {
    int status = LineCommandIO::readToken(token, size);
    if (status == 0 && std::strcmp(token, kEndOfStream) == 0) {
        // Whatever follows the marker is not part of the stream.
        lineStart_ = nextLine_ = size_;
        dropLine();
        return kEndOfData;
    }
    return status;
}

int MemCmdIO::peekToken(char* token, int size) {
    size_t lineStart = lineStart_, nextLine = nextLine_;
    int position = linePosition_, length = lineLength_;
    int status = LineCommandIO::readToken(token, size);
    if (lineStart_ != lineStart) loadLineAt(lineStart);
    lineStart_ = lineStart;
    nextLine_ = nextLine;
    linePosition_ = position;
    lineLength_ = length;
    return status;
}

long MemCmdIO::bytePosition() {
    if (output_) return static_cast<long>(writePosition_);
    return static_cast<long>(lineStart_) + linePosition_;
}

int MemCmdIO::readBytes(void* data, size_t count) {
    // Raw bytes start on the line after the command that announced them.
    if (!data_ || count > size_ - nextLine_) return kFailed;
    std::memcpy(data, data_ + nextLine_, count);
    lineStart_ = nextLine_ = nextLine_ + count;
    dropLine();
    return 0;
}

void MemCmdIO::reserve(size_t bytes) {
    if (!output_) throw std::bad_alloc();
    size_t size = output_->size();
    if (writePosition_ + bytes <= size) return;
    size_t grown = size;
    while (writePosition_ + bytes > grown) grown += growthStep_;
    output_->unlock();
    bool ok = output_->resize(grown);
    out_ = output_->lock();
    if (!ok) throw std::bad_alloc();
}

int MemCmdIO::writeLine() {
    if (!output_) return kFailed;
    size_t length = std::strlen(lineBuffer_);
    size_t indent = static_cast<size_t>(indentation());
    // The stored line always ends with exactly one line feed.
    bool hasFeed = length > 0 && lineBuffer_[length - 1] == '\n';
    reserve(indent + length + (hasFeed ? 0 : 1));
    std::memset(out_ + writePosition_, ' ', indent);
    writePosition_ += indent;
    std::memcpy(out_ + writePosition_, lineBuffer_, length);
    writePosition_ += length;
    if (!hasFeed) out_[writePosition_++] = '\n';
    return 0;
}

int MemCmdIO::writeBytes(const void* data, size_t count) {
    if (!output_) return kFailed;
    reserve(count);
    std::memcpy(out_ + writePosition_, data, count);
    writePosition_ += count;
    return 0;
}

int MemCmdIO::finish() {
    if (!output_) return kFailed;
    std::strcpy(lineBuffer_, "**EndOfStream**\n");
    writeLine();
    reserve(1);
    out_[writePosition_] = 0;
    MemoryBlock* block = output_;
    size_t used = writePosition_ + 1;
    detach();
    // Shrinking cannot fail for lack of memory; if it does, the block is merely larger.
    block->resize(used);
    return 0;
}

}  // namespace fw
