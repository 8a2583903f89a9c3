// Cinema 4D export and import: the documented bytes of a tiny file, the MC50/DOK5
// check, names and materials, hand-made and damaged files.
#include "output/C4dReader.h"
#include "output/C4dWriter.h"

#include <gtest/gtest.h>

#include "ChunkedMeshFiles.h"

namespace fw {
namespace {

using test::be32;
using test::chunk;
using test::floats;

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
    ASSERT_TRUE(C4dWriter::write(dir.file("t.c4d"), {test::redTriangle(tri)}, true));
    std::string bytes = test::readFile(dir.file("t.c4d"));

    std::string expected = document(
        chunk("PLAT", be32(4)) + chunk("DNAM", "Orvo Export") +
        chunk("MATL", chunk("MNAM", "Red") + chunk("MCOL", floats({1, 0, 0}))) +
        chunk("OBJE", chunk("ONAM", "Tri") + chunk("PNTS", floats({10, 0, 0, 11, 0, 0, 10, 1, 0})) +
                          chunk("POLY", be32(0) + be32(2) + be32(1) + be32(1)) +
                          chunk("NORM", floats({0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1})) +
                          chunk("UVWT", floats({0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 0, 0})) + chunk("PMAT", be32(0))));
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
    test::Box box(1, 2, 3);
    ASSERT_TRUE(C4dWriter::write(dir.file("b.c4d"), {ExportUnit("Box", &box)}, false));
    const std::string good = test::readFile(dir.file("b.c4d"));
    test::expectCutsHandled<C4dReader>(good, 1, false);
    C4dReader reader;
    std::vector<ImportGroup> groups;

    // A POLY chunk that claims more than the file holds: the object is cut short.
    std::string bad = good;
    size_t poly = bad.find("POLY");
    ASSERT_NE(poly, std::string::npos);
    bad.replace(poly + 4, 4, be32(0xFFFFFFF0u));
    EXPECT_FALSE(reader.parse(bad, groups));
    EXPECT_EQ(reader.error().rfind("is damaged: chunk 'POLY' at byte " + std::to_string(poly) + " claims 4294967280 bytes",
                                   0),
              0u)
        << reader.error();

