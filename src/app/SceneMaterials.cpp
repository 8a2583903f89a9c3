#include "app/SceneMaterials.h"

#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "scene/Scene.h"
#include "surface/MaterialX.h"

namespace fw {

SceneMaterials::SceneMaterials(GLRenderer& renderer, int width, int height)
    : renderer_(renderer), width_(width), height_(height) {
    renderer_.setMaterialLookup([this](Object& object, int part) { return lookup(object, part); });
}

SceneMaterials::~SceneMaterials() {
    renderer_.setMaterialLookup(nullptr);
    renderer_.releaseTextures();
}

const BakedMaterial* SceneMaterials::lookup(Object& object, int part) {
    auto* solid = dynamic_cast<ObjectX*>(&object);
    ObjectXStyle* style = solid ? solid->style() : nullptr;
    if (!style) return nullptr;
    int slot = part == ObjectX::kFrontPart ? style->frontMaterialIndex : part == ObjectX::kBackPart ? style->backMaterialIndex : part;
    MaterialStack* stack = style->materialStack(slot, part == ObjectX::kBackPart);
    if (!stack || stack->itemCount() == 0) return nullptr;
    auto* material = dynamic_cast<MaterialX*>(object.scene().findMember(stack->item(0).materialName()));
    if (!material) return nullptr;
    Entry& entry = baked_[material];
    if (entry.version == 0 || entry.version != entry.material.version) {
        material->bake(entry.material, width_, height_);
        entry.version = entry.material.version;
    }
    return &entry.material;
}

}  // namespace fw
