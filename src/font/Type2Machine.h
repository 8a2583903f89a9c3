#pragma once
// The Type 2 charstring interpreter behind CffReader: runs one glyph's charstring,
// with its subroutines, into on-curve anchors and cubic control points. Numbers and
// the pen position are 16.16 fixed point.

#include <cstddef>
#include <cstdint>

#include "font/ByteReader.h"
#include "font/CffReader.h"
#include "font/GlyphOutline.h"

namespace fw::veltrane {

class Type2Machine {
public:
    // `local` is the glyph's Private DICT (null without one); every operator run,
    // the parts of accented glyphs included, costs one of `budget`.
    Type2Machine(CffReader& cff, const CffReader::Private* local, GlyphOutline& out, int& budget)
        : cff_(cff), local_(local), out_(out), budget_(budget) {}

    // Runs a glyph's charstring with the pen starting at (x, y); `accented` says the
    // glyph is a part of an accented glyph and may not be one itself.
    bool runGlyph(int glyph, int64_t x, int64_t y, bool accented);

private:
    static constexpr int32_t kOne = 1 << 16;
    static constexpr int kTransient = 32;

    bool run(ByteReader code, int depth);
    // One operator of the charstring (not a number, not return).
    bool operate(int op, ByteReader& code, int depth);
    // The operands of a number that starts with byte `b0`.
    bool pushNumber(int b0, ByteReader& code);
    bool push(int64_t v);
    static int toInt(int32_t v) { return v / kOne; }
    // The first stack-clearing operator may carry the advance width before its own
    // arguments: it does when the argument count says so.
    int takeWidth(bool hasExtra);
    void countStems();
    bool call(const CffReader::Index& subrs, int bias, int depth);

    // Path construction: moves, lines and curves, each clearing the stack.
    bool moveOperator(int op);
    bool lineOperator(int op);
    bool curveOperator(int op);
    bool flex(int op);
    bool endChar();
    // The two-byte operators: arithmetic and logic, the stack and transient array,
    // flex.
    bool escape(ByteReader& code);
    bool arithmetic(int op);
    bool stackOperator(int op);

    bool addPoint(bool on);
    static int32_t round(int64_t v);
    void closeContour();
    bool moveTo(int64_t dx, int64_t dy);
    // Drawing before any move starts a contour where the pen is.
    bool ensureOpen();
    bool lineTo(int64_t dx, int64_t dy);
    bool curveTo(int64_t dx1, int64_t dy1, int64_t dx2, int64_t dy2, int64_t dx3, int64_t dy3);

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

}  // namespace fw::veltrane
