#include "profile/CompositeCurve2.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "platform/MathConstants.h"
#include "profile/Geo2Interface.h"

namespace fw {

namespace {

const char* const kShapeNames[CompositeCurve2::kShapeTypes] = {
    "CUSTOM", "SQUARE", "RECT", "ROUND_RECT", "CIRCLE", "ELLIPSE", "POLY", "STAR", "PLUS", "GEAR"};

// Preview flattening stops refining a segment at this many samples or passes, so a
// tolerance of zero cannot run away.
constexpr int kMaxPreviewSamples = 4096;
constexpr int kMaxPreviewPasses = 24;
// A closed segment whose end lies farther than this from its start is closed by
// repeating its first sample.
constexpr double kCloseGap = 0.01;
// Ends that meet this closely are the same point for the neighbour queries.
constexpr double kNeighbourTolerance = 1e-6;

// %g writes a negative zero as "-0"; generated points are kept free of them.
double clean(double v) { return v + 0.0; }

// Exact at multiples of 90 degrees, so a quarter turn moves (0, 1) to exactly (-1, 0).
void sinCosDegrees(double degrees, double& s, double& c) {
    double d = std::fmod(degrees, 360.0);
    if (d < 0) d += 360.0;
    if (d == 0) {
        s = 0, c = 1;
    } else if (d == 90) {
        s = 1, c = 0;
    } else if (d == 180) {
        s = 0, c = -1;
    } else if (d == 270) {
        s = -1, c = 0;
    } else {
        double r = d * kPi / 180.0;
        s = std::sin(r);
        c = std::cos(r);
    }
}

// The point (x, y) turned counter-clockwise about the origin.
void rotate(double& x, double& y, double degrees) {
    double s, c;
    sinCosDegrees(degrees, s, c);
    double rx = x * c - y * s, ry = x * s + y * c;
    x = clean(rx);
    y = clean(ry);
}

// The point (0, rho) turned counter-clockwise by theta, its x then scaled.
CurvePoint polar(double theta, double rho, double xScale, int16_t type = CurvePoint::ANCHOR) {
    double x = 0, y = rho;
    rotate(x, y, theta);
    CurvePoint p = CurvePoint::anchor(clean(x * xScale), y);
    p.pointType = type;
    return p;
}

// (x, y) turned by theta after being offset sideways: the handle points of a star.
CurvePoint turned(double x, double y, double theta, double xScale) {
    rotate(x, y, theta);
    return CurvePoint::handle(clean(x * xScale), y, CurvePoint::HANDLE_FIXED);
}

Curve2 linear(std::initializer_list<CurvePoint> points) {
    Curve2 c(Curve2::Linear);
    for (const CurvePoint& p : points) c.addPoint(p);
    return c;
}

Curve2 cubic(CurvePoint a, CurvePoint b, CurvePoint c, CurvePoint d) {
    Curve2 curve(Curve2::Bezier);
    for (const CurvePoint& p : {a, b, c, d}) curve.addPoint(p);
    return curve;
}

CurvePoint at(double x, double y) { return CurvePoint::anchor(clean(x), clean(y)); }
CurvePoint fixedHandle(double x, double y) { return CurvePoint::handle(clean(x), clean(y), CurvePoint::HANDLE_FIXED); }

void attachAll(CompositeCurve2::SegmentList& list) {
    for (Curve2& c : list) c.flags |= Curve2::kAttachedHead | Curve2::kAttachedTail;
}

bool meets(const Curve2& a, const Curve2& b, double tolerance) {
    if (a.pointCount() == 0 || b.pointCount() == 0) return false;
    const CurvePoint &p = a.lastPoint(), &q = b.point(0);
    return std::fabs(p.x - q.x) < tolerance && std::fabs(p.y - q.y) < tolerance;
}

// ---- flattening

struct Sample {
    double p[2];
    double n[2];
};
using Samples = std::vector<Sample>;

double gap(const Sample& a, const Sample& b) {
    double dx = b.p[0] - a.p[0], dy = b.p[1] - a.p[1];
    return std::sqrt(dx * dx + dy * dy);
}

void closeSegment(const Curve2& c, Samples& out) {
    if (c.closed() && out.size() > 1 && gap(out.back(), out.front()) > kCloseGap) out.push_back(out.front());
}

// Points of a polyline with the unnormalised normal of the piece each belongs to; an
// edge is cut into `steps` pieces and every edge keeps both of its ends.
void sampleLinear(const Curve2& c, int steps, Samples& out) {
    if (c.pointCount() < 2) return;
    steps = std::max(steps, 1);
    for (int i = 0; i + 1 < c.pointCount(); ++i) {
        const CurvePoint &a = c.point(i), &b = c.point(i + 1);
        double dx = b.x - a.x, dy = b.y - a.y;
        if (dx == 0 && dy == 0) continue;
        double n[2] = {-dy / steps, dx / steps};
        for (int k = 0; k < steps; ++k) {
            double f = static_cast<double>(k) / steps;
            out.push_back({{a.x + f * dx, a.y + f * dy}, {n[0], n[1]}});
        }
        out.push_back({{b.x, b.y}, {n[0], n[1]}});
    }
    closeSegment(c, out);
}

void sampleBezierSteps(const Curve2& c, int steps, Samples& out) {
    if (c.pointCount() < 4) return;
    int samples = std::max(steps + 1, 2);
    for (int k = 0; k < samples; ++k) {
        Sample s;
        c.evaluateAt(static_cast<double>(k) / (samples - 1), s.p, s.n);
        out.push_back(s);
    }
    closeSegment(c, out);
}

double distanceFromLine(const Sample& p, const Sample& a, const Sample& b) {
    double dx = b.p[0] - a.p[0], dy = b.p[1] - a.p[1];
    double l = std::hypot(dx, dy);
    if (l < 1e-12) return gap(a, p);
    return std::fabs(dx * (p.p[1] - a.p[1]) - dy * (p.p[0] - a.p[0])) / l;
}

// Starts from the control points' parameters, drops samples that lie on the line of
// their neighbours, then halves every interval next to a sample that bends too much.
void sampleBezierTolerance(const Curve2& c, double tolerance, Samples& out) {
    int n = c.pointCount();
    if (n < 4) return;
    struct Entry {
        double t;
        Sample s;
    };
    std::vector<Entry> list;
    auto make = [&](double t) {
        Entry e{t, {}};
        c.evaluateAt(t, e.s.p, e.s.n);
        return e;
    };
    for (int k = 0; k < n; ++k) {
        list.push_back(make(static_cast<double>(k) / (n - 1)));
        size_t m = list.size();
        if (m >= 3 && distanceFromLine(list[m - 2].s, list[m - 3].s, list[m - 1].s) < tolerance)
            list.erase(list.end() - 2);
    }
    for (int pass = 0; pass < kMaxPreviewPasses && static_cast<int>(list.size()) < kMaxPreviewSamples; ++pass) {
        std::vector<char> marked(list.size(), 0);
        bool any = false;
        for (size_t i = 1; i + 1 < list.size(); ++i)
            if (distanceFromLine(list[i].s, list[i - 1].s, list[i + 1].s) >= tolerance) marked[i] = any = true;
        if (!any) break;
        std::vector<Entry> refined;
        for (size_t i = 0; i < list.size(); ++i) {
            refined.push_back(list[i]);
            if (i + 1 < list.size() && (marked[i] || marked[i + 1]))
                refined.push_back(make(0.5 * (list[i].t + list[i + 1].t)));
        }
        list.swap(refined);
    }
    for (const Entry& e : list) out.push_back(e.s);
    closeSegment(c, out);
}

// False for a segment type flattening does not know.
bool sampleSegment(const Curve2& c, const CompositeCurve2::Sampling& sampling, Samples& out) {
    switch (c.type) {
        case Curve2::Empty: return true;
        case Curve2::Linear: sampleLinear(c, sampling.preview ? 1 : sampling.steps, out); return true;
        case Curve2::Bezier:
            if (sampling.preview)
                sampleBezierTolerance(c, sampling.tolerance, out);
            else
                sampleBezierSteps(c, sampling.steps, out);
            return true;
        default: return false;
    }
}

// Degrees between two normals (their directions, whatever their lengths).
double angleBetween(const double a[2], const double b[2]) {
    double la = std::sqrt(a[0] * a[0] + a[1] * a[1]), lb = std::sqrt(b[0] * b[0] + b[1] * b[1]);
    double dot = la > 0 && lb > 0 ? (a[0] * b[0] + a[1] * b[1]) / (la * lb) : 0.0;
    return std::acos(std::clamp(dot, -1.0, 1.0)) * 180.0 / kPi;
}

int emitRun(Samples& run, bool closedRun, double creaseAngle, bool keepJoinPoints, int part, Geo2Interface& sink) {
    if (run.empty()) return 0;
    if (closedRun && run.size() > 1 && angleBetween(run.back().n, run.front().n) < creaseAngle) {
        if (keepJoinPoints) {
            run.back().n[0] = run.front().n[0];
            run.back().n[1] = run.front().n[1];
        } else {
            run.pop_back();
        }
    }
    size_t count = run.size();
    std::vector<int> points(count), normals(count), tex(count);
    for (size_t k = 0; k < count; ++k) {
        points[k] = sink.addPoint(run[k].p[0], run[k].p[1]);
        normals[k] = sink.addNormal(run[k].n[0], run[k].n[1]);
    }
    // u runs from 1 at the first point to 0 at the last, by length along the element.
    double total = 0;
    for (size_t k = 1; k < count; ++k) total += gap(run[k - 1], run[k]);
    double along = 0;
    for (size_t k = 0; k < count; ++k) {
        if (k > 0) along += gap(run[k - 1], run[k]);
        tex[k] = sink.addTexCoord(total > 0 ? 1.0 - along / total : 1.0, 0.0);
    }
    int n = static_cast<int>(count);
    int kind = closedRun ? Geo2Interface::Closed : Geo2Interface::Open;
    return sink.addElement(kind, part + 1, n, points.data(), n, normals.data(), n, tex.data()) < 0 ? -1 : 0;
}

// ---- stored form

int readClosed(CommandIO& io, CommandEnabler& r) {
    int on;
    if (io.readInt(on) != 0) return -1;
    receiverAs<CompositeCurve2>(r).setClosed(on != 0);
    return 0;
}

int readShapeType(CommandIO& io, CommandEnabler& r) {
    char word[CommandIO::kTokenSize];
    if (io.readToken(word, sizeof word) != 0) return -1;
    receiverAs<CompositeCurve2>(r).shapeType = CompositeCurve2::shapeTypeFromName(word);
    return 0;
}

template <int Index>
int readParam(CommandIO& io, CommandEnabler& r) {
    return io.readDouble(receiverAs<CompositeCurve2>(r).shapeParams[Index]);
}

int beginSegment(CommandIO& io, CommandEnabler& r) {
    // The segment is appended before its class name is checked: a wrong name leaves
    // it behind, and the read fails.
    Curve2& segment = receiverAs<CompositeCurve2>(r).addSegment(Curve2::Linear);
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0 || std::strcmp(name, "Curve2") != 0) return -1;
    io.push(&segment);
    return 0;
}

int writeClosed(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, static_cast<int>(receiverAs<CompositeCurve2>(r).flags), spelling);
}

