#include "font/Type2Machine.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace fw::veltrane {

bool Type2Machine::runGlyph(int glyph, int64_t x, int64_t y, bool accented) {
    ByteReader code;
    if (!cff_.element(cff_.charStrings_, static_cast<uint32_t>(glyph), code)) return false;
    x_ = x;
    y_ = y;
    accented_ = accented;
    if (!run(code, 0)) return false;
    closeContour();
    return true;
}

bool Type2Machine::run(ByteReader code, int depth) {
    while (code.remaining() > 0 && !ended_) {
        if (--budget_ < 0) return false;
        int b0 = code.u8();
        if (b0 >= 32) {
            if (!pushNumber(b0, code)) return false;
            continue;
        }
        if (b0 == 11) return depth > 0;  // return
        if (!operate(b0, code, depth)) return false;
    }
    // Running off the end without endchar is taken as its end.
    return true;
}

bool Type2Machine::pushNumber(int b0, ByteReader& code) {
    int64_t v;
    if (b0 <= 246)
        v = b0 - 139;
    else if (b0 <= 250)
        v = (b0 - 247) * 256 + code.u8() + 108;
    else if (b0 <= 254)
        v = -(b0 - 251) * 256 - code.u8() - 108;
    else
        v = code.s32();  // already 16.16
    if (!code.ok()) return false;
    return push(b0 == 255 ? v : v * kOne);
}

bool Type2Machine::operate(int op, ByteReader& code, int depth) {
    switch (op) {
        case 28:
            return push(int64_t(code.s16()) * kOne) && code.ok();
        case 1:   // hstem
        case 3:   // vstem
        case 18:  // hstemhm
        case 23:  // vstemhm
            countStems();
            return true;
        case 19:  // hintmask
        case 20:  // cntrmask
            countStems();
            return code.skip(static_cast<size_t>((stems_ + 7) / 8));
        case 21:  // rmoveto
        case 22:  // hmoveto
        case 4:   // vmoveto
            return moveOperator(op);
        case 5:  // rlineto
        case 6:  // hlineto
        case 7:  // vlineto
            return lineOperator(op);
        case 8:   // rrcurveto
        case 24:  // rcurveline
        case 25:  // rlinecurve
        case 26:  // vvcurveto
        case 27:  // hhcurveto
        case 30:  // vhcurveto
        case 31:  // hvcurveto
            return curveOperator(op);
        case 10:  // callsubr
            return local_ && call(local_->subrs, local_->bias, depth);
        case 29:  // callgsubr
            return call(cff_.globalSubrs_, cff_.globalBias_, depth);
        case 14:  // endchar
            return endChar();
        case 12:
            return escape(code);
        default:  // reserved operators
            sp_ = 0;
            return true;
    }
}

bool Type2Machine::push(int64_t v) {
    if (sp_ >= CffReader::kMaxStack) return false;
    stack_[sp_++] = static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
}

int Type2Machine::takeWidth(bool hasExtra) {
    int first = 0;
    if (!widthSeen_ && hasExtra) first = 1;
    widthSeen_ = true;
    return first;
}

void Type2Machine::countStems() {
    int first = takeWidth(sp_ % 2 == 1);
    stems_ += (sp_ - first) / 2;
    sp_ = 0;
}

bool Type2Machine::call(const CffReader::Index& subrs, int bias, int depth) {
    if (sp_ < 1 || depth >= CffReader::kMaxCallDepth) return false;
    int64_t index = static_cast<int64_t>(toInt(stack_[--sp_])) + bias;
    if (index < 0 || index >= subrs.count) return false;
    ByteReader sub;
    if (!cff_.element(subrs, static_cast<uint32_t>(index), sub)) return false;
    return run(sub, depth + 1);
}

bool Type2Machine::moveOperator(int op) {
    const int32_t* a = stack_;
    bool ok;
    if (op == 21) {
        int i = takeWidth(sp_ > 2);
        ok = sp_ - i >= 2 && moveTo(a[i], a[i + 1]);
    } else {
        int i = takeWidth(sp_ > 1);
        ok = sp_ - i >= 1 && (op == 22 ? moveTo(a[i], 0) : moveTo(0, a[i]));
    }
    sp_ = 0;
    return ok;
}

bool Type2Machine::lineOperator(int op) {
    const int32_t* a = stack_;
    bool ok = true;
    int i = 0;
    if (op == 5) {
        for (; ok && i + 2 <= sp_; i += 2) ok = lineTo(a[i], a[i + 1]);
    } else {
        bool horizontal = op == 6;
        for (; ok && i < sp_; ++i, horizontal = !horizontal) ok = horizontal ? lineTo(a[i], 0) : lineTo(0, a[i]);
    }
    sp_ = 0;
    return ok;
}

