// Cinema 4D export and import: the documented bytes of a tiny file, the MC50/DOK5
// check, names and materials, hand-made and damaged files.
#include "output/C4dReader.h"
#include "output/C4dWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <glm/gtc/matrix_transform.hpp>

#include "MeshRoundTrip.h"
#include "TestBox.h"
#include "output/MeshFormats.h"

namespace fw {
namespace {

using test::be32;
using test::chunk;
using test::f32;

using test::capture;

std::string floats(std::initializer_list<double> values) {
    std::string data;
    for (double v : values) data += f32(v);
    return data;
}

// The file frame: "MC50", the length of the rest, "DOK5", then the chunks.
std::string document(const std::string& chunks) { return "MC50" + be32(static_cast<uint32_t>(chunks.size() + 4)) + "DOK5" + chunks; }

std::string triangleObject(const std::string& name, uint32_t material = 0) {
    return chunk("OBJE", (name.empty() ? "" : chunk("ONAM", name)) +
                             chunk("PNTS", floats({0, 0, 0, 1, 0, 0, 0, 1, 0})) +
                             chunk("POLY", be32(0) + be32(1) + be32(2) + be32(2)) + chunk("PMAT", be32(material)));
}

TEST(C4d, ATriangleIsWrittenAsTheDocumentedBytes) {
    test::TempDir dir;
    ObjDB tri;
    const double p[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    for (const auto& v : p) tri.addVertex(v), tri.addTexCoord(v);
    const double up[3] = {0, 0, 1};
    tri.addNormal(up);
    const int corners[3] = {0, 1, 2}, normals[3] = {0, 0, 0};
    tri.addElement(GeometryInterface::Polygon, 0, 3, corners, 3, corners, 3, normals);
    ExportUnit unit("Tri", &tri, glm::translate(glm::dmat4(1.0), glm::dvec3(10, 0, 0)));
    ExportMaterial red;
    red.name = "Red";
    red.diffuse[0] = 1, red.diffuse[1] = 0, red.diffuse[2] = 0;
    unit.materials = {red};
    ASSERT_TRUE(C4dWriter::write(dir.file("t.c4d"), {unit}, true));
    std::string bytes = test::readFile(dir.file("t.c4d"));

    std::string expected = document(
        chunk("PLAT", be32(4)) + chunk("DNAM", "Orvo Export") +
        chunk("MATL", chunk("MNAM", "Red") + chunk("MCOL", floats({1, 0, 0}))) +
        chunk("OBJE", chunk("ONAM", "Tri") + chunk("PNTS", floats({10, 0, 0, 11, 0, 0, 10, 1, 0})) +
                          chunk("POLY", be32(0) + be32(1) + be32(2) + be32(2)) +
                          chunk("NORM", floats({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1})) +
                          chunk("UVWT", floats({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 0})) + chunk("PMAT", be32(0))));
    // Counted by hand from the layout: 12 + PLAT 12 + DNAM 20 + MATL 40 + OBJE 212.
    ASSERT_EQ(expected.size(), 296u);
    EXPECT_EQ(bytes.substr(0, 12), std::string("MC50\0\0\x01\x20" "DOK5", 12));
    EXPECT_EQ(bytes, expected);
}

TEST(C4d, AFileWithoutBothIdentifiersIsRefused) {
    const std::string good = document(triangleObject("T"));
    C4dReader reader;
    std::vector<ImportGroup> groups;
    ASSERT_TRUE(reader.parse(good, groups)) << reader.error();
    const std::string refusal = "is not a Cinema 4D file: it does not begin with the identifiers \"MC50\" and \"DOK5\"";
    for (std::string bad : {std::string("MC40") + good.substr(4), good.substr(0, 8) + "DOK4" + good.substr(12),
                            std::string("FORM") + good.substr(4), good.substr(0, 11), std::string()}) {
        EXPECT_FALSE(reader.parse(bad, groups));
        EXPECT_EQ(reader.error(), refusal);
        EXPECT_TRUE(groups.empty());
    }
}


TEST(C4d, NamesMaterialsAndColoursSurvive) {
    test::TempDir dir;
    test::expectNamesAndLooks<C4dReader>(C4dWriter::write, dir.file("m.c4d"));
    // One material table for the file: "Ink" is written once though both units wear it.
    std::string bytes = test::readFile(dir.file("m.c4d"));
    EXPECT_EQ(bytes.find(chunk("MNAM", "Ink")), bytes.rfind(chunk("MNAM", "Ink")));
    EXPECT_NE(bytes.find(chunk("DNAM", "Orvo Export")), std::string::npos);

    // An object the file does not name is numbered.
    C4dReader reader;
    std::vector<ImportGroup> groups;
    ASSERT_TRUE(reader.parse(document(triangleObject("A") + triangleObject("")), groups)) << reader.error();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1].name, "C4D object 2");
}

TEST(C4d, DamagedFilesAreReportedNeverTrusted) {
    test::TempDir dir;
    ObjDB box;
    const double size[3] = {1, 2, 3};
    test::buildBox(box, size);
    ASSERT_TRUE(C4dWriter::write(dir.file("b.c4d"), {ExportUnit("Box", &box)}, false));
    const std::string good = test::readFile(dir.file("b.c4d"));

    for (size_t cut = 0; cut < good.size(); ++cut) {
        C4dReader reader;
        std::vector<ImportGroup> groups;
        if (reader.parse(good.substr(0, cut), groups)) {
            EXPECT_NE(reader.warnings(), "") << "cut at " << cut;
            for (const ImportGroup& g : groups) EXPECT_LE(g.mesh->elementCount(), 6);
        } else {
            EXPECT_NE(reader.error(), "") << "cut at " << cut;
        }
    }
    C4dReader reader;
    std::vector<ImportGroup> groups;

    // A POLY chunk that claims more than the file holds: the object is cut short.
    std::string bad = good;
    size_t poly = bad.find("POLY");
    ASSERT_NE(poly, std::string::npos);
    bad.replace(poly + 4, 4, be32(0xFFFFFFF0u));
    EXPECT_FALSE(reader.parse(bad, groups));
    EXPECT_EQ(reader.error(), "holds no polygons");
    EXPECT_NE(reader.warnings().find("chunk 'POLY' at byte " + std::to_string(poly) + " claims 4294967280 bytes"),
              std::string::npos)
        << reader.warnings();

    bad = good;
    bad.replace(4, 4, be32(0xFFFFFFFFu));
    EXPECT_TRUE(reader.parse(bad, groups)) << reader.error();
    EXPECT_NE(reader.warnings().find("its MC50 chunk claims 4294967295"), std::string::npos);

    // Points past the table, a material past the table, tables shorter than the polygons.
    std::string object = chunk(
        "OBJE", chunk("PNTS", floats({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0})) +
                    chunk("POLY", be32(0) + be32(1) + be32(2) + be32(2) + be32(0) + be32(1) + be32(3) + be32(99) +
                                      be32(1) + be32(3) + be32(2) + be32(2)) +
                    chunk("NORM", floats({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1})) + chunk("PMAT", be32(0) + be32(7)));
    ASSERT_TRUE(reader.parse(document(chunk("MATL", chunk("MNAM", "M")) + object), groups)) << reader.error();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].mesh->elementCount(), 2);
    EXPECT_NE(reader.warnings().find("1 polygons refer to points past the 4 the object holds"), std::string::npos)
        << reader.warnings();
    EXPECT_NE(reader.warnings().find("NORM holds 48 bytes where 3 polygons need 144"), std::string::npos);
    EXPECT_NE(reader.warnings().find("PMAT holds 8 bytes where 3 polygons need 12"), std::string::npos);
    EXPECT_NE(reader.warnings().find("1 polygons name a material the file lacks"), std::string::npos);
    GeometryInterface::ElementInfo info;
    const int *p, *t, *n;
    ASSERT_TRUE(groups[0].mesh->getElementRefs(0, info, &p, &t, &n));
    EXPECT_EQ(info.normalCount, 3);  // the first polygon's normals were there
    ASSERT_TRUE(groups[0].mesh->getElementRefs(1, info, &p, &t, &n));
    EXPECT_EQ(info.normalCount, 0);
}

