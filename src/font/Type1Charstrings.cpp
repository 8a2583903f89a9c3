#include "font/Type1Charstrings.h"

#include <cmath>
#include <utility>

#include "font/GlyphPen.h"
#include "font/Type1Encoding.h"

namespace fw::veltrane {

namespace {

// Flex: the reference point and six more, as x and y each, then the othersubr's three
// arguments.
constexpr int kFlexValues = 17;

// Numbers grow without bound through div; whatever they reach, a whole number within
// int32_t comes out (0 for what is not a number).
int32_t toInt(double v) {
    if (!(v == v)) return 0;
    v = std::floor(v + 0.5);
    if (v < -2147483647.0) return -2147483647;
    if (v > 2147483647.0) return 2147483647;
    return static_cast<int32_t>(v);
}

}  // namespace

// One run of a glyph's charstring. The parts of an accented character run in
// machines of their own that draw into the same outline from their own origin.
class Type1Machine : GlyphPen<Type1Machine, double> {
public:
    Type1Machine(const Type1Charstrings& font, GlyphOutline& out, ParseLog& log, int& budget)
        : GlyphPen(out, Type1Charstrings::kMaxGlyphPoints), font_(font), log_(log), budget_(budget) {}

    // False when the charstring cannot be run at all.
    bool runGlyph(int glyph, double originX, double originY, bool accented);
    const Type1Charstrings::Metrics& metrics() const { return metrics_; }

private:
    bool run(const uint8_t* code, size_t size, int depth);
    void push(double v);
    // An operator taking `count` operands from the bottom of the stack; false (and
    // the stack cleared) when fewer are there.
    bool need(int count);
    bool operate(int op);
    bool escape(int op);
    void callOtherSubr();
    void flexEnd(const double* args);
    bool seac();

    friend GlyphPen;
    // The pen's position, from the glyph's origin, through the font matrix.
    void place(double x, double y, GlyphPoint& p) const;
    bool moveTo(double dx, double dy);

