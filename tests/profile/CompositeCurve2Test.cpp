// Segments: evaluation, arc length and their stored form. Contours: the parametric shapes against their defining
// coordinates, automatic handles, corner modifications, mirroring, linking and the stored form. Editable profiles:
// their stored form, OBJ outlines, and the tidy-up after loading.
#include "profile/CompositeCurve2.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "BlockFile.h"
#include "GeometryText.h"
#include "profile/InputProfile2.h"

namespace fw {
namespace {

const double k = CompositeCurve2::kCircleHandle;

CompositeCurve2 shape(int type, double w, double h, std::vector<double> params = {}) {
    CompositeCurve2 c;
    c.shapeType = type, c.shapeWidth = w, c.shapeHeight = h;
    for (size_t i = 0; i < params.size(); ++i) c.shapeParams[i] = params[i];
    EXPECT_TRUE(c.buildShape());
    return c;
}

void expectPoint(const CurvePoint& p, double x, double y, double tolerance = 0) {
    EXPECT_NEAR(p.x, x, tolerance);
    EXPECT_NEAR(p.y, y, tolerance);
}

// The segment's points from its first, as many as given.
void expectPoints(const Curve2& c, std::initializer_list<std::pair<double, double>> points, double tolerance = 0) {
    ASSERT_GE(c.pointCount(), static_cast<int>(points.size()));
    int i = 0;
    for (auto [x, y] : points) {
        SCOPED_TRACE(i);
        expectPoint(c.point(i++), x, y, tolerance);
    }
}

double radius(const CurvePoint& p) { return std::hypot(p.x, p.y); }

void expectXY(const double* v, double x, double y) { EXPECT_EQ(std::pair(v[0], v[1]), std::pair(x, y)); }

Curve2 cubic(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy) {
    Curve2 c(Curve2::Bezier);
    for (const CurvePoint& p : {CurvePoint::anchor(ax, ay), CurvePoint::handle(bx, by), CurvePoint::handle(cx, cy),
                                CurvePoint::anchor(dx, dy)})
        c.addPoint(p);
    c.computeLength();
    return c;
}

// A measured segment through anchors only.
Curve2 anchors(std::initializer_list<std::pair<double, double>> points, int type = Curve2::Linear) {
    Curve2 c(type);
    for (auto [x, y] : points) c.addPoint(CurvePoint::anchor(x, y));
    c.computeLength();
    return c;
}

TEST(Shapes, StarValleysTipsAndRoundedEdgesAndGearTeeth) {
    CompositeCurve2 star = shape(CompositeCurve2::STAR, 2, 2, {5, 0});
    ASSERT_EQ(star.segments().size(), 1u);
    const Curve2& outline = star.segments()[0];
    ASSERT_EQ(std::pair(int(outline.type), outline.pointCount()), std::pair(int(Curve2::Linear), 11));
    for (int i : {0, 10}) expectPoint(outline.point(i), 0, 1);
    for (int i = 0; i < 10; ++i) EXPECT_NEAR(radius(outline.point(i)), i % 2 ? 0.49 * 2 : 1.0, 1e-12) << i;
    EXPECT_TRUE(star.closed());
    const Curve2 spikes = shape(CompositeCurve2::STAR, 4, 2, {6, 0.5}).segments()[0];
    ASSERT_EQ(spikes.pointCount(), 13);
    expectPoint(spikes.point(3), -2 * 0.53, 0, 1e-12);  // valley at 90 degrees, x stretched by w/h
    CompositeCurve2 round = shape(CompositeCurve2::STAR, 2, 2, {5, 0, 0.2, 0});
    ASSERT_EQ(round.segments().size(), 10u);
    for (int i = 0; i < 10; ++i) {
        const Curve2& c = round.segments()[i];
        ASSERT_EQ(c.type, Curve2::Bezier);
        EXPECT_EQ(c.point(1).pointType, CurvePoint::HANDLE_FIXED);
        // Tip handles reach 0.1 x h along the tangent of the tip circle.
        const CurvePoint &tip = i % 2 ? c.point(3) : c.point(0), &handle = i % 2 ? c.point(2) : c.point(1);
        EXPECT_NEAR(std::hypot(handle.x - tip.x, handle.y - tip.y), 0.2, 1e-12);
        EXPECT_NEAR(handle.x * tip.x + handle.y * tip.y, 1.0, 1e-12);
    }
    EXPECT_TRUE(round.closed());
    EXPECT_TRUE(round.segments()[9].attachedTail() && round.segments()[0].attachedHead());
    // A gear with pointed teeth.
    CompositeCurve2 gear = shape(CompositeCurve2::GEAR, 2, 2, {6, 0, 0.5, 0.2, 0.7});
    const auto& list = gear.segments();
    ASSERT_EQ(list.size(), 18u);  // flank, valley, flank per tooth
    expectPoint(list[0].point(0), 0, 1);
    for (int tooth = 0; tooth < 6; ++tooth) {
        const Curve2 &up = list[3 * tooth], &valley = list[3 * tooth + 1], &down = list[3 * tooth + 2];
        EXPECT_EQ(std::tuple(up.type, valley.type, valley.point(1).pointType),
                  std::tuple(Curve2::Linear, Curve2::Bezier, CurvePoint::HANDLE_FIXED));
        EXPECT_NEAR(radius(valley.point(0)), 0.8, 1e-12);
        // The flanks of neighbouring teeth meet on the outer circle.
        const Curve2& nextUp = list[(3 * tooth + 3) % 18];
        EXPECT_NEAR(radius(down.lastPoint()), 1.0, 1e-12);
        expectPoint(down.lastPoint(), nextUp.point(0).x, nextUp.point(0).y, 1e-12);
    }
    EXPECT_EQ(list[17].lastPoint().x, list[0].point(0).x);  // exactly the first point
    EXPECT_TRUE(gear.closed());
    EXPECT_EQ(shape(CompositeCurve2::GEAR, 2, 2, {6, 0.4, 0.5, 0.2}).segments().size(), 24u);
    EXPECT_EQ(shape(CompositeCurve2::GEAR, 2, 2, {6, 0.4, 1.0, 0.2}).segments().size(), 18u);
}

TEST(Shapes, RoundRectPolygonCirclePlusAndPlacement) {
    CompositeCurve2 rr = shape(CompositeCurve2::ROUND_RECT, 2, 1, {1});
    const auto& list = rr.segments();
    ASSERT_EQ(list.size(), 6u);  // radius limited to 0.5: no straight left or right side
    expectPoints(list[0], {{-1, 0}, {-1, 0.5 * k}, {-0.5 - 0.5 * k, 0.5}, {-0.5, 0.5}}, 1e-15);
    EXPECT_EQ(list[1].type, Curve2::Linear);
    expectPoint(list[1].lastPoint(), 0.5, 0.5);
    CompositeCurve2 plain = shape(CompositeCurve2::ROUND_RECT, 2, 1, {0});
    ASSERT_EQ(plain.segments().size(), 1u);
    EXPECT_EQ(plain.segments()[0].pointCount(), 5);
    expectPoint(plain.segments()[0].point(1), -1, 0.5);
    const Curve2 triangle = shape(CompositeCurve2::POLY, 2, 2, {3}).segments()[0];
    ASSERT_EQ(triangle.pointCount(), 4);
    expectPoint(triangle.point(0), 0, 1);
    const Curve2 square = shape(CompositeCurve2::POLY, 2, 2, {4}).segments()[0];
    EXPECT_NEAR(square.point(0).y, std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(square.point(3).y, square.point(0).y, 1e-15);  // a flat top edge
    const std::vector<Curve2> ellipse = shape(CompositeCurve2::ELLIPSE, 4, 2).segments();
    ASSERT_EQ(ellipse.size(), 4u);
    expectPoints(ellipse[0], {{0, 1}, {k * 2, 1}, {2, k}, {2, 0}});
    const Curve2 plus = shape(CompositeCurve2::PLUS, 4, 4, {0.5, 0.5, 0.5, 0.5}).segments()[0];
    ASSERT_EQ(plus.pointCount(), 13);
    expectPoint(plus.point(0), -1, -2);
    double area = 0;
    for (int i = 0; i + 1 < plus.pointCount(); ++i)
        area += plus.point(i).x * plus.point(i + 1).y - plus.point(i + 1).x * plus.point(i).y;
    EXPECT_DOUBLE_EQ(area / 2, 16 - 4 * 1 * 1);  // counter-clockwise: the square less its corners
    CompositeCurve2 moved = shape(CompositeCurve2::POLY, 2, 2, {3});
    moved.rotAngle = 90, moved.shapeX = 10;
    ASSERT_TRUE(moved.buildShape());
    expectPoint(moved.segments()[0].point(0), 9, 0);
    CompositeCurve2 flat = shape(CompositeCurve2::CIRCLE, 0, 2);
    ASSERT_EQ(flat.segments().size(), 1u);
    EXPECT_EQ(flat.segments()[0].pointCount(), 0);
    EXPECT_FALSE(CompositeCurve2().buildShape());
}

TEST(Shapes, GearParametersAreStoredButNotTheHole) {
    test::TempDir dir;
    CompositeCurve2 gear = shape(CompositeCurve2::GEAR, 3, 2, {8, 0.25, 0.5, 0.125, 0.7});
    std::string text = test::writeBlockFile(gear, dir.file("gear"));
    test::expectContains(text, {"  shapeType \"GEAR\"\n  shapeX 0\n  shapeY 0\n  shapeWidth 3\n  shapeHeight 2\n"
                                "  gearNumSides 8\n  gearOuterThickness 0.25\n  gearInnerThickness 0.5\n"
                                "  gearValleyPercent 0.125\n  pointModification 0\n  mirror 0\n  rotAngle 0\n"});
    CompositeCurve2 back, wrong, unknown;
    ASSERT_EQ(test::readInto(back, dir.file("gear")), 0);
    EXPECT_EQ(std::vector<double>(back.shapeParams, back.shapeParams + 5),
              (std::vector<double>{8, 0.25, 0.5, 0.125, 0}));
    EXPECT_EQ(test::writeBlockFile(back, dir.file("again")), text);  // every segment written again
    const std::string curve3 = " begin CompositeCurve2\n  begin Curve3\n  end Curve3\n end CompositeCurve2\n";
    EXPECT_EQ(test::readTextInto(wrong, dir.file("w"), curve3), -1);
    EXPECT_EQ(wrong.segments().size(), 1u);  // appended before its name was checked
    test::readTextInto(unknown, dir.file("u"), " begin CompositeCurve2\n  shapeType \"HEART\"\n end CompositeCurve2\n");
    EXPECT_EQ(unknown.shapeType, CompositeCurve2::CUSTOM);
}

// Two cubic segments along straight lines meeting in a right angle at the origin.
CompositeCurve2 corner(int16_t cornerType, double radius) {
    CompositeCurve2 c;
    c.segments() = {cubic(-12, 0, -8, 0, -4, 0, 0, 0), cubic(0, 0, 0, -4, 0, -8, 0, -12)};
    c.segments()[1].point(0).cornerType = cornerType, c.segments()[1].point(0).cornerRadius = radius;
    c.linkSegments();
    c.pointModification = true;
    c.applyCornerModifications();
    return c;
}

TEST(Edits, CornerModificationsLinkingAndNeighbours) {
    const std::vector<Curve2> b = corner(CurvePoint::BEVEL, 2).modifiedSegments();
    ASSERT_EQ(b.size(), 3u);
    expectPoint(b[0].lastPoint(), -2, 0, 1e-9);
    EXPECT_EQ(b[1].type, Curve2::Linear);
    expectPoints(b[1], {{-2, 0}, {0, -2}}, 1e-9);
    EXPECT_NEAR(b[2].length(), 10, 1e-6);  // from (0, -2), where the bevel ends
    const std::vector<Curve2> r = corner(CurvePoint::ROUND, 2).modifiedSegments();
    ASSERT_EQ(r.size(), 3u);
    ASSERT_EQ(r[1].type, Curve2::Bezier);
    expectPoint(r[1].point(1), -1, 0, 1e-9);  // halfway towards the old corner
    expectPoint(r[1].point(2), 0, -1, 1e-9);
    const std::vector<Curve2> r2 = corner(CurvePoint::ROUND2, 3).modifiedSegments();
    ASSERT_EQ(r2.size(), 2u);
    double d = 3 / std::sqrt(2.0);
    expectPoint(r2[1].point(1), d, -d, 1e-12);  // along the line between the neighbouring anchors
    expectPoint(r2[0].point(2), -d, d, 1e-12);
    EXPECT_EQ(corner(CurvePoint::BEVEL, 0).modifiedSegments().size(), 2u);
    CompositeCurve2 c = corner(CurvePoint::NONE, 0);  // linked and neighbours follow where ends meet
    const auto& list = c.segments();
    EXPECT_TRUE(list[0].attachedTail() && list[1].attachedHead());
    EXPECT_FALSE(c.closed());  // the ends (-12, 0) and (0, -12) do not meet
    using Ref = CompositeCurve2::PointRef;
    Ref joint{1, 0};
    Ref before = c.handleBefore(joint), after = c.handleAfter(joint), from = c.anchorBefore(joint);
    EXPECT_EQ((std::vector<int>{before.segment, before.index, after.segment, after.index, from.segment, from.index}),
              (std::vector<int>{0, 2, 1, 1, 0, 0}));
    EXPECT_FALSE(c.anchorAfter(Ref{1, 3}).valid());
    EXPECT_FALSE(c.handleBefore(Ref{0, 0}).valid());
}

TEST(Edits, AutomaticHandlesFollowTheNeighbouringAnchorsAndMirroringClosesAnOpenContour) {
    CompositeCurve2 diamond;
    const double corners[5][2] = {{0, 1}, {1, 0}, {0, -1}, {-1, 0}, {0, 1}};
    for (int i = 0; i < 4; ++i)
        diamond.segments().push_back(
            cubic(corners[i][0], corners[i][1], 5, 5, 5, 5, corners[i + 1][0], corners[i + 1][1]));
    diamond.linkSegments();
    ASSERT_TRUE(diamond.closed());
    diamond.applyAutoHandles();
    double reach = std::sqrt(2.0) * CurvePoint::kDefaultTightness;
    expectPoint(diamond.segments()[0].point(1), reach, 1, 1e-12);   // along (-1, 0) -> (1, 0)
    expectPoint(diamond.segments()[3].point(2), -reach, 1, 1e-12);  // the same tangent, before the anchor
    diamond.segments().pop_back();  // open: the ends follow their own chords
    diamond.linkSegments();
    diamond.applyAutoHandles();
    expectPoint(diamond.segments()[0].point(1), reach / std::sqrt(2.0), 1 - reach / std::sqrt(2.0), 1e-12);
    expectPoint(diamond.segments()[2].point(2), -1 + reach / std::sqrt(2.0), -reach / std::sqrt(2.0), 1e-12);
    // Mirroring an open contour closes it with bridges.
    CompositeCurve2 side;
    side.segments().push_back(anchors({{1, 1}, {1, -1}}));
    side.linkSegments();
    ASSERT_FALSE(side.closed());
    side.applyMirror(false);
    EXPECT_TRUE(side.mirror);
    const auto& m = side.mirroredSegments();
    ASSERT_EQ(m.size(), 4u);
    const double expected[4][4][2] = {{{1, 1}, {1, -1}}, {{1, -1}, {0.5, -1}, {-0.5, -1}, {-1, -1}},
                                      {{-1, -1}, {-1, 1}}, {{-1, 1}, {-0.5, 1}, {0.5, 1}, {1, 1}}};
    for (int s = 0; s < 4; ++s) {
        ASSERT_EQ(m[s].pointCount(), s % 2 ? 4 : 2);
        for (int i = 0; i < m[s].pointCount(); ++i) expectPoint(m[s].point(i), expected[s][i][0], expected[s][i][1]);
        EXPECT_TRUE(m[s].attachedHead() && m[s].attachedTail());
    }
    EXPECT_EQ(m[1].point(1).pointType, CurvePoint::HANDLE_BROKEN);
    EXPECT_FALSE(side.closed());  // the drawn contour itself stays open
}

TEST(Curve2, EvaluatesWithLeftNormalsMeasuresArcLengthAndCutsItExactly) {
    double p[2], n[2];
    Curve2 arch = cubic(0, 0, 0, 1, 1, 1, 1, 0);
    arch.evaluateAt(0.5, p, n);
    expectXY(p, 0.5, 0.75);
    expectXY(n, 0, 1);  // running right at the top: the left normal points up
    // A handle on its anchor gives no tangent there; the chord stands in.
    cubic(0, 0, 0, 0, 2, 1, 2, 0).evaluateAt(0, p, n);
    expectXY(n, 0, 1);
    Curve2 ell = anchors({{0, 0}, {3, 0}, {3, 0}, {3, 4}});
    EXPECT_DOUBLE_EQ(ell.length(), 7.0);
    ell.evaluateAt(0.5, p, n);  // 3.5 along: half a unit up the second, real edge
    expectXY(p, 3, 0.5);
    expectXY(n, -1, 0);
    const double k = 0.55228474983;
    Curve2 quarter = cubic(0, 1, k, 1, 1, k, 1, 0);
    EXPECT_NEAR(quarter.length(), M_PI / 2, 2e-3);
    ASSERT_GE(quarter.arcLengths().count(), Curve2::kLengthSamples - 1);
    EXPECT_EQ(quarter.arcLengths().last(), quarter.length());
    // Cutting keeps the shape of what remains: its points still lie on the circle.
    Curve2 rest = quarter.withoutStart(0.5);
    EXPECT_NEAR(rest.length(), quarter.length() - 0.5, 2e-3);
    for (double t : {0.0, 0.3, 0.7, 1.0}) {
        rest.evaluateAt(t, p, n);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 1.0, 3e-4);
    }
    Curve2 head = cubic(0, 0, 1, 0, 2, 0, 3, 0).withoutEnd(1.0);
    EXPECT_NEAR(head.lastPoint().x, 2.0, 1e-9);
    EXPECT_TRUE(head.lastPoint().isAnchor());
}

// Every point field's line comes back in Conformance.EveryHandWrittenFileResavesToItsBytes… (tests/app) and
// CommandLine.SceneFilesResaveByteForByteWithOrWithoutTheSceneBlock (tests/cli); here, a fixed handle.
TEST(Curve2, StoresEveryPointFieldAndRefusesUnknownWords) {
    test::TempDir dir;
    Curve2 c = cubic(0, 0, 1, 2, 3, 2.25, 4, 0);
    const std::string text = test::writeBlockFile(c, dir.file("a"));
    test::expectContains(text, {"  p 1 2\n  pType HANDLE_FIXED\n  pPointTightness 0.333333\n  p 3 2.25\n"});
    Curve2 back, early;
    ASSERT_EQ(test::readInto(back, dir.file("a")), 0);
    EXPECT_EQ(test::writeBlockFile(back, dir.file("b")), text);
    EXPECT_NEAR(back.length(), c.length(), 1e-12);  // measured when the block ends
    Curve2 empty(Curve2::Empty);
    empty.addPoint(CurvePoint::anchor(1, 1));
    EXPECT_EQ(test::writeBlockFile(empty, dir.file("c")), " begin Curve2\n  type Empty\n end Curve2\n");
    for (const char* line : {"type Spline", "p 1 1\n  pType CORNER", "p 1 1\n  pCornerType SHARP", "p 1 x"}) {
        Curve2 c;
        std::string text = std::string(" begin Curve2\n  ") + line + "\n end Curve2\n";
        std::string diagnostic;
        EXPECT_EQ(test::readTextInto(c, dir.file("bad"), text, &diagnostic), -1) << line;
        test::expectContains(diagnostic, {"for class <<Curve2>>"});
    }
    // Point lines before any point have nothing to describe and are dropped.
    EXPECT_EQ(
        test::readTextInto(early, dir.file("early"), " begin Curve2\n  pType HANDLE_FIXED\n  p 1 1\n end Curve2\n"), 0);
    EXPECT_TRUE(early.point(0).isAnchor());
}

TEST(InputProfile2, RoundTripsEveryBlockByteForByteReadsObjOutlinesAndRefusesIllustratorFiles) {
    test::TempDir dir;
    // The profile's own lines, drawn contours and corner modifications are resaved in
    // Conformance.EveryHandWrittenFileResavesToItsBytes… (tests/app); here, a star's parameters and an empty segment.
    InputProfile2 profile;
    CompositeCurve2& star = profile.addContour() = shape(CompositeCurve2::STAR, 4, 3, {5, 0.4, 0.1});
    star.rotAngle = 30;
    star.buildShape();
    CompositeCurve2& drawn = profile.addContour();
    drawn.segments().push_back(anchors({{0, 0}, {1, 1}, {2, 1}, {3, 0}}, Curve2::Bezier));
    drawn.addSegment(Curve2::Empty);
    std::string text = test::writeBlockFile(profile, dir.file("a"));
    test::expectContains(text, {"   starNumSides 5\n   starValleyPercent 0.4\n   starTipRoundness 0.1\n"
                                "   starValleyRoundness 0\n   pointModification 0\n   mirror 0\n   rotAngle 30\n"
                                "   begin Curve2\n    type Bezier\n",
                                "   begin Curve2\n    type Empty\n   end Curve2\n"});
    InputProfile2 back, logo, missing, art, wrong;
    std::string diagnostic;
    ASSERT_EQ(test::readInto(back, dir.file("a"), &diagnostic), 0) << diagnostic;
    EXPECT_EQ(test::writeBlockFile(back, dir.file("b")), text);
    test::writeFile(dir.file("logo.obj"),
                    "v 0 0 5\nv 4 0 5\nv 4 3 5\nv 0 3 5\nv 10 10 0\nv 12 10 0\nv 11 12 0\nf 1 2 3 4\nf 5 6 7\n");
    std::string head = " begin InputProfile2\n  infileObj \"" + dir.file("logo.obj") + "\"\n";
    ASSERT_EQ(test::readTextInto(logo, dir.file("p"), head + " end InputProfile2\n", &diagnostic), 0) << diagnostic;
    ASSERT_EQ(logo.contours().size(), 2u);
    const CompositeCurve2& square = logo.contours()[0];
    ASSERT_EQ(square.segments().size(), 1u);
    // Its solid is checked through an object in ObjectX.OpenAndDetailedOutlinesGiveWholeFaces (tests/geometry).
    const Curve2& c = square.segments()[0];
    EXPECT_EQ(std::pair(square.closed(), c.closed()), std::pair(true, true));
    ASSERT_EQ(c.pointCount(), 4);
    EXPECT_EQ(c.length(), 11);  // no closing edge
    EXPECT_EQ(logo.contours()[1].segments()[0].pointCount(), 3);
    const std::string missingObj = " begin InputProfile2\n  infileObj \"" + dir.file("none.obj") + "\"\n";
    EXPECT_EQ(test::readTextInto(missing, dir.file("m"), missingObj), -1);
    const std::string illustrator = " begin InputProfile2\n  infileIllustrator \"logo.ai\"\n";
    EXPECT_EQ(test::readTextInto(art, dir.file("i"), illustrator, &diagnostic), -1);
    test::expectContains(diagnostic, {"<<infileIllustrator>>"});
    EXPECT_EQ(test::readTextInto(wrong, dir.file("w"), " begin InputProfile2\n  begin Curve2\n"), -1);
    EXPECT_EQ(wrong.contours().size(), 1u);
}

TEST(InputProfile2, NormalizingTypesHandlesByTheirGeometry) {
    InputProfile2 profile;
    profile.contours().resize(4);
    CompositeCurve2 &smooth = profile.contours()[0], &sharp = profile.contours()[1];
    CompositeCurve2 &quadratic = profile.contours()[2], &lone = profile.contours()[3];
    // Through the joint at the origin the handles lie on one line, at different lengths.
    smooth.segments().push_back(anchors({{-4, 0}, {-3, 1}, {-1, 0}, {0, 0}}, Curve2::Bezier));
    smooth.segments().push_back(anchors({{0, 0}, {3, 0}, {4, 1}, {5, 0}}, Curve2::Bezier));
    sharp.segments().push_back(anchors({{-4, 0}, {-3, 1}, {-1, 0}, {0, 0}}, Curve2::Bezier));
    sharp.segments().push_back(anchors({{0, 0}, {0, 3}, {4, 1}, {5, 0}}, Curve2::Bezier));
    quadratic.segments().push_back(anchors({{0, 0}, {1, 2}, {2, 0}}, Curve2::Bezier));
    lone.segments().push_back(anchors({{0, 1}, {0, 0}}, Curve2::Bezier));
    lone.segments().push_back(anchors({{0, 0}, {1, 0}}, Curve2::Bezier));
    lone.addSegment(Curve2::Linear).addPoint(CurvePoint::handle(1, 0));
    lone.segments().back().addPoint(CurvePoint::handle(2, 0));
    profile.normalize();
    const auto& s = smooth.segments();
    EXPECT_EQ(std::tuple(s[0].point(2).pointType, s[1].point(1).pointType, s[0].point(1).pointType),
              std::tuple(CurvePoint::HANDLE_FIXED, CurvePoint::HANDLE_FIXED, CurvePoint::HANDLE_BROKEN));
    EXPECT_TRUE(s[0].point(0).isAnchor() && s[0].point(3).isAnchor());
    EXPECT_TRUE(s[0].attachedTail() && s[1].attachedHead());
    EXPECT_EQ(std::tuple(sharp.segments()[0].point(2).pointType, sharp.segments()[1].point(1).pointType),
              std::tuple(CurvePoint::HANDLE_BROKEN, CurvePoint::HANDLE_BROKEN));
    // The quadratic becomes a cubic on the very same curve.
    const Curve2& q = quadratic.segments()[0];
    ASSERT_EQ(q.pointCount(), 4);
    EXPECT_NEAR(std::hypot(q.point(1).x - 2.0 / 3, q.point(1).y - 4.0 / 3), 0, 1e-15);
    EXPECT_EQ(q.point(1).pointTightness, CurvePoint::kDefaultTightness);
    for (double t : {0.1, 0.35, 0.5, 0.8}) {
        double p[2], n[2];
        q.evaluateAt(t, p, n);
        EXPECT_NEAR(p[0], 2 * t, 1e-12);
        EXPECT_NEAR(p[1], 4 * t * (1 - t), 1e-12);
    }
    std::vector<bool> leading;  // whether each segment's first two points are anchors: the first leads with its handle
    for (const Curve2& segment : lone.segments())
        for (int i : {0, 1}) leading.push_back(segment.point(i).isAnchor());
    EXPECT_EQ(leading, (std::vector<bool>{false, true, true, false, true, true}));
}

}  // namespace
}  // namespace fw
