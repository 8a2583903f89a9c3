// LightWave LWO2 export and import: the file's layout and axes, shared points and kept polygons.
#include "output/LwoWriter.h"

#include "MeshRoundTrip.h"

namespace fw {

using test::be32, test::floats;

TEST(Lwo, TriangleIsWrittenInLeftHandedAxesWithItsCornersReversed) {
    ObjDB tri;
    test::addVertices(tri, {{1, 2, 3}, {4, 5, 6}, {7, 8, -9}});
    test::addElement(tri, 0, {0, 1, 2});
    const std::string bytes = test::written(".lwo", {ExportUnit("", &tri)});
    EXPECT_EQ(bytes.substr(0, 12), "FORM" + be32(static_cast<uint32_t>(bytes.size() - 8)) + "LWO2");
    // The one surface is the default material; its tag list comes first.
    EXPECT_EQ(bytes.substr(12, 20), std::string("TAGS\0\0\0\x0C" "defaultMtl\0\0", 20));
    // An unnamed unit is layer "Object 1": number 0, no flags, pivot at the origin.
    const std::string layer = std::string("LAYR\0\0\0\x1A\0\0\0\0", 12) + floats({0, 0, 0});
    EXPECT_NE(bytes.find(layer + std::string("Object 1\0\0", 10)), std::string::npos);
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
}

TEST(Lwo, PolygonsKeepTheirCornersAndShareTheirPoints) {
    test::Box box(2, 3, 4);
    const std::string bytes = test::written(".lwo", {ExportUnit("Box", &box)});
    // Each corner meets three faces with different coordinates: one in the map, the others per polygon.
    EXPECT_NE(bytes.find(std::string("TXUV\0\x02.UVs\0", 12)), std::string::npos);
    EXPECT_NE(bytes.find("VMAD"), std::string::npos);
    test::Parsed r = test::parse(*test::readerFor(".lwo"), bytes);
    ASSERT_EQ(r.groups.size(), 1u);
    // Points are shared, not split; quads stay quads.
    EXPECT_EQ(std::pair(r.groups[0].mesh->vertexCount(), r.groups[0].mesh->elementCount()), std::pair(8, 6));
    // Polygons of any corner count keep their shape.
    ObjDB shapes;  // a hexagon and a pentagon side by side, and a polyline the format leaves out
    for (int i = 0; i < 11; ++i) {
        const double a = 2 * 3.14159265358979 * (i < 6 ? i / 6.0 : (i - 6) / 5.0);
        const double v[3] = {std::cos(a) + (i < 6 ? 0 : 3), std::sin(a), 0.5 * (i % 2)};
        shapes.addVertex(v);
    }
    test::addElement(shapes, 0, {0, 1, 2, 3, 4, 5});
    test::addElement(shapes, 0, {6, 7, 8, 9, 10});
    test::addElement(shapes, 0, {0, 6}, GeometryInterface::Polyline);
    r = test::parse(*test::readerFor(".lwo"), test::written(".lwo", {ExportUnit("Shapes", &shapes)}));
    ASSERT_EQ(r.groups.size(), 1u);
    ASSERT_EQ(r.groups[0].mesh->elementCount(), 2);
    GeometryInterface::ElementInfo info;
    const int *p, *t, *n;
    ASSERT_TRUE(r.groups[0].mesh->getElementRefs(0, info, &p, &t, &n));
    EXPECT_EQ(std::vector<int>(p, p + info.count), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(test::compareTriangles(test::trianglesOf(shapes), test::trianglesOf(*r.groups[0].mesh), 1e-6), "");
}

}  // namespace fw