    bad = good;
    bad.replace(4, 4, be32(0xFFFFFFFFu));
    EXPECT_FALSE(reader.parse(bad, groups));
    EXPECT_EQ(reader.error(),
              "is cut short: its MC50 chunk claims 4294967295 bytes but " + std::to_string(good.size() - 8) + " follow");

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

// The box of ChunkedMeshFiles.h laid out chunk by chunk in the file's left-handed axes:
// z changes sign and each face's corners run the other way from the second on, so
// that seen from outside they go clockwise.
std::string handBoxC4d() {
    using Box = test::HandBox;
    std::string pnts, poly, norm, pmat;
    for (int k = 0; k < 8; ++k) {
        auto v = Box::corner(k);
        pnts += floats({v[0], v[1], -v[2]});
    }
    for (uint32_t f = 0; f < 6; ++f) {
        const int* q = Box::faces[f];
        for (int k : {q[0], q[3], q[2], q[1]}) poly += be32(uint32_t(k));
        for (int k = 0; k < 4; ++k) norm += floats({Box::normals[f][0], Box::normals[f][1], -Box::normals[f][2]});
        pmat += be32(f % 2);
    }
    return document(chunk("PLAT", be32(2)) + chunk("MATL", chunk("MNAM", "Red") + chunk("MCOL", floats({1, 0, 0}))) +
                    chunk("MATL", chunk("MNAM", "Blue") + chunk("MCOL", floats({0, 0, 1}))) +
                    chunk("OBJE", chunk("ONAM", "Crate") + chunk("PNTS", pnts) + chunk("POLY", poly) +
                                      chunk("NORM", norm) + chunk("PMAT", pmat)));
}

TEST(C4d, AFileLaidOutByHandImportsThroughTheProgram) {
    test::TempDir dir;
    test::expectHandBoxReads<C4dReader>(dir, "crate.c4d", handBoxC4d());
}

TEST(C4d, FilesWhoseChunksRunPastTheirEndsAreRefused) {
    test::TempDir dir;
    const std::string good = handBoxC4d();
    std::string longPoly = good;
    const size_t poly = longPoly.find("POLY");
    longPoly.replace(poly + 4, 4, be32(100000));
    std::string longObject = good;
    const size_t object = longObject.find("OBJE");
    longObject.replace(object + 4, 4, be32(test::u32Of(good, object + 4) + 2));
    test::expectImportsRefused(
        dir, "bad.c4d",
        {
            {good.substr(0, good.size() - 1), "is cut short: its MC50 chunk claims " + std::to_string(good.size() - 8) +
                                                  " bytes but " + std::to_string(good.size() - 9) + " follow"},
            {longPoly, "is damaged: chunk 'POLY' at byte " + std::to_string(poly) + " claims 100000 bytes"},
            {longObject, "is damaged: chunk 'OBJE' at byte " + std::to_string(object) + " claims " +
                             std::to_string(test::u32Of(good, object + 4) + 2) + " bytes"},
        });
}

// What the program writes, walked by the layout alone: the frame, the platform, one
// object per object of the project with its tables in step, points in left-handed
// axes and polygons facing out by the left-hand rule; read in again it is whole.
TEST(C4d, ExportsHaveTheDocumentedStructureAndComeBackWhole) {
    test::TempDir dir;
    const std::string bytes = test::exportTitleAs(dir, "t.c4d");
    ASSERT_GT(bytes.size(), 12u);
    ASSERT_EQ(bytes.substr(0, 4), "MC50");
    ASSERT_EQ(test::u32Of(bytes, 4), bytes.size() - 8);
    ASSERT_EQ(bytes.substr(8, 4), "DOK5");
    std::vector<test::Chunk> top, inner;
    ASSERT_TRUE(test::walkChunks(std::string_view(bytes).substr(12), top));
    ASSERT_GE(top.size(), 2u);
    ASSERT_EQ(top[0].id, "PLAT");
    ASSERT_EQ(top[0].data.size(), 4u);
    const uint32_t platform = test::u32Of(top[0].data, 0);
    EXPECT_TRUE(platform == 1 || platform == 2 || platform == 4) << platform;

    size_t materials = 0, objects = 0, polygons = 0;
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    double volume = 0;
    for (const test::Chunk& c : top) {
        if (c.id == "MATL") ++materials;
        if (c.id != "OBJE") continue;
        ++objects;
        ASSERT_TRUE(test::walkChunks(c.data, inner));
        std::string_view pnts, poly, norm, uvwt, pmat;
        for (const test::Chunk& k : inner) {
            if (k.id == "PNTS") pnts = k.data;
            if (k.id == "POLY") poly = k.data;
            if (k.id == "NORM") norm = k.data;
            if (k.id == "UVWT") uvwt = k.data;
            if (k.id == "PMAT") pmat = k.data;
        }
        ASSERT_EQ(pnts.size() % 12, 0u);
        ASSERT_EQ(poly.size() % 16, 0u);
        const size_t points = pnts.size() / 12, q = poly.size() / 16;
        EXPECT_EQ(pmat.size(), 4 * q);
        EXPECT_TRUE(norm.empty() || norm.size() == 48 * q);
        EXPECT_TRUE(uvwt.empty() || uvwt.size() == 48 * q);
        auto point = [&](uint32_t i) {
            std::array<double, 3> v;
            for (size_t a = 0; a < 3; ++a) v[a] = test::f32Of(pnts, 12 * i + 4 * a);
            return v;
        };
        for (uint32_t i = 0; i < points; ++i)
            for (int a = 0; a < 3; ++a) {
                float x = static_cast<float>(point(i)[static_cast<size_t>(a)]);
                lo[a] = std::min(lo[a], x), hi[a] = std::max(hi[a], x);
            }
        for (size_t j = 0; j < q; ++j) {
            uint32_t corner[4];
            for (size_t k = 0; k < 4; ++k) corner[k] = test::u32Of(poly, 16 * j + 4 * k);
            ASSERT_TRUE(corner[0] < points && corner[1] < points && corner[2] < points && corner[3] < points);
            // The volume the polygons close, by the left-hand rule in the file's axes.
            for (int t = 0; t < (corner[2] == corner[3] ? 1 : 2); ++t) {
                auto a = point(corner[0]), b = point(corner[1 + t]), d = point(corner[2 + t]);
                volume += (a[0] * (b[1] * d[2] - b[2] * d[1]) - a[1] * (b[0] * d[2] - b[2] * d[0]) +
                           a[2] * (b[0] * d[1] - b[1] * d[0])) / 6;
            }
            EXPECT_LT(test::u32Of(pmat, 4 * j), 64u);
        }
        polygons += q;
    }
    EXPECT_GT(volume, 0);

    std::vector<ImportGroup> obj = test::expectReimportMatchesObj(dir, "t.c4d");
    EXPECT_EQ(objects, obj.size());
    EXPECT_GE(materials, 2u);
    EXPECT_GT(polygons, 0u);
    // Left-handed: the file's z runs the other way.
    auto box = test::boundsOf(obj);
    for (int a = 0; a < 2; ++a) {
        EXPECT_NEAR(lo[a], box[static_cast<size_t>(a)], 1e-3);
        EXPECT_NEAR(hi[a], box[3 + static_cast<size_t>(a)], 1e-3);
    }
    EXPECT_NEAR(lo[2], -box[5], 1e-3);
    EXPECT_NEAR(hi[2], -box[2], 1e-3);
}

// Made from the layout's description by a separate script, not by C4dWriter: the box
// (in the file's left-handed axes) and one more triangle whose normals are all zero
// (so it has none).
TEST(C4d, AFileMadeFromTheDescriptionReads) {
    C4dReader reader;
    std::vector<ImportGroup> groups;
    ASSERT_TRUE(reader.read(FW_SOURCE_DIR "/fuzz/corpus/c4dreader/box-by-description.c4d", groups)) << reader.error();
    EXPECT_EQ(reader.warnings(), "");
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "Seed box");
    ASSERT_EQ(groups[0].mesh->elementCount(), 7);
    GeometryInterface::ElementInfo info;
    const int *p, *t, *n;
    ASSERT_TRUE(groups[0].mesh->getElementRefs(6, info, &p, &t, &n));
    EXPECT_EQ(info.count, 3);
    EXPECT_EQ(info.normalCount, 0);
    EXPECT_EQ(info.texCount, 3);
    EXPECT_EQ(test::cornersOf(test::Box()), test::cornersOf(*groups[0].mesh, 6));  // without the last triangle
    ASSERT_EQ(groups[0].materials.size(), 2u);
    EXPECT_EQ(groups[0].materials[0].name, "Red");
    EXPECT_EQ(groups[0].materials[1].name, "Blue");
    EXPECT_EQ(groups[0].materials[0].diffuse[0], 1.0);
    EXPECT_EQ(groups[0].materials[0].diffuse[1], 0.0);
}

}  // namespace
}  // namespace fw
