#include "persistence/CommandIO.h"

#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "persistence/CommandEnabler.h"
#include "platform/QuickReal.h"

namespace fw {

std::string escapeQuotes(std::string_view text) {
    // A run of backslashes that reaches a quote or the end of the text is doubled, or
    // the reader would take its last backslash and the quote after it for an escaped
    // quote. Other backslashes stay single, so ordinary paths keep their bytes.
    size_t n = text.size();
    bool quoted = text.find('"') != std::string_view::npos;
    if (!quoted && (n == 0 || text[n - 1] != '\\')) return std::string(text);
    // The length of each prefix's escaped form, to cut at the longest prefix that fits
    // (a cut never splits an escape, and a prefix that ends in backslashes escapes them).
    size_t keep = n;
    if (quoted) {
        size_t written = 0, run = 0;
        keep = 0;
        for (size_t i = 0; i < n; ++i) {
            if (text[i] == '\\') {
                ++run;
            } else {
                written += text[i] == '"' ? 2 * run + 2 : run + 1;
                run = 0;
            }
            if (written + 2 * run <= kEscapedLimit) keep = i + 1;
            else if (written > kEscapedLimit) break;
        }
    }
    std::string out;
    size_t run = 0;
    for (size_t i = 0; i < keep; ++i) {
        char c = text[i];
        if (c == '\\') {
            ++run;
            continue;
        }
        out.append(c == '"' ? 2 * run + 1 : run, '\\');
        run = 0;
        out += c;
    }
    out.append(2 * run, '\\');
    return out;
}

CommandIO::CommandIO(CommandEnabler* root, uint8_t flag) : flag_(flag) {
    lineBuffer_[0] = 0;
    stack_.append(root);
}

void CommandIO::formatHex(const void* bytes, size_t count) {
    static const char digits[] = "0123456789abcdef";
    const auto* p = static_cast<const uint8_t*>(bytes);
    size_t fit = (kLineBufferSize - 1) / 2;
    if (count > fit) count = fit;
    for (size_t i = 0; i < count; ++i) {
        lineBuffer_[2 * i] = digits[p[i] >> 4];
        lineBuffer_[2 * i + 1] = digits[p[i] & 15];
    }
    lineBuffer_[2 * count] = 0;
}

namespace {

// Plain decimal spellings ("-2.25", "1e-05") go through from_chars, which rounds
// exactly as strtod does at a fraction of its cost; anything it would read
// differently (a leading blank or plus, hex, infinities, a value out of range)
// is left to strtod.
template <class T>
bool convertReal(const char* token, T& value, T (*slow)(const char*, char**)) {
    const char* p = token + (*token == '-');
    if (*p >= '0' && *p <= '9') {
        const char* last = token + std::strlen(token);
        T v;
        if (quickreal::decimal(token, last, v)) {
            value = v;
            return true;
        }
    }
    char* end;
    T v = slow(token, &end);
    if (end == token) return false;
    value = v;
    return true;
}

bool convertDouble(const char* token, double& value) { return convertReal<double>(token, value, std::strtod); }

bool convertFloat(const char* token, float& value) { return convertReal<float>(token, value, std::strtof); }

// Unsigned conversions take a sign the way the C library's do: "-1" wraps.
bool convertUnsignedLong(const char* token, unsigned long& value) {
    const char* p = token;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '+' || *p == '-') ++p;
    if (*p < '0' || *p > '9') return false;
    value = std::strtoul(token, nullptr, 10);
    return true;
}

}  // namespace

int CommandIO::readDouble(double& value) {
    char token[kTokenSize];
    if (readToken(token, sizeof token) != 0) return kFailed;
    return convertDouble(token, value) ? 0 : -1;
}

int CommandIO::readDouble6(double values[6]) {
    for (int i = 0; i < 6; ++i)
        if (readDouble(values[i]) != 0) return kFailed;
    return 0;
}

int CommandIO::readMatrix(double values[16]) {
    for (int i = 0; i < 16; ++i)
        if (readDouble(values[i]) != 0) return kFailed;
    return 0;
}

int CommandIO::readVector3(double values[3]) {
    for (int i = 0; i < 3; ++i)
        if (readDouble(values[i]) != 0) return kFailed;
    return 0;
}

