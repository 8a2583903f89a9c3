// LightWave LWO2 export and import: the file's layout and axes, shared points and kept
// polygons, layer and surface names, and damaged files.
#include "output/LwoWriter.h"

#include <gtest/gtest.h>

#include "MeshRoundTrip.h"
#include "output/LwoReader.h"

namespace fw {
namespace {

using test::be32;
using test::floats;

TEST(Lwo, TriangleIsWrittenInLeftHandedAxesWithItsCornersReversed) {
    test::TempDir dir;
    ObjDB tri;
    const double p[3][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, -9}};
    for (const auto& v : p) tri.addVertex(v);
    const int c[3] = {0, 1, 2};
    tri.addElement(GeometryInterface::Polygon, 0, 3, c, 0, nullptr, 0, nullptr);
    ASSERT_TRUE(LwoWriter::write(dir.file("tri.lwo"), {ExportUnit("", &tri)}, false));
    const std::string bytes = test::readFile(dir.file("tri.lwo"));
    ASSERT_GE(bytes.size(), 12u);
    EXPECT_EQ(bytes.substr(0, 4), "FORM");
    EXPECT_EQ(test::u32Of(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(bytes.substr(8, 4), "LWO2");
    // The one surface is the default material; its tag list comes first.
    EXPECT_EQ(bytes.substr(12, 20), std::string("TAGS\0\0\0\x0C" "defaultMtl\0\0", 20));
    // An unnamed unit is layer "Object 1": number 0, no flags, pivot at the origin.
    EXPECT_NE(bytes.find(std::string("LAYR\0\0\0\x1A\0\0\0\0", 12) + floats({0, 0, 0}) + std::string("Object 1\0\0", 10)),
              std::string::npos);
    EXPECT_NE(bytes.find("PNTS" + be32(36) + floats({1, 2, -3, 4, 5, -6, 7, 8, 9})), std::string::npos);
    EXPECT_NE(bytes.find("BBOX" + be32(24) + floats({1, 2, -6, 7, 8, 9})), std::string::npos);
    // Clockwise seen from the front in LightWave: first corner kept, the others reversed.
    EXPECT_NE(bytes.find(std::string("POLS\0\0\0\x0C" "FACE\0\x03\0\0\0\x02\0\x01", 20)), std::string::npos);
    EXPECT_NE(bytes.find(std::string("PTAG\0\0\0\x08" "SURF\0\0\0\0", 16)), std::string::npos);
    EXPECT_EQ(bytes.find("VMAP"), std::string::npos);  // no texture coordinates, no map
    // The surface: name, no source, the colour without envelope, then the shading amounts.
    EXPECT_NE(
        bytes.find("SURF" + be32(104) + std::string("defaultMtl\0\0\0\0COLR\0\x0E", 20) + floats({0.8f, 0.8f, 0.8f}) +
                   std::string("\0\0DIFF\0\x06", 8) + floats({1}) + std::string("\0\0", 2)),
        std::string::npos);
    // It ends with the smoothing angle: the unit's 30 degrees, in radians.
    EXPECT_EQ(bytes.substr(bytes.size() - 10), std::string("SMAN\0\x04", 6) + floats({0.52359878f}));

    auto groups = test::readBack<LwoReader>(dir.file("tri.lwo"));
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "Object 1");
    EXPECT_EQ(test::trianglesOf(*groups[0].mesh), test::trianglesOf(tri));
}

TEST(Lwo, PolygonsKeepTheirCornersAndShareTheirPoints) {
    test::TempDir dir;
    test::Box box(2, 3, 4);
    ASSERT_TRUE(LwoWriter::write(dir.file("box.lwo"), {ExportUnit("Box", &box)}, false));
    const std::string bytes = test::readFile(dir.file("box.lwo"));
    // Each corner meets three faces with different coordinates: one in the map, the
    // others per polygon.
    EXPECT_NE(bytes.find(std::string("TXUV\0\x02.UVs\0", 12)), std::string::npos);
    EXPECT_NE(bytes.find("VMAD"), std::string::npos);

    auto groups = test::readBack<LwoReader>(dir.file("box.lwo"));
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "Box");
    EXPECT_EQ(groups[0].mesh->vertexCount(), 8);  // points are shared, not split
    EXPECT_EQ(groups[0].mesh->elementCount(), 6);  // quads stay quads

    // Polygons of any corner count keep their shape.
    ObjDB shapes;  // a hexagon and a pentagon side by side, and a polyline the format leaves out
    for (int i = 0; i < 11; ++i) {
        const double a = 2 * 3.14159265358979 * (i < 6 ? i / 6.0 : (i - 6) / 5.0);
        const double v[3] = {std::cos(a) + (i < 6 ? 0 : 3), std::sin(a), 0.5 * (i % 2)};
        shapes.addVertex(v);
    }
    const int hexagon[6] = {0, 1, 2, 3, 4, 5}, pentagon[5] = {6, 7, 8, 9, 10}, line[2] = {0, 6};
    shapes.addElement(GeometryInterface::Polygon, 0, 6, hexagon, 0, nullptr, 0, nullptr);
    shapes.addElement(GeometryInterface::Polygon, 0, 5, pentagon, 0, nullptr, 0, nullptr);
    shapes.addElement(GeometryInterface::Polyline, 0, 2, line, 0, nullptr, 0, nullptr);
    ASSERT_TRUE(LwoWriter::write(dir.file("shapes.lwo"), {ExportUnit("Shapes", &shapes)}, false));
    groups = test::readBack<LwoReader>(dir.file("shapes.lwo"));
    ASSERT_EQ(groups.size(), 1u);
    ASSERT_EQ(groups[0].mesh->elementCount(), 2);
    GeometryInterface::ElementInfo info;
    const int *p, *t, *n;
    ASSERT_TRUE(groups[0].mesh->getElementRefs(0, info, &p, &t, &n));
    EXPECT_EQ(info.count, 6);
    EXPECT_EQ(std::vector<int>(p, p + 6), std::vector<int>(hexagon, hexagon + 6));
    EXPECT_EQ(test::compareTriangles(test::trianglesOf(shapes), test::trianglesOf(*groups[0].mesh), 1e-6), "");
}

}  // namespace
}  // namespace fw
