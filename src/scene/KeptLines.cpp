#include "scene/KeptLines.h"

#include <cstring>
#include <string_view>

#include "persistence/CommandIO.h"

namespace fw {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The first two words of a line: the keyword and its first argument, unquoted.
void firstWords(const std::string& line, std::string& keyword, std::string& argument) {
    size_t i = 0, n = line.size();
    auto word = [&](std::string& out) {
        out.clear();
        while (i < n && (isBlank(line[i]) || line[i] == '\n')) ++i;
        if (i < n && line[i] == '"') {
            for (++i; i < n && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < n && line[i + 1] == '"') ++i;
                out += line[i];
            }
            if (i < n) ++i;
            return;
        }
        while (i < n && !isBlank(line[i]) && line[i] != '\n') out += line[i++];
    };
    word(keyword);
    word(argument);
}

// Only lines that may open or close a block need their words taken apart.
bool mayOpenOrClose(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && (isBlank(line[i]) || line[i] == '\n')) ++i;
    return i < line.size() && (line[i] == 'b' || line[i] == 'e' || line[i] == '"');
}

}  // namespace

int KeptLines::read(CommandIO& io, const char* className) {
    bytes_.clear();
    int depth = 0;
    bool first = true;
    for (;;) {
        // Each line is read straight onto the kept bytes and taken back off if it
        // closes the block.
        const size_t start = bytes_.size();
        const bool more = io.readLine(bytes_) == 0;
        std::string_view line(bytes_.data() + start, bytes_.size() - start);
        if (line.empty()) return 0;  // the stream ended without closing the block
        // Blanks that followed the class name on the "begin" line belong to that line.
        if (first && line.find_first_not_of(" \t\r\n") == std::string_view::npos) {
            first = false;
            bytes_.resize(start);
            continue;
        }
        first = false;
        if (mayOpenOrClose(line)) {
            std::string keyword, argument;
            firstWords(std::string(line), keyword, argument);
            if (keyword == "begin") {
                ++depth;
            } else if (keyword == "end") {
                if (depth == 0) {
                    bytes_.resize(start);
                    return argument == className ? 0 : -1;
                }
                --depth;
            }
        }
        if (!more) return 0;
    }
}

int KeptLines::write(CommandIO& io) const {
    return bytes_.empty() ? 0 : io.writeBytes(bytes_.data(), bytes_.size());
}

int KeptLines::writeBlock(CommandIO& io, const char* className) const {
    if (io.writef("begin %s\n", className) != 0 || write(io) != 0) return -1;
    return io.writef("end %s\n", className);
}

bool KeptLines::find(const char* keyword, std::string& value) const {
    int depth = 0;
    size_t start = 0;
    while (start < bytes_.size()) {
        size_t end = bytes_.find('\n', start);
        if (end == std::string::npos) end = bytes_.size();
        std::string word, argument;
        firstWords(bytes_.substr(start, end - start), word, argument);
        if (word == "begin") ++depth;
        else if (word == "end") --depth;
        else if (depth == 0 && word == keyword) {
            value = argument;
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::vector<std::string> KeptLines::quotedStrings() const {
    std::vector<std::string> strings;
    size_t n = bytes_.size();
    for (size_t i = 0; i < n; ++i) {
        if (bytes_[i] != '"') continue;
        std::string text;
        for (++i; i < n && bytes_[i] != '"' && bytes_[i] != '\n'; ++i) {
            if (bytes_[i] == '\\' && i + 1 < n && bytes_[i + 1] == '"') ++i;
            text += bytes_[i];
        }
        if (!text.empty()) strings.push_back(text);
    }
    return strings;
}

}  // namespace fw