int writeShapeType(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, std::string(CompositeCurve2::shapeTypeName(receiverAs<CompositeCurve2>(r).shapeType)),
                     spelling);
}

template <int Index>
int writeParam(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, receiverAs<CompositeCurve2>(r).shapeParams[Index], spelling);
}

// A custom contour keeps its points only; a parametric one its frame and parameters.
bool parametric(CommandEnabler& r) {
    const int type = receiverAs<CompositeCurve2>(r).shapeType;
    return CompositeCurve2::shapeTypeFromName(CompositeCurve2::shapeTypeName(type)) != CompositeCurve2::CUSTOM;
}

template <int Shape>
bool isShape(CommandEnabler& r) {
    return receiverAs<CompositeCurve2>(r).shapeType == Shape;
}

// A parameter of one shape: P0 onwards, written only for that shape.
template <int Shape, int Index>
constexpr FieldTable::Line param(const char* keyword) {
    return {keyword, readParam<Index>, writeParam<Index>, Spelling::bare, isShape<Shape>};
}

// The segments follow as blocks of their own, after these lines.
constexpr FieldTable::Line kCompositeCurve2Lines[] = {
    {"closed", readClosed, writeClosed},
    {"shapeType", readShapeType, writeShapeType, Spelling::quoted},
    field<&CompositeCurve2::shapeX>("shapeX", Spelling::bare, parametric),
    field<&CompositeCurve2::shapeY>("shapeY", Spelling::bare, parametric),
    field<&CompositeCurve2::shapeWidth>("shapeWidth", Spelling::bare, parametric),
    field<&CompositeCurve2::shapeHeight>("shapeHeight", Spelling::bare, parametric),
    param<CompositeCurve2::ROUND_RECT, 0>("roundRectRoundnessPercent"),
    param<CompositeCurve2::POLY, 0>("polyNumSides"),
    param<CompositeCurve2::STAR, 0>("starNumSides"),
    param<CompositeCurve2::STAR, 1>("starValleyPercent"),
    param<CompositeCurve2::STAR, 2>("starTipRoundness"),
    param<CompositeCurve2::STAR, 3>("starValleyRoundness"),
    param<CompositeCurve2::PLUS, 0>("plusHorizThickness"),
    param<CompositeCurve2::PLUS, 1>("plusVertThickness"),
    param<CompositeCurve2::PLUS, 2>("plusHorizOffsetPercent"),
    param<CompositeCurve2::PLUS, 3>("plusVertOffsetPercent"),
    param<CompositeCurve2::GEAR, 0>("gearNumSides"),
    param<CompositeCurve2::GEAR, 1>("gearOuterThickness"),
    param<CompositeCurve2::GEAR, 2>("gearInnerThickness"),
    param<CompositeCurve2::GEAR, 3>("gearValleyPercent"),
    field<&CompositeCurve2::pointModification>("pointModification"),
    field<&CompositeCurve2::mirror>("mirror"),
    field<&CompositeCurve2::rotAngle>("rotAngle"),
    {"begin", beginSegment},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kCompositeCurve2Table{kCompositeCurve2Lines};

}  // namespace

