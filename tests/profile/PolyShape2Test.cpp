#include "profile/PolyShape2.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "TempDir.h"
#include "profile/Shape2DB.h"

namespace fw {
namespace {

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
    EXPECT_TRUE(shape.loopContainsPoint(square, 1, 1));
    EXPECT_TRUE(shape.loopContainsPoint(square, 0, 1));   // on the left edge: a left crossing
    EXPECT_FALSE(shape.loopContainsPoint(square, 2, 1));  // on the right edge: two left crossings
    EXPECT_TRUE(shape.loopContainsPoint(square, 1, 0));   // bottom edge: lower ends count
    EXPECT_FALSE(shape.loopContainsPoint(square, 1, 2));  // top edge: upper ends do not
    // Level with the diamond's side vertices, each vertex is crossed once.
    EXPECT_TRUE(shape.loopContainsPoint(diamond, 0, 0));
    EXPECT_TRUE(shape.loopContainsPoint(diamond, -1, 0));
    EXPECT_FALSE(shape.loopContainsPoint(diamond, 2, 0));
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
    int line = shape.addLoop(flat, 3);
    EXPECT_TRUE(shape.loopIsClockwise(line));
    ASSERT_TRUE(shape.reverseLoop(line));
    EXPECT_TRUE(shape.loopIsClockwise(line));
    int chain = shape.addChain(flat, 3);
    EXPECT_TRUE(shape.loopIsClockwise(chain));
    ASSERT_TRUE(shape.reverseLoop(chain));  // an open chain now starts at its old end
    EXPECT_EQ(shape.loopPoints(chain), (std::vector<int>{6, 5, 4}));
    int missing[2] = {0, 99};
    EXPECT_EQ(shape.addLoop(missing, 2), -1);
}

TEST(PolyShape2, NestedLoopsGetDepthsAndAlternatingOrientation) {
    // Given middle, inner, outer and a square beside them, all but the inner one clockwise.
    PolyShape2 shape;
    int middle = addSquare(shape, 0, 0, 3);
    int inner = addSquare(shape, 0, 0, 1);
    int outer = addSquare(shape, 0, 0, 5);
    int beside = addSquare(shape, 20, 0, 1);
    for (int loop : {middle, outer, beside}) shape.reverseLoop(loop);
    std::vector<int> firstPoints;
    for (int loop = 0; loop < shape.loopCount(); ++loop) firstPoints.push_back(shape.loopPoints(loop)[0]);

    EXPECT_EQ(shape.classifyLoops(false), (std::vector<int>{1, 2, 0, 0}));
    EXPECT_TRUE(shape.loopIsClockwise(outer));  // left as it was
    EXPECT_EQ(shape.classifyLoops(true), (std::vector<int>{1, 2, 0, 0}));
    EXPECT_FALSE(shape.loopIsClockwise(outer));
    EXPECT_TRUE(shape.loopIsClockwise(middle));
    EXPECT_FALSE(shape.loopIsClockwise(inner));
    EXPECT_FALSE(shape.loopIsClockwise(beside));
    for (int loop = 0; loop < shape.loopCount(); ++loop) EXPECT_EQ(shape.loopPoints(loop)[0], firstPoints[loop]);
}

TEST(PolyShape2, TakesTheClosedContoursOfAShape) {
    Shape2DB db;
    const double xy[7][2] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {1, 1}, {2, 3}, {3, 1}};
    for (auto& p : xy) db.addPoint(p[0], p[1]);
    int outline[4] = {0, 1, 2, 3}, open[2] = {0, 2}, hole[3] = {4, 6, 5};  // hole given counter-clockwise
    db.addElement(Shape2DB::Closed, 1, 4, outline, 0, nullptr, 0, nullptr);
    db.addElement(Shape2DB::Open, 2, 2, open, 0, nullptr, 0, nullptr);
    db.addElement(Shape2DB::Closed, 3, 3, hole, 0, nullptr, 0, nullptr);
    PolyShape2 shape;
    shape.addPoint(-9, -9);  // points already there stay in front of the shape's
    ASSERT_EQ(shape.addShape(db), 2);
    EXPECT_EQ(shape.loopPoints(1), (std::vector<int>{5, 7, 6}));
    EXPECT_EQ(shape.classifyLoops(true), (std::vector<int>{0, 1}));
    EXPECT_EQ(shape.loopPoints(1), (std::vector<int>{5, 6, 7}));
}

}  // namespace
}  // namespace fw
