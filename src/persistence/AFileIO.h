#pragma once
// Command-stream endpoint for disk files: projects, preferences and libraries.
// Reads in chunks and tokenises across chunk boundaries; quoted strings may run
// over line ends; binary data may follow a command.

#include <memory>
#include <string>

#include "persistence/AFile.h"
#include "persistence/CommandIO.h"

namespace fw {

class AFileIO : public CommandIO {
public:
    static constexpr int kChunkSize = 49999;
    static constexpr size_t kWriteBufferSize = 512000;

    explicit AFileIO(CommandEnabler* root, uint8_t flag = 0);
    ~AFileIO() override;

    // -1 when the file cannot be opened (AFile::error says why).
    int openInput(const std::string& path);
    // A file handed in is read from where it stands and never closed here.
    void attachInput(AFile* file);
    int openOutput(const std::string& path);
    void attachOutput(AFile* file);
    int openEcho(const std::string& path);
    void attachEcho(AFile* file);
    // Commits the output file in place; -1 (and the target untouched) on any failure.
    int closeOutput();

    // Back to the first byte of the input.
    int rewind();
    // Lines the file up with the token reader so that raw bytes can follow a command:
    // the line feeds after the last token are skipped.
    void resynchronize();

    int writeLine() override;
    int writeBytes(const void* data, size_t count) override;
    int writeEchoLine() override;
    int hasInput() override { return input_ != nullptr; }
    long bytePosition() override { return position_; }
    int readToken(char* token, int size) override;
    int readDouble(double& value) override;
    int readBytes(void* data, size_t count) override;
    int readLine(std::string& line) override;

    const AFile* inputFile() const { return input_; }
    const AFile* outputFile() const { return output_; }
    const std::string& error() const { return error_; }

private:
    int peekByte() { return cursor_ < filled_ ? static_cast<unsigned char>(chunk_[cursor_]) : refill(); }
    int refill();
    // Skips blanks and comments up to the next token's first byte; -1 at the end of data.
    int skipBlanks();
    // Ends reading after a token longer than any line this program writes.
    int overlong(char* token, int size, long start);
    void detachInput();
    int writeRaw(AFile* file, const void* data, size_t count);

    AFile* input_ = nullptr;
    AFile* output_ = nullptr;
    AFile* echo_ = nullptr;
    std::unique_ptr<AFile> ownInput_, ownOutput_, ownEcho_;
    std::unique_ptr<char[]> chunk_;
    int filled_ = 0;
    int cursor_ = 0;
    long position_ = 0;
    bool afterToken_ = false;
    std::string error_;
};

}  // namespace fw
