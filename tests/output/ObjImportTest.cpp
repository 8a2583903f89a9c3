// OBJ files as the import command reads them: one object per group, each with only
// the attributes it uses, materials as parts.
#include <gtest/gtest.h>

#include "MeshCompare.h"
#include "output/ObjImport.h"

namespace fw {

TEST(ObjImport, GroupsBecomeObjectsThatKeepOnlyWhatTheyUse) {
    // Two squares sharing an edge, in two groups; a triangle before any group.
    const std::string text =
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 2 1 0\nvn 0 0 1\n"
        "f 1//1 2//1 4//1\n"
        "g left\nusemtl Red\nf 1//1 2//1 3//1 4//1\n"
        "g right side\nusemtl Blue\nf 2//1 5//1 6//1 3//1\n"
        "g left\nf 4 3 2\n";
    ObjImport reader;
    std::vector<ImportGroup> groups;
    ASSERT_TRUE(reader.parse(text, groups)) << reader.error();
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].name, "OBJ default");
    EXPECT_EQ(groups[1].name, "left");
    EXPECT_EQ(groups[2].name, "right side");
    EXPECT_EQ(groups[0].mesh->vertexCount(), 3);
    EXPECT_EQ(groups[1].mesh->vertexCount(), 4);
    EXPECT_EQ(groups[1].mesh->elementCount(), 2);
    // Positions 2 and 3 belong to both squares: each group has its own copy.
    EXPECT_EQ(groups[2].mesh->vertexCount(), 4);
    EXPECT_EQ(groups[2].mesh->normalCount(), 1);
    ASSERT_EQ(groups[2].materials.size(), 2u);
    EXPECT_EQ(groups[2].materials[1].name, "Blue");
    GeometryInterface::ElementInfo info;
    const int *p, *t, *n;
    ASSERT_TRUE(groups[2].mesh->getElementRefs(0, info, &p, &t, &n));
    EXPECT_EQ(info.part, 1);
    ObjDB right;
    const double corners[4][3] = {{1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}};
    for (const auto& c : corners) right.addVertex(c);
    const int square[4] = {0, 1, 2, 3};
    right.addElement(GeometryInterface::Polygon, 0, 4, square, 0, nullptr, 0, nullptr);
    EXPECT_EQ(test::compareTriangles(test::trianglesOf(right), test::trianglesOf(*groups[2].mesh), 0), "");

    EXPECT_FALSE(reader.parse("# nothing\nv 1 2 3\n", groups));
    EXPECT_EQ(reader.error(), "holds no elements");
    EXPECT_FALSE(reader.parse("f 1 2 x\n", groups));
    EXPECT_FALSE(reader.error().empty());
}

}  // namespace fw
