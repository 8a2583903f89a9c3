#include "persistence/TerminalIO.h"

namespace fw {

TerminalIO::TerminalIO(CommandEnabler* root, uint8_t flag)
    : LineCommandIO(root, flag, /*backslashQuote=*/false, /*closeAtLineEnd=*/false),
      in_(stdin),
      out_(stdout),
      echo_(stderr) {}

TerminalIO::~TerminalIO() {
    if (ownIn_) std::fclose(in_);
    if (ownOut_) std::fclose(out_);
    if (ownEcho_) std::fclose(echo_);
}

namespace {
bool replace(std::FILE*& stream, bool& owned, std::FILE* with, bool own) {
    if (!with) return false;
    if (owned) std::fclose(stream);
    stream = with;
    owned = own;
    return true;
}
}  // namespace

bool TerminalIO::openInput(const std::string& path) {
    bool ok = replace(in_, ownIn_, std::fopen(path.c_str(), "r"), true);
    if (ok) dropLine();
    return ok;
}
bool TerminalIO::openOutput(const std::string& path) {
    return replace(out_, ownOut_, std::fopen(path.c_str(), "w"), true);
}
bool TerminalIO::openEcho(const std::string& path) {
    return replace(echo_, ownEcho_, std::fopen(path.c_str(), "w"), true);
}
void TerminalIO::setInput(std::FILE* in) {
    replace(in_, ownIn_, in, false);
    dropLine();
}
void TerminalIO::setOutput(std::FILE* out) { replace(out_, ownOut_, out, false); }
void TerminalIO::setEcho(std::FILE* echo) { replace(echo_, ownEcho_, echo, false); }

bool TerminalIO::nextLine() {
    if (!in_) return false;
    int length = 0, c = EOF;
    // A line longer than the buffer continues as the next line.
    while (length < kLineBufferSize - 1 && (c = std::getc(in_)) != EOF && c != '\n')
        lineBuffer_[length++] = static_cast<char>(c);
    if (c == EOF && length == 0) return false;
    lineBuffer_[length] = 0;
    ++lines_;
    setLine(length);
    return true;
}

bool TerminalIO::moreLines() {
    if (!in_) return false;
    int c = std::getc(in_);
    if (c == EOF) return false;
    std::ungetc(c, in_);
    return true;
}

int TerminalIO::writeIndented(std::FILE* stream) {
    for (int i = 0; i < indentation(); ++i) std::fputc(' ', stream);
    return std::fputs(lineBuffer_, stream) < 0 ? -1 : 0;
}

int TerminalIO::writeLine() { return out_ ? writeIndented(out_) : -1; }

int TerminalIO::writeEchoLine() { return echo_ ? writeIndented(echo_) : 0; }

int TerminalIO::writeBytes(const void*, size_t) { return -1; }

int TerminalIO::readBytes(void* data, size_t count) {
    if (!in_) return -1;
    // Raw bytes follow the line that announced them.
    dropLine();
    return std::fread(data, 1, count, in_) == count ? 0 : -1;
}

}  // namespace fw
