#include "persistence/StringsIO.h"

#include <cstring>
#include <string>

namespace fw {

StringsIO::StringsIO(CommandEnabler* root, uint8_t flag)
    : LineCommandIO(root, flag, /*backslashQuote=*/false, /*closeAtLineEnd=*/false) {}

void StringsIO::attach(const char* const* strings) {
    strings_ = strings;
    rows_ = nullptr;
    index_ = 0;
    dropLine();
}

void StringsIO::attach(const char* rows, int width) {
    rows_ = rows;
    width_ = width;
    strings_ = nullptr;
    index_ = 0;
    dropLine();
}

const char* StringsIO::current() const {
    if (strings_) return strings_[index_];
    if (rows_ && width_ > 0) return rows_ + index_ * width_;
    return nullptr;
}

bool StringsIO::moreLines() {
    const char* s = current();
    return s && *s;
}

bool StringsIO::nextLine() {
    const char* s = current();
    if (!s || !*s) return false;  // an empty string ends the input
    size_t limit = kLineBufferSize - 1;
    if (rows_ && static_cast<size_t>(width_) < limit) limit = static_cast<size_t>(width_);
    size_t length = strnlen(s, limit);
    std::memcpy(lineBuffer_, s, length);
    lineBuffer_[length] = 0;
    ++index_;
    setLine(static_cast<int>(length));
    return true;
}

int StringsIO::writeLine() {
    if (!out_) return -1;
    // One C string literal per line, the text cut at its line feed. Backslashes are
    // escaped along with quotes so that the compiled string is the line itself.
    std::string text(static_cast<size_t>(indentation()), ' ');
    text += '"';
    for (const char* p = lineBuffer_; *p && *p != '\n'; ++p) {
        if (*p == '"' || *p == '\\') text += '\\';
        text += *p;
    }
    text += "\",\n";
    return std::fwrite(text.data(), 1, text.size(), out_) == text.size() ? 0 : -1;
}

int StringsIO::writeEchoLine() {
    if (!echo_) return 0;
    for (int i = 0; i < indentation(); ++i) std::fputc(' ', echo_);
    return std::fputs(lineBuffer_, echo_) < 0 ? -1 : 0;
}

int StringsIO::writeBytes(const void*, size_t) { return -1; }

int StringsIO::readBytes(void*, size_t) { return -1; }

}  // namespace fw
