// The two big-endian chunked formats, ElectricImage FACT and Cinema 4D, through one table: the documented bytes of a
// tiny file, the names readers give, files laid out by hand; and the FACT header's box over its groups. The damaged
// files of those and of the 3DS, LightWave and DXF readers share one table too.
#include <glm/gtc/matrix_transform.hpp>

#include "MeshRoundTrip.h"
#include "output/FactReader.h"

namespace fw {
namespace {

using test::be32, test::beU32, test::chunk, test::f32, test::floats;
using test::readerFor, testing::HasSubstr;

// A box from (-1, 0, 2) to (1, 4, 8): corner k has x from bit 0, y from bit 1, z from
// bit 2; each face's corners run counter-clockwise seen from outside.
struct HandBox {
    static constexpr double lo[3] = {-1, 0, 2}, hi[3] = {1, 4, 8};
    static constexpr int faces[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                        {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
    static constexpr double normals[6][3] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
    static std::array<double, 3> corner(int k) {
        return {(k & 1) ? hi[0] : lo[0], (k & 2) ? hi[1] : lo[1], (k & 4) ? hi[2] : lo[2]};
    }
};

// FINF or GINF: three counts, the bounding box, four zero longs.
std::string factInfo(uint32_t vertices, uint32_t facets, uint32_t third, const double lo[3], const double hi[3],
                     const char* id = "FINF") {
    std::string data = be32(vertices) + be32(facets) + be32(third);
    for (int a = 0; a < 3; ++a) data += f32(lo[a]);
    for (int a = 0; a < 3; ++a) data += f32(hi[a]);
    return chunk(id, data + be32(0) + be32(0) + be32(0) + be32(0));
}

std::string facet(uint32_t a, uint32_t b, uint32_t c, uint32_t material = 0) {
    return be32(a) + be32(b) + be32(c) + std::string(24, '\xFF') + be32(material);
}

// The hand box as FACT: FHDR, then a GRUP form with its GHDR, vertices, face normals,
// two materials and the facets; GINF's counts can be set apart from the tables'.
std::string handBoxFact(uint32_t countedVertices = 8, uint32_t countedFacets = 12) {
    std::string vrtx, norm, face;
    for (int k = 0; k < 8; ++k) for (double v : HandBox::corner(k)) vrtx += f32(v);
    for (uint32_t f = 0; f < 6; ++f) {
        for (double v : HandBox::normals[f]) norm += f32(v);
        const int* q = HandBox::faces[f];
        const int tris[2][3] = {{q[0], q[1], q[2]}, {q[0], q[2], q[3]}};
        for (const auto& t : tris)
            face += be32(uint32_t(t[0])) + be32(uint32_t(t[1])) + be32(uint32_t(t[2])) + be32(f) + be32(f) + be32(f) +
                    std::string(12, '\xFF') + be32(f % 2);
    }
    const std::string ginf = factInfo(countedVertices, countedFacets, 2, HandBox::lo, HandBox::hi, "GINF");
    std::string ghdr = chunk("FORM", "GHDR" + ginf + chunk("NAME", "Crate"));
    std::string grup = chunk("FORM", "GRUP" + ghdr + chunk("VRTX", vrtx) + chunk("NORM", norm) +
                                         chunk("MATL", floats({1, 0, 0}) + "Red") +
                                         chunk("MATL", floats({0, 0, 1}) + "Blue") + chunk("FACE", face));
    return chunk("FORM", "3DFL" + chunk("FORM", "FHDR" + factInfo(8, 12, 1, HandBox::lo, HandBox::hi)) + grup);
}

// The Cinema 4D frame: "MC50", the length of the rest, "DOK5", then the chunks.
std::string document(const std::string& chunks) {
    return "MC50" + be32(static_cast<uint32_t>(chunks.size() + 4)) + "DOK5" + chunks;
}

std::string c4dTriangle(const std::string& name) {
    const std::string points = chunk("PNTS", floats({0, 0, 0, 1, 0, 0, 0, 1, 0}));
    return chunk("OBJE", (name.empty() ? "" : chunk("ONAM", name)) + points +
                             chunk("POLY", be32(0) + be32(1) + be32(2) + be32(2)) + chunk("PMAT", be32(0)));
}

// `good` with the length of the chunk `id` (first found from `from`) replaced.
std::string claiming(std::string good, const std::string& id, uint32_t length, size_t* at = nullptr) {
    size_t where = good.find(id, 1);
    if (at) *at = where;
    good.replace(where + 4, 4, be32(length));
    return good;
}

// A damaged file, refused with `message`; or, with no message, read in part into one object whose elements have
// these normal counts. Either way with these warnings among others.
struct Damage {
    std::string bytes, message;
    std::vector<std::string> warnings = {};
    std::vector<int> normalCounts = {};
};
// `bytes`, whose chunk `id` at `at` claims `length`, refused for running past the end.
Damage claimsTooMuch(const std::string& bytes, const std::string& id, size_t at, uint32_t length) {
    const std::string left = std::to_string(bytes.size() - at - 8);
    return {bytes, "is damaged: chunk '" + id + "' at byte " + std::to_string(at) + " claims " +
                       std::to_string(length) + " bytes but only " + left + " are left"};
}

// A reader's damaged files: every `step`th cut of a good file (which a reader that `readsInPart` may read in part,
// with a warning), then files it refuses or reads in part.
struct Damaged {
    std::string ext, good;
    size_t step;
    bool readsInPart;
    std::vector<Damage> files;
};

struct Format {
    std::string ext, triangle, unnamed, handBox;  // triangle: the red triangle's bytes
    std::vector<std::string> unnamedNames;
    Damaged damaged;
    int seedBoxElements, seedElements;
};

Format fact() {
    test::Box box(1, 2, 3);
    const std::string good = test::written(".fac", {ExportUnit("Box", &box)});
    const std::string crate = handBoxFact();
    const double lo[3] = {10, 0, 0}, hi[3] = {11, 1, 0};
    std::string ginf = factInfo(3, 1, 1, lo, hi, "GINF");
    std::string face = be32(0) + be32(1) + be32(2) + std::string(12, '\0') + be32(0) + be32(1) + be32(2) + be32(0);
    std::string grup = chunk("FORM", "GRUP" + chunk("FORM", "GHDR" + ginf + chunk("NAME", "Tri")) +
                                         chunk("VRTX", floats({10, 0, 0, 11, 0, 0, 10, 1, 0})) +
                                         chunk("NORM", floats({0, 0, 1})) + chunk("TXUV", floats({0, 0, 1, 0, 0, 1})) +
                                         chunk("MATL", floats({1, 0, 0}) + "Red") + chunk("FACE", face));
    std::string fhdr = chunk("FORM", "FHDR" + factInfo(3, 1, 1, lo, hi) + chunk("NAME", "Orvo Export"));
    const std::string tri = chunk("VRTX", floats({0, 0, 0, 1, 0, 0, 0, 1, 0})) + chunk("FACE", facet(0, 1, 2));
    // A second group after the first, then the file cut inside it.
    const size_t groupAt = 12 + 8 + beU32(crate, 16);
    const std::string twoGroups = chunk("FORM", "3DFL" + crate.substr(12) + crate.substr(groupAt));
    size_t faceAt;
    const std::string longFace = claiming(good, "FACE", 0x7FFFFFF0u, &faceAt);
    const std::string longFile = good.substr(0, 4) + be32(0xFFFFFFFFu) + good.substr(8);
    const std::string cutShort = "is cut short: its FORM chunk claims ";
    return {
        ".fac", chunk("FORM", "3DFL" + fhdr + grup),
        chunk("FORM", "3DFL" + chunk("FORM", "GRUP" + chunk("FORM", "GHDR" + chunk("NAME", "Kept")) + tri) +
                          chunk("FORM", "GRUP" + tri) + tri),
        crate, {"Kept", "FACT group2", "FACT default"},  // the second GRUP form of the file; loose facets
        {".fac", good, 1, false, {
            {good.substr(0, 11), "is not an ElectricImage FACT file: it does not begin with an IFF form of type "
                                 "\"3DFL\""},
            {std::string("FORM\0\0\0\x04" "3DFL", 12), "holds no facets"},
            {chunk("FORM", "3DFL" + chunk("FACE", facet(7, 8, 9))), "holds no facets"},
            claimsTooMuch(longFace, "FACE", faceAt, 0x7FFFFFF0u),
            {longFile, cutShort + "4294967295 bytes but " + std::to_string(good.size() - 8) + " follow"},
            {handBoxFact(9, 12), "is damaged: group 1's GINF chunk counts 9 vertices but its VRTX chunk holds 8"},
            {handBoxFact(8, 13), "is damaged: group 1's GINF chunk counts 13 facets but its FACE chunk holds 12"},
            {handBoxFact(0xFFFFFFFFu, 12),
             "is damaged: group 1's GINF chunk counts 4294967295 vertices but its VRTX chunk holds 8"},
            {twoGroups.substr(0, crate.size() + 40), cutShort + std::to_string(twoGroups.size() - 8) + " bytes but " +
                                                         std::to_string(crate.size() + 32) + " follow"},
            // Without GINF the tables count: facets past the vertices, and an odd-sized VRTX chunk's rest, are skipped.
            {chunk("FORM", "3DFL" + chunk("FORM", "GRUP" + chunk("VRTX", floats({0, 0, 0, 1, 0, 0, 0, 1, 0}) + "xy") +
                                                      chunk("FACE", facet(0, 1, 2) + facet(0, 1, 0xFFFFFF00u) +
                                                                        facet(0, 1, 2, 5)))),
             "", {"VRTX holds 38 bytes, not a multiple of 12", "1 facets refer to vertices past the 3 the group holds",
                  "1 facets name a material the group lacks"}, {0, 0}},
            // Fewer counted than the tables hold: only the counted ones are read.
            {handBoxFact(8, 10), "", {"group 1: FACE holds 12 facets past the 10 its GINF chunk counts"},
             std::vector<int>(10, 3)},
        }}, 12, 12};
}

Format c4d() {
    test::Box box(1, 2, 3);
    const std::string good = test::written(".c4d", {ExportUnit("Box", &box)});
    // The hand box in Cinema 4D's left-handed axes: z changes sign; each face's corners after the first run backwards.
    std::string pnts, poly, norm, pmat;
    for (int k = 0; k < 8; ++k) pnts += floats({HandBox::corner(k)[0], HandBox::corner(k)[1], -HandBox::corner(k)[2]});
    for (uint32_t f = 0; f < 6; ++f) {
        const int* q = HandBox::faces[f];
        for (int k : {q[0], q[3], q[2], q[1]}) poly += be32(uint32_t(k));
        const double* n = HandBox::normals[f];
        for (int k = 0; k < 4; ++k) norm += floats({n[0], n[1], -n[2]});
        pmat += be32(f % 2);
    }
    const std::string crate =
        document(chunk("PLAT", be32(2)) + chunk("MATL", chunk("MNAM", "Red") + chunk("MCOL", floats({1, 0, 0}))) +
                 chunk("MATL", chunk("MNAM", "Blue") + chunk("MCOL", floats({0, 0, 1}))) +
                 chunk("OBJE", chunk("ONAM", "Crate") + chunk("PNTS", pnts) + chunk("POLY", poly) +
                                   chunk("NORM", norm) + chunk("PMAT", pmat)));
    const std::string one = document(c4dTriangle("T"));
    const std::string notC4d = "is not a Cinema 4D file: it does not begin with the identifiers \"MC50\" and \"DOK5\"";
    size_t polyAt, objectAt;
    const std::string longPoly = claiming(good, "POLY", 0xFFFFFFF0u, &polyAt);
    const uint32_t objectLength = beU32(crate, crate.find("OBJE") + 4) + 2;
    const std::string longObject = claiming(crate, "OBJE", objectLength, &objectAt);
    const std::string longFile = good.substr(0, 4) + be32(0xFFFFFFFFu) + good.substr(8);
    // Points past the table, a material past the table, tables shorter than the polygons.
    std::string object = chunk(
        "OBJE", chunk("PNTS", floats({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0})) +
                    chunk("POLY", be32(0) + be32(1) + be32(2) + be32(2) + be32(0) + be32(1) + be32(3) + be32(99) +
                                      be32(1) + be32(3) + be32(2) + be32(2)) +
                    chunk("NORM", floats({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1})) + chunk("PMAT", be32(0) + be32(7)));
    return {
        ".c4d",
        document(chunk("PLAT", be32(4)) + chunk("DNAM", "Orvo Export") +
                 chunk("MATL", chunk("MNAM", "Red") + chunk("MCOL", floats({1, 0, 0}))) +
                 chunk("OBJE", chunk("ONAM", "Tri") + chunk("PNTS", floats({10, 0, 0, 11, 0, 0, 10, 1, 0})) +
                                   chunk("POLY", be32(0) + be32(2) + be32(1) + be32(1)) +
                                   chunk("NORM", floats({0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1})) +
                                   chunk("UVWT", floats({0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 0, 0})) +
                                   chunk("PMAT", be32(0)))),
        document(c4dTriangle("A") + c4dTriangle("")), crate, {"A", "C4D object 2"},
        {".c4d", good, 1, false, {
            {"MC40" + one.substr(4), notC4d},
            {one.substr(0, 8) + "DOK4" + one.substr(12), notC4d},
            {"", notC4d},
            claimsTooMuch(longPoly, "POLY", polyAt, 0xFFFFFFF0u),
            {longFile, "is cut short: its MC50 chunk claims 4294967295 bytes but " + std::to_string(good.size() - 8) +
                           " follow"},
            claimsTooMuch(longObject, "OBJE", objectAt, objectLength),
            {document(chunk("MATL", chunk("MNAM", "M")) + object), "",
             {"1 polygons refer to points past the 4 the object holds", "NORM holds 48 bytes where 3 polygons need 144",
              "PMAT holds 8 bytes where 3 polygons need 12", "1 polygons name a material the file lacks"},
             {3, 0}},  // the first polygon's normals were there
        }}, 6, 7};  // the seed holds one more triangle, with zero normals (so none)
}

std::vector<Format> formats() { return {fact(), c4d()}; }

// 3DS: little-endian chunks; a damaged count or corner is read in part with a warning.
Damaged threeDS() {
    test::Box box;
    const std::string good = test::written(".3ds", {ExportUnit("Box", &box)});
    auto at = [&](uint16_t id) { return good.find(std::string{char(id & 0xFF), char(id >> 8)}); };
    const size_t vertices = at(0x4110), faces = at(0x4120);
    const int count = uint8_t(good[vertices + 6]) | uint8_t(good[vertices + 7]) << 8;
    auto put = [&](size_t where, std::initializer_list<uint8_t> bytes) {
        std::string damaged = good;
        for (uint8_t b : bytes) damaged[where++] = char(b);
        return damaged;
    };
    const std::string noMesh = "holds no triangle mesh with faces";
    return {".3ds", good, 7, true,
            {
                {"", "is not a 3DS file: it does not begin with the main chunk 0x4D4D"},
                {good.substr(0, 40), noMesh, {"claims"}},
                // The mesh loses its vertices, so every face goes.
                {put(vertices + 2, {3, 0, 0, 0}), noMesh, {"has length 3, below the 6 bytes of its header"}},
                // A length far past the end of its parent.
                {put(vertices + 5, {0x7F}), noMesh, {"chunk 0x4110 at byte " + std::to_string(vertices) + " claims"}},
                {put(vertices + 6, {0xFF, 0xFF}), "",
                 {"object 'Box' claims 65535 vertices, only " + std::to_string(count) + " fit in its chunk"},
                 std::vector<int>(12, 0)},
                {put(vertices + 6, {4, 0}), "",
                 {"refers to a vertex past the 4 it has; left out",
                  "mapping coordinates for 4 vertices; they are left out"},
                 {0, 0}},
                {put(faces + 6, {0xFF, 0xFF}), "", {"claims 65535 faces"}, std::vector<int>(12, 0)},
                // The first corner of the first face: 999.
                {put(faces + 8, {0xE7, 0x03}), "",
                 {"face 0 refers to a vertex past the " + std::to_string(count) + " it has"}, std::vector<int>(11, 0)},
            }};
}

// LightWave: an IFF FORM of big-endian chunks.
Damaged lightWave() {
    test::Box box;
    const std::string good = test::written(".lwo", {ExportUnit("Box", &box)});
    const size_t pols = good.find("POLS"), pnts = good.find("PNTS");
    std::string pointPast = good, manyCorners = good;
    pointPast[pols + 15] = 0x40;  // the first corner of the first polygon: point 64 of 8
    manyCorners.replace(pols + 12, 2, std::string("\x03\xFF", 2));  // 1023 corners, far more than are there
    return {".lwo", good, 5, true,
            {
                // An empty object of the older format is read, and found empty.
                {std::string("FORM\0\0\0\x04LWOB", 12), "holds no polygons"},
                {"not a mesh at all", "is not a LightWave object: it does not begin with an IFF FORM"},
                {claiming(good, "PNTS", 0x7FFFFFF0), "holds no polygons",
                 {"chunk PNTS at byte " + std::to_string(pnts) + " claims 2147483632 bytes"}},
                {manyCorners, "holds no polygons", {"ends inside a polygon"}},
                {pointPast, "", {"polygon 0 refers to a point past the 8 of its layer; left out"},
                 std::vector<int>(5, 0)}}};
}

// DXF: text; a good file cut anywhere is read or refused with a reason.
Damaged dxf() {
    const std::string face = "0\n3DFACE\n8\nL\n10\n0\n20\n0\n30\n0\n11\n1\n21\n0\n31\n0\n12\n0\n22\n1\n32\n0\n"
                             "13\n0\n23\n1\n33\n0\n";
    std::string notANumber = face;
    notANumber.replace(notANumber.find("11\n1\n"), 5, "11\nnan\n");
    const std::string entities = "0\nSECTION\n2\nENTITIES\n", end = "0\nENDSEC\n0\nEOF\n";
    const std::string noFaces = "holds no faces: no 3DFACE entities, polyface or polygon meshes";
    return {".dxf", entities + face + face + end, 1, true,
            {
                {"", noFaces},
                {"AutoCAD Binary DXF\r\n\x1a", "is a binary DXF file, which is not read"},
                {"hello\nworld\n", "is not a DXF file: line 1 is not a group code"},
                {"0\nSECTION\n2\nBLOCKS\n" + face + "0\nENDSEC\n", noFaces},  // faces outside ENTITIES are not read
                // The face with a bad corner is skipped.
                {entities + notANumber + face + end, "", {"not a number"}, {0}}}};
}

// Every cut of a written box is refused, or read in part with a warning, or for DXF read; each damaged file is refused
// with its message (the import command passes it on as it is: MeshCommands.ImportMakesAProjectThatRendersOrAddsToOne);
// what can be read in part is, with a warning for what was left out.
TEST(DamagedMeshFiles, AreRefusedOrReadInPartByTheReaderAndTheImport) {
    const std::vector<Format> chunked = formats();
    for (const Damaged& f : {chunked[0].damaged, chunked[1].damaged, threeDS(), lightWave(), dxf()}) {
        SCOPED_TRACE(f.ext);
        for (size_t cut = 0; cut < f.good.size(); cut += f.step) {
            test::Parsed r = test::parse(*readerFor(f.ext), f.good.substr(0, cut));
            EXPECT_TRUE(r.ok ? f.readsInPart && (f.ext == ".dxf" || r.warnings != "")
                             : r.error != "" && (f.readsInPart || r.groups.empty())) << "cut at " << cut;
        }
        for (const Damage& c : f.files) {
            SCOPED_TRACE(c.message.empty() ? c.warnings.at(0) : c.message);
            test::Parsed r = test::parse(*readerFor(f.ext), c.bytes);
            for (const std::string& warning : c.warnings) EXPECT_THAT(r.warnings, HasSubstr(warning));
            if (!c.message.empty()) {
                EXPECT_EQ(std::tuple(r.ok, r.error, r.groups.size()), std::tuple(false, c.message, size_t(0)));
                continue;
            }
            ASSERT_TRUE(r.ok) << r.error;
            ASSERT_EQ(r.groups.size(), 1u);
            std::vector<int> normalCounts;
            for (int e = 0; e < r.groups[0].mesh->elementCount(); ++e)
                normalCounts.push_back(test::elementInfo(*r.groups[0].mesh, e).normalCount);
            EXPECT_EQ(normalCounts, c.normalCounts);
        }
    }
}

// A triangle is written as the documented bytes, the scene's name among them. Objects a file does not name take the
// reader's names, and the default look. (Named objects' names and looks, and Cinema 4D's one material table for all
// units: MeshRoundTrip.NamesAndLooksSurvive.) Boxes laid out without our writers read whole, wearing "Red" and "Blue"
// faces by turns: the hand box, 12 triangles over its 8 corners, facing out, each corner's normal its face's; and the
// seed box made from the layout's description by a separate script, with maybe more triangles without normals. (The
// import command adds nothing per format: MeshCommands.ImportMakesAProjectThatRendersOrAddsToOne.)
TEST(ChunkedMesh, ATriangleWritesTheDocumentedBytesAndHandMadeFilesReadWholeWithTheReadersNames) {
    ObjDB tri;
    const double p[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, up[3] = {0, 0, 1};
    for (const auto& v : p) tri.addVertex(v), tri.addTexCoord(v);
    tri.addNormal(up);
    const int corners[3] = {0, 1, 2}, normals[3] = {0, 0, 0};
    tri.addElement(GeometryInterface::Polygon, 0, 3, corners, 3, corners, 3, normals);
    ExportUnit unit("Tri", &tri, glm::translate(glm::dmat4(1.0), glm::dvec3(10, 0, 0)));
    unit.materials = {ExportMaterial{.name = "Red", .diffuse = {1, 0, 0}}};
    ObjDB expected;
    for (int k = 0; k < 8; ++k) expected.addVertex(HandBox::corner(k).data());
    for (int f = 0; f < 6; ++f) {
        const int faceNormal[4] = {f, f, f, f};
        expected.addNormal(HandBox::normals[f]);
        expected.addElement(GeometryInterface::Polygon, f % 2, 4, HandBox::faces[f], 0, nullptr, 4, faceNormal);
    }
    for (const Format& f : formats()) {
        SCOPED_TRACE(f.ext);
        EXPECT_EQ(test::written(f.ext, {unit}, true), f.triangle);
        test::Parsed r = test::parse(*readerFor(f.ext), f.unnamed);
        ASSERT_TRUE(r.ok) << r.error;
        std::vector<std::string> names;
        for (const ImportGroup& group : r.groups) {
            names.push_back(group.name);
            EXPECT_EQ(group.mesh->elementCount(), 1);
            ASSERT_EQ(group.materials.size(), 1u);
            EXPECT_EQ(group.materials[0].name, "defaultMtl");
        }
        EXPECT_EQ(names, f.unnamedNames);
        test::Parsed hand = test::parse(*readerFor(f.ext), f.handBox);
        ASSERT_TRUE(hand.ok) << hand.error;
        EXPECT_EQ(hand.warnings, "");
        const std::string folder = f.ext == ".fac" ? "factreader" : "c4dreader";
        std::vector<ImportGroup> seed = test::readBack(*readerFor(f.ext), FW_SOURCE_DIR "/fuzz/corpus/" + folder +
                                                                              "/box-by-description" + f.ext);
        for (const auto& [groups, name] : {std::pair{&hand.groups, "Crate"}, {&seed, "Seed box"}}) {
            SCOPED_TRACE(name);
            ASSERT_EQ(groups->size(), 1u);
            EXPECT_EQ(groups->at(0).name, name);
            std::vector<std::pair<std::string, std::vector<double>>> looks;
            for (const ExportMaterial& m : groups->at(0).materials)
                looks.emplace_back(m.name, std::vector<double>(m.diffuse, m.diffuse + 3));
            EXPECT_EQ(looks, (decltype(looks){{"Red", {1, 0, 0}}, {"Blue", {0, 0, 1}}}));
        }
        EXPECT_EQ(test::cornersOf(expected), test::cornersOf(*hand.groups[0].mesh));
        for (int part = 0; part < 2; ++part)
            EXPECT_EQ(test::trianglesOf(*hand.groups[0].mesh, part), test::trianglesOf(expected, part)) << part;
        const ObjDB& mesh = *seed[0].mesh;
        ASSERT_EQ(mesh.elementCount(), f.seedElements);
        EXPECT_EQ(test::cornersOf(test::Box()), test::cornersOf(mesh, f.seedBoxElements));
        for (int e = f.seedBoxElements; e < f.seedElements; ++e) {
            const GeometryInterface::ElementInfo info = test::elementInfo(mesh, e);
            EXPECT_EQ(std::vector<int>({info.count, info.normalCount, info.texCount}), (std::vector<int>{3, 0, 3}));
        }
    }
}

TEST(Fact, GroupsPastTheLimitAreRefusedOneByOne) {
    std::string tri = chunk("VRTX", floats({0, 0, 0, 1, 0, 0, 0, 1, 0})) + chunk("FACE", facet(0, 1, 2));
    std::string body = "3DFL";
    for (int i = 0; i < FactReader::kMaxGroups + 2; ++i) body += chunk("FORM", "GRUP" + tri);
    test::Parsed r = test::parse(*readerFor(".fac"), chunk("FORM", body));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.groups.size(), static_cast<size_t>(FactReader::kMaxGroups));
    const std::string refused = "FactReader::new_group:  can't create new ObjectP !\n";
    EXPECT_EQ(r.warnings, refused + refused);
}

// The file's box holds every group's vertices (the reader checks FINF's counts, not its
// box): a box, and the same box moved, from (-1, -8, -3) to (6, 2, 10).
TEST(Fact, TheFileBoxHoldsEveryGroup) {
    test::Box box(2, 4, 6);
    const glm::dmat4 moved = glm::translate(glm::dmat4(1.0), glm::dvec3(5, -6, 7));
    const std::string bytes = test::written(".fac", {ExportUnit("A", &box), ExportUnit("B", &box, moved)}, true);
    // The file's form, then the FHDR form with FINF first: its data starts at byte 12 + 12 + 8, the box after 3 counts.
    ASSERT_EQ(bytes.substr(20, 8), "FHDRFINF");
    std::vector<float> written;
    for (size_t i = 0; i < 6; ++i) written.push_back(test::beF32(bytes, 32 + 12 + 4 * i));
    EXPECT_EQ(written, (std::vector<float>{-1, -8, -3, 6, 2, 10}));
}

}  // namespace
}  // namespace fw
