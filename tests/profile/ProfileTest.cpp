// Profiles as scene members: stored forms, flattened and bounds ports, the library, sequences and material intervals.
#include "profile/Profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BlockFile.h"
#include "GeometryText.h"
#include "platform/Random.h"
#include "profile/ProfileI.h"
#include "profile/ProfileL.h"
#include "profile/ProfileLibrary.h"
#include "profile/ProfileM.h"
#include "profile/ProfileProperty.h"
#include "profile/ProfileRegistration.h"
#include "scene/AnimGlobals.h"
#include "scene/SceneX.h"

namespace fw {
namespace {

class Profiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registerProfileClasses(); }
    test::TempDir dir;
    SceneX scene;
};

ProfileI* shapeProfile(SceneX& scene, const char* name, int type, double w, double h) {
    auto* p = new ProfileI(scene, name);
    CompositeCurve2& c = p->outline().addContour();
    c.shapeType = type, c.shapeWidth = w, c.shapeHeight = h;
    c.buildShape();
    p->profileChanged();
    return p;
}

ProfileI* lineProfile(SceneX& scene, const char* name, double x0, double y0, double x1, double y1) {
    auto* p = new ProfileI(scene, name);
    Curve2& c = p->outline().addContour().addSegment(Curve2::Linear);
    for (const CurvePoint& q : {CurvePoint::anchor(x0, y0), CurvePoint::anchor(x1, y1)}) c.addPoint(q);
    p->profileChanged();
    return p;
}

TEST_F(Profiles, ScenesRoundTripEveryProfileKindAndMaterialIntervalsByteForByte) {
    scene.setName("Profiles");
    ProfileI* logo = shapeProfile(scene, "Logo", CompositeCurve2::ROUND_RECT, 4, 2);
    logo->outline().contours()[0].shapeParams[0] = 0.25;
    logo->outline().contours()[0].buildShape();
    // Loading types the handles by their geometry (the generated rectangle's fixed handles beside straight sides read
    // back broken); typing them first makes the stored form a fixed point.
    logo->normalizeOutline();
    auto* edge = new ProfileL(scene, "Edge");
    edge->setLibraryIndex(ProfileLibrary::instance().indexOf("Bevel, Medium"));
    ASSERT_TRUE(edge->load());
    auto* sequence = new ProfileM(scene, "Sequence");
    for (const char* name : {"Logo", "Edge"}) sequence->addMember(name);
    scene.setWriteAll(true);  // profiles are written when something uses them
    std::string text = test::writeBlockFile(scene, dir.file("a.scene"));
    // Each kind's lines, quoting included, are pinned by Conformance.EveryHandWrittenFileResavesToItsBytes… (tests/app)
    // and CommandLine.SceneFilesResaveByteForByteWithOrWithoutTheSceneBlock (tests/cli); here, what the members read.
    SceneX back, failed, missing;
    std::string diagnostic;
    ASSERT_EQ(test::readInto(back, dir.file("a.scene"), &diagnostic), 0) << diagnostic;
    back.setWriteAll(true);
    EXPECT_EQ(test::writeBlockFile(back, dir.file("b.scene")), text);
    auto* loadedLogo = dynamic_cast<ProfileI*>(back.findMember("Logo"));
    auto* loadedEdge = dynamic_cast<ProfileL*>(back.findMember("Edge"));
    auto* loadedSequence = dynamic_cast<ProfileM*>(back.findMember("Sequence"));
    ASSERT_TRUE(loadedLogo && loadedEdge && loadedSequence);
    EXPECT_EQ(loadedSequence->member(0), loadedLogo);
    const Curve2& bevel = loadedEdge->inputProfile()->contours()[0].segments()[0];
    ASSERT_EQ(bevel.pointCount(), 4);
    EXPECT_EQ(std::pair(bevel.point(2).x, bevel.point(2).y), std::pair(10.0, 90.0));
    EXPECT_GT(loadedEdge->outlineStamp(), 0u);
    const std::string loadFirst = " begin SceneX\n  begin ProfileI\n   load\n";
    EXPECT_EQ(test::readTextInto(failed, dir.file("c.scene"), loadFirst, &diagnostic), -1);
    test::expectContains(diagnostic, {"<<load>> for class <<ProfileI>>"});
    const std::string beyond = " begin SceneX\n  begin ProfileL\n   libIdx 99\n   load\n";
    EXPECT_EQ(test::readTextInto(missing, dir.file("d.scene"), beyond), -1);
    // Every library entry loads by its index, the last seven included.
    for (int index = 0; index < 14; ++index) {
        SCOPED_TRACE(index);
        SceneX later;
        const std::string lines = " begin SceneX\n  begin ProfileL\n   name \"Later\"\n   libIdx " +
                                  std::to_string(index) + "\n   load\n  end ProfileL\n end SceneX\n";
        ASSERT_EQ(test::readTextInto(later, dir.file("e.scene"), lines, &diagnostic), 0) << diagnostic;
        auto* loaded = dynamic_cast<ProfileL*>(later.findMember("Later"));
        ASSERT_TRUE(loaded);
        EXPECT_EQ(test::writeBlockFile(*loaded->inputProfile(), dir.file("mine")),
                  test::writeBlockFile(*ProfileLibrary::instance().profile(index)->inputProfile(), dir.file("theirs")));
    }
    ProfileProperty perim("perimProperties");
    perim.addInterval(3, {0, 0.5, 2});
    perim.addInterval(1, {0.25, 1, 4});
    perim.addInterval(3, {0.5, 1, 1});
    const std::string expected =
        " begin perimProperties\n  mtlInterval 3 0.000000 0.500000 2\n  mtlInterval 3 0.500000 1.000000 1\n"
        "  mtlInterval 1 0.250000 1.000000 4\n end perimProperties\n";
    ASSERT_EQ(test::writeBlockFile(perim, dir.file("p")), expected);
    ProfileProperty read("perimProperties");
    ASSERT_EQ(test::readInto(read, dir.file("p")), 0);
    EXPECT_EQ(test::writeBlockFile(read, dir.file("q")), expected);
    ASSERT_TRUE(read.find(3) && read.find(1));
    EXPECT_EQ(std::pair(read.find(3)->intervals.size(), read.find(1)->intervals[0].material), std::pair(size_t{2}, 4));
    EXPECT_EQ(read.find(2), nullptr);
}

