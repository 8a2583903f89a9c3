#pragma once
// The quadratic outlines of a TrueType font: the location table ("loca") that says
// where each glyph lies and the glyph table ("glyf") of simple glyphs (contours of
// on- and off-curve points) and composite ones (other glyphs moved, scaled and
// combined, to any depth up to a limit).

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "font/ByteReader.h"
#include "font/GlyphOutline.h"
#include "font/ParseLog.h"
#include "font/SfntDirectory.h"

namespace fw::veltrane {

class TrueTypeGlyphs {
public:
    // Limits that keep hostile fonts from running away.
    static constexpr int kMaxComponentDepth = 16;
    static constexpr size_t kMaxGlyphPoints = 1 << 16;
    static constexpr int kMaxComponentVisits = 1 << 16;

    // Reads "loca" and takes "glyf" from the directory, whose file must outlive this
    // one. A glyph that runs backwards or past the glyph table is left empty.
    bool read(const SfntDirectory& directory, int glyphCount, int locaFormat, ParseLog& log);

    // The contours of one glyph, composite glyphs resolved, appended to `out`. False
    // for a glyph that cannot be read (`out` may then hold part of it).
    bool outline(int glyph, GlyphOutline& out);

    // What the first pass of a parse does with one slot's glyph, listing its kind on
    // the console: a simple glyph is read into `out` (true; with `listPoints`, its
    // points are listed too); a composite glyph is only listed, with its parts, and
    // `composite` set, to be put together by `outline` once every slot is read.
    bool readSlot(int glyph, GlyphOutline& out, bool& composite, bool listPoints, ParseLog& log);

private:
    struct Location {
        uint32_t offset = 0;
        uint32_t length = 0;
    };
    struct Component {
        uint16_t flags = 0;
        int glyph = 0;
        int32_t arg1 = 0, arg2 = 0;
        // The 2 by 2 matrix (a b c d) in 16.16 fixed point.
        int32_t a = 1 << 16, b = 0, c = 0, d = 1 << 16;
        bool transformed = false;
    };
    struct CachedPart {
        int glyph = -1;
        GlyphOutline outline;
    };

    // Forgets the parts and nesting of the glyph read before.
    void startGlyph();
    bool loadGlyph(int glyph, GlyphOutline& out, int depth);
    bool loadSimple(ByteReader& r, int contours, GlyphOutline& out);
    bool loadComposite(ByteReader& r, int glyph, GlyphOutline& out, int depth);
    // One component placed into `built`: transformed, then moved by its offset or so
    // that its point lands on the matching point of what is built so far.
    bool placeComponent(const Component& c, const GlyphOutline& part, GlyphOutline& built);
    const GlyphOutline& componentPart(int glyph, int depth);
    static bool readComponents(ByteReader& r, std::vector<Component>& components);
    static void printPoints(const GlyphOutline& outline, ParseLog& log);

    int numGlyphs_ = 0;
    std::vector<Location> locations_;
    ByteReader glyf_;

    // Components are resolved once per glyph, so shared parts cost nothing twice:
    // the first `cachedParts_` entries of a pool whose buffers are reused, found
    // through a slot per glyph that is valid while its stamp is the current one.
    void clearComponentCache();
    const GlyphOutline* cachedPart(int glyph) const;
    std::deque<CachedPart> partPool_;
    size_t cachedParts_ = 0;
    std::vector<uint32_t> partSlot_;
    std::vector<uint32_t> partStamp_;
    uint32_t stamp_ = 1;
    // Working buffers per nesting depth of composite glyphs.
    std::deque<std::vector<Component>> componentPool_;
    std::deque<GlyphOutline> builtPool_;
    std::vector<int> glyphStack_;
    int componentVisits_ = 0;
    std::vector<uint8_t> flags_;
};

}  // namespace fw::veltrane
