#include "app/FragmentObjects.h"

#include <array>
#include <map>
#include <memory>

#include "geometry/Fragmenter.h"
#include "geometry/ObjectP.h"
#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "scene/FragmentationParams.h"
#include "scene/Quality.h"
#include "scene/SceneX.h"
#include "surface/MaterialStack.h"

namespace fw {

namespace {

// The packed fragment as the custom mesh keeps it: places shared, one texture coordinate
// and normal per packed vertex.
void copyMesh(const PackedObjDB& from, ObjDB& to) {
    std::map<std::array<float, 3>, int> places;
    std::vector<int> placeOf(static_cast<size_t>(from.vertexCount()));
    const bool tex = from.attributeFlags() & PackedObjDB::HasTexCoords;
    const bool normals = from.attributeFlags() & PackedObjDB::HasNormals;
    for (int i = 0; i < from.vertexCount(); ++i) {
        double p[3], t[3], n[3];
        from.getVertex(p, i);
        const std::array<float, 3> key = {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
        auto [it, added] = places.emplace(key, 0);
        if (added) it->second = to.addVertex(p);
        placeOf[static_cast<size_t>(i)] = it->second;
        from.getTexCoord(t, i);
        from.getNormal(n, i);
        to.addTexCoord(t);
        to.addNormal(n);
    }
    std::vector<int> corners;
    for (int e = 0; e < from.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (!from.getElementRefs(e, info, &p, &t, &n)) continue;
        corners.clear();
        for (int k = 0; k < info.count; ++k) corners.push_back(placeOf[static_cast<size_t>(p[k])]);
        to.addElement(info.kind, info.part, info.count, corners.data(), tex ? info.count : 0, p,
                      normals ? info.count : 0, p, info.user);
    }
}

}  // namespace

std::string FragmentObjects::name(const std::string& source, int index) {
    return source + "-Frag " + std::to_string(index);
}

std::vector<ObjectP*> FragmentObjects::make(SceneX& scene, ObjectX& source, const FragmentationParams& params,
                                            int outer, std::string& error) {
    if (source.testObjectFlags(Object::kHasFragments)) {
        error = "it has fragments already";
        return {};
    }
    PackedObjDB* solid = source.displayGeometry(kRenderMode);
    if (!solid || solid->elementCount() == 0) {
        error = "it has no solid to break";
        return {};
    }
    std::vector<std::unique_ptr<PackedObjDB>> meshes;
    const Fragmenter::Result result = Fragmenter::fragment(params, *solid, source.restWorldTransform(), outer, meshes);
    if (meshes.size() < 2) {
        error = result.notes.empty() ? "no cut went through it" : result.notes.front();
        return {};
    }
    ObjectXStyle* style = source.style();
    std::vector<ObjectP*> made;
    for (size_t k = 0; k < meshes.size(); ++k) {
        const std::string fragmentName = name(source.name(), static_cast<int>(k) + 1);
        auto* fragment = new ObjectP(scene, fragmentName.c_str());
        fragment->setType(ObjectP::kCustom);
        fragment->copyTransform(source);
        fragment->setParent(source.parentName());
        fragment->hardShadingAngle = source.hardShadingAngle;
        copyMesh(*meshes[k], fragment->editCustomMesh());
        fragment->customMeshChanged();
        // Each part wears a copy of what the letter's style gives that part.
        if (style)
            for (int part : {0, 1, 2, 3, params.solidMaterialIndex}) {
                MaterialStack* stack = part >= 0 && part < 64 ? style->partStack(part) : nullptr;
                MaterialStack* slot = fragment->materialStack(part);
                if (stack && slot) *slot = *stack;
            }
        fragment->setObjectFlags(Object::kIsFragment);
        fragment->fragmentIndex = static_cast<int>(k);
        made.push_back(fragment);
    }
    source.setObjectFlags(Object::kHasFragments);
    source.fragmentCount = static_cast<int>(made.size());
    return made;
}

std::vector<Object*> FragmentObjects::of(SceneX& scene, Object& source) {
    std::vector<Object*> out;
    if (!source.testObjectFlags(Object::kHasFragments)) return out;
    for (int k = 1; k <= source.fragmentCount; ++k) {
        auto* fragment = dynamic_cast<Object*>(scene.findMember(name(source.name(), k)));
        if (fragment && fragment->testObjectFlags(Object::kIsFragment)) out.push_back(fragment);
    }
    return out;
}

}  // namespace fw
