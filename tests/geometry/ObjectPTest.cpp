// Primitive objects: every type's mesh through the ports at both qualities, and the
// object's stored block.
#include "geometry/ObjectP.h"

#include <gtest/gtest.h>

#include <cmath>
#include <glm/geometric.hpp>
#include <glm/vec3.hpp>
#include <set>
#include <string>

#include "GeometryHelpers.h"
#include "GeometryText.h"
#include "MemoryStream.h"
#include "geometry/PrimitiveBuilder.h"
#include "scene/Quality.h"
#include "scene/SceneX.h"

namespace fw {
namespace {

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
            if (uv[0] < 0 || uv[0] > 1 || uv[1] < 0 || uv[1] > 1) why += std::to_string(uv[0]) + ", " + std::to_string(uv[1]) + "; ";
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

// Closed primitives are closed, outward-facing solids at both qualities with the
// volume their sizes give, in every mapping mode and with v flipped.
TEST(ObjectP, ClosedPrimitivesAreOutwardSolidsWithTheirPartsAndTextureInRange) {
    struct Case {
        int type;
        size_t parts;
        double volume;  // of the exact shape, for sizes 200, 150, 100
        double tolerance;
    };
    const double pi = std::acos(-1.0);
    const Case cases[] = {
        {ObjectP::kSphere, 1, 4.0 / 3 * pi * 100 * 100 * 100, 0.02},
        {ObjectP::kCube, 6, 200.0 * 150 * 100, 1e-9},
        {ObjectP::kSlab, 6, 200.0 * 150 * 100, 1e-9},
        {ObjectP::kCylinder, 3, pi * 100 * 100 * 150, 0.02},
        {ObjectP::kCone, 2, pi * 100 * 100 * 150 / 3, 0.02},
        {ObjectP::kTorus, 1, 2 * pi * pi * 100 * 75 * 75, 0.02},
        {ObjectP::kPyramid3, 4, 200.0 * 100 / 2 * 150 / 3, 1e-9},
        {ObjectP::kPyramid4, 5, 200.0 * 100 * 150 / 3, 1e-9},
    };
    SceneX scene;
    for (const Case& c : cases)
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
            double box[6];
            p->localBounds(mode, box);
            EXPECT_NEAR(box[3] - box[0], c.type == ObjectP::kTorus ? 200 + 150 : 200, 1e-6);
        }
}

// Counts follow the quality's smoothness: the sphere's segments and rings, the
// cylinder's segments, the torus's two counts, the plane's grid.
TEST(ObjectP, CountsFollowTheSmoothnessOfEachQuality) {
    // Low smoothness keeps a usable minimum.
    EXPECT_EQ(PrimitiveBuilder::segmentsAround(1), 4);
    EXPECT_EQ(PrimitiveBuilder::sphereRings(7), 8);
    SceneX scene;
    ObjectP* sphere = make(scene, ObjectP::kSphere);
    EXPECT_EQ(sphere->geometry(kPreviewMode)->elementCount(), 40 * 22);
    EXPECT_EQ(sphere->geometry(kRenderMode)->elementCount(), 100 * 52);
    // Changing the render smoothness rebuilds the render mesh only.
    GeometryInterface* preview = sphere->geometry(kPreviewMode);
    sphere->setSmoothness(kRenderMode, 10);
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
}

// Planes and floors are open only along their rims, face the way their kind says,
// and their texture runs across the grid (v reversed when flipped).
TEST(ObjectP, PlanesAndFloorsAreOpenOnlyAtTheirRims) {
    SceneX scene;
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
        const glm::dvec3 facing = type == ObjectP::kPlane ? glm::dvec3(0, 0, -1) : glm::dvec3(0, 1, 0);
        test::eachElement(*mesh, [&](const auto&, const int* pos, auto...) {
            double a[3], b[3], c[3];
            mesh->getVertex(a, pos[0]), mesh->getVertex(b, pos[1]), mesh->getVertex(c, pos[2]);
            glm::dvec3 normal = glm::cross(glm::dvec3(b[0] - a[0], b[1] - a[1], b[2] - a[2]),
                                           glm::dvec3(c[0] - b[0], c[1] - b[1], c[2] - b[2]));
            EXPECT_GT(glm::dot(normal, facing), 0);
        });
        double box[6];
        p->localBounds(kRenderMode, box);
        EXPECT_NEAR(box[3] - box[0], 200, 1e-9);
        EXPECT_NEAR(type == ObjectP::kPlane ? box[4] - box[1] : box[5] - box[2], 100, 1e-9);
        // The corner at the lowest across and along values has u = v = 0, or v = 1 flipped.
        for (bool flip : {false, true}) {
            p->flipV = flip;
            mesh = p->geometry(kRenderMode);
            bool found = false;
            test::eachElement(*mesh, [&](const auto& info, const int* pos, const int* t, auto...) {
                for (int k = 0; k < info.count; ++k) {
                    double v[3], uv[3];
                    mesh->getVertex(v, pos[k]), mesh->getTexCoord(uv, t[k]);
                    if (v[0] == -100 && v[type == ObjectP::kPlane ? 1 : 2] == -50) {
                        found = true;
                        EXPECT_EQ(uv[0], 0);
                        EXPECT_EQ(uv[1], flip ? 1 : 0);
                    }
                }
            });
            EXPECT_TRUE(found);
        }
    }
}

