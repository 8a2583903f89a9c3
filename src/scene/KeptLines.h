#pragma once
// The lines of a block that nothing here reads yet, kept exactly as they came (nested
// blocks, indentation and line ends included) so that writing them back loses nothing.

#include <string>
#include <utility>
#include <vector>

namespace fw {

class CommandIO;

class KeptLines {
public:
    // Called right after "begin <className>" was read: takes every byte up to and
    // including the line "end <className>" that closes the block. Nested begin/end
    // pairs stay inside. 0, or -1 when the closing line names another class or the
    // endpoint cannot hand out raw bytes. A stream that ends first keeps what it had.
    int read(CommandIO& io, const char* className);
    // The kept bytes, between the "begin" and "end" lines the caller writes.
    int write(CommandIO& io) const;
    // The whole block: its "begin" line, the kept bytes and its "end" line, indented
    // as a block written at this depth of the stream.
    int writeBlock(CommandIO& io, const char* className) const;

    bool empty() const { return bytes_.empty(); }
    void clear() { bytes_.clear(); }
    const std::string& bytes() const { return bytes_; }
    // Replaces the kept bytes (a record rebuilt from others of its kind).
    void assign(std::string bytes) { bytes_ = std::move(bytes); }
    // The string argument of the block's own line with this keyword (not a nested
    // block's), quotes and backslash-quotes undone; false when there is none.
    bool find(const char* keyword, std::string& value) const;
    // Every quoted string in the kept lines, unescaped: the names they may refer to.
    std::vector<std::string> quotedStrings() const;

private:
    std::string bytes_;
};

}  // namespace fw
