// ElectricImage FACT export and import: the documented bytes of a tiny file, names and
// materials, group limits, hand-made and damaged files.
#include "output/FactReader.h"
#include "output/FactWriter.h"

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

// One triangle with a normal, texture coordinates and a red material.
void buildTriangle(ObjDB& db) {
    const double p[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const double uv[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    for (int i = 0; i < 3; ++i) db.addVertex(p[i]), db.addTexCoord(uv[i]);
    const double up[3] = {0, 0, 1};
    db.addNormal(up);
    const int corners[3] = {0, 1, 2}, normals[3] = {0, 0, 0};
    db.addElement(GeometryInterface::Polygon, 0, 3, corners, 3, corners, 3, normals);
}

std::string info(uint32_t vertices, uint32_t facets, uint32_t third, const double lo[3], const double hi[3]) {
    std::string data = be32(vertices) + be32(facets) + be32(third);
    for (int a = 0; a < 3; ++a) data += f32(lo[a]);
    for (int a = 0; a < 3; ++a) data += f32(hi[a]);
    return chunk("FINF", data + be32(0) + be32(0) + be32(0) + be32(0));
}

std::string facet(uint32_t a, uint32_t b, uint32_t c, uint32_t material = 0) {
    const uint32_t none = 0xFFFFFFFFu;
    return be32(a) + be32(b) + be32(c) + be32(none) + be32(none) + be32(none) + be32(none) + be32(none) +
           be32(none) + be32(material);
}

std::string vertices(std::initializer_list<double> xyz) {
    std::string data;
    for (double v : xyz) data += f32(v);
    return data;
}

TEST(Fact, ATriangleIsWrittenAsTheDocumentedBytes) {
    test::TempDir dir;
    ObjDB tri;
    buildTriangle(tri);
    ExportUnit unit("Tri", &tri, glm::translate(glm::dmat4(1.0), glm::dvec3(10, 0, 0)));
    ExportMaterial red;
    red.name = "Red";
    red.diffuse[0] = 1, red.diffuse[1] = 0, red.diffuse[2] = 0;
    unit.materials = {red};
    ASSERT_TRUE(FactWriter::write(dir.file("t.fac"), {unit}, true));
    std::string bytes = test::readFile(dir.file("t.fac"));

    const double lo[3] = {10, 0, 0}, hi[3] = {11, 1, 0};
    std::string finf = info(3, 1, 1, lo, hi);
    std::string ginf = finf;
    ginf.replace(0, 4, "GINF");
    std::string fhdr = chunk("FORM", "FHDR" + finf + chunk("NAME", "Orvo Export"));
    std::string ghdr = chunk("FORM", "GHDR" + ginf + chunk("NAME", "Tri"));
    std::string face = be32(0) + be32(1) + be32(2) + be32(0) + be32(0) + be32(0) + be32(0) + be32(1) + be32(2) + be32(0);
    std::string grup = chunk("FORM", "GRUP" + ghdr + chunk("VRTX", vertices({10, 0, 0, 11, 0, 0, 10, 1, 0})) +
                                         chunk("NORM", vertices({0, 0, 1})) +
                                         chunk("TXUV", vertices({0, 0, 1, 0, 0, 1})) +
                                         chunk("MATL", vertices({1, 0, 0}) + "Red") + chunk("FACE", face));
    std::string expected = chunk("FORM", "3DFL" + fhdr + grup);
    // Counted by hand from the layout: 8 + 4 + FHDR 92 + GRUP 264.
    ASSERT_EQ(expected.size(), 368u);
    EXPECT_EQ(bytes.substr(0, 12), std::string("FORM\0\0\x01\x68" "3DFL", 12));
    EXPECT_EQ(bytes, expected);
}


TEST(Fact, NamesMaterialsAndColoursSurvive) {
    test::TempDir dir;
    test::expectNamesAndLooks<FactReader>(FactWriter::write, dir.file("m.fac"));
    // The header names the scene.
    EXPECT_NE(test::readFile(dir.file("m.fac")).find(chunk("NAME", "Orvo Export")), std::string::npos);
}

TEST(Fact, UnnamedAndLooseGeometryGetTheReadersGroupNames) {
    std::string tri = chunk("VRTX", vertices({0, 0, 0, 1, 0, 0, 0, 1, 0})) + chunk("FACE", facet(0, 1, 2));
    std::string named = chunk("FORM", "GRUP" + chunk("FORM", "GHDR" + chunk("NAME", "Kept")) + tri);
    std::string unnamed = chunk("FORM", "GRUP" + tri);
    std::string file = chunk("FORM", "3DFL" + named + unnamed + tri);
    FactReader reader;
    std::vector<ImportGroup> groups;
    ASSERT_TRUE(reader.parse(file, groups)) << reader.error();
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].name, "Kept");
    EXPECT_EQ(groups[1].name, "FACT group2");  // the second GRUP form of the file
    EXPECT_EQ(groups[2].name, "FACT default");
    for (const ImportGroup& group : groups) {
        EXPECT_EQ(group.mesh->elementCount(), 1);
        ASSERT_EQ(group.materials.size(), 1u);
        EXPECT_EQ(group.materials[0].name, "defaultMtl");
    }
}

