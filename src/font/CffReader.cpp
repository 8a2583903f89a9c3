#include "font/CffReader.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

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

// ---------------------------------------------------------------------------------
// The charstring interpreter: numbers and the pen position in 16.16 fixed point.

class Type2Machine {
public:
    Type2Machine(CffReader& cff, const CffReader::Private* local, GlyphOutline& out, int& budget)
        : cff_(cff), local_(local), out_(out), budget_(budget) {}

    // Runs a glyph's charstring with the pen starting at (x, y); `accented` says the
    // glyph is a part of an accented glyph and may not be one itself.
    bool runGlyph(int glyph, int64_t x, int64_t y, bool accented) {
        ByteReader code;
        if (!cff_.element(cff_.charStrings_, static_cast<uint32_t>(glyph), code)) return false;
        x_ = x;
        y_ = y;
        accented_ = accented;
        if (!run(code, 0)) return false;
        closeContour();
        return true;
    }

private:
    static constexpr int32_t kOne = 1 << 16;

    bool push(int64_t v) {
        if (sp_ >= CffReader::kMaxStack) return false;
        stack_[sp_++] = static_cast<int32_t>(static_cast<uint32_t>(v));
        return true;
    }
    static int toInt(int32_t v) { return v / kOne; }

    // The first stack-clearing operator may carry the advance width before its own
    // arguments: it does when the argument count says so.
    int takeWidth(bool hasExtra) {
        int first = 0;
        if (!widthSeen_ && hasExtra) first = 1;
        widthSeen_ = true;
        return first;
    }

    bool addPoint(bool on) {
        if (out_.points.size() >= CffReader::kMaxGlyphPoints) return false;
        GlyphPoint p;
        p.x = round(x_);
        p.y = round(y_);
        p.onCurve = on ? 1 : 0;
        out_.points.push_back(p);
        return true;
    }
    static int32_t round(int64_t v) {
        int64_t r = (v + 0x8000) >> 16;
        if (r > INT32_MAX) return INT32_MAX;
        if (r < INT32_MIN) return INT32_MIN;
        return static_cast<int32_t>(r);
    }

    void closeContour() {
        if (!open_) return;
        open_ = false;
        size_t start = contourStart_;
        size_t n = out_.points.size() - start;
        if (n >= 2) {
            const GlyphPoint& first = out_.points[start];
            const GlyphPoint& last = out_.points.back();
            if (last.onCurve && last.x == first.x && last.y == first.y) {
                out_.points.pop_back();
                --n;
            }
        }
        if (n < 2) {
            out_.points.resize(start);
            return;
        }
        out_.ends.push_back(static_cast<uint32_t>(out_.points.size()));
    }
    bool moveTo(int64_t dx, int64_t dy) {
        closeContour();
        x_ += dx;
        y_ += dy;
        open_ = true;
        contourStart_ = out_.points.size();
        return addPoint(true);
    }
    // Drawing before any move starts a contour where the pen is.
    bool ensureOpen() {
        if (open_) return true;
        open_ = true;
        contourStart_ = out_.points.size();
        return addPoint(true);
    }
    bool lineTo(int64_t dx, int64_t dy) {
        if (!ensureOpen()) return false;
        x_ += dx;
        y_ += dy;
        return addPoint(true);
    }
    bool curveTo(int64_t dx1, int64_t dy1, int64_t dx2, int64_t dy2, int64_t dx3, int64_t dy3) {
        if (!ensureOpen()) return false;
        x_ += dx1;
        y_ += dy1;
        if (!addPoint(false)) return false;
        x_ += dx2;
        y_ += dy2;
        if (!addPoint(false)) return false;
        x_ += dx3;
        y_ += dy3;
        return addPoint(true);
    }

    void countStems() {
        int first = takeWidth(sp_ % 2 == 1);
        stems_ += (sp_ - first) / 2;
        sp_ = 0;
    }

    bool call(const CffReader::Index& subrs, int bias, int depth) {
        if (sp_ < 1 || depth >= CffReader::kMaxCallDepth) return false;
        int64_t index = static_cast<int64_t>(toInt(stack_[--sp_])) + bias;
        if (index < 0 || index >= subrs.count) return false;
        ByteReader sub;
        if (!cff_.element(subrs, static_cast<uint32_t>(index), sub)) return false;
        return run(sub, depth + 1);
    }

