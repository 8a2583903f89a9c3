#pragma once
// The Type 2 charstring interpreter behind CffReader: runs one glyph's charstring,
// with its subroutines, into on-curve anchors and cubic control points. Numbers and
// the pen position are 16.16 fixed point.

#include <cstddef>
#include <cstdint>

#include "font/ByteReader.h"
#include "font/CffReader.h"
#include "font/GlyphOutline.h"
#include "font/GlyphPen.h"

namespace fw::veltrane {

class Type2Machine : GlyphPen<Type2Machine, int64_t> {
public:
    // `local` is the glyph's Private DICT (null without one); every operator run,
    // the parts of accented glyphs included, costs one of `budget`.
    Type2Machine(CffReader& cff, const CffReader::Private* local, GlyphOutline& out, int& budget)
        : GlyphPen(out, CffReader::kMaxGlyphPoints), cff_(cff), local_(local), budget_(budget) {}

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

    friend GlyphPen;
    // The pen's 16.16 position as a stored point.
    static void place(int64_t x, int64_t y, GlyphPoint& p);
    static int32_t round(int64_t v);

    CffReader& cff_;
    const CffReader::Private* local_;
    int& budget_;
    int32_t stack_[CffReader::kMaxStack] = {};
    int sp_ = 0;
    int32_t transient_[kTransient] = {};
    int stems_ = 0;
    bool widthSeen_ = false;
    bool ended_ = false;
    bool accented_ = false;
    uint32_t random_ = 1;
};

}  // namespace fw::veltrane
