// Flattening contours into a shape database: samples, creases, runs, closing and texture coordinates, at fixed steps
// and by tolerance; the database itself, and the polygon shape that takes its closed contours.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <vector>

#include "TempDir.h"
#include "profile/CompositeCurve2.h"
#include "profile/InputProfile2.h"
#include "profile/PolyShape2.h"
#include "profile/Shape2DB.h"

namespace fw {
namespace {

using Pair = std::array<double, 2>;
struct Flat {
    int kind = -1, part = -1;
    std::vector<Pair> p, n, t;
};

Flat element(const Shape2DB& db, int e) {
    Flat f;
    Geo2Interface::ElementInfo info;
    std::vector<int> pi(Geo2Interface::kMaxCopiedPoints), ni(pi.size()), ti(pi.size());
    if (!db.getElement(e, info, pi.data(), ni.data(), ti.data())) return f;
    f.kind = info.kind, f.part = info.part;
    EXPECT_EQ(std::pair(info.normalCount, info.texCount), std::pair(info.pointCount, info.pointCount));
    for (int i = 0; i < info.pointCount; ++i) {
        Pair a, b, c;
        db.getPoint(pi[i], a.data()), db.getNormal(ni[i], b.data()), db.getTexCoord(ti[i], c.data());
        f.p.push_back(a), f.n.push_back(b), f.t.push_back(c);
    }
    return f;
}

CompositeCurve2 flattenShape(int type, double w, double h) {
    CompositeCurve2 c;
    c.shapeType = type, c.shapeWidth = w, c.shapeHeight = h;
    c.buildShape();
    return c;
}

// A segment of `type` through `points`, all anchors, added to `c`.
Curve2& addSegment(CompositeCurve2& c, int type, std::initializer_list<Pair> points) {
    Curve2& s = c.addSegment(type);
    for (Pair p : points) s.addPoint(CurvePoint::anchor(p[0], p[1]));
    return s;
}

Flat flattenOne(CompositeCurve2& c, int steps, double crease, bool keep) {
    Shape2DB db;
    EXPECT_EQ(c.flatten(false, steps, crease, keep, 0, db), 0);
    EXPECT_EQ(db.elementCount(), 1);
    return element(db, 0);
}

TEST(Flatten, StepsOneGivesEveryCornerTwiceTextureRunsAlongAndCreasesDecideWhatIsShared) {
    CompositeCurve2 square = flattenShape(CompositeCurve2::SQUARE, 2, 2);
    Flat f = flattenOne(square, 1, 30, false);
    EXPECT_EQ(std::pair(f.kind, f.part), std::pair(int(Geo2Interface::Closed), 1));
    EXPECT_EQ(f.p, (std::vector<Pair>{{-1, -1}, {-1, 1}, {-1, 1}, {1, 1}, {1, 1}, {1, -1}, {1, -1}, {-1, -1}}));
    EXPECT_EQ(f.n, (std::vector<Pair>{{-2, 0}, {-2, 0}, {0, 2}, {0, 2}, {2, 0}, {2, 0}, {0, -2}, {0, -2}}));
    EXPECT_EQ(std::pair(f.t.front(), f.t[2]), std::pair(Pair{1, 0}, Pair{0.75, 0}));  // 2 of the square's 8 units round
    Flat halves = flattenOne(square, 2, 30, false);
    ASSERT_EQ(halves.p.size(), 12u);
    EXPECT_EQ(std::pair(halves.p[1], halves.n[1]), std::pair(Pair{-1, 0}, Pair{-1, 0}));  // a normal not normalised
    // Smooth closing without kept join points drops the repeated last point.
    EXPECT_EQ(flattenOne(square, 1, 180, false).p.size(), 7u);
    Flat kept = flattenOne(square, 1, 180, true);
    ASSERT_EQ(kept.p.size(), 8u);
    EXPECT_EQ(kept.n.back(), kept.n.front());
    // An open element runs its texture from one to zero.
    CompositeCurve2 ell;
    addSegment(ell, Curve2::Linear, {{0, 0}, {3, 0}, {3, 4}});
    Flat open = flattenOne(ell, 1, 30, false);
    EXPECT_EQ(open.kind, Geo2Interface::Open);
    EXPECT_EQ(open.t, (std::vector<Pair>{{1, 0}, {4.0 / 7, 0}, {4.0 / 7, 0}, {0, 0}}));
    // The crease angle decides whether joins are shared.
    CompositeCurve2 circle = flattenShape(CompositeCurve2::CIRCLE, 2, 2);
    EXPECT_EQ(flattenOne(circle, 4, 0, false).p.size(), 20u);  // every join a crease
    Flat shared = flattenOne(circle, 4, 180, false);
    ASSERT_EQ(shared.p.size(), 16u);
    for (size_t i = 0; i < shared.p.size(); ++i)
        for (size_t j = i + 1; j < shared.p.size(); ++j)
            EXPECT_GT(std::hypot(shared.p[i][0] - shared.p[j][0], shared.p[i][1] - shared.p[j][1]), 0.1);
    EXPECT_EQ(flattenOne(circle, 4, 30, false).p.size(), 16u);  // tangent joins are smooth
    Flat joins = flattenOne(circle, 4, 30, true);
    ASSERT_EQ(joins.p.size(), 20u);
    EXPECT_EQ(std::pair(joins.p[4], joins.n[4]), std::pair(joins.p[5], joins.n[5]));
    for (const Pair& n : shared.n) EXPECT_NEAR(std::hypot(n[0], n[1]), 1.0, 1e-12);
}

TEST(Flatten, ClosedBezierSegmentsRepeatTheirStartOnlyWhenOpenAtTheEnd) {
    for (double endY : {0.005, 0.5}) {
        CompositeCurve2 loop;
        Curve2& c = addSegment(loop, Curve2::Bezier, {{0, 0}, {2, 2}, {-2, 2}, {0, endY}});
        c.point(1).pointType = c.point(2).pointType = CurvePoint::HANDLE_FIXED;
        c.setFlag(Curve2::kClosed, true);
        Flat f = flattenOne(loop, 4, 0, false);
        EXPECT_EQ(f.kind, Geo2Interface::Closed);
        ASSERT_EQ(f.p.size(), endY < 0.01 ? 5u : 6u);
        EXPECT_EQ(f.p.back() == f.p.front(), endY > 0.01);
    }
}

TEST(Flatten, RunsBreakWhereSegmentsDoNotJoinAndSkipWhatCannotBeDrawn) {
    CompositeCurve2 c;
    c.addSegment(Curve2::Empty);
    addSegment(c, Curve2::Linear, {{0, 0}, {1, 0}});
    addSegment(c, Curve2::Linear, {{5, 0}, {6, 0}});
    addSegment(c, Curve2::Bezier, {{6, 0}, {7, 1}, {8, 0}});  // too short to draw
    c.linkSegments();
    Shape2DB db;
    ASSERT_EQ(c.flatten(false, 1, 30, false, 4, db), 0);
    ASSERT_EQ(db.elementCount(), 2);
    EXPECT_EQ(element(db, 0).p, (std::vector<Pair>{{0, 0}, {1, 0}}));
    EXPECT_EQ(element(db, 1).p, (std::vector<Pair>{{5, 0}, {6, 0}}));
    EXPECT_EQ(element(db, 1).part, 5);
    c.segments()[1].type = 7;
    EXPECT_EQ(c.flatten(false, 1, 30, false, 0, db), -1);
}

TEST(Flatten, PreviewSamplesUntilChordsFollowTheCurve) {
    CompositeCurve2 circle = flattenShape(CompositeCurve2::CIRCLE, 20, 20);
    size_t previous = 0;
    for (double tolerance : {1.0, 0.1, 0.01}) {
        Shape2DB db;
        ASSERT_EQ(circle.flatten(false, {.preview = true, .tolerance = tolerance}, 30, false, 0, db), 0);
        Flat f = element(db, 0);
        EXPECT_GT(f.p.size(), previous);
        previous = f.p.size();
        for (size_t i = 0; i < f.p.size(); ++i) {
            const Pair &a = f.p[i], &b = f.p[(i + 1) % f.p.size()];
            EXPECT_NEAR(std::hypot(a[0], a[1]), 10, 0.01);
            EXPECT_LT(10 - std::hypot((a[0] + b[0]) / 2, (a[1] + b[1]) / 2), tolerance);
        }
    }
    CompositeCurve2 straight;
    addSegment(straight, Curve2::Bezier, {{0, 0}, {1, 0}, {2, 0}, {3, 0}});
    Shape2DB db;
    ASSERT_EQ(straight.flatten(false, {.preview = true}, 30, false, 0, db), 0);
    EXPECT_EQ(element(db, 0).p, (std::vector<Pair>{{0, 0}, {3, 0}}));
}

TEST(Flatten, ProfilesApplyTheirEditsAndNumberTheirContours) {
    InputProfile2 profile;
    for (double x : {1.0, 3.0}) addSegment(profile.addContour(), Curve2::Linear, {{x, 1}, {x, -1}});
    profile.mirror = true;
    Shape2DB db, plain;
    ASSERT_EQ(profile.flattenProfile(true, true, 1, 30, false, db), 0);
    ASSERT_EQ(db.elementCount(), 2);
    for (int e = 0; e < 2; ++e) {
        Flat mirrored = element(db, e);  // closed by the bridges
        EXPECT_EQ(std::tuple(mirrored.part, mirrored.kind, mirrored.p.front()),
                  std::tuple(e + 1, int(Geo2Interface::Closed), Pair{e ? 3.0 : 1.0, 1}));
    }
    ASSERT_EQ(profile.flattenProfile(false, false, 1, 30, false, plain), 0);
    ASSERT_EQ(plain.elementCount(), 2);
    EXPECT_EQ(element(plain, 1).kind, Geo2Interface::Open);
}

std::vector<int> pointsOf(const Shape2DB& db, int element) {
    Geo2Interface::ElementInfo info;
    std::vector<int> buffer(Geo2Interface::kMaxCopiedPoints);
    db.getElement(element, info, buffer.data(), nullptr, nullptr);
    buffer.resize(info.pointCount);
    return buffer;
}

TEST(Shape2DB, StoresMeasuresAndCopiesContoursAndReportsOverlongOnesEmpty) {
    // A 3-4-5 right triangle as a closed contour, an open one, and one of the kind the length pass leaves out.
    Shape2DB db, copy;
    for (auto [x, y] : {std::pair{0.0, 0.0}, {3.0, 0.0}, {3.0, 4.0}}) db.addPoint(x, y);
    db.addNormal(1, 0);
    db.addTexCoord(0.5, 0.25);
    int p[3] = {0, 1, 2}, n[3] = {0, 0, 0};
    db.addElement(Shape2DB::Closed, 1, 3, p, 3, n, 1, p);
    db.addElement(Shape2DB::Open, 2, 3, p, 0, nullptr, 0, nullptr);
    db.addElement(Shape2DB::kUnmeasuredKind, 3, 3, p, 0, nullptr, 0, nullptr);
    Geo2Interface::ElementInfo info;
    ASSERT_TRUE(db.getElement(0, info, nullptr, nullptr, nullptr));
    EXPECT_EQ(std::vector<int>({info.kind, info.part, info.pointCount, info.normalCount, info.texCount}),
              (std::vector<int>{Shape2DB::Closed, 1, 3, 3, 1}));
    EXPECT_EQ(db.elementLength(0), 0.0);  // until measured
    db.computeLengths();
    // No closing edge: 7 for both measured kinds.
    EXPECT_EQ((std::vector<double>{db.elementLength(0), db.elementLength(1), db.elementLength(2)}),
              (std::vector<double>{7, 7, 0}));
    double x0, x1, y0, y1;
    ASSERT_TRUE(db.elementBounds(1, x0, x1, y0, y1));
    EXPECT_EQ(std::vector<double>({x0, x1, y0, y1}), (std::vector<double>{0, 3, 0, 4}));
    copy.addPoint(9, 9);
    copy.copyFrom(db);
    ASSERT_TRUE(db.removeElement(0));
    ASSERT_TRUE(db.getElement(0, info, nullptr, nullptr, nullptr));
    EXPECT_EQ(info.part, 2);  // the later ones moved down
    EXPECT_EQ(db.clear(), 0);
    EXPECT_EQ(db.pointCount() + db.normalCount() + db.texCoordCount() + db.elementCount(), 0);
    ASSERT_EQ(copy.elementCount(), 3);
    EXPECT_EQ(pointsOf(copy, 2), (std::vector<int>{0, 1, 2}));
    EXPECT_DOUBLE_EQ(copy.elementLength(1), 7.0);
    double uv[2];
    ASSERT_TRUE(copy.getTexCoord(0, uv));
    EXPECT_EQ(uv[1], 0.25);
    EXPECT_FALSE(copy.getPoint(3, uv));
    // A contour longer than a copy takes is reported empty.
    std::vector<int> many(5000);
    std::iota(many.begin(), many.end(), 0);
    db.addElement(Shape2DB::Closed, 1, 5000, many.data(), 0, nullptr, 0, nullptr);
    db.addElement(Shape2DB::Closed, 1, 4096, many.data(), 0, nullptr, 0, nullptr);
    EXPECT_TRUE(pointsOf(db, 0).empty());
    EXPECT_EQ(pointsOf(db, 1), std::vector<int>(many.begin(), many.begin() + 4096));
}

// A counter-clockwise axis-aligned square centred on (cx, cy).
int addSquare(PolyShape2& shape, double cx, double cy, double half) {
    int p[4] = {shape.addPoint(cx - half, cy - half), shape.addPoint(cx + half, cy - half),
                shape.addPoint(cx + half, cy + half), shape.addPoint(cx - half, cy + half)};
    return shape.addLoop(p, 4);
}

TEST(PolyShape2, ContainmentCoversLowerEndsOfEdgesButNotUpperOnes) {
    PolyShape2 shape;
    int square = addSquare(shape, 1, 1, 1);  // (0,0) to (2,2)
    int d[4] = {shape.addPoint(0, -1), shape.addPoint(1, 0), shape.addPoint(0, 1), shape.addPoint(-1, 0)};
    int diamond = shape.addLoop(d, 4);
    int c[3] = {shape.addPoint(0, 0), shape.addPoint(2, 0), shape.addPoint(1, 2)};
    int chain = shape.addChain(c, 3);
    test::TempDir dir;
    std::FILE* console = std::fopen(dir.file("console").c_str(), "w");
    shape.setConsole(console);
    // Inside the square; on its left edge (a left crossing), not its right (two left crossings); on its bottom edge
    // (lower ends count), not its top. Level with the diamond's side vertices, each vertex is crossed once.
    for (auto [loop, x, y, inside] : {std::tuple{square, 1, 1, true}, {square, 0, 1, true}, {square, 2, 1, false},
                                      {square, 1, 0, true}, {square, 1, 2, false}, {diamond, 0, 0, true},
                                      {diamond, -1, 0, true}, {diamond, 2, 0, false}})
        EXPECT_EQ(shape.loopContainsPoint(loop, x, y), inside) << loop << ": " << x << ", " << y;
    // An open chain crosses an odd number of times: outside, with a diagnostic.
    EXPECT_FALSE(shape.loopContainsPoint(chain, 1.2, 1));
    std::fclose(console);
    shape.setConsole(stdout);
    EXPECT_EQ(test::readFile(dir.file("console")),
              "PolyShape2::loopContainsPoint exception:\nright_crossings 1 left_crossings 0\n");
}

TEST(PolyShape2, ZeroAreaAndBrokenLoopsCountAsClockwise) {
    PolyShape2 shape;
    int square = addSquare(shape, 0, 0, 1);
    EXPECT_FALSE(shape.loopIsClockwise(square));
    ASSERT_TRUE(shape.reverseLoop(square));
    EXPECT_TRUE(shape.loopIsClockwise(square));
    EXPECT_EQ(shape.loopPoints(square), (std::vector<int>{0, 3, 2, 1}));
    int flat[3] = {shape.addPoint(0, 0), shape.addPoint(1, 1), shape.addPoint(2, 2)};
    const int line = shape.addLoop(flat, 3), chain = shape.addChain(flat, 3);
    for (int loop : {line, chain}) {
        EXPECT_TRUE(shape.loopIsClockwise(loop)) << loop;
        ASSERT_TRUE(shape.reverseLoop(loop));
    }
    EXPECT_TRUE(shape.loopIsClockwise(line));  // and an open chain now starts at its old end
    EXPECT_EQ(shape.loopPoints(chain), (std::vector<int>{6, 5, 4}));
    int missing[2] = {0, 99};
    EXPECT_EQ(shape.addLoop(missing, 2), -1);
}

TEST(PolyShape2, NestedLoopsOfItsOwnOrOfAShapeGetDepthsAndAlternatingOrientation) {
    // Given middle, inner, outer and a square beside them, all but the inner one clockwise.
    PolyShape2 shape;
    const int middle = addSquare(shape, 0, 0, 3), inner = addSquare(shape, 0, 0, 1), outer = addSquare(shape, 0, 0, 5);
    const int beside = addSquare(shape, 20, 0, 1);
    for (int loop : {middle, outer, beside}) shape.reverseLoop(loop);
    std::vector<int> firstPoints;
    for (int loop = 0; loop < shape.loopCount(); ++loop) firstPoints.push_back(shape.loopPoints(loop)[0]);
    EXPECT_EQ(shape.classifyLoops(false), (std::vector<int>{1, 2, 0, 0}));
    EXPECT_TRUE(shape.loopIsClockwise(outer));  // left as it was
    EXPECT_EQ(shape.classifyLoops(true), (std::vector<int>{1, 2, 0, 0}));
    EXPECT_EQ((std::vector<bool>{shape.loopIsClockwise(outer), shape.loopIsClockwise(middle),
                                 shape.loopIsClockwise(inner), shape.loopIsClockwise(beside)}),
              (std::vector<bool>{false, true, false, false}));
    for (int loop = 0; loop < shape.loopCount(); ++loop) EXPECT_EQ(shape.loopPoints(loop)[0], firstPoints[loop]);
    // The closed contours of a shape database are taken as loops.
    Shape2DB db;
    const double xy[7][2] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {1, 1}, {2, 3}, {3, 1}};
    for (auto& p : xy) db.addPoint(p[0], p[1]);
    int outline[4] = {0, 1, 2, 3}, open[2] = {0, 2}, hole[3] = {4, 6, 5};  // hole given counter-clockwise
    db.addElement(Shape2DB::Closed, 1, 4, outline, 0, nullptr, 0, nullptr);
    db.addElement(Shape2DB::Open, 2, 2, open, 0, nullptr, 0, nullptr);
    db.addElement(Shape2DB::Closed, 3, 3, hole, 0, nullptr, 0, nullptr);
    PolyShape2 taken;
    taken.addPoint(-9, -9);  // points already there stay in front of the shape's
    ASSERT_EQ(taken.addShape(db), 2);
    EXPECT_EQ(taken.loopPoints(1), (std::vector<int>{5, 7, 6}));
    EXPECT_EQ(taken.classifyLoops(true), (std::vector<int>{0, 1}));
    EXPECT_EQ(taken.loopPoints(1), (std::vector<int>{5, 6, 7}));
}

}  // namespace
}  // namespace fw
