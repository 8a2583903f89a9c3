// 3DS export and import: the chunk layout, smoothing groups, the per-object limits and short object names.
#include "output/ThreeDSWriter.h"

#include "MeshRoundTrip.h"

namespace fw {

const char* const kTooLarge =
    "\rWarning: This export contains more data per object than the file format supports. Use settings that create "
    "fewer polygons or export to a different file format.";

using test::leU16, test::leU32;

// A textured box under the main chunks; with a crease angle past its right angles it is one smooth patch. (Creases at
// the default angle stay sharp over a whole title: MeshExportFidelity.CreasesAndNodeNamesSurvive….)
TEST(ThreeDS, ATexturedBoxSplitsItsCornersByTextureUnderTheMainChunksAndCanBeOneSmoothPatch) {
    test::Box box(2, 3, 4);
    ExportUnit unit("Box", &box);
    unit.creaseAngle = 100;
    // A vertex per distinct position and texture coordinate: corners 0 and 7 wear one coordinate on all three of
    // their faces, the other six three each, so 2 + 6 x 3 = 20; 12 triangles from the 6 quads.
    ThreeDSWriter::MeshCounts counts = ThreeDSWriter::count(unit);
    EXPECT_EQ(std::pair(counts.vertices, counts.faces), std::pair(20, 12));
    const std::string bytes = test::written(".3ds", {unit});
    ASSERT_GE(bytes.size(), 16u);
    // The main chunk 0x4D4D holds the file: the version chunk (id 0x0002, 10 bytes, version 3), then the editor's.
    EXPECT_EQ(bytes.substr(0, 18), "\x4D\x4D" + test::le32(uint32_t(bytes.size())) +
                                       std::string("\x02\x00\x0A\x00\x00\x00\x03\x00\x00\x00\x3D\x3D", 12));
    // The keyframer section follows the editor's and closes the file.
    const size_t keyframer = 16 + leU32(bytes, 18);
    ASSERT_LT(keyframer + 6, bytes.size());
    EXPECT_EQ(std::pair(leU16(bytes, keyframer), size_t(leU32(bytes, keyframer + 2))),
              std::pair(0xB000u, bytes.size() - keyframer));
    const size_t at = bytes.find(std::string("\x50\x41\x36\0\0\0", 6));  // chunk 0x4150: 6 + 12 * 4 bytes
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(leU32(bytes, at + 6), 0u);
    for (size_t f = 1; f < 12; ++f) EXPECT_EQ(leU32(bytes, at + 6 + 4 * f), leU32(bytes, at + 6)) << f;
}

TEST(ThreeDS, ExportsOverThePerObjectLimitsAreRefusedWholeWithTheWarning) {
    test::TempDir dir;
    // A strip of triangles over `positions` positions, every one of them used.
    auto strip = [](ObjDB& db, int positions) {
        for (int i = 0; i < positions; ++i) test::addVertices(db, {{double(i / 2), double(i % 2), 0}});
        for (int i = 0; i + 2 < positions; ++i) test::addElement(db, 0, {i, i + 1, i + 2});
    };
    test::Box small;
    ObjDB fits, over;
    strip(fits, 65534);
    strip(over, 65535);
    ObjDB manyFaces;  // few positions, 65535 triangles
    strip(manyFaces, 3);
    for (int i = 0; i < 65534; ++i) test::addElement(manyFaces, 0, {0, 1, 2});
    // The small unit alone would fit beside Over: the whole export is refused all the same.
    const std::pair<std::string, std::vector<ExportUnit>> exports[] = {
        {"fits.3ds", {ExportUnit("Small", &small), ExportUnit("Fits", &fits)}},
        {"over.3ds", {ExportUnit("Small", &small), ExportUnit("Over", &over)}},
        {"faces.3ds", {ExportUnit("Faces", &manyFaces)}}};
    for (const auto& [name, units] : exports) {
        const bool ok = name == "fits.3ds";
        const std::string said =
            test::capture([&](std::FILE* c) { EXPECT_EQ(ThreeDSWriter::write(dir.file(name), units, false, c), ok); });
        EXPECT_EQ(said, ok ? "" : std::string(kTooLarge) + "\n") << name;
    }
    auto groups = test::readBack(*test::readerFor(".3ds"), dir.file("fits.3ds"));
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(std::pair(groups[1].mesh->vertexCount(), groups[1].mesh->elementCount()), std::pair(65534, 65532));
    // Splitting counts: 40000 positions each with two texture coordinates make 80000 vertices.
    ObjDB split;
    strip(split, 40000);
    const double uv[2][3] = {{0, 0, 0}, {1, 1, 0}};
    for (const double* t : uv) split.addTexCoord(t);
    for (int i = 0; i + 2 < 40000; ++i) {
        const int c[3] = {i, i + 1, i + 2}, t[3] = {0, 0, 0}, u[3] = {1, 1, 1};
        split.addElement(GeometryInterface::Polygon, 0, 3, c, 3, i % 2 ? t : u, 0, nullptr);
    }
    EXPECT_FALSE(ThreeDSWriter::write(dir.file("split.3ds"), {ExportUnit("Split", &split)}, false));
    EXPECT_EQ(test::filesIn(dir.path()), std::vector<std::string>{"fits.3ds"});  // none of the refused exports
}

// Names and looks read back are checked with LightWave's in MeshRoundTrip.
TEST(ThreeDS, ObjectNamesAreShortenedToTenBytesAndKeptApart) {
    EXPECT_EQ(ThreeDSWriter::objectNames({"Logo", "Headline Title", "logo", "", "Headline~1", "Ten chars!"}, 10),
              (std::vector<std::string>{"Logo", "Headline~1", "logo~1", "Object", "Headline~2", "Ten chars!"}));
}

}  // namespace fw
