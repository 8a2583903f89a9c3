// Editable profiles: their stored form, OBJ outlines, and the tidy-up after loading.
#include "profile/InputProfile2.h"

#include <gtest/gtest.h>

#include <cmath>

#include "BlockFile.h"
#include "GeometryText.h"

namespace fw {
namespace {

Curve2 bezier(std::initializer_list<std::pair<double, double>> points) {
    Curve2 c(Curve2::Bezier);
    for (auto [x, y] : points) c.addPoint(CurvePoint::anchor(x, y));
    return c;
}

TEST(InputProfile2, RoundTripsEveryBlockByteForByte) {
    test::TempDir dir;
    InputProfile2 profile;
    profile.autoHandle = true, profile.rotAngle = 12.5, profile.originalOffset[0] = -3, profile.originalOffset[1] = 0.25;
    CompositeCurve2& star = profile.addContour();
    star.shapeType = CompositeCurve2::STAR, star.shapeWidth = 4, star.shapeHeight = 3, star.rotAngle = 30;
    star.shapeParams[0] = 5, star.shapeParams[1] = 0.4, star.shapeParams[2] = 0.1;
    star.buildShape();
    CompositeCurve2& drawn = profile.addContour();
    drawn.pointModification = true;
    drawn.segments().push_back(bezier({{0, 0}, {1, 1}, {2, 1}, {3, 0}}));
    drawn.segments().back().point(0).cornerType = CurvePoint::BEVEL, drawn.segments().back().point(0).cornerRadius = 0.75;
    drawn.addSegment(Curve2::Empty);

    std::string text = test::writeBlockFile(profile, dir.file("a"));
    EXPECT_EQ(text.rfind(" begin InputProfile2\n  autoHandle 1\n  pointModification 0\n  mirror 0\n  rotAngle 12.5\n"
                         "  originalOffset -3 0.25\n  begin CompositeCurve2\n",
                         0),
              0u);
    test::expectContains(text, {"   starNumSides 5\n   starValleyPercent 0.4\n   starTipRoundness 0.1\n"
                                "   starValleyRoundness 0\n   pointModification 0\n   mirror 0\n   rotAngle 30\n"
                                "   begin Curve2\n    type Bezier\n",
                                "   closed 0\n   shapeType \"CUSTOM\"\n   pointModification 1\n",
                                "    pCornerType BEVEL\n    pCornerRadius 0.75\n",
                                "   begin Curve2\n    type Empty\n   end Curve2\n"});

    InputProfile2 back;
    std::string diagnostic;
    ASSERT_EQ(test::readInto(back, dir.file("a"), &diagnostic), 0) << diagnostic;
    ASSERT_EQ(back.contours().size(), 2u);
    EXPECT_EQ(back.contours()[0].segments().size(), 10u);
    EXPECT_EQ(test::writeBlockFile(back, dir.file("b")), text);
}

TEST(InputProfile2, ReadsObjOutlinesAndRefusesIllustratorFiles) {
    test::TempDir dir;
    test::writeFile(dir.file("logo.obj"),
                    "v 0 0 5\nv 4 0 5\nv 4 3 5\nv 0 3 5\nv 10 10 0\nv 12 10 0\nv 11 12 0\nf 1 2 3 4\nf 5 6 7\n");
    InputProfile2 profile;
    std::string head = " begin InputProfile2\n  infileObj \"" + dir.file("logo.obj") + "\"\n";
    std::string diagnostic;
    ASSERT_EQ(test::readTextInto(profile, dir.file("p"), head + " end InputProfile2\n", &diagnostic), 0) << diagnostic;
    ASSERT_EQ(profile.contours().size(), 2u);
    const CompositeCurve2& square = profile.contours()[0];
    EXPECT_TRUE(square.closed());
    ASSERT_EQ(square.segments().size(), 1u);
    const Curve2& c = square.segments()[0];
    EXPECT_EQ(c.type, Curve2::Linear);
    EXPECT_TRUE(c.closed());
    ASSERT_EQ(c.pointCount(), 4);
    EXPECT_EQ(std::pair(c.point(2).x, c.point(2).y), std::pair(4.0, 3.0));
    EXPECT_EQ(c.length(), 11);  // no closing edge
    EXPECT_EQ(profile.contours()[1].segments()[0].pointCount(), 3);

    InputProfile2 missing;
    EXPECT_EQ(test::readTextInto(missing, dir.file("m"), " begin InputProfile2\n  infileObj \"" + dir.file("none.obj") + "\"\n"),
              -1);
    InputProfile2 art;
    EXPECT_EQ(test::readTextInto(art, dir.file("i"), " begin InputProfile2\n  infileIllustrator \"logo.ai\"\n", &diagnostic),
              -1);
    EXPECT_NE(diagnostic.find("<<infileIllustrator>>"), std::string::npos);
    InputProfile2 wrong;
    EXPECT_EQ(test::readTextInto(wrong, dir.file("w"), " begin InputProfile2\n  begin Curve2\n"), -1);
    EXPECT_EQ(wrong.contours().size(), 1u);
}

TEST(InputProfile2, NormalizingTypesHandlesByTheirGeometry) {
    InputProfile2 profile;
    profile.contours().resize(4);
    CompositeCurve2 &smooth = profile.contours()[0], &sharp = profile.contours()[1];
    CompositeCurve2 &quadratic = profile.contours()[2], &lone = profile.contours()[3];
    // Through the joint at the origin the handles lie on one line, at different lengths.
    smooth.segments().push_back(bezier({{-4, 0}, {-3, 1}, {-1, 0}, {0, 0}}));
    smooth.segments().push_back(bezier({{0, 0}, {3, 0}, {4, 1}, {5, 0}}));
    sharp.segments().push_back(bezier({{-4, 0}, {-3, 1}, {-1, 0}, {0, 0}}));
    sharp.segments().push_back(bezier({{0, 0}, {0, 3}, {4, 1}, {5, 0}}));
    quadratic.segments().push_back(bezier({{0, 0}, {1, 2}, {2, 0}}));
    lone.segments().push_back(bezier({{0, 1}, {0, 0}}));
    lone.segments().push_back(bezier({{0, 0}, {1, 0}}));
    Curve2& line = lone.addSegment(Curve2::Linear);
    line.addPoint(CurvePoint::handle(1, 0));
    line.addPoint(CurvePoint::handle(2, 0));
    profile.normalize();

    const auto& s = smooth.segments();
    EXPECT_EQ(s[0].point(2).pointType, CurvePoint::HANDLE_FIXED);
    EXPECT_EQ(s[1].point(1).pointType, CurvePoint::HANDLE_FIXED);
    EXPECT_EQ(s[0].point(1).pointType, CurvePoint::HANDLE_BROKEN);
    EXPECT_TRUE(s[0].point(0).isAnchor() && s[0].point(3).isAnchor());
    EXPECT_TRUE(s[0].attachedTail() && s[1].attachedHead());
    EXPECT_EQ(sharp.segments()[0].point(2).pointType, CurvePoint::HANDLE_BROKEN);
    EXPECT_EQ(sharp.segments()[1].point(1).pointType, CurvePoint::HANDLE_BROKEN);

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

    const auto& l = lone.segments();
    EXPECT_FALSE(l[0].point(0).isAnchor());  // the first segment leads with its handle
    EXPECT_TRUE(l[0].point(1).isAnchor());
    EXPECT_TRUE(l[1].point(0).isAnchor());
    EXPECT_FALSE(l[1].point(1).isAnchor());
    EXPECT_TRUE(l[2].point(0).isAnchor() && l[2].point(1).isAnchor());
}

}  // namespace
}  // namespace fw
