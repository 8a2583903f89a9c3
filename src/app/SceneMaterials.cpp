#include "app/SceneMaterials.h"

#include <algorithm>
#include <cmath>
#include <glm/gtc/matrix_transform.hpp>

#include "geometry/ObjectP.h"
#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "scene/Scene.h"
#include "surface/MaterialX.h"

namespace fw {

SceneMaterials::SceneMaterials(GLRenderer& renderer, int width, int height, Warn warn)
    : renderer_(&renderer), width_(width), height_(height), warn_(std::move(warn)) {
    renderer_->setStackLookup([this](Object& object, int part) { return stack(object, part); });
}

SceneMaterials::SceneMaterials(int width, int height, Warn warn)
    : renderer_(nullptr), width_(width), height_(height), warn_(std::move(warn)) {}

SceneMaterials::~SceneMaterials() {
    if (!renderer_) return;
    renderer_->setStackLookup(nullptr);
    renderer_->releaseTextures();
}

const BakedMaterial* SceneMaterials::baked(MaterialX& material) {
    Entry& entry = baked_[&material];
    if (entry.version == 0 || entry.version != entry.material.version) {
        // A texture above the context's limit would fail the frame, and one above the
        // program's would outgrow memory: it is baked smaller.
        int width, height, limit = MaterialX::kMaxTextureSize;
        const bool driver = renderer_ && renderer_->maxTextureSize() > 0 && renderer_->maxTextureSize() < limit;
        if (driver) limit = renderer_->maxTextureSize();
        material.textureSize(width_, height_, width, height);
        if ((width > limit || height > limit) && warn_)
            warn_(material.name(), "the texture size " + std::to_string(width) + " x " + std::to_string(height) +
                                       " is above " + (driver ? "this OpenGL's limit" : "the most a texture is baked at") +
                                       "; it is baked at most " + std::to_string(limit) + " x " + std::to_string(limit));
        material.bake(entry.material, width_, height_, 0, limit);
        entry.version = entry.material.version;
    }
    return &entry.material;
}

std::vector<DrawList::Layer> SceneMaterials::stack(Object& object, int part) {
    std::vector<DrawList::Layer> layers;
    // Extruded objects wear their style's slots, primitives their own.
    MaterialStack* stack = nullptr;
    std::string owner;
    if (auto* solid = dynamic_cast<ObjectX*>(&object)) {
        if (ObjectXStyle* style = solid->style()) stack = style->partStack(part), owner = style->name();
    } else if (auto* primitive = dynamic_cast<ObjectP*>(&object)) {
        stack = primitive->partStack(part), owner = primitive->name();
    }
    if (!stack) return layers;
    for (int i = 0; i < stack->itemCount(); ++i) {
        const MaterialStackItem& item = stack->item(i);
        auto* material = dynamic_cast<MaterialX*>(object.scene().findMember(item.materialName()));
        if (!material) continue;
        DrawList::Layer layer;
        layer.material = baked(*material);
        layer.mapping = item.mappingStyle;
        layer.tiling = item.tilingStyle;
        layer.blend = item.blendingStyle;
        layer.amount = static_cast<float>(item.blendingAmount);
        double w = item.applyWidth, h = item.applyHeight;
        if (item.applySpread) w = h = std::max(std::fabs(w), std::fabs(h));
        layer.scale = glm::vec2(w != 0.0 ? 1.0 / w : 1.0, h != 0.0 ? 1.0 / h : 1.0);
        layer.tile = glm::vec2(static_cast<float>(item.tilingX), static_cast<float>(item.tilingY));
        if (item.mappingStyle != MaterialStackItem::kDrawing) {
            glm::dmat4 matrix(1.0);
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c) matrix[c][r] = item.applyObjectMatrix[r * 4 + c];  // stored row by row
            const double* centre = item.applyCenter;
            layer.toMapping = glm::mat4(glm::translate(glm::dmat4(1.0), -glm::dvec3(centre[0], centre[1], centre[2])) * matrix);
        }
        if (item.hasTransform()) layer.uvTransform = glm::mat4(item.transform().matrix());
        layers.push_back(layer);
    }
    if (layers.size() > kDrawnItems) {
        if (warn_ && warnedStacks_.insert(stack).second)
            warn_(owner, "a material stack draws at most " + std::to_string(kDrawnItems) +
                                     " items with OpenGL; the " + std::to_string(layers.size() - kDrawnItems) +
                                     " above them are left out");
        layers.resize(kDrawnItems);
    }
    return layers;
}

}  // namespace fw