// Boxes and pyramids build only the faces that are on; disks, nulls and unknown types
// build nothing and still answer every port.
TEST(ObjectP, FacesOffAndTypesWithoutGeometry) {
    SceneX scene;
    ObjectP* cube = make(scene, ObjectP::kCube);
    ASSERT_EQ(test::readLines(*cube, "faceOn3 0\n"), 0);
    GeometryInterface* mesh = cube->geometry(kRenderMode);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->elementCount(), 5);
    EXPECT_EQ(partsOf(*mesh).count(2), 0u);
    EXPECT_EQ(test::checkSolid(*mesh).openEdges, 4);

    ObjectP* pyramid = make(scene, ObjectP::kPyramid4);
    pyramid->faceOn[4] = false;  // the base
    mesh = pyramid->geometry(kPreviewMode);
    EXPECT_EQ(mesh->elementCount(), 4);
    EXPECT_EQ(test::checkSolid(*mesh).openEdges, 4);

    for (int type : {int(ObjectP::kDisk), int(ObjectP::kNull), int(ObjectP::kGroupNull), int(ObjectP::kCustom), 99}) {
        ObjectP* p = make(scene, type);
        EXPECT_EQ(p->type(), type == 99 ? ObjectP::kCustom : type);
        for (int mode : {kPreview2DMode, kPreviewMode, kRenderMode}) {
            GeometryInterface* g = p->geometry(mode);
            EXPECT_TRUE(!g || g->elementCount() == 0);
            double box[6];
            p->localBounds(mode, box);
            EXPECT_GT(box[0], box[3]);  // empty
        }
    }
    // A size of zero or an unusable one builds nothing rather than a flat solid.
    EXPECT_EQ(make(scene, ObjectP::kSphere, 0)->geometry(kRenderMode), nullptr);
}

