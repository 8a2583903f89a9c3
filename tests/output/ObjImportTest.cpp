// OBJ as the import command reads it: one object per group, each with only the attributes it uses, materials as parts.
#include "MeshRoundTrip.h"
#include "output/ObjImport.h"

namespace fw {

TEST(ObjImport, GroupsBecomeObjectsThatKeepOnlyWhatTheyUse) {
    // Two squares sharing an edge, in two groups; a triangle before any group.
    const std::string text = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 2 1 0\nvn 0 0 1\n"
                             "f 1//1 2//1 4//1\n"
                             "g left\nusemtl Red\nf 1//1 2//1 3//1 4//1\n"
                             "g right side\nusemtl Blue\nf 2//1 5//1 6//1 3//1\n"
                             "g left\nf 4 3 2\n";
    ObjImport reader;
    std::vector<ImportGroup> groups;
    ASSERT_TRUE(reader.parse(text, groups)) << reader.error();
    // Each group's name and its counts of positions, elements and normals. Positions 2 and 3 belong to both squares:
    // each group has its own copy.
    std::vector<std::tuple<std::string, int, int, int>> made;
    for (const ImportGroup& g : groups)
        made.emplace_back(g.name, g.mesh->vertexCount(), g.mesh->elementCount(), g.mesh->normalCount());
    ASSERT_EQ(made, (decltype(made){{"OBJ default", 3, 1, 1}, {"left", 4, 2, 1}, {"right side", 4, 1, 1}}));
    ASSERT_EQ(groups[2].materials.size(), 2u);
    EXPECT_EQ(groups[2].materials[1].name, "Blue");
    EXPECT_EQ(test::elementInfo(*groups[2].mesh, 0).part, 1);
    ObjDB right;
    test::addVertices(right, {{1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}});
    test::addElement(right, 0, {0, 1, 2, 3});
    EXPECT_EQ(test::compareTriangles(test::trianglesOf(right), test::trianglesOf(*groups[2].mesh), 0), "");
    EXPECT_FALSE(reader.parse("# nothing\nv 1 2 3\n", groups));
    EXPECT_EQ(reader.error(), "holds no elements");
    EXPECT_FALSE(reader.parse("f 1 2 x\n", groups));
    EXPECT_FALSE(reader.error().empty());
}

TEST(ObjImport, MaterialLibrariesBesideTheFileGiveTheColours) {
    test::TempDir dir;
    test::writeFile(dir.file("look.mtl"), "# made elsewhere\nnewmtl Red\nKd 0.9 0.1 0.05\nKs 0.5 0.5 0.5\nNs 250\n"
                                          "newmtl Glass\r\nKd 0.8 0.9 1\r\nd 0.25\r\n");
    test::writeFile(dir.file("m.obj"), "mtllib look.mtl\nmtllib missing.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                       "usemtl Red\nf 1 2 3\nusemtl Glass\nf 1 3 2\nusemtl Plain\nf 2 1 3\n");
    ObjImport reader;
    std::vector<ImportGroup> groups;
    ASSERT_TRUE(reader.read(dir.file("m.obj"), groups)) << reader.error();
    ASSERT_EQ(groups.size(), 1u);
    const auto& materials = groups[0].materials;
    ASSERT_EQ(materials.size(), 3u);
    EXPECT_EQ(materials[0].name + " " + materials[1].name + " " + materials[2].name, "Red Glass Plain");
    // Red's colour, highlight and shininess; Glass's transparency and blue; Plain (in no library) the default look.
    const ExportMaterial &red = materials[0], &glass = materials[1];
    const std::vector<double> read = {red.diffuse[0],     red.diffuse[2],   red.specularAmount,     red.shininess,
                                      glass.transparency, glass.diffuse[2], materials[2].diffuse[0]};
    const std::vector<double> want = {0.9, 0.05, 0.5, 0.25, 0.75, 1.0, ExportMaterial().diffuse[0]};
    EXPECT_THAT(read, testing::Pointwise(testing::DoubleEq(), want));
    EXPECT_EQ(reader.warnings(), "OBJ Import: material library 'missing.mtl' cannot be opened\n");
}

}  // namespace fw
