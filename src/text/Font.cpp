#include "text/Font.h"

#include <string>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw::veltrane {

namespace {

int readFontName(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    receiverAs<Font>(r).setFontName(name.c_str());
    return 0;
}

// The stored numbers are dropped and the path only kept for writing: the font list
// decides the file.
int readFontInfo(CommandIO& io, CommandEnabler& r) {
    std::string path;
    int a, b;
    if (io.readString(path) != 0 || io.readInt(a) != 0 || io.readInt(b) != 0) return -1;
    receiverAs<Font>(r).storedPath = path;
    return 0;
}

int writeFontName(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, escapeQuotes(receiverAs<Font>(r).fontName()).c_str());
}

// The loaded file's path, or the one read while none is loaded.
int writeFontInfo(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    Font& font = receiverAs<Font>(r);
    const std::string file = *font.path() ? font.path() : font.storedPath;
    return io.writef("%s \"%s\" %d %d\n", keyword, escapeQuotes(file).c_str(), font.info[0], font.info[1]);
}

constexpr FieldTable::Line kFontLines[] = {
    {"fontName", readFontName, writeFontName},
    {"fontInfo", readFontInfo, writeFontInfo},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kFontTable{kFontLines};

}  // namespace

Font::Font() : Font(kTrueType, "", "") {}

Font::Font(FontKind fileType, const char* fontName, const char* path, const uint16_t* codes, int codeCount)
    : FontFile(fileType, fontName, path, codes, codeCount) {
    size_t slots = static_cast<size_t>(slotCount());
    outlines_.resize(slots);
    advances_.assign(slots, 0.0f);
    lsbs_.assign(slots, 0.0f);
    registerCommands();
}

Font::~Font() = default;

void Font::registerCommands() { kFontTable.registerInto(*this); }

CommandTable& Font::commandTable() {
    static CommandTable table;
    return table;
}

int Font::writeCommands(CommandIO& io) { return kFontTable.write(io, *this); }

bool Font::load() {
    bool ok = parse();
    buildProfiles();
    rawGlyphs().clear();
    rawGlyphs().shrink_to_fit();
    return ok;
}

const InputProfile2& Font::outline(int code) const {
    int slot = slotIndex(code);
    return outlines_[slot >= 0 ? slot : 0];
}

float Font::advanceWidth(int code) const {
    int slot = slotIndex(code);
    return slot >= 0 ? advances_[slot] : 0.0f;
}

bool Font::hasGlyph(int code) const {
    int slot = slotIndex(code);
    return slot >= 0 && static_cast<size_t>(slot) < present_.size() && present_[slot];
}

float Font::leftSideBearing(int code) const {
    int slot = slotIndex(code);
    return slot >= 0 ? lsbs_[slot] : 0.0f;
}

void Font::buildProfiles() {
    double s = unitsPerEm() > 0 ? 1.0 / unitsPerEm() : 0.0;
    bboxHeight_ = (yMax() - yMin()) * s;
    bboxWidth_ = (xMax() - xMin()) * s;
    // The parse may have keyed the slots anew for the character map it found.
    size_t slots = static_cast<size_t>(slotCount());
    if (outlines_.size() != slots) {
        outlines_.clear();
        outlines_.resize(slots);
        advances_.assign(slots, 0.0f);
        lsbs_.assign(slots, 0.0f);
    }
    present_.assign(slots, 0);
    for (const RawGlyph& raw : rawGlyphs()) {
        int slot = slotOfSlotCode(raw.code);
        if (slot < 0) continue;
        outlines_[slot] = InputProfile2();
        advances_[slot] = static_cast<float>(raw.advance * s);
        lsbs_[slot] = static_cast<float>(raw.lsb * s);
        present_[slot] = raw.glyph != 0;
        convertGlyph(raw, s, outlines_[slot]);
    }
    emWidthM_ = static_cast<double>(leftSideBearing(kCodeM)) + advanceWidth(kCodeM);
}

// Each ring becomes a closed contour of one segment per run between two on-curve
// points: a line when they are neighbours, a Bezier through the control points else.
void Font::convertGlyph(const RawGlyph& raw, double scale, InputProfile2& profile) const {
    std::vector<EmContour> rings;
    raw.emContours(scale, cubic(), rings);
    for (const EmContour& ring : rings) {
        CompositeCurve2& contour = profile.addContour();
        contour.setClosed(true);
        size_t anchor = 0;
        while (anchor + 1 < ring.size()) {
            size_t next = anchor + 1;
            while (!ring[next].on) ++next;  // the ring ends on an on-curve point
            Curve2& segment = contour.addSegment(next == anchor + 1 ? Curve2::Linear : Curve2::Bezier);
            for (size_t i = anchor; i <= next; ++i) {
                const EmPoint& p = ring[i];
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
