#include "profile/Curve2.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw {

namespace {

// Beyond this many samples a length estimate stops refining: a segment that folds
// back onto itself never passes the bend test.
constexpr int kMaxLengthSamples = Curve2::kLengthSamples + 64 * Curve2::kLengthSampleStep;
// Samples of the table that arc-length cuts of a Bezier are looked up in.
constexpr int kCutSamples = 512;
// Control points evaluated in fixed-size buffers.
constexpr int kLocalPoints = 16;

const char* typeName(uint16_t type) {
    switch (type) {
        case Curve2::Bezier: return "Bezier";
        case Curve2::Empty: return "Empty";
        default: return "Linear";
    }
}

const char* const kPointTypes[] = {"ANCHOR", "HANDLE_FIXED", "HANDLE_BROKEN"};
const char* const kCornerTypes[] = {"NONE", "BEVEL", "ROUND", "ROUND2"};

template <size_t N>
int lookup(const char* const (&names)[N], const char* word) {
    for (size_t i = 0; i < N; ++i)
        if (std::strcmp(names[i], word) == 0) return static_cast<int>(i);
    return -1;
}

int readType(CommandIO& io, CommandEnabler& r) {
    char word[CommandIO::kTokenSize];
    if (io.readToken(word, sizeof word) != 0) return -1;
    uint16_t type;
    if (std::strcmp(word, "Linear") == 0)
        type = Curve2::Linear;
    else if (std::strcmp(word, "Bezier") == 0)
        type = Curve2::Bezier;
    else if (std::strcmp(word, "Empty") == 0)
        type = Curve2::Empty;
    else
        return -1;
    receiverAs<Curve2>(r).type = type;
    return 0;
}

int readPoint(CommandIO& io, CommandEnabler& r) {
    double xy[2];
    if (io.readVector2(xy) != 0) return -1;
    receiverAs<Curve2>(r).addPoint(CurvePoint::anchor(xy[0], xy[1]));
    return 0;
}

// The point lines describe the point appended last; before the first "p" there is
// none, and the line is read and dropped.
CurvePoint* lastPoint(CommandEnabler& r) {
    Curve2& c = receiverAs<Curve2>(r);
    return c.pointCount() ? &c.lastPoint() : nullptr;
}

int readPointType(CommandIO& io, CommandEnabler& r) {
    char word[CommandIO::kTokenSize];
    if (io.readToken(word, sizeof word) != 0) return -1;
    int type = lookup(kPointTypes, word);
    if (type < 0) return -1;
    if (CurvePoint* p = lastPoint(r)) p->pointType = static_cast<int16_t>(type);
    return 0;
}

int readCornerType(CommandIO& io, CommandEnabler& r) {
    char word[CommandIO::kTokenSize];
    if (io.readToken(word, sizeof word) != 0) return -1;
    int type = lookup(kCornerTypes, word);
    if (type < 0) return -1;
    if (CurvePoint* p = lastPoint(r)) p->cornerType = static_cast<int16_t>(type);
    return 0;
}

template <double CurvePoint::*Field>
int readPointDouble(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    if (CurvePoint* p = lastPoint(r)) p->*Field = v;
    return 0;
}

template <uint16_t Bit>
int readFlag(CommandIO& io, CommandEnabler& r) {
    int on;
    if (io.readInt(on) != 0) return -1;
    if (on) receiverAs<Curve2>(r).flags |= Bit;
    return 0;
}

// Each point's lines follow its "p" line, so they are written with it.
int writePoints(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    const Curve2& c = receiverAs<Curve2>(r);
    for (int i = 0; i < c.pointCount(); ++i) {
        const CurvePoint& p = c.point(i);
        if (io.writef("%s %g %g\n", keyword, p.x, p.y) != 0) return -1;
        if (p.isAnchor()) {
            int corner = p.cornerType >= 0 && p.cornerType <= CurvePoint::ROUND2 ? p.cornerType : 0;
            if (io.writef("pType ANCHOR\n") != 0 || io.writef("pCornerType %s\n", kCornerTypes[corner]) != 0)
                return -1;
            if (corner != CurvePoint::NONE && io.writef("pCornerRadius %g\n", p.cornerRadius) != 0) return -1;
        } else {
            if (io.writef("pType %s\n", p.pointType == CurvePoint::HANDLE_FIXED ? "HANDLE_FIXED" : "HANDLE_BROKEN") != 0)
                return -1;
        }
        if (io.writef("pPointTightness %g\n", p.pointTightness) != 0) return -1;
    }
    return 0;
}

int writeType(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, std::string(typeName(receiverAs<Curve2>(r).type)), spelling);
}

