#include "font/CharacterMap.h"

#include <algorithm>

namespace fw::veltrane {

namespace {

constexpr long kMaxCodeMappings = 1 << 20;

}  // namespace

void CharacterMap::mapCode(uint32_t code, int glyph) {
    --mappingBudget_;
    if (code > 0xFFFF) return;
    if (code >= codeToGlyph_.size()) codeToGlyph_.resize(code < 256 ? 256 : 0x10000, -1);
    codeToGlyph_[code] = glyph;
}

bool CharacterMap::read(const ByteReader& table, ParseLog& log) {
    codeToGlyph_.clear();
    ByteReader r = table;
    r.u16();
    int records = r.u16();
    if (!r.ok()) return log.fail("unreadable 'cmap' table");
    static const char* kNames[] = {"Apple Standard", "INVALID (1)", "High-byte", "INVALID (3)",
                                   "Microsoft Standard", "INVALID (5)", "Trimmed"};
    mappingBudget_ = kMaxCodeMappings;
    macRoman_ = false;
    for (int i = 0; i < records; ++i) {
        int platform = r.u16();
        int encoding = r.u16();
        uint32_t offset = r.u32();
        if (!r.ok()) break;
        ByteReader sub = r.slice(offset, r.size() - std::min<size_t>(offset, r.size()));
        int format = sub.u16();
        if (!sub.ok()) break;
        if (format >= 7) {
            log.say("  format %d: Unknown Character Map!\n", format);
            break;
        }
        log.say("  format %d: %s Character Map\n", format, kNames[format]);
        bool more = true, read = true;
        switch (format) {
            case 0:
                more = readFormat0(sub);
                break;
            case 4:
                more = readFormat4(sub);
                break;
            case 6:
                readFormat6(sub);
                more = false;
                break;
            case 2:
                read = i == 0;
                if (read) {
                    readFormat2(sub);
                    more = false;
                }
                break;
            default:
                read = more = false;
                break;
        }
        // The last subtable read has the final word over the codes it shares with
        // earlier ones, 128 to 255 above all.
        if (read) macRoman_ = platform == kMacintosh && encoding == kMacRoman;
        if (!more || mappingBudget_ <= 0) break;
    }
    return true;
}

bool CharacterMap::readFormat0(ByteReader& r) {
    r.skip(4);
    if (!r.has(256)) return false;
    for (uint32_t code = 0; code < 256; ++code) mapCode(code, r.u8());
    return true;
}

bool CharacterMap::readFormat2(ByteReader& r) {
    r.skip(4);
    uint16_t keys[256];
    for (uint16_t& k : keys) k = r.u16();
    if (!r.ok()) return false;
    const size_t headers = 6 + 512;
    for (uint32_t high = 0; high < 256; ++high) {
        size_t header = headers + size_t(keys[high] / 8) * 8;
        ByteReader h = r;
        if (!h.seek(header)) return false;
        uint32_t first = h.u16(), count = h.u16();
        int delta = h.s16();
        size_t rangeBase = header + 6 + h.u16();
        if (!h.ok()) return false;
        bool singleByte = keys[high] == 0;
        for (uint32_t low = first; low < first + count && low < 256; ++low) {
            if (singleByte && low != high) continue;
            ByteReader entry = r;
            if (!entry.seek(rangeBase + 2 * size_t(low - first))) break;
            int g = entry.u16();
            if (!entry.ok()) break;
            if (g != 0) g = (g + delta) & 0xFFFF;
            mapCode(singleByte ? high : (high << 8 | low), g);
        }
    }
    return true;
}

bool CharacterMap::readFormat4(ByteReader& r) {
    r.skip(4);
    int segments = r.u16() / 2;
    r.skip(6);
    size_t ends = r.tell();
    size_t starts = ends + 2 * size_t(segments) + 2;
    size_t deltas = starts + 2 * size_t(segments);
    size_t ranges = deltas + 2 * size_t(segments);
    if (!r.ok() || !r.seek(ranges + 2 * size_t(segments))) return false;
    ByteReader e = r, s = r, d = r, o = r;
    e.seek(ends);
    s.seek(starts);
    d.seek(deltas);
    o.seek(ranges);
    for (int seg = 0; seg < segments; ++seg) {
        uint32_t end = e.u16(), start = s.u16();
        int delta = d.u16();
        size_t rangePos = o.tell();
        uint32_t rangeOffset = o.u16();
        if (start > end) continue;
        for (uint32_t code = start; code <= end && mappingBudget_ > 0; ++code) {
            int g;
            if (rangeOffset == 0) {
                g = (int(code) + delta) & 0xFFFF;
            } else {
                ByteReader entry = r;
                if (!entry.seek(rangePos + rangeOffset + 2 * size_t(code - start))) break;
                g = entry.u16();
                if (!entry.ok()) break;
                if (g != 0) g = (g + delta) & 0xFFFF;
            }
            mapCode(code, g);
        }
    }
    return true;
}

bool CharacterMap::readFormat6(ByteReader& r) {
    r.skip(4);
    uint32_t first = r.u16(), count = r.u16();
    for (uint32_t k = 0; k < count && r.ok() && mappingBudget_ > 0; ++k) {
        int g = r.u16();
        if (r.ok()) mapCode(first + k, g);
    }
    return r.ok();
}

int CharacterMap::glyphForCode(int code) const {
    if (code < 0 || size_t(code) >= codeToGlyph_.size()) return 0;
    return std::max(codeToGlyph_[code], 0);
}

std::vector<uint16_t> CharacterMap::mappedCodes() const {
    std::vector<uint16_t> codes;
    for (size_t code = 0; code < codeToGlyph_.size(); ++code)
        if (codeToGlyph_[code] > 0) codes.push_back(static_cast<uint16_t>(code));
    return codes;
}

}  // namespace fw::veltrane
