#include "text/Font.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <strings.h>

#include "persistence/CommandIO.h"
#include "text/TrueTypeFontParser.h"

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

Font& self(CommandEnabler& r) { return static_cast<Font&>(r); }

void copyName(char* target, const char* source) {
    std::strncpy(target, source ? source : "", Font::kNameSize - 1);
    target[Font::kNameSize - 1] = 0;
}

int readFontName(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    self(r).setFontName(name.c_str());
    return 0;
}

// The stored path and numbers are read and dropped: the font list decides the file.
int readFontInfo(CommandIO& io, CommandEnabler&) {
    std::string path;
    int a, b;
    if (io.readString(path) != 0 || io.readInt(a) != 0 || io.readInt(b) != 0) return -1;
    return 0;
}

bool hasExtension(const char* path, std::initializer_list<const char*> extensions) {
    const char* dot = path ? std::strrchr(path, '.') : nullptr;
    if (!dot) return false;
    for (const char* e : extensions)
        if (strcasecmp(dot + 1, e) == 0) return true;
    return false;
}

}  // namespace

void RawGlyph::setContours(const GlyphOutline& outline) {
    points.clear();
    contourEnds.clear();
    points.reserve(outline.points.size() + outline.ends.size());
    uint32_t start = 0;
    for (uint32_t end : outline.ends) {
        if (end > start) {
            points.insert(points.end(), outline.points.begin() + start, outline.points.begin() + end);
            points.push_back(outline.points[start]);
            contourEnds.push_back(static_cast<uint32_t>(points.size()));
        }
        start = end;
    }
}

Font::Parser::~Parser() = default;

Font::Font() : Font(kTrueType, "", "") {}

Font::Font(int fileType, const char* fontName, const char* path, const uint16_t* codes, int codeCount)
    : fileType_(fileType) {
    copyName(fontName_, fontName);
    copyName(path_, path);
    if (codes) {
        hasCharacterSet_ = true;
        codes_.reserve(static_cast<size_t>(std::max(codeCount, 0)) + 1);
        for (int i = 0; i < codeCount; ++i) codes_.push_back(macRomanCode(codes[i]));
        codes_.push_back(kCodeM);
        std::sort(codes_.begin(), codes_.end());
        codes_.erase(std::unique(codes_.begin(), codes_.end()), codes_.end());
    }
    size_t slots = hasCharacterSet_ ? codes_.size() : kSlotsWithoutList;
    outlines_.resize(slots);
    advances_.assign(slots, 0.0f);
    lsbs_.assign(slots, 0.0f);
    registerCommands();
}

Font::~Font() = default;

void Font::registerCommands() {
    registerCommand("fontName", readFontName);
    registerCommand("fontInfo", readFontInfo);
    registerCommand("end", CommandEnabler::endCommand);
}

CommandTable& Font::commandTable() {
    static CommandTable table;
    return table;
}

int Font::writeCommands(CommandIO& io) {
    if (io.writef("fontName \"%s\"\n", escapeQuotes(fontName_).c_str()) != 0) return -1;
    return io.writef("fontInfo \"%s\" %d %d\n", escapeQuotes(path_).c_str(), info[0], info[1]);
}

void Font::setFontName(const char* name) { copyName(fontName_, name); }

bool Font::isType1File(const char* path) { return hasExtension(path, {"pfa", "pfb"}); }

bool Font::isTrueTypeFile(const char* path) { return hasExtension(path, {"ttf", "otf", "ttc"}); }

uint16_t Font::macRomanCode(int code) {
    if (code >= 128 && code <= 255) return kLatin1ToMacRoman[code - 128];
    return static_cast<uint16_t>(code);
}

void Font::setConsole(std::FILE* console) { gConsole = console; }
std::FILE* Font::console() { return gConsole; }
void Font::setErrorStream(std::FILE* stream) { gErrorStream = stream; }
std::FILE* Font::errorStream() {
    std::FILE* stream = gErrorStream;
    return stream ? stream : stderr;
}

std::vector<uint16_t> Font::slotCodes() const {
    if (hasCharacterSet_) return codes_;
    std::vector<uint16_t> codes(kSlotsWithoutList);
    for (int i = 0; i < kSlotsWithoutList; ++i) codes[i] = static_cast<uint16_t>(i);
    return codes;
}

std::unique_ptr<Font::Parser> Font::createParser() {
    if (fileType_ == kTrueType || fileType_ == kOpenTypeCff) return std::make_unique<TrueTypeFontParser>(*this);
    // Type 1 files have a parser of their own, which is not part of this library yet.
    return nullptr;
}

bool Font::parse() {
    rawGlyphs_.clear();
    error_.clear();
    std::unique_ptr<Parser> parser = createParser();
    if (!parser) {
        if (fileType_ != kType1) std::fprintf(errorStream(), "Unrecognized font file type: %s\n", path_);
        error_ = fileType_ == kType1 ? "Type 1 fonts cannot be read yet" : "unrecognized font file type";
        return false;
    }
    return parser->parse(path_, debug_ ? 1 : 0);
}

bool Font::load() {
    bool ok = parse();
    buildProfiles();
    rawGlyphs_.clear();
    rawGlyphs_.shrink_to_fit();
    return ok;
}

