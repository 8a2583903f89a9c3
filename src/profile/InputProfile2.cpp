#include "profile/InputProfile2.h"

#include <cmath>
#include <cstring>

#include "mesh/ObjDB.h"
#include "mesh/ObjReader.h"
#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "platform/Folders.h"

namespace fw {

namespace {




int beginContour(CommandIO& io, CommandEnabler& r) {
    // Appended before the class name is checked, as every nested block is.
    CompositeCurve2& contour = receiverAs<InputProfile2>(r).addContour();
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0 || std::strcmp(name, "CompositeCurve2") != 0) return -1;
    io.push(&contour);
    return 0;
}

int readObjFile(CommandIO& io, CommandEnabler& r) {
    char path[kMaxPath + 1];
    if (io.readToken(path, sizeof path) != 0) return -1;
    return receiverAs<InputProfile2>(r).appendObjFile(path) ? 0 : -1;
}

// Illustrator outlines come in through the outline import, never through this command.
int readIllustratorFile(CommandIO& io, CommandEnabler&) {
    char path[kMaxPath + 1];
    io.readToken(path, sizeof path);
    return -1;
}

void unitExactly(double v[2]) {
    double l = std::hypot(v[0], v[1]);
    if (l > 0) {
        v[0] /= l;
        v[1] /= l;
    }
}

// The handle across the anchor from handle `index` of segment `s`, or null.
const CurvePoint* oppositeHandle(const CompositeCurve2::SegmentList& list, int s, int index) {
    const Curve2& c = list[s];
    int m = static_cast<int>(list.size());
    const CurvePoint* q = nullptr;
    if (index % 3 == 1) {
        if (index - 2 >= 0) {
            q = &c.point(index - 2);
        } else {
            const Curve2& prev = list[(s - 1 + m) % m];
            if (prev.type == Curve2::Bezier && prev.pointCount() >= 2) q = &prev.point(prev.pointCount() - 2);
        }
    } else {
        if (index + 2 < c.pointCount()) {
            q = &c.point(index + 2);
        } else {
            const Curve2& next = list[(s + 1) % m];
            if (next.type == Curve2::Bezier && next.pointCount() >= 2) q = &next.point(1);
        }
    }
    return q && !q->isAnchor() ? q : nullptr;
}

void typePoints(CompositeCurve2& contour) {
    auto& list = contour.segments();
    for (size_t s = 0; s < list.size(); ++s) {
        Curve2& c = list[s];
        int n = c.pointCount();
        if (c.type == Curve2::Bezier && n == 3) {
            // Degree elevation: the same curve as a cubic.
            CurvePoint p0 = c.point(0), q = c.point(1), p2 = c.point(2);
            CurvePoint h1, h2;
            h1.x = p0.x + 2.0 / 3.0 * (q.x - p0.x);
            h1.y = p0.y + 2.0 / 3.0 * (q.y - p0.y);
            h2.x = p2.x + 2.0 / 3.0 * (q.x - p2.x);
            h2.y = p2.y + 2.0 / 3.0 * (q.y - p2.y);
            c.clearPoints();
            for (const CurvePoint& p : {p0, h1, h2, p2}) c.addPoint(p);
            n = 4;
        }
        for (int i = 0; i < n; ++i) c.point(i).pointType = CurvePoint::ANCHOR;
        if (c.type != Curve2::Bezier) continue;
        if (n == 2) {
            // A lone handle: before its anchor in the first segment, after it in later ones.
            c.point(s == 0 ? 0 : 1).pointType = CurvePoint::HANDLE_BROKEN;
        } else if (n == 4) {
            c.point(1).pointType = c.point(2).pointType = CurvePoint::HANDLE_BROKEN;
        }
    }
}

void typeHandles(CompositeCurve2& contour) {
    auto& list = contour.segments();
    for (size_t s = 0; s < list.size(); ++s) {
        Curve2& c = list[s];
        if (c.type != Curve2::Bezier) continue;
        for (int i = 0; i < c.pointCount(); ++i) {
            CurvePoint& h = c.point(i);
            if (i % 3 == 0 || h.isAnchor()) continue;
            int a = i % 3 == 1 ? i - 1 : i + 1;
            if (a < 0 || a >= c.pointCount()) continue;
            const CurvePoint* q = oppositeHandle(list, static_cast<int>(s), i);
            if (!q) continue;
            const CurvePoint& anchor = c.point(a);
            double d1[2] = {h.x - anchor.x, h.y - anchor.y}, d2[2] = {anchor.x - q->x, anchor.y - q->y};
            unitExactly(d1);
            unitExactly(d2);
            bool straight = std::hypot(d1[0] - d2[0], d1[1] - d2[1]) < 0.01;
            h.pointType = straight ? CurvePoint::HANDLE_FIXED : CurvePoint::HANDLE_BROKEN;
        }
    }
}

// The contours follow as blocks of their own, after these lines; an outline file
// named when reading comes back as contours, so its line is read only.
constexpr FieldTable::Line kInputProfile2Lines[] = {
    field<&InputProfile2::autoHandle>("autoHandle"),
    field<&InputProfile2::pointModification>("pointModification"),
    field<&InputProfile2::mirror>("mirror"),
    field<&InputProfile2::rotAngle>("rotAngle"),
    field<&InputProfile2::originalOffset>("originalOffset"),
    {"begin", beginContour},
    {"infileObj", readObjFile},
    {"infileIllustrator", readIllustratorFile},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kInputProfile2Table{kInputProfile2Lines};

}  // namespace

InputProfile2::InputProfile2() { kInputProfile2Table.registerInto(*this); }

InputProfile2::~InputProfile2() = default;

CommandTable& InputProfile2::commandTable() {
    static CommandTable table;
    return table;
}

int InputProfile2::writeCommands(CommandIO& io) {
    if (kInputProfile2Table.write(io, *this) != 0) return -1;
    for (CompositeCurve2& contour : contours_)
        if (io.writeBlock(contour) != 0) return -1;
    return 0;
}

CompositeCurve2& InputProfile2::addContour() {
    contours_.emplace_back();
    return contours_.back();
}

bool InputProfile2::appendObjFile(const char* path) {
    ObjDB db;
    ObjReader reader;
    if (!reader.read(path, db)) return false;
    for (int e = 0; e < db.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *positions, *tex, *normals;
        if (!db.getElementRefs(e, info, &positions, &tex, &normals)) continue;
        CompositeCurve2& contour = addContour();
        Curve2& segment = contour.addSegment(Curve2::Linear);
        for (int k = 0; k < info.count; ++k) {
            double v[3];
            db.getVertex(v, positions[k]);
            segment.addPoint(CurvePoint::anchor(v[0], v[1]));
        }
        segment.setFlag(Curve2::kClosed, true);
        segment.computeLength();
        contour.setClosed(true);
    }
    return true;
}

int InputProfile2::flattenAll(bool applyEdits, bool applyMirror, const CompositeCurve2::Sampling& sampling,
                              double creaseAngle, bool keepJoinPoints, Geo2Interface& sink) {
    if (applyEdits && pointModification)
        for (CompositeCurve2& c : contours_) c.applyCornerModifications();
    if (applyMirror && mirror)
        for (CompositeCurve2& c : contours_) c.applyMirror(pointModification);
    for (size_t i = 0; i < contours_.size(); ++i) {
        int result = contours_[i].flatten(applyEdits, sampling, creaseAngle, keepJoinPoints, static_cast<int>(i), sink);
        if (result != 0) return result;
    }
    return 0;
}

int InputProfile2::flattenProfile(bool applyEdits, bool applyMirror, int steps, double creaseAngle,
                                  bool keepJoinPoints, Geo2Interface& sink) {
    CompositeCurve2::Sampling sampling;
    sampling.steps = steps;
    return flattenAll(applyEdits, applyMirror, sampling, creaseAngle, keepJoinPoints, sink);
}

int InputProfile2::flattenProfilePreview(bool applyEdits, bool applyMirror, double tolerance, double creaseAngle,
                                         bool keepJoinPoints, Geo2Interface& sink) {
    CompositeCurve2::Sampling sampling;
    sampling.preview = true;
    sampling.tolerance = tolerance;
    return flattenAll(applyEdits, applyMirror, sampling, creaseAngle, keepJoinPoints, sink);
}

void InputProfile2::normalize() {
    for (CompositeCurve2& contour : contours_) {
        typePoints(contour);
        typeHandles(contour);
        contour.linkSegments();
        for (Curve2& c : contour.segments()) c.computeLength();
    }
}

}  // namespace fw
