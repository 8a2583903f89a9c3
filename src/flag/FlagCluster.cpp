#include "flag/FlagCluster.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <tuple>

#include <glm/geometric.hpp>
#include <glm/matrix.hpp>

#include "flag/ClothWarp.h"
#include "geometry/ObjectP.h"
#include "persistence/CommandIO.h"
#include "platform/Dialogs.h"
#include "scene/MemberFactory.h"
#include "scene/Quality.h"
#include "scene/Scene.h"

namespace fw {

namespace {

// The settings the cloth's motion follows; the others (pole, caps, looks) leave it be.
auto motionOf(const FlagUnit& u) {
    return std::tie(u.width, u.height, u.nu, u.nv, u.lockEdge, u.lockPoints, u.mass, u.edgeMassPercent, u.stretch,
                    u.bend, u.shear, u.airFriction, u.accuracySteps, u.sloMo, u.windVariation, u.windVariationSeed,
                    u.useLocalForces, u.speedGeneratorSeed, u.speedGeneratorType, u.preRollFrames, u.selfCollision,
                    u.flagNudge[0], u.flagNudge[1], u.flagNudge[2], u.motionBlurPasses, u.loopOn, u.loopAnchor,
                    u.loopRepeat, u.loopBlend, u.flatten, u.windStrength, u.gravity, u.windDirection[0],
                    u.windDirection[1], u.windDirection[2], u.stepLength, u.rate);
}

}  // namespace

const GeometryInterface* (*FlagCluster::capShapes)(bool, const std::string&) = nullptr;

std::string FlagCluster::clothName(const std::string& cluster) { return cluster + kSeparator + "Flag"; }
std::string FlagCluster::poleName(const std::string& cluster, int n) {
    return cluster + kSeparator + "Pole" + std::to_string(n);
}
std::string FlagCluster::capName(const std::string& cluster, int n) {
    return cluster + kSeparator + "Cap" + std::to_string(n);
}

FlagCluster::FlagCluster(Scene& scene, const char* name) : ObjectC(scene, name) {
    registerCommands();
    clusterType = kClusterFlag;
    unit.name = name;
}

FlagCluster::~FlagCluster() = default;

CommandTable& FlagCluster::commandTable() {
    static CommandTable table;
    return table;
}

void FlagCluster::registerCommands() { ObjectC::registerCommands(); }

int FlagCluster::writeCommands(CommandIO& io) {
    if (ObjectC::writeCommands(io) != 0) return -1;
    return io.writeBlock(unit);
}

int FlagCluster::beginChild(CommandIO& io, const char* blockName) {
    if (std::strcmp(blockName, unit.className()) != 0) return ObjectC::beginChild(io, blockName);
    io.push(&unit);
    return 0;
}

glm::dmat4 FlagCluster::turnOf(const glm::dmat4& world) {
    // Only the turn: world forces keep their strength whatever the cluster's scale.
    glm::dmat4 turn(1.0);
    for (int c = 0; c < 3; ++c) {
        const glm::dvec3 axis(world[c]);
        const double len = glm::length(axis);
        turn[c] = glm::dvec4(len > 0.0 ? axis / len : glm::dvec3(turn[c]), 0.0);
    }
    return turn;
}

glm::dmat4 FlagCluster::flagToWorld() {
    if (unit.useLocalForces) return glm::dmat4(1.0);
    return turnOf(restWorldTransform());
}

kxFlag& FlagCluster::flag() {
    const glm::dmat4 turn = flagToWorld();
    // A run followed through the animation differs from one at rest even where the
    // cluster stands still at frame 0; once followed, it is kept for calls between frames.
    const bool following = worldAt && !unit.useLocalForces;
    if (!flag_ || !builtFrom_ || motionOf(*builtFrom_) != motionOf(unit) || turn != builtTurn_ ||
        (following && !builtFollowing_)) {
        flag_ = std::make_unique<kxFlag>(unit);
        flag_->transforms[0] = turn;
        flag_->transforms[1] = glm::transpose(turn);
        builtFrom_ = std::make_unique<FlagUnit>(unit);
        builtTurn_ = turn;
        builtFollowing_ = following;
        shownTime_ = -1e300;
    }
    flag_->progress = progress;
    if (builtFollowing_)
        flag_->turnAt = [this](double frame) { return turnOf(worldAt ? worldAt(frame) : restWorldTransform()); };
    else
        flag_->turnAt = nullptr;
    return *flag_;
}

ObjectP* FlagCluster::part(const std::string& partName, int type) {
    auto* p = dynamic_cast<ObjectP*>(scene().findMember(partName));
    if (!p) p = new ObjectP(scene(), partName.c_str());
    p->setType(type);
    p->setParent(name());
    return p;
}

ObjectP* FlagCluster::cloth() { return dynamic_cast<ObjectP*>(scene().findMember(clothName(name()))); }

void FlagCluster::buildMembers() {
    const std::string me = name();
    clearMembers();
    const double sx = unit.scaleX, sy = unit.scaleY;
    const double r = unit.flagpoleRadius * sx, length = unit.flagpoleLength * sy;
    const double pivot[3] = {unit.polePivot[0] * sx, unit.polePivot[1] * sy, unit.polePivot[2] * sx};

    ObjectP* clothPart = part(clothName(me), ObjectP::kCustom);
    clothPart->hardShadingAngle = unit.meshType == 2 ? 0.0 : 180.0;
    addMember(clothPart->name());
    std::fill(clothPart->translate, clothPart->translate + 3, 0.0);
    DAGNode* named = namedPole();
    if (named) {
        // Another object is the pole: no pole or caps of our own, and the cloth hangs
        // from the named one's side, a little below its top, as from a built pole.
        for (const std::string& built : {poleName(me, 1), capName(me, 1), capName(me, 2)})
            if (auto* old = dynamic_cast<DAGNode*>(scene().findMember(built))) old->setFlag(DAGNode::kVisible, false);
        double local[6], world[6], box[6];
        named->localBounds(kRenderMode, local);
        named->transformBox(local, world);
        const glm::dmat4 back = glm::inverse(worldTransform());
        emptyBox(box);
        for (int corner = 0; corner < 8; ++corner) {
            const glm::dvec4 p(world[corner & 1 ? 3 : 0], world[corner & 2 ? 4 : 1], world[corner & 4 ? 5 : 2], 1.0);
            const glm::dvec3 q(back * p);
            growBox(box, &q.x);
        }
        const double thick = 0.5 * (box[3] - box[0]);
        clothPart->translate[0] = box[3];
        clothPart->translate[1] = box[4] - 2.0 * thick;
        clothPart->translate[2] = 0.5 * (box[2] + box[5]);
    }
    shownTime_ = -1e300;
    showTime(0.0);
    if (named) {
        handMaterials();
        updateBounds(kRenderMode);
        return;
    }

    // The pole runs down the pinned edge from a little above the cloth's top.
    const double top = 2.0 * r;
    if (unit.flagpoleType != FlagUnit::kPoleNone) {
        const int type = unit.flagpoleType == FlagUnit::kPoleCube    ? ObjectP::kCube
                         : unit.flagpoleType == FlagUnit::kPolePlane ? ObjectP::kPlane
                                                                     : ObjectP::kCylinder;
        ObjectP* pole = part(poleName(me, 1), type);
        pole->setSize(0, 2.0 * r);
        pole->setSize(1, length);
        pole->setSize(2, 2.0 * r);
        pole->translate[0] = -r + pivot[0];
        pole->translate[1] = top - length / 2 + pivot[1];
        pole->translate[2] = pivot[2];
        pole->setFlag(DAGNode::kVisible, unit.showFlagpole != 0);
        addMember(pole->name());
    }
    buildCaps(top, length, pivot);
    handMaterials();
    updateBounds(kRenderMode);
}

void FlagCluster::buildCaps(double top, double length, const double pivot[3]) {
    const std::string me = name();
    const double r = unit.flagpoleRadius * unit.scaleX;
    // Caps built before and not asked for now stay out of sight.
    for (int n = 1; n <= 2; ++n)
        if (auto* old = dynamic_cast<DAGNode*>(scene().findMember(capName(me, n))))
            old->setFlag(DAGNode::kVisible, false);
    if (unit.flagpoleType == FlagUnit::kPoleNone) return;
    int capNumber = 0;
    for (int c = 0; c < 2; ++c) {
        const bool atTop = c == 0;
        const std::string& style = atTop ? unit.topCapStyle : unit.bottomCapStyle;
        const double scale = atTop ? unit.topCapScale : unit.bottomCapScale;
        const double end = atTop ? top : top - length;
        const int number = FlagUnit::capStyleNumber(style);
        if (number == 1) continue;
        const GeometryInterface* shape = number > 2 && capShapes ? capShapes(atTop, style) : nullptr;
        if (number > 2 && !shape) {
            // Said once per name: the cluster is rebuilt on every change of a setting.
            if (warnedCaps_[c] != style)
                Dialogs::instance().alert("\r" + me + ": no flagpole " + (atTop ? "top" : "bottom") + " cap \"" +
                                          style + "\" in the cap library; the pole shows none there");
            warnedCaps_[c] = style;
            continue;
        }
        ObjectP* cap = part(capName(me, ++capNumber), shape ? ObjectP::kCustom : ObjectP::kSphere);
        cap->translate[0] = -r + pivot[0];
        cap->translate[2] = pivot[2];
        if (shape) {
            cap->editCustomMesh().assign(*shape);
            cap->customMeshChanged();
            // The library's caps are measured in pole radii from the pole's end.
            std::fill(cap->scale, cap->scale + 3, r * scale);
            cap->translate[1] = end + pivot[1];
        } else {
            std::fill(cap->scale, cap->scale + 3, 1.0);
            cap->setSize(0, 4.0 * r * scale);
            cap->translate[1] = end + (atTop ? 1.5 : -1.5) * r * scale + pivot[1];
        }
        cap->setFlag(DAGNode::kVisible, unit.showFlagpoleCap != 0 && unit.showFlagpole != 0);
        addMember(cap->name());
    }
}

void FlagCluster::postLoad() {
    ObjectC::postLoad();
    partsStale_ = true;
}

bool FlagCluster::showTime(double time) {
    if (partsStale_) {
        partsStale_ = false;
        buildMembers();
    }
    kxFlag& f = flag();  // first: a rebuilt run has no time shown
    if (time == shownTime_) return true;
    // A sub-frame (motion blur) lies between two kept states.
    std::vector<double> a;
    if (!f.positionsAt(time, a)) return false;
    writeClothMesh(a);
    bendWearers(a);
    shownTime_ = time;
    return true;
}

void FlagCluster::writeClothMesh(const std::vector<double>& positions) {
    ObjectP* c = cloth();
    if (!c) return;
    const kxFlag& f = *flag_;
    const int nu = f.across(), nv = f.down();
    ObjDB& mesh = c->editCustomMesh();
    mesh.clear();
    const double sx = unit.scaleX, sy = unit.scaleY;
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i) {
            const double* p = &positions[3 * f.index(i, j)];
            const double at[3] = {p[0] * sx, p[1] * sy, p[2] * sx};
            mesh.addVertex(at);
            // The cloth spans the texture once, upright as seen from the front.
            const double uv[3] = {static_cast<double>(i) / (nu - 1), 1.0 - static_cast<double>(j) / (nv - 1), 0.0};
            mesh.addTexCoord(uv);
        }
    const bool smooth = unit.meshType != 2;
    if (smooth)
        for (int j = 0; j < nv; ++j)
            for (int i = 0; i < nu; ++i) {
                auto at = [&](int u, int v) { return &positions[3 * f.index(std::clamp(u, 0, nu - 1), std::clamp(v, 0, nv - 1))]; };
                const double *l = at(i - 1, j), *r = at(i + 1, j), *t = at(i, j - 1), *b = at(i, j + 1);
                const double du[3] = {(r[0] - l[0]) * sx, (r[1] - l[1]) * sy, (r[2] - l[2]) * sx};
                const double dv[3] = {(b[0] - t[0]) * sx, (b[1] - t[1]) * sy, (b[2] - t[2]) * sx};
                // Facing the way the triangles wind.
                double n[3] = {du[1] * dv[2] - du[2] * dv[1], du[2] * dv[0] - du[0] * dv[2], du[0] * dv[1] - du[1] * dv[0]};
                const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                for (double& x : n) x = len > 0.0 ? x / len : 0.0;
                if (len == 0.0) n[2] = -1.0;
                mesh.addNormal(n);
            }
    for (int j = 0; j + 1 < nv; ++j)
        for (int i = 0; i + 1 < nu; ++i) {
            const int a = f.index(i, j), b = f.index(i + 1, j), cc = f.index(i + 1, j + 1), d = f.index(i, j + 1);
            const int tris[2][3] = {{a, b, cc}, {a, cc, d}};
            for (const auto& t : tris) mesh.addElement(GeometryInterface::Polygon, 0, 3, t, 3, t, smooth ? 3 : 0, t, 0);
        }
    c->customMeshChanged();
}