TEST_F(Profiles, FlattenedPortsComputeOnceFollowChangesAndFlattenAsAsked) {
    ProfileI* box = shapeProfile(scene, "Box", CompositeCurve2::SQUARE, 2, 2);
    uint32_t first, again, finer, edited;
    ProfileGeometry* g = box->renderFlattened(false, false, 1, 30, false, &first);
    ASSERT_TRUE(g);
    ASSERT_EQ(g->elementCount(), 1);
    EXPECT_EQ(std::pair(g->pointCount(), g->elementLength(0)), std::pair(8, 8.0));
    EXPECT_EQ(box->renderFlattened(false, false, 1, 30, false, &again), g);
    EXPECT_EQ(again, first);  // same request, nothing changed: not recomputed
    box->renderFlattened(false, false, 2, 30, false, &finer);
    EXPECT_GT(finer, again);
    EXPECT_EQ(g->pointCount(), 12);
    box->outline().contours()[0].shapeWidth = 4;
    box->outline().contours()[0].buildShape();
    box->profileChanged();
    box->renderFlattened(false, false, 2, 30, false, &edited);
    EXPECT_GT(edited, finer);
    double bounds[4];
    box->profileBounds(bounds);
    EXPECT_EQ(std::vector<double>(bounds, bounds + 4), (std::vector<double>{-2, 2, -1, 1}));
    EXPECT_EQ(box->flattenedGeometry(Profile::kRender), g);
    auto* blank = new ProfileI(scene, "Blank");
    blank->profileBounds(bounds);
    EXPECT_EQ(std::vector<double>(bounds, bounds + 4), (std::vector<double>{1e20, -1e20, 1e20, -1e20}));
    // Flattening orients, trims and boxes as asked.
    ProfileI* down = lineProfile(scene, "Down", 0, 10, 0, 0);
    double p[2], q[2];
    down->previewFlattened(false, false, true, 0.1, 30)->getPoint(0, p);
    down->previewFlattened(false, false, false, 0.1, 30)->getPoint(0, q);
    EXPECT_EQ(std::pair(p[1], q[1]), std::pair(0.0, 10.0));  // drawn top to bottom, flattened bottom to top
    InputProfile2 two;
    two.addContour() = shapeProfile(scene, "Big", CompositeCurve2::SQUARE, 2, 2)->outline().contours()[0];
    two.addContour() = shapeProfile(scene, "Small", CompositeCurve2::SQUARE, 0.2, 0.2)->outline().contours()[0];
    Profile::FlattenedProfileSettings s{.minArea = 0.1};
    ProfileGeometry out;
    ASSERT_TRUE(Profile::flattenOutline(two, s, out));
    EXPECT_EQ(out.elementCount(), 1);
    s.renderMode = true;  // a render request keeps every element
    ASSERT_TRUE(Profile::flattenOutline(two, s, out));
    EXPECT_EQ(out.elementCount(), 2);
    const Profile::FlattenedProfileSettings boxed{.addBoundsPoints = true};
    ASSERT_TRUE(Profile::flattenOutline(*lineProfile(scene, "Side", 0, 0, 0, 100)->inputProfile(), boxed, out));
    ASSERT_EQ(out.pointCount(), 4);
    double lo[2], hi[2];
    out.getPoint(2, lo), out.getPoint(3, hi);
    EXPECT_EQ(std::vector<double>({lo[0], lo[1], hi[0], hi[1]}), (std::vector<double>{-2, -2, 2, 102}));
}

