// ElectricImage FACT export and import: the documented bytes of a tiny file, names and
// materials, group limits, hand-made and damaged files.
#include "output/FactReader.h"
#include "output/FactWriter.h"

#include <gtest/gtest.h>

#include "ChunkedMeshFiles.h"

namespace fw {
namespace {

using test::be32;
using test::chunk;
using test::f32;
using test::floats;

// FINF or GINF: three counts, the bounding box, four zero longs.
std::string info(uint32_t vertices, uint32_t facets, uint32_t third, const double lo[3], const double hi[3],
                 const char* id = "FINF") {
    std::string data = be32(vertices) + be32(facets) + be32(third);
    for (int a = 0; a < 3; ++a) data += f32(lo[a]);
    for (int a = 0; a < 3; ++a) data += f32(hi[a]);
    return chunk(id, data + be32(0) + be32(0) + be32(0) + be32(0));
}

std::string facet(uint32_t a, uint32_t b, uint32_t c, uint32_t material = 0) {
    const uint32_t none = 0xFFFFFFFFu;
    return be32(a) + be32(b) + be32(c) + be32(none) + be32(none) + be32(none) + be32(none) + be32(none) +
           be32(none) + be32(material);
}

TEST(Fact, ATriangleIsWrittenAsTheDocumentedBytes) {
    test::TempDir dir;
    ObjDB tri;
    ASSERT_TRUE(FactWriter::write(dir.file("t.fac"), {test::redTriangle(tri)}, true));
    std::string bytes = test::readFile(dir.file("t.fac"));

    const double lo[3] = {10, 0, 0}, hi[3] = {11, 1, 0};
    std::string finf = info(3, 1, 1, lo, hi);
    std::string ginf = finf;
    ginf.replace(0, 4, "GINF");
    std::string fhdr = chunk("FORM", "FHDR" + finf + chunk("NAME", "Orvo Export"));
    std::string ghdr = chunk("FORM", "GHDR" + ginf + chunk("NAME", "Tri"));
    std::string face = be32(0) + be32(1) + be32(2) + be32(0) + be32(0) + be32(0) + be32(0) + be32(1) + be32(2) + be32(0);
    std::string grup = chunk("FORM", "GRUP" + ghdr + chunk("VRTX", floats({10, 0, 0, 11, 0, 0, 10, 1, 0})) +
                                         chunk("NORM", floats({0, 0, 1})) + chunk("TXUV", floats({0, 0, 1, 0, 0, 1})) +
                                         chunk("MATL", floats({1, 0, 0}) + "Red") + chunk("FACE", face));
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
    std::string tri = chunk("VRTX", floats({0, 0, 0, 1, 0, 0, 0, 1, 0})) + chunk("FACE", facet(0, 1, 2));
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
    std::string tri = chunk("VRTX", floats({0, 0, 0, 1, 0, 0, 0, 1, 0})) + chunk("FACE", facet(0, 1, 2));
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
    test::Box box(1, 2, 3);
    ASSERT_TRUE(FactWriter::write(dir.file("b.fac"), {ExportUnit("Box", &box)}, false));
    const std::string good = test::readFile(dir.file("b.fac"));
    test::expectCutsHandled<FactReader>(good, 1, false);
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
    EXPECT_EQ(reader.error().rfind("is damaged: chunk 'FACE' at byte " + std::to_string(face) + " claims 2147483632 bytes",
                                   0),
              0u)
        << reader.error();

    // A file length past the end.
    bad = good;
    bad.replace(4, 4, be32(0xFFFFFFFFu));
    EXPECT_FALSE(reader.parse(bad, groups));
    EXPECT_EQ(reader.error(),
              "is cut short: its FORM chunk claims 4294967295 bytes but " + std::to_string(good.size() - 8) + " follow");

    // Without a GINF chunk the tables count: facets that point past the vertex table
    // are skipped; so is the rest of a VRTX chunk of odd size.
    std::string tri = chunk("VRTX", floats({0, 0, 0, 1, 0, 0, 0, 1, 0}) + "xy") +
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

// The box of ChunkedMeshFiles.h, laid out chunk by chunk: FHDR and FINF, a GRUP form
// with its GHDR form and GINF chunk, then vertices, face normals, two materials and the
// facets. The counts GINF gives can be set apart from the tables' sizes.
std::string handBoxFact(uint32_t countedVertices = 8, uint32_t countedFacets = 12) {
    using Box = test::HandBox;
    std::string vrtx, norm, face;
    for (int k = 0; k < 8; ++k)
        for (double v : Box::corner(k)) vrtx += f32(v);
    const uint32_t none = 0xFFFFFFFFu;
    for (uint32_t f = 0; f < 6; ++f) {
        for (double v : Box::normals[f]) norm += f32(v);
        const int* q = Box::faces[f];
        const int tris[2][3] = {{q[0], q[1], q[2]}, {q[0], q[2], q[3]}};
        for (const auto& t : tris)
            face += be32(uint32_t(t[0])) + be32(uint32_t(t[1])) + be32(uint32_t(t[2])) + be32(f) + be32(f) + be32(f) +
                    be32(none) + be32(none) + be32(none) + be32(f % 2);
    }
    std::string fhdr = chunk("FORM", "FHDR" + info(8, 12, 1, Box::lo, Box::hi));
    std::string ghdr =
        chunk("FORM", "GHDR" + info(countedVertices, countedFacets, 2, Box::lo, Box::hi, "GINF") + chunk("NAME", "Crate"));
    std::string grup = chunk("FORM", "GRUP" + ghdr + chunk("VRTX", vrtx) + chunk("NORM", norm) +
                                         chunk("MATL", f32(1) + f32(0) + f32(0) + "Red") +
                                         chunk("MATL", f32(0) + f32(0) + f32(1) + "Blue") + chunk("FACE", face));
    return chunk("FORM", "3DFL" + fhdr + grup);
}

TEST(Fact, AFileLaidOutByHandImportsThroughTheProgram) {
    test::TempDir dir;
    test::expectHandBoxReads<FactReader>(dir, "crate.fac", handBoxFact());
}

TEST(Fact, FilesWhoseCountsOrChunksRunPastTheirEndsAreRefused) {
    test::TempDir dir;
    const std::string good = handBoxFact();
    // A second group after the first, then the file cut inside it.
    const size_t groupAt = 12 + 8 + test::u32Of(good, 16);  // past the FHDR form
    const std::string twoGroups = chunk("FORM", "3DFL" + good.substr(12) + good.substr(groupAt));
    test::expectImportsRefused(
        dir, "bad.fac",
        {
            {handBoxFact(9, 12), "is damaged: group 1's GINF chunk counts 9 vertices but its VRTX chunk holds 8"},
            {handBoxFact(8, 13), "is damaged: group 1's GINF chunk counts 13 facets but its FACE chunk holds 12"},
            {handBoxFact(0xFFFFFFFFu, 12),
             "is damaged: group 1's GINF chunk counts 4294967295 vertices but its VRTX chunk holds 8"},
            {twoGroups.substr(0, good.size() + 40), "is cut short: its FORM chunk claims " +
                                                        std::to_string(twoGroups.size() - 8) + " bytes but " +
                                                        std::to_string(good.size() + 32) + " follow"},
            {good.substr(0, good.size() - 2), "is cut short: its FORM chunk claims " + std::to_string(good.size() - 8) +
                                                  " bytes but " + std::to_string(good.size() - 10) + " follow"},
        });
    // Fewer counted than the tables hold: only the counted ones are read.
    FactReader reader;
    std::vector<ImportGroup> groups;
    ASSERT_TRUE(reader.parse(handBoxFact(8, 10), groups)) << reader.error();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].mesh->elementCount(), 10);
    EXPECT_NE(reader.warnings().find("group 1: FACE holds 12 facets past the 10 its GINF chunk counts"),
              std::string::npos)
        << reader.warnings();
}

// What the program writes, walked by the layout alone: the counts of FINF and GINF
// are the entries that follow, and the file's box holds every vertex.
TEST(Fact, ExportsHaveTheDocumentedStructureAndComeBackWhole) {
    test::TempDir dir;
    const std::string bytes = test::exportTitleAs(dir, "t.fac");
    ASSERT_GT(bytes.size(), 12u);
    ASSERT_EQ(bytes.substr(0, 4), "FORM");
    ASSERT_EQ(test::u32Of(bytes, 4), bytes.size() - 8);
    ASSERT_EQ(bytes.substr(8, 4), "3DFL");
    std::vector<test::Chunk> top, inner, header;
    ASSERT_TRUE(test::walkChunks(std::string_view(bytes).substr(12), top));
    ASSERT_GE(top.size(), 2u);
    ASSERT_EQ(top[0].id, "FORM");
    ASSERT_EQ(top[0].data.substr(0, 4), "FHDR");
    ASSERT_TRUE(test::walkChunks(top[0].data.substr(4), header));
    ASSERT_GE(header.size(), 1u);
    ASSERT_EQ(header[0].id, "FINF");
    const std::string_view finf = header[0].data;
    ASSERT_EQ(finf.size(), 52u);
    for (size_t k = 36; k < 52; k += 4) EXPECT_EQ(test::u32Of(finf, k), 0u);

    uint32_t groups = 0, vertices = 0, facets = 0;
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (size_t g = 1; g < top.size(); ++g) {
        ASSERT_EQ(top[g].id, "FORM");
        ASSERT_EQ(top[g].data.substr(0, 4), "GRUP");
        ++groups;
        ASSERT_TRUE(test::walkChunks(top[g].data.substr(4), inner));
        ASSERT_GE(inner.size(), 3u);
        ASSERT_EQ(inner[0].id, "FORM");
        ASSERT_EQ(inner[0].data.substr(0, 4), "GHDR");
        ASSERT_TRUE(test::walkChunks(inner[0].data.substr(4), header));
        ASSERT_EQ(header[0].id, "GINF");
        ASSERT_EQ(header[0].data.size(), 52u);
        const uint32_t v = test::u32Of(header[0].data, 0), f = test::u32Of(header[0].data, 4);
        std::string_view vrtx, face;
        for (const test::Chunk& c : inner) {
            if (c.id == "VRTX") vrtx = c.data;
            if (c.id == "FACE") face = c.data;
        }
        EXPECT_EQ(vrtx.size(), 12u * v);
        EXPECT_EQ(face.size(), 40u * f);
        for (size_t at = 0; at + 12 <= vrtx.size(); at += 12)
            for (int a = 0; a < 3; ++a) {
                float x = test::f32Of(vrtx, at + 4 * static_cast<size_t>(a));
                lo[a] = std::min(lo[a], x), hi[a] = std::max(hi[a], x);
            }
        for (size_t at = 0; at + 40 <= face.size(); at += 40)
            for (size_t k = 0; k < 3; ++k) EXPECT_LT(test::u32Of(face, at + 4 * k), v);
        vertices += v, facets += f;
    }
    EXPECT_EQ(test::u32Of(finf, 0), vertices);
    EXPECT_EQ(test::u32Of(finf, 4), facets);
    EXPECT_EQ(test::u32Of(finf, 8), groups);
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(test::f32Of(finf, 12 + 4 * static_cast<size_t>(a)), lo[a]);
        EXPECT_EQ(test::f32Of(finf, 24 + 4 * static_cast<size_t>(a)), hi[a]);
    }

