#pragma once
// Builds small fonts byte by byte for the cases no installed font has: composite glyphs placed by point matching,
// collections, hand-written charstrings, damage; and writes the glyphs read back as text.

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "font/GlyphOutline.h"

namespace fw::test {

using Bytes = std::string;

// Points as "x,y" on the curve and "x,y*" for control points, each contour ending with "|"; `repeats` leaves out each
// contour's last point, the repeat of its first that glyph records close with.
inline std::string describe(const std::vector<veltrane::GlyphPoint>& points, const std::vector<uint32_t>& ends,
                            bool repeats) {
    std::string s;
    for (size_t c = 0; c < ends.size(); ++c) {
        for (uint32_t i = c == 0 ? 0 : ends[c - 1]; i + (repeats ? 1 : 0) < ends[c]; ++i)
            s += std::to_string(points[i].x) + "," + std::to_string(points[i].y) + (points[i].onCurve ? " " : "* ");
        s += "| ";
    }
    return s;
}

inline void put16(Bytes& b, int v) { b += {static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)}; }
inline void put32(Bytes& b, uint32_t v) { put16(b, static_cast<int>(v >> 16)), put16(b, static_cast<int>(v & 0xFFFF)); }
inline void put16s(Bytes& b, std::initializer_list<int> values) { for (int v : values) put16(b, v); }

struct TestPoint {
    int x, y;
    bool on;
};
using TestContour = std::vector<TestPoint>;

// A simple glyph with every coordinate written as a 16-bit delta.
inline Bytes simpleGlyph(const std::vector<TestContour>& contours) {
    Bytes g, flags, xs, ys;
    put16s(g, {static_cast<int>(contours.size()), 0, 0, 0, 0});
    int end = -1, x = 0, y = 0;
    for (const TestContour& c : contours) {
        put16(g, end += static_cast<int>(c.size()));
        for (const TestPoint& p : c) {
            flags += static_cast<char>(p.on ? 1 : 0);
            put16(xs, p.x - x), put16(ys, p.y - y);
            x = p.x, y = p.y;
        }
    }
    put16(g, 0);  // no instructions
    return g + flags + xs + ys;
}

struct TestComponent {
    int glyph;
    int arg1, arg2;
    bool xy;           // arguments are an offset, not point numbers
    double scale = 1;  // one uniform scale when not 1
};

inline Bytes compositeGlyph(const std::vector<TestComponent>& parts) {
    Bytes g;
    put16s(g, {-1, 0, 0, 0, 0});
    for (size_t i = 0; i < parts.size(); ++i) {
        const TestComponent& c = parts[i];
        const int flags = 1 | (c.xy ? 2 : 0) | (c.scale != 1 ? 8 : 0) | (i + 1 < parts.size() ? 0x20 : 0);
        put16s(g, {flags, c.glyph, c.arg1, c.arg2});
        if (c.scale != 1) put16(g, static_cast<int>(c.scale * 16384));
    }
    return g;
}

