// A flag in a scene: its members and their names, the pole and cap as closed solids, the
// cloth's mesh following the simulation, and the cluster's block through a scene file.
#include "flag/FlagCluster.h"

#include <gtest/gtest.h>

#include <glm/mat4x4.hpp>

#include "SolidCheck.h"
#include "TempDir.h"
#include "anim/AnimPose.h"
#include "anim/AnimTrack.h"
#include "app/FactoryLibrary.h"
#include "app/FlagCaps.h"
#include "app/Registration.h"
#include "app/SceneAnimator.h"
#include "app/VeltraneApp.h"
#include "geometry/ObjectP.h"
#include "library/OrvoCapStyle.h"
#include "platform/Folders.h"
#include "scene/Quality.h"
#include "scene/SceneFile.h"
#include "scene/SceneX.h"

namespace fw {
namespace {

TEST(FlagCluster, MembersAreNamedAfterTheClusterAndThePoleAndCapAreSolid) {
    registerAllClasses();
    SceneX scene;
    auto* flag = new FlagCluster(scene, "Flag1");
    flag->unit.preRollFrames = 10;
    flag->unit.bottomCapStyle = "Ball";
    flag->buildMembers();
    ASSERT_EQ(flag->memberCount(), 4);
    EXPECT_EQ(flag->memberName(0), "Flag1:Flag");
    EXPECT_EQ(flag->memberName(1), "Flag1:Pole1");
    EXPECT_EQ(flag->memberName(2), "Flag1:Cap1");
    EXPECT_EQ(flag->memberName(3), "Flag1:Cap2");
    for (int i = 1; i < 4; ++i) {
        auto* part = dynamic_cast<ObjectP*>(flag->member(i));
        ASSERT_NE(part, nullptr);
        EXPECT_EQ(part->parentName(), "Flag1");
        const GeometryInterface* solid = part->geometry(kRenderMode);
        ASSERT_NE(solid, nullptr);
        const test::SolidCheck check = test::checkSolid(*solid);
        EXPECT_EQ(check.faults(), 0)
            << flag->memberName(i) << ": " << check.summary();
        EXPECT_GT(check.volume, 0.0);
    }
    // The cloth: one vertex per particle, two triangles per cell, texture over the whole.
    const ObjDB& cloth = flag->cloth()->customMesh();
    EXPECT_EQ(cloth.vertexCount(), 21 * 21);
    EXPECT_EQ(cloth.elementCount(), 2 * 20 * 20);
    double uv[3];
    cloth.getTexCoord(uv, 0);
    EXPECT_EQ(uv[0], 0.0);
    EXPECT_EQ(uv[1], 1.0);
    cloth.getTexCoord(uv, 21 * 21 - 1);
    EXPECT_EQ(uv[0], 1.0);
    EXPECT_EQ(uv[1], 0.0);

    // The pole stands at the pinned edge, reaching above the cloth's top.
    double box[6];
    auto* pole = dynamic_cast<ObjectP*>(flag->member(1));
    pole->localBounds(kRenderMode, box);
    EXPECT_LT(pole->translate[0], 0.0);
    EXPECT_GT(pole->translate[1] + (box[4] - box[1]) / 2, 0.0);
    EXPECT_NEAR(box[4] - box[1], flag->unit.flagpoleLength * flag->unit.scaleY, 1e-9);

    // The cluster's box holds its members': the pole's top and the cloth's far edge.
    EXPECT_LE(flag->bounds[0], pole->translate[0] - 0.5 * (box[3] - box[0]) + 1e-9);
    EXPECT_GE(flag->bounds[3], pole->translate[1] + 0.5 * (box[4] - box[1]) - 1e-9);
    EXPECT_GT(flag->bounds[1], 0.5 * flag->unit.width * flag->unit.scaleX);
    EXPECT_LT(flag->bounds[1], 1.2 * flag->unit.width * flag->unit.scaleX);

    // Renaming carries the members along.
    ASSERT_TRUE(flag->renameWithMembers("Flag2"));
    EXPECT_EQ(flag->memberName(0), "Flag2:Flag");
    EXPECT_NE(flag->cloth(), nullptr);
}

TEST(FlagCluster, LibraryCapsAreClosedSolidsAtThePolesEndsAndUsersCapsComeFirst) {
    registerAllClasses();
    test::TempDir dir;
    Folders::instance().setDocuments(dir.file("docs"));
    FlagCaps::reload();
    auto capOf = [](const std::string& top, const std::string& bottom, double* poleBox = nullptr) {
        SceneX scene;
        auto* flag = new FlagCluster(scene, "Flag1");
        flag->unit.preRollFrames = 0;
        flag->unit.topCapStyle = top, flag->unit.bottomCapStyle = bottom, flag->unit.bottomCapScale = 2.0;
        flag->buildMembers();
        EXPECT_EQ(flag->memberCount(), 3);
        auto* cap = dynamic_cast<ObjectP*>(scene.findMember("Flag1:Cap1"));
        double box[6] = {0, 0, 0, 0, 0, 0};
        if (flag->memberCount() == 3 && cap) {
            const test::SolidCheck check = test::checkSolid(*cap->geometry(kRenderMode));
            EXPECT_EQ(check.faults(), 0) << top << bottom << ": " << check.summary();
            EXPECT_GT(check.volume, 0.0) << top << bottom;
            cap->worldBounds(kRenderMode, box);
            if (poleBox) dynamic_cast<ObjectP*>(flag->member(1))->worldBounds(kRenderMode, poleBox);
        }
        return std::vector<double>(box, box + 6);
    };
    double pole[6];
    for (const std::string& name : FactoryLibrary::capNames(true)) {
        const std::vector<double> box = capOf(name, "None", pole);
        EXPECT_NEAR(box[1], pole[4], 1e-9) << name;  // standing on the pole's top
        EXPECT_GT(box[4], pole[4] + 0.02) << name;
    }
    for (const std::string& name : FactoryLibrary::capNames(false)) {
        const std::vector<double> box = capOf("None", name, pole);
        EXPECT_NEAR(box[4], pole[1], 1e-9) << name;  // hanging from its foot
        EXPECT_LT(box[1], pole[1] - 0.04) << name;
    }
    // A cap of the user's own, kept as an object file in the top caps' swatch folder,
    // goes before the program's of the same name.
    SceneX made;
    auto* tall = new ObjectP(made, "Spear");
    tall->setType(ObjectP::kCube);
    tall->setSize(0, 1.0), tall->setSize(1, 8.0), tall->setSize(2, 1.0);
    OrvoCapManager mine(true);
    ASSERT_NE(mine.addFrom(made, *tall), nullptr);
    const std::string libraries = VeltraneApp::userLibraries();
    ASSERT_TRUE(mine.saveSwatches(libraries));
    EXPECT_TRUE(Folders::exists(mine.swatchFolder(libraries) + "/Spear.kxo"));
    FlagCaps::reload();
    EXPECT_EQ(FlagCaps::names(true)[0], "Spear");
    const std::vector<double> own = capOf("Spear", "None", pole);
    EXPECT_NEAR(own[4] - own[1], 8.0 * 0.04, 1e-6);  // 8 pole radii high
    Folders::instance().setDocuments("");
    FlagCaps::reload();
}

TEST(FlagCluster, TheClothFollowsTheSimulationFrameByFrame) {
    registerAllClasses();
    SceneX scene;
    auto* flag = new FlagCluster(scene, "Flag1");
    flag->unit.preRollFrames = 30;
    flag->buildMembers();
    auto vertex = [&](int i) {
        double p[3];
        flag->cloth()->customMesh().getVertex(p, i);
        return std::vector<double>(p, p + 3);
    };
    const int fly = 21 * 10 + 20;
    const std::vector<double> at0 = vertex(fly);
    std::vector<double> expected;
    ASSERT_TRUE(flag->flag().positionsAt(0, expected));
    EXPECT_DOUBLE_EQ(at0[0], expected[3 * fly] * flag->unit.scaleX);
    EXPECT_DOUBLE_EQ(at0[1], expected[3 * fly + 1] * flag->unit.scaleY);
    ASSERT_TRUE(flag->showTime(10));
    const std::vector<double> at10 = vertex(fly);
    EXPECT_NE(at0, at10);
    ASSERT_TRUE(flag->showTime(10.5));
    const std::vector<double> half = vertex(fly);
    ASSERT_TRUE(flag->showTime(11));
    const std::vector<double> at11 = vertex(fly);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(half[c], 0.5 * (at10[c] + at11[c]), 1e-9);
    // Going back replays the cache: the same mesh, no steps.
    const long steps = flag->flag().stepsRun;
    ASSERT_TRUE(flag->showTime(0));
    EXPECT_EQ(vertex(fly), at0);
    EXPECT_EQ(flag->flag().stepsRun, steps);
    // A setting that moves the cloth starts the simulation again.
    flag->unit.airFriction = 20;
    EXPECT_EQ(flag->flag().stepsRun, 0);

    // Four sub-steps a frame: a quarter frame shows a simulated state, between the
    // frames but off the straight line that joins them; between sub-steps, a straight line.
    flag->unit.motionBlurPasses = 4;
    ASSERT_TRUE(flag->showTime(10));
    const std::vector<double> p10 = vertex(fly);
    ASSERT_TRUE(flag->showTime(10.25));
    const std::vector<double> quarter = vertex(fly);
    ASSERT_TRUE(flag->showTime(10.125));
    const std::vector<double> eighth = vertex(fly);
    ASSERT_TRUE(flag->showTime(11));
    const std::vector<double> p11 = vertex(fly);
    std::vector<double> kept;
    ASSERT_TRUE(flag->flag().stateAt(10, kept, 1));
    double step = 0, off = 0, from10 = 0, to11 = 0;
    for (int c = 0; c < 3; ++c) {
        EXPECT_DOUBLE_EQ(quarter[c], kept[9 * fly + c] * (c == 1 ? flag->unit.scaleY : flag->unit.scaleX));
        EXPECT_NEAR(eighth[c], 0.5 * (p10[c] + quarter[c]), 1e-12);
        step += (p11[c] - p10[c]) * (p11[c] - p10[c]);
        off += std::pow(quarter[c] - (0.75 * p10[c] + 0.25 * p11[c]), 2);
        from10 += (quarter[c] - p10[c]) * (quarter[c] - p10[c]);
        to11 += (p11[c] - quarter[c]) * (p11[c] - quarter[c]);
    }
    EXPECT_GT(off, 1e-4 * step);  // over a hundredth of the frame's step off the line
    EXPECT_LT(from10, step);
    EXPECT_LT(to11, step);
}

TEST(FlagCluster, WorldForcesReachATurnedFlagThroughItsTurn) {
    registerAllClasses();
    // The free edge's mean height, in the flag's own frame, after the lead-in.
    auto freeEdge = [](double turned, int local, std::vector<double>* positions = nullptr) {
        SceneX scene;
        auto* flag = new FlagCluster(scene, "Flag1");
        flag->unit.preRollFrames = 60;
        flag->unit.useLocalForces = local;
        flag->rotate[2] = turned;
        flag->buildMembers();
        std::vector<double> p;
        EXPECT_TRUE(flag->flag().positionsAt(0, p));
        if (positions) *positions = p;
        double y = 0;
        for (int j = 0; j < 21; ++j) y += p[3 * flag->flag().index(20, j) + 1];
        return y / 21 + flag->unit.height / 2;  // above the rest middle
    };
    std::vector<double> upright, turnedLocal, turnedWorld;
    const double hanging = freeEdge(0, 0, &upright);
    EXPECT_LT(hanging, -5.0);  // gravity pulls the free edge down the cloth
    // Upside down, the world's gravity pulls it up the cloth.
    EXPECT_GT(freeEdge(180, 0, &turnedWorld), 5.0);
    // Forces meant in the flag's own frame ignore the turn.
    EXPECT_LT(freeEdge(180, 1, &turnedLocal), -5.0);
    EXPECT_EQ(turnedLocal, upright);
    // A quarter turn: gravity runs along the cloth towards the pole, which the free edge
    // falls back past.
    std::vector<double> quarter;
    freeEdge(90, 0, &quarter);
    double x = 0, uprightX = 0;
    for (int j = 0; j < 21; ++j) x += quarter[3 * (21 * j + 20)] / 21, uprightX += upright[3 * (21 * j + 20)] / 21;
    EXPECT_GT(uprightX, 150.0);
    EXPECT_LT(x, 0.0);

    // Turned upside down by a track rather than at rest: the forces follow the turn the
    // animation gives at each step, as for a flag resting upside down.
    SceneX scene;
    auto* flag = new FlagCluster(scene, "Flag1");
    flag->unit.preRollFrames = 60;
    flag->buildMembers();
    auto* track = new AnimTrack(scene, "Turn");
    track->trackNode = NameReference(scene.nameDictionary(), "Flag1");
    auto held = std::make_unique<AnimPose>(scene);
    held->startFrame = -100, held->length = 200;
    held->settings.globalCenterRotation[2] = 180;
    track->segments.push_back(std::move(held));
    SceneAnimator animator(scene);
    animator.setTime(0);
    std::vector<double> animated;
    ASSERT_TRUE(flag->flag().positionsAt(0, animated));
    EXPECT_NE(animated, upright);
    ASSERT_EQ(animated.size(), turnedWorld.size());
    for (size_t i = 0; i < animated.size(); ++i) ASSERT_NEAR(animated[i], turnedWorld[i], 1e-6) << i;
    // Posing the cluster at every step leaves it where the shown time has it.
    EXPECT_NEAR(flag->worldTransform()[1][1], -1.0, 1e-9);
}

TEST(FlagCluster, ANamedObjectIsThePoleTheClothHangsFrom) {
    registerAllClasses();
    SceneX scene;
    auto* mast = new ObjectP(scene, "Mast");
    mast->setType(ObjectP::kCylinder);
    mast->setSize(0, 0.1);
    mast->setSize(1, 6.0);
    mast->setSize(2, 0.1);
    mast->translate[0] = -2.0, mast->translate[1] = 1.0, mast->translate[2] = 0.5;
    auto* flag = new FlagCluster(scene, "Flag1");
    flag->unit.preRollFrames = 10;
    flag->unit.flagpoleName = "Mast";
    flag->buildMembers();
    // Only the cloth is the cluster's own; no pole or cap was made.
    ASSERT_EQ(flag->memberCount(), 1);
    EXPECT_EQ(scene.findMember("Flag1:Pole1"), nullptr);
    EXPECT_EQ(scene.findMember("Flag1:Cap1"), nullptr);
    // The pinned corners hang at the mast's side, just below its top (4.0).
    ASSERT_TRUE(flag->showTime(0));
    const glm::dmat4 world = flag->cloth()->worldTransform();
    for (int j : {0, 20}) {
        double p[3];
        flag->cloth()->customMesh().getVertex(p, 21 * j);
        const glm::dvec3 w(world * glm::dvec4(p[0], p[1], p[2], 1.0));
        EXPECT_NEAR(w.x, -1.95, 1e-6);
        EXPECT_NEAR(w.z, 0.5, 1e-6);
        EXPECT_NEAR(w.y, j == 0 ? 3.9 : 3.9 - flag->unit.height * flag->unit.scaleY, 1e-6);
    }
    // An index picks the named object's child of that number, or without a name the
    // scene's object of that number; the cluster's own parts never count.
    auto* title = new ObjectP(scene, "Title");
    title->setType(ObjectP::kGroupNull);
    ObjectP* letters[2] = {new ObjectP(scene, "T"), new ObjectP(scene, "I")};
    for (ObjectP* letter : letters) letter->setParent("Title");
    const struct {
        const char* name;
        int index;
        DAGNode* pole;
    } picks[] = {{"Title", 1, letters[1]}, {"Title", 0, letters[0]}, {"Title", 2, nullptr}, {"", 0, mast},
                 {"", 1, title}, {"", 9, nullptr}, {"Mast", -1, mast}, {"", -1, nullptr}};
    for (const auto& p : picks) {
        flag->unit.flagpoleName = p.name, flag->unit.flagpoleNameIndex = p.index;
        EXPECT_EQ(flag->namedPole(), p.pole) << p.name << " " << p.index;
    }
    // A name no object holds: the flag builds its own pole again.
    flag->unit.flagpoleNameIndex = -1;
    flag->unit.flagpoleName = "Nothing";
    flag->buildMembers();
    EXPECT_EQ(flag->memberCount(), 3);
    EXPECT_NE(scene.findMember("Flag1:Pole1"), nullptr);
    EXPECT_EQ(flag->cloth()->translate[0], 0.0);
}

TEST(FlagCluster, ScenesHoldingOneOpenAndResaveByteForByte) {
    registerAllClasses();
    test::TempDir dir;
    std::string saved;
    {
        SceneX scene;
        scene.setName("Flags");
        auto* flag = new FlagCluster(scene, "Banner");
        flag->unit.preRollFrames = 5;
        flag->unit.lockPoints = FlagUnit::kPointsEdge;
        flag->unit.topCapStyle = "Spear", flag->unit.bottomCapStyle = "Ferrule";
        flag->buildMembers();
        (new ObjectP(scene, "Worn"))->setParent("Banner");  // carried by the cloth
        std::string error;
        ASSERT_TRUE(SceneFile::save(scene, dir.file("a.scene"), error)) << error;
        saved = test::readFile(dir.file("a.scene"));
    }
    EXPECT_NE(saved.find("  begin ObjectC-FlagCluster\n   name \"Banner\"\n"), std::string::npos);
    EXPECT_NE(saved.find("   clusterType \"Flag\"\n"), std::string::npos);
    EXPECT_NE(saved.find("   object \"Banner:Flag\"\n   object \"Banner:Pole1\"\n   object \"Banner:Cap1\"\n"
                         "   object \"Banner:Cap2\"\n   begin FlagUnit\n    Name \"Banner\"\n"),
              std::string::npos);
    EXPECT_NE(saved.find("    LockPoints Edge\n"), std::string::npos);
    EXPECT_NE(saved.find("    FlagpoleBottomCapStyle \"Ferrule\"\n"), std::string::npos);
    auto loaded = SceneFile::load(dir.file("a.scene"));
    ASSERT_TRUE(loaded.scene) << loaded.error;
    auto* flag = dynamic_cast<FlagCluster*>(loaded.scene->findMember("Banner"));
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(flag->unit.lockPoints, FlagUnit::kPointsEdge);
    EXPECT_EQ(flag->memberCount(), 4);
    // Shown, it builds its parts from its settings again: the same parts, and only what
    // it carries is bent with the cloth.
    ASSERT_TRUE(flag->showTime(0));
    for (int i = 0; i < flag->memberCount(); ++i) EXPECT_EQ(dynamic_cast<Object*>(flag->member(i))->warp(), nullptr) << i;
    EXPECT_NE(dynamic_cast<Object*>(loaded.scene->findMember("Worn"))->warp(), nullptr);
    std::string error;
    ASSERT_TRUE(SceneFile::save(*loaded.scene, dir.file("b.scene"), error)) << error;
    EXPECT_EQ(test::readFile(dir.file("b.scene")), saved);
}

}  // namespace
}  // namespace fw
