// Clusters: their stored block, members by name, renaming with their members and the
// materials they hand on, through scene files on disk.
#include "geometry/ObjectC.h"

#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "geometry/GeometryClasses.h"
#include "geometry/ObjectP.h"
#include "platform/Dialogs.h"
#include "profile/ProfileRegistration.h"
#include "scene/MemberFactory.h"
#include "scene/SceneFile.h"
#include "scene/SceneX.h"
#include "surface/SurfaceClasses.h"

namespace fw {
namespace {

class Clusters : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static const bool done =
            (registerSceneClasses(), registerSurfaceClasses(), registerProfileClasses(), registerGeometryClasses(), true);
        (void)done;
    }
    SceneFile::Loaded load(const std::string& body) {
        test::writeFile(dir.file("in.scene"), " begin SceneX\n  name \"Flags\"\n" + body + " end SceneX\n");
        return SceneFile::load(dir.file("in.scene"));
    }
    std::string save(SceneX& scene, const char* file = "out.scene") {
        std::string error;
        EXPECT_TRUE(SceneFile::save(scene, dir.file(file), error)) << error;
        return test::readFile(dir.file(file));
    }
    // The cluster's own lines, from its type to its end.
    static std::string clusterLines(const std::string& saved) {
        const size_t from = saved.find("   clusterType");
        const size_t to = saved.find("  end ObjectC\n", from);
        return from == std::string::npos || to == std::string::npos ? "" : saved.substr(from, to - from);
    }

    test::TempDir dir;
};

std::string cube(const std::string& name) {
    return "  begin ObjectP\n   name \"" + name + "\"\n   parent \"root\"\n   primitiveType CUBE\n  end ObjectP\n";
}

const std::string kFlagCluster =
    "  begin ObjectC\n   name \"Flag1\"\n   parent \"root\"\n   clusterType \"Flag\"\n   selected 1\n"
    "   smoothnessPreview 12.5\n   smoothnessRender 40\n   begin MaterialStack 0\n   end MaterialStack\n"
    "   object \"Flag1:Flag\"\n   object \"Flag1:Pole1\"\n   object \"Flag1:Cap1\"\n  end ObjectC\n";

TEST_F(Clusters, BlockReadsAndWritesItsLinesByteForByte) {
    auto loaded = load(cube("Flag1:Flag") + cube("Flag1:Pole1") + cube("Flag1:Cap1") + kFlagCluster);
    ASSERT_TRUE(loaded.scene) << loaded.error;
    auto* c = dynamic_cast<ObjectC*>(loaded.scene->findMember("Flag1"));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->clusterType, ObjectC::kClusterFlag);
    ASSERT_EQ(c->memberCount(), 3);
    EXPECT_EQ(c->member(1), loaded.scene->findMember("Flag1:Pole1"));
    const std::string saved = save(*loaded.scene);
    EXPECT_EQ(clusterLines(saved),
              "   clusterType \"Flag\"\n   selected 1\n   smoothnessPreview 12.500000\n   smoothnessRender 40.000000\n"
              "   begin MaterialStack 0\n   end MaterialStack\n   object \"Flag1:Flag\"\n   object \"Flag1:Pole1\"\n"
              "   object \"Flag1:Cap1\"\n");
    // Read back, written again: the same bytes.
    test::writeFile(dir.file("again.scene"), saved);
    auto again = SceneFile::load(dir.file("again.scene"));
    ASSERT_TRUE(again.scene) << again.error;
    EXPECT_EQ(save(*again.scene, "again-out.scene"), saved);
}

