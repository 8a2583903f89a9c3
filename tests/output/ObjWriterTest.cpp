// OBJ export: exact lines, numbering across units, numbers as printf writes them, failures.
#include "output/ObjWriter.h"

#include <glm/gtc/matrix_transform.hpp>

#include "MeshRoundTrip.h"

namespace fw {

TEST(ObjWriter, UnitsNumberOnAndCornersCarryTheirLists) {
    test::TempDir dir;
    test::Box box(2, 2, 2);
    ObjDB plain;  // a triangle with normals but no texture coordinates, and a polyline
    test::addVertices(plain, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    const double up[3] = {0, 0, 1};
    plain.addNormal(up);
    const int corners[3] = {0, 1, 2}, normals[3] = {0, 0, 0};
    plain.addElement(GeometryInterface::Polygon, 0, 3, corners, 0, nullptr, 3, normals);
    test::addElement(plain, 0, {0, 1}, GeometryInterface::Polyline);
    ExportUnit moved("Box", &box, glm::translate(glm::dmat4(1.0), glm::dvec3(10, 0, 0)));
    ExportUnit flat("Flat", &plain);
    std::string path = dir.file("a.obj");
    ASSERT_TRUE(ObjWriter::write(path, {moved, flat}, true));
    std::string text = test::readFile(path);
    EXPECT_THAT(text, testing::StartsWith("#\n# *** Veltrane Orvostat generated OBJ file ***\n#\nmtllib a.mtl\n"
                                          "# Object 'Box'\n#\n# 8 vertices.\n# 4 texture vertices.\n# 6 normals.\n"
                                          "# 6 polygons.\n#\nv 9.000000 -1.000000 -1.000000\n"));
    EXPECT_NE(text.find("#\ng Box\n#\nusemtl defaultMtl\nf 1/1/1 3/2/1 4/3/1 2/4/1\n"), std::string::npos);
    // The second unit's numbers run on after the first's 8 positions, 4 coordinates and 6 normals.
    EXPECT_NE(text.find("g Flat\n#\nusemtl defaultMtl\nf 9//7 10//7 11//7\nl 9 10\n"), std::string::npos) << text;
    // The library beside it holds the one material the units wear.
    EXPECT_EQ(test::readFile(dir.file("a.mtl")),
              "# Materials of the Veltrane Orvostat OBJ file\n\nnewmtl defaultMtl\nKa 0.800000 0.800000 0.800000\n"
              "Kd 0.800000 0.800000 0.800000\nKs 0.000000 0.000000 0.000000\nNs 300.000000\nd 1.000000\nillum 2\n");
}

TEST(ObjWriter, NumbersAreWrittenExactlyAsPrintfWritesThem) {
    // Halfway cases, values that round to minus zero, huge and tiny ones.
    const double values[] = {-1e-9, -0.0, 0.0000005, 0.0000015, 2.5e-7, 0.1234565, 1e20, -123456.7890125,
                             1.0 / 3.0, 999999.9999995, -4.0000005, 7e-7};
    ObjDB db;
    std::string expected;
    for (size_t i = 0; i + 2 < std::size(values); i += 3) {
        char line[256];
        std::snprintf(line, sizeof line, "v %lf %lf %lf\n", values[i], values[i + 1], values[i + 2]);
        expected += line;
        db.addVertex(&values[i]);
    }
    test::addElement(db, 0, {0, 1, 2});
    const std::string text = test::written(".obj", {ExportUnit("N", &db)});
    EXPECT_NE(text.find("#\n" + expected + "#\ng N\n"), std::string::npos) << text;
}

TEST(ObjWriter, SequenceNamesAndFailures) {
    // Frames' names and files in lower case: MeshCommands.FrameRangesMoveTheLettersAndObjectCoordinatesStayPut.
    EXPECT_EQ(ObjWriter::frameFileName("a.OBJ", 7), "a.OBJ.0007.obj");
    // Empty exports are checked for every format in MeshRoundTrip; here, the folder.
    ObjDB one;
    test::addVertices(one, {{0, 0, 0}});
    test::addElement(one, 0, {0}, GeometryInterface::PointSet);
    EXPECT_EQ(test::capture([&](std::FILE* console) {
                  EXPECT_FALSE(ObjWriter::write("/no/such/folder/x.obj", {ExportUnit("One", &one)}, false, console));
              }), "Cannot open '/no/such/folder/x.obj'.\n");
}

}  // namespace fw
