#include "app/SceneMaterials.h"

#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "scene/Scene.h"
#include "surface/BakedMaterial.h"
#include "surface/MaterialX.h"

namespace fw {

namespace {

RenderTexture texture(const BakedMaterial::Texture& t) {
    RenderTexture out;
    out.width = t.width;
    out.height = t.height;
    out.rgba = t.rgba;
    return out;
}

void convert(const BakedMaterial& in, RenderMaterial& out) {
    for (int s = 0; s < 2; ++s) {
        const BakedMaterial::Surface& a = in.surface[s];
        RenderSurface& b = out.surface[s];
        b.color = texture(a.color);
        b.specular = texture(a.specular);
        b.bump = texture(a.bump);
        b.reflection = texture(a.reflection);
        b.opacity = a.opacity;
        b.specularAmount = a.specularAmount;
        b.bumpAmount = a.bumpAmount;
        b.reflectionAmount = a.reflectionAmount;
        b.shininess = a.shininess;
    }
    out.lighting = in.lighting;
    out.style = in.style;
    out.fresnel = in.fresnel;
    out.fresnelStart = in.fresnelStart;
    out.fresnelEnd = in.fresnelEnd;
    out.fresnelBlend = in.fresnelBlend;
    out.version = in.version;
}

}  // namespace

SceneMaterials::SceneMaterials(GLRenderer& renderer, int width, int height)
    : renderer_(renderer), width_(width), height_(height) {
    renderer_.setMaterialLookup([this](Object& object, int part) { return lookup(object, part); });
}

SceneMaterials::~SceneMaterials() {
    renderer_.setMaterialLookup(nullptr);
    renderer_.releaseTextures();
}

const RenderMaterial* SceneMaterials::lookup(Object& object, int part) {
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
        BakedMaterial baked;
        material->bake(baked, width_, height_);
        convert(baked, entry.material);
        entry.version = entry.material.version;
    }
    return &entry.material;
}

}  // namespace fw
