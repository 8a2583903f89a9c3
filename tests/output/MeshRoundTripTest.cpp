// What every mesh format in the table owes the user, checked over the whole table: units written and read back give the
// same triangles, with the same winding and texture coordinates, in world and in object coordinates; nothing to write
// leaves no file; kept fuzz inputs of every reader read cleanly.
#include <glm/gtc/matrix_transform.hpp>

#include "FuzzReplay.h"
#include "MeshFuzzTargets.h"
#include "MeshRoundTrip.h"
#include "TitleSolids.h"

namespace fw {

namespace {

using testing::DoubleNear, testing::Pointwise;

// Every distinct corner of the meshes as its position and texture coordinate (or normal), sorted and laid end to end:
// the texturing (or shading) whatever the numbering and fanning.
std::vector<double> corners(const std::vector<const GeometryInterface*>& meshes, bool normals) {
    std::vector<std::array<double, 6>> out;
    for (const GeometryInterface* g : meshes)
        for (const auto& triangle : test::cornersOf(*g))
            for (const test::Corner& c : triangle)
                out.push_back({c[0], c[1], c[2], c[normals ? 3 : 6], c[normals ? 4 : 7], normals ? c[5] : 0});
    for (auto& corner : out) for (double& x : corner) x = std::round(x * 1e3) / 1e3;
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    std::vector<double> flat;
    for (const auto& corner : out) flat.insert(flat.end(), corner.begin(), corner.end());
    return flat;
}

}  // namespace

TEST(MeshRoundTrip, EveryReadableFormatGivesBackWhatItWrote) {
    test::Box box(40, 60, 80);
    ObjDB shapes;  // a triangle, a square and a pentagon with normals but no texture coordinates, in part 1
    test::addVertices(shapes, {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {20, 0, 5}, {30, 0, 5}, {30, 10, 5}, {20, 10, 5},
                               {40, 0, 0}, {44, 3, 0}, {43, 8, 0}, {37, 8, 0}, {36, 3, 0}});
    const double up[3] = {0, 0, 1};
    shapes.addNormal(up);
    const int tri[3] = {0, 1, 2}, quad[4] = {3, 4, 5, 6}, five[5] = {7, 8, 9, 10, 11}, normals[5] = {};
    shapes.addElement(GeometryInterface::Polygon, 1, 3, tri, 0, nullptr, 3, normals);
    shapes.addElement(GeometryInterface::Polygon, 1, 4, quad, 0, nullptr, 4, normals);
    shapes.addElement(GeometryInterface::Polygon, 1, 5, five, 0, nullptr, 5, normals);
    ExportUnit a("Box", &box,
                 glm::rotate(glm::translate(glm::dmat4(1.0), glm::dvec3(100, -50, 25)), 0.7, glm::dvec3(1, 1, 0)));
    ExportUnit b("Shapes", &shapes, glm::scale(glm::dmat4(1.0), glm::dvec3(2, 1, 0.5)));
    const ExportMaterial gold{.name = "Gold", .diffuse = {1, 0.8, 0.2}};
    a.materials = {gold};
    b.materials = {ExportMaterial{}, gold};
    // A real bevelled title, moved and turned so that world and object coordinates differ.
    test::TitleSolids title(u"Ag");
    ASSERT_EQ(title.units.size(), 2u);
    std::vector<ExportUnit> units = {a, b};
    for (ExportUnit unit : title.units) {
        unit.transform = glm::rotate(glm::translate(glm::dmat4(1.0), glm::dvec3(40, -25, 60)), 0.6,
                                     glm::dvec3(0.2, 1, 0.3)) * unit.transform;
        units.push_back(unit);
    }
    std::vector<const GeometryInterface*> written;
    std::vector<test::Triangle> placed[2];  // in object and in world coordinates
    for (const ExportUnit& unit : units) {
        written.push_back(unit.geometry);
        for (bool world : {false, true}) {
            auto some = test::movedTriangles(*unit.geometry, world ? unit.transform : glm::dmat4(1.0));
            placed[world].insert(placed[world].end(), some.begin(), some.end());
        }
    }
    test::TempDir dir;
    int formats = 0;
    for (const MeshFormat& format : MeshFormats::all()) {
        if (!format.write || !format.makeReader) continue;
        ++formats;
        for (bool world : {true, false}) {
            SCOPED_TRACE(std::string(format.extension) + (world ? " world" : " local"));
            std::string path = dir.file(std::string("units") + (world ? "-world" : "-local") + format.extension);
            ASSERT_TRUE(format.write(path, units, world, nullptr));
            // Without a warning: readers warn of tables out of step with their counts (FACT's
            // FINF and GINF, Cinema 4D's NORM, UVWT and PMAT) and of corners past the points.
            std::vector<ImportGroup> groups = test::readBack(*format.makeReader(), path);
            EXPECT_EQ(groups.size(), units.size());
            std::vector<test::Triangle> read;
            std::vector<const GeometryInterface*> meshes;
            for (const ImportGroup& group : groups) {
                auto some = test::trianglesOf(*group.mesh);
                read.insert(read.end(), some.begin(), some.end());
                meshes.push_back(group.mesh.get());
            }
            // Single precision is the least any of the formats keeps. DXF fans polygons
            // of more than four corners into triangles, and keeps no texture coordinates.
            const bool dxf = std::string(format.extension) == ".dxf";
            EXPECT_EQ(test::compareTriangles(placed[world], read, 1e-4), "");
            // Corners agree beyond what single precision and six decimals lose; so do normals where formats keep them.
            if (!world && !dxf) {
                EXPECT_THAT(corners(meshes, false), Pointwise(DoubleNear(1.5e-3), corners(written, false)));
                if (meshes[0]->normalCount() > 0) {
                    EXPECT_THAT(corners(meshes, true), Pointwise(DoubleNear(1.5e-3), corners(written, true)));
                }
            }
        }
    }
    EXPECT_GE(formats, 6);
}

// Named units, sections and frames, and materials with their shading amounts, a name too long for 3DS, a name given
// twice with two looks, and none: the names and looks each format that keeps them gives back.
TEST(MeshRoundTrip, NamesAndLooksSurvive) {
    struct Row {
        const char* ext;
        std::vector<std::string> names;
        std::vector<std::vector<std::string>> materials;
        double colour, amount;  // what the format rounds away; amount < 0: amounts not kept
        bool specular, reflectivity;
        double otherGold = 0.5;  // red of the second "Gold": the first's where names key one table
    };
    const std::vector<std::string> kept = {"Headline Title-Frm7", "Headline Title-Section 1-Frm7", "Other Headline",
                                           "Logo-Frm7", "Logo-Section 1"};
    const Row rows[] = {
        {".fac", kept, {{"Gold", "Deep Red Lacquer Finish"}, {"Deep Red Lacquer Finish"}, {"Gold", "FACT material 2"},
                        {"defaultMtl"}, {"defaultMtl"}}, 1e-7, -1, false, false},
        {".c4d", kept, {{"Gold", "Deep Red Lacquer Finish"}, {"Deep Red Lacquer Finish"}, {"Gold", "C4D material 3"},
                        {"defaultMtl"}, {"defaultMtl"}}, 1e-7, -1, false, false, 0.9},
        {".3ds", {"Headlin-F7", "Headl-S1F7", "Other He~1", "Logo-Frm7", "Logo-Sec1"},
         {{"Gold", "Deep Red Lacqu~1"}, {"Deep Red Lacqu~1"}, {"Gold~1", "defaultMtl"}, {"defaultMtl~1"},
          {"defaultMtl~1"}}, 0.5 / 255, 0.005, true, false},
        {".lwo", kept, {{"Gold", "Deep Red Lacquer Finish"}, {"Deep Red Lacquer Finish"}, {"Gold (2)", "defaultMtl"},
                        {"defaultMtl (2)"}, {"defaultMtl (2)"}}, 1e-7, 1e-7, false, true}};
    test::Box box;
    ObjDB twoParts;  // two triangles over the unit square, in parts 0 and 1
    test::addVertices(twoParts, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    test::addElement(twoParts, 0, {0, 1, 2});
    test::addElement(twoParts, 1, {0, 2, 3});
    const ExportMaterial gold{.name = "Gold", .diffuse = {0.9, 0.7, 0.2}, .specular = {1, 0.9, 0.5},
                              .specularAmount = 0.4, .shininess = 0.6, .reflectivity = 0.1, .transparency = 0.25},
        red{.name = "Deep Red Lacquer Finish", .diffuse = {0.8, 0.1, 0.1}},
        unnamed{.name = "", .diffuse = {0.1, 0.2, 0.3}};
    ExportMaterial otherGold = gold;  // the same name, another look
    otherGold.diffuse[0] = 0.5;
    ExportUnit title("Headline Title", &twoParts), other("Other Headline", &twoParts), logo("Logo", &box);
    ExportUnit logoSection("Logo", &twoParts);
    logoSection.section = 1;
    title.materials = {gold, red};
    title.frame = logo.frame = 7;
    ExportUnit section = title;
    section.section = 1;
    other.materials = {otherGold, unnamed};
    test::TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.ext);
        const MeshFormat& format = *MeshFormats::forPath(row.ext);
        const std::string path = dir.file(std::string("named") + row.ext);
        ASSERT_TRUE(format.write(path, {title, section, other, logo, logoSection}, false, nullptr));
        std::vector<ImportGroup> groups = test::readBack(*format.makeReader(), path);
        std::vector<std::string> names;
        std::vector<std::vector<std::string>> materials;
        for (const ImportGroup& group : groups) {
            names.push_back(group.name);
            materials.emplace_back();
            for (const ExportMaterial& m : group.materials) materials.back().push_back(m.name);
        }
        EXPECT_EQ(names, row.names);
        ASSERT_EQ(materials, row.materials);
        // Each triangle wears its own material; the section holds its part only.
        for (int part : {0, 1}) EXPECT_EQ(test::trianglesOf(*groups[0].mesh, part), test::trianglesOf(twoParts, part));
        EXPECT_EQ(std::pair(groups[1].mesh->elementCount(), groups[4].mesh->elementCount()), std::pair(1, 1));
        const ExportMaterial& first = groups[0].materials[0];
        const auto colour = DoubleNear(row.colour);
        EXPECT_THAT(first.diffuse, Pointwise(colour, gold.diffuse));
        EXPECT_THAT(groups[0].materials[1].diffuse, Pointwise(colour, red.diffuse));
        EXPECT_THAT(groups[2].materials[1].diffuse, Pointwise(colour, unnamed.diffuse));
        if (row.specular) {
            EXPECT_THAT(first.specular, Pointwise(colour, gold.specular));
        }
        EXPECT_NEAR(groups[2].materials[0].diffuse[0], row.otherGold, row.colour);
        EXPECT_NEAR(groups[3].materials[0].diffuse[0], ExportMaterial().diffuse[0], row.colour);
        if (row.amount >= 0) {
            EXPECT_THAT((std::vector{first.shininess, first.specularAmount, first.transparency}),
                        Pointwise(DoubleNear(row.amount), {gold.shininess, gold.specularAmount, gold.transparency}));
        }
        if (row.reflectivity) {
            EXPECT_NEAR(first.reflectivity, gold.reflectivity, row.amount);
        }
    }
}

