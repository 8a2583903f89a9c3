#include "persistence/AFileIO.h"

#include <charconv>
#include <cstdint>
#include <cstring>

#include "platform/QuickReal.h"

namespace fw {

namespace {
inline bool isSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

AFileIO::AFileIO(CommandEnabler* root, uint8_t flag)
    : CommandIO(root, flag), chunk_(new char[kChunkSize]) {}

AFileIO::~AFileIO() {
    // The echo is a diagnostic log: keep what was written. An output that was never
    // closed is abandoned by its AFile, leaving the previous file in place.
    if (ownEcho_) ownEcho_->close();
}

int AFileIO::openInput(const std::string& path) {
    auto file = std::make_unique<AFile>();
    if (!file->openRead(path)) {
        error_ = file->error();
        return kFailed;
    }
    detachInput();
    ownInput_ = std::move(file);
    input_ = ownInput_.get();
    return 0;
}

void AFileIO::attachInput(AFile* file) {
    detachInput();
    input_ = file;
}

void AFileIO::detachInput() {
    input_ = nullptr;
    ownInput_.reset();
    filled_ = cursor_ = 0;
    position_ = 0;
}

int AFileIO::openOutput(const std::string& path) {
    auto file = std::make_unique<AFile>();
    if (!file->openWrite(path, kWriteBufferSize)) {
        error_ = file->error();
        return kFailed;
    }
    ownOutput_ = std::move(file);
    output_ = ownOutput_.get();
    return 0;
}

void AFileIO::attachOutput(AFile* file) {
    ownOutput_.reset();
    output_ = file;
}

int AFileIO::openEcho(const std::string& path) {
    auto file = std::make_unique<AFile>();
    if (!file->openWrite(path)) {
        error_ = file->error();
        return kFailed;
    }
    ownEcho_ = std::move(file);
    echo_ = ownEcho_.get();
    return 0;
}

void AFileIO::attachEcho(AFile* file) {
    ownEcho_.reset();
    echo_ = file;
}

int AFileIO::closeOutput() {
    if (!output_) return kFailed;
    bool ok = output_->close();
    if (!ok) error_ = output_->error();
    output_ = nullptr;
    ownOutput_.reset();
    return ok ? 0 : -1;
}

int AFileIO::refill() {
    if (!input_) return kFailed;
    long n = input_->read(chunk_.get(), kChunkSize);
    if (n <= 0) {
        // No more bytes: the input is done with (and closed if it is ours).
        long position = position_;
        detachInput();
        position_ = position;
        return kFailed;
    }
    filled_ = static_cast<int>(n);
    cursor_ = 0;
    return static_cast<unsigned char>(chunk_[0]);
}

int AFileIO::rewind() {
    if (!input_ || !input_->seek(0)) return kFailed;
    filled_ = cursor_ = 0;
    position_ = 0;
    return 0;
}

void AFileIO::resynchronize() {
    // The bytes stay in the chunk: readBytes takes what it holds before reading on
    // from the file, so nothing is read twice.
    for (int c = peekByte(); c == '\n' || c == '\r'; c = peekByte()) {
        ++cursor_;
        ++position_;
    }
    afterToken_ = false;
}

int AFileIO::skipBlanks() {
    // Blanks and comments, scanned within the chunk; either may run on into the next one.
    bool inComment = false;
    for (;;) {
        if (cursor_ >= filled_ && refill() < 0) return kFailed;
        const char* chunk = chunk_.get();
        const char* p = chunk + cursor_;
        const char* end = chunk + filled_;
        if (inComment) {
            const auto* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            inComment = lineEnd == nullptr;
            p = lineEnd ? lineEnd + 1 : end;
        } else {
            while (p < end && isSpace(static_cast<unsigned char>(*p))) ++p;
            if (p < end && *p == '#') {
                inComment = true;
                ++p;
            }
        }
        position_ += p - (chunk + cursor_);
        cursor_ = static_cast<int>(p - chunk);
        if (!inComment && p < end) return 0;
    }
}

int AFileIO::readDouble(double& value) {
    // A plain number that lies whole in the chunk is converted where it stands; the
    // rest (quoted, cut by the chunk's end, or spelled for strtod) goes the long way.
    if (skipBlanks() < 0) {
        afterToken_ = true;
        return kFailed;
    }
    const char* p = chunk_.get() + cursor_;
    const char* end = chunk_.get() + filled_;
    const char* digits = p + (*p == '-');
    if (digits < end && *digits >= '0' && *digits <= '9') {
        const char* q = digits;
        while (q < end && !isSpace(static_cast<unsigned char>(*q))) ++q;
        double v;
        bool read = q < end && q - p < kTokenSize && (quickreal::plainDecimal(p, q, v) || quickreal::decimal(p, q, v));
        if (read) {
            afterToken_ = true;
            cursor_ += static_cast<int>(q - p);
            position_ += q - p;
            value = v;
            return 0;
        }
    }
    return CommandIO::readDouble(value);
}

int AFileIO::readToken(char* token, int size) {
    afterToken_ = true;
    int kept = 0;
    long length = 0;  // bytes of the token consumed, kept or not
    long tokenStart = -1;
    auto keep = [&](int c) {
        if (kept < size - 1) token[kept++] = static_cast<char>(c);
    };
    if (skipBlanks() < 0) {
        if (size > 0) token[0] = 0;
        return kEndOfData;
    }
    int c = static_cast<unsigned char>(chunk_[cursor_]);
    tokenStart = position_;
    if (c == '"') {
        ++cursor_;
        ++position_;
        while ((c = peekByte()) >= 0) {
            if (++length > kMaxTokenLength) return overlong(token, size, tokenStart);
            ++cursor_;
            ++position_;
            if (c == '"') break;
            if (c != '\\') {
                keep(c);
                continue;
            }
            // A run of backslashes before a quote is halved: an odd one ends in an
            // escaped quote, an even one lets the quote close the string.
            long run = 1;
            while (peekByte() == '\\') {
                if (++length > kMaxTokenLength) return overlong(token, size, tokenStart);
                ++cursor_;
                ++position_;
                ++run;
            }
            if (peekByte() != '"') {
                for (long i = 0; i < run; ++i) keep('\\');
                continue;
            }
            for (long i = 0; i < run / 2; ++i) keep('\\');
            if (++length > kMaxTokenLength) return overlong(token, size, tokenStart);
            ++cursor_;
            ++position_;
            if (run % 2 == 0) break;
            keep('"');
        }
    } else {
        while ((c = peekByte()) >= 0 && !isSpace(c)) {
            // Copy the run that lies in this chunk in one go.
            int start = cursor_;
            while (cursor_ < filled_ && !isSpace(static_cast<unsigned char>(chunk_[cursor_]))) ++cursor_;
            int run = cursor_ - start;
            position_ += run;
            length += run;
            if (length > kMaxTokenLength) return overlong(token, size, tokenStart);
            int room = size - 1 - kept;
            if (room > 0) {
                int n = run < room ? run : room;
                std::memcpy(token + kept, chunk_.get() + start, static_cast<size_t>(n));
                kept += n;
            }
        }
    }
    if (size > 0) token[kept] = 0;
    return 0;
}

int AFileIO::overlong(char* token, int size, long start) {
    // Nothing this program writes comes near the limit: the rest of the input (a
    // device, a binary file) is not read at all.
    if (size > 0) token[0] = 0;
    noteOverlongToken();
    detachInput();
    position_ = start;  // messages name where the token began
    return kTokenTooLong;
}

int AFileIO::readBytes(void* data, size_t count) {
    if (afterToken_) resynchronize();
    auto* out = static_cast<char*>(data);
    size_t fromChunk = static_cast<size_t>(filled_ - cursor_);
    if (fromChunk > count) fromChunk = count;
    std::memcpy(out, chunk_.get() + cursor_, fromChunk);
    cursor_ += static_cast<int>(fromChunk);
    position_ += static_cast<long>(fromChunk);
    size_t done = fromChunk;
    // Short reads go through the chunk: a caller taking a line byte by byte must not
    // cost a system call per byte.
    while (done < count && count - done < static_cast<size_t>(kChunkSize) && input_) {
        if (refill() < 0) break;
        size_t n = static_cast<size_t>(filled_);
        if (n > count - done) n = count - done;
        std::memcpy(out + done, chunk_.get(), n);
        cursor_ = static_cast<int>(n);
        position_ += static_cast<long>(n);
        done += n;
    }
    while (done < count && input_) {
        long n = input_->read(out + done, count - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
        position_ += n;
    }
    return done == count ? 0 : -1;
}

int AFileIO::readLine(std::string& line) {
    if (afterToken_) resynchronize();
    for (;;) {
        if (cursor_ >= filled_ && refill() < 0) return kFailed;
        const char* p = chunk_.get() + cursor_;
        size_t left = static_cast<size_t>(filled_ - cursor_);
        const auto* feed = static_cast<const char*>(std::memchr(p, '\n', left));
        size_t n = feed ? static_cast<size_t>(feed - p) + 1 : left;
        line.append(p, n);
        cursor_ += static_cast<int>(n);
        position_ += static_cast<long>(n);
        if (feed) return 0;
    }
}

int AFileIO::writeRaw(AFile* file, const void* data, size_t count) {
    if (!file) return kFailed;
    return file->write(data, count) ? 0 : -1;
}

int AFileIO::writeLine() {
    if (!output_) return kFailed;
    static const char spaces[64] = {
        ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
        ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
        ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
        ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    for (int left = indentation(); left > 0; left -= 64)
        if (writeRaw(output_, spaces, static_cast<size_t>(left < 64 ? left : 64)) != 0) return kFailed;
    return writeRaw(output_, lineBuffer_, std::strlen(lineBuffer_));
}

int AFileIO::writeBytes(const void* data, size_t count) { return writeRaw(output_, data, count); }

int AFileIO::writeEchoLine() {
    if (!echo_) return 0;
    for (int i = 0; i < indentation(); ++i)
        if (writeRaw(echo_, " ", 1) != 0) return kFailed;
    if (writeRaw(echo_, lineBuffer_, std::strlen(lineBuffer_)) != 0) return kFailed;
    return writeRaw(echo_, "\n", 1);
}

}  // namespace fw
