#include "persistence/LineCommandIO.h"

#include <cstring>

namespace fw {

namespace {
inline bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
}  // namespace

LineCommandIO::LineCommandIO(CommandEnabler* root, uint8_t flag, bool backslashQuote,
                             bool closeAtLineEnd)
    : CommandIO(root, flag), backslashQuote_(backslashQuote), closeAtLineEnd_(closeAtLineEnd) {}

void LineCommandIO::setLine(int length) {
    const void* nul = std::memchr(lineBuffer_, 0, static_cast<size_t>(length));
    lineLength_ = nul ? static_cast<int>(static_cast<const char*>(nul) - lineBuffer_) : length;
    linePosition_ = 0;
}

int LineCommandIO::hasInput() {
    for (int i = linePosition_; i < lineLength_; ++i) {
        if (lineBuffer_[i] == '#') break;
        if (!isSpace(lineBuffer_[i])) return 1;
    }
    return moreLines() ? 1 : 0;
}

int LineCommandIO::readToken(char* token, int size) {
    int kept = 0;
    auto keep = [&](char c) {
        if (kept < size - 1) token[kept++] = c;
    };
    for (;;) {
        if (linePosition_ >= lineLength_) {
            if (!nextLine()) {
                if (size > 0) token[0] = 0;
                return kEndOfData;
            }
            continue;
        }
        char c = lineBuffer_[linePosition_];
        if (isSpace(c)) {
            ++linePosition_;
            continue;
        }
        if (c == '#') {
            linePosition_ = lineLength_;
            continue;
        }
        if (c == '"') {
            ++linePosition_;
            bool closed = false;
            while (linePosition_ < lineLength_) {
                char q = lineBuffer_[linePosition_++];
                if (q == '"') {
                    closed = true;
                    break;
                }
                if (q == '\\' && backslashQuote_) {
                    // A run of backslashes before a quote is halved: an odd one ends in
                    // an escaped quote, an even one lets the quote close the string.
                    int run = 1;
                    while (linePosition_ < lineLength_ && lineBuffer_[linePosition_] == '\\') {
                        ++linePosition_;
                        ++run;
                    }
                    bool beforeQuote = linePosition_ < lineLength_ && lineBuffer_[linePosition_] == '"';
                    for (int i = beforeQuote ? run / 2 : run; i > 0; --i) keep('\\');
                    if (!beforeQuote) continue;
                    ++linePosition_;
                    if (run % 2 == 0) {
                        closed = true;
                        break;
                    }
                    q = '"';
                }
                keep(q);
            }
            if (!closed && !closeAtLineEnd_) {
                kept = 0;
                continue;
            }
            break;
        }
        while (linePosition_ < lineLength_ && !isSpace(lineBuffer_[linePosition_]))
            keep(lineBuffer_[linePosition_++]);
        break;
    }
    if (size > 0) token[kept] = 0;
    return 0;
}

}  // namespace fw
