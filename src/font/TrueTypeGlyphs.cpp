#include "font/TrueTypeGlyphs.h"

#include <algorithm>

namespace fw::veltrane {

namespace {

// Composite glyph component flags.
enum ComponentFlag : uint16_t {
    kArgsAreWords = 0x0001,
    kArgsAreXY = 0x0002,
    kHaveScale = 0x0008,
    kMoreComponents = 0x0020,
    kHaveXYScale = 0x0040,
    kHaveTwoByTwo = 0x0080,
};

// Simple glyph point flags.
enum PointFlag : uint8_t {
    kOnCurve = 0x01,
    kXShort = 0x02,
    kYShort = 0x04,
    kRepeat = 0x08,
    kXSame = 0x10,
    kYSame = 0x20,
};

// 16.16 product of a font-unit value and a fixed-point factor, rounded half away
// from zero with the sign applied after the rounding.
int64_t mulFixed(int64_t value, int32_t factor) {
    bool negative = (value < 0) != (factor < 0);
    int64_t a = value < 0 ? -value : value;
    int64_t b = factor < 0 ? -int64_t(factor) : int64_t(factor);
    int64_t product = (a * b + 0x8000) >> 16;
    return negative ? -product : product;
}

int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

bool TrueTypeGlyphs::read(const SfntDirectory& directory, int glyphCount, int locaFormat, ParseLog& log) {
    numGlyphs_ = glyphCount;
    partSlot_.assign(numGlyphs_, 0);
    partStamp_.assign(numGlyphs_, 0);
    clearComponentCache();
    log.say("Parsing 'loca' table:\n");
    ByteReader r;
    if (!directory.table("loca", r, log)) return false;
    if (locaFormat != 0 && locaFormat != 1) return log.fail("unknown location table format");
    const SfntDirectory::TableEntry* glyf = directory.find("glyf");
    uint32_t glyfLength = glyf ? glyf->length : 0;
    int entrySize = locaFormat == 0 ? 2 : 4;
    int entries = static_cast<int>(r.size() / entrySize);
    log.say("  num location table entries: %d (should equal: %d + 1)\n", entries, numGlyphs_);
    locations_.assign(numGlyphs_, Location());
    auto offsetAt = [&](int i) {
        r.seek(size_t(i) * entrySize);
        return locaFormat == 0 ? uint32_t(r.u16()) * 2 : r.u32();
    };
    uint32_t offset = entries > 0 ? offsetAt(0) : 0;
    for (int g = 0; g < numGlyphs_ && g + 1 < entries; ++g) {
        uint32_t next = offsetAt(g + 1);
        if (next > offset && next <= glyfLength) locations_[g] = {offset, next - offset};
        offset = next;
    }
    return directory.table("glyf", glyf_, log);
}

void TrueTypeGlyphs::startGlyph() {
    componentVisits_ = 0;
    glyphStack_.clear();
    clearComponentCache();
}

bool TrueTypeGlyphs::outline(int glyph, GlyphOutline& out) {
    startGlyph();
    return loadGlyph(glyph, out, 0);
}

bool TrueTypeGlyphs::readSlot(int glyph, GlyphOutline& out, bool& composite, bool listPoints, ParseLog& log) {
    composite = false;
    startGlyph();
    if (glyph < 0 || glyph >= numGlyphs_) return false;
    const Location& loc = locations_[glyph];
    if (loc.length == 0) {
        log.say("  %3x empty glyph (A)\n", glyph);
        return false;
    }
    ByteReader r = glyf_.slice(loc.offset, loc.length);
    int contours = r.s16();
    if (!r.ok()) return false;
    if (contours > 0) {
        if (!loadGlyph(glyph, out, 0)) return false;
        log.say("  %3x simple glyph (%d curves, %d points)\n", glyph, out.contourCount(),
                static_cast<int>(out.points.size()));
        if (listPoints) printPoints(out, log);
        return true;
    }
    if (contours == -1) {
        log.say("  %3x composite glyph\n", glyph);
        std::vector<Component> parts;
        r.skip(8);
        readComponents(r, parts);
        for (const Component& part : parts) log.say("      subglyph: %3d\n", part.glyph);
        composite = true;
    } else if (contours == 0) {
        log.say("  %3x empty glyph (B)\n", glyph);
    } else {
        log.say("  unrecognized glyph type (numCountours: %d)\n", contours);
    }
    return false;
}

void TrueTypeGlyphs::clearComponentCache() {
    cachedParts_ = 0;
    if (++stamp_ == 0) {
        std::fill(partStamp_.begin(), partStamp_.end(), 0);
        stamp_ = 1;
    }
}

const GlyphOutline* TrueTypeGlyphs::cachedPart(int glyph) const {
    if (partStamp_[glyph] != stamp_) return nullptr;
    const CachedPart& part = partPool_[partSlot_[glyph]];
    return part.glyph == glyph ? &part.outline : nullptr;
}

bool TrueTypeGlyphs::loadGlyph(int glyph, GlyphOutline& out, int depth) {
    if (glyph < 0 || glyph >= numGlyphs_) return false;
    const Location& loc = locations_[glyph];
    if (loc.length == 0) return true;
    ByteReader r = glyf_.slice(loc.offset, loc.length);
    int contours = r.s16();
    r.skip(8);  // bounding box
    if (!r.ok()) return false;
    if (contours > 0) return loadSimple(r, contours, out);
    if (contours == -1) return loadComposite(r, glyph, out, depth);
    return contours == 0;
}

bool TrueTypeGlyphs::loadSimple(ByteReader& r, int contours, GlyphOutline& out) {
    size_t firstPoint = out.points.size();
    size_t firstContour = out.ends.size();
    auto undo = [&] {
        out.points.resize(firstPoint);
        out.ends.resize(firstContour);
        return false;
    };
    if (!r.has(size_t(contours) * 2 + 2)) return false;
    int last = -1;
    for (int c = 0; c < contours; ++c) {
        int end = r.u16();
        if (end <= last) return undo();  // contours must move forward
        last = end;
        out.ends.push_back(static_cast<uint32_t>(firstPoint + end + 1));
    }
    size_t points = size_t(last) + 1;
    if (firstPoint + points > kMaxGlyphPoints) return undo();
    int instructions = r.u16();
    if (!r.skip(instructions)) return undo();

    // Flags, each possibly followed by a repeat count; they say how many bytes each
    // coordinate takes, so both coordinate arrays are checked before they are read.
    flags_.resize(points);
    size_t xBytes = 0, yBytes = 0;
    for (size_t i = 0; i < points;) {
        uint8_t flag = r.u8();
        size_t repeat = (flag & kRepeat) ? size_t(r.u8()) + 1 : 1;
        if (!r.ok() || repeat > points - i) return undo();
        size_t xSize = (flag & kXShort) ? 1 : (flag & kXSame) ? 0 : 2;
        size_t ySize = (flag & kYShort) ? 1 : (flag & kYSame) ? 0 : 2;
        xBytes += xSize * repeat;
        yBytes += ySize * repeat;
        for (size_t k = 0; k < repeat; ++k) flags_[i++] = flag;
    }
    const uint8_t* xs = r.take(xBytes);
    const uint8_t* ys = r.take(yBytes);
    if (!xs || !ys) return undo();
    out.points.resize(firstPoint + points);
    GlyphPoint* p = out.points.data() + firstPoint;
    int32_t x = 0, y = 0;
    size_t xi = 0, yi = 0;
    for (size_t i = 0; i < points; ++i) {
        uint8_t flag = flags_[i];
        if (flag & kXShort) {
            x += (flag & kXSame) ? xs[xi] : -int32_t(xs[xi]);
            xi += 1;
        } else if (!(flag & kXSame)) {
            x += int16_t(xs[xi] << 8 | xs[xi + 1]);
            xi += 2;
        }
        if (flag & kYShort) {
            y += (flag & kYSame) ? ys[yi] : -int32_t(ys[yi]);
            yi += 1;
        } else if (!(flag & kYSame)) {
            y += int16_t(ys[yi] << 8 | ys[yi + 1]);
            yi += 2;
        }
        p[i].x = x;
        p[i].y = y;
        p[i].onCurve = flag & kOnCurve;
    }
    return true;
}

bool TrueTypeGlyphs::readComponents(ByteReader& r, std::vector<Component>& components) {
    uint16_t flags;
    do {
        Component c;
        flags = c.flags = r.u16();
        c.glyph = r.u16();
        if (flags & kArgsAreWords) {
            if (flags & kArgsAreXY) {
                c.arg1 = r.s16();
                c.arg2 = r.s16();
            } else {
                c.arg1 = r.u16();
                c.arg2 = r.u16();
            }
        } else {
            if (flags & kArgsAreXY) {
                c.arg1 = r.s8();
                c.arg2 = r.s8();
            } else {
                c.arg1 = r.u8();
                c.arg2 = r.u8();
            }
        }
        // F2Dot14 values held as 16.16 fixed point.
        if (flags & kHaveScale) {
            c.a = c.d = int32_t(r.s16()) * 4;
            c.transformed = true;
        } else if (flags & kHaveXYScale) {
            c.a = int32_t(r.s16()) * 4;
            c.d = int32_t(r.s16()) * 4;
            c.transformed = true;
        } else if (flags & kHaveTwoByTwo) {
            c.a = int32_t(r.s16()) * 4;
            c.b = int32_t(r.s16()) * 4;
            c.c = int32_t(r.s16()) * 4;
            c.d = int32_t(r.s16()) * 4;
            c.transformed = true;
        }
        if (!r.ok()) return false;
        components.push_back(c);
        if (components.size() > size_t(kMaxComponentVisits)) return false;
    } while (flags & kMoreComponents);
    return true;
}

const GlyphOutline& TrueTypeGlyphs::componentPart(int glyph, int depth) {
    if (const GlyphOutline* part = cachedPart(glyph)) return *part;
    // The entry is claimed before the component is read, so nested reads take later
    // entries; the pool never moves its entries.
    size_t slot = cachedParts_++;
    if (slot == partPool_.size()) partPool_.emplace_back();
    CachedPart& entry = partPool_[slot];
    entry.glyph = -1;
    entry.outline.clear();
    if (!loadGlyph(glyph, entry.outline, depth + 1)) entry.outline.clear();
    entry.glyph = glyph;
    partSlot_[glyph] = static_cast<uint32_t>(slot);
    partStamp_[glyph] = stamp_;
    return entry.outline;
}

bool TrueTypeGlyphs::placeComponent(const Component& c, const GlyphOutline& part, GlyphOutline& built) {
    if (built.points.size() + part.points.size() > kMaxGlyphPoints) return false;
    size_t base = built.points.size();
    for (const GlyphPoint& p : part.points) {
        GlyphPoint q = p;
        if (c.transformed) {
            q.x = clamp32(mulFixed(p.x, c.a) + mulFixed(p.y, c.c));
            q.y = clamp32(mulFixed(p.x, c.b) + mulFixed(p.y, c.d));
        }
        built.points.push_back(q);
    }
    int64_t dx, dy;
    if (c.flags & kArgsAreXY) {
        dx = c.arg1;
        dy = c.arg2;
    } else {
        // Point matching: the component moves so that its point arg2 lands on point
        // arg1 of what is built so far; a component whose points do not exist is left out.
        size_t parentPoint = size_t(c.arg1), childPoint = base + size_t(c.arg2);
        if (parentPoint >= base || childPoint >= built.points.size()) {
            built.points.resize(base);
            return true;
        }
        dx = int64_t(built.points[parentPoint].x) - built.points[childPoint].x;
        dy = int64_t(built.points[parentPoint].y) - built.points[childPoint].y;
    }
    if (dx != 0 || dy != 0) {
        for (size_t i = base; i < built.points.size(); ++i) {
            built.points[i].x = clamp32(built.points[i].x + dx);
            built.points[i].y = clamp32(built.points[i].y + dy);
        }
    }
    for (uint32_t end : part.ends) built.ends.push_back(static_cast<uint32_t>(base + end));
    return true;
}

bool TrueTypeGlyphs::loadComposite(ByteReader& r, int glyph, GlyphOutline& out, int depth) {
    if (depth >= kMaxComponentDepth) return false;
    while (componentPool_.size() <= size_t(depth)) componentPool_.emplace_back();
    while (builtPool_.size() <= size_t(depth)) builtPool_.emplace_back();
    std::vector<Component>& components = componentPool_[depth];
    components.clear();
    if (!readComponents(r, components)) return false;
    glyphStack_.push_back(glyph);
    GlyphOutline& built = builtPool_[depth];
    built.clear();
    bool ok = true;
    for (const Component& c : components) {
        if (++componentVisits_ > kMaxComponentVisits) {
            ok = false;
            break;
        }
        if (c.glyph >= numGlyphs_) continue;  // outside the font: skipped
        if (std::find(glyphStack_.begin(), glyphStack_.end(), c.glyph) != glyphStack_.end()) continue;  // a loop
        if (!placeComponent(c, componentPart(c.glyph, depth), built)) {
            ok = false;
            break;
        }
    }
    glyphStack_.pop_back();
    if (!ok) return false;
    size_t offset = out.points.size();
    out.points.insert(out.points.end(), built.points.begin(), built.points.end());
    for (uint32_t end : built.ends) out.ends.push_back(static_cast<uint32_t>(offset + end));
    return true;
}

void TrueTypeGlyphs::printPoints(const GlyphOutline& outline, ParseLog& log) {
    for (int c = 0; c < outline.contourCount(); ++c) {
        log.say("    { ");
        for (uint32_t i = outline.contourStart(c); i < outline.ends[c]; ++i) {
            const GlyphPoint& p = outline.points[i];
            log.say("[%d %d] %s %s", p.x, p.y, p.onCurve ? "(" : "[", p.onCurve ? ")" : "]");
        }
        log.say("}\n");
    }
}

}  // namespace fw::veltrane