    bool endChar() {
        int first = takeWidth(sp_ == 1 || sp_ == 5);
        if (sp_ - first >= 4) {
            // An accented glyph: base and accent named by standard-encoding codes,
            // the accent's origin moved to (adx, ady).
            if (accented_) return false;
            int64_t adx = stack_[first], ady = stack_[first + 1];
            int base = cff_.glyphForStandardCode(toInt(stack_[first + 2]));
            int accent = cff_.glyphForStandardCode(toInt(stack_[first + 3]));
            if (base < 0 || accent < 0) return false;
            closeContour();
            Type2Machine baseMachine(cff_, local_, out_, budget_);
            if (!baseMachine.runGlyph(base, 0, 0, true)) return false;
            Type2Machine accentMachine(cff_, local_, out_, budget_);
            if (!accentMachine.runGlyph(accent, adx, ady, true)) return false;
        }
        closeContour();
        sp_ = 0;
        ended_ = true;
        return true;
    }

    bool escape(ByteReader& code) {
        int op = code.u8();
        if (!code.ok()) return false;
        int32_t* s = stack_;
        switch (op) {
            case 3:  // and
            case 4:  // or
                if (sp_ < 2) return false;
                --sp_;
                s[sp_ - 1] = op == 3 ? ((s[sp_ - 1] && s[sp_]) ? kOne : 0) : ((s[sp_ - 1] || s[sp_]) ? kOne : 0);
                return true;
            case 5:  // not
                if (sp_ < 1) return false;
                s[sp_ - 1] = s[sp_ - 1] ? 0 : kOne;
                return true;
            case 9:  // abs
                if (sp_ < 1) return false;
                s[sp_ - 1] = static_cast<int32_t>(static_cast<uint32_t>(std::llabs(s[sp_ - 1])));
                return true;
            case 10:  // add
            case 11:  // sub
            case 24:  // mul
            case 12:  // div
            {
                if (sp_ < 2) return false;
                int64_t a = s[sp_ - 2], b = s[sp_ - 1];
                int64_t r = 0;
                if (op == 10) r = a + b;
                if (op == 11) r = a - b;
                if (op == 24) r = (a * b) / kOne;
                if (op == 12) r = b == 0 ? 0 : (a * kOne) / b;
                sp_ -= 2;
                return push(r);
            }
            case 14:  // neg
                if (sp_ < 1) return false;
                s[sp_ - 1] = static_cast<int32_t>(static_cast<uint32_t>(-static_cast<int64_t>(s[sp_ - 1])));
                return true;
            case 15:  // eq
                if (sp_ < 2) return false;
                --sp_;
                s[sp_ - 1] = s[sp_ - 1] == s[sp_] ? kOne : 0;
                return true;
            case 18:  // drop
                if (sp_ < 1) return false;
                --sp_;
                return true;
            case 20: {  // put
                if (sp_ < 2) return false;
                int i = toInt(s[sp_ - 1]);
                if (i < 0 || i >= kTransient) return false;
                transient_[i] = s[sp_ - 2];
                sp_ -= 2;
                return true;
            }
            case 21: {  // get
                if (sp_ < 1) return false;
                int i = toInt(s[sp_ - 1]);
                if (i < 0 || i >= kTransient) return false;
                s[sp_ - 1] = transient_[i];
                return true;
            }
            case 22: {  // ifelse
                if (sp_ < 4) return false;
                int32_t v = s[sp_ - 2] <= s[sp_ - 1] ? s[sp_ - 4] : s[sp_ - 3];
                sp_ -= 4;
                return push(v);
            }
            case 23:  // random: a value in (0, 1], repeatable from glyph to glyph
                random_ = random_ * 1103515245u + 12345u;
                return push((random_ >> 16) % 0xFFFF + 1);
            case 26: {  // sqrt
                if (sp_ < 1) return false;
                double v = s[sp_ - 1] > 0 ? std::sqrt(s[sp_ - 1] / 65536.0) * 65536.0 : 0.0;
                s[sp_ - 1] = static_cast<int32_t>(v);
                return true;
            }
            case 27:  // dup
                if (sp_ < 1) return false;
                return push(s[sp_ - 1]);
            case 28:  // exch
                if (sp_ < 2) return false;
                std::swap(s[sp_ - 1], s[sp_ - 2]);
                return true;
            case 29: {  // index
                if (sp_ < 1) return false;
                int i = toInt(s[sp_ - 1]);
                if (i < 0) i = 0;
                if (i >= sp_ - 1) return false;
                s[sp_ - 1] = s[sp_ - 2 - i];
                return true;
            }
            case 30: {  // roll
                if (sp_ < 2) return false;
                int n = toInt(s[sp_ - 2]), j = toInt(s[sp_ - 1]);
                sp_ -= 2;
                if (n < 0 || n > sp_) return false;
                if (n > 0) {
                    int shift = ((j % n) + n) % n;
                    int32_t tmp[CffReader::kMaxStack];
                    int32_t* top = s + sp_ - n;
                    for (int k = 0; k < n; ++k) tmp[(k + shift) % n] = top[k];
                    std::memcpy(top, tmp, sizeof(int32_t) * static_cast<size_t>(n));
                }
                return true;
            }
            case 34:  // hflex
            case 35:  // flex
            case 36:  // hflex1
            case 37:  // flex1
                return flex(op);
            default:  // dotsection and reserved operators: nothing to draw
                sp_ = 0;
                return true;
        }
    }