CompositeCurve2::CompositeCurve2() { kCompositeCurve2Table.registerInto(*this); }

CompositeCurve2::~CompositeCurve2() = default;

CommandTable& CompositeCurve2::commandTable() {
    static CommandTable table;
    return table;
}

const char* CompositeCurve2::shapeTypeName(int type) {
    return type >= 0 && type < kShapeTypes ? kShapeNames[type] : kShapeNames[CUSTOM];
}

int CompositeCurve2::shapeTypeFromName(const char* name) {
    for (int i = 0; i < kShapeTypes; ++i)
        if (std::strcmp(kShapeNames[i], name) == 0) return i;
    return CUSTOM;
}

int CompositeCurve2::writeCommands(CommandIO& io) {
    if (kCompositeCurve2Table.write(io, *this) != 0) return -1;
    for (Curve2& segment : base_)
        if (io.writeBlock(segment) != 0) return -1;
    return 0;
}

Curve2& CompositeCurve2::addSegment(uint16_t type) {
    base_.emplace_back(type);
    return base_.back();
}

// ---- parametric shapes

bool CompositeCurve2::buildShape() {
    if (shapeType == CUSTOM) return false;
    base_.clear();
    modified_.clear();
    mirrored_.clear();
    const double w = shapeWidth, h = shapeHeight;
    if (!(w > 0) || !(h > 0)) {
        base_.emplace_back();
        setClosed(false);
        return true;
    }
    switch (shapeType) {
        case CIRCLE:
        case ELLIPSE: buildEllipse(w, h); break;
        case ROUND_RECT: buildRoundRect(std::fabs(w), std::fabs(h)); break;
        case POLY: buildPolygon(w, h); break;
        case STAR: buildStar(w, h); break;
        case PLUS: buildPlus(w, h); break;
        case GEAR: buildGear(w, h); break;
        default: buildRectangle(w, h); break;
    }
    for (Curve2& c : base_) {
        for (int i = 0; i < c.pointCount(); ++i) {
            CurvePoint& p = c.point(i);
            rotate(p.x, p.y, rotAngle);
            p.x = clean(p.x + shapeX);
            p.y = clean(p.y + shapeY);
        }
        c.computeLength();
    }
    return true;
}