int CommandIO::readVector2(double values[2]) {
    for (int i = 0; i < 2; ++i)
        if (readDouble(values[i]) != 0) return kFailed;
    return 0;
}

int CommandIO::readColor(float* rgba, int n) {
    int channels = n == 4 ? 4 : 3;
    for (int i = 0; i < channels; ++i) {
        char token[kTokenSize];
        if (readToken(token, sizeof token) != 0 || !convertFloat(token, rgba[i])) return kFailed;
    }
    return 0;
}

int CommandIO::readInt(int& value) {
    char token[kTokenSize];
    if (readToken(token, sizeof token) != 0) return kFailed;
    if (std::strcmp(token, "on") == 0) {
        value = 1;
        return 0;
    }
    if (std::strcmp(token, "off") == 0) {
        value = 0;
        return 0;
    }
    char* end;
    long v = std::strtol(token, &end, 10);
    if (end == token) return kFailed;
    value = static_cast<int>(v);
    return 0;
}

int CommandIO::readUnsigned(unsigned& value) {
    char token[kTokenSize];
    unsigned long v;
    if (readToken(token, sizeof token) != 0 || !convertUnsignedLong(token, v)) return kFailed;
    value = static_cast<unsigned>(v);
    return 0;
}

int CommandIO::readUnsignedLong(unsigned long& value) {
    char token[kTokenSize];
    if (readToken(token, sizeof token) != 0 || !convertUnsignedLong(token, value)) return kFailed;
    return 0;
}

int CommandIO::readHex(void* bytes, size_t count) {
    std::string token(2 * count + 2, '\0');
    if (readToken(token.data(), static_cast<int>(token.size())) != 0) return kFailed;
    if (std::strlen(token.c_str()) != 2 * count) return kFailed;
    auto nibble = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return kFailed;
    };
    auto* out = static_cast<uint8_t*>(bytes);
    for (size_t i = 0; i < count; ++i) {
        int hi = nibble(token[2 * i]), lo = nibble(token[2 * i + 1]);
        if (hi < 0 || lo < 0) return kFailed;
        out[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return 0;
}

int CommandIO::readLine(std::string& line) {
    char c = 0;
    while (readBytes(&c, 1) == 0) {
        line += c;
        if (c == '\n') return 0;
    }
    return kFailed;
}

int CommandIO::readString(std::string& value) {
    char token[kTokenSize];
    if (readToken(token, sizeof token) != 0) return kFailed;
    value = token;
    return 0;
}

int CommandIO::writef(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(lineBuffer_, sizeof lineBuffer_, format, args);
    va_end(args);
    return writeLine();
}

int CommandIO::writeBlockLines(CommandEnabler& child) {
    if (writeLine() != 0) return kFailed;
    push(&child);
    int result = child.writeCommands(*this);
    pop();
    std::snprintf(lineBuffer_, sizeof lineBuffer_, "end %s\n", child.className());
    if (writeLine() != 0) return kFailed;
    return result;
}

int CommandIO::writeBlock(CommandEnabler& child) {
    std::snprintf(lineBuffer_, sizeof lineBuffer_, "begin %s\n", child.className());
    return writeBlockLines(child);
}

int CommandIO::writeIndexedBlock(CommandEnabler& child, int n) {
    std::snprintf(lineBuffer_, sizeof lineBuffer_, "begin %s %d\n", child.className(), n);
    return writeBlockLines(child);
}

void CommandIO::push(CommandEnabler* receiver) { stack_.append(receiver); }

void CommandIO::pop() { stack_.removeLast(); }

std::string CommandIO::unfinishedBlockWarning(const char* className) {
    return std::string("Warning: the data ends inside a block of class <<") + className +
           ">>; what it held so far is kept.";
}

const char* CommandIO::finishOpenBlocks() {
    const char* innermost = depth() > 1 ? top()->className() : nullptr;
    while (depth() > 1) {
        top()->finishReading();
        pop();
    }
    return innermost;
}

CommandEnabler* CommandIO::top() const {
    return stack_.count() ? stack_[stack_.count() - 1] : nullptr;
}

int CommandIO::processNextCommand() {
    CommandEnabler* receiver = top();
    if (!receiver) {
        diagnostic_ = "Error processing command stack while loading scene.";
        return kFailed;
    }
    return processCommand(*receiver);
}

StreamRead CommandIO::readAll(bool firstLineDecides) {
    StreamRead read;
    while (hasInput()) {
        const int status = processNextCommand();
        if (status == kEndOfData) {
            read.end = StreamRead::End::kEndMarker;
            break;
        }
        ++read.commands;
        if (firstLineDecides && read.commands == 1 && (status != kDone || !diagnostic_.empty())) {
            read.end = StreamRead::End::kForeign;
            read.error = diagnostic_;
            return read;
        }
        if (status != kDone) {
            read.end = StreamRead::End::kFailed;
            read.error = diagnostic_;
            break;
        }
        if (!diagnostic_.empty()) read.warnings.push_back(diagnostic_);
    }
    const char* open = finishOpenBlocks();
    if (open && read.ok()) read.warnings.push_back(unfinishedBlockWarning(open));
    return read;
}

namespace {

std::string formatError(const char* format, const char* keyword, const char* className,
                        long position) {
    // A damaged file can put line breaks inside a token; shown raw they would read as
    // the start of another message.
    std::string shown;
    for (const char* c = keyword; *c; ++c) {
        if (static_cast<unsigned char>(*c) >= 0x20) {
            shown += *c;
            continue;
        }
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(*c));
        shown += escape;
    }
    char text[CommandIO::kTokenSize * 5 + 128];
    std::snprintf(text, sizeof text, format, shown.c_str(), className, static_cast<int>(position));
    return text;
}

}  // namespace