    bool flex(int op) {
        const int32_t* a = stack_;
        bool ok = true;
        if (op == 35) {
            if (sp_ < 13) return false;
            ok = curveTo(a[0], a[1], a[2], a[3], a[4], a[5]) && curveTo(a[6], a[7], a[8], a[9], a[10], a[11]);
        } else if (op == 34) {
            if (sp_ < 7) return false;
            ok = curveTo(a[0], 0, a[1], a[2], a[3], 0) && curveTo(a[4], 0, a[5], -int64_t(a[2]), a[6], 0);
        } else if (op == 36) {
            if (sp_ < 9) return false;
            int64_t dy = int64_t(a[1]) + a[3] + a[7];
            ok = curveTo(a[0], a[1], a[2], a[3], a[4], 0) && curveTo(a[5], 0, a[6], a[7], a[8], -dy);
        } else {
            if (sp_ < 11) return false;
            int64_t dx = 0, dy = 0;
            for (int k = 0; k < 10; k += 2) {
                dx += a[k];
                dy += a[k + 1];
            }
            int64_t dx6 = a[10], dy6 = a[10];
            if (std::llabs(dx) > std::llabs(dy))
                dy6 = -dy;
            else
                dx6 = -dx;
            ok = curveTo(a[0], a[1], a[2], a[3], a[4], a[5]) && curveTo(a[6], a[7], a[8], a[9], dx6, dy6);
        }
        sp_ = 0;
        return ok;
    }