void CompositeCurve2::buildRectangle(double w, double h) {
    Curve2 c = linear({at(-w / 2, -h / 2), at(-w / 2, h / 2), at(w / 2, h / 2), at(w / 2, -h / 2), at(-w / 2, -h / 2)});
    c.setFlag(Curve2::kClosed, true);
    base_.push_back(c);
    setClosed(true);
}

void CompositeCurve2::buildEllipse(double w, double h) {
    const double k = kCircleHandle, a = w / 2, b = h / 2;
    base_.push_back(cubic(at(0, b), fixedHandle(k * a, b), fixedHandle(a, k * b), at(a, 0)));
    base_.push_back(cubic(at(a, 0), fixedHandle(a, -k * b), fixedHandle(k * a, -b), at(0, -b)));
    base_.push_back(cubic(at(0, -b), fixedHandle(-k * a, -b), fixedHandle(-a, -k * b), at(-a, 0)));
    base_.push_back(cubic(at(-a, 0), fixedHandle(-a, k * b), fixedHandle(-k * a, b), at(0, b)));
    attachAll(base_);
    setClosed(true);
}

void CompositeCurve2::buildRoundRect(double w, double h) {
    const double R = std::min(shapeParams[0] * std::max(w, h), std::min(w, h) / 2);
    if (!(R > 0)) {
        buildRectangle(w, h);
        return;
    }
    const double x = w / 2, y = h / 2, kR = kCircleHandle * R;
    base_.push_back(cubic(at(-x, y - R), fixedHandle(-x, y - R + kR), fixedHandle(-x + R - kR, y), at(-x + R, y)));
    if (w - 2 * R > 0) base_.push_back(linear({at(-x + R, y), at(x - R, y)}));
    base_.push_back(cubic(at(x - R, y), fixedHandle(x - R + kR, y), fixedHandle(x, y - R + kR), at(x, y - R)));
    if (h - 2 * R > 0) base_.push_back(linear({at(x, y - R), at(x, -y + R)}));
    base_.push_back(cubic(at(x, -y + R), fixedHandle(x, -y + R - kR), fixedHandle(x - R + kR, -y), at(x - R, -y)));
    if (w - 2 * R > 0) base_.push_back(linear({at(x - R, -y), at(-x + R, -y)}));
    base_.push_back(cubic(at(-x + R, -y), fixedHandle(-x + R - kR, -y), fixedHandle(-x, -y + R - kR), at(-x, -y + R)));
    if (h - 2 * R > 0) base_.push_back(linear({at(-x, -y + R), at(-x, y - R)}));
    attachAll(base_);
    setClosed(true);
}