// Written, read into a new object and written again, a block keeps its bytes: a fresh
// object's defaults, a sphere with two slots, a text-block group null, and a custom mesh
// of two parts.
TEST(ObjectP, BlocksRoundTripByteForByte) {
    SceneX scene;
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
    ObjectP fresh(scene, "Prim");
    EXPECT_EQ(roundTrip(fresh),
              " begin ObjectP\n  name \"Prim\"\n"
              "  vis 1\n  solo 0\n  solo_ghost 0\n  locked 0\n  editor_vis 1\n  editor_solo 0\n"
              "  editor_solo_ghost 0\n  open_hierarchy 0\n  link_children 0\n"
              "  translate 0.000000 0.000000 0.000000\n  rotate 0.000000 0.000000 0.000000\n  rotateOrder xyz\n"
              "  scale 1.000000 1.000000 1.000000\n  origin 0.000000 0.000000 0.000000\n  parent \"root\"\n"
              "  hardShadingAngle -1.0\n"
              "  filename \"\"\n  fileType \"\"\n  origName \"\"\n  selected 0\n  primitiveType CUSTOM\n"
              "  primVal1 200.000000\n  primVal2 0.000000\n  primVal3 0.000000\n"
              "  faceOn1 1\n  faceOn2 1\n  faceOn3 1\n  faceOn4 1\n  faceOn5 1\n  faceOn6 1\n"
              "  smoothnessPreview 20.000000\n  smoothnessRender 50.000000\n  begin MaterialStack 0\n"
              "   begin MaterialStackItem\n"
              "    material \"defaultMtl\"\n    applySpread 0\n    applyWidth 100\n    applyHeight 100\n"
              "    applyCenter 0 0 0\n    mappingStyle \"UVP\"\n    blendingAmount 1\n    blendingStyle \"Normal\"\n"
              "    tilingStyle \"Repeat\"\n    tilingX 1\n    tilingY 1\n   end MaterialStackItem\n"
              "  end MaterialStack\n  begin ObjDB\n"
              "   # 0 vertices\n\n   # 0 texture vertices\n\n   # 0 normals\n\n   # 0 elements\n  end ObjDB\n"
              " end ObjectP\n");

    ObjectP sphere(scene, "Ball");
    ASSERT_EQ(test::readLines(sphere, "primitiveType SPHERE\nprimVal1 120.5\nselected 1\nfaceOn2 0\n"
                                      "smoothnessRender 33\nfilename \"ball \\\"b\\\".obj\"\nhardShadingAngle 12\n"
                                      "material 1 \"Red\"\nmeshType 3\nflatPreview 0.5\n"),
              0);
    EXPECT_EQ(sphere.type(), ObjectP::kSphere);
    EXPECT_EQ(sphere.materialSlotCount(), 2);
    EXPECT_DOUBLE_EQ(sphere.smoothnessPreview, 17.222222);
    std::string text = roundTrip(sphere);
    test::expectContains(text, {"  hardShadingAngle 12.000000\n  filename \"ball \\\"b\\\".obj\"\n",
                                "  primitiveType SPHERE\n  primVal1 120.500000\n",
                                "  begin MaterialStack 1\n   begin MaterialStackItem\n    material \"Red\"\n"});
    test::expectLacks(text, {"ObjDB", "nullType"});
    // "CUSTOM" and names not known keep the type the object has.
    ASSERT_EQ(test::readLines(sphere, "primitiveType CUSTOM\nprimitiveType DODECAHEDRON\n"), 0);
    EXPECT_EQ(sphere.type(), ObjectP::kSphere);

    ObjectP group(scene, "Block");
    ASSERT_EQ(test::readLines(group, "primitiveType GROUP_NULL\nnullType TEXTBLOCK\n"), 0);
    test::expectContains(roundTrip(group), {"  primitiveType GROUP_NULL\n  nullType TEXTBLOCK\n  primVal1"});

    ObjectP custom(scene, "Mesh");
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
    test::expectContains(roundTrip(custom), {"  begin ObjDB\n   v 0.000000 0.000000 0.000000\n",
                                             "   usemtl part1\n   s off\n   f 1/1 3/3 2/2\n",
                                             "   usemtl part2\n   s off\n   f 1/1 4/3 3/2\n",
                                             "   # 4 vertices\n\n   # 3 texture vertices\n\n   # 0 normals\n\n"
                                             "   # 4 elements\n  end ObjDB\n end ObjectP\n"});

    // A mesh block that is not OBJ fails the read and leaves no mesh behind.
    ObjectP broken(scene, "Broken");
    EXPECT_NE(test::readLines(broken, "begin ObjDB\n v 1 x 2\nend ObjDB\n"), 0);
    EXPECT_EQ(broken.customMesh().elementCount(), 0);
}

}  // namespace fw