    bool run(ByteReader code, int depth) {
        const int32_t* a = stack_;
        while (code.remaining() > 0 && !ended_) {
            if (--budget_ < 0) return false;
            int b0 = code.u8();
            if (b0 >= 32) {
                int64_t v;
                if (b0 <= 246)
                    v = b0 - 139;
                else if (b0 <= 250)
                    v = (b0 - 247) * 256 + code.u8() + 108;
                else if (b0 <= 254)
                    v = -(b0 - 251) * 256 - code.u8() - 108;
                else
                    v = code.s32();  // already 16.16
                if (!code.ok()) return false;
                if (!push(b0 == 255 ? v : v * kOne)) return false;
                continue;
            }
            bool ok = true;
            int i = 0;
            switch (b0) {
                case 28:
                    ok = push(int64_t(code.s16()) * kOne) && code.ok();
                    break;
                case 1:   // hstem
                case 3:   // vstem
                case 18:  // hstemhm
                case 23:  // vstemhm
                    countStems();
                    break;
                case 19:  // hintmask
                case 20:  // cntrmask
                    countStems();
                    ok = code.skip(static_cast<size_t>((stems_ + 7) / 8));
                    break;
                case 21:  // rmoveto
                    i = takeWidth(sp_ > 2);
                    ok = sp_ - i >= 2 && moveTo(a[i], a[i + 1]);
                    sp_ = 0;
                    break;
                case 22:  // hmoveto
                case 4:   // vmoveto
                    i = takeWidth(sp_ > 1);
                    ok = sp_ - i >= 1 && (b0 == 22 ? moveTo(a[i], 0) : moveTo(0, a[i]));
                    sp_ = 0;
                    break;
                case 5:  // rlineto
                    for (; ok && i + 2 <= sp_; i += 2) ok = lineTo(a[i], a[i + 1]);
                    sp_ = 0;
                    break;
                case 6:  // hlineto
                case 7:  // vlineto
                {
                    bool horizontal = b0 == 6;
                    for (; ok && i < sp_; ++i, horizontal = !horizontal)
                        ok = horizontal ? lineTo(a[i], 0) : lineTo(0, a[i]);
                    sp_ = 0;
                    break;
                }
                case 8:  // rrcurveto
                    for (; ok && i + 6 <= sp_; i += 6) ok = curveTo(a[i], a[i + 1], a[i + 2], a[i + 3], a[i + 4], a[i + 5]);
                    sp_ = 0;
                    break;
                case 24:  // rcurveline
                    for (; ok && sp_ - i >= 8; i += 6) ok = curveTo(a[i], a[i + 1], a[i + 2], a[i + 3], a[i + 4], a[i + 5]);
                    if (ok && sp_ - i >= 2) ok = lineTo(a[i], a[i + 1]);
                    sp_ = 0;
                    break;
                case 25:  // rlinecurve
                    for (; ok && sp_ - i >= 8; i += 2) ok = lineTo(a[i], a[i + 1]);
                    if (ok && sp_ - i >= 6) ok = curveTo(a[i], a[i + 1], a[i + 2], a[i + 3], a[i + 4], a[i + 5]);
                    sp_ = 0;
                    break;
                case 26:  // vvcurveto
                case 27:  // hhcurveto
                {
                    int64_t d1 = 0;
                    if (sp_ % 4 == 1) d1 = a[i++];
                    for (; ok && i + 4 <= sp_; i += 4, d1 = 0)
                        ok = b0 == 26 ? curveTo(d1, a[i], a[i + 1], a[i + 2], 0, a[i + 3])
                                      : curveTo(a[i], d1, a[i + 1], a[i + 2], a[i + 3], 0);
                    sp_ = 0;
                    break;
                }
                case 30:  // vhcurveto
                case 31:  // hvcurveto
                {
                    bool vertical = b0 == 30;
                    while (ok && sp_ - i >= 4) {
                        bool last = sp_ - i == 5;
                        int64_t df = last ? a[i + 4] : 0;
                        ok = vertical ? curveTo(0, a[i], a[i + 1], a[i + 2], a[i + 3], df)
                                      : curveTo(a[i], 0, a[i + 1], a[i + 2], df, a[i + 3]);
                        i += last ? 5 : 4;
                        vertical = !vertical;
                    }
                    sp_ = 0;
                    break;
                }
                case 10:  // callsubr
                    ok = local_ && call(local_->subrs, local_->bias, depth);
                    break;
                case 29:  // callgsubr
                    ok = call(cff_.globalSubrs_, cff_.globalBias_, depth);
                    break;
                case 11:  // return
                    return depth > 0;
                case 14:  // endchar
                    ok = endChar();
                    break;
                case 12:
                    ok = escape(code);
                    break;
                default:  // reserved operators
                    sp_ = 0;
                    break;
            }
            if (!ok) return false;
        }
        // Running off the end without endchar is taken as its end.
        return true;
    }

    static constexpr int kTransient = 32;

    CffReader& cff_;
    const CffReader::Private* local_;
    GlyphOutline& out_;
    int& budget_;
    int32_t stack_[CffReader::kMaxStack] = {};
    int sp_ = 0;
    int32_t transient_[kTransient] = {};
    int64_t x_ = 0, y_ = 0;
    int stems_ = 0;
    bool widthSeen_ = false;
    bool open_ = false;
    bool ended_ = false;
    bool accented_ = false;
    size_t contourStart_ = 0;
    uint32_t random_ = 1;
};

// ---------------------------------------------------------------------------------

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
    if (ros) {
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
    } else {
        Private priv;
        if (!readPrivate(top, priv, error)) return false;
        fonts_.push_back(priv);
        if (validOffset(charset, table_.size())) readCharset(uint32_t(charset));
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