void Font::setHeader(int unitsPerEm, int xMin, int yMin, int xMax, int yMax) {
    unitsPerEm_ = unitsPerEm;
    xMin_ = xMin;
    yMin_ = yMin;
    xMax_ = xMax;
    yMax_ = yMax;
}

void Font::sortRawGlyphs() {
    std::lock_guard<std::mutex> lock(gSortLock);
    std::stable_sort(rawGlyphs_.begin(), rawGlyphs_.end(),
                     [](const RawGlyph& a, const RawGlyph& b) { return a.code < b.code; });
}

int Font::slotIndex(int code) const {
    if (code < 0 || code > 0xFFFF) return -1;
    uint16_t c = macRomanCode(code);
    if (!hasCharacterSet_) return c < kSlotsWithoutList ? c : -1;
    auto it = std::lower_bound(codes_.begin(), codes_.end(), c);
    return it != codes_.end() && *it == c ? static_cast<int>(it - codes_.begin()) : -1;
}

const InputProfile2& Font::outline(int code) const {
    int slot = slotIndex(code);
    return outlines_[slot >= 0 ? slot : 0];
}

float Font::advanceWidth(int code) const {
    int slot = slotIndex(code);
    return slot >= 0 ? advances_[slot] : 0.0f;
}

float Font::leftSideBearing(int code) const {
    int slot = slotIndex(code);
    return slot >= 0 ? lsbs_[slot] : 0.0f;
}

void Font::buildProfiles() {
    double s = unitsPerEm_ > 0 ? 1.0 / unitsPerEm_ : 0.0;
    bboxHeight_ = (yMax_ - yMin_) * s;
    bboxWidth_ = (xMax_ - xMin_) * s;
    for (const RawGlyph& raw : rawGlyphs_) {
        // The record's code is a slot code already: no second translation.
        int slot;
        if (hasCharacterSet_) {
            auto it = std::lower_bound(codes_.begin(), codes_.end(), raw.code);
            slot = it != codes_.end() && *it == raw.code ? static_cast<int>(it - codes_.begin()) : -1;
        } else {
            slot = raw.code < kSlotsWithoutList ? raw.code : -1;
        }
        if (slot < 0) continue;
        outlines_[slot] = InputProfile2();
        advances_[slot] = static_cast<float>(raw.advance * s);
        lsbs_[slot] = static_cast<float>(raw.lsb * s);
        convertGlyph(raw, s, outlines_[slot]);
    }
    emWidthM_ = static_cast<double>(leftSideBearing(kCodeM)) + advanceWidth(kCodeM);
}

namespace {

struct ScaledPoint {
    double x, y;
    bool on;
};

}  // namespace

void Font::convertGlyph(const RawGlyph& raw, double scale, InputProfile2& profile) const {
    std::vector<ScaledPoint> ring;
    for (int c = 0; c < raw.contourCount(); ++c) {
        uint32_t start = raw.contourStart(c), end = raw.contourEnds[c];
        // Drop the closing repeat of the first point: the contour is walked as a ring.
        if (end - start < 3) continue;
        --end;
        ring.clear();
        for (uint32_t i = start; i < end; ++i) {
            const GlyphPoint& p = raw.points[i];
            ring.push_back({p.x * scale, p.y * scale, p.onCurve != 0});
        }
        if (!cubic_) {
            // Two control points in a row imply the on-curve point halfway between them.
            std::vector<ScaledPoint> expanded;
            expanded.reserve(ring.size() * 2);
            for (size_t i = 0; i < ring.size(); ++i) {
                const ScaledPoint& a = ring[i];
                const ScaledPoint& b = ring[(i + 1) % ring.size()];
                expanded.push_back(a);
                if (!a.on && !b.on) expanded.push_back({(a.x + b.x) / 2, (a.y + b.y) / 2, true});
            }
            ring.swap(expanded);
        }
        size_t first = 0;
        while (first < ring.size() && !ring[first].on) ++first;
        if (first == ring.size()) continue;  // no point on the curve to start from
        std::rotate(ring.begin(), ring.begin() + static_cast<std::ptrdiff_t>(first), ring.end());
        ring.push_back(ring.front());

        CompositeCurve2& contour = profile.addContour();
        contour.setClosed(true);
        size_t anchor = 0;
        while (anchor + 1 < ring.size()) {
            size_t next = anchor + 1;
            while (!ring[next].on) ++next;  // the ring ends on an on-curve point
            Curve2& segment = contour.addSegment(next == anchor + 1 ? Curve2::Linear : Curve2::Bezier);
            for (size_t i = anchor; i <= next; ++i) {
                const ScaledPoint& p = ring[i];
                segment.addPoint(p.on ? CurvePoint::anchor(p.x, p.y)
                                      : CurvePoint::handle(p.x, p.y, CurvePoint::HANDLE_BROKEN));
            }
            segment.setFlag(Curve2::kAttachedHead, true);
            segment.setFlag(Curve2::kAttachedTail, true);
            anchor = next;
        }
    }
    profile.normalize();
}

}  // namespace fw::veltrane