TEST_F(Profiles, TheLibraryServesEdgeProfilesByIndexAndName) {
    ProfileLibrary& library = ProfileLibrary::instance();
    EXPECT_EQ(library.error(), "");
    ASSERT_EQ(library.indexOf("Basic, Flat Sides"), 0);
    EXPECT_TRUE(library.find("Bevel, Medium") && !library.find("Bevel, Enormous"));
    // All fourteen edge profiles, at the indices projects store.
    EXPECT_EQ(library.names(), (std::vector<std::string>{"Basic, Flat Sides", "Basic, Highlight Edges", "Bevel, Small",
                                                         "Bevel, Medium", "Bevel, Medium Front", "Bevel, Large",
                                                         "Bead, Medium", "Bead, Double Edge", "Bead, Small",
                                                         "Bevel, Small Front", "Bevel, Large Front", "Bevel, Power",
                                                         "Bevel, Power Grooves", "Bevel, Flat"}));
    // Each runs from the front face (y 0, on the outline) to the back (y 100), never
    // inside the outline nor wider than the widest bevel.
    for (int i = 0; i < library.count(); ++i) {
        SCOPED_TRACE(library.profile(i)->name());
        ProfileGeometry* flat = library.profile(i)->renderFlattened(true, true, 8, 30, false);
        ASSERT_TRUE(flat);
        ASSERT_EQ(flat->elementCount(), 1);
        for (int k = 0; k < flat->pointCount(); ++k) {
            double p[2];
            flat->getPoint(k, p);
            EXPECT_TRUE(p[0] >= 0 && p[0] <= (k == 0 ? 0.01 : 20)) << p[0];
            if (k == 0 || k == flat->pointCount() - 1) {
                EXPECT_NEAR(p[1], k == 0 ? 0 : 100, 0.01);
            }
        }
    }
    EXPECT_EQ(library.profile(library.count()), nullptr);
    ProfileGeometry* sides = library.profile(0)->renderFlattened(true, true, 1, 30, false);
    ASSERT_TRUE(sides);
    EXPECT_EQ(std::pair(sides->elementCount(), sides->pointCount()), std::pair(1, 2));
    const char* const broken[] = {"begin ProfileX", nullptr};
    ProfileLibrary bad(broken);
    EXPECT_TRUE(!bad.error().empty() && bad.count() == 0);
}

std::vector<int> shown(ProfileM& m, int frames) {
    std::vector<int> out;
    for (int f = 0; f < frames; ++f) out.push_back(m.memberIndexAt(f));
    return out;
}