const void* CommandIO::findKeyword(CommandEnabler& receiver, const char* token) {
    CommandTable& table = receiver.commandTable();
    size_t length = std::strlen(token);
    if (length == 0) return table.find(token);
    auto bits = reinterpret_cast<uintptr_t>(&table) >> 4;
    bits = bits * 31 + length;
    bits = bits * 31 + static_cast<unsigned char>(token[0]);
    bits = bits * 31 + static_cast<unsigned char>(token[length - 1]);
    KeywordMemo& memo = keywords_[(bits ^ bits >> 7) & 127];
    if (memo.table == &table && std::strcmp(static_cast<const CommandTable::Entry*>(memo.entry)->key, token) == 0)
        return memo.entry;
    CommandTable::Entry* entry = table.find(token);
    if (entry) memo = {&table, entry};
    return entry;
}

int CommandIO::processCommand(CommandEnabler& receiver) {
    static const char* const kWarning =
        "Warning: Recovering from scene data error for command <<%s>> for class <<%s>> at byte %d.";
    diagnostic_.clear();
    overlong_ = false;
    char token[kTokenSize];
    token[0] = 0;
    auto overlong = [&] {
        char text[kTokenSize + 160];
        std::snprintf(text, sizeof text,
                      "Scene error: a token of more than %ld characters for class <<%s>> at byte %ld; "
                      "the rest of the data is not read.",
                      kMaxTokenLength, receiver.className(), bytePosition());
        diagnostic_ = text;
        return kFailed;
    };
    // An unknown command is skipped token by token until a known keyword turns up;
    // a long run of unusable tokens means the stream is not for this receiver at all.
    for (int budget = 100; budget > 0; --budget) {
        int status = readToken(token, sizeof token);
        if (status == 0) {
            if (token[0] == '*' && std::strcmp(token, kEndOfStream) == 0) return kEndOfData;
            auto* entry = static_cast<const CommandTable::Entry*>(findKeyword(receiver, token));
            if (entry && entry->value) {
                int result = entry->value(*this, receiver);
                if (result == kFailed && overlong_) return overlong();
                if (result == kFailed)
                    diagnostic_ = formatError(
                        "Error processing scene command <<%s>> for class <<%s>> at byte %d.",
                        token, receiver.className(), bytePosition());
                return result;
            }
        } else if (status == kEndOfData) {
            return 0;
        } else if (overlong_) {
            return overlong();
        }
        if (diagnostic_.empty())
            diagnostic_ = formatError(kWarning, token, receiver.className(), bytePosition());
    }
    diagnostic_ = formatError("Scene error: unknown command <<%s>> for class <<%s>> at byte %d.",
                                 token, receiver.className(), bytePosition());
    return kFailed;
}

}  // namespace fw