    const Type1Charstrings& font_;
    ParseLog& log_;
    int& budget_;
    double stack_[Type1Charstrings::kMaxStack] = {};
    int sp_ = 0;
    // What othersubrs hand back, for pop to take.
    double results_[Type1Charstrings::kMaxStack] = {};
    int resultCount_ = 0;
    double originX_ = 0, originY_ = 0;
    double sbx_ = 0;
    Type1Charstrings::Metrics metrics_;
    bool ended_ = false;
    bool accented_ = false;
    bool flexing_ = false;
    double flex_[kFlexValues] = {};
    double flexStartX_ = 0, flexStartY_ = 0;
    int flexCount_ = 0;
};

bool Type1Machine::runGlyph(int glyph, double originX, double originY, bool accented) {
    if (glyph < 0 || glyph >= font_.glyphCount()) return false;
    const Type1Charstrings::Span& span = font_.glyphs_[static_cast<size_t>(glyph)];
    originX_ = originX;
    originY_ = originY;
    accented_ = accented;
    if (!run(font_.begin(span), span.size, 0)) return false;
    closeContour();
    return true;
}

bool Type1Machine::run(const uint8_t* code, size_t size, int depth) {
    size_t pos = 0;
    while (pos < size && !ended_) {
        if (--budget_ < 0) return false;
        int b0 = code[pos++];
        if (b0 >= 32) {
            double v;
            if (b0 <= 246) {
                v = b0 - 139;
            } else if (b0 <= 254) {
                if (pos >= size) return true;
                int b1 = code[pos++];
                v = b0 <= 250 ? (b0 - 247) * 256 + b1 + 108 : -(b0 - 251) * 256 - b1 - 108;
            } else {
                if (size - pos < 4) return true;
                uint32_t u = uint32_t(code[pos]) << 24 | uint32_t(code[pos + 1]) << 16 | uint32_t(code[pos + 2]) << 8 |
                             code[pos + 3];
                pos += 4;
                v = static_cast<int32_t>(u);
            }
            push(v);
            continue;
        }
        if (b0 == 11) return true;  // return
        if (b0 == 12) {
            if (pos >= size) return true;
            if (!escape(code[pos++])) return false;
            continue;
        }
        if (b0 == 10) {  // callsubr
            if (!need(1)) continue;
            double index = stack_[--sp_];
            const Type1Charstrings::Span* sub = nullptr;
            if (index >= 0 && index < static_cast<double>(font_.subrs_.size()))
                sub = &font_.subrs_[static_cast<size_t>(index)];
            if (!sub || !sub->present) {
                log_.say(" >> ERROR: can't find subr: %d <<", toInt(index));
                continue;
            }
            // Subroutines calling each other deeper than the format allows are left out.
            if (depth >= Type1Charstrings::kMaxCallDepth) continue;
            if (!run(font_.begin(*sub), sub->size, depth + 1)) return false;
            continue;
        }
        if (!operate(b0)) return false;
    }
    // Running off the end without endchar or return is taken as either.
    return true;
}

void Type1Machine::push(double v) {
    // A runaway stack is dropped rather than read past.
    if (sp_ >= Type1Charstrings::kMaxStack) sp_ = 0;
    stack_[sp_++] = v;
}

bool Type1Machine::need(int count) {
    if (sp_ >= count) return true;
    sp_ = 0;
    return false;
}

bool Type1Machine::operate(int op) {
    const double* a = stack_;
    bool ok = true;
    switch (op) {
        case 1:  // hstem
        case 3:  // vstem
            break;
        case 4:  // vmoveto
            if (need(1)) ok = moveTo(0, a[0]);
            break;
        case 5:  // rlineto
            if (need(2)) ok = lineTo(a[0], a[1]);
            break;
        case 6:  // hlineto
            if (need(1)) ok = lineTo(a[0], 0);
            break;
        case 7:  // vlineto
            if (need(1)) ok = lineTo(0, a[0]);
            break;
        case 8:  // rrcurveto
            if (need(6)) ok = curveTo(a[0], a[1], a[2], a[3], a[4], a[5]);
            break;
        case 9:  // closepath: the pen stays where it is
            closeContour();
            break;
        case 13:  // hsbw
            if (need(2)) {
                sbx_ = a[0];
                x_ = a[0];
                y_ = 0;
                metrics_.advance = toInt(a[1] * font_.matrix_[0]);
                metrics_.lsb = toInt(a[0] * font_.matrix_[0] + font_.matrix_[4]);
            }
            break;
        case 14:  // endchar
            closeContour();
            ended_ = true;
            break;
        case 21:  // rmoveto
            if (need(2)) ok = moveTo(a[0], a[1]);
            break;
        case 22:  // hmoveto
            if (need(1)) ok = moveTo(a[0], 0);
            break;
        case 30:  // vhcurveto
            if (need(4)) ok = curveTo(0, a[0], a[1], a[2], a[3], 0);
            break;
        case 31:  // hvcurveto
            if (need(4)) ok = curveTo(a[0], 0, a[1], a[2], 0, a[3]);
            break;
        default:
            log_.say(" UNKNOWN_CMD(%d,%d)", op, 0);
            break;
    }
    sp_ = 0;
    return ok;
}

bool Type1Machine::escape(int op) {
    const double* a = stack_;
    switch (op) {
        case 0:  // dotsection
        case 1:  // vstem3
        case 2:  // hstem3
            break;
        case 6:  // seac
            if (need(5) && !seac()) return false;
            break;
        case 7:  // sbw
            if (need(4)) {
                sbx_ = a[0];
                x_ = a[0];
                y_ = a[1];
                metrics_.advance = toInt(a[2] * font_.matrix_[0] + a[3] * font_.matrix_[2]);
                metrics_.lsb = toInt(a[0] * font_.matrix_[0] + a[1] * font_.matrix_[2] + font_.matrix_[4]);
            }
            break;
        case 12:  // div: the only operator that leaves its result
            if (need(2)) {
                double d = a[sp_ - 1];
                --sp_;
                stack_[sp_ - 1] = d == 0 ? 0 : stack_[sp_ - 1] / d;
            }
            return true;
        case 16:  // callothersubr
            callOtherSubr();
            return true;
        case 17:  // pop
            if (resultCount_ > 0) push(results_[--resultCount_]);
            return true;
        case 33:  // setcurrentpoint
            if (need(2)) {
                x_ = a[0];
                y_ = a[1];
            }
            break;
        default:
            log_.say(" UNKNOWN_CMD(%d,%d)", 12, op);
            break;
    }
    sp_ = 0;
    return true;
}

void Type1Machine::callOtherSubr() {
    if (!need(2)) return;
    int which = toInt(stack_[sp_ - 1]);
    int n = toInt(stack_[sp_ - 2]);
    sp_ -= 2;
    if (n < 0 || n > sp_) {
        sp_ = 0;
        return;
    }
    sp_ -= n;
    const double* args = stack_ + sp_;
    resultCount_ = 0;
    if (which == 1 && n == 0) {  // flex starts: the moves that follow only collect points
        if (!ensureOpen()) return;
        log_.say(" FLEX[");
        flexing_ = true;
        flexStartX_ = x_;
        flexStartY_ = y_;
        flexCount_ = 0;
        return;
    }
    if (which == 2 && n == 0 && flexing_) return;  // each move has added its point already
    if (which == 0 && n == 3 && flexing_) {
        flexEnd(args);
        return;
    }
    if (which == 3 && n == 1) {
        // Hint replacement: the subroutine to call comes back as 3, whose job is nothing.
        results_[resultCount_++] = 3;
        return;
    }
    // Othersubrs of nothing we draw hand their arguments back, the last popped first.
    for (int i = 0; i < n; ++i) results_[resultCount_++] = args[i];
}

void Type1Machine::flexEnd(const double* args) {
    flexing_ = false;
    int found = flexCount_;
    for (int i = 0; i < 3; ++i, ++found)
        if (found < kFlexValues) flex_[found] = args[i];
    if (found != kFlexValues) log_.say(" >> ERROR: expecting 17 flex points, found: %d <<", found);
    if (found >= kFlexValues) {
        // The first point is only the reference; the six after it are two curves that
        // meet at the flex's middle point, drawn from where the flex began.
        const double* p = flex_ + 2;
        x_ = flexStartX_;
        y_ = flexStartY_;
        for (int k = 0; k < 12; k += 6)
            curveTo(p[k] - x_, p[k + 1] - y_, p[k + 2] - p[k], p[k + 3] - p[k + 1], p[k + 4] - p[k + 2],
                    p[k + 5] - p[k + 3]);
    }
    log_.say("]FLEX");
    // setcurrentpoint takes the end point back, x popped first.
    results_[0] = args[2];
    results_[1] = args[1];
    resultCount_ = 2;
}

bool Type1Machine::seac() {
    // An accented character: the base and the accent named by their StandardEncoding
    // codes, the accent's origin at (adx - asb) from the side bearing this charstring
    // set (which fonts make the base's), as interpreters have always placed it.
    double asb = stack_[0], adx = stack_[1], ady = stack_[2];
    int bchar = toInt(stack_[3]), achar = toInt(stack_[4]);
    sp_ = 0;
    closeContour();
    ended_ = true;
    if (accented_) return true;  // the parts of an accented character may not be accented
    const char* baseName = standardEncodingName(bchar);
    const char* accentName = standardEncodingName(achar);
    int base = baseName ? font_.glyphNamed(baseName) : -1;
    int accent = accentName ? font_.glyphNamed(accentName) : -1;
    if (base < 0 || accent < 0) return true;
    Type1Machine baseMachine(font_, out_, log_, budget_);
    if (!baseMachine.runGlyph(base, originX_, originY_, true)) return false;
    Type1Machine accentMachine(font_, out_, log_, budget_);
    return accentMachine.runGlyph(accent, originX_ + adx - asb + sbx_, originY_ + ady, true);
}

void Type1Machine::place(double x, double y, GlyphPoint& p) const {
    font_.transform(x + originX_, y + originY_, p.x, p.y);
}

// Within a flex the moves only collect its points; the curves are drawn at its end.
bool Type1Machine::moveTo(double dx, double dy) {
    if (!flexing_) return GlyphPen::moveTo(dx, dy);
    x_ += dx;
    y_ += dy;
    if (flexCount_ + 2 <= kFlexValues - 3) {
        flex_[flexCount_] = x_;
        flex_[flexCount_ + 1] = y_;
    }
    flexCount_ += 2;
    return true;
}

void Type1Charstrings::clear() {
    lenIV_ = 4;
    bytes_.clear();
    subrs_.clear();
    glyphs_.clear();
    names_.clear();
    byName_.clear();
}

void Type1Charstrings::setMatrix(const double matrix[6]) {
    for (int i = 0; i < 6; ++i) matrix_[i] = matrix[i] * 1000.0;
}

void Type1Charstrings::transform(double x, double y, int32_t& outX, int32_t& outY) const {
    outX = toInt(matrix_[0] * x + matrix_[2] * y + matrix_[4]);
    outY = toInt(matrix_[1] * x + matrix_[3] * y + matrix_[5]);
}

Type1Charstrings::Span Type1Charstrings::decrypt(const uint8_t* bytes, size_t size) {
    Span span;
    span.present = true;
    span.offset = static_cast<uint32_t>(bytes_.size());
    if (lenIV_ < 0) {
        bytes_.insert(bytes_.end(), bytes, bytes + size);
        span.size = static_cast<uint32_t>(size);
        return span;
    }
    size_t skip = static_cast<size_t>(lenIV_);
    if (size <= skip) return span;
    bytes_.resize(bytes_.size() + size - skip);
    uint8_t* plain = bytes_.data() + span.offset;
    type1Decrypt(kCharstringKey, bytes, size, skip, plain);
    span.size = static_cast<uint32_t>(size - skip);
    return span;
}

void Type1Charstrings::reserveSubrs(size_t count) { subrs_.assign(count, Span()); }

bool Type1Charstrings::addSubr(size_t index, const uint8_t* bytes, size_t size) {
    if (index >= subrs_.size()) return false;
    subrs_[index] = decrypt(bytes, size);
    return true;
}

void Type1Charstrings::addGlyph(std::string_view name, const uint8_t* bytes, size_t size) {
    glyphs_.push_back(decrypt(bytes, size));
    names_.emplace_back(name);
}

void Type1Charstrings::finish() {
    int notdef = -1;
    for (size_t g = 0; g < names_.size() && notdef < 0; ++g)
        if (names_[g] == ".notdef") notdef = static_cast<int>(g);
    if (notdef < 0) {
        Span empty;
        empty.present = true;
        glyphs_.push_back(empty);
        names_.emplace_back(".notdef");
        notdef = static_cast<int>(glyphs_.size()) - 1;
    }
    std::swap(glyphs_[0], glyphs_[static_cast<size_t>(notdef)]);
    std::swap(names_[0], names_[static_cast<size_t>(notdef)]);
    byName_.clear();
    byName_.reserve(names_.size());
    for (size_t g = 0; g < names_.size(); ++g) byName_.emplace(names_[g], static_cast<int>(g));
}

int Type1Charstrings::glyphNamed(std::string_view name) const {
    auto it = byName_.find(std::string(name));
    return it == byName_.end() ? -1 : it->second;
}

bool Type1Charstrings::outline(int glyph, GlyphOutline& out, Metrics& metrics, ParseLog& log) const {
    out.clear();
    metrics = Metrics();
    int budget = kMaxOperators;
    Type1Machine machine(*this, out, log, budget);
    if (!machine.runGlyph(glyph, 0, 0, false)) {
        out.clear();
        return false;
    }
    metrics = machine.metrics();
    return true;
}

}  // namespace fw::veltrane