template <uint16_t Bit>
int writeFlag(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, (receiverAs<Curve2>(r).flags & Bit) != 0, spelling);
}

// A placeholder segment stores its type only.
bool notEmpty(CommandEnabler& r) { return receiverAs<Curve2>(r).type != Curve2::Empty; }

constexpr FieldTable::Line kCurve2Lines[] = {
    {"type", readType, writeType},
    {"p", readPoint, writePoints, Spelling::bare, notEmpty},
    {"pType", readPointType},
    {"pCornerType", readCornerType},
    {"pCornerRadius", readPointDouble<&CurvePoint::cornerRadius>},
    {"pPointTightness", readPointDouble<&CurvePoint::pointTightness>},
    {"attachedHead", readFlag<Curve2::kAttachedHead>, writeFlag<Curve2::kAttachedHead>, Spelling::bare, notEmpty},
    {"attachedTail", readFlag<Curve2::kAttachedTail>, writeFlag<Curve2::kAttachedTail>, Spelling::bare, notEmpty},
    {"closed", readFlag<Curve2::kClosed>, writeFlag<Curve2::kClosed>, Spelling::bare, notEmpty},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kCurve2Table{kCurve2Lines};

// Plain square roots: profile coordinates are far from overflowing, and std::hypot's
// care costs a quarter of a flattening.
double distance(double ax, double ay, double bx, double by) {
    double dx = bx - ax, dy = by - ay;
    return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

Curve2::Curve2(uint16_t type) : type(type) { kCurve2Table.registerInto(*this); }

Curve2::Curve2(const Curve2& other) : CommandEnabler(other), flags(other.flags), type(other.type) {
    *this = other;
}

Curve2& Curve2::operator=(const Curve2& other) {
    if (this == &other) return *this;
    flags = other.flags;
    type = other.type;
    points_.clear();
    for (int i = 0; i < other.points_.count(); ++i) points_.append(other.points_[i]);
    length_ = other.length_;
    arcLengths_.clear();
    for (int i = 0; i < other.arcLengths_.count(); ++i) arcLengths_.append(other.arcLengths_[i]);
    return *this;
}

Curve2::~Curve2() = default;

CommandTable& Curve2::commandTable() {
    static CommandTable table;
    return table;
}

int Curve2::writeCommands(CommandIO& io) { return kCurve2Table.write(io, *this); }

bool Curve2::hasGeometry() const {
    if (type == Empty) return false;
    return points_.count() >= (type == Bezier ? 4 : 2);
}

void Curve2::evaluateAt(double t, double point[2], double normal[2]) const {
    point[0] = point[1] = normal[0] = normal[1] = 0;
    int n = points_.count();
    if (type == Bezier) {
        if (n == 0) return;
        // Cubics and other low degrees are evaluated without touching the heap.
        double xsLocal[kLocalPoints], ysLocal[kLocalPoints];
        std::vector<double> xsHeap, ysHeap;
        double *xs = xsLocal, *ys = ysLocal;
        if (n > kLocalPoints) {
            xsHeap.resize(static_cast<size_t>(n));
            ysHeap.resize(static_cast<size_t>(n));
            xs = xsHeap.data();
            ys = ysHeap.data();
        }
        for (int i = 0; i < n; ++i) {
            xs[i] = points_[i].x;
            ys[i] = points_[i].y;
        }
        double dx = points_[n - 1].x - points_[0].x, dy = points_[n - 1].y - points_[0].y;
        for (int level = n - 1; level > 0; --level) {
            if (level == 1) {
                // The last pair before the point itself lies along the tangent.
                double tx = xs[1] - xs[0], ty = ys[1] - ys[0];
                if (tx * tx + ty * ty >= 1e-5) {
                    dx = tx;
                    dy = ty;
                }
            }
            for (int i = 0; i < level; ++i) {
                xs[i] = (1 - t) * xs[i] + t * xs[i + 1];
                ys[i] = (1 - t) * ys[i] + t * ys[i + 1];
            }
        }
        point[0] = xs[0];
        point[1] = ys[0];
        normal[0] = -dy;
        normal[1] = dx;
        unitDirection(normal);
        return;
    }
    if (n < 2) return;
    double target = length_ * t, sum = 0;
    int lastEdge = -1;
    for (int i = 0; i + 1 < n; ++i) {
        const CurvePoint &a = points_[i], &b = points_[i + 1];
        double edge = distance(a.x, a.y, b.x, b.y);
        if (edge <= 0) continue;
        lastEdge = i;
        if (sum + edge >= target) {
            double f = std::clamp((target - sum) / edge, 0.0, 1.0);
            point[0] = a.x + f * (b.x - a.x);
            point[1] = a.y + f * (b.y - a.y);
            normal[0] = -(b.y - a.y) / edge;
            normal[1] = (b.x - a.x) / edge;
            return;
        }
        sum += edge;
    }
    // Rounding left the target just past the end: the end of the last real edge.
    if (lastEdge < 0) {
        point[0] = points_[0].x;
        point[1] = points_[0].y;
        return;
    }
    const CurvePoint &a = points_[lastEdge], &b = points_[lastEdge + 1];
    double edge = distance(a.x, a.y, b.x, b.y);
    point[0] = b.x;
    point[1] = b.y;
    normal[0] = -(b.y - a.y) / edge;
    normal[1] = (b.x - a.x) / edge;
}

void Curve2::computeLength() {
    length_ = 0;
    arcLengths_.clear();
    int n = points_.count();
    if (type == Linear) {
        for (int i = 0; i + 1 < n; ++i) length_ += distance(points_[i].x, points_[i].y, points_[i + 1].x, points_[i + 1].y);
        return;
    }
    if (type != Bezier || n < 2) return;
    std::vector<double> xs, ys;
    for (int samples = kLengthSamples;; samples += kLengthSampleStep) {
        xs.resize(static_cast<size_t>(samples));
        ys.resize(static_cast<size_t>(samples));
        double normal[2], p[2];
        for (int k = 0; k < samples; ++k) {
            evaluateAt(static_cast<double>(k) / (samples - 1), p, normal);
            xs[k] = p[0];
            ys[k] = p[1];
        }
        bool flat = true;
        for (int k = 0; flat && k + 2 < samples; ++k) {
            double ab = distance(xs[k], ys[k], xs[k + 1], ys[k + 1]);
            double bc = distance(xs[k + 1], ys[k + 1], xs[k + 2], ys[k + 2]);
            double ac = distance(xs[k], ys[k], xs[k + 2], ys[k + 2]);
            if ((ab + bc - ac) / ac > 0.1) flat = false;
        }
        if (flat || samples + kLengthSampleStep > kMaxLengthSamples) break;
    }
    double sum = 0;
    for (size_t k = 1; k < xs.size(); ++k) {
        sum += distance(xs[k - 1], ys[k - 1], xs[k], ys[k]);
        arcLengths_.append(sum);
    }
    length_ = sum;
}

Curve2 Curve2::translated(double dx, double dy) const {
    Curve2 c(*this);
    for (int i = 0; i < c.points_.count(); ++i) {
        c.points_[i].x += dx;
        c.points_[i].y += dy;
    }
    return c;
}

Curve2 Curve2::reversed() const {
    Curve2 c(*this);
    int n = points_.count();
    for (int i = 0; i < n; ++i) c.points_[i] = points_[n - 1 - i];
    c.setFlag(kAttachedHead, attachedTail());
    c.setFlag(kAttachedTail, attachedHead());
    c.computeLength();
    return c;
}

void Curve2::split(double t, Curve2* head, Curve2* tail) const {
    int n = points_.count();
    std::vector<CurvePoint> level(points_.data(), points_.data() + n);
    std::vector<CurvePoint> left, right;
    left.push_back(level.front());
    right.push_back(level.back());
    for (int size = n - 1; size > 0; --size) {
        for (int i = 0; i < size; ++i) {
            // Each new point takes the fields of the point it replaces.
            level[i].x = (1 - t) * level[i].x + t * level[i + 1].x;
            level[i].y = (1 - t) * level[i].y + t * level[i + 1].y;
        }
        left.push_back(level[0]);
        right.push_back(level[size - 1]);
    }
    // The split point is an anchor of both pieces; inner points keep their types.
    if (head) {
        *head = *this;
        head->points_.clear();
        for (int i = 0; i < n; ++i) {
            CurvePoint p = points_[i];
            p.x = left[i].x;
            p.y = left[i].y;
            head->points_.append(p);
        }
        head->points_.last().pointType = CurvePoint::ANCHOR;
        head->computeLength();
    }
    if (tail) {
        *tail = *this;
        tail->points_.clear();
        for (int i = 0; i < n; ++i) {
            CurvePoint p = points_[i];
            p.x = right[n - 1 - i].x;
            p.y = right[n - 1 - i].y;
            tail->points_.append(p);
        }
        tail->points_[0].pointType = CurvePoint::ANCHOR;
        tail->computeLength();
    }
}

double Curve2::parameterAtDistance(double target, bool fromEnd) const {
    std::vector<double> sums(kCutSamples + 1, 0.0);
    double prev[2], p[2], normal[2];
    evaluateAt(0, prev, normal);
    for (int k = 1; k <= kCutSamples; ++k) {
        evaluateAt(static_cast<double>(k) / kCutSamples, p, normal);
        sums[k] = sums[k - 1] + distance(prev[0], prev[1], p[0], p[1]);
        prev[0] = p[0];
        prev[1] = p[1];
    }
    if (fromEnd) target = sums[kCutSamples] - target;
    if (target <= 0) return 0.0;
    for (int k = 1; k <= kCutSamples; ++k) {
        double step = sums[k] - sums[k - 1];
        if (sums[k] >= target && step > 0) return (k - 1 + (target - sums[k - 1]) / step) / kCutSamples;
    }
    return 1.0;
}

Curve2 Curve2::withoutStart(double cut) const {
    if (cut <= 0 || !hasGeometry()) return *this;
    if (type == Bezier) {
        Curve2 tail;
        split(parameterAtDistance(cut, false), nullptr, &tail);
        return tail;
    }
    Curve2 c(*this);
    c.points_.clear();
    double sum = 0;
    int n = points_.count();
    for (int i = 0; i + 1 < n; ++i) {
        const CurvePoint &a = points_[i], &b = points_[i + 1];
        double edge = distance(a.x, a.y, b.x, b.y);
        if (sum + edge >= cut && edge > 0) {
            CurvePoint start = points_[0];
            double f = (cut - sum) / edge;
            start.x = a.x + f * (b.x - a.x);
            start.y = a.y + f * (b.y - a.y);
            c.points_.append(start);
            for (int j = i + 1; j < n; ++j) c.points_.append(points_[j]);
            break;
        }
        sum += edge;
    }
    if (c.points_.count() == 0) c = *this;
    c.computeLength();
    return c;
}

Curve2 Curve2::withoutEnd(double cut) const {
    if (cut <= 0 || !hasGeometry()) return *this;
    if (type == Bezier) {
        Curve2 head;
        split(parameterAtDistance(cut, true), &head, nullptr);
        return head;
    }
    return reversed().withoutStart(cut).reversed();
}

}  // namespace fw