TEST(Fact, GroupsPastTheLimitAreRefusedOneByOne) {
    std::string tri = chunk("VRTX", vertices({0, 0, 0, 1, 0, 0, 0, 1, 0})) + chunk("FACE", facet(0, 1, 2));
    std::string body = "3DFL";
    for (int i = 0; i < FactReader::kMaxGroups + 2; ++i) body += chunk("FORM", "GRUP" + tri);
    FactReader reader;
    std::vector<ImportGroup> groups;
    ASSERT_TRUE(reader.parse(chunk("FORM", body), groups)) << reader.error();
    EXPECT_EQ(groups.size(), static_cast<size_t>(FactReader::kMaxGroups));
    EXPECT_EQ(reader.warnings(),
              "FactReader::new_group:  can't create new ObjectP !\nFactReader::new_group:  can't create new ObjectP !\n");
}

TEST(Fact, DamagedFilesAreReportedNeverTrusted) {
    test::TempDir dir;
    ObjDB box;
    const double size[3] = {1, 2, 3};
    test::buildBox(box, size);
    ASSERT_TRUE(FactWriter::write(dir.file("b.fac"), {ExportUnit("Box", &box)}, false));
    const std::string good = test::readFile(dir.file("b.fac"));

    // Cut short anywhere: refused with a reason, or read in part with a warning.
    for (size_t cut = 0; cut < good.size(); ++cut) {
        FactReader reader;
        std::vector<ImportGroup> groups;
        bool ok = reader.parse(good.substr(0, cut), groups);
        if (ok) {
            EXPECT_NE(reader.warnings(), "") << "cut at " << cut;
            for (const ImportGroup& g : groups) EXPECT_LE(g.mesh->elementCount(), 12);
        } else {
            EXPECT_NE(reader.error(), "") << "cut at " << cut;
        }
    }
    FactReader reader;
    std::vector<ImportGroup> groups;
    EXPECT_FALSE(reader.parse(good.substr(0, 11), groups));
    EXPECT_EQ(reader.error(), "is not an ElectricImage FACT file: it does not begin with an IFF form of type \"3DFL\"");
    EXPECT_FALSE(reader.parse(std::string("FORM\0\0\0\x04" "3DFL", 12), groups));
    EXPECT_EQ(reader.error(), "holds no facets");

    // A FACE chunk that claims more than the file holds.
    std::string bad = good;
    size_t face = bad.find("FACE");
    ASSERT_NE(face, std::string::npos);
    bad.replace(face + 4, 4, be32(0x7FFFFFF0u));
    EXPECT_FALSE(reader.parse(bad, groups));
    EXPECT_EQ(reader.error(), "holds no facets");
    EXPECT_NE(reader.warnings().find("chunk 'FACE' at byte " + std::to_string(face) + " claims 2147483632 bytes"),
              std::string::npos)
        << reader.warnings();

    // An absurd file length is only a warning when the chunks inside are whole.
    bad = good;
    bad.replace(4, 4, be32(0xFFFFFFFFu));
    EXPECT_TRUE(reader.parse(bad, groups)) << reader.error();
    EXPECT_NE(reader.warnings().find("its FORM chunk claims 4294967295"), std::string::npos);

    // Facets that point past the vertex table are skipped; so is a VRTX chunk of odd size.
    std::string tri = chunk("VRTX", vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}) + "xy") +
                      chunk("FACE", facet(0, 1, 2) + facet(0, 1, 0xFFFFFF00u) + facet(0, 1, 2, 5));
    EXPECT_TRUE(reader.parse(chunk("FORM", "3DFL" + chunk("FORM", "GRUP" + tri)), groups)) << reader.error();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].mesh->elementCount(), 2);
    EXPECT_NE(reader.warnings().find("VRTX holds 38 bytes, not a multiple of 12"), std::string::npos);
    EXPECT_NE(reader.warnings().find("1 facets refer to vertices past the 3 the group holds"), std::string::npos);
    EXPECT_NE(reader.warnings().find("1 facets name a material the group lacks"), std::string::npos);

    // Nothing but facets that cannot be read: refused.
    EXPECT_FALSE(reader.parse(chunk("FORM", "3DFL" + chunk("FACE", facet(7, 8, 9))), groups));
    EXPECT_EQ(reader.error(), "holds no facets");
}

// Made from the layout's description by a separate script, not by FactWriter.
TEST(Fact, AFileMadeFromTheDescriptionReads) {
    FactReader reader;
    std::vector<ImportGroup> groups;
    ASSERT_TRUE(reader.read(FW_SOURCE_DIR "/fuzz/corpus/factreader/box-by-description.fac", groups)) << reader.error();
    EXPECT_EQ(reader.warnings(), "");
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "Seed box");
    ObjDB box;
    const double size[3] = {1, 1, 1};
    test::buildBox(box, size);
    EXPECT_EQ(test::cornersOf(box, true), test::cornersOf(*groups[0].mesh, true));
    ASSERT_EQ(groups[0].materials.size(), 2u);
    EXPECT_EQ(groups[0].materials[1].name, "Blue");
    EXPECT_EQ(groups[0].materials[1].diffuse[2], 1.0);
    EXPECT_EQ(test::trianglesOf(*groups[0].mesh, 1).size(), 6u);  // every other facet
}

}  // namespace
}  // namespace fw
