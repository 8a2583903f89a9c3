#include "app/MeshImport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "app/Console.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "geometry/ObjectP.h"
#include "output/MeshFormats.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/MathConstants.h"
#include "render/Camera.h"
#include "scene/SceneX.h"
#include "surface/MaterialChannelColor.h"
#include "surface/MaterialChannelSpecular.h"
#include "surface/MaterialChannelTransparency.h"
#include "surface/MaterialX.h"

namespace fw {

namespace {

// The name of the scene's material to wear: one already there, else one made from the
// file's look.
std::string materialFor(SceneX& scene, const ExportMaterial& fileLook) {
    ExportMaterial look = fileLook;
    look.name = ImportGroup::storableName(look.name);
    if (look.name.empty()) look.name = "defaultMtl";
    if (dynamic_cast<MaterialX*>(scene.findMember(look.name))) return look.name;
    // Numbers a project cannot spell (NaN, infinities) give way to the defaults.
    const ExportMaterial plain;
    for (int a = 0; a < 3; ++a)
        if (!std::isfinite(look.diffuse[a])) look.diffuse[a] = plain.diffuse[a];
    if (!std::isfinite(look.specularAmount)) look.specularAmount = plain.specularAmount;
    if (!std::isfinite(look.shininess)) look.shininess = plain.shininess;
    if (!std::isfinite(look.transparency)) look.transparency = plain.transparency;
    auto* material = new MaterialX(scene, look.name.c_str());
    material->colorChannel().setColor(static_cast<float>(look.diffuse[0]), static_cast<float>(look.diffuse[1]),
                                      static_cast<float>(look.diffuse[2]));
    // A file that says nothing of highlights or transparency keeps the material's own.
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
        // Names from the file become scene names: the scene makes them unique, and
        // storableName keeps them to what the project reader takes back.
        std::string name = ImportGroup::storableName(group.name);
        auto* object = new ObjectP(scene, name.empty() ? "Imported mesh" : name.c_str());
        object->setType(ObjectP::kCustom);
        object->fileName = file;
        object->fileType = extension;
        object->importName = name;
        for (size_t part = 0; part < group.materials.size(); ++part)
            object->setSlotMaterial(static_cast<int>(part), materialFor(scene, group.materials[part]));
        // The object keeps the angle its missing normals are smoothed by, so the
        // project looks the same whatever the preferences where it is opened.
        object->hardShadingAngle = manager.prefs().hardShadingAngle;
        object->editCustomMesh().assign(*group.mesh);
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
    for (const std::string& warning : reader->warningLines()) printError(file, warning);
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
    return save(manager, out);
}

int MeshImport::save(OrvoSceneManager& manager, const std::string& out) {
    // Written beside the destination and read back before it replaces anything, so the
    // user's project is either the old one or one the program opens again.
    std::string temporary = out + ".import-XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back(0);
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        printError(out, "cannot be written");
        return kExitUserError;
    }
    ::close(fd);
    temporary = name.data();
    std::error_code failed;
    if (!manager.writeFile(temporary, false)) {
        std::filesystem::remove(temporary, failed);
        printError(out, "cannot be written");
        return kExitUserError;
    }
    // Not the private mode of a temporary file.
    ::chmod(temporary.c_str(), Folders::replacementMode(out));
    std::string problem;
    {
        // Read with the program's own reader, into the scene just written: what is in
        // memory becomes what the file holds.
        Dialogs& dialogs = Dialogs::instance();
        size_t shown = dialogs.shown().size();
        dialogs.setQuiet(true);
        bool readBack = manager.loadProject(temporary);
        dialogs.setQuiet(false);
        const auto& report = manager.lastLoad();
        if (!readBack) {
            problem = report.error;
            if (problem.empty() && dialogs.shown().size() > shown) problem = dialogs.shown().back();
            if (problem.empty()) problem = "the project reader stopped";
        }
    }
    if (!problem.empty()) {
        std::filesystem::remove(temporary, failed);
        printError(out, "the imported project does not read back (" + Dialogs::printable(problem) +
                            "); nothing was written");
        return kExitInternal;
    }
    std::filesystem::rename(temporary, out, failed);
    if (failed) {
        std::filesystem::remove(temporary, failed);
        printError(out, "cannot be written");
        return kExitUserError;
    }
    return kExitOk;
}

}  // namespace fw
