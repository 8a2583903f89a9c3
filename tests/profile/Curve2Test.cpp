// Segments: evaluation, arc length, and their stored form.
#include "profile/Curve2.h"

#include <gtest/gtest.h>

#include <cmath>

#include "BlockFile.h"

namespace fw {
namespace {

Curve2 cubic(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy) {
    Curve2 c(Curve2::Bezier);
    c.addPoint(CurvePoint::anchor(ax, ay));
    c.addPoint(CurvePoint::handle(bx, by));
    c.addPoint(CurvePoint::handle(cx, cy));
    c.addPoint(CurvePoint::anchor(dx, dy));
    c.computeLength();
    return c;
}

TEST(Curve2, EvaluatesBeziersAndPolylinesWithLeftNormals) {
    double p[2], n[2];
    Curve2 arch = cubic(0, 0, 0, 1, 1, 1, 1, 0);
    arch.evaluateAt(0.5, p, n);
    EXPECT_DOUBLE_EQ(p[0], 0.5);
    EXPECT_DOUBLE_EQ(p[1], 0.75);
    EXPECT_DOUBLE_EQ(n[0], 0.0);  // running right at the top: the left normal points up
    EXPECT_DOUBLE_EQ(n[1], 1.0);
    // A handle on its anchor gives no tangent there; the chord stands in.
    Curve2 cusp = cubic(0, 0, 0, 0, 2, 1, 2, 0);
    cusp.evaluateAt(0, p, n);
    EXPECT_DOUBLE_EQ(n[0], 0.0);
    EXPECT_DOUBLE_EQ(n[1], 1.0);

    Curve2 ell(Curve2::Linear);
    for (auto xy : {std::pair{0.0, 0.0}, {3.0, 0.0}, {3.0, 0.0}, {3.0, 4.0}}) ell.addPoint(CurvePoint::anchor(xy.first, xy.second));
    ell.computeLength();
    EXPECT_DOUBLE_EQ(ell.length(), 7.0);
    ell.evaluateAt(0.5, p, n);  // 3.5 along: half a unit up the second, real edge
    EXPECT_DOUBLE_EQ(p[0], 3.0);
    EXPECT_DOUBLE_EQ(p[1], 0.5);
    EXPECT_DOUBLE_EQ(n[0], -1.0);
    EXPECT_DOUBLE_EQ(n[1], 0.0);
}

TEST(Curve2, MeasuresArcLengthAndCutsItExactly) {
    const double k = 0.55228474983;
    Curve2 quarter = cubic(0, 1, k, 1, 1, k, 1, 0);
    EXPECT_NEAR(quarter.length(), M_PI / 2, 2e-3);
    ASSERT_GE(quarter.arcLengths().count(), Curve2::kLengthSamples - 1);
    EXPECT_EQ(quarter.arcLengths().last(), quarter.length());

    // Cutting keeps the shape of what remains: its points still lie on the circle.
    Curve2 rest = quarter.withoutStart(0.5);
    EXPECT_NEAR(rest.length(), quarter.length() - 0.5, 2e-3);
    double p[2], n[2];
    for (double t : {0.0, 0.3, 0.7, 1.0}) {
        rest.evaluateAt(t, p, n);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 1.0, 3e-4);
    }
    Curve2 line = cubic(0, 0, 1, 0, 2, 0, 3, 0);
    Curve2 head = line.withoutEnd(1.0);
    EXPECT_NEAR(head.lastPoint().x, 2.0, 1e-9);
    EXPECT_TRUE(head.lastPoint().isAnchor());
}

TEST(Curve2, StoresEveryPointFieldAndReadsItBack) {
    test::TempDir dir;
    Curve2 c = cubic(0, 0, 1, 2, 3, 2.25, 4, 0);
    c.point(0).cornerType = CurvePoint::ROUND;
    c.point(0).cornerRadius = 2.5;
    c.point(2).pointType = CurvePoint::HANDLE_BROKEN;
    c.point(3).pointTightness = 0.5;
    c.flags = Curve2::kAttachedHead | Curve2::kClosed;
    const std::string expected =
        " begin Curve2\n  type Bezier\n"
        "  p 0 0\n  pType ANCHOR\n  pCornerType ROUND\n  pCornerRadius 2.5\n  pPointTightness 0.333333\n"
        "  p 1 2\n  pType HANDLE_FIXED\n  pPointTightness 0.333333\n"
        "  p 3 2.25\n  pType HANDLE_BROKEN\n  pPointTightness 0.333333\n"
        "  p 4 0\n  pType ANCHOR\n  pCornerType NONE\n  pPointTightness 0.5\n"
        "  attachedHead 1\n  attachedTail 0\n  closed 1\n end Curve2\n";
    ASSERT_EQ(test::writeBlockFile(c, dir.file("a")), expected);

    Curve2 back;
    ASSERT_EQ(test::readInto(back, dir.file("a")), 0);
    EXPECT_EQ(test::writeBlockFile(back, dir.file("b")), expected);
    EXPECT_EQ(back.point(2).pointType, CurvePoint::HANDLE_BROKEN);
    EXPECT_NEAR(back.length(), c.length(), 1e-12);  // measured when the block ends

    Curve2 empty(Curve2::Empty);
    empty.addPoint(CurvePoint::anchor(1, 1));
    EXPECT_EQ(test::writeBlockFile(empty, dir.file("c")), " begin Curve2\n  type Empty\n end Curve2\n");
}

TEST(Curve2, RejectsUnknownWords) {
    test::TempDir dir;
    for (const char* line : {"type Spline", "p 1 1\n  pType CORNER", "p 1 1\n  pCornerType SHARP", "p 1 x"}) {
        Curve2 c;
        std::string text = std::string(" begin Curve2\n  ") + line + "\n end Curve2\n";
        std::string diagnostic;
        EXPECT_EQ(test::readTextInto(c, dir.file("bad"), text, &diagnostic), -1) << line;
        EXPECT_NE(diagnostic.find("for class <<Curve2>>"), std::string::npos) << diagnostic;
    }
    // Point lines before any point have nothing to describe and are dropped.
    Curve2 c;
    EXPECT_EQ(test::readTextInto(c, dir.file("early"), " begin Curve2\n  pType HANDLE_FIXED\n  p 1 1\n end Curve2\n"), 0);
    EXPECT_TRUE(c.point(0).isAnchor());
}

}  // namespace
}  // namespace fw