    // The same objects and triangles as the OBJ export, and the same once read in.
    std::vector<ImportGroup> obj = test::expectReimportMatchesObj(dir, "t.fac");
    size_t objTriangles = 0;
    for (const ImportGroup& group : obj) objTriangles += test::trianglesOf(*group.mesh).size();
    EXPECT_EQ(groups, obj.size());
    EXPECT_EQ(facets, objTriangles);
}

// Made from the layout's description by a separate script, not by FactWriter.
TEST(Fact, AFileMadeFromTheDescriptionReads) {
    FactReader reader;
    std::vector<ImportGroup> groups;
    ASSERT_TRUE(reader.read(FW_SOURCE_DIR "/fuzz/corpus/factreader/box-by-description.fac", groups)) << reader.error();
    EXPECT_EQ(reader.warnings(), "");
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "Seed box");
    EXPECT_EQ(test::cornersOf(test::Box()), test::cornersOf(*groups[0].mesh));
    ASSERT_EQ(groups[0].materials.size(), 2u);
    EXPECT_EQ(groups[0].materials[1].name, "Blue");
    EXPECT_EQ(groups[0].materials[1].diffuse[2], 1.0);
    EXPECT_EQ(test::trianglesOf(*groups[0].mesh, 1).size(), 6u);  // every other facet
}

}  // namespace
}  // namespace fw