void CompositeCurve2::buildPolygon(double w, double h) {
    int n = std::max(3, static_cast<int>(std::lround(shapeParams[0])));
    double half = n % 2 == 0 ? 180.0 / n : 0.0;
    Curve2 c(Curve2::Linear);
    for (int i = 0; i < n; ++i) c.addPoint(polar(i * 360.0 / n + half, h / 2, w / h));
    c.addPoint(c.point(0));
    c.setFlag(Curve2::kClosed, true);
    base_.push_back(c);
    setClosed(true);
}

void CompositeCurve2::buildStar(double w, double h) {
    const double* P = shapeParams;
    int n = std::max(2, static_cast<int>(std::lround(P[0])));
    int corners = 2 * n;
    double valley = (h / 2) * (1 - (0.9 * P[1] + 0.02));
    auto theta = [&](int i) { return (i % corners) * 180.0 / n; };
    auto rho = [&](int i) { return i % 2 == 0 ? h / 2 : valley; };
    auto reach = [&](int i) { return (h / 2) * (i % 2 == 0 ? P[2] : P[3]); };
    if (!(P[2] > 0) && !(P[3] > 0)) {
        Curve2 c(Curve2::Linear);
        for (int i = 0; i < corners; ++i) c.addPoint(polar(theta(i), rho(i), w / h));
        c.addPoint(c.point(0));
        base_.push_back(c);
    } else {
        for (int i = 0; i < corners; ++i) {
            int j = (i + 1) % corners;
            base_.push_back(cubic(polar(theta(i), rho(i), w / h), turned(-reach(i), rho(i), theta(i), w / h),
                                  turned(reach(j), rho(j), theta(j), w / h), polar(theta(j), rho(j), w / h)));
        }
    }
    linkSegments();
}

void CompositeCurve2::buildPlus(double w, double h) {
    const double* P = shapeParams;
    double a = (0.96 * P[0] + 0.02) / 2, b = (0.96 * P[1] + 0.02) / 2;
    double dx = 2 * a * (P[2] - 0.5), dy = 2 * b * (P[3] - 0.5);
    double u0 = a + dx, u1 = 1 - a + dx, v0 = b + dy, v1 = 1 - b + dy;
    const double uv[12][2] = {{u0, 0}, {u1, 0}, {u1, v0}, {1, v0}, {1, v1}, {u1, v1},
                              {u1, 1}, {u0, 1}, {u0, v1}, {0, v1}, {0, v0}, {u0, v0}};
    Curve2 c(Curve2::Linear);
    for (const auto& p : uv) c.addPoint(at(p[0] * w - w / 2, p[1] * h - h / 2));
    c.addPoint(c.point(0));
    c.setFlag(Curve2::kClosed, true);
    base_.push_back(c);
    setClosed(true);
}

void CompositeCurve2::buildGear(double w, double h) {
    const double* P = shapeParams;
    int n = std::max(1, static_cast<int>(std::lround(P[0])));
    double s = 360.0 / n, R = h / 2, r = R * (1 - P[3]);
    // Without tips or valleys the flanks meet on the circles themselves.
    double a = P[1] > 0 ? (s / 2) * P[1] : 0.0, b = P[2] < 1 ? (s / 2) * (1 - P[2]) : 0.0, xs = w / h;
    const int16_t H = CurvePoint::HANDLE_FIXED;
    for (int i = 0; i < n; ++i) {
        double t = i * s, next = i + 1 == n ? 0.0 : (i + 1) * s, v = t + s / 2;
        if (P[1] > 0)
            base_.push_back(cubic(polar(t - a, R, xs), polar(t - a / 3, R, xs, H), polar(t + a / 3, R, xs, H),
                                  polar(t + a, R, xs)));
        base_.push_back(linear({polar(t + a, R, xs), polar(v - b, r, xs)}));
        if (P[2] < 1)
            base_.push_back(cubic(polar(v - b, r, xs), polar(v - b / 3, r, xs, H), polar(v + b / 3, r, xs, H),
                                  polar(v + b, r, xs)));
        base_.push_back(linear({polar(v + b, r, xs), polar(next - a, R, xs)}));
    }
    attachAll(base_);
    linkSegments();
}

// ---- linking and neighbours

