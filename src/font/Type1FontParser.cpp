#include "font/Type1FontParser.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "font/Type1Encoding.h"

namespace fw::veltrane {

namespace {

constexpr uint16_t kEexecKey = 55665;
constexpr size_t kEexecSeedBytes = 4;
constexpr const char* kDashes = "--------------------------------------------------\n";

bool isSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == 0; }

int hexValue(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// eexec bytes after the keyword: hex digits when the first four are, binary else.
std::vector<uint8_t> decryptEexec(const uint8_t* data, size_t size) {
    size_t pos = 0;
    while (pos < size && isSpace(data[pos]) && data[pos] != 0) ++pos;
    data += pos;
    size -= pos;
    bool hex = size >= 4;
    for (size_t i = 0; i < 4 && hex; ++i) hex = hexValue(data[i]) >= 0;
    std::vector<uint8_t> cipher;
    if (hex) {
        cipher.reserve(size / 2);
        int high = -1;
        for (size_t i = 0; i < size; ++i) {
            int v = hexValue(data[i]);
            if (v < 0) {
                if (isSpace(data[i])) continue;
                break;
            }
            if (high < 0) {
                high = v;
            } else {
                cipher.push_back(static_cast<uint8_t>(high << 4 | v));
                high = -1;
            }
        }
        data = cipher.data();
        size = cipher.size();
    }
    std::vector<uint8_t> plain;
    if (size <= kEexecSeedBytes) return plain;
    plain.resize(size - kEexecSeedBytes);
    type1Decrypt(kEexecKey, data, size, kEexecSeedBytes, plain.data());
    return plain;
}

// Whitespace-separated tokens of the decrypted private part, with the binary
// charstrings that follow "RD" taken as they are.
class Tokens {
public:
    Tokens(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool atEnd() {
        while (pos_ < size_ && isSpace(data_[pos_])) ++pos_;
        return pos_ >= size_;
    }
    std::string_view next() {
        if (atEnd()) return {};
        size_t start = pos_;
        while (pos_ < size_ && !isSpace(data_[pos_])) ++pos_;
        return {reinterpret_cast<const char*>(data_ + start), pos_ - start};
    }
    size_t tell() const { return pos_; }
    void seek(size_t pos) { pos_ = pos; }
    // The `length` bytes after the one separator that follows the RD token; null
    // when they run past the end.
    const uint8_t* binary(size_t length) {
        if (pos_ >= size_ || length > size_ - pos_ - 1) return nullptr;
        const uint8_t* bytes = data_ + pos_ + 1;
        pos_ += 1 + length;
        return bytes;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

bool toNumber(std::string_view token, long& out) {
    auto result = std::from_chars(token.data(), token.data() + token.size(), out);
    return result.ec == std::errc() && result.ptr == token.data() + token.size();
}

// The numbers between the first bracket or brace after `key` and its closing one.
int readNumbers(const std::string& line, size_t key, double* out, int most) {
    size_t open = line.find_first_of("[{", key);
    if (open == std::string::npos) return 0;
    size_t close = line.find_first_of("]}", open);
    std::string inside = line.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    const char* p = inside.c_str();
    int n = 0;
    while (n < most) {
        char* end;
        double v = std::strtod(p, &end);
        if (end == p) break;
        out[n++] = v;
        p = end;
    }
    return n;
}

bool hasToken(std::string_view line, std::string_view word) {
    for (size_t at = line.find(word); at != std::string_view::npos; at = line.find(word, at + 1)) {
        bool startOk = at == 0 || isSpace(static_cast<uint8_t>(line[at - 1]));
        size_t end = at + word.size();
        bool endOk = end == line.size() || isSpace(static_cast<uint8_t>(line[end]));
        if (startOk && endOk) return true;
    }
    return false;
}

}  // namespace

Type1FontParser::Type1FontParser(FontFile& font) : font_(font), log_(FontFile::console()) {}

Type1FontParser::~Type1FontParser() = default;

bool Type1FontParser::looksLikeType1(const uint8_t* data, size_t size) {
    if (size >= 2 && data[0] == 0x80 && data[1] >= 1 && data[1] <= 3) return true;
    return size >= 2 && data[0] == '%' && data[1] == '!';
}

bool Type1FontParser::readFile(const char* path) {
    if (readWholeFile(path, fileBytes_) == Read::kOk) return true;
    font_.setError("Unable to open file for reading.");
    return false;
}

bool Type1FontParser::parse(const char* path, int flag) {
    return readFile(path) && parseBytes(fileBytes_.data(), fileBytes_.size(), flag);
}

bool Type1FontParser::openFile(const char* path) { return readFile(path) && open(fileBytes_.data(), fileBytes_.size()); }

bool Type1FontParser::parseBytes(const uint8_t* data, size_t size, int) {
    if (!open(data, size)) return false;
    readSlots();
    font_.setCubic(true);
    font_.sortRawGlyphs();
    return true;
}

bool Type1FontParser::open(const uint8_t* data, size_t size) {
    text_.clear();
    binary_.clear();
    segmented_ = false;
    charstrings_.clear();
    // Codes are looked up in the font's own encoding as they are given.
    font_.setMacRomanMap(false);
    bool ok = size > 0 && data[0] == 0x80 ? readSegments(data, size) : (text_.assign(data, data + size), true);
    if (ok) ok = readHeader() && readPrivate();
    if (!ok) font_.setError(log_.error());
    return ok;
}

bool Type1FontParser::readSegments(const uint8_t* data, size_t size) {
    static const char* const kTypes[] = {"ASCII", "Binary", "End-of-file"};
    segmented_ = true;
    size_t pos = 0;
    log_.say("%s", kDashes);
    while (pos < size) {
        if (size - pos < 2 || data[pos] != 0x80 || data[pos + 1] < 1 || data[pos + 1] > 3) {
            log_.say("%s", kDashes);
            return log_.fail("Invalid Type 1 font (1).");
        }
        int type = data[pos + 1];
        if (type == 3) {
            log_.say("  TYPE 1 SEGMENT HEADER: %s: %s, length: %d\n", "PC Format", kTypes[2], 0);
            break;
        }
        if (size - pos < 6) {
            log_.say("%s", kDashes);
            return log_.fail("Invalid Type 1 font (1).");
        }
        uint32_t length = uint32_t(data[pos + 2]) | uint32_t(data[pos + 3]) << 8 | uint32_t(data[pos + 4]) << 16 |
                          uint32_t(data[pos + 5]) << 24;
        log_.say("  TYPE 1 SEGMENT HEADER: %s: %s, length: %d\n", "PC Format", kTypes[type - 1],
                 static_cast<int>(length));
        pos += 6;
        if (length > size - pos) {
            log_.say("%s", kDashes);
            return log_.fail("Invalid Type 1 font (1).");
        }
        // Text after the binary part is the trailer of zeros; only the header counts.
        if (type == 1 && binary_.empty())
            text_.append(reinterpret_cast<const char*>(data + pos), length);
        else if (type == 2)
            binary_.insert(binary_.end(), data + pos, data + pos + length);
        pos += length;
    }
    log_.say("%s", kDashes);
    return true;
}

bool Type1FontParser::readHeader() {
    if (text_.empty() || text_[0] != '%') {
        unsigned char c = text_.empty() ? 0 : static_cast<unsigned char>(text_[0]);
        log_.say("Unexpected first byte: '%c' (0x%02x).\n", c, c);
        return log_.fail("Invalid Type 1 font (2).");
    }
    if (text_.size() < 2 || text_[1] != '!') return log_.fail("Invalid Type 1 font (3).");
    encoding_.assign(256, std::string());
    customEncoding_ = false;
    bool standard = true, inEncoding = false, eexec = false;
    const double defaultMatrix[6] = {0.001, 0, 0, 0.001, 0, 0};
    std::copy(defaultMatrix, defaultMatrix + 6, matrix_);
    hasBBox_ = false;
    size_t pos = 0;
    std::string line;
    while (pos < text_.size() && !eexec) {
        size_t end = text_.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text_.size();
        line.assign(text_, pos, end - pos);
        size_t lineStart = pos;
        pos = end + 1;
        size_t at;
        if (inEncoding) {
            readEncodingEntries(line);
            if (hasToken(line, "def")) inEncoding = false;
        } else if ((at = line.find("/Encoding")) != std::string::npos) {
            if (line.find("StandardEncoding", at) != std::string::npos) {
                standard = true;
            } else if (line.find("ISOLatin1Encoding", at) != std::string::npos) {
                standard = false;
                for (int code = 0; code < 256; ++code)
                    if (const char* name = isoLatin1EncodingName(code)) encoding_[code] = name;
            } else {
                standard = false;
                customEncoding_ = true;
                readEncodingEntries(line);
                inEncoding = !hasToken(line, "def");
            }
        } else if ((at = line.find("/FontMatrix")) != std::string::npos) {
            double m[6];
            if (readNumbers(line, at, m, 6) == 6) std::copy(m, m + 6, matrix_);
        } else if ((at = line.find("/FontBBox")) != std::string::npos) {
            hasBBox_ = readNumbers(line, at, bbox_, 4) == 4;
        }
        // An encoding left open does not hide the encrypted part.
        if ((at = line.find("eexec")) != std::string::npos) {
            eexec = true;
            cipherStart_ = lineStart + at + 5;
        }
    }
    if (standard) {
        for (int code = 0; code < 256; ++code)
            if (const char* name = standardEncodingName(code)) encoding_[code] = name;
        // The standard vector's upper half is no text's: what a title holds there is
        // Latin-1 (é, Å, ß), so those codes take their Latin-1 names, which the font's
        // glyphs carry.
        for (int code = 160; code < 256; ++code)
            if (const char* name = isoLatin1EncodingName(code)) encoding_[code] = name;
    }
    if (!eexec) {
        log_.say("Unable to locate \"eexec\" section.\n");
        return log_.fail("Unable to locate font outline data.");
    }
    charstrings_.setMatrix(matrix_);
    return true;
}

void Type1FontParser::readEncodingEntries(const std::string& line) {
    // "dup CODE /name put", any number to a line.
    std::string_view rest(line);
    std::string_view words[4];
    int have = 0;
    auto shift = [&](std::string_view w) {
        if (have == 4) {
            std::copy(words + 1, words + 4, words);
            have = 3;
        }
        words[have++] = w;
    };
    size_t pos = 0;
    while (pos < rest.size()) {
        while (pos < rest.size() && isSpace(static_cast<uint8_t>(rest[pos]))) ++pos;
        size_t start = pos;
        while (pos < rest.size() && !isSpace(static_cast<uint8_t>(rest[pos]))) ++pos;
        if (pos == start) break;
        shift(rest.substr(start, pos - start));
        long code;
        if (have == 4 && words[0] == "dup" && words[3] == "put" && words[2].size() > 1 && words[2][0] == '/' &&
            toNumber(words[1], code) && code >= 0 && code < 256)
            encoding_[static_cast<size_t>(code)] = std::string(words[2].substr(1));
    }
}

bool Type1FontParser::readPrivate() {
    std::vector<uint8_t> plain = segmented_ && !binary_.empty()
                                     ? decryptEexec(binary_.data(), binary_.size())
                                     : decryptEexec(reinterpret_cast<const uint8_t*>(text_.data()) + cipherStart_,
                                                    text_.size() - cipherStart_);
    struct Raw {
        const uint8_t* bytes;
        size_t size;
        size_t index;
        std::string_view name;
    };
    std::vector<Raw> subrs, glyphs;
    long lenIV = 4;
    size_t subrCount = 0;
    bool sawCharStrings = false;
    Tokens tokens(plain.data(), plain.size());
    auto entry = [&](Raw& raw) {
        // LEN RD <bytes>: false when the entry is cut short.
        long length;
        if (!toNumber(tokens.next(), length) || length < 0) return false;
        tokens.next();  // RD or -|
        raw.size = static_cast<size_t>(length);
        raw.bytes = tokens.binary(raw.size);
        return raw.bytes != nullptr;
    };
    while (!tokens.atEnd() && !sawCharStrings) {
        std::string_view t = tokens.next();
        if (t == "/lenIV") {
            long v;
            if (toNumber(tokens.next(), v)) lenIV = v;
        } else if (t == "/Subrs") {
            long count;
            if (!toNumber(tokens.next(), count) || count < 0) continue;
            // No count can be larger than the bytes that would hold its entries.
            subrCount = std::min(static_cast<size_t>(count), plain.size());
            while (!tokens.atEnd()) {
                size_t back = tokens.tell();
                std::string_view w = tokens.next();
                if (w == "NP" || w == "|" || w == "noaccess" || w == "put" || w == "array") continue;
                if (w != "dup") {
                    tokens.seek(back);
                    break;
                }
                long index;
                Raw raw{};
                if (!toNumber(tokens.next(), index) || index < 0 || !entry(raw)) break;
                raw.index = static_cast<size_t>(index);
                subrs.push_back(raw);
            }
        } else if (t == "/CharStrings") {
            sawCharStrings = true;
            while (!tokens.atEnd()) {
                std::string_view w = tokens.next();
                if (w == "end") break;
                if (w.size() < 2 || w[0] != '/') continue;
                Raw raw{};
                raw.name = w.substr(1);
                if (!entry(raw)) break;
                glyphs.push_back(raw);
            }
        }
    }
    if (glyphs.empty()) {
        log_.say("Unable to locate \"CharStrings\" dictionary.\n");
        return log_.fail("Unable to locate font outline data.");
    }
    charstrings_.setLenIV(lenIV < 0 ? -1 : static_cast<int>(std::min(lenIV, 1L << 20)));
    charstrings_.reserveSubrs(subrCount);
    for (const Raw& raw : subrs) charstrings_.addSubr(raw.index, raw.bytes, raw.size);
    for (const Raw& raw : glyphs) charstrings_.addGlyph(raw.name, raw.bytes, raw.size);
    charstrings_.finish();
    log_.say("Type 1 font: %d subrs, %d charstrings, lenIV %d\n", static_cast<int>(subrCount),
             charstrings_.glyphCount(), charstrings_.lenIV());
    return true;
}

const std::string& Type1FontParser::encodingName(int code) const {
    static const std::string none;
    return code >= 0 && code < static_cast<int>(encoding_.size()) ? encoding_[static_cast<size_t>(code)] : none;
}

int Type1FontParser::glyphForCode(int code) const {
    const std::string& name = encodingName(code);
    int glyph = name.empty() ? 0 : charstrings_.glyphNamed(name);
    return glyph < 0 ? 0 : glyph;
}

std::vector<uint16_t> Type1FontParser::mappedCodes() const {
    std::vector<uint16_t> codes;
    for (size_t code = 0; code < encoding_.size(); ++code)
        if (!encoding_[code].empty() && charstrings_.glyphNamed(encoding_[code]) > 0)
            codes.push_back(static_cast<uint16_t>(code));
    return codes;
}

bool Type1FontParser::outline(int glyph, RawGlyph& out) {
    if (glyph < 0 || glyph >= glyphCount()) glyph = 0;
    out.glyph = glyph;
    Type1Charstrings::Metrics metrics;
    bool ok = charstrings_.outline(glyph, scratch_, metrics, log_);
    out.advance = metrics.advance;
    out.lsb = metrics.lsb;
    out.setContours(scratch_);
    return ok;
}

void Type1FontParser::readSlots() {
    std::vector<uint16_t> codes = font_.slotCodes();
    std::vector<RawGlyph>& records = font_.rawGlyphs();
    records.clear();
    records.reserve(codes.size());
    int32_t box[4];
    charstrings_.transform(bbox_[0], bbox_[1], box[0], box[1]);
    charstrings_.transform(bbox_[2], bbox_[3], box[2], box[3]);
    if (!hasBBox_ || box[0] > box[2] || box[1] > box[3]) {
        box[0] = box[1] = INT32_MAX;
        box[2] = box[3] = INT32_MIN;
    }
    for (uint16_t code : codes) {
        RawGlyph record;
        record.code = code;
        const std::string& name = encodingName(code);
        int glyph = name.empty() ? 0 : charstrings_.glyphNamed(name);
        if (glyph < 0) {
            log_.say("## Unable to find '%s' in the encoding vector. ## ", name.c_str());
        } else {
            outline(glyph, record);
            log_.say("  %3d: /%s, width: %5d, lsb: %5d\n", code, charstrings_.glyphName(record.glyph).c_str(),
                     record.advance, record.lsb);
            for (const GlyphPoint& p : record.points) {
                box[0] = std::min(box[0], p.x);
                box[1] = std::min(box[1], p.y);
                box[2] = std::max(box[2], p.x);
                box[3] = std::max(box[3], p.y);
            }
        }
        records.push_back(std::move(record));
    }
    if (box[0] > box[2]) box[0] = box[1] = box[2] = box[3] = 0;
    font_.setHeader(1000, box[0], box[1], box[2], box[3]);
}

}  // namespace fw::veltrane
