// The draw list without OpenGL: what a frame draws, the materials it draws them with,
// and the order transparent objects are drawn in.
#include "render/DrawList.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "TestBox.h"
#include "mesh/PackedObjDB.h"
#include "scene/Group.h"
#include "scene/SceneX.h"

namespace fw {

TEST(DrawList, GathersVisibleObjectsAsWholeTrianglesInSceneOrder) {
    SceneX scene;
    auto* first = new test::TestBox(scene, "First");
    auto* hidden = new test::TestBox(scene, "Hidden");
    hidden->setFlag(DAGNode::kVisible, false);
    auto* group = new Group(scene, "Folder");
    group->setFlag(DAGNode::kVisible, false);
    auto* inside = new test::TestBox(scene, "Inside");
    inside->setParent("Folder");  // visible itself, but below a hidden group
    auto* last = new test::TestBox(scene, "Last", 1, 4, 1);
    last->translate[0] = 10;

    DrawList list;
    list.gather(scene);
    ASSERT_EQ(list.items().size(), 2u);
    EXPECT_EQ(list.items()[0].object, first);
    EXPECT_EQ(list.items()[1].object, last);
    for (const DrawList::Item& item : list.items()) {
        ASSERT_EQ(item.parts.size(), 1u);
        const std::vector<uint32_t>& corners = item.parts[0].triangles;
        EXPECT_EQ(corners.size(), 6u * 2 * 3);  // six quads, two triangles each
        for (uint32_t c : corners) EXPECT_LT(c, static_cast<uint32_t>(item.mesh->vertexCount()));
        EXPECT_EQ(item.parts[0].material, &BakedMaterial::fallback());
    }

    double box[6];
    list.bounds(box);
    const double expected[6] = {-1, -2, -1, 10.5, 2, 1};
    for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(box[i], expected[i]) << i;
    DrawList empty;
    empty.bounds(box);
    EXPECT_GT(box[0], box[3]);
}

TEST(DrawList, OpaqueFirstThenTransparentFromTheBackForwards) {
    SceneX scene;
    BakedMaterial glass;
    glass.surface[0].color = BakedMaterial::Texture::solid(1, 1, 1, 1);
    glass.surface[0].opacity = 0.5f;
    BakedMaterial tinted;  // opaque by amount, but its colour texture lets light through
    tinted.surface[0].color = BakedMaterial::Texture::solid(1, 0, 0, 0.5f);
    const std::map<std::string, const BakedMaterial*> wears = {
        {"NearGlass", &glass}, {"FarGlass", &glass}, {"MiddleTint", &tinted}};
    const double z[5] = {0, -5, -20, -10, 2};
    const char* names[5] = {"Solid", "NearGlass", "FarGlass", "MiddleTint", "Front"};
    for (int i = 0; i < 5; ++i) new test::TestBox(scene, names[i]);
    for (int i = 0; i < 5; ++i) dynamic_cast<DAGNode*>(scene.findMember(names[i]))->translate[2] = z[i];

    DrawList list;
    list.gather(scene);
    list.assignMaterials([&](Object& object, int) -> const BakedMaterial* {
        auto it = wears.find(object.name());
        return it == wears.end() ? nullptr : it->second;
    });
    list.sortForDrawing(glm::dvec3(0, 0, 10));
    std::vector<std::string> order;
    for (const DrawList::Item& item : list.items()) order.push_back(item.object->name());
    EXPECT_EQ(order, (std::vector<std::string>{"Solid", "Front", "FarGlass", "MiddleTint", "NearGlass"}));
    EXPECT_FALSE(list.items()[1].transparent);
    EXPECT_TRUE(list.items()[2].transparent);
    EXPECT_EQ(list.items()[3].parts[0].material, &tinted);
    EXPECT_FALSE(BakedMaterial::fallback().transparent());
}

}  // namespace fw