bool CompositeCurve2::linkSegmentList(SegmentList& list) {
    for (Curve2& c : list) c.flags &= ~(Curve2::kAttachedHead | Curve2::kAttachedTail | Curve2::kClosed);
    size_t n = list.size();
    if (n == 0) return false;
    if (n == 1) {
        Curve2& c = list[0];
        bool closes = c.pointCount() >= 3 && c.point(0).isAnchor() && c.lastPoint().isAnchor() &&
                      meets(c, c, kLinkTolerance);
        c.setFlag(Curve2::kClosed, closes);
        return closes;
    }
    bool allJoined = true;
    for (size_t i = 0; i + 1 < n; ++i) {
        if (meets(list[i], list[i + 1], kLinkTolerance)) {
            list[i].flags |= Curve2::kAttachedTail;
            list[i + 1].flags |= Curve2::kAttachedHead;
        } else {
            allJoined = false;
        }
    }
    if (!meets(list[n - 1], list[0], kLinkTolerance)) return false;
    list[n - 1].flags |= Curve2::kAttachedTail;
    list[0].flags |= Curve2::kAttachedHead;
    return allJoined && list[0].point(0).isAnchor() && list[n - 1].lastPoint().isAnchor();
}

void CompositeCurve2::linkSegments() { setClosed(linkSegmentList(base_)); }

namespace {

using PointRef = CompositeCurve2::PointRef;

const CurvePoint* pointAt(const CompositeCurve2::SegmentList& list, PointRef at) {
    if (at.segment < 0 || at.segment >= static_cast<int>(list.size())) return nullptr;
    const Curve2& c = list[at.segment];
    return at.index >= 0 && at.index < c.pointCount() ? &c.point(at.index) : nullptr;
}

bool samePlace(const CurvePoint& a, const CurvePoint& b) {
    return std::fabs(a.x - b.x) < kNeighbourTolerance && std::fabs(a.y - b.y) < kNeighbourTolerance;
}

// The point before `at`, stepping over the shared end of two joined segments.
PointRef stepBack(const CompositeCurve2::SegmentList& list, bool closed, PointRef at) {
    const CurvePoint* here = pointAt(list, at);
    if (!here) return {};
    if (at.index > 0) return {at.segment, at.index - 1};
    int s = at.segment - 1;
    if (s < 0) {
        if (!closed) return {};
        s = static_cast<int>(list.size()) - 1;
    }
    const Curve2& prev = list[s];
    if (prev.pointCount() < 2 || !samePlace(prev.lastPoint(), *here)) return {};
    return {s, prev.pointCount() - 2};
}

PointRef stepForward(const CompositeCurve2::SegmentList& list, bool closed, PointRef at) {
    const CurvePoint* here = pointAt(list, at);
    if (!here) return {};
    if (at.index + 1 < list[at.segment].pointCount()) return {at.segment, at.index + 1};
    int s = at.segment + 1;
    if (s >= static_cast<int>(list.size())) {
        if (!closed) return {};
        s = 0;
    }
    const Curve2& next = list[s];
    if (next.pointCount() < 2 || !samePlace(next.point(0), *here)) return {};
    return {s, 1};
}

template <class Step>
PointRef nextAnchor(const CompositeCurve2::SegmentList& list, bool closed, PointRef at, Step step) {
    int limit = 0;
    for (const Curve2& c : list) limit += c.pointCount();
    for (PointRef p = step(list, closed, at); p.valid() && limit-- > 0; p = step(list, closed, p))
        if (pointAt(list, p)->isAnchor()) return p;
    return {};
}

}  // namespace

PointRef CompositeCurve2::handleBefore(const SegmentList& list, bool closed, PointRef at) {
    PointRef p = stepBack(list, closed, at);
    return p.valid() && !pointAt(list, p)->isAnchor() ? p : PointRef{};
}

PointRef CompositeCurve2::handleAfter(const SegmentList& list, bool closed, PointRef at) {
    PointRef p = stepForward(list, closed, at);
    return p.valid() && !pointAt(list, p)->isAnchor() ? p : PointRef{};
}

PointRef CompositeCurve2::anchorBefore(const SegmentList& list, bool closed, PointRef at) {
    return nextAnchor(list, closed, at, stepBack);
}

PointRef CompositeCurve2::anchorAfter(const SegmentList& list, bool closed, PointRef at) {
    return nextAnchor(list, closed, at, stepForward);
}

// ---- edits

