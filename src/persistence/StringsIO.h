#pragma once
// Command-stream endpoint over string arrays compiled into the program (the
// built-in presets), and the writer that produces such arrays as C source.

#include <cstdio>

#include "persistence/LineCommandIO.h"

namespace fw {

class StringsIO : public LineCommandIO {
public:
    explicit StringsIO(CommandEnabler* root, uint8_t flag = 0);

    // An array of string pointers ending with a null pointer.
    void attach(const char* const* strings);
    // A two-dimensional character array of rows `width` wide, ending with an empty row.
    void attach(const char* rows, int width);
    // Main output (a C array body) and echo output.
    void setOutput(std::FILE* out) { out_ = out; }
    void setEcho(std::FILE* echo) { echo_ = echo; }

    int writeLine() override;
    int writeEchoLine() override;
    int writeBytes(const void* data, size_t count) override;
    long bytePosition() override { return linePosition_; }
    int readBytes(void* data, size_t count) override;

protected:
    bool nextLine() override;
    bool moreLines() override;

private:
    const char* current() const;

    const char* const* strings_ = nullptr;
    const char* rows_ = nullptr;
    int width_ = 0;
    long index_ = 0;
    std::FILE* out_ = nullptr;
    std::FILE* echo_ = nullptr;
};

}  // namespace fw
