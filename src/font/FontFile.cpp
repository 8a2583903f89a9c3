#include "font/FontFile.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <strings.h>

#include "font/TrueTypeFontParser.h"
#include "font/Type1FontParser.h"

namespace fw::veltrane {

namespace {

std::atomic<std::FILE*> gConsole{nullptr};
std::atomic<std::FILE*> gErrorStream{nullptr};

// Mac OS Roman code of each ISO 8859-1 character from 128 to 255; characters
// without a counterpart keep their own code, and the currency sign takes the
// place the older Mac character set gave it.
const uint8_t kLatin1ToMacRoman[128] = {
    0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,
    0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F,
    0xCA, 0xC1, 0xA2, 0xA3, 0xDB, 0xB4, 0xA6, 0xA4, 0xAC, 0xA9, 0xBB, 0xC7, 0xC2, 0xAD, 0xA8, 0xF8,
    0xA1, 0xB1, 0xB2, 0xB3, 0xAB, 0xB5, 0xA6, 0xE1, 0xFC, 0xB9, 0xBC, 0xC8, 0xBC, 0xBD, 0xBE, 0xC0,
    0xCB, 0xE7, 0xE5, 0xCC, 0x80, 0x81, 0xAE, 0x82, 0xE9, 0x83, 0xE6, 0xE8, 0xED, 0xEA, 0xEB, 0xEC,
    0xD0, 0x84, 0xF1, 0xEE, 0xEF, 0xCD, 0x85, 0xD7, 0xAF, 0xF4, 0xF2, 0xF3, 0x86, 0xDD, 0xDE, 0xA7,
    0x88, 0x87, 0x89, 0x8B, 0x8A, 0x8C, 0xBE, 0x8D, 0x8F, 0x8E, 0x90, 0x91, 0x93, 0x92, 0x94, 0x95,
    0xF0, 0x96, 0x98, 0x97, 0x99, 0x9B, 0x9A, 0xD6, 0xBF, 0x9D, 0x9C, 0x9E, 0x9F, 0xFD, 0xFE, 0xD8,
};

// Raw records are sorted by code under one lock for the whole process: fonts may be
// loaded from parallel loops.
std::mutex gSortLock;

void copyName(char* target, const char* source) {
    std::strncpy(target, source ? source : "", FontFile::kNameSize - 1);
    target[FontFile::kNameSize - 1] = 0;
}

bool hasExtension(const char* path, std::initializer_list<const char*> extensions) {
    const char* dot = path ? std::strrchr(path, '.') : nullptr;
    if (!dot) return false;
    for (const char* e : extensions)
        if (strcasecmp(dot + 1, e) == 0) return true;
    return false;
}

}  // namespace

FontFile::Parser::~Parser() = default;

FontFile::Parser::Read FontFile::Parser::readWholeFile(const char* path, std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return Read::kCannotOpen;
    bytes.clear();
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    return failed ? Read::kFailed : Read::kOk;
}

FontFile::FontFile(FontKind fileType, const char* fontName, const char* path, const uint16_t* codes, int codeCount)
    : fileType_(fileType) {
    copyName(fontName_, fontName);
    copyName(path_, path);
    if (codes) {
        hasCharacterSet_ = true;
        requested_.assign(codes, codes + std::max(codeCount, 0));
        keySlots();
    }
}

void FontFile::keySlots() {
    codes_.clear();
    codes_.reserve(requested_.size() + 1);
    for (uint16_t code : requested_) codes_.push_back(static_cast<uint16_t>(lookupCode(code, macRomanMap_)));
    codes_.push_back(kCodeM);
    std::sort(codes_.begin(), codes_.end());
    codes_.erase(std::unique(codes_.begin(), codes_.end()), codes_.end());
}

void FontFile::setMacRomanMap(bool macRoman) {
    if (macRoman == macRomanMap_) return;
    macRomanMap_ = macRoman;
    if (hasCharacterSet_) keySlots();
}

FontFile::~FontFile() = default;

void FontFile::setFontName(const char* name) { copyName(fontName_, name); }

bool FontFile::isType1File(const char* path) { return hasExtension(path, {"pfa", "pfb", "t1"}); }

bool FontFile::isTrueTypeFile(const char* path) { return hasExtension(path, {"ttf", "otf", "ttc"}); }

uint16_t FontFile::macRomanCode(int code) {
    if (code >= 128 && code <= 255) return kLatin1ToMacRoman[code - 128];
    return static_cast<uint16_t>(code);
}

void FontFile::setConsole(std::FILE* console) { gConsole = console; }
std::FILE* FontFile::console() { return gConsole; }
void FontFile::setErrorStream(std::FILE* stream) { gErrorStream = stream; }
std::FILE* FontFile::errorStream() {
    std::FILE* stream = gErrorStream;
    return stream ? stream : stderr;
}

std::vector<uint16_t> FontFile::slotCodes() const {
    if (hasCharacterSet_) return codes_;
    std::vector<uint16_t> codes(kSlotsWithoutList);
    for (int i = 0; i < kSlotsWithoutList; ++i) codes[i] = static_cast<uint16_t>(i);
    return codes;
}

int FontFile::slotCount() const { return hasCharacterSet_ ? static_cast<int>(codes_.size()) : kSlotsWithoutList; }

int FontFile::slotIndex(int code) const {
    if (code < 0 || code > 0xFFFF) return -1;
    return slotOfSlotCode(static_cast<uint16_t>(lookupCode(code, macRomanMap_)));
}

int FontFile::slotOfSlotCode(uint16_t code) const {
    if (!hasCharacterSet_) return code < kSlotsWithoutList ? code : -1;
    auto it = std::lower_bound(codes_.begin(), codes_.end(), code);
    return it != codes_.end() && *it == code ? static_cast<int>(it - codes_.begin()) : -1;
}

std::unique_ptr<FontFile::Parser> FontFile::createParser() {
    switch (fileType_) {
        case kTrueType:
        case kOpenTypeCff:
            return std::make_unique<TrueTypeFontParser>(*this);
        case kType1:
            return std::make_unique<Type1FontParser>(*this);
    }
    return nullptr;
}

bool FontFile::parse() {
    rawGlyphs_.clear();
    error_.clear();
    std::unique_ptr<Parser> parser = createParser();
    if (!parser) {
        std::fprintf(errorStream(), "Unrecognized font file type: %s\n", path_);
        error_ = "unrecognized font file type";
        return false;
    }
    return parser->parse(path_, debug_ ? 1 : 0);
}

void FontFile::setHeader(int unitsPerEm, int xMin, int yMin, int xMax, int yMax) {
    unitsPerEm_ = unitsPerEm;
    xMin_ = xMin;
    yMin_ = yMin;
    xMax_ = xMax;
    yMax_ = yMax;
}

void FontFile::sortRawGlyphs() {
    std::lock_guard<std::mutex> lock(gSortLock);
    std::stable_sort(rawGlyphs_.begin(), rawGlyphs_.end(),
                     [](const RawGlyph& a, const RawGlyph& b) { return a.code < b.code; });
}

}  // namespace fw::veltrane