void CompositeCurve2::applyAutoHandles() {
    int n = static_cast<int>(base_.size());
    auto usable = [](const Curve2& c) { return c.type == Curve2::Bezier && c.pointCount() >= 4; };
    for (int i = 0; i < n; ++i) {
        Curve2& segment = base_[i];
        if (!usable(segment)) continue;
        const CurvePoint a0 = segment.point(0), a3 = segment.lastPoint();
        int prev = i > 0 ? i - 1 : closed() ? n - 1 : -1;
        const CurvePoint& from = prev >= 0 && base_[prev].pointCount() > 0 ? base_[prev].point(0) : a0;
        double dir[2] = {a3.x - from.x, a3.y - from.y};
        unitDirection(dir);
        double chord = std::hypot(a3.x - a0.x, a3.y - a0.y) * a0.pointTightness;
        segment.point(1).x = a0.x + dir[0] * chord;
        segment.point(1).y = a0.y + dir[1] * chord;
        if (prev >= 0 && prev != i && usable(base_[prev])) {
            Curve2& p = base_[prev];
            const CurvePoint &s = p.point(0), &e = p.lastPoint();
            double reach = std::hypot(e.x - s.x, e.y - s.y) * e.pointTightness;
            p.point(p.pointCount() - 2).x = e.x - dir[0] * reach;
            p.point(p.pointCount() - 2).y = e.y - dir[1] * reach;
        }
    }
    if (!closed() && n > 0 && usable(base_[n - 1])) {
        Curve2& last = base_[n - 1];
        const CurvePoint &s = last.point(0), &e = last.lastPoint();
        double dir[2] = {e.x - s.x, e.y - s.y};
        unitDirection(dir);
        double reach = std::hypot(e.x - s.x, e.y - s.y) * e.pointTightness;
        last.point(last.pointCount() - 2).x = e.x - dir[0] * reach;
        last.point(last.pointCount() - 2).y = e.y - dir[1] * reach;
    }
    for (Curve2& c : base_) c.computeLength();
}

void CompositeCurve2::applyCornerModifications() {
    modified_.clear();
    for (const Curve2& c : base_)
        if (c.type != Curve2::Empty && c.pointCount() > 0) modified_.push_back(c);
    // Cuts are limited to half of each segment as drawn, so the corners at both ends of
    // a segment can be cut without overlapping.
    std::vector<double> drawn;
    std::vector<char> inserted(modified_.size(), 0);
    for (Curve2& c : modified_) {
        c.computeLength();
        drawn.push_back(c.length());
    }
    for (size_t i = 0; i < modified_.size(); ++i) {
        if (inserted[i]) continue;
        const CurvePoint corner = modified_[i].point(0);
        if (!corner.isAnchor() || !(corner.cornerRadius > 0)) continue;
        double radius = corner.cornerRadius;
        if (corner.cornerType == CurvePoint::ROUND2) {
            PointRef c{static_cast<int>(i), 0};
            PointRef before = handleBefore(modified_, closed(), c), after = handleAfter(modified_, closed(), c);
            PointRef from = anchorBefore(modified_, closed(), c), to = anchorAfter(modified_, closed(), c);
            if (!before.valid() || !after.valid() || !from.valid() || !to.valid()) continue;
            const CurvePoint &a = *pointAt(modified_, from), &b = *pointAt(modified_, to);
            double d[2] = {b.x - a.x, b.y - a.y};
            unitDirection(d);
            CurvePoint& h1 = modified_[after.segment].point(after.index);
            CurvePoint& h0 = modified_[before.segment].point(before.index);
            h1.x = corner.x + radius * d[0];
            h1.y = corner.y + radius * d[1];
            h0.x = corner.x - radius * d[0];
            h0.y = corner.y - radius * d[1];
            continue;
        }
        if (corner.cornerType != CurvePoint::BEVEL && corner.cornerType != CurvePoint::ROUND) continue;
        size_t prev = i > 0 ? i - 1 : closed() ? modified_.size() - 1 : i;
        if (prev == i || modified_[prev].pointCount() < 4 || modified_[i].pointCount() < 4) continue;
        double cut = std::min({radius, drawn[prev] / 2, drawn[i] / 2});
        modified_[prev] = modified_[prev].withoutEnd(cut);
        modified_[i] = modified_[i].withoutStart(cut);
        CurvePoint p0 = corner, p3 = corner;
        p0.cornerType = p3.cornerType = CurvePoint::NONE;
        p0.cornerRadius = p3.cornerRadius = 0;
        p0.x = modified_[prev].lastPoint().x;
        p0.y = modified_[prev].lastPoint().y;
        p3.x = modified_[i].point(0).x;
        p3.y = modified_[i].point(0).y;
        Curve2 link(corner.cornerType == CurvePoint::BEVEL ? Curve2::Linear : Curve2::Bezier);
        link.addPoint(p0);
        if (corner.cornerType == CurvePoint::ROUND) {
            // Handles halfway from each cut point towards the corner they replace.
            link.addPoint(CurvePoint::handle(p0.x + 0.5 * (corner.x - p0.x), p0.y + 0.5 * (corner.y - p0.y),
                                             CurvePoint::HANDLE_BROKEN));
            link.addPoint(CurvePoint::handle(p3.x + 0.5 * (corner.x - p3.x), p3.y + 0.5 * (corner.y - p3.y),
                                             CurvePoint::HANDLE_BROKEN));
        }
        link.addPoint(p3);
        link.flags = Curve2::kAttachedHead | Curve2::kAttachedTail;
        modified_.insert(modified_.begin() + static_cast<long>(i), link);
        inserted.insert(inserted.begin() + static_cast<long>(i), 1);
        drawn.insert(drawn.begin() + static_cast<long>(i), 0.0);
        ++i;
    }
    for (Curve2& c : modified_) c.computeLength();
}

