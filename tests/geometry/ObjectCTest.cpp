// Clusters: their stored lines, members by name, renaming with their members and the materials they hand on.
#include "geometry/ObjectC.h"

#include <gtest/gtest.h>

#include <string>

#include "MemoryStream.h"
#include "geometry/ObjectP.h"
#include "platform/Dialogs.h"
#include "scene/SceneX.h"

namespace fw {
namespace {

// The cluster's own lines, from its type to its end.
std::string clusterLines(const std::string& block) {
    const size_t from = block.find("  clusterType");
    const size_t to = block.find(" end ObjectC\n", from);
    return from == std::string::npos || to == std::string::npos ? "" : block.substr(from, to - from);
}

struct Flagged {
    SceneX scene;
    ObjectP* cloth = new ObjectP(scene, "Flag1:Flag");
    ObjectP* pole = new ObjectP(scene, "Flag1:Pole1");
    ObjectP* cap = new ObjectP(scene, "Flag1:Cap1");
    ObjectC* cluster = new ObjectC(scene, "Flag1");
};

// The lines' bytes come back in Conformance.EveryHandWrittenFileResavesToItsBytes… (tests/app), a flag cluster's among
// them; here, members read by name, and a fresh cluster's slot and empty box.
TEST(ObjectC, LinesOldAndNewAreReadAndATypeOtherThanTheFlagsIsWrittenAsNone) {
    Flagged f;
    ASSERT_EQ(0, test::readLines(*f.cluster, "clusterType \"Flag\"\nobject \"Flag1:Flag\"\n"
                                             "object \"Flag1:Pole1\"\nobject \"Flag1:Cap1\"\nend ObjectC\n"));
    ASSERT_EQ(f.cluster->memberCount(), 3);
    EXPECT_EQ(f.cluster->member(1), f.pole);
    ObjectC plain(f.scene, "Plain");
    EXPECT_EQ(clusterLines(test::writtenBlock(plain)).find("object"), std::string::npos);
    EXPECT_EQ(plain.materialStack(0)->item(0).materialName(), "defaultMtl");
    double box[6];
    plain.localBounds2(0, box);
    EXPECT_EQ(std::pair(box[0], box[3]), std::pair(1e20, -1e20));
    // Older lines are read, and a type other than the flag's is written as none.
    ASSERT_EQ(0, test::readLines(plain, "clusterType \"Bunch\"\nflatRender 0\nhasFragments 1\n"
                                        "material 2 \"Gold\"\nobject \"Flag1:Flag\"\n"));
    EXPECT_TRUE(plain.testObjectFlags(Object::kHasFragments));
    EXPECT_EQ(plain.materialSlotCount(), 3);
    EXPECT_EQ(plain.materialStack(2)->item(0).materialName(), "Gold");
    const std::string lines = clusterLines(test::writtenBlock(plain));
    EXPECT_EQ(lines.substr(0, lines.find("  selected")), "  clusterType \"None\"\n");
}

TEST(ObjectC, RenamingCarriesMembersThatShareTheNameAndReportsTheOthers) {
    Flagged f;
    new ObjectP(f.scene, "Banner");
    for (const char* m : {"Flag1:Flag", "Banner", "Flag1:Pole1"}) f.cluster->addMember(m);
    Dialogs::instance().clearShown();
    ASSERT_TRUE(f.cluster->renameWithMembers("Flag2"));
    EXPECT_EQ((std::vector<std::string>{f.cluster->name(), f.cluster->memberName(0), f.cluster->memberName(1),
                                        f.cluster->memberName(2)}),
              (std::vector<std::string>{"Flag2", "Flag2:Flag", "Banner", "Flag2:Pole1"}));
    EXPECT_EQ(f.scene.findMember("Flag2:Flag"), f.cloth);
    EXPECT_EQ(f.scene.findMember("Flag1:Flag"), nullptr);
    ASSERT_EQ(Dialogs::instance().shown().size(), 1u);
    EXPECT_EQ(Dialogs::instance().shown()[0],
              "\rSerious error during object rename:\r\rCurr: 'Banner'\rNew Prefix: 'Flag2'");
    // A name another member holds is refused, and nothing is renamed.
    EXPECT_FALSE(f.cluster->renameWithMembers("Banner"));
    EXPECT_EQ(f.cluster->memberName(0), "Flag2:Flag");
}

TEST(ObjectC, SlotsAreHandedToTheMembersInOrderAndAMemberThatIsGoneWritesAnEmptyLine) {
    Flagged f;
    for (const char* m : {"Flag1:Flag", "Flag1:Pole1", "Flag1:Cap1"}) f.cluster->addMember(m);
    f.cluster->materialStack(0)->item(0).setMaterial("Cloth");
    f.cluster->materialStack(1)->item(0).setMaterial("Wood");
    f.cluster->handMaterials();
    auto worn = [](ObjectP* p) { return p->materialStack(0)->item(0).materialName(); };
    // No third slot: the cap wears the first.
    EXPECT_EQ((std::vector<std::string>{worn(f.cloth), worn(f.pole), worn(f.cap)}),
              (std::vector<std::string>{"Cloth", "Wood", "Cloth"}));
    f.scene.removeMember(f.pole);
    delete f.pole;
    EXPECT_EQ(f.cluster->member(1), nullptr);
    const std::string lines = clusterLines(test::writtenBlock(*f.cluster));
    EXPECT_NE(lines.find("  object \"Flag1:Flag\"\n  object \"\"\n  object \"Flag1:Cap1\"\n"), std::string::npos)
        << lines;
}

}  // namespace
}  // namespace fw
