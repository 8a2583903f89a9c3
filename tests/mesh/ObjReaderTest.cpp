#include "mesh/ObjReader.h"

#include "mesh/ObjDB.h"

namespace fw {
namespace {

// Position, texture and normal lists of one element, the last two empty when absent.
std::vector<std::vector<int>> cornersOf(const GeometryInterface& mesh, int element) {
    GeometryInterface::ElementInfo info;
    const int *p, *t, *n;
    mesh.getElementRefs(element, info, &p, &t, &n);
    return {std::vector<int>(p, p + info.count), std::vector<int>(t, t + info.texCount),
            std::vector<int>(n, n + info.normalCount)};
}

// (Packing keeps every corner: PackedObjDB.PackingAMeshKeepsEveryCornerAndStoresEachCombinationOnce.)
TEST(ObjReader, ReadsACubeFile) {
    ObjDB db;
    ObjReader reader;
    ASSERT_TRUE(reader.read(FW_SOURCE_DIR "/fuzz/corpus/objreader/cube", db)) << reader.error();
    GeometryInterface::ElementInfo info;
    db.getElement(5, info, nullptr, nullptr, nullptr);
    EXPECT_EQ(std::vector<int>({db.vertexCount(), db.texCoordCount(), db.normalCount(), db.elementCount(), info.part}),
              (std::vector<int>{8, 4, 6, 6, 1}));
    EXPECT_EQ(reader.materials(), (std::vector<std::string>{"front", "sides"}));
    EXPECT_EQ(cornersOf(db, 0), (std::vector<std::vector<int>>{{0, 3, 2, 1}, {0, 3, 2, 1}, {0, 0, 0, 0}}));
}

TEST(ObjReader, ResolvesNegativeReferencesAndSkipsMissingOnes) {
    ObjDB db;
    ObjReader reader;
    ASSERT_TRUE(reader.parse("v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nvn 0 0 1\r\nf -3//-1 -2//-1 -1//-1\r\n"
                             "v 2 2 2\nl -4 \\\n -1 # a comment\nvt 0 0\n"
                             "f 1/1 2/1 9/1 3/1\nf 0 -5 3//2\nf 7 8\n", db)) << reader.error();
    ASSERT_EQ(db.elementCount(), 4);  // the last face lost every corner
    EXPECT_EQ(cornersOf(db, 0), (std::vector<std::vector<int>>{{0, 1, 2}, {}, {0, 0, 0}}));
    EXPECT_EQ(cornersOf(db, 1), (std::vector<std::vector<int>>{{0, 3}, {}, {}}));
    EXPECT_EQ(cornersOf(db, 2), (std::vector<std::vector<int>>{{0, 1, 2}, {0, 0, 0}, {}}));
    EXPECT_EQ(cornersOf(db, 3)[0], std::vector<int>{2});
    std::string warnings;
    for (const char* reference : {"vertex reference 9", "vertex reference 0", "vertex reference -5",
                                  "normal reference 2", "vertex reference 7", "vertex reference 8"})
        warnings += std::string("OBJ Import: ") + reference + " out of range !\n";
    EXPECT_EQ(reader.warnings(), warnings);
}

TEST(ObjReader, FailsOnMalformedLinesAndUnreadableFiles) {
    const std::pair<const char*, const char*> cases[] = {
        {"v 0 0 0\nv 1 zero 0\n", "line 2: \"zero\" is not a number in a \"v\" line"},
        {"vn 0 1\n", "line 1: a \"vn\" line needs 3 numbers"},
        {"v 0 0 nan\n", "line 1: \"nan\" is not a number in a \"v\" line"},
        {"v 0 0 0\nf 1/1/1/1\n", "line 2: bad corner \"1/1/1/1\""},
        {"v 0 0 0\n\nf 99999999999999999999\n", "line 3: bad corner \"99999999999999999999\""},
        {"v 0 0 0\nf \\\n\n", "line 2: an element line without corners"},
    };
    for (auto& [text, message] : cases) {
        ObjDB db;
        double p[3] = {5, 5, 5};
        db.addVertex(p);
        ObjReader reader;
        EXPECT_FALSE(reader.parse(text, db));
        EXPECT_EQ(reader.error(), message);
        EXPECT_EQ(db.vertexCount() + db.elementCount(), 0) << text;
    }
    ObjDB db;
    ObjReader reader;
    EXPECT_FALSE(reader.read("/no/such/folder/missing.obj", db));
    EXPECT_EQ(reader.error(), "No such file or directory");
}

}  // namespace
}  // namespace fw