TEST_F(Clusters, OldLinesAndOtherTypesAreRead) {
    auto loaded = load(cube("a") +
                       "  begin ObjectC\n   name \"Group A\"\n   clusterType \"Bunch\"\n   flatRender 0\n"
                       "   hasFragments 1\n   material 2 \"Gold\"\n   object \"a\"\n  end ObjectC\n");
    ASSERT_TRUE(loaded.scene) << loaded.error;
    auto* c = dynamic_cast<ObjectC*>(loaded.scene->findMember("Group A"));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->clusterType, ObjectC::kClusterNone);
    EXPECT_TRUE(c->testObjectFlags(Object::kHasFragments));
    EXPECT_EQ(c->materialSlotCount(), 3);
    EXPECT_EQ(c->materialStack(2)->item(0).materialName(), "Gold");
    const std::string lines = clusterLines(save(*loaded.scene));
    EXPECT_EQ(lines.substr(0, lines.find("   selected")), "   clusterType \"None\"\n");
}

TEST_F(Clusters, AMemberThatIsGoneWritesAnEmptyLine) {
    auto loaded = load(cube("Flag1:Flag") + cube("Flag1:Pole1") + kFlagCluster);  // no cap
    ASSERT_TRUE(loaded.scene) << loaded.error;
    auto* c = dynamic_cast<ObjectC*>(loaded.scene->findMember("Flag1"));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->member(2), nullptr);
    SceneMember* pole = loaded.scene->findMember("Flag1:Pole1");
    loaded.scene->removeMember(pole);
    delete pole;
    const std::string lines = clusterLines(save(*loaded.scene));
    EXPECT_NE(lines.find("   object \"Flag1:Flag\"\n   object \"\"\n   object \"\"\n"), std::string::npos) << lines;
}

TEST_F(Clusters, RenamingCarriesMembersThatShareTheNameAndReportsTheOthers) {
    auto loaded = load(cube("Flag1:Flag") + cube("Flag1:Pole1") + cube("Banner") +
                       "  begin ObjectC\n   name \"Flag1\"\n   clusterType \"Flag\"\n   object \"Flag1:Flag\"\n"
                       "   object \"Banner\"\n   object \"Flag1:Pole1\"\n  end ObjectC\n");
    ASSERT_TRUE(loaded.scene) << loaded.error;
    auto* c = dynamic_cast<ObjectC*>(loaded.scene->findMember("Flag1"));
    ASSERT_NE(c, nullptr);
    Dialogs::instance().clearShown();
    ASSERT_TRUE(c->renameWithMembers("Flag2"));
    EXPECT_EQ(c->name(), "Flag2");
    EXPECT_EQ(c->memberName(0), "Flag2:Flag");
    EXPECT_EQ(c->memberName(1), "Banner");
    EXPECT_EQ(c->memberName(2), "Flag2:Pole1");
    EXPECT_NE(loaded.scene->findMember("Flag2:Flag"), nullptr);
    EXPECT_EQ(loaded.scene->findMember("Flag1:Flag"), nullptr);
    ASSERT_EQ(Dialogs::instance().shown().size(), 1u);
    EXPECT_EQ(Dialogs::instance().shown()[0], "\rSerious error during object rename:\r\rCurr: 'Banner'\rNew Prefix: 'Flag2'");
    // A name another member holds is refused, and nothing is renamed.
    EXPECT_FALSE(c->renameWithMembers("Banner"));
    EXPECT_EQ(c->memberName(0), "Flag2:Flag");
}

TEST_F(Clusters, SlotsAreHandedToTheMembersInOrder) {
    auto loaded = load(cube("f") + cube("p") + "  begin ObjectC\n   name \"F\"\n   material 1 \"Wood\"\n"
                                               "   object \"f\"\n   object \"p\"\n  end ObjectC\n");
    ASSERT_TRUE(loaded.scene) << loaded.error;
    auto* c = dynamic_cast<ObjectC*>(loaded.scene->findMember("F"));
    ASSERT_NE(c, nullptr);
    c->materialStack(0)->item(0).setMaterial("Cloth");
    c->handMaterials();
    EXPECT_EQ(dynamic_cast<ObjectP*>(c->member(0))->materialStack(0)->item(0).materialName(), "Cloth");
    EXPECT_EQ(dynamic_cast<ObjectP*>(c->member(1))->materialStack(0)->item(0).materialName(), "Wood");
}

}  // namespace
}  // namespace fw