DAGNode* FlagCluster::namedPole() {
    const int index = unit.flagpoleNameIndex;
    if (unit.flagpoleName.empty() && index < 0) return nullptr;
    // Never the cluster or one of its own parts.
    auto usable = [&](Object* o) {
        return o && o != this && o->parentName() != name() && o->name().rfind('|', 0) != 0;
    };
    auto* named = dynamic_cast<Object*>(scene().findMember(unit.flagpoleName));
    if (index < 0) return usable(named) ? named : nullptr;
    if (!unit.flagpoleName.empty() && !named) return nullptr;
    // With an index: the named object's child of that number (one letter of a title, one
    // part of a model), or with no name the scene's object of that number.
    int seen = 0;
    for (int i = 0; i < scene().memberCount(kObjectKind); ++i) {
        auto* o = dynamic_cast<Object*>(scene().member(kObjectKind, i));
        if (!usable(o) || (named && o->parentName() != named->name())) continue;
        if (seen++ == index) return o;
    }
    return nullptr;
}

std::vector<Object*> FlagCluster::wearers() {
    std::vector<Object*> found;
    const std::string me = name();
    for (int i = 0; i < scene().memberCount(kObjectKind); ++i) {
        auto* o = dynamic_cast<Object*>(scene().member(kObjectKind, i));
        if (!o || o == this || !o->hasParent() || o->parentName() != me) continue;
        // The parts are named after the cluster; while they are being built, not all of
        // them are listed yet.
        bool part = o->name().rfind(me + kSeparator, 0) == 0;
        for (int m = 0; m < memberCount() && !part; ++m) part = memberName(m) == o->name();
        if (!part) found.push_back(o);
    }
    return found;
}

