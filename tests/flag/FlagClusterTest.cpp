// A flag in a scene: its members, pole and caps, its cloth following the simulation and the world's forces, its block
// through a scene file; and solids carried by a cloth (the example flag's cloth over ten seconds: FlagTest.cpp).
#include "flag/FlagCluster.h"

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <tuple>

#include "GeometryHelpers.h"
#include "GeometryText.h"
#include "TempDir.h"
#include "anim/AnimPose.h"
#include "anim/AnimTrack.h"
#include "app/FactoryLibrary.h"
#include "app/FlagCaps.h"
#include "app/Registration.h"
#include "app/SceneAnimator.h"
#include "app/VeltraneApp.h"
#include "flag/ClothWarp.h"
#include "geometry/ObjectP.h"
#include "library/OrvoCapStyle.h"
#include "mesh/ObjDB.h"
#include "platform/Folders.h"
#include "scene/Quality.h"
#include "scene/SceneFile.h"
#include "scene/SceneX.h"

namespace fw {
namespace {

glm::dvec3 vertexOf(const GeometryInterface& g, int v) {
    glm::dvec3 p;
    g.getVertex(&p.x, v);
    return p;
}

TEST(FlagCluster, MembersAreNamedAfterTheClusterAndThePoleAndCapsAreSolidsAtItsEnds) {
    registerAllClasses();
    test::TempDir dir;
    Folders::instance().setDocuments(dir.file("docs")), FlagCaps::reload();  // no caps of the user's yet
    const std::vector<std::string> tops = FactoryLibrary::capNames(true), feet = FactoryLibrary::capNames(false);
    ASSERT_EQ(tops.size(), feet.size());
    SceneX scene;
    auto* flag = new FlagCluster(scene, "Flag1");
    flag->unit.preRollFrames = 10;
    double ends[3][6];  // world boxes of the pole and its caps
    auto build = [&](const std::string& top, const std::string& foot) {
        flag->unit.topCapStyle = top, flag->unit.bottomCapStyle = foot;
        flag->buildMembers();
        ASSERT_EQ(flag->memberCount(), 4);
        for (int i = 1; i < 4; ++i) {
            auto* part = dynamic_cast<ObjectP*>(flag->member(i));
            ASSERT_NE(part, nullptr);
            EXPECT_EQ(part->parentName(), "Flag1");
            EXPECT_GT(test::expectClosed(*part->geometry(kRenderMode), flag->memberName(i) + " " + top).volume, 0.0);
            part->worldBounds(kRenderMode, ends[i - 1]);
        }
    };
    // The library's caps, top and foot together, the one on the pole's top and the other hanging from its foot.
    for (size_t c = 0; c < tops.size(); ++c) {
        build(tops[c], feet[c]);
        EXPECT_NEAR(ends[1][1], ends[0][4], 1e-9) << tops[c];
        EXPECT_NEAR(ends[2][4], ends[0][1], 1e-9) << feet[c];
    }
    build("Ball", "Ball");  // the members' names: the saved object lines in ScenesHoldingOneOpenAndResaveByteForByte
    // The cloth: one vertex per particle, two triangles per cell, texture over the whole.
    const ObjDB& cloth = flag->cloth()->customMesh();
    EXPECT_EQ(std::pair(cloth.vertexCount(), cloth.elementCount()), std::pair(21 * 21, 2 * 20 * 20));
    double uv[2][3];
    cloth.getTexCoord(uv[0], 0), cloth.getTexCoord(uv[1], 21 * 21 - 1);
    EXPECT_EQ(std::vector<double>({uv[0][0], uv[0][1], uv[1][0], uv[1][1]}), std::vector<double>({0, 1, 1, 0}));
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
    // A cap of the user's own (an object file in the top caps' swatch folder) goes before the program's namesake.
    SceneX made;
    auto* tall = new ObjectP(made, "Spear");
    tall->setType(ObjectP::kCube), tall->setSize(0, 1.0), tall->setSize(1, 8.0), tall->setSize(2, 1.0);
    OrvoCapManager mine(true);
    ASSERT_NE(mine.addFrom(made, *tall), nullptr);
    ASSERT_TRUE(mine.saveSwatches(VeltraneApp::userLibraries()));
    FlagCaps::reload();
    EXPECT_EQ(FlagCaps::names(true)[0], "Spear");
    build("Spear", "Ball");
    EXPECT_NEAR(ends[1][4] - ends[1][1], 8.0 * 0.04, 1e-6);  // 8 pole radii high
    Folders::instance().setDocuments(""), FlagCaps::reload();
    // Renaming carries the members along.
    ASSERT_TRUE(flag->renameWithMembers("Flag2"));
    EXPECT_EQ(flag->memberName(0), "Flag2:Flag");
    EXPECT_NE(flag->cloth(), nullptr);
}

TEST(FlagCluster, TheClothFollowsTheSimulationFrameByFrame) {
    registerAllClasses();
    SceneX scene;
    auto* flag = new FlagCluster(scene, "Flag1");
    flag->unit.preRollFrames = 30;
    flag->buildMembers();
    const int fly = 21 * 10 + 20;
    // The fly corner's vertex at a time (frames).
    auto at = [&](double time) {
        EXPECT_TRUE(flag->showTime(time));
        return vertexOf(flag->cloth()->customMesh(), fly);
    };
    const glm::dvec3 at0 = at(0);
    std::vector<double> expected;
    ASSERT_TRUE(flag->flag().positionsAt(0, expected));
    EXPECT_DOUBLE_EQ(at0.x, expected[3 * fly] * flag->unit.scaleX);
    EXPECT_DOUBLE_EQ(at0.y, expected[3 * fly + 1] * flag->unit.scaleY);
    const glm::dvec3 at10 = at(10), half = at(10.5), at11 = at(11);
    EXPECT_GT(glm::length(at10 - at0), 0.0);
    EXPECT_LT(glm::length(half - 0.5 * (at10 + at11)), 1e-9);
    // Going back replays the cache (Flag.RunsAreRepeatableAndCachedFramesCostNothing); a setting that moves the cloth
    // starts the simulation again.
    flag->unit.airFriction = 20;
    EXPECT_EQ(flag->flag().stepsRun, 0);
    // Four sub-steps a frame: a quarter frame shows a kept state, between the frames but
    // off the straight line that joins them; between sub-steps, a straight line.
    flag->unit.motionBlurPasses = 4;
    const glm::dvec3 p10 = at(10), quarter = at(10.25), eighth = at(10.125), p11 = at(11);
    std::vector<double> kept;
    ASSERT_TRUE(flag->flag().stateAt(10, kept, 1));
    EXPECT_DOUBLE_EQ(quarter.x, kept[9 * fly] * flag->unit.scaleX);
    EXPECT_DOUBLE_EQ(quarter.y, kept[9 * fly + 1] * flag->unit.scaleY);
    EXPECT_LT(glm::length(eighth - 0.5 * (p10 + quarter)), 1e-12);
    const double step = glm::length(p11 - p10);
    EXPECT_GT(glm::length(quarter - (0.75 * p10 + 0.25 * p11)), 0.01 * step);
    EXPECT_LT(std::max(glm::length(quarter - p10), glm::length(p11 - quarter)), step);
}

TEST(FlagCluster, WorldForcesReachATurnedFlagThroughItsTurn) {
    registerAllClasses();
    // The free edge's mean height, in the flag's own frame, after the lead-in.
    auto freeEdge = [](double turned, int local, std::vector<double>& p) {
        SceneX scene;
        auto* flag = new FlagCluster(scene, "Flag1");
        flag->unit.preRollFrames = 60, flag->unit.useLocalForces = local, flag->rotate[2] = turned;
        flag->buildMembers();
        EXPECT_TRUE(flag->flag().positionsAt(0, p));
        double y = 0;
        for (int j = 0; j < 21; ++j) y += p[3 * flag->flag().index(20, j) + 1];
        return y / 21 + flag->unit.height / 2;  // above the rest middle
    };
    std::vector<double> upright, turnedLocal, turnedWorld, quarter;
    EXPECT_LT(freeEdge(0, 0, upright), -5.0);  // gravity pulls the free edge down the cloth
    // Upside down, the world's gravity pulls it up the cloth.
    EXPECT_GT(freeEdge(180, 0, turnedWorld), 5.0);
    // Forces meant in the flag's own frame ignore the turn.
    freeEdge(180, 1, turnedLocal);
    EXPECT_EQ(turnedLocal, upright);
    // A quarter turn: gravity runs along the cloth towards the pole, which the free edge (blown out when upright:
    // Flag.WavesWithinReachOfThePoleAndKeepsItsSprings) falls back past.
    freeEdge(90, 0, quarter);
    double x = 0;
    for (int j = 0; j < 21; ++j) x += quarter[3 * (21 * j + 20)] / 21;
    EXPECT_LT(x, 0.0);
    // Turned upside down by a track rather than at rest: the forces follow the turn the
    // animation gives at each step, as for a flag resting upside down.
    SceneX scene;
    auto* flag = new FlagCluster(scene, "Flag1");
    flag->unit.preRollFrames = 60;
    flag->buildMembers();
    auto* track = new AnimTrack(scene, "Turn");
    track->trackNode = NameReference(scene.nameDictionary(), "Flag1");
    auto& held = static_cast<AnimPose&>(*track->segments.emplace_back(std::make_unique<AnimPose>(scene)));
    held.startFrame = -100, held.length = 200, held.settings.globalCenterRotation[2] = 180;
    SceneAnimator animator(scene);
    animator.setTime(0);
    std::vector<double> animated;
    ASSERT_TRUE(flag->flag().positionsAt(0, animated));
    ASSERT_EQ(animated.size(), turnedWorld.size());
    for (size_t i = 0; i < animated.size(); ++i) ASSERT_NEAR(animated[i], turnedWorld[i], 1e-6) << i;
    // Posing the cluster at every step leaves it where the shown time has it.
    EXPECT_NEAR(flag->worldTransform()[1][1], -1.0, 1e-9);
}

TEST(FlagCluster, ANamedObjectIsThePoleTheClothHangsFrom) {
    registerAllClasses();
    SceneX scene;
    auto* mast = new ObjectP(scene, "Mast");
    mast->setType(ObjectP::kCylinder), mast->setSize(0, 0.1), mast->setSize(1, 6.0), mast->setSize(2, 0.1);
    mast->translate[0] = -2.0, mast->translate[1] = 1.0, mast->translate[2] = 0.5;
    auto* flag = new FlagCluster(scene, "Flag1");
    flag->unit.preRollFrames = 10, flag->unit.flagpoleName = "Mast";
    flag->buildMembers();
    // Only the cloth is the cluster's own; no pole or cap was made.
    ASSERT_EQ(flag->memberCount(), 1);
    // The pinned corners hang at the mast's side, just below its top (4.0).
    ASSERT_TRUE(flag->showTime(0));
    const glm::dmat4 world = flag->cloth()->worldTransform();
    for (int j : {0, 20}) {
        const glm::dvec3 w(world * glm::dvec4(vertexOf(flag->cloth()->customMesh(), 21 * j), 1.0));
        EXPECT_LT(glm::distance(glm::dvec2(w.x, w.z), glm::dvec2(-1.95, 0.5)), 1e-6);
        EXPECT_NEAR(w.y, j == 0 ? 3.9 : 3.9 - flag->unit.height * flag->unit.scaleY, 1e-6);
    }
    // An index picks the named object's child of that number, or without a name the
    // scene's object of that number; the cluster's own parts never count.
    auto* title = new ObjectP(scene, "Title");
    title->setType(ObjectP::kGroupNull);
    ObjectP* letters[2] = {new ObjectP(scene, "T"), new ObjectP(scene, "I")};
    for (ObjectP* letter : letters) letter->setParent("Title");
    const std::tuple<const char*, int, DAGNode*> picks[] = {{"Title", 1, letters[1]}, {"Title", 2, nullptr},
        {"", 1, title}, {"", 9, nullptr}, {"Mast", -1, mast}, {"", -1, nullptr}};
    for (const auto& [name, index, pole] : picks) {
        flag->unit.flagpoleName = name, flag->unit.flagpoleNameIndex = index;
        EXPECT_EQ(flag->namedPole(), pole) << name << " " << index;
    }
    // A name no object holds: the flag builds its own pole again.
    flag->unit.flagpoleName = "Nothing", flag->unit.flagpoleNameIndex = -1;
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
        flag->unit.preRollFrames = 5, flag->unit.lockPoints = FlagUnit::kPointsEdge;
        flag->unit.topCapStyle = "Spear", flag->unit.bottomCapStyle = "Ferrule";
        flag->buildMembers();
        (new ObjectP(scene, "Worn"))->setParent("Banner");  // carried by the cloth
        std::string error;
        ASSERT_TRUE(SceneFile::save(scene, dir.file("a.scene"), error)) << error;
        saved = test::readFile(dir.file("a.scene"));
    }
    // The unit's own lines: FlagUnit.EveryLineReadsBackByteForByteAndStrayWordsAndCountsFallBack.
    test::expectContains(saved, {"  begin ObjectC-FlagCluster\n   name \"Banner\"\n", "   clusterType \"Flag\"\n",
                                 "   object \"Banner:Flag\"\n   object \"Banner:Pole1\"\n   object \"Banner:Cap1\"\n"
                                 "   object \"Banner:Cap2\"\n   begin FlagUnit\n    Name \"Banner\"\n"});
    auto loaded = SceneFile::load(dir.file("a.scene"));
    ASSERT_TRUE(loaded.scene) << loaded.error;
    auto* flag = dynamic_cast<FlagCluster*>(loaded.scene->findMember("Banner"));
    ASSERT_NE(flag, nullptr);
    // Shown, it builds its parts from its settings again: the same parts; only what it carries bends with the cloth.
    ASSERT_TRUE(flag->showTime(0));
    for (int i = 0; i < flag->memberCount(); ++i)
        EXPECT_EQ(dynamic_cast<Object*>(flag->member(i))->warp(), nullptr) << i;
    EXPECT_NE(dynamic_cast<Object*>(loaded.scene->findMember("Worn"))->warp(), nullptr);
    std::string error;
    ASSERT_TRUE(SceneFile::save(*loaded.scene, dir.file("b.scene"), error)) << error;
    EXPECT_EQ(test::readFile(dir.file("b.scene")), saved);
}

constexpr int kNu = 21, kNv = 11;
constexpr double kWidth = 300, kHeight = 150;

// The cloth's particles with each flat point (x, y, 0) moved by `shape`.
template <class Shape>
std::vector<double> cloth(Shape shape) {
    std::vector<double> p;
    for (int j = 0; j < kNv; ++j)
        for (int i = 0; i < kNu; ++i) {
            const glm::dvec3 q = shape(glm::dvec3(i * kWidth / (kNu - 1), -j * kHeight / (kNv - 1), 0.0));
            p.insert(p.end(), {q.x, q.y, q.z});
        }
    return p;
}

// Every corner's normal against its polygon's own facing (Newell's normal).
double worstFacing(const GeometryInterface& g) {
    double worst = 1.0;
    test::eachElement(g, [&](const auto& info, const int* pos, const int*, const int* nor, int) {
        glm::dvec3 face(0.0);
        for (int k = 0; k < info.count; ++k)
            face += glm::cross(vertexOf(g, pos[k]), vertexOf(g, pos[(k + 1) % info.count]));
        for (int k = 0; glm::length(face) > 0.0 && info.normalCount == info.count && k < info.count; ++k) {
            glm::dvec3 n;
            g.getNormal(&n.x, nor[k]);
            EXPECT_NEAR(glm::length(n), 1.0, 1e-6);
            worst = std::min(worst, glm::dot(n, glm::normalize(face)));
        }
    });
    return worst;
}

TEST(ClothWarpTest, AFlatClothLeavesASolidAsItIsATurnedOneTurnsItAndACurvedOneBendsIt) {
    registerAllClasses();
    SceneX scene;
    auto* box = new ObjectP(scene, "Box");
    box->setType(ObjectP::kCube);
    for (int c = 0; c < 3; ++c) box->setSize(c, 40.0);
    box->translate[0] = 150, box->translate[1] = -75, box->rotate[2] = 30;
    const GeometryInterface* flat = box->geometry(kRenderMode);
    ASSERT_NE(flat, nullptr);
    // The cloth swung a third of a turn about its pinned edge and lifted: a rigid motion of the cloth's space, which
    // the box's points and normals follow (as they stay put for the flat cloth, the rigid motion that does nothing).
    const glm::dmat4 swing =
        glm::translate(glm::dmat4(1.0), glm::dvec3(0, 20, -5)) * glm::rotate(glm::dmat4(1.0), 2.0, glm::dvec3(0, 1, 0));
    box->setWarp(std::make_shared<ClothWarp>(
        kNu, kNv, cloth([&](glm::dvec3 p) { return glm::dvec3(swing * glm::dvec4(p, 1)); }), kWidth, kHeight));
    // What is drawn: each packed vertex is a flat one carried along.
    const GeometryInterface* moved = box->displayGeometry(kRenderMode);
    ASSERT_NE(moved, nullptr);
    const glm::dmat4 toCloth = box->transform(), back = glm::inverse(toCloth);
    std::vector<glm::dvec3> expected;
    for (int v = 0; v < flat->vertexCount(); ++v)
        expected.push_back(glm::dvec3(back * swing * toCloth * glm::dvec4(vertexOf(*flat, v), 1)));
    ASSERT_GT(moved->vertexCount(), 0);
    for (int v = 0; v < moved->vertexCount(); ++v) {
        double nearest = 1e300;
        for (const glm::dvec3& e : expected) nearest = std::min(nearest, glm::length(e - vertexOf(*moved, v)));
        EXPECT_LT(nearest, 1e-4) << v;  // packed as floats
    }
    EXPECT_GT(worstFacing(*moved), 1.0 - 1e-6);  // every normal exactly on its face
    EXPECT_NEAR(test::expectClosed(*moved).volume, 40.0 * 40.0 * 40.0, 1e-2);
    // Without the warp the box is drawn flat again: the cube of 40 about its own centre.
    box->setWarp(nullptr);
    double drawn[6];
    box->localBounds(kRenderMode, drawn);
    for (int c = 0; c < 6; ++c) EXPECT_NEAR(drawn[c], c < 3 ? -20.0 : 20.0, 1e-9);
    // Rolled round a cylinder across its width, and the box made of small faces to bend.
    const double radius = 120;
    const ClothWarp rolled(kNu, kNv, cloth([&](glm::dvec3 p) {
                               const double a = p.x / radius;
                               return glm::dvec3(radius * std::sin(a), p.y, radius * (std::cos(a) - 1.0));
                           }),
                           kWidth, kHeight);
    ObjDB bent;
    rolled.apply(*box, *flat, bent);
    EXPECT_GT(test::expectClosed(bent).volume, 0.5 * 40 * 40 * 40);
    // The box's centre sits on the cylinder, a half turn of 150/120 radians round it.
    const test::Box reach = test::boxOf(bent);
    const glm::dvec3 middle = 0.5 * (reach.low + reach.high);
    const glm::dvec3 onCylinder(radius * std::sin(150 / radius), -75, radius * (std::cos(150 / radius) - 1.0));
    const glm::dvec3 middleInCloth(box->transform() * glm::dvec4(middle, 1));
    EXPECT_LT(glm::length(middleInCloth - onCylinder), 8.0);
    // Curved faces cannot be matched exactly by their corners' normals, but stay out.
    EXPECT_GT(worstFacing(bent), 0.7);
}

}  // namespace
}  // namespace fw
