#pragma once
// A command-stream endpoint: the command stack that says who receives the next
// command, the line buffer writers format into, and the typed readers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/GrowableArray.h"

namespace fw {

class CommandEnabler;

// Quote escaping for strings written between quotes: a backslash before every double
// quote and before every backslash of a run that reaches a quote or the end of the
// text. A text with quotes is cut to the longest start whose escaped form fits in
// 256 characters; other texts are not cut. Texts without quotes and without a
// trailing backslash pass unchanged.
inline constexpr size_t kEscapedLimit = 256;
std::string escapeQuotes(std::string_view text);

// What reading a whole stream came to (CommandIO::readAll).
struct StreamRead {
    enum class End {
        kInputEnded,  // every command was read
        kEndMarker,   // the stream's end marker stopped it
        kFailed,      // a command failed: `error` says why
        kForeign,     // the first command was not one of ours: nothing else was read
    };
    End end = End::kInputEnded;
    int commands = 0;  // commands read, a failed or foreign one included
    std::vector<std::string> warnings;  // commands' warnings, then a block left open
    std::string error;
    bool ok() const { return end == End::kInputEnded || end == End::kEndMarker; }
};

class CommandIO {
public:
    // What reading one command gives.
    static constexpr int kDone = 0, kFailed = -1, kEndOfData = -3;

    static constexpr int kLineBufferSize = 50000;
    static constexpr int kTokenSize = 256;
    static constexpr const char* kEndOfStream = "**EndOfStream**";
    // No line this program writes is longer than its line buffer, so a longer token
    // is not data of ours: the reader gives up on the stream (kTokenTooLong).
    static constexpr long kMaxTokenLength = kLineBufferSize;
    static constexpr int kTokenTooLong = -2;

    // The stack starts with exactly the root receiver. A non-zero flag makes
    // animation records refer to scene objects by list position instead of name.
    explicit CommandIO(CommandEnabler* root, uint8_t flag = 0);
    virtual ~CommandIO() = default;
    CommandIO(const CommandIO&) = delete;
    CommandIO& operator=(const CommandIO&) = delete;

    // Writes indentation (one space per stack entry) and the line buffer.
    virtual int writeLine() = 0;
    virtual int writeBytes(const void* data, size_t count) = 0;
    // Two lower-case hex digits per byte into the line buffer, NUL-terminated.
    virtual void formatHex(const void* bytes, size_t count);
    virtual int writeEchoLine() { return 0; }
    virtual int hasInput() { return 1; }
    virtual long bytePosition() = 0;

    // Typed readers: 0 on success, -1 when the token is missing or is not exactly one value.
    virtual int readDouble(double& value);
    virtual int readDouble6(double values[6]);
    virtual int readMatrix(double values[16]);
    virtual int readVector3(double values[3]);
    virtual int readVector2(double values[2]);
    virtual int readColor(float* rgba, int n);
    virtual int readInt(int& value);  // also "on" and "off"
    virtual int readUnsigned(unsigned& value);
    virtual int readUnsignedLong(unsigned long& value);
    // 0, -3 at the end of data, or another negative value on error. A token longer
    // than size - 1 is cut; its rest is consumed, up to kMaxTokenLength.
    virtual int readToken(char* token, int size) = 0;
    virtual int readBytes(void* data, size_t count) = 0;
    // Appends the raw bytes up to and including the next line feed to line: 0 when a
    // line feed ended them, -1 when the input ended first (what there was is kept).
    virtual int readLine(std::string& line);

    // Reads one token of exactly 2 * count hex digits into bytes.
    int readHex(void* bytes, size_t count);
    // Reads one token (normally a quoted string) of up to kTokenSize - 1 characters.
    int readString(std::string& value);

    char* lineBuffer() { return lineBuffer_; }
    // Formats into the line buffer (printf-style, the format carries its "\n") and writes the line.
    int writef(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // "begin <class>", the child's own commands one level deeper, "end <class>".
    int writeBlock(CommandEnabler& child);
    int writeIndexedBlock(CommandEnabler& child, int n);

    void push(CommandEnabler* receiver);
    void pop();
    // Ends every block still open above the root as its "end" line would have; the
    // class of the innermost one, or null when none was open.
    const char* finishOpenBlocks();
    static std::string unfinishedBlockWarning(const char* className);
    CommandEnabler* top() const;
    int depth() const { return stack_.count(); }
    uint8_t flag() const { return flag_; }

    // One command for the receiver on top of the stack: kDone, kFailed or kEndOfData
    // at the end marker.
    int processNextCommand();
    // Every command to the end of the input or its end marker, then the blocks still
    // open are ended, with a warning unless a command failed. With `firstLineDecides`
    // a first command that fails or needs a warning marks a stream that is not ours:
    // nothing after it is read and its blocks stay open.
    StreamRead readAll(bool firstLineDecides = false);
    // One command for `receiver`, skipping up to 100 unusable tokens on the way.
    int processCommand(CommandEnabler& receiver);
    // What went wrong with the last command, for whoever loads the stream to show: the
    // error of a failed one, the warning of one read after skipping damage, or empty.
    // Each endpoint keeps its own, so loads on different threads never share it.
    const std::string& diagnostic() const { return diagnostic_; }
    // A handler that read a value it cannot use as given (and changed it) says so: the
    // text becomes the warning of the command being read.
    void warn(const std::string& text) {
        if (diagnostic_.empty()) diagnostic_ = text;
    }

protected:
    int indentation() const { return stack_.count(); }
    // Readers call this when they give up on an over-long token, so that the command
    // fails with a message that says so.
    void noteOverlongToken() { overlong_ = true; }

    char lineBuffer_[kLineBufferSize];

private:
    int writeBlockLines(CommandEnabler& child);

    // Where recent keywords were found, per table: a stream repeats a handful of
    // keywords, and a keyword once in a class's table stays there.
    struct KeywordMemo {
        const void* table = nullptr;
        const void* entry = nullptr;
    };
    const void* findKeyword(CommandEnabler& receiver, const char* token);
    KeywordMemo keywords_[128];

    GrowableArray<CommandEnabler*> stack_{12};
    uint8_t flag_;
    bool overlong_ = false;
    std::string diagnostic_;
};

}  // namespace fw