// Sequences pick their member frame by frame, and their ports forward to the profile shown now.
TEST_F(Profiles, SequencesPickTheirMemberFrameByFrameAndForwardToIt) {
    ProfileI* a = shapeProfile(scene, "A", CompositeCurve2::SQUARE, 2, 2);
    ProfileI* b = shapeProfile(scene, "B", CompositeCurve2::SQUARE, 6, 4);
    shapeProfile(scene, "C", CompositeCurve2::CIRCLE, 2, 2);
    auto* m = new ProfileM(scene, "Seq");
    for (const char* name : {"A", "B", "C"}) m->addMember(name);
    m->changeCounter = 2, m->cycleOption = ProfileM::PING_PONG;
    EXPECT_EQ(shown(*m, 12), (std::vector<int>{0, 0, 1, 1, 2, 2, 1, 1, 0, 0, 1, 1}));
    m->changeCounter = 1;
    const std::pair<int, std::vector<int>> options[] = {
        {ProfileM::PLAY_ONCE, {0, 1, 2, -1, -1, -1}},         {ProfileM::PLAY_THEN_HOLD, {0, 1, 2, 2, 2, 2}},
        {ProfileM::LOOP, {0, 1, 2, 0, 1, 2}},                 {ProfileM::REVERSE_PLAY_ONCE, {2, 1, 0, -1, -1, -1}},
        {ProfileM::REVERSE_PLAY_THEN_HOLD, {2, 1, 0, 0, 0, 0}}, {ProfileM::REVERSE_LOOP, {2, 1, 0, 2, 1, 0}},
    };
    for (const auto& [option, expected] : options) {
        m->cycleOption = option, m->startFrame = 0;
        EXPECT_EQ(shown(*m, 6), expected) << option;
        m->startFrame = 3, m->showBeforeStart = false;
        EXPECT_EQ(shown(*m, 3), (std::vector<int>{-1, -1, -1})) << option;
        m->showBeforeStart = true;
        EXPECT_EQ(m->memberIndexAt(0), option >= ProfileM::REVERSE_PLAY_ONCE ? 2 : 0) << option;
    }
    // Random order: each block of members x frames-per-member is a shuffle drawn by the shared generator from the seed.
    m->startFrame = 0, m->cycleOption = ProfileM::RANDOMIZE, m->changeCounter = 2, m->randomSeed = 11;
    m->discardRandomOrder();
    std::vector<int> order = shown(*m, 300);
    for (int block = 0; block < 50; ++block) {
        std::vector<int> picks;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(order[6 * block + 2 * i], order[6 * block + 2 * i + 1]);
            picks.push_back(order[6 * block + 2 * i]);
        }
        std::sort(picks.begin(), picks.end());
        EXPECT_EQ(picks, (std::vector<int>{0, 1, 2})) << block;
    }
    EXPECT_EQ(order[0], static_cast<int>(random(12) * 3));
    auto* twin = new ProfileM(scene, "Twin");
    for (const char* name : {"A", "B", "C"}) twin->addMember(name);
    twin->cycleOption = ProfileM::RANDOMIZE, twin->changeCounter = 2, twin->randomSeed = 11;
    EXPECT_EQ(shown(*twin, 300), order);
    twin->randomSeed = 12;
    twin->discardRandomOrder();
    EXPECT_NE(shown(*twin, 300), order);
    m = new ProfileM(scene, "Ports");
    for (const char* name : {"A", "B", "Ports"}) m->addMember(name);  // itself: never shown
    m->startFrame = 1;
    scene.animGlobals().setCurrentFrame(1);
    EXPECT_EQ(m->renderFlattened(true, true, 1, 30, false), a->renderFlattened(true, true, 1, 30, false));
    EXPECT_EQ(m->inputProfile(), a->inputProfile());
    scene.animGlobals().setCurrentFrame(2);
    EXPECT_EQ(m->renderFlattened(true, true, 1, 30, false), b->renderFlattened(true, true, 1, 30, false));
    double box[4];
    m->profileBounds(box);
    EXPECT_EQ(std::vector<double>(box, box + 4), (std::vector<double>{-3, 3, -2, 2}));
    scene.animGlobals().setCurrentFrame(3);
    EXPECT_EQ(m->renderFlattened(true, true, 1, 30, false), nullptr);
    scene.animGlobals().setCurrentFrame(0);  // before the start, with nothing shown there
    EXPECT_EQ(m->inputProfile(), nullptr);
    m->profileBounds(box);
    EXPECT_EQ(box[0], 1e20);
    m->markUsed();
    EXPECT_TRUE(a->used() && b->used());
}

}  // namespace
}  // namespace fw
