#include "app/MeshImport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "app/CommandLine.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "geometry/ObjectP.h"
#include "output/MeshFormats.h"
#include "render/Camera.h"
#include "scene/SceneX.h"
#include "surface/MaterialChannelColor.h"
#include "surface/MaterialChannelSpecular.h"
#include "surface/MaterialChannelTransparency.h"
#include "surface/MaterialX.h"

namespace fw {

namespace {

constexpr double kPi = 3.14159265358979323846;

void copyMesh(const ObjDB& from, ObjDB& to) {
    to.clear();
    double x[3];
    for (int i = 0; i < from.vertexCount(); ++i) from.getVertex(x, i), to.addVertex(x);
    for (int i = 0; i < from.texCoordCount(); ++i) from.getTexCoord(x, i), to.addTexCoord(x);
    for (int i = 0; i < from.normalCount(); ++i) from.getNormal(x, i), to.addNormal(x);
    for (int e = 0; e < from.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (from.getElementRefs(e, info, &p, &t, &n))
            to.addElement(info.kind, info.part, info.count, p, info.texCount, t, info.normalCount, n, info.user);
    }
}

// The name of the scene's material to wear: one already there, else one made from the
// file's look.
std::string materialFor(SceneX& scene, const ExportMaterial& look) {
    if (dynamic_cast<MaterialX*>(scene.findMember(look.name))) return look.name;
    auto* material = new MaterialX(scene, look.name.c_str());
    material->colorChannel().setColor(static_cast<float>(look.diffuse[0]), static_cast<float>(look.diffuse[1]),
                                      static_cast<float>(look.diffuse[2]));
    // A file that says nothing of highlights or transparency keeps the material's own.
    const ExportMaterial plain;
    if (look.specularAmount != plain.specularAmount || look.shininess != plain.shininess) {
        material->specularChannel().brightness = look.specularAmount;
        material->specularChannel().sharpness = look.shininess * 128.0;
    }
    material->transparencyChannel().amount = look.transparency;
    material->notifyChange();
    return material->name();
}

// Points the default camera at the imported meshes from far enough to see them whole.
void frameCamera(SceneX& scene, const std::vector<ObjectP*>& objects, double aspect) {
    auto* camera = dynamic_cast<Camera*>(scene.findMember("dflt_cam"));
    if (!camera || objects.empty()) return;
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    for (ObjectP* object : objects) {
        const ObjDB& mesh = object->customMesh();
        double v[3];
        for (int i = 0; i < mesh.vertexCount(); ++i) {
            mesh.getVertex(v, i);
            for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], v[a]), hi[a] = std::max(hi[a], v[a]);
        }
    }
    if (lo[0] > hi[0]) return;
    // Slightly from above, far enough that the sphere around the meshes fills the
    // narrower side of the picture.
    const double kElevation = 20.0;
    double radius = 0;
    for (int a = 0; a < 3; ++a) radius += (hi[a] - lo[a]) * (hi[a] - lo[a]);
    radius = std::max(std::sqrt(radius) / 2, 1e-3);
    double halfAngle = camera->fieldOfView() * kPi / 360;
    if (aspect < 1) halfAngle = std::atan(std::tan(halfAngle) * aspect);
    double distance = radius / std::sin(halfAngle);
    double pitch = kElevation * kPi / 180;
    camera->translate[0] = (lo[0] + hi[0]) / 2;
    camera->translate[1] = (lo[1] + hi[1]) / 2 + distance * std::sin(pitch);
    camera->translate[2] = (lo[2] + hi[2]) / 2 + distance * std::cos(pitch);
    camera->rotate[0] = -kElevation;
    camera->rotate[1] = camera->rotate[2] = 0;
}

}  // namespace

std::vector<ObjectP*> MeshImport::add(OrvoSceneManager& manager, std::vector<ImportGroup>& groups,
                                      const std::string& file) {
    SceneX& scene = *manager.scene();
    std::vector<ObjectP*> made;
    std::string extension = std::filesystem::path(file).extension().string();
    for (ImportGroup& group : groups) {
        if (group.mesh->elementCount() == 0) continue;
        auto* object = new ObjectP(scene, group.name.empty() ? "Imported mesh" : group.name.c_str());
        object->setType(ObjectP::kCustom);
        object->fileName = file;
        object->fileType = extension;
        object->importName = group.name;
        for (size_t part = 0; part < group.materials.size(); ++part)
            object->setSlotMaterial(static_cast<int>(part), materialFor(scene, group.materials[part]));
        // The object keeps the angle its missing normals are smoothed by, so the
        // project looks the same whatever the preferences where it is opened.
        object->hardShadingAngle = manager.prefs().hardShadingAngle;
        copyMesh(*group.mesh, object->editCustomMesh());
        object->customMeshChanged();
        made.push_back(object);
    }
    return made;
}

int MeshImport::run(OrvoSceneManager& manager, const std::string& file, const std::string& out, bool fresh) {
    const MeshFormat* format = MeshFormats::forPath(file);
    if (!format || !format->makeReader) {
        printError(file, "read a mesh file: " + MeshFormats::extensions(false));
        return kExitUserError;
    }
    std::unique_ptr<MeshReader> reader = format->makeReader();
    std::vector<ImportGroup> groups;
    bool ok = reader->read(file, groups);
    if (!reader->warnings().empty()) std::fputs(reader->warnings().c_str(), stderr);
    if (!ok) {
        printError(file, reader->error());
        return kExitUserError;
    }
    std::vector<ObjectP*> made = add(manager, groups, file);
    if (made.empty()) {
        printError(file, "holds no polygons to import");
        return kExitUserError;
    }
    if (fresh) {
        const auto& size = manager.settings().renderSize;
        frameCamera(*manager.scene(), made, size[0] / std::max(1.0, size[1]));
    }
    if (!manager.writeFile(out, false)) {
        printError(out, "cannot be written");
        return kExitUserError;
    }
    return kExitOk;
}

}  // namespace fw
