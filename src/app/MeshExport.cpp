#include "app/MeshExport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "app/Console.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "app/RenderSequence.h"
#include "app/SceneAnimator.h"
#include "geometry/ObjectP.h"
#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "mesh/GeometryInterface.h"
#include "output/MeshFormats.h"
#include "platform/Folders.h"
#include "scene/AnimGlobals.h"
#include "scene/SceneX.h"
#include "surface/BakedMaterial.h"
#include "surface/MaterialChannelReflectivity.h"
#include "surface/MaterialChannelSpecular.h"
#include "surface/MaterialChannelTransparency.h"
#include "surface/MaterialStack.h"
#include "surface/MaterialStackItem.h"
#include "surface/MaterialX.h"

namespace fw {

namespace {

bool visible(DAGNode& node) {
    int depth = 0;
    for (DAGNode* n = &node; n && depth < 10000; n = n->parent(), ++depth)
        if (!n->flag(DAGNode::kVisible)) return false;
    return true;
}

// The material a part wears: the bottom item of its stack.
std::string partMaterial(Object& object, int part) {
    MaterialStack* stack = nullptr;
    if (auto* solid = dynamic_cast<ObjectX*>(&object)) {
        if (ObjectXStyle* style = solid->style()) stack = style->partStack(part);
    } else if (auto* primitive = dynamic_cast<ObjectP*>(&object)) {
        stack = primitive->partStack(part);
    }
    return stack && stack->itemCount() > 0 ? stack->item(0).materialName() : std::string();
}

// A mesh seen with every position multiplied by a factor; normals, texture
// coordinates and elements are the mesh's own. Read-only.
class ScaledGeometry : public GeometryInterface {
public:
    ScaledGeometry(const GeometryInterface& mesh, double factor) : mesh_(mesh), factor_(factor) {}
    int addVertex(const double*) override { return -1; }
    int addNormal(const double*) override { return -1; }
    int addTexCoord(const double*) override { return -1; }
    int addElement(int, int, int, const int*, int, const int*, int, const int*, int) override { return -1; }
    int vertexCount() const override { return mesh_.vertexCount(); }
    int texCoordCount() const override { return mesh_.texCoordCount(); }
    int normalCount() const override { return mesh_.normalCount(); }
    int elementCount() const override { return mesh_.elementCount(); }
    bool getVertex(double out[3], int index) const override {
        bool ok = mesh_.getVertex(out, index);
        for (int a = 0; a < 3; ++a) out[a] *= factor_;
        return ok;
    }
    bool getTexCoord(double out[3], int index) const override { return mesh_.getTexCoord(out, index); }
    bool getNormal(double out[3], int index) const override { return mesh_.getNormal(out, index); }
    bool getElement(int index, ElementInfo& info, int* p, int* t, int* n) const override {
        return mesh_.getElement(index, info, p, t, n);
    }
    bool getElementRefs(int index, ElementInfo& info, const int** p, const int** t, const int** n) const override {
        return mesh_.getElementRefs(index, info, p, t, n);
    }

private:
    const GeometryInterface& mesh_;
    double factor_;
};

// An object's transform for meshes scaled by `factor`: S T S^-1 keeps its turn and
// stretch and scales its translation, so a scaled point lands where the scaled
// original would.
glm::dmat4 scaledTransform(const glm::dmat4& transform, double factor) {
    glm::dmat4 out = transform;
    for (int a = 0; a < 3; ++a) out[3][a] *= factor;
    out[0][3] /= factor, out[1][3] /= factor, out[2][3] /= factor;
    return out;
}

std::set<int> partsOf(const GeometryInterface& g) {
    std::set<int> parts;
    for (int e = 0; e < g.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (g.getElementRefs(e, info, &p, &t, &n)) parts.insert(info.part);
    }
    return parts;
}

}  // namespace

double MeshExport::defaultScale(const std::string& out) {
    return Folders::lowerExtension(out) == ".glb" ? kPointInMetres : 1.0;
}

std::string MeshExport::destinationProblem(const std::string& path) {
    struct stat st;
    if (path.empty()) return "no file name to write";
    if (path.back() == '/' || (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
        return "is a folder; give the name of the file to write";
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    if (::stat(folder.c_str(), &st) != 0) return "cannot be written: the folder " + folder + " does not exist";
    if (!S_ISDIR(st.st_mode)) return "cannot be written: " + folder + " is not a folder";
    // Files are written beside their destination and moved into place.
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return "cannot be written: the folder " + folder + " is not writable (" + std::strerror(errno) + ")";
    return {};
}

ExportMaterial MeshExport::look(SceneX& scene, const std::string& name) {
    ExportMaterial out;
    auto* material = dynamic_cast<MaterialX*>(scene.findMember(name));
    if (!material) return out;
    out.name = name;
    // Shaders and images count by their average: a small bake holds it.
    BakedMaterial baked;
    material->bake(baked, 16, 16, 1, 16);
    const BakedMaterial::Texture& color = baked.surface[0].color;
    if (!color.empty()) {
        double sum[3] = {0, 0, 0};
        size_t texels = static_cast<size_t>(color.width) * static_cast<size_t>(color.height);
        for (size_t i = 0; i < texels; ++i)
            for (int c = 0; c < 3; ++c) sum[c] += color.rgba[i * 4 + static_cast<size_t>(c)] / 255.0;
        for (int c = 0; c < 3; ++c) out.diffuse[c] = sum[c] / static_cast<double>(texels);
    }
    const MaterialChannelSpecular& specular = material->specularChannel();
    Rgba highlight = specular.baseColor();
    out.specular[0] = highlight.r, out.specular[1] = highlight.g, out.specular[2] = highlight.b;
    out.specularAmount = material->usesChannel(MaterialChannel::kSpecular) ? std::clamp(specular.brightness, 0.0, 1.0) : 0.0;
    out.shininess = std::clamp(specular.sharpness / 128.0, 0.0, 1.0);
    if (material->usesChannel(MaterialChannel::kReflectivity))
        out.reflectivity = std::clamp(material->reflectivityChannel().amount, 0.0, 1.0);
    if (material->usesChannel(MaterialChannel::kTransparency))
        out.transparency = std::clamp(material->transparencyChannel().amount, 0.0, 1.0);
    return out;
}

const GeometryInterface* MeshExport::renderGeometry(Object& object) {
    if (auto* solid = dynamic_cast<ObjectX*>(&object)) return solid->solid(kRenderMode);
    if (auto* primitive = dynamic_cast<ObjectP*>(&object)) return primitive->geometry(kRenderMode);
    return nullptr;
}

std::vector<ExportUnit> MeshExport::gather(SceneX& scene, bool sections, std::vector<Object*>* owners,
                                           double creaseAngle) {
    std::vector<ObjectX*> solids;
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i) {
        auto* object = dynamic_cast<ObjectX*>(scene.member(kObjectKind, i));
        if (object && visible(*object)) solids.push_back(object);
    }
    ObjectX::buildSolids(solids, kRenderMode);
    std::vector<ExportUnit> units;
    int objects = 0;
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i) {
        auto* object = dynamic_cast<Object*>(scene.member(kObjectKind, i));
        if (!object || !visible(*object)) continue;
        const GeometryInterface* g = renderGeometry(*object);
        if (!g || g->elementCount() == 0) continue;
        ExportUnit unit(object->name(), g, object->worldTransform());
        unit.object = objects++;
        unit.creaseAngle = object->hardShadingAngle >= 0 ? object->hardShadingAngle : creaseAngle;
        std::set<int> parts = partsOf(*g);
        int last = parts.empty() ? 0 : std::max(0, *parts.rbegin());
        for (int part = 0; part <= last; ++part) unit.materials.push_back(look(scene, partMaterial(*object, part)));
        bool split = sections && dynamic_cast<ObjectX*>(object) && parts.size() > 1;
        if (!split) {
            units.push_back(std::move(unit));
            if (owners) owners->push_back(object);
            continue;
        }
        for (int part : parts) {
            units.push_back(unit);
            units.back().section = part;
            if (owners) owners->push_back(object);
        }
    }
    return units;
}

int MeshExport::run(OrvoSceneManager& manager, const Request& request) {
    const MeshFormat* format = MeshFormats::forPath(request.out);
    if (!format || !format->write) {
        printError(request.out, "write a mesh file: " + MeshFormats::extensions(true));
        return kExitUserError;
    }
    // Checked before any work, so a bad destination is named and nothing is written.
    if (std::string problem = destinationProblem(request.out); !problem.empty()) {
        printError(request.out, problem);
        return kExitUserError;
    }
    SceneX& scene = *manager.scene();
    const AnimGlobals& globals = scene.animGlobals();
    int first = 0, last = 0;
    bool range = !request.range.empty();
    if (range && !RenderSequence::timelineRange(request.range, globals, first, last)) return kExitUserError;
    if (request.frame && (*request.frame < globals.frameStart || *request.frame > globals.frameEnd)) {
        char text[160];
        std::snprintf(text, sizeof text, "frame %g is outside the project's timeline, frames %d to %d", *request.frame,
                      globals.frameStart, globals.frameEnd);
        printError("--frame", text);
        return kExitUserError;
    }
    SceneAnimator animator(scene);
    double single = request.frame ? *request.frame : globals.currentFrame();
    animator.setTime(range ? first : single);
    std::vector<Object*> owners;
    std::vector<ExportUnit> units = gather(scene, request.sections, &owners, manager.prefs().hardShadingAngle);
    if (units.empty()) {
        printError(request.out, "the project has no visible object with geometry to export");
        return kExitUserError;
    }
    const double scale = request.scale > 0 ? request.scale : defaultScale(request.out);
    std::map<const GeometryInterface*, std::unique_ptr<ScaledGeometry>> scaled;
    if (scale != 1.0)
        for (ExportUnit& unit : units) {
            auto& view = scaled[unit.geometry];
            if (!view) view = std::make_unique<ScaledGeometry>(*unit.geometry, scale);
            unit.geometry = view.get();
            unit.transform = scaledTransform(unit.transform, scale);
        }
    const bool world = !request.local;
    if (!range) return format->write(request.out, units, world, stderr) ? kExitOk : kExitUserError;

    // A one-file format's writer assembles the whole file, every frame's copy of every
    // mesh, before it writes: a range that would make it too large is refused before
    // any of it is gathered.
    if (!format->filePerFrame) {
        const long long frames = static_cast<long long>(last) - first + 1;
        long long polygons = 0;
        for (const ExportUnit& unit : units) polygons += unit.geometry->elementCount();
        const struct {
            long long count, most;
            const char* what;
        } limits[] = {{frames * static_cast<long long>(units.size()), kMaxRangeUnits, "objects"},
                      {frames * polygons, kMaxRangePolygons, "polygons"}};
        for (const auto& limit : limits)
            if (limit.count > limit.most) {
                printError("--frames", "frames " + request.range + " would put " + std::to_string(limit.count) + " " +
                                           limit.what + " into one file, more than the " + std::to_string(limit.most) +
                                           " it may hold; export fewer frames, or to .obj, which writes a file per frame");
                return kExitUserError;
            }
    }
    const double fps = globals.framesPerSecond > 0 ? globals.framesPerSecond : 30.0;
    const bool terminal = isatty(STDERR_FILENO) == 1;
    std::vector<ExportUnit> all;
    for (int frame = first; frame <= last; ++frame) {
        if (terminal) std::fprintf(stderr, "\rexporting frame %d of %d-%d ", frame, first, last), std::fflush(stderr);
        animator.setTime(frame);
        std::vector<ExportUnit> now = units;
        for (size_t i = 0; i < now.size(); ++i) {
            now[i].frame = frame;
            now[i].time = (frame - first) / fps;
            now[i].transform = scaledTransform(owners[i]->worldTransform(), scale);
        }
        if (format->filePerFrame) {
            if (!format->write(exportFrameFileName(request.out, frame), now, world, stderr)) return kExitUserError;
        } else {
            all.insert(all.end(), now.begin(), now.end());
        }
    }
    if (terminal) std::fputc('\n', stderr);
    if (!format->filePerFrame && !format->write(request.out, all, world, stderr)) return kExitUserError;
    return kExitOk;
}

}  // namespace fw