// A font of a few "glyf" outlines.
struct SyntheticFont {
    std::string fullName = "Synthetic";
    std::vector<Bytes> glyphs;                 // glyf data per glyph (empty: no outline)
    std::vector<std::pair<int, int>> metrics;  // advance, lsb per glyph
    std::map<int, int> cmap;                   // code to glyph, one format 4 segment each
    void addGlyph(const Bytes& data, int advance, int lsb = 0) {
        glyphs.push_back(data);
        metrics.emplace_back(advance, lsb);
    }
    std::map<std::string, Bytes> tables() const {
        std::map<std::string, Bytes> t;
        int n = static_cast<int>(glyphs.size());
        Bytes& head = t["head"] = Bytes(54, '\0');
        head[18] = '\x03', head[19] = '\xE8', head[51] = 1;  // 1000 units, long offsets
        t["hhea"] = Bytes(34, '\0');
        put16(t["hhea"], n);
        put32(t["maxp"], 0x5000), put16(t["maxp"], n);
        for (auto [advance, lsb] : metrics) put16s(t["hmtx"], {advance, lsb});
        // The full name as a Macintosh record and as a Windows English one.
        Bytes wide;
        for (char c : fullName) put16(wide, static_cast<unsigned char>(c));
        int len = static_cast<int>(fullName.size());
        put16s(t["name"], {0, 2, 30, 1, 0, 0, 4, len, 0, 3, 1, 1033, 4, 2 * len, len});
        t["name"] += fullName + wide;
        int segments = static_cast<int>(cmap.size()) + 1;
        Bytes& c = t["cmap"];
        put16s(c, {0, 1, 3, 1, 0, 12, 4, 16 + 8 * segments, 0, 2 * segments, 0, 0, 0});
        for (auto [code, glyph] : cmap) put16(c, code);
        put16s(c, {0xFFFF, 0});
        for (auto [code, glyph] : cmap) put16(c, code);
        put16(c, 0xFFFF);
        for (auto [code, glyph] : cmap) put16(c, glyph - code);
        put16(c, 1);
        c += Bytes(2 * segments, '\0');
        for (const Bytes& g : glyphs) {
            put32(t["loca"], static_cast<uint32_t>(t["glyf"].size()));
            t["glyf"] += g + Bytes((4 - g.size() % 4) % 4, '\0');
        }
        put32(t["loca"], static_cast<uint32_t>(t["glyf"].size()));
        return t;
    }
    Bytes build() const { return sfnt(tables(), 0); }
    // The font file of `tables`, placed at `base` within a larger file.
    static Bytes sfnt(const std::map<std::string, Bytes>& tables, uint32_t base) {
        Bytes out, data;
        put32(out, 0x00010000);
        put16s(out, {static_cast<int>(tables.size()), 0, 0, 0});
        uint32_t offset = base + 12 + 16 * static_cast<uint32_t>(tables.size());
        for (const auto& [tag, bytes] : tables) {
            out += tag;
            put32(out, 0), put32(out, offset + static_cast<uint32_t>(data.size()));
            put32(out, static_cast<uint32_t>(bytes.size()));
            data += bytes + Bytes((4 - bytes.size() % 4) % 4, '\0');
        }
        return out + data;
    }
    static Bytes collection(const std::vector<SyntheticFont>& fonts) {
        Bytes header = "ttcf", body;
        put32(header, 0x00010000), put32(header, static_cast<uint32_t>(fonts.size()));
        uint32_t at = 12 + 4 * static_cast<uint32_t>(fonts.size());
        for (const SyntheticFont& f : fonts) {
            put32(header, at + static_cast<uint32_t>(body.size()));
            body += sfnt(f.tables(), at + static_cast<uint32_t>(body.size()));
        }
        return header + body;
    }
};

// Type 2 charstrings and CFF tables.
namespace cff {

inline Bytes num(int v) {
    if (v >= -107 && v <= 107) return Bytes(1, static_cast<char>(v + 139));
    Bytes b(1, char(28));
    put16(b, v);
    return b;
}
// Operators: one byte, or 1200 + the second byte of an escape.
inline Bytes op(int code) { return code >= 1200 ? Bytes{char(12), char(code - 1200)} : Bytes(1, char(code)); }
inline Bytes cs(std::initializer_list<int> args, int code) {
    Bytes b;
    for (int a : args) b += num(a);
    return b + op(code);
}

inline Bytes index(const std::vector<Bytes>& items) {
    Bytes b, data;
    put16(b, static_cast<int>(items.size()));
    if (items.empty()) return b;
    b += char(4);
    put32(b, 1);
    for (const Bytes& item : items) put32(b, 1 + static_cast<uint32_t>((data += item).size()));
    return b + data;
}

// A dictionary integer always five bytes long, so offsets are known before layout.
inline Bytes dictInt(int v) {
    Bytes b(1, char(29));
    put32(b, static_cast<uint32_t>(v));
    return b;
}

// A table of charstrings with global and local subroutines; `sids` names the glyphs by standard string ids (for
// accented glyphs built from two others).
inline Bytes table(const std::vector<Bytes>& charStrings, const std::vector<Bytes>& globalSubrs,
                   const std::vector<Bytes>& localSubrs, const std::vector<int>& sids = {}) {
    Bytes front = Bytes{1, 0, 4, 4} + index({"Test"});
    Bytes rest = index({}) + index(globalSubrs);
    Bytes charset(1, '\0');
    for (size_t g = 1; g < charStrings.size(); ++g)
        put16(charset, g < sids.size() ? sids[g] : static_cast<int>(g) + 300);
    Bytes chars = index(charStrings);
    Bytes priv = dictInt(6) + op(19);  // the local subroutines follow these 6 bytes
    int topSize = 3 * 5 + 5 + 3;
    int charsetAt = static_cast<int>(front.size() + index({Bytes(topSize, 'x')}).size() + rest.size());
    int charStringsAt = charsetAt + static_cast<int>(charset.size());
    int privateAt = charStringsAt + static_cast<int>(chars.size());
    Bytes top = dictInt(sids.empty() ? 0 : charsetAt) + op(15) + dictInt(charStringsAt) + op(17) +
                dictInt(static_cast<int>(priv.size())) + dictInt(privateAt) + op(18);
    return front + index({top}) + rest + charset + chars + priv + index(localSubrs);
}

}  // namespace cff

}  // namespace fw::test
