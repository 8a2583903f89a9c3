#include "render/DrawList.h"

#include <algorithm>

#include "geometry/ObjectX.h"
#include "mesh/PackedObjDB.h"
#include "scene/Object.h"
#include "scene/SceneX.h"

namespace fw {

namespace {

void triangulate(DrawList::Item& item) {
    const PackedObjDB& mesh = *item.mesh;
    const int32_t* indices = mesh.indexData();
    for (int e = 0; e < mesh.elementCount(); ++e) {
        const PackedObjDB::Element& el = mesh.element(e);
        if (el.kind != GeometryInterface::Polygon || el.count < 3) continue;
        auto it = std::find_if(item.parts.begin(), item.parts.end(),
                               [&](const DrawList::Part& p) { return p.part == el.part; });
        if (it == item.parts.end()) {
            DrawList::Part part;
            part.part = el.part;
            item.parts.push_back(std::move(part));
            it = item.parts.end() - 1;
        }
        // Fans: the meshes hold convex polygons (caps arrive as triangles).
        for (int k = 1; k + 1 < el.count; ++k) {
            it->triangles.push_back(static_cast<uint32_t>(indices[el.first]));
            it->triangles.push_back(static_cast<uint32_t>(indices[el.first + k]));
            it->triangles.push_back(static_cast<uint32_t>(indices[el.first + k + 1]));
        }
    }
}

}  // namespace

bool DrawList::visible(DAGNode& node) {
    int depth = 0;
    for (DAGNode* n = &node; n && depth < 10000; n = n->parent(), ++depth)
        if (!n->flag(DAGNode::kVisible)) return false;
    return true;
}

double DrawList::opacity(DAGNode& node) {
    double o = 1.0;
    int depth = 0;
    for (DAGNode* n = &node; n && depth < 10000; n = n->parent(), ++depth) o *= n->animatedOpacity();
    return std::clamp(o, 0.0, 1.0);
}

void DrawList::gather(SceneX& scene) {
    items_.clear();
    // The extruded solids to be drawn are built together first (on several threads).
    std::vector<ObjectX*> solids;
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i) {
        auto* object = dynamic_cast<ObjectX*>(scene.member(kObjectKind, i));
        if (object && visible(*object)) solids.push_back(object);
    }
    ObjectX::buildSolids(solids, kRenderMode);
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i) {
        auto* object = dynamic_cast<Object*>(scene.member(kObjectKind, i));
        if (!object || !visible(*object)) continue;
        PackedObjDB* mesh = object->displayGeometry(kRenderMode);
        if (!mesh || mesh->vertexCount() == 0) continue;
        Item item;
        item.opacity = opacity(*object);
        if (item.opacity <= 0) continue;  // faded out: it casts no shadow either
        item.object = object;
        item.mesh = mesh;
        item.world = object->worldTransform();
        item.transparent = item.opacity < 1;
        triangulate(item);
        items_.push_back(std::move(item));
    }
}

void DrawList::assignMaterials(const MaterialLookup& lookup, const StackLookup& stacks) {
    for (Item& item : items_)
        for (Part& part : item.parts) {
            part.layers = stacks ? stacks(*item.object, part.part) : std::vector<Layer>();
            if (!part.layers.empty() && !part.layers[0].material) part.layers.clear();
            const BakedMaterial* m = !part.layers.empty() ? part.layers[0].material
                                     : lookup                ? lookup(*item.object, part.part)
                                                             : nullptr;
            part.material = m ? m : &BakedMaterial::fallback();
            item.transparent = item.transparent || part.material->transparent();
            for (const Layer& layer : part.layers)
                item.transparent = item.transparent || (layer.material && layer.material->transparent());
        }
}

void DrawList::bounds(double box[6]) const {
    emptyBox(box);
    for (const Item& item : items_) {
        const float* v = item.mesh->vertexData();
        for (int i = 0; i < item.mesh->vertexCount(); ++i, v += PackedObjDB::kFloatsPerVertex) {
            glm::dvec4 p = item.world * glm::dvec4(v[5], v[6], v[7], 1.0);
            double q[3] = {p.x, p.y, p.z};
            growBox(box, q);
        }
    }
}

void DrawList::sortForDrawing(const glm::dvec3& eye) {
    for (Item& item : items_) item.depth = glm::length(glm::dvec3(item.world * glm::dvec4(0, 0, 0, 1)) - eye);
    std::stable_sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) {
        if (a.transparent != b.transparent) return !a.transparent;
        return a.transparent && a.depth > b.depth;
    });
}

}  // namespace fw