// Made from the layout's description by a separate script, not by C4dWriter: the box
// and one more triangle whose normals are all zero (so it has none).
TEST(C4d, AFileMadeFromTheDescriptionReads) {
    C4dReader reader;
    std::vector<ImportGroup> groups;
    ASSERT_TRUE(reader.read(FW_SOURCE_DIR "/fuzz/corpus/c4dreader/box-by-description.c4d", groups)) << reader.error();
    EXPECT_EQ(reader.warnings(), "");
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "Seed box");
    ASSERT_EQ(groups[0].mesh->elementCount(), 7);
    ObjDB box;
    const double size[3] = {1, 1, 1};
    test::buildBox(box, size);
    const ObjDB& six = *groups[0].mesh;
    GeometryInterface::ElementInfo info;
    const int *p, *t, *n;
    ASSERT_TRUE(groups[0].mesh->getElementRefs(6, info, &p, &t, &n));
    EXPECT_EQ(info.count, 3);
    EXPECT_EQ(info.normalCount, 0);
    EXPECT_EQ(info.texCount, 3);
    ObjDB firstSix;  // the read mesh without its last triangle
    for (int i = 0; i < six.vertexCount(); ++i) {
        double v[3];
        six.getVertex(v, i);
        firstSix.addVertex(v);
    }
    for (int i = 0; i < six.normalCount(); ++i) {
        double v[3];
        six.getNormal(v, i);
        firstSix.addNormal(v);
    }
    for (int i = 0; i < six.texCoordCount(); ++i) {
        double v[3];
        six.getTexCoord(v, i);
        firstSix.addTexCoord(v);
    }
    for (int e = 0; e < 6; ++e) {
        six.getElementRefs(e, info, &p, &t, &n);
        firstSix.addElement(info.kind, info.part, info.count, p, info.texCount, t, info.normalCount, n);
    }
    EXPECT_EQ(test::cornersOf(box, true), test::cornersOf(firstSix, true));
    ASSERT_EQ(groups[0].materials.size(), 2u);
    EXPECT_EQ(groups[0].materials[0].name, "Red");
    EXPECT_EQ(groups[0].materials[1].name, "Blue");
    EXPECT_EQ(groups[0].materials[0].diffuse[0], 1.0);
    EXPECT_EQ(groups[0].materials[0].diffuse[1], 0.0);
}

}  // namespace
}  // namespace fw
