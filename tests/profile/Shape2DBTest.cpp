#include "profile/Shape2DB.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace fw {
namespace {

std::vector<int> pointsOf(const Shape2DB& db, int element) {
    Geo2Interface::ElementInfo info;
    std::vector<int> buffer(Geo2Interface::kMaxCopiedPoints);
    db.getElement(element, info, buffer.data(), nullptr, nullptr);
    buffer.resize(info.pointCount);
    return buffer;
}

TEST(Shape2DB, StoresMeasuresAndCopiesContours) {
    // A 3-4-5 right triangle as a closed contour, an open one, and one of the kind the
    // length pass leaves out.
    Shape2DB db;
    db.addPoint(0, 0);
    db.addPoint(3, 0);
    db.addPoint(3, 4);
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
    EXPECT_DOUBLE_EQ(db.elementLength(0), 7.0);  // no closing edge
    EXPECT_DOUBLE_EQ(db.elementLength(1), 7.0);
    EXPECT_EQ(db.elementLength(2), 0.0);
    double x0, x1, y0, y1;
    ASSERT_TRUE(db.elementBounds(1, x0, x1, y0, y1));
    EXPECT_EQ(std::vector<double>({x0, x1, y0, y1}), (std::vector<double>{0, 3, 0, 4}));

    Shape2DB copy;
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
}

TEST(Shape2DB, ReportsOverlongContoursEmpty) {
    Shape2DB db;
    std::vector<int> p(5000);
    std::iota(p.begin(), p.end(), 0);
    db.addElement(Shape2DB::Closed, 1, 5000, p.data(), 0, nullptr, 0, nullptr);
    db.addElement(Shape2DB::Closed, 1, 4096, p.data(), 0, nullptr, 0, nullptr);
    EXPECT_TRUE(pointsOf(db, 0).empty());
    EXPECT_EQ(pointsOf(db, 1), std::vector<int>(p.begin(), p.begin() + 4096));
}

}  // namespace
}  // namespace fw
