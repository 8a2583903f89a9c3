#include "app/FlagCaps.h"

#include <cmath>
#include <memory>
#include <mutex>

#include "app/FactoryLibrary.h"
#include "app/VeltraneApp.h"
#include "flag/FlagCluster.h"
#include "geometry/ObjectP.h"
#include "library/OrvoCapStyle.h"
#include "platform/Folders.h"
#include "platform/MathConstants.h"
#include "scene/Quality.h"
#include "scene/SceneX.h"

namespace fw {

namespace {

struct CapProfile {
    const char* name;
    std::vector<std::pair<double, double>> points;  // (radius, height) from the lowest point on the axis up
};

// Pole radii: the ball cap is 2 across the axis, so these sit in the same range.
const std::vector<CapProfile>& profiles(bool top) {
    static const std::vector<CapProfile> tops = {
        {"Spear", {{0, 0}, {1.3, 0}, {1.3, 0.4}, {0.6, 0.6}, {0.6, 1.0}, {1.6, 1.8}, {0, 5.5}}},
        {"Finial",
         {{0, 0},
          {1.4, 0},
          {1.4, 0.3},
          {0.7, 0.5},
          {0.7, 0.9},
          {1.6, 1.6},
          {2.0, 2.4},
          {1.6, 3.2},
          {0.8, 3.8},
          {0.3, 4.3},
          {0, 4.8}}},
        {"Disc", {{0, 0}, {0.8, 0}, {0.8, 0.3}, {3.0, 0.4}, {3.0, 0.8}, {0, 0.9}}},
    };
    static const std::vector<CapProfile> bottoms = {
        {"Ferrule", {{0, -3.0}, {1.15, -3.0}, {1.25, -0.3}, {1.4, -0.2}, {1.4, 0}, {0, 0}}},
        {"Flat Base", {{0, -0.8}, {5.0, -0.8}, {5.0, -0.5}, {1.5, 0}, {0, 0}}},
        {"Spike", {{0, -4.0}, {1.0, -0.6}, {1.0, 0}, {0, 0}}},
    };
    return top ? tops : bottoms;
}

// A profile turned about the y axis: one vertex where it touches the axis, a ring
// elsewhere, so the surface is closed and every edge is shared by two triangles.
void lathe(const CapProfile& profile, ObjDB& mesh) {
    constexpr int kAround = 32;
    std::vector<std::vector<int>> rings;
    for (const auto& [r, y] : profile.points) {
        std::vector<int> ring;
        for (int k = 0; k < (r > 0.0 ? kAround : 1); ++k) {
            const double a = 2.0 * kPi * k / kAround, at[3] = {r * std::cos(a), y, r * std::sin(a)};
            ring.push_back(mesh.addVertex(at));
        }
        rings.push_back(ring);
    }
    auto at = [](const std::vector<int>& ring, int k) { return ring[ring.size() == 1 ? 0 : k % kAround]; };
    for (size_t i = 0; i + 1 < rings.size(); ++i)
        for (int k = 0; k < kAround; ++k) {
            const int a = at(rings[i], k), b = at(rings[i + 1], k), c = at(rings[i + 1], k + 1),
                      d = at(rings[i], k + 1);
            // Wound so the faces look outwards; a side on the axis leaves one triangle.
            if (rings[i + 1].size() > 1) {
                const int t[3] = {a, b, c};
                mesh.addElement(GeometryInterface::Polygon, 0, 3, t, 0, nullptr, 0, nullptr);
            }
            if (rings[i].size() > 1) {
                const int t[3] = {a, c, d};
                mesh.addElement(GeometryInterface::Polygon, 0, 3, t, 0, nullptr, 0, nullptr);
            }
        }
}

struct UserCaps {
    std::unique_ptr<OrvoCapManager> managers[2];
};

std::mutex& capsLock() {
    static std::mutex lock;
    return lock;
}

// Kept for the process's life, as the factory library is.
UserCaps& userCaps() {
    static UserCaps* caps = new UserCaps;
    return *caps;
}

OrvoCapManager& userManager(bool top) {
    std::unique_ptr<OrvoCapManager>& manager = userCaps().managers[top ? 0 : 1];
    if (!manager) {
        manager = std::make_unique<OrvoCapManager>(top);
        const std::string libraries = VeltraneApp::userLibraries();
        if (Folders::exists(manager->indexPath(libraries))) manager->loadSwatches(libraries);
    }
    return *manager;
}

SceneX& factoryCaps(bool top) {
    static SceneX* scenes[2] = {nullptr, nullptr};
    SceneX*& scene = scenes[top ? 0 : 1];
    if (!scene) {
        scene = new SceneX;
        scene->setName(top ? "Top Cap Scene" : "Bottom Cap Scene");
        FactoryLibrary::buildCaps(top, *scene);
    }
    return *scene;
}

}  // namespace

std::vector<std::string> FactoryLibrary::capNames(bool top) {
    std::vector<std::string> out;
    for (const CapProfile& p : profiles(top)) out.push_back(p.name);
    return out;
}

void FactoryLibrary::buildCaps(bool top, SceneX& scene) {
    for (const CapProfile& p : profiles(top)) {
        auto* cap = new ObjectP(scene, p.name);
        lathe(p, cap->editCustomMesh());
        cap->customMeshChanged();
    }
}

const GeometryInterface* FlagCaps::shape(bool top, const std::string& name) {
    std::lock_guard<std::mutex> hold(capsLock());
    if (OrvoStyle* preset = userManager(top).find(name))
        if (auto* object = dynamic_cast<ObjectP*>(preset->item())) {
            // A user's cap may be a primitive as well as a mesh of its own.
            const GeometryInterface* mesh = object->geometry(kRenderMode);
            return mesh ? mesh : &object->customMesh();
        }
    if (auto* object = dynamic_cast<ObjectP*>(factoryCaps(top).findMember(name)); object && object->name() == name)
        return &object->customMesh();
    return nullptr;
}

std::vector<std::string> FlagCaps::names(bool top) {
    std::lock_guard<std::mutex> hold(capsLock());
    std::vector<std::string> out = userManager(top).names();
    for (const std::string& name : FactoryLibrary::capNames(top))
        if (!userManager(top).find(name)) out.push_back(name);
    return out;
}

void FlagCaps::reload() {
    std::lock_guard<std::mutex> hold(capsLock());
    for (auto& manager : userCaps().managers) manager.reset();
}

void FlagCaps::install() { FlagCluster::capShapes = &FlagCaps::shape; }

}  // namespace fw