bool Type2Machine::curveOperator(int op) {
    const int32_t* a = stack_;
    bool ok = true;
    int i = 0;
    switch (op) {
        case 8:  // rrcurveto
            for (; ok && i + 6 <= sp_; i += 6) ok = curveTo(a[i], a[i + 1], a[i + 2], a[i + 3], a[i + 4], a[i + 5]);
            break;
        case 24:  // rcurveline
            for (; ok && sp_ - i >= 8; i += 6) ok = curveTo(a[i], a[i + 1], a[i + 2], a[i + 3], a[i + 4], a[i + 5]);
            if (ok && sp_ - i >= 2) ok = lineTo(a[i], a[i + 1]);
            break;
        case 25:  // rlinecurve
            for (; ok && sp_ - i >= 8; i += 2) ok = lineTo(a[i], a[i + 1]);
            if (ok && sp_ - i >= 6) ok = curveTo(a[i], a[i + 1], a[i + 2], a[i + 3], a[i + 4], a[i + 5]);
            break;
        case 26:  // vvcurveto
        case 27:  // hhcurveto
        {
            int64_t d1 = 0;
            if (sp_ % 4 == 1) d1 = a[i++];
            for (; ok && i + 4 <= sp_; i += 4, d1 = 0)
                ok = op == 26 ? curveTo(d1, a[i], a[i + 1], a[i + 2], 0, a[i + 3])
                              : curveTo(a[i], d1, a[i + 1], a[i + 2], a[i + 3], 0);
            break;
        }
        default:  // vhcurveto, hvcurveto
        {
            bool vertical = op == 30;
            while (ok && sp_ - i >= 4) {
                bool last = sp_ - i == 5;
                int64_t df = last ? a[i + 4] : 0;
                ok = vertical ? curveTo(0, a[i], a[i + 1], a[i + 2], a[i + 3], df)
                              : curveTo(a[i], 0, a[i + 1], a[i + 2], df, a[i + 3]);
                i += last ? 5 : 4;
                vertical = !vertical;
            }
            break;
        }
    }
    sp_ = 0;
    return ok;
}

bool Type2Machine::flex(int op) {
    const int32_t* a = stack_;
    bool ok = true;
    if (op == 35) {
        if (sp_ < 13) return false;
        ok = curveTo(a[0], a[1], a[2], a[3], a[4], a[5]) && curveTo(a[6], a[7], a[8], a[9], a[10], a[11]);
    } else if (op == 34) {
        if (sp_ < 7) return false;
        ok = curveTo(a[0], 0, a[1], a[2], a[3], 0) && curveTo(a[4], 0, a[5], -int64_t(a[2]), a[6], 0);
    } else if (op == 36) {
        if (sp_ < 9) return false;
        int64_t dy = int64_t(a[1]) + a[3] + a[7];
        ok = curveTo(a[0], a[1], a[2], a[3], a[4], 0) && curveTo(a[5], 0, a[6], a[7], a[8], -dy);
    } else {
        if (sp_ < 11) return false;
        int64_t dx = 0, dy = 0;
        for (int k = 0; k < 10; k += 2) {
            dx += a[k];
            dy += a[k + 1];
        }
        int64_t dx6 = a[10], dy6 = a[10];
        if (std::llabs(dx) > std::llabs(dy))
            dy6 = -dy;
        else
            dx6 = -dx;
        ok = curveTo(a[0], a[1], a[2], a[3], a[4], a[5]) && curveTo(a[6], a[7], a[8], a[9], dx6, dy6);
    }
    sp_ = 0;
    return ok;
}

bool Type2Machine::endChar() {
    int first = takeWidth(sp_ == 1 || sp_ == 5);
    if (sp_ - first >= 4) {
        // An accented glyph: base and accent named by standard-encoding codes,
        // the accent's origin moved to (adx, ady).
        if (accented_) return false;
        int64_t adx = stack_[first], ady = stack_[first + 1];
        int base = cff_.glyphForStandardCode(toInt(stack_[first + 2]));
        int accent = cff_.glyphForStandardCode(toInt(stack_[first + 3]));
        if (base < 0 || accent < 0) return false;
        closeContour();
        Type2Machine baseMachine(cff_, local_, out_, budget_);
        if (!baseMachine.runGlyph(base, 0, 0, true)) return false;
        Type2Machine accentMachine(cff_, local_, out_, budget_);
        if (!accentMachine.runGlyph(accent, adx, ady, true)) return false;
    }
    closeContour();
    sp_ = 0;
    ended_ = true;
    return true;
}

bool Type2Machine::escape(ByteReader& code) {
    int op = code.u8();
    if (!code.ok()) return false;
    switch (op) {
        case 3:   // and
        case 4:   // or
        case 5:   // not
        case 9:   // abs
        case 10:  // add
        case 11:  // sub
        case 12:  // div
        case 14:  // neg
        case 15:  // eq
        case 22:  // ifelse
        case 23:  // random
        case 24:  // mul
        case 26:  // sqrt
            return arithmetic(op);
        case 18:  // drop
        case 20:  // put
        case 21:  // get
        case 27:  // dup
        case 28:  // exch
        case 29:  // index
        case 30:  // roll
            return stackOperator(op);
        case 34:  // hflex
        case 35:  // flex
        case 36:  // hflex1
        case 37:  // flex1
            return flex(op);
        default:  // dotsection and reserved operators: nothing to draw
            sp_ = 0;
            return true;
    }
}

