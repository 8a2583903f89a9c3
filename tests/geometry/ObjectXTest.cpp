// Extruded objects through their ports, and extrusion styles' stored forms; primitive
// objects: every type's mesh through the ports at both qualities, and the stored block.
#include "geometry/ObjectX.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <glm/geometric.hpp>
#include <glm/vec3.hpp>
#include <gtest/gtest.h>
#include <set>
#include <string>

#include "geometry/GeometryClasses.h"
#include "geometry/ObjectP.h"
#include "geometry/ObjectXStyle.h"
#include "geometry/PrimitiveBuilder.h"
#include "GeometryHelpers.h"
#include "GeometryText.h"
#include "MemoryStream.h"
#include "profile/ProfileRegistration.h"
#include "render/RenderClasses.h"
#include "scene/MemberFactory.h"
#include "scene/Quality.h"
#include "scene/SceneFile.h"
#include "scene/SceneX.h"
#include "surface/SurfaceClasses.h"
#include "TempDir.h"

namespace fw {
namespace {

// A scene from its text, read from a file as projects are, with what it holds registered first: outlines, styles,
// materials, the camera and lights.
SceneFile::Loaded loadScene(const std::string& text) {
    [[maybe_unused]] static const bool registered = (registerSceneClasses(), registerSurfaceClasses(),
                                                     registerProfileClasses(), registerGeometryClasses(),
                                                     registerRenderClasses(), true);
    test::TempDir dir;
    test::writeFile(dir.file("test.scene"), text);
    return SceneFile::load(dir.file("test.scene"));
}

ObjectX* objectOf(const SceneFile::Loaded& loaded, const char* name = "Badge") {
    return loaded.scene ? dynamic_cast<ObjectX*>(loaded.scene->findMember(name)) : nullptr;
}

// An outline of straight runs.
std::string outlineBlock(const std::string& name, const std::string& points, int closed,
                         const std::string& type = "Linear") {
    return " begin ProfileI\n  name \"" + name + "\"\n  begin InputProfile2\n   begin CompositeCurve2\n    closed " +
           std::to_string(closed) + "\n    begin Curve2\n     type " + type + "\n" + points +
           "    end Curve2\n   end CompositeCurve2\n  end InputProfile2\n end ProfileI\n";
}

// The object's bounds: low x, y, z, then high.
std::array<double, 6> boundsOf(Object& object, int mode = kRenderMode) {
    std::array<double, 6> box;
    object.localBounds(mode, box.data());
    return box;
}

// The badge scene loaded, its object at hand.
struct Badge : testing::Test {
    SceneFile::Loaded loaded = loadScene(test::readFile(FW_TEST_DATA "/badge.scene"));
    ObjectX* badge = objectOf(loaded);
    void SetUp() override { ASSERT_NE(badge, nullptr) << loaded.error; }
};

std::set<int> partsOf(const GeometryInterface& mesh) {
    std::set<int> parts;
    test::eachElement(mesh, [&](const auto& info, auto...) { parts.insert(info.part); });
    return parts;
}

// Every corner has texture coordinates, all within [0, 1]; what is wrong otherwise.
std::string textureOutsideUnitSquare(const GeometryInterface& mesh) {
    std::string why;
    test::eachElement(mesh, [&](const auto& info, const int*, const int* t, const int*, int e) {
        if (!t || info.texCount != info.count) why += "element " + std::to_string(e) + " has none; ";
        for (int k = 0; t && k < info.texCount; ++k) {
            double uv[3];
            mesh.getTexCoord(uv, t[k]);
            if (uv[0] < 0 || uv[0] > 1 || uv[1] < 0 || uv[1] > 1)
                why += std::to_string(uv[0]) + ", " + std::to_string(uv[1]) + "; ";
        }
    });
    return why;
}

ObjectP* make(SceneX& scene, int type, double s1 = 200, double s2 = 150, double s3 = 100) {
    static int made = 0;
    auto* p = new ObjectP(scene, ("Primitive " + std::to_string(++made)).c_str());
    p->setType(type);
    p->setSize(0, s1), p->setSize(1, s2), p->setSize(2, s3);
    return p;
}

}  // namespace

TEST_F(Badge, RebuildsWhenTheStyleChangesHandsOnItsElementsAndRevolvesOrSweepsATube) {
    ASSERT_NE(badge->displayGeometry(kRenderMode), nullptr);
    std::array<double, 6> box = boundsOf(*badge);
    // The 60 x 100 outline less the face offset, widened evenly by the bevel (grown out from the face); depth 24 to -z.
    EXPECT_LT(box[0], 0.03);
    EXPECT_NEAR(box[0] + box[3], 60, 1e-4);  // packed meshes are single precision
    EXPECT_NEAR(box[1] + box[4], 100, 1e-4);
    EXPECT_NEAR(box[2], -24 * 0.9999, 0.01);
    OutputPort* solid = badge->findPort("RenderGeometry");
    uint32_t stamp = solid->stamp();
    badge->displayGeometry(kRenderMode);
    EXPECT_EQ(solid->stamp(), stamp);  // nothing changed: nothing rebuilt
    badge->style()->setDepth(10);
    EXPECT_NEAR(boundsOf(*badge)[2], -10 * 0.9999, 0.01);
    EXPECT_NE(solid->stamp(), stamp);
    EXPECT_NE(badge->findPort("PreviewGeometry")->stamp(), solid->stamp());
    // The elements and the deformed solid come through their ports too.
    badge->prepareStages();
    auto* built = badge->findPortAs<ResultPort<GeometryInterface>>("RenderGeometry")->value();
    ASSERT_NE(built, nullptr);
    // Without deformers the deformed solid is the solid itself.
    EXPECT_EQ(badge->findPortAs<ResultPort<GeometryInterface>>("RenderDynGeometry")->value(), built);
    Object::WorldCoordinateSettings world;
    world.matrix[12] = 100;  // moved 100 along x
    auto* elements = badge->findPortAs<Object::ElementInterpPort>("RenderElementInterp")->get(&world);
    ASSERT_NE(elements, nullptr);
    EXPECT_EQ(elements->geometry, built);
    ASSERT_EQ(elements->worldVertices->size(), static_cast<size_t>(3 * built->vertexCount()));
    double p[3];
    built->getVertex(p, 0);
    EXPECT_NEAR((*elements->worldVertices)[0], p[0] + 100, 1e-9);
    EXPECT_EQ(elements->worldNormals->size(), elements->worldVertices->size());
    EXPECT_FALSE(elements->gradients->du.empty());
    // An object without a face has no geometry, so its elements are not valid either.
    auto* empty = new ObjectX(*loaded.scene, "Empty");
    empty->prepareStages();
    EXPECT_EQ(empty->findPortAs<Object::ElementInterpPort>("RenderElementInterp")->get(&world), nullptr);
    ObjectXStyle* style = badge->style();
    // The face reaches to 0.03 from the axis: a profile that swells it would cross.
    style->setPerimeterProfile("Basic, Flat Sides");
    style->kind = ObjectXStyle::kRevolved, style->buildAxis = 2, style->buildAngleEnd = 180;
    style->tailCapType = 4;  // pointed
    badge->geometryChanged();
    PackedObjDB* lathe = badge->displayGeometry(kRenderMode);
    ASSERT_NE(lathe, nullptr);
    EXPECT_GT(test::expectClosed(*lathe).volume, 0);
    // Half a turn about Y of the 60 x 100 outline: its height stands along Y.
    box = boundsOf(*badge);
    for (auto [i, at] : {std::pair{1, 0.0}, {4, 100.0}, {3, 60.0}}) EXPECT_NEAR(box[i], at, 0.5) << i;
    EXPECT_LE(box[2], -59);  // the turn runs through -Z
    // The pointed tail reaches out along +Z, only as far as keeps the two holes (10 apart) from meeting as they grow.
    EXPECT_TRUE(box[5] > 4.9 && box[5] < 5) << box[5];
    style->kind = ObjectXStyle::kTube;
    badge->geometryChanged();
    PackedObjDB* tube = badge->displayGeometry(kRenderMode);
    ASSERT_NE(tube, nullptr);
    test::expectClosed(*tube);
    EXPECT_NEAR(boundsOf(*badge)[5] - boundsOf(*badge)[2], style->depth(), 1e-3);  // a round tube as thick as the depth
}

TEST_F(Badge, FacesSitAtLeast003InsideAndADeformerSwitchesMeshingOnForGood) {
    auto face = [&] {
        badge->prepareStages();
        auto* contours = badge->findPortAs<ObjectX::FacePort>("RenderFace")->value();
        return contours ? *contours : std::vector<SolidBuilder::Contour>{};
    };
    // The 60 x 100 outline has two lowest points, (0, 0) and (60, 0): the face starts
    // at the left one, moved 0.03 in although the style's face offset is 0.
    badge->style()->setFrontFaceOffset(0);
    std::vector<SolidBuilder::Contour> flat = face();
    ASSERT_EQ(flat.size(), 3u);
    // The first hole, 15..45 square, also starts at its lower left corner and grows.
    for (auto [contour, at] : {std::pair{0, 0.03}, {1, 14.97}})
        for (double xy : {flat[contour][0].x, flat[contour][0].y}) EXPECT_NEAR(xy, at, 1e-12) << contour;
    badge->style()->setFrontFaceOffset(0.02);  // under the floor: still 0.03
    EXPECT_NEAR(face()[0][0].x, 0.03, 1e-12);
    badge->style()->setFrontFaceOffset(2);
    EXPECT_NEAR(face()[0][0].x, 2, 1e-12);
    EXPECT_NEAR(face()[1][0].x, 13, 1e-12);
    badge->draftTileResolution[1] = 8, badge->bestEdgeMeshing = 7;  // the tiles already finer than the limit: kept
    PackedObjDB* plain = badge->displayGeometry(kRenderMode);
    ASSERT_NE(plain, nullptr);
    const int plainVertices = plain->vertexCount();
    EXPECT_FALSE(badge->meshingOn);
    badge->deformerCount = 1;
    badge->geometryChanged();
    PackedObjDB* meshed = badge->displayGeometry(kRenderMode);
    ASSERT_NE(meshed, nullptr);
    EXPECT_EQ((std::vector<double>{badge->draftTileResolution[0], badge->draftTileResolution[1],
                                   badge->bestTileResolution[0], badge->draftEdgeMeshing, badge->bestEdgeMeshing}),
              (std::vector<double>{10, 8, 5, 5, 2}));
    EXPECT_GT(meshed->vertexCount(), plainVertices);  // the sides were split
    test::expectContains(test::writtenBlock(*badge), {"meshingOn 1\n"});
    // Taking the deformer away leaves meshing on.
    badge->deformerCount = 0;
    badge->prepareStages();
    EXPECT_TRUE(badge->meshingOn);
    EXPECT_EQ(badge->draftTileResolution[0], 10);
}

// Open outlines still bound a region: a drawn open outline, one whose closing point is not repeated and an OBJ import
// all build the same closed 60 x 100 solid; a bare line builds nothing. A 120-gon (6,000 points once render flattening
// splits each edge into 50) is longer than the shape database copies out in one piece; its face takes it all.
TEST(ObjectX, OpenAndDetailedOutlinesGiveWholeFaces) {
    const double area = 60 * 50 * 50 * std::sin(2 * M_PI / 120);
    std::string gon;  // a regular 120-gon of radius 50 about the origin, its first point repeated
    for (int i = 0; i <= 120; ++i) {
        const double a = 2 * M_PI * (i % 120) / 120;
        char line[128];
        std::snprintf(line, sizeof line, "     p %.17g %.17g\n     pType ANCHOR\n", 50 * std::cos(a), 50 * std::sin(a));
        gon += line;
    }
    test::TempDir dir;
    test::writeFile(dir.file("square.obj"), "v 0 0 0\nv 60 0 0\nv 60 100 0\nv 0 100 0\nf 1 2 3 4\n");
    const std::string square = "     p 0 0\n     p 60 0\n     p 60 100\n     p 0 100\n";
    std::string scene = "begin SceneX\n" + outlineBlock("Unrepeated Outline", square, 0) +
                        outlineBlock("Drawn Outline", square + "     p 0 0\n", 0) +
                        outlineBlock("Line Outline", "     p 0 0\n     p 60 0\n", 0) +
                        " begin ProfileI\n  name \"Imported Outline\"\n  begin InputProfile2\n   infileObj " +
                        dir.file("square.obj") + "\n  end InputProfile2\n end ProfileI\n" +
                        outlineBlock("Disc Outline", gon, 1);
    for (std::string name : {"Unrepeated", "Drawn", "Line", "Imported", "Disc"})  // each extruding its outline
        scene += " begin ObjectX\n  name \"" + name + "\"\n  face \"" + name + " Outline\"\n end ObjectX\n";
    SceneFile::Loaded loaded = loadScene(scene + "end SceneX\n");
    ASSERT_TRUE(loaded.scene) << loaded.error;
    for (const char* name : {"Unrepeated", "Drawn", "Imported"}) {
        SCOPED_TRACE(name);
        ObjectX* solid = objectOf(loaded, name);
        ASSERT_NE(solid, nullptr);
        for (int mode : {kPreviewMode, kRenderMode}) {
            PackedObjDB* mesh = solid->displayGeometry(mode);
            ASSERT_NE(mesh, nullptr);
            // The default depth, 0.03 in all round.
            EXPECT_NEAR(test::expectClosed(*mesh).volume, 59.94 * 99.94 * 8, 10);
            EXPECT_NEAR(test::partArea(*mesh, ObjectX::kFrontPart), 59.94 * 99.94, 0.05);
        }
    }
    ObjectX *line = objectOf(loaded, "Line"), *disc = objectOf(loaded, "Disc");
    ASSERT_TRUE(line && disc);
    line->prepareStages();
    auto* face = line->findPortAs<ObjectX::FacePort>("RenderFace")->value();
    EXPECT_TRUE(!face || face->empty());
    for (int mode : {kPreviewMode, kRenderMode}) {
        ASSERT_NE(disc->displayGeometry(mode), nullptr) << mode;
        EXPECT_NEAR(test::partArea(*disc->displayGeometry(mode), ObjectX::kFrontPart), area, 0.002 * area) << mode;
    }
}

// Two objects extruding one outline at different smoothness want its flattened port
// for different settings; a batch of both builds what the ports alone build.
TEST(ObjectX, ABatchOfObjectsSharingAnOutlineBuildsWhatThePortsBuild) {
    // A round outline of four Bezier quarters: how finely it is flattened follows the smoothness.
    std::string points;
    for (int k = 0; k <= 4; ++k)  // each anchor, with the handle before it (side -1) and after it (side 1)
        for (int side = k > 0 ? -1 : 0; side <= (k < 4 ? 1 : 0); ++side) {
            const double c = std::cos(k * M_PI / 2), s = std::sin(k * M_PI / 2);
            const double x = 50 * c - side * 27.6 * s, y = 50 * s + side * 27.6 * c;
            points += "     p " + std::to_string(x) + " " + std::to_string(y) + "\n     pType " +
                      (side ? "HANDLE_BROKEN" : "ANCHOR") + "\n";
        }
    std::string scene = "begin SceneX\n" + outlineBlock("Disc Outline", points, 1, "Bezier");
    for (const char* name : {"Coarse", "Fine"})
        scene += std::string(" begin ObjectX\n  name \"") + name + "\"\n  face \"Disc Outline\"\n  smoothnessRender " +
                 (name[0] == 'C' ? "5" : "80") + "\n end ObjectX\n";
    SceneFile::Loaded ports = loadScene(scene + "end SceneX\n"), batch = loadScene(scene + "end SceneX\n");
    std::vector<ObjectX*> objects = {objectOf(batch, "Coarse"), objectOf(batch, "Fine")};
    ASSERT_TRUE(objects[0] && objects[1]) << batch.error;
    ObjectX::buildSolids(objects, kRenderMode);
    EXPECT_FALSE(objects[0]->findPort("RenderGeometry")->dirty());  // the first one was built by the batch
    for (const char* name : {"Coarse", "Fine"}) {
        SCOPED_TRACE(name);
        auto* expected = dynamic_cast<PackedObjDB*>(objectOf(ports, name)->solid(kRenderMode));
        auto* built = dynamic_cast<PackedObjDB*>(objectOf(batch, name)->solid(kRenderMode));
        ASSERT_TRUE(expected && built);
        ASSERT_GT(expected->vertexCount(), 0);
        ASSERT_EQ(built->vertexCount(), expected->vertexCount());
        const size_t bytes = sizeof(float) * PackedObjDB::kFloatsPerVertex * static_cast<size_t>(built->vertexCount());
        EXPECT_EQ(std::memcmp(built->vertexData(), expected->vertexData(), bytes), 0);
    }
    EXPECT_NE(objectOf(batch, "Coarse")->solid(kRenderMode)->vertexCount(),
              objectOf(batch, "Fine")->solid(kRenderMode)->vertexCount());
}

TEST(ObjectX, FlatnessConvertsToSmoothness) {
    for (auto [flatness, render, smoothness] : {std::tuple{0.5, false, 17.222222}, {3.0, false, 10.0},
                                                 {12.0, false, 20.0}, {12.0, true, 50.0}, {8.0, true, 2.2222222}})
        EXPECT_NEAR(ObjectX::smoothnessFromFlatness(flatness, render), smoothness, 1e-6) << flatness << " " << render;
}

TEST(ObjectXStyle, StoredFormsFollowTheTrackingAndKindRulesAndANewPerimeterProfileResetsOnlyWhatItFeeds) {
    SceneX scene;
    auto* style = new ObjectXStyle(scene, "Lathe");
    ASSERT_EQ(0, test::readLines(*style, "extrusionStyle ExtrusionOrvoLong\ntrackProfile 1\nperim \"Bevel, Medium\"\n"
                                         "hole \"Bevel, Large\"\nheadCapType Weird\ntailCapType Domed\nbuildAxis Q\n"));
    EXPECT_EQ(style->holeProfileName(), "Bevel, Medium");  // the hole tracks the perimeter
    std::string text = test::writtenBlock(*style);
    // The order of the lines is resaved in Conformance.EveryHandWrittenFileResavesToItsBytes… (tests/app).
    test::expectContains(text, {"  extrusionStyle \"ExtrusionOrvoLathe\"\n  trackProfile 1\n", "  headCapType None\n",
                                "  tailCapType Domed\n", "  buildAxis Y\n", "  begin MaterialStack 5\n"});
    test::expectLacks(text, {"  hole ", "  begin MaterialStack 6\n"});
    auto* plain = new ObjectXStyle(scene, "Plain");
    test::expectLacks(test::writtenBlock(*plain), {"CapType", "buildAxis"});
    // Counts rise only for parts that are built, and wrap past the top to 1.
    plain->setParts(ObjectXStyle::kFront | ObjectXStyle::kBack);
    uint32_t sides = plain->sideChangeCount();
    plain->setPerimeterXScale(2);
    EXPECT_EQ(plain->sideChangeCount(), sides);
    EXPECT_EQ(plain->holeXScale(), 2);  // tracked
    EXPECT_EQ(ObjectXStyle::nextCount(0xffffffffu), 1u);
    // A new edge profile resets what it feeds and nothing else: the ports it feeds let their old polyline go and go
    // stale (that the solid then follows is checked by UnknownEdgeProfileNamesLeaveTheReferenceEmpty's bounds), the
    // side count rises once per side part that is built, and naming the profile in use again keeps every flattened one.
    auto* edges = new ObjectXStyle(scene, "Edges");
    ObjectXStyle::FlattenedProfileSettings flat;
    auto flatten = [&](bool hole) { return edges->flattenedPort(hole, 1).get(&flat); };
    edges->setPerimeterProfile("Bevel, Medium");
    ASSERT_TRUE(flatten(false) && flatten(true));
    sides = edges->sideChangeCount();
    edges->setPerimeterProfile("Bevel, Medium");  // the same again
    EXPECT_EQ(edges->sideChangeCount(), sides);
    for (bool hole : {false, true}) EXPECT_TRUE(edges->flattenedPort(hole, 1).isValid()) << hole;
    edges->setPerimeterProfile("Basic, Flat Sides");  // perimeter and the tracking hole
    EXPECT_EQ(edges->sideChangeCount(), ObjectXStyle::nextCount(ObjectXStyle::nextCount(sides)));
    for (bool hole : {false, true}) {
        EXPECT_FALSE(edges->flattenedPort(hole, 1).isValid()) << hole;
        EXPECT_EQ(edges->flattenedPort(hole, 1).result()->pointCount(), 0) << hole;  // let go
    }
    // Sides that are not built count no change; a hole of its own keeps its polyline.
    edges->trackProfile = false;
    edges->setHoleProfile("Bevel, Medium");
    ASSERT_NE(flatten(true), nullptr);
    edges->setParts(ObjectXStyle::kFront | ObjectXStyle::kBack | ObjectXStyle::kHoles);
    sides = edges->sideChangeCount();
    edges->setPerimeterProfile("Bevel, Large");
    EXPECT_EQ(edges->sideChangeCount(), sides);
    EXPECT_FALSE(edges->flattenedPort(false, 1).isValid());
    EXPECT_TRUE(edges->flattenedPort(true, 1).isValid());
    edges->setHoleProfile("Bevel, Large");
    EXPECT_EQ(edges->sideChangeCount(), ObjectXStyle::nextCount(sides));
}

// A style names its edge profile; a name that is neither a profile of the scene nor one of the library's leaves the
// reference empty and the sides flat, also after a bevel was in use. A scene profile named before the scene reaches it
// is kept. An edge profile drawn in two strokes, the second from the back towards the front: the sides follow both.
TEST(ObjectXStyle, UnknownEdgeProfileNamesLeaveTheReferenceEmpty) {
    std::string scene = test::readFile(FW_TEST_DATA "/badge.scene");
    const std::string chunky = "   perim \"Bevel, Medium\"\n";
    ASSERT_NE(scene.find(chunky), std::string::npos);
    scene.replace(scene.find(chunky), chunky.size(), "   perim \"Badge Outline\"\n");
    scene.replace(scene.find("  begin ObjectXStyle\n"), 0,
                  "  begin ObjectXStyle\n   name \"Odd\"\n   perim \"Bevel, Nonsense\"\n  end ObjectXStyle\n"
                  "  begin ProfileI\n   name \"Two Strokes\"\n   begin InputProfile2\n"
                  "    begin CompositeCurve2\n     begin Curve2\n      type Linear\n      p 0 0\n      p 10 10\n"
                  "     end Curve2\n    end CompositeCurve2\n"
                  "    begin CompositeCurve2\n     begin Curve2\n      type Linear\n      p 10 100\n      p 10 10\n"
                  "     end Curve2\n    end CompositeCurve2\n   end InputProfile2\n  end ProfileI\n");
    SceneFile::Loaded loaded = loadScene(scene);
    ASSERT_TRUE(loaded.scene) << loaded.error;
    auto* odd = dynamic_cast<ObjectXStyle*>(loaded.scene->findMember("Odd"));
    auto* chunkyStyle = dynamic_cast<ObjectXStyle*>(loaded.scene->findMember("Chunky Bevel"));
    ASSERT_TRUE(odd && chunkyStyle);
    EXPECT_EQ(odd->perimeterProfileName() + odd->holeProfileName(), "");
    test::expectContains(test::writtenBlock(*odd), {"  perim \"\"\n"});
    EXPECT_EQ(chunkyStyle->perimeterProfileName(), "Badge Outline");  // written after the styles
    ObjectX* badge = objectOf(loaded);
    ASSERT_NE(badge, nullptr);
    chunkyStyle->setPerimeterProfile("Bevel, Large");
    EXPECT_LT(boundsOf(*badge)[0], -1);  // the bevel widens the solid
    chunkyStyle->setPerimeterProfile("Bevel, Gigantic");
    EXPECT_EQ(chunkyStyle->perimeterProfileName(), "");
    std::array<double, 6> box = boundsOf(*badge);
    EXPECT_NEAR(box[0], 0.03, 1e-4);  // flat sides on the face, 0.03 inside the outline
    EXPECT_NEAR(box[3], 59.97, 1e-4);
    chunkyStyle->setPerimeterProfile("Two Strokes");
    ASSERT_EQ(badge->style()->perimeterProfileName(), "Two Strokes");
    PackedObjDB* mesh = badge->displayGeometry(kRenderMode);
    ASSERT_NE(mesh, nullptr);
    test::expectClosed(*mesh);
    box = boundsOf(*badge);
    EXPECT_NEAR(box[2], -24, 1e-3);          // the second stroke reaches the back
    EXPECT_NEAR(box[0], 0.03 - 2.4, 1e-3);  // the first one bevels out by 10 % of 24
}

// Closed primitives are outward-facing solids at both qualities with the volume their sizes give, in every mapping
// mode and with v flipped.
TEST(ObjectP, ClosedPrimitivesAreOutwardSolidsAndPlanesAndFloorsAreOpenOnlyAtTheirRims) {
    // The volume of the exact shape, for sizes 200, 150, 100, and how near the mesh's comes.
    const struct { int type; size_t parts; double volume, tolerance; } cases[] = {
        {ObjectP::kSphere, 1, 4.0 / 3 * M_PI * 100 * 100 * 100, 0.02},
        {ObjectP::kCube, 6, 200.0 * 150 * 100, 1e-9},
        {ObjectP::kCylinder, 3, M_PI * 100 * 100 * 150, 0.02},
        {ObjectP::kCone, 2, M_PI * 100 * 100 * 150 / 3, 0.02},
        {ObjectP::kTorus, 1, 2 * M_PI * M_PI * 100 * 75 * 75, 0.02},
        {ObjectP::kPyramid3, 4, 200.0 * 100 / 2 * 150 / 3, 1e-9},
        {ObjectP::kPyramid4, 5, 200.0 * 100 * 150 / 3, 1e-9},
    };
    SceneX scene;
    for (const auto& c : cases)
        for (int mode : {kPreviewMode, kRenderMode}) {
            ObjectP* p = make(scene, c.type);
            SCOPED_TRACE(std::string(ObjectP::typeName(c.type)) + (mode == kRenderMode ? " render" : " preview"));
            GeometryInterface* mesh = p->geometry(mode);
            ASSERT_NE(mesh, nullptr);
            EXPECT_NEAR(test::expectClosed(*mesh).volume, c.volume, c.volume * c.tolerance);
            EXPECT_EQ(partsOf(*mesh).size(), c.parts);
            for (int mapping = 0; mapping < ObjectP::kMappingModes; ++mapping)
                for (bool flip : {false, true}) {
                    p->mappingMode = mapping, p->flipV = flip;
                    EXPECT_EQ(textureOutsideUnitSquare(*p->geometry(mode)), "") << mapping << " " << flip;
                }
            // What the renderer draws is the same mesh, and its bounds are the sizes'.
            ASSERT_NE(p->displayGeometry(mode), nullptr);
            EXPECT_EQ(p->displayGeometry(mode)->elementCount(), p->geometry(mode)->elementCount());
            EXPECT_NEAR(boundsOf(*p, mode)[3] - boundsOf(*p, mode)[0], c.type == ObjectP::kTorus ? 350 : 200, 1e-6);
        }
    // Planes and floors are open only along their rims, face the way their kind says,
    // and their texture runs across the grid (v reversed when flipped).
    for (int type : {int(ObjectP::kPlane), int(ObjectP::kFloor)}) {
        SCOPED_TRACE(ObjectP::typeName(type));
        ObjectP* p = make(scene, type, 200, 100);
        p->gridCount[0] = 4, p->gridCount[1] = 2;
        GeometryInterface* mesh = p->geometry(kRenderMode);
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(mesh->elementCount(), 8);
        test::SolidCheck check = test::checkSolid(*mesh);
        EXPECT_EQ(check.openEdges, 2 * (4 + 2));  // the rim's cells, nothing inside
        EXPECT_EQ(check.overusedEdges + check.flippedEdges + check.degenerate, 0);
        const std::array<double, 6> box = boundsOf(*p);
        EXPECT_NEAR(box[3] - box[0], 200, 1e-9);
        EXPECT_NEAR(type == ObjectP::kPlane ? box[4] - box[1] : box[5] - box[2], 100, 1e-9);
        // Every face turns towards `facing`; the corner lowest across and along has u = v = 0 (v = 1 flipped).
        const glm::dvec3 facing = type == ObjectP::kPlane ? glm::dvec3(0, 0, -1) : glm::dvec3(0, 1, 0);
        for (bool flip : {false, true}) {
            p->flipV = flip;
            mesh = p->geometry(kRenderMode);
            int found = 0;
            test::eachElement(*mesh, [&](const auto& info, const int* pos, const int* t, auto...) {
                std::vector<glm::dvec3> v(static_cast<size_t>(info.count));
                for (int k = 0; k < info.count; ++k) {
                    double uv[3];
                    mesh->getVertex(&v[k].x, pos[k]), mesh->getTexCoord(uv, t[k]);
                    if (v[k].x == -100 && v[k][type == ObjectP::kPlane ? 1 : 2] == -50) {
                        ++found;
                        EXPECT_EQ(std::pair(uv[0], uv[1]), std::pair(0.0, flip ? 1.0 : 0.0));
                    }
                }
                EXPECT_GT(glm::dot(glm::cross(v[1] - v[0], v[2] - v[1]), facing), 0);
            });
            EXPECT_GT(found, 0);
        }
    }
}

// Counts follow the quality's smoothness: sphere segments and rings, cylinder segments, torus counts, the plane's grid.
TEST(ObjectP, CountsFollowTheSmoothnessAndOnlyFacesThatAreOnAreBuilt) {
    // Low smoothness keeps a usable minimum.
    EXPECT_EQ(std::pair(PrimitiveBuilder::segmentsAround(1), PrimitiveBuilder::sphereRings(7)), std::pair(4, 8));
    SceneX scene;
    ObjectP* sphere = make(scene, ObjectP::kSphere);
    GeometryInterface* preview = sphere->geometry(kPreviewMode);
    EXPECT_EQ(preview->elementCount(), 40 * 22);
    EXPECT_EQ(sphere->geometry(kRenderMode)->elementCount(), 100 * 52);
    sphere->setSmoothness(kRenderMode, 10);  // rebuilds the render mesh only
    EXPECT_EQ(sphere->geometry(kRenderMode)->elementCount(), 20 * 12);
    EXPECT_EQ(sphere->geometry(kPreviewMode), preview);
    EXPECT_EQ(preview->elementCount(), 40 * 22);
    EXPECT_EQ(make(scene, ObjectP::kCylinder)->geometry(kPreviewMode)->elementCount(), 3 * 40);
    EXPECT_EQ(make(scene, ObjectP::kTorus)->geometry(kPreviewMode)->elementCount(), 40 * 124);
    ObjectP* plane = make(scene, ObjectP::kPlane);
    plane->setSmoothness(kPreviewMode, 1);
    ASSERT_EQ(plane->geometry(kPreviewMode)->elementCount(), 1);
    EXPECT_EQ(plane->geometry(kPreviewMode)->vertexCount(), 4);
    plane->gridCount[0] = 3, plane->gridCount[1] = 5;
    EXPECT_EQ(plane->geometry(kPreviewMode)->elementCount(), 15);
    // Boxes and pyramids build only faces that are on; disks, nulls and unknown types build nothing, yet answer ports.
    ObjectP* cube = make(scene, ObjectP::kCube);
    ASSERT_EQ(test::readLines(*cube, "faceOn3 0\n"), 0);
    GeometryInterface* mesh = cube->geometry(kRenderMode);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(std::pair(mesh->elementCount(), test::checkSolid(*mesh).openEdges), std::pair(5, 4));
    EXPECT_EQ(partsOf(*mesh).count(2), 0u);
    ObjectP* pyramid = make(scene, ObjectP::kPyramid4);
    pyramid->faceOn[4] = false;  // the base
    mesh = pyramid->geometry(kPreviewMode);
    EXPECT_EQ(std::pair(mesh->elementCount(), test::checkSolid(*mesh).openEdges), std::pair(4, 4));
    for (int type : {int(ObjectP::kDisk), int(ObjectP::kNull), int(ObjectP::kGroupNull), int(ObjectP::kCustom), 99}) {
        ObjectP* p = make(scene, type);
        EXPECT_EQ(p->type(), type == 99 ? ObjectP::kCustom : type);
        for (int mode : {kPreview2DMode, kPreviewMode, kRenderMode}) {
            GeometryInterface* g = p->geometry(mode);
            EXPECT_TRUE(!g || g->elementCount() == 0);
            EXPECT_GT(boundsOf(*p, mode)[0], boundsOf(*p, mode)[3]);  // empty
        }
    }
    // A size of zero or an unusable one builds nothing rather than a flat solid.
    EXPECT_EQ(make(scene, ObjectP::kSphere, 0)->geometry(kRenderMode), nullptr);
}

// Written, read into a new object and written again, a block keeps its bytes: a fresh object, a sphere read from
// older lines, a text-block group null, and a custom mesh of two parts.
TEST(ObjectP, BlocksRoundTripByteForByte) {
    SceneX scene;
    ObjectP fresh(scene, "Prim"), sphere(scene, "Ball"), group(scene, "Block"), custom(scene, "Mesh");
    ObjectP broken(scene, "Broken");
    auto roundTrip = [&](ObjectP& original) {
        std::string first = test::writtenBlock(original);
        ObjectP copy(scene, "Copy");
        std::string body = first.substr(first.find('\n') + 1);
        std::string diagnostic;
        EXPECT_EQ(test::readLines(copy, body, &diagnostic), 0) << diagnostic;
        std::string second = test::writtenBlock(copy);
        // The copy is named on its own; the rest must match.
        EXPECT_EQ(second.substr(second.find("  vis")), first.substr(first.find("  vis")));
        return first;
    };
    // A fresh object is a custom one with an empty mesh, which is still written. The lines' order is resaved in
    // Conformance.EveryHandWrittenFileResavesToItsBytes… (tests/app).
    test::expectContains(roundTrip(fresh), {"  primitiveType CUSTOM\n  primVal1 200.000000\n",
                                            "  begin ObjDB\n   # 0 vertices\n\n   # 0 texture vertices\n\n"
                                            "   # 0 normals\n\n   # 0 elements\n  end ObjDB\n end ObjectP\n"});
    // The older lines: a material by slot, a mesh type that is not kept, and flatness. The lines that are kept as
    // they are come back in Conformance.EveryHandWrittenFileResavesToItsBytes… (tests/app).
    ASSERT_EQ(0, test::readLines(sphere, "primitiveType SPHERE\nmaterial 1 \"Red\"\nmeshType 3\nflatPreview 0.5\n"));
    EXPECT_EQ(sphere.materialSlotCount(), 2);
    EXPECT_DOUBLE_EQ(sphere.smoothnessPreview, 17.222222);
    std::string text = roundTrip(sphere);
    test::expectContains(text, {"  begin MaterialStack 1\n   begin MaterialStackItem\n    material \"Red\"\n"});
    test::expectLacks(text, {"ObjDB", "nullType"});
    // "CUSTOM" and names not known keep the type the object has.
    ASSERT_EQ(test::readLines(sphere, "primitiveType CUSTOM\nprimitiveType DODECAHEDRON\n"), 0);
    EXPECT_EQ(sphere.type(), ObjectP::kSphere);
    ASSERT_EQ(test::readLines(group, "primitiveType GROUP_NULL\nnullType TEXTBLOCK\n"), 0);
    test::expectContains(roundTrip(group), {"  primitiveType GROUP_NULL\n  nullType TEXTBLOCK\n  primVal1"});
    ASSERT_TRUE(custom.readCustomMesh("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvt 0 0\nvt 1 0\nvt 0 1\n"
                                      "usemtl Gold\nf 1/1 3/3 2/2\nf 1/1 2/2 4/3\nusemtl Steel\nf 1/1 4/3 3/2\n"
                                      "f 2/1 3/2 4/3\n"));
    EXPECT_EQ(custom.materialSlotCount(), 3);  // "defaultMtl", then one slot per material
    EXPECT_EQ(custom.materialStack(1)->item(0).materialName(), "Gold");
    EXPECT_EQ(partsOf(custom.customMesh()), (std::set<int>{1, 2}));
    GeometryInterface* mesh = custom.geometry(kRenderMode);
    ASSERT_NE(mesh, nullptr);
    test::SolidCheck check = test::checkSolid(*mesh);
    EXPECT_EQ(check.openEdges + check.flippedEdges, 0) << check.summary();
    EXPECT_NEAR(check.volume, 1.0 / 6, 1e-9);
    test::expectContains(roundTrip(custom), {"   usemtl part1\n   s off\n   f 1/1 3/3 2/2\n", "   usemtl part2\n"});
    // A mesh block that is not OBJ fails the read and leaves no mesh behind.
    EXPECT_NE(test::readLines(broken, "begin ObjDB\n v 1 x 2\nend ObjDB\n"), 0);
    EXPECT_EQ(broken.customMesh().elementCount(), 0);
}

}  // namespace fw