void FlagCluster::bendWearers(const std::vector<double>& positions) {
    const std::vector<Object*> carried = wearers();
    if (carried.empty()) return;
    const double sx = unit.scaleX, sy = unit.scaleY;
    std::vector<double> scaled(positions.size());
    for (size_t i = 0; i + 2 < positions.size(); i += 3) {
        scaled[i] = positions[i] * sx;
        scaled[i + 1] = positions[i + 1] * sy;
        scaled[i + 2] = positions[i + 2] * sx;
    }
    // The cloth's mesh lies under its own placement (set when another object is the pole).
    const ObjectP* c = cloth();
    const glm::dvec3 origin = c ? glm::dvec3(c->translate[0], c->translate[1], c->translate[2]) : glm::dvec3(0.0);
    for (size_t i = 0; i + 2 < scaled.size(); i += 3)
        for (int k = 0; k < 3; ++k) scaled[i + k] += origin[k];
    auto warp = std::make_shared<ClothWarp>(flag_->across(), flag_->down(), std::move(scaled), unit.width * sx,
                                            unit.height * sy, origin);
    for (Object* o : carried) {
        // Bent between its vertices, a solid needs vertices across its faces.
        o->deformerCount = std::max(o->deformerCount, 1);
        o->setWarp(warp);
    }
}

void registerFlagClasses() {
    MemberFactory::instance().add("ObjectC-FlagCluster", "object%d", [](Scene& scene, const char* name) -> SceneMember* {
        return new FlagCluster(scene, name);
    });
}

}  // namespace fw