bool Type2Machine::arithmetic(int op) {
    int32_t* s = stack_;
    switch (op) {
        case 3:  // and
        case 4:  // or
            if (sp_ < 2) return false;
            --sp_;
            s[sp_ - 1] = op == 3 ? ((s[sp_ - 1] && s[sp_]) ? kOne : 0) : ((s[sp_ - 1] || s[sp_]) ? kOne : 0);
            return true;
        case 5:  // not
            if (sp_ < 1) return false;
            s[sp_ - 1] = s[sp_ - 1] ? 0 : kOne;
            return true;
        case 9:  // abs
            if (sp_ < 1) return false;
            s[sp_ - 1] = static_cast<int32_t>(static_cast<uint32_t>(std::llabs(s[sp_ - 1])));
            return true;
        case 14:  // neg
            if (sp_ < 1) return false;
            s[sp_ - 1] = static_cast<int32_t>(static_cast<uint32_t>(-static_cast<int64_t>(s[sp_ - 1])));
            return true;
        case 15:  // eq
            if (sp_ < 2) return false;
            --sp_;
            s[sp_ - 1] = s[sp_ - 1] == s[sp_] ? kOne : 0;
            return true;
        case 22: {  // ifelse
            if (sp_ < 4) return false;
            int32_t v = s[sp_ - 2] <= s[sp_ - 1] ? s[sp_ - 4] : s[sp_ - 3];
            sp_ -= 4;
            return push(v);
        }
        case 23:  // random: a value in (0, 1], repeatable from glyph to glyph
            random_ = random_ * 1103515245u + 12345u;
            return push((random_ >> 16) % 0xFFFF + 1);
        case 26: {  // sqrt
            if (sp_ < 1) return false;
            double v = s[sp_ - 1] > 0 ? std::sqrt(s[sp_ - 1] / 65536.0) * 65536.0 : 0.0;
            s[sp_ - 1] = static_cast<int32_t>(v);
            return true;
        }
        default: {  // add, sub, mul, div
            if (sp_ < 2) return false;
            int64_t a = s[sp_ - 2], b = s[sp_ - 1];
            int64_t r = 0;
            if (op == 10) r = a + b;
            if (op == 11) r = a - b;
            if (op == 24) r = (a * b) / kOne;
            if (op == 12) r = b == 0 ? 0 : (a * kOne) / b;
            sp_ -= 2;
            return push(r);
        }
    }
}

bool Type2Machine::stackOperator(int op) {
    int32_t* s = stack_;
    switch (op) {
        case 18:  // drop
            if (sp_ < 1) return false;
            --sp_;
            return true;
        case 20: {  // put
            if (sp_ < 2) return false;
            int i = toInt(s[sp_ - 1]);
            if (i < 0 || i >= kTransient) return false;
            transient_[i] = s[sp_ - 2];
            sp_ -= 2;
            return true;
        }
        case 21: {  // get
            if (sp_ < 1) return false;
            int i = toInt(s[sp_ - 1]);
            if (i < 0 || i >= kTransient) return false;
            s[sp_ - 1] = transient_[i];
            return true;
        }
        case 27:  // dup
            if (sp_ < 1) return false;
            return push(s[sp_ - 1]);
        case 28:  // exch
            if (sp_ < 2) return false;
            std::swap(s[sp_ - 1], s[sp_ - 2]);
            return true;
        case 29: {  // index
            if (sp_ < 1) return false;
            int i = toInt(s[sp_ - 1]);
            if (i < 0) i = 0;
            if (i >= sp_ - 1) return false;
            s[sp_ - 1] = s[sp_ - 2 - i];
            return true;
        }
        default: {  // roll
            if (sp_ < 2) return false;
            int n = toInt(s[sp_ - 2]), j = toInt(s[sp_ - 1]);
            sp_ -= 2;
            if (n < 0 || n > sp_) return false;
            if (n > 0) {
                int shift = ((j % n) + n) % n;
                int32_t tmp[CffReader::kMaxStack];
                int32_t* top = s + sp_ - n;
                for (int k = 0; k < n; ++k) tmp[(k + shift) % n] = top[k];
                std::memcpy(top, tmp, sizeof(int32_t) * static_cast<size_t>(n));
            }
            return true;
        }
    }
}

void Type2Machine::place(int64_t x, int64_t y, GlyphPoint& p) {
    p.x = round(x);
    p.y = round(y);
}

int32_t Type2Machine::round(int64_t v) {
    int64_t r = (v + 0x8000) >> 16;
    if (r > INT32_MAX) return INT32_MAX;
    if (r < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(r);
}

}  // namespace fw::veltrane
