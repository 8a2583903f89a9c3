#include "font/NameTable.h"

namespace fw::veltrane {

namespace {

constexpr int kFullNameId = 4;
constexpr int kEnglishUs = 1033;
constexpr uint32_t kMaxNameLength = 2048;

}  // namespace

std::string NameTable::decode(ByteReader r, int platform) {
    std::string text;
    if (platform == 1) {
        while (r.remaining() > 0) text += static_cast<char>(r.u8());
        return text;
    }
    while (r.remaining() >= 2) {
        unsigned c = r.u16();
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | c >> 6);
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xE0 | c >> 12);
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

bool NameTable::read(const ByteReader& table, ParseLog& log) {
    ByteReader r = table;
    r.u16();
    int count = r.u16();
    int storage = r.u16();
    if (!r.ok() || !r.has(size_t(count) * 12)) return log.fail("unreadable 'name' table");
    if (!log.listing()) return true;
    for (int i = 0; i < count; ++i) {
        int platform = r.u16();
        r.skip(6);
        uint32_t length = r.u16(), offset = r.u16();
        ByteReader text = r.slice(size_t(storage) + offset, length);
        if (text.ok()) log.say("  %s\n", decode(text, platform == 3 || platform == 0 ? 3 : 1).c_str());
    }
    return true;
}

void NameTable::collectFullNames(ByteReader table, long& budget, std::vector<std::string>& names) {
    table.u16();
    int count = table.u16();
    int storage = table.u16();
    for (int i = 0; i < count && table.ok() && budget-- > 0; ++i) {
        int platform = table.u16();
        table.u16();
        int language = table.u16();
        int nameId = table.u16();
        uint32_t length = table.u16(), offset = table.u16();
        if (!table.ok()) break;
        if (nameId != kFullNameId || platform > 3 || length > kMaxNameLength) continue;
        bool languageFits = platform == 1 ? (language == 0 || language == kEnglishUs) : language == kEnglishUs;
        if (!languageFits) continue;
        ByteReader text = table.slice(size_t(storage) + offset, length);
        if (text.ok()) names.push_back(decode(text, platform));
        budget -= length / 64;  // long names count for more
    }
}

}  // namespace fw::veltrane