TEST(MeshRoundTrip, NothingToWriteOrNowhereToWriteItLeavesNoFile) {
    // What each writer tells the console when no unit has anything it can hold.
    const std::map<std::string, std::string> said = {
        {".obj", "write_obj: no geometry to export!\n"}, {".dxf", "write_dxf: no geometry to export!\n"},
        {".fac", "write_fact: no geometry to export!\n"}, {".c4d", "write_c4d: no geometry to export!\n"},
        {".glb", "write_glb: no geometry to export!\n"},  {".3ds", ""}, {".lwo", ""}};
    ObjDB empty;
    test::Box box;
    test::TempDir dir;
    for (const MeshFormat& format : MeshFormats::all()) {
        if (!format.write) continue;
        const std::string ext = format.extension;
        SCOPED_TRACE(ext);
        ASSERT_TRUE(said.count(ext)) << "a new format: say what it prints";
        std::string console = test::capture([&](std::FILE* out) {
            EXPECT_FALSE(format.write(dir.file("none" + ext), {ExportUnit("E", &empty)}, false, out));
        });
        EXPECT_EQ(console, said.at(ext));
        EXPECT_FALSE(format.write(dir.file("no/such/folder/x" + ext), {ExportUnit("B", &box)}, false, nullptr));
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }
}

TEST(MeshRoundTrip, KeptFuzzInputsOfEveryReaderReadCleanly) {
    static const char* extension;  // the replay takes a plain function
    const std::pair<const char*, const char*> targets[] = {{"objreader", ".obj"},  {"dxfreader", ".dxf"},
                                                           {"tdsreader", ".3ds"},  {"lworeader", ".lwo"},
                                                           {"factreader", ".fac"}, {"c4dreader", ".c4d"}};
    for (auto [target, ext] : targets) {
        SCOPED_TRACE(target);
        extension = ext;
        EXPECT_GT(test::replayFuzzInputs(
                      target, [](const uint8_t* d, size_t n) { return fuzz::readThroughMeshReader(extension, d, n); }),
                  0);
    }
}

}  // namespace fw