void CompositeCurve2::applyMirror(bool useModified) {
    mirror = true;
    mirrored_.clear();
    mirroredClosed_ = false;
    const SegmentList& from = useModified && !modified_.empty() ? modified_ : base_;
    SegmentList source;
    for (const Curve2& c : from)
        if (c.type != Curve2::Empty && c.pointCount() > 0) source.push_back(c);
    if (!source.empty() && !source.front().point(0).isAnchor()) source.erase(source.begin());
    if (!source.empty() && !source.back().lastPoint().isAnchor()) source.pop_back();
    if (source.empty()) return;

    // A bridge runs straight across the y axis at the height of its end point, with
    // every field but the position copied from that point.
    auto bridge = [](const CurvePoint& end, double x0, double x1, double x2, double x3) {
        Curve2 c(Curve2::Bezier);
        const double xs[4] = {x0, x1, x2, x3};
        for (int k = 0; k < 4; ++k) {
            CurvePoint p = end;
            p.x = clean(xs[k]);
            p.pointType = k == 0 || k == 3 ? CurvePoint::ANCHOR : CurvePoint::HANDLE_BROKEN;
            c.addPoint(p);
        }
        c.flags = Curve2::kAttachedHead | Curve2::kAttachedTail;
        c.computeLength();
        return c;
    };
    const CurvePoint s = source.front().point(0), e = source.back().lastPoint();
    mirrored_ = source;
    if (!closed()) mirrored_.push_back(bridge(e, e.x, e.x / 2, -e.x / 2, -e.x));
    for (auto it = source.rbegin(); it != source.rend(); ++it) {
        Curve2 c = it->reversed();
        for (int k = 0; k < c.pointCount(); ++k) c.point(k).x = clean(-c.point(k).x);
        c.computeLength();
        mirrored_.push_back(c);
    }
    if (!closed()) mirrored_.push_back(bridge(s, -s.x, -s.x / 2, s.x / 2, s.x));
    mirroredClosed_ = linkSegmentList(mirrored_);
}

void CompositeCurve2::reverse() {
    std::reverse(base_.begin(), base_.end());
    for (Curve2& c : base_) c = c.reversed();
    modified_.clear();
    mirrored_.clear();
    mirroredClosed_ = false;
}

// ---- flattening

const CompositeCurve2::SegmentList& CompositeCurve2::flattenedList(bool useMirror, bool& closedList) const {
    if (useMirror && mirror && !mirrored_.empty()) {
        closedList = mirroredClosed_;
        return mirrored_;
    }
    closedList = closed();
    if (useMirror && pointModification && !modified_.empty()) return modified_;
    return base_;
}

int CompositeCurve2::flatten(bool useMirror, int steps, double creaseAngle, bool keepJoinPoints, int part,
                             Geo2Interface& sink) {
    Sampling sampling;
    sampling.steps = steps;
    return flatten(useMirror, sampling, creaseAngle, keepJoinPoints, part, sink);
}

int CompositeCurve2::flatten(bool useMirror, const Sampling& sampling, double creaseAngle, bool keepJoinPoints,
                             int part, Geo2Interface& sink) {
    bool closedList;
    const SegmentList& list = flattenedList(useMirror, closedList);
    int n = static_cast<int>(list.size());
    // A last segment too short to draw does not hold a run open.
    int lastDrawn = n > 0 && !list[n - 1].hasGeometry() ? n - 2 : n - 1;
    Samples run, samples;
    for (int i = 0; i < n; ++i) {
        const Curve2& c = list[i];
        samples.clear();
        if (!sampleSegment(c, sampling, samples)) return -1;
        if (!samples.empty()) {
            size_t first = 0;
            if (!run.empty() && angleBetween(run.back().n, samples.front().n) < creaseAngle) {
                if (keepJoinPoints) {
                    samples.front().n[0] = run.back().n[0];
                    samples.front().n[1] = run.back().n[1];
                } else {
                    first = 1;  // a smooth join shares its point
                }
            }
            run.insert(run.end(), samples.begin() + static_cast<long>(first), samples.end());
        }
        if (c.attachedTail() && !c.closed() && i != lastDrawn) continue;
        if (emitRun(run, c.closed() || closedList, creaseAngle, keepJoinPoints, part, sink) != 0) return -1;
        run.clear();
    }
    // Flags set by hand can leave a run open past the last drawn segment.
    return emitRun(run, closedList, creaseAngle, keepJoinPoints, part, sink);
}

}  // namespace fw
