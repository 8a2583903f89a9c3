#pragma once
// Command-stream endpoint over C streams: standard input, output and error by
// default, or files named by path. Diagnostics and time reports go here.

#include <cstdio>
#include <string>

#include "persistence/LineCommandIO.h"

namespace fw {

class TerminalIO : public LineCommandIO {
public:
    explicit TerminalIO(CommandEnabler* root, uint8_t flag = 0);
    ~TerminalIO() override;

    // Each returns false when the file cannot be opened; the default stream stays.
    bool openInput(const std::string& path);
    bool openOutput(const std::string& path);
    bool openEcho(const std::string& path);
    // Streams handed in are not closed by this endpoint.
    void setInput(std::FILE* in);
    void setOutput(std::FILE* out);
    void setEcho(std::FILE* echo);

    int writeLine() override;
    int writeEchoLine() override;
    int writeBytes(const void* data, size_t count) override;  // not supported: -1
    long bytePosition() override { return linePosition_; }
    int readBytes(void* data, size_t count) override;
    long lineNumber() const { return lines_; }

protected:
    bool nextLine() override;
    bool moreLines() override;

private:
    int writeIndented(std::FILE* stream);

    std::FILE* in_;
    std::FILE* out_;
    std::FILE* echo_;
    bool ownIn_ = false, ownOut_ = false, ownEcho_ = false;
    long lines_ = 0;
};

}  // namespace fw
