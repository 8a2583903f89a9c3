#include "font/CffReader.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "font/Type2Machine.h"

namespace fw::veltrane {

namespace {

// Dictionary operators (two-byte ones as 1200 + second byte).
enum DictOp {
    kCharset = 15,
    kCharStrings = 17,
    kPrivate = 18,
    kSubrs = 19,
    kCharstringType = 1206,
    kROS = 1230,
    kFDArray = 1236,
    kFDSelect = 1237,
};

// String id of each code of the standard encoding, which accented glyphs use to
// name their base and accent.
const uint8_t kStandardEncoding[256] = {
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    // 0
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    // 16
    1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,   // 32
    17,  18,  19,  20,  21,  22,  23,  24,  25,  26,  27,  28,  29,  30,  31,  32,   // 48
    33,  34,  35,  36,  37,  38,  39,  40,  41,  42,  43,  44,  45,  46,  47,  48,   // 64
    49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,  61,  62,  63,  64,   // 80
    65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,  80,   // 96
    81,  82,  83,  84,  85,  86,  87,  88,  89,  90,  91,  92,  93,  94,  95,  0,    // 112
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    // 128
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    // 144
    0,   96,  97,  98,  99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110,  // 160
    0,   111, 112, 113, 114, 0,   115, 116, 117, 118, 119, 120, 121, 122, 0,   123,  // 176
    0,   124, 125, 126, 127, 128, 129, 130, 131, 0,   132, 133, 0,   134, 135, 136,  // 192
    137, 0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    // 208
    0,   138, 0,   139, 0,   0,   0,   0,   140, 141, 142, 143, 0,   0,   0,   0,    // 224
    0,   144, 0,   0,   0,   145, 0,   0,   146, 147, 148, 149, 0,   0,   0,   0,    // 240
};

// The glyph names of the predefined ISOAdobe character set run through string id 228.
constexpr uint16_t kIsoAdobeLastString = 228;

constexpr int kMaxDictOperands = 48;

// Calls `op(operator, operands, count)` for every operator of a dictionary; false
// when the dictionary is malformed.
template <class Op>
bool parseDict(ByteReader r, Op op) {
    double operands[kMaxDictOperands];
    int n = 0;
    while (r.remaining() > 0) {
        int b0 = r.u8();
        if (b0 <= 21) {
            int code = b0 == 12 ? 1200 + r.u8() : b0;
            if (!r.ok()) return false;
            op(code, operands, n);
            n = 0;
            continue;
        }
        if (n == kMaxDictOperands) return false;
        if (b0 == 28) {
            operands[n++] = r.s16();
        } else if (b0 == 29) {
            operands[n++] = r.s32();
        } else if (b0 == 30) {
            // A real number as nibbles: digits, point, exponents, minus, end.
            char text[64];
            int len = 0;
            bool done = false;
            while (!done && r.remaining() > 0) {
                int byte = r.u8();
                for (int nibble : {byte >> 4, byte & 15}) {
                    if (done) break;
                    const char* piece = "";
                    if (nibble <= 9) {
                        if (len < 60) text[len++] = static_cast<char>('0' + nibble);
                        continue;
                    }
                    switch (nibble) {
                        case 0xa: piece = "."; break;
                        case 0xb: piece = "E"; break;
                        case 0xc: piece = "E-"; break;
                        case 0xe: piece = "-"; break;
                        case 0xf: done = true; break;
                        default: break;
                    }
                    for (const char* c = piece; *c && len < 60; ++c) text[len++] = *c;
                }
            }
            text[len] = 0;
            operands[n++] = std::strtod(text, nullptr);
        } else if (b0 >= 32 && b0 <= 246) {
            operands[n++] = b0 - 139;
        } else if (b0 >= 247 && b0 <= 250) {
            operands[n++] = (b0 - 247) * 256 + r.u8() + 108;
        } else if (b0 >= 251 && b0 <= 254) {
            operands[n++] = -(b0 - 251) * 256 - r.u8() - 108;
        } else {
            return false;  // reserved byte
        }
        if (!r.ok()) return false;
    }
    return true;
}

bool validOffset(double v, size_t limit) { return v >= 0 && v <= static_cast<double>(limit); }

}  // namespace

int CffReader::bias(uint32_t count) { return count < 1240 ? 107 : count < 33900 ? 1131 : 32768; }

bool CffReader::readIndex(size_t pos, Index& index, size_t* next) const {
    ByteReader r = table_;
    index = Index();
    if (!r.seek(pos)) return false;
    index.count = r.u16();
    if (!r.ok()) return false;
    if (index.count == 0) {
        if (next) *next = pos + 2;
        return true;
    }
    index.offSize = r.u8();
    if (!r.ok() || index.offSize < 1 || index.offSize > 4) return false;
    index.offsets = r.tell();
    size_t offsetBytes = (size_t(index.count) + 1) * size_t(index.offSize);
    if (!r.skip(offsetBytes)) return false;
    index.base = r.tell() - 1;
    // The last offset says where the index ends.
    ByteReader last = table_;
    last.seek(index.offsets + size_t(index.count) * size_t(index.offSize));
    uint32_t end = last.uN(index.offSize);
    if (!last.ok() || end < 1 || end > table_.size() - index.base) return false;
    if (next) *next = index.base + end;
    return true;
}

bool CffReader::element(const Index& index, uint32_t i, ByteReader& out) const {
    if (i >= index.count) return false;
    ByteReader r = table_;
    r.seek(index.offsets + size_t(i) * size_t(index.offSize));
    uint32_t start = r.uN(index.offSize);
    uint32_t end = r.uN(index.offSize);
    if (!r.ok() || start < 1 || end < start) return false;
    out = table_.slice(index.base + start, end - start);
    return out.ok();
}

bool CffReader::readPrivate(ByteReader& fontDict, Private& out, std::string& error) const {
    double size = -1, offset = -1;
    bool ok = parseDict(fontDict, [&](int op, const double* v, int n) {
        if (op == kPrivate && n >= 2) {
            size = v[0];
            offset = v[1];
        }
    });
    if (!ok) {
        error = "malformed font dictionary in the 'CFF ' table";
        return false;
    }
    out = Private();
    if (size < 0) return true;  // no private dictionary: no local subroutines
    if (!validOffset(offset, table_.size()) || !validOffset(size, table_.size() - size_t(offset))) {
        error = "private dictionary past the end of the 'CFF ' table";
        return false;
    }
    double subrs = -1;
    ok = parseDict(table_.slice(size_t(offset), size_t(size)), [&](int op, const double* v, int n) {
        if (op == kSubrs && n >= 1) subrs = v[0];
    });
    if (!ok) {
        error = "malformed private dictionary in the 'CFF ' table";
        return false;
    }
    if (subrs > 0) {
        if (!validOffset(offset + subrs, table_.size()) || !readIndex(size_t(offset + subrs), out.subrs, nullptr)) {
            error = "unreadable local subroutines in the 'CFF ' table";
            return false;
        }
        out.bias = bias(out.subrs.count);
    }
    return true;
}

void CffReader::readCharset(uint32_t offset) {
    uint32_t glyphs = charStrings_.count;
    charset_.clear();
    if (offset == 0) {
        charset_.resize(glyphs);
        for (uint32_t g = 0; g < glyphs; ++g) charset_[g] = g <= kIsoAdobeLastString ? uint16_t(g) : 0;
        return;
    }
    if (offset <= 2) return;  // the expert sets name no standard-encoding glyphs
    ByteReader r = table_;
    if (!r.seek(offset)) return;
    int format = r.u8();
    std::vector<uint16_t> sids(1, 0);
    sids.reserve(glyphs);
    while (sids.size() < glyphs && r.ok()) {
        if (format == 0) {
            sids.push_back(r.u16());
        } else if (format == 1 || format == 2) {
            uint32_t first = r.u16();
            uint32_t left = format == 1 ? r.u8() : r.u16();
            for (uint32_t k = 0; k <= left && sids.size() < glyphs; ++k) sids.push_back(uint16_t(first + k));
        } else {
            return;
        }
    }
    if (r.ok()) charset_ = std::move(sids);
}

bool CffReader::readFdSelect(uint32_t offset, uint32_t fdCount) {
    uint32_t glyphs = charStrings_.count;
    ByteReader r = table_;
    if (!r.seek(offset)) return false;
    int format = r.u8();
    fdSelect_.assign(glyphs, 0);
    if (format == 0) {
        for (uint32_t g = 0; g < glyphs; ++g) fdSelect_[g] = r.u8();
    } else if (format == 3) {
        uint32_t ranges = r.u16();
        uint32_t first = r.u16();
        for (uint32_t k = 0; k < ranges && r.ok(); ++k) {
            uint8_t fd = r.u8();
            uint32_t next = r.u16();
            for (uint32_t g = first; g < next && g < glyphs; ++g) fdSelect_[g] = fd;
            first = next;
        }
    } else {
        return false;
    }
    if (!r.ok()) return false;
    for (uint8_t fd : fdSelect_)
        if (fd >= fdCount) return false;
    return true;
}

bool CffReader::open(const uint8_t* data, size_t size, std::string& error) {
    table_ = ByteReader(data, size);
    cid_ = false;
    fonts_.clear();
    fdSelect_.clear();
    charset_.clear();
    glyphOfString_.clear();
    glyphOfStringBuilt_ = false;
    charStrings_ = Index();

    ByteReader header = table_;
    int major = header.u8();
    header.u8();
    int headerSize = header.u8();
    if (!header.ok() || major != 1 || headerSize < 4) {
        error = "the 'CFF ' table has no usable header";
        return false;
    }
    Index names, topDicts, strings;
    size_t pos = 0;
    if (!readIndex(size_t(headerSize), names, &pos) || !readIndex(pos, topDicts, &pos) ||
        !readIndex(pos, strings, &pos) || !readIndex(pos, globalSubrs_, &pos)) {
        error = "unreadable index in the 'CFF ' table";
        return false;
    }
    globalBias_ = bias(globalSubrs_.count);
    ByteReader top;
    if (!element(topDicts, 0, top)) {
        error = "the 'CFF ' table has no top dictionary";
        return false;
    }
    double charStrings = -1, charset = 0, fdArray = -1, fdSelect = -1, type = 2;
    bool ros = false;
    bool ok = parseDict(top, [&](int op, const double* v, int n) {
        if (n < 1) return;
        if (op == kCharStrings) charStrings = v[0];
        if (op == kCharset) charset = v[0];
        if (op == kCharstringType) type = v[0];
        if (op == kROS) ros = true;
        if (op == kFDArray) fdArray = v[0];
        if (op == kFDSelect) fdSelect = v[0];
    });
    if (!ok) {
        error = "malformed top dictionary in the 'CFF ' table";
        return false;
    }
    if (type != 2) {
        error = "the 'CFF ' table holds charstrings of an unknown type";
        return false;
    }
    if (!validOffset(charStrings, table_.size()) || charStrings < 1 || !readIndex(size_t(charStrings), charStrings_, nullptr)) {
        error = "unreadable charstrings in the 'CFF ' table";
        return false;
    }
    if (ros) return readCidFonts(fdArray, fdSelect, error);
    Private priv;
    if (!readPrivate(top, priv, error)) return false;
    fonts_.push_back(priv);
    if (validOffset(charset, table_.size())) readCharset(uint32_t(charset));
    return true;
}

bool CffReader::readCidFonts(double fdArray, double fdSelect, std::string& error) {
    cid_ = true;
    Index dicts;
    if (!validOffset(fdArray, table_.size()) || fdArray < 1 || !readIndex(size_t(fdArray), dicts, nullptr) ||
        dicts.count == 0 || dicts.count > 256) {
        error = "unreadable font dictionaries in the 'CFF ' table";
        return false;
    }
    for (uint32_t k = 0; k < dicts.count; ++k) {
        ByteReader dict;
        Private priv;
        if (!element(dicts, k, dict) || !readPrivate(dict, priv, error)) {
            if (error.empty()) error = "unreadable font dictionary in the 'CFF ' table";
            return false;
        }
        fonts_.push_back(priv);
    }
    if (!validOffset(fdSelect, table_.size()) || fdSelect < 1 || !readFdSelect(uint32_t(fdSelect), dicts.count)) {
        error = "unreadable font dictionary selection in the 'CFF ' table";
        return false;
    }
    return true;
}

int CffReader::glyphForStandardCode(int code) {
    if (code < 0 || code > 255 || cid_) return -1;
    int sid = kStandardEncoding[code];
    if (sid == 0) return -1;
    if (!glyphOfStringBuilt_) {
        glyphOfStringBuilt_ = true;
        glyphOfString_.assign(kIsoAdobeLastString + 1, -1);
        for (size_t g = 0; g < charset_.size(); ++g)
            if (charset_[g] <= kIsoAdobeLastString && glyphOfString_[charset_[g]] < 0)
                glyphOfString_[charset_[g]] = static_cast<int32_t>(g);
    }
    return glyphOfString_[sid];
}

bool CffReader::outline(int glyph, GlyphOutline& out) {
    out.clear();
    if (glyph < 0 || uint32_t(glyph) >= charStrings_.count) return false;
    const Private* local = nullptr;
    if (cid_) {
        if (size_t(glyph) >= fdSelect_.size()) return false;
        local = &fonts_[fdSelect_[glyph]];
    } else if (!fonts_.empty()) {
        local = &fonts_[0];
    }
    int budget = kMaxOperators;
    Type2Machine machine(*this, local, out, budget);
    if (!machine.runGlyph(glyph, 0, 0, false)) {
        out.clear();
        return false;
    }
    return true;
}

}  // namespace fw::veltrane
