// DXF export and import: the exact entity lines, how large polygons are fanned, layers and colours read back.
#include <glm/gtc/matrix_transform.hpp>

#include "MeshRoundTrip.h"
#include "output/DxfColors.h"
#include "output/DxfWriter.h"

namespace fw {

using testing::AllOf, testing::HasSubstr, testing::Not;

// The shapes written line by line standing on z, then read back beside a box with their layers, colours and triangles.
TEST(Dxf, EntitiesAreWrittenStandingOnZAndABoxComesBackWithItsLayersColoursAndTriangles) {
    test::TempDir dir;
    ObjDB shapes;  // a triangle, a square and a pentagon side by side in part 0
    test::addVertices(shapes, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}, {3, 0, 0}, {3, 1, 0}, {2, 1, 0}, {4, 0, 0},
                               {5, 0, 0}, {5.5, 1, 0}, {4.5, 2, 0}, {3.5, 1, 0}});
    test::addElement(shapes, 0, {0, 1, 2});
    test::addElement(shapes, 0, {3, 4, 5, 6});
    test::addElement(shapes, 0, {7, 8, 9, 10, 11});
    ExportUnit unit("Shapes", &shapes, glm::translate(glm::dmat4(1.0), glm::dvec3(0, 0, 5)));
    unit.frame = 3;
    unit.materials = {ExportMaterial{.diffuse = {1, 0, 0}}};
    EXPECT_EQ(test::capture([&](std::FILE* c) { EXPECT_TRUE(DxfWriter::write(dir.file("s.dxf"), {unit}, true, c)); }),
              "");
    const std::string text = test::readFile(dir.file("s.dxf"));
    // Our y is the drawing's z, our z its -y.
    const std::string face = "0\n3DFACE\n  8\nShapes-Frm3\n62\n   1\n"
                             "10\n0.000000\n20\n-5.000000\n30\n0.000000\n11\n1.000000\n21\n-5.000000\n31\n0.000000\n"
                             "12\n0.000000\n22\n-5.000000\n32\n1.000000\n13\n0.000000\n23\n-5.000000\n33\n1.000000\n";
    EXPECT_EQ(text.rfind("0\nSECTION\n  2\nENTITIES\n" + face, 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 18), "0\nENDSEC\n   0\nEOF\n");
    // Object coordinates leave the transform out; sections take the "-Sec" suffix.
    unit.frame = -1;
    unit.section = 0;
    ASSERT_TRUE(DxfWriter::write(dir.file("local.dxf"), {unit}, false));
    EXPECT_THAT(test::readFile(dir.file("local.dxf")),
                AllOf(HasSubstr("  8\nShapes-Sec 0\n"), HasSubstr("20\n0.000000\n"), Not(HasSubstr("-5.000000\n"))));
    // The box and the shapes read back; the pentagon fanned into triangles.
    test::Box box(2, 4, 6);
    ExportUnit a("Box", &box, glm::rotate(glm::dmat4(1.0), 0.5, glm::dvec3(0, 1, 0)));
    ExportUnit b("Shapes", &shapes);
    a.materials = {ExportMaterial{.diffuse = {0, 0, 1}}};  // index 5
    ASSERT_TRUE(DxfWriter::write(dir.file("two.dxf"), {a, b}, true));
    std::vector<ImportGroup> groups = test::readBack(*test::readerFor(".dxf"), dir.file("two.dxf"));
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].name + ", " + groups[1].name, "Box, Shapes");
    ASSERT_EQ(groups[0].materials.size(), 1u);
    const ExportMaterial& blue = groups[0].materials[0];
    EXPECT_EQ(std::pair(blue.name, blue.diffuse[2]), std::pair(std::string("DXF color 5"), 1.0));
    // Positions are shared again. (Where the triangles land: MeshRoundTrip.EveryReadableFormatGivesBackWhatItWrote.)
    EXPECT_EQ(groups[0].mesh->vertexCount(), 8);
    // The triangle reads as a triangle (its fourth corner repeats the third); the pentagon as its three triangles.
    EXPECT_EQ(std::pair(test::elementInfo(*groups[1].mesh, 0).count, groups[1].mesh->elementCount()), std::pair(3, 5));
    EXPECT_EQ(test::compareTriangles(test::trianglesOf(shapes), test::trianglesOf(*groups[1].mesh), 2e-6), "");
}

TEST(Dxf, ColourIndicesRoundTripThroughTheirOwnColours) {
    for (int index = 1; index <= 255; ++index) {
        double rgb[3], again[3];
        DxfColors::rgb(index, rgb);
        DxfColors::rgb(DxfColors::nearest(rgb), again);
        // Equal colours may share a colour under two indices; the colour itself comes back.
        for (int c = 0; c < 3; ++c) EXPECT_DOUBLE_EQ(again[c], rgb[c]) << "index " << index;
    }
    const double orange[3] = {1.0, 0.5, 0.0};
    double found[3];
    DxfColors::rgb(DxfColors::nearest(orange), found);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(found[c], orange[c], 0.01);
}

}  // namespace fw
