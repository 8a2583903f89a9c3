// Every format the program both writes and reads: units written and read back give
// the same triangles, with the same winding, in world and in object coordinates.
#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>

#include "MeshCompare.h"
#include "TempDir.h"
#include "TestBox.h"
#include "output/MeshFormats.h"

namespace fw {

namespace {

// A triangle and a square with normals but no texture coordinates, in part 1.
void buildShapes(ObjDB& db) {
    const double points[][3] = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {20, 0, 5}, {30, 0, 5}, {30, 10, 5}, {20, 10, 5}};
    for (const auto& p : points) db.addVertex(p);
    const double up[3] = {0, 0, 1};
    db.addNormal(up);
    const int tri[3] = {0, 1, 2}, quad[4] = {3, 4, 5, 6}, normals[4] = {0, 0, 0, 0};
    db.addElement(GeometryInterface::Polygon, 1, 3, tri, 0, nullptr, 3, normals);
    db.addElement(GeometryInterface::Polygon, 1, 4, quad, 0, nullptr, 4, normals);
}

// The units' triangles as they should come back.
std::vector<test::Triangle> expectedTriangles(const std::vector<ExportUnit>& units, bool world) {
    std::vector<test::Triangle> all;
    for (const ExportUnit& unit : units) {
        ObjDB placed;
        for (int i = 0; i < unit.geometry->vertexCount(); ++i) {
            glm::dvec3 p = unit.position(i, world);
            const double v[3] = {p.x, p.y, p.z};
            placed.addVertex(v);
        }
        for (int e = 0; e < unit.geometry->elementCount(); ++e) {
            GeometryInterface::ElementInfo info;
            const int *p, *t, *n;
            unit.geometry->getElementRefs(e, info, &p, &t, &n);
            placed.addElement(info.kind, 0, info.count, p, 0, nullptr, 0, nullptr);
        }
        auto some = test::trianglesOf(placed);
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

}  // namespace

TEST(MeshRoundTrip, EveryReadableFormatGivesBackWhatItWrote) {
    ObjDB box, shapes;
    const double size[3] = {40, 60, 80};
    test::buildBox(box, size);
    buildShapes(shapes);
    ExportUnit a("Box", &box,
                 glm::rotate(glm::translate(glm::dmat4(1.0), glm::dvec3(100, -50, 25)), 0.7, glm::dvec3(1, 1, 0)));
    ExportUnit b("Shapes", &shapes, glm::scale(glm::dmat4(1.0), glm::dvec3(2, 1, 0.5)));
    ExportMaterial gold;
    gold.name = "Gold";
    gold.diffuse[0] = 1, gold.diffuse[1] = 0.8, gold.diffuse[2] = 0.2;
    a.materials = {gold};
    b.materials = {ExportMaterial{}, gold};
    const std::vector<ExportUnit> units = {a, b};

    test::TempDir dir;
    int formats = 0;
    for (const MeshFormat& format : MeshFormats::all()) {
        if (!format.write || !format.makeReader) continue;
        ++formats;
        for (bool world : {true, false}) {
            SCOPED_TRACE(std::string(format.extension) + (world ? " world" : " local"));
            std::string path = dir.file(std::string("units") + (world ? "-world" : "-local") + format.extension);
            ASSERT_TRUE(format.write(path, units, world, nullptr));
            std::unique_ptr<MeshReader> reader = format.makeReader();
            std::vector<ImportGroup> groups;
            ASSERT_TRUE(reader->read(path, groups)) << reader->error();
            std::vector<test::Triangle> read;
            for (const ImportGroup& group : groups) {
                auto some = test::trianglesOf(*group.mesh);
                read.insert(read.end(), some.begin(), some.end());
            }
            // Single precision is the least any of the formats keeps.
            EXPECT_EQ(test::compareTriangles(expectedTriangles(units, world), read, 1e-4), "");
        }
    }
    EXPECT_GE(formats, 2);
}

}  // namespace fw
