#include "geometry/ObjectX.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <omp.h>
#include <unordered_map>

#include "geometry/ContourOffset.h"
#include "geometry/ObjectXStyle.h"
#include "geometry/SweepBuilder.h"
#include "mesh/ObjDB.h"
#include "persistence/CommandIO.h"
#include "platform/Clock.h"
#include "persistence/FieldTable.h"
#include "profile/Profile.h"
#include "profile/ProfileGeometry.h"
#include "scene/Scene.h"

namespace fw {

namespace {

// The polyline of a flattened edge profile, in percent of the depth: every element in
// turn, so a profile drawn in several strokes runs on from one to the next.
SolidBuilder::Contour edgeProfile(const ProfileGeometry* geometry) {
    SolidBuilder::Contour out;
    if (!geometry) return out;
    auto add = [&](glm::dvec2 q) {
        if (out.empty() || glm::length(q - out.back()) > 1e-12) out.push_back(q);
    };
    for (int e = 0; e < geometry->elementCount(); ++e) {
        Geo2Interface::ElementInfo info;
        std::vector<int> points;  // render flattening makes outlines of many thousand points
        if (!geometry->getElementPoints(e, info, points) || points.empty()) continue;
        std::vector<glm::dvec2> stroke;
        for (int i = 0; i < info.pointCount; ++i) {
            double p[2];
            geometry->getPoint(points[static_cast<size_t>(i)], p);
            stroke.emplace_back(p[0], p[1]);
        }
        if (info.kind == Geo2Interface::Closed && stroke.size() > 1 && glm::length(stroke.back() - stroke.front()) > 0.01)
            stroke.push_back(stroke.front());
        // A stroke drawn the other way round still continues from the nearer end.
        if (!out.empty() && glm::length(stroke.back() - out.back()) < glm::length(stroke.front() - out.back()))
            std::reverse(stroke.begin(), stroke.end());
        for (glm::dvec2 q : stroke) add(q);
    }
    return out;
}

SweepBuilder::RevolveOptions revolveOptions(const ObjectX::GeometrySettings& s, unsigned parts) {
    SweepBuilder::RevolveOptions o;
    o.axis = s.buildAxis;
    o.startAngle = s.angleStart, o.endAngle = s.angleEnd;
    o.steps = s.steps;
    o.head = {s.headCap, s.headCapScale, s.headCapOffset};
    o.tail = {s.tailCap, s.tailCapScale, s.tailCapOffset};
    o.hardAngle = s.hardAngle;
    o.parts = parts;
    o.frontPart = ObjectX::kFrontPart, o.backPart = ObjectX::kBackPart;
    o.perimeterPart = ObjectX::kPerimeterPart, o.holePart = ObjectX::kHolePart;
    return o;
}

SweepBuilder::TubeOptions tubeOptions(const ObjectX::GeometrySettings& s, unsigned parts) {
    SweepBuilder::TubeOptions o;
    o.diameter = s.depth;
    o.steps = s.steps;
    o.hardAngle = s.hardAngle;
    o.parts = parts;
    o.frontPart = ObjectX::kFrontPart, o.backPart = ObjectX::kBackPart, o.perimeterPart = ObjectX::kPerimeterPart;
    return o;
}


int readFace(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    receiverAs<ObjectX>(r).setFace(name);
    return 0;
}

int readStyle(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    receiverAs<ObjectX>(r).setStyle(name);
    return 0;
}

int readIgnoredName(CommandIO& io, CommandEnabler&) {
    std::string name;
    return io.readString(name);
}

template <int Mode>
int readSmoothness(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    v = atMost(io, Mode == kRenderMode ? "smoothnessRender" : "smoothnessPreview", v, ObjectX::kMaxSmoothness);
    receiverAs<ObjectX>(r).setSmoothness(Mode, v);
    return 0;
}

template <int Mode>
int readFlatness(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    receiverAs<ObjectX>(r).setSmoothness(Mode, ObjectX::smoothnessFromFlatness(v, Mode == kRenderMode));
    return 0;
}


int writeFace(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, escapeQuotes(receiverAs<ObjectX>(r).faceName()).c_str());
}

int writeStyle(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, escapeQuotes(receiverAs<ObjectX>(r).styleName()).c_str());
}

// The stored lines in written order; the old spellings are read only.
constexpr FieldTable::Line kObjectXLines[] = {
    {"extrusionStyle", readIgnoredName},
    {"face", readFace, writeFace},
    {"style", readStyle, writeStyle},
    {"flatPreview", readFlatness<kPreviewMode>},
    {"flatRender", readFlatness<kRenderMode>},
    {"smoothnessPreview", readSmoothness<kPreviewMode>, writeField<&ObjectX::smoothnessPreview>, Spelling::fixed},
    {"smoothnessRender", readSmoothness<kRenderMode>, writeField<&ObjectX::smoothnessRender>, Spelling::fixed},
    field<&ObjectX::selected>("selected"),
    field<&ObjectX::meshingOn>("meshingOn"),
    field<&ObjectX::draftTileResolution>("draftTileResolution", Spelling::fixed),
    field<&ObjectX::bestTileResolution>("bestTileResolution", Spelling::fixed),
    field<&ObjectX::draftEdgeMeshing>("draftEdgeMeshing", Spelling::fixed),
    field<&ObjectX::bestEdgeMeshing>("bestEdgeMeshing", Spelling::fixed),
};
constexpr FieldTable kObjectXTable{kObjectXLines};

}  // namespace

ObjectX::FacePort::FacePort(ObjectX* owner, const char* name) : Port(owner, name) { setDirty(); }

bool ObjectX::FacePort::compute(const FaceSettings* settings) {
    contours_.clear();
    const ProfileGeometry* geometry = outlineInput.value();
    if (!geometry) return false;
    FaceSettings s;
    if (settings) s = *settings;
    buildFace(*geometry, s, contours_);
    return true;
}

void ObjectX::buildFace(const ProfileGeometry& geometry, const FaceSettings& s, Contours& out) {
    out.clear();
    Contours raw;
    for (int e = 0; e < geometry.elementCount(); ++e) {
        Geo2Interface::ElementInfo info;
        std::vector<int> points;  // render flattening makes outlines of many thousand points
        if (!geometry.getElementPoints(e, info, points) || points.empty()) continue;
        // Open outlines give faces as if closed; only a line or a point gives none.
        if (info.pointCount < 3 && !s.tube) continue;
        if (info.normalCount != info.pointCount) {  // flattening gives every point its normal
            if (std::FILE* console = ObjectX::console()) std::fprintf(console, "missing normals on profile.\n");
            continue;
        }
        SolidBuilder::Contour c;
        for (int i = 0; i < info.pointCount; ++i) {
            double p[2];
            geometry.getPoint(points[static_cast<size_t>(i)], p);
            c.push_back(glm::dvec2(p[0], p[1]));
        }
        if (s.tube && info.kind == Geo2Interface::Closed && !c.empty()) c.push_back(c.front());
        raw.push_back(c);
    }
    if (s.tube) {  // paths as drawn: a closed one ends on its first point
        out = raw;
        return;
    }
    std::vector<bool> holes;
    Contours face = SolidBuilder::prepareFace(raw, holes, s.keepStraightRuns);
    // Faces sit a little inside their outline, never less than 0.03.
    double offset = std::fabs(s.faceOffset) <= 0.03 ? 0.03 : s.faceOffset;
    for (SolidBuilder::Contour& c : face) {
        // Start at the lowest point, the leftmost of equals, so sub-faces start alike.
        size_t start = 0;
        for (size_t i = 1; i < c.size(); ++i)
            if (c[i].y < c[start].y || (c[i].y == c[start].y && c[i].x < c[start].x)) start = i;
        std::rotate(c.begin(), c.begin() + static_cast<long>(start), c.end());
        if (!s.tube) c = ContourOffset::offset(c, -offset, true, ObjectX::console()).points;
        if (s.spikeAngle != 0) c = ContourOffset::pullBackSpikes(c, s.spikeAngle, s.pullBack);
        out.push_back(c);
    }
}

ObjectX::SolidStage::SolidStage(ObjectX* owner, const char* name) : Port(owner, name) { setDirty(); }

void ObjectX::CapsPort::reset() {
    mesh().clear();
    mesh().finish();  // gives the arrays' room back
}

bool ObjectX::CapsPort::compute(const GeometrySettings* settings) {
    return build(faceInput.value(), nullptr, nullptr, settings, 3u);
}

bool ObjectX::SolidPort::compute(const GeometrySettings* settings) {
    const Contours* face = faceInput.value();
    if (!face) return build(nullptr, nullptr, nullptr, settings, ~0u);
    capsInput.value();  // a stage of its own
    const ProfileGeometry* perimeter = perimeterInput.value();
    const ProfileGeometry* hole = holeInput.value();
    return build(face, perimeter, hole, settings, ~0u);
}

bool ObjectX::SolidStage::build(const Contours* face, const ProfileGeometry* perimeterGeometry,
                                const ProfileGeometry* holeGeometry, const GeometrySettings* settings,
                                unsigned partMask) {
    mesh_.clear();
    GeometrySettings s;
    if (settings) s = *settings;
    if (!face) return false;
    s.parts &= partMask;
    return buildMesh(*face, edgeProfile(perimeterGeometry), edgeProfile(holeGeometry), s, mesh_);
}

bool ObjectX::buildMesh(const Contours& face, const SolidBuilder::Contour& perimeter, const SolidBuilder::Contour& hole,
                        const GeometrySettings& s, PackedObjDB& out) {
    out.clear();
    SolidBuilder::Options options;
    options.depth = s.depth;
    options.perimeterXScale = s.perimeterXScale;
    options.holeXScale = s.holeXScale;
    options.parts = s.parts;
    options.hardAngle = s.hardAngle;
    options.maxSideSegment = s.maxSideSegment;
    options.tileSize[0] = s.tileSize[0], options.tileSize[1] = s.tileSize[1];
    options.keepStraightRuns = s.maxSideSegment > 0;  // meshing is on
    options.console = console();
    options.frontPart = kFrontPart, options.backPart = kBackPart;
    options.perimeterPart = kPerimeterPart, options.holePart = kHolePart;
    bool ok = true;
    if (!face.empty() && options.parts != 0) {  // nothing to build is not a failure
        if (s.kind == ObjectXStyle::kRevolved || s.kind == ObjectXStyle::kTube) {
            // The thread's own staging mesh, emptied: its arrays keep their room from
            // one solid to the next.
            thread_local ObjDB solid;
            solid.clear();
            if (s.kind == ObjectXStyle::kRevolved)
                SweepBuilder::revolve(face, perimeter, revolveOptions(s, options.parts), solid);
            else
                SweepBuilder::tube(face, tubeOptions(s, options.parts), solid);
            ok = out.pack(solid);
            solid.clear();
        } else {
            // Straight into the drawing mesh, which packs each element as it comes in
            // the order a staged copy would hand them over; sized from the face and
            // the edge profile (each point makes a column of four-cornered side pieces
            // down the rows, and caps).
            long points = 0;
            for (const SolidBuilder::Contour& c : face) points += static_cast<long>(c.size());
            const long rows = std::max<long>(2, static_cast<long>(std::max(perimeter.size(), hole.size())));
            if (points * rows * 4 < (1L << 28))
                out.reserve(static_cast<int>(points * rows), static_cast<int>(points * ((rows - 1) * 4 + 3)));
            int rejected = 0;
            SolidBuilder::build(face, perimeter, hole, options, out, &rejected);
            ok = rejected == 0;
        }
    }
    out.finish();
    return ok;
}

namespace {
std::FILE* gConsole = nullptr;
int gBuildThreads = 0;
}  // namespace

void ObjectX::setBuildThreads(int threads) { gBuildThreads = std::max(0, threads); }
int ObjectX::buildThreads() { return gBuildThreads; }

namespace {

// One object's stale stages at one quality: the plain data they are built from, and
// where each result goes (the ports' own storage, which nothing reads meanwhile).
struct StageJob {
    ObjectX::FacePort* facePort = nullptr;
    ObjectX::CapsPort* capsPort = nullptr;
    ObjectX::FacePort* face = nullptr;  // null when the face is current and held
    bool faceCurrent = false;            // current but evicted: put back without a change
    OutputPort* outlinePort = nullptr;   // where `outline` lives
    const ProfileGeometry* outline = nullptr;
    ObjectX::FaceSettings faceSettings;
    ObjectX::Contours* contours = nullptr;
    ObjectX::CapsPort* caps = nullptr;  // null when the caps are current
    ObjectX::GeometrySettings capsSettings;
    bool ownOutline = false;  // no other job reads `outline`
    ObjectX::SolidPort* solid = nullptr;
    ObjectX::GeometrySettings solidSettings;
    SolidBuilder::Contour perimeter, hole;
    // What the data was gathered from: a later gathering that recomputes a shared
    // source (another smoothness) leaves this job to the ports.
    const OutputPort* sources[3] = {};
    uint32_t stamps[3] = {};
    bool capsOk = false, solidOk = false;
};

}  // namespace

void ObjectX::buildSolids(const std::vector<ObjectX*>& objects, int mode) {
    const int m = slot(mode);
    std::vector<StageJob> jobs;
    jobs.reserve(objects.size());
    for (ObjectX* o : objects) {
        if (!o) continue;
        o->prepareStages();
        SolidPort& solid = *o->solids_[m];
        // Asked for as the deformed stage asks for it.
        solid.prepareAny(o->deformed_[m]->geometryInput.settings());
        if (solid.isValid() || !solid.settings()) continue;
        StageJob job;
        job.solid = &solid;
        job.solidSettings = *solid.settings();
        FacePort& face = *o->faces_[m];
        if (solid.faceInput.source() != &face || solid.faceInput.settings()) continue;
        job.facePort = &face;
        job.contours = face.result();
        job.faceCurrent = face.isValid();
        if (!job.faceCurrent || face.evicted()) {  // an evicted face is made again alike
            job.outline = face.outlineInput.value();  // flattened here: outlines are shared
            if (!job.outline) continue;
            job.face = &face;
            if (const FaceSettings* fs = face.settings()) job.faceSettings = *fs;
            job.sources[0] = job.outlinePort = face.outlineInput.source();
        }
        CapsPort& caps = *o->caps_[m];
        if (solid.capsInput.source() != &caps || caps.faceInput.source() != &face || caps.faceInput.settings()) continue;
        caps.prepareAny(solid.capsInput.settings());
        job.capsPort = &caps;
        if (!caps.isValid()) {
            job.caps = &caps;
            if (const GeometrySettings* cs = caps.settings()) job.capsSettings = *cs;
            job.capsSettings.parts &= 3u;
        }
        const ProfileGeometry* perimeter = solid.perimeterInput.value();
        const ProfileGeometry* hole = solid.holeInput.value();
        job.perimeter = edgeProfile(perimeter);
        job.hole = edgeProfile(hole);
        job.sources[1] = perimeter ? solid.perimeterInput.source() : nullptr;
        job.sources[2] = hole ? solid.holeInput.source() : nullptr;
        for (int k = 0; k < 3; ++k) job.stamps[k] = job.sources[k] ? job.sources[k]->stamp() : 0;
        jobs.push_back(std::move(job));
    }
    jobs.erase(std::remove_if(jobs.begin(), jobs.end(),
                              [](const StageJob& job) {
                                  for (int k = 0; k < 3; ++k)
                                      if (job.sources[k] && job.sources[k]->stamp() != job.stamps[k]) return true;
                                  return false;
                              }),
               jobs.end());
    // Render solids are built for output and seldom rebuilt: what they are built from
    // (the flattened outline, the face, the caps stage, which the solid does not read)
    // would be held only for a rebuild. So at render quality those stages count as
    // current without their results held, and a read makes them again, alike; each job
    // lets its own go as soon as its solid is built, so the next one reuses the room.
    // Previews keep theirs for quick rebuilds while a user edits.
    const bool render = m == slot(kRenderMode);
    if (render) {
        std::unordered_map<const OutputPort*, int> outlineUsers;
        for (const StageJob& job : jobs)
            if (job.outlinePort) ++outlineUsers[job.outlinePort];
        for (StageJob& job : jobs) job.ownOutline = job.outlinePort && outlineUsers[job.outlinePort] == 1;
    }
    // Gathering is over; nothing recomputes until the results are handed over.
    auto run = [render](StageJob& job) {
        if (job.face) buildFace(*job.outline, job.faceSettings, *job.contours);
        if (job.caps && !render) job.capsOk = buildMesh(*job.contours, {}, {}, job.capsSettings, job.caps->mesh());
        job.solidOk = buildMesh(*job.contours, job.perimeter, job.hole, job.solidSettings, job.solid->mesh());
        if (!render || !job.solidOk) return;
        if (job.face) job.face->reset();
        if (job.ownOutline) job.outlinePort->reset();
    };
    // A scripted clock is read in build order, as the ports would read it.
    const int threads = Clock::scripted() ? 1 : gBuildThreads > 0 ? gBuildThreads : omp_get_max_threads();
    const long count = static_cast<long>(jobs.size());
    if (threads > 1 && count > 1) {
#pragma omp parallel for schedule(dynamic, 1) num_threads(threads)
        for (long i = 0; i < count; ++i) run(jobs[static_cast<size_t>(i)]);
    } else {
        for (StageJob& job : jobs) run(job);
    }
    // Handed over in stage order, so each stage is newer than what it was built from.
    for (StageJob& job : jobs) {
        if (job.face) job.faceCurrent ? job.face->adoptRestored() : job.face->adoptComputed();
        if (job.caps && (job.capsOk || render)) job.caps->adoptComputed();
        if (job.solidOk) job.solid->adoptComputed();
    }
    if (!render) return;
    for (StageJob& job : jobs) {
        job.capsPort->evict();  // never built here
        if (!job.solidOk) continue;
        job.facePort->evict();
        if (OutputPort* outline = job.facePort->outlineInput.source()) outline->evict();
    }
}

void ObjectX::setConsole(std::FILE* console) { gConsole = console; }
std::FILE* ObjectX::console() { return gConsole; }

ObjectX::ObjectX(Scene& scene, const char* name) : Object(scene, name) {
    for (int mode = 0; mode < 3; ++mode) {
        faces_[mode] = std::make_unique<FacePort>(this, qualityPortName(mode, "Face").c_str());
        caps_[mode] = std::make_unique<CapsPort>(this, qualityPortName(mode, "FrontBackGeometry").c_str());
        solids_[mode] = std::make_unique<SolidPort>(this, qualityPortName(mode, "Geometry").c_str());
        deformed_[mode] = std::make_unique<ObjectDynPort>(this, qualityPortName(mode, "DynGeometry").c_str());
        elements_[mode] = std::make_unique<ElementInterpPort>(this, qualityPortName(mode, "ElementInterp").c_str());
    }
    registerCommands();
    connectStages();
}

ObjectX::~ObjectX() = default;

CommandTable& ObjectX::commandTable() {
    static CommandTable table;
    return table;
}

ObjectXStyle* ObjectX::style() const {
    if (auto* s = dynamic_cast<ObjectXStyle*>(scene().findMember(style_))) return s;
    return dynamic_cast<ObjectXStyle*>(scene().findMember(ObjectXStyle::kDefaultName));
}

void ObjectX::connectStages() {
    NameReference self = nameReference();
    Profile* face = dynamic_cast<Profile*>(face_.resolve());
    ObjectXStyle* s = style();
    for (int mode = 0; mode < 3; ++mode) {
        if (face) faces_[mode]->outlineInput.connect(face->nameReference(), Profile::flattenedPortName(mode));
        caps_[mode]->faceInput.connect(self, faces_[mode]->name());
        SolidPort& solid = *solids_[mode];
        solid.faceInput.connect(self, faces_[mode]->name());
        solid.capsInput.connect(self, caps_[mode]->name());
        if (s) {
            solid.perimeterInput.connect(s->nameReference(), s->flattenedPort(false, mode).name());
            solid.holeInput.connect(s->nameReference(), s->flattenedPort(true, mode).name());
        }
        deformed_[mode]->geometryInput.connect(self, solid.name());
        // Everything downstream sees the solid as deformed.
        for (Input<GeometryInterface>* input : geometryInputs(mode)) input->connect(self, deformed_[mode]->name());
        ElementInterpPort& elements = *elements_[mode];
        elements.worldVertices.connect(self, worldVertexPort(mode).name());
        elements.worldNormals.connect(self, worldNormalPort(mode).name());
        elements.gradientsInput.connect(self, gradientsPort(mode).name());
    }
}

std::vector<Input<GeometryInterface>*> ObjectX::geometryInputs(int mode) {
    return {&boundsPort(mode).geometryInput,      &displayGeometryPort(mode).geometryInput,
            &worldVertexPort(mode).geometryInput, &worldNormalPort(mode).geometryInput,
            &gradientsPort(mode).geometryInput,   &elements_[slot(mode)]->geometryInput};
}

void ObjectX::meshForDeformers() {
    if (meshingOn || deformerCount <= 0) return;
    meshingOn = true;
    for (int i = 0; i < 2; ++i) {
        draftTileResolution[i] = std::min(draftTileResolution[i], 10.0);
        bestTileResolution[i] = std::min(bestTileResolution[i], 5.0);
    }
    draftEdgeMeshing = std::min(draftEdgeMeshing, 5.0);
    bestEdgeMeshing = std::min(bestEdgeMeshing, 2.0);
}

void ObjectX::prepareStages() {
    meshForDeformers();
    ObjectXStyle* s = style();
    for (int mode = 0; mode < 3; ++mode) {
        double smoothness = mode == kRenderMode ? smoothnessRender : smoothnessPreview;
        FaceSettings face;
        face.hardAngle = hardShadingAngle;
        face.tolerance = mode == kPreview2DMode ? 0.1 : (smoothness > 0 ? 10.0 / smoothness : 10.0);
        face.steps = std::max(1, static_cast<int>(std::lround(smoothness)));
        face.faceOffset = mode == kPreview2DMode || !s ? 0.0 : s->frontFaceOffset();
        face.tube = s && s->kind == ObjectXStyle::kTube;
        face.spikeAngle = s ? s->spikeAngle : 0.0;
        face.pullBack = s ? s->pullBackDistance : 0.1;
        face.keepStraightRuns = meshingOn;
        faces_[mode]->prepare(&face);
        Profile::FlattenedProfileSettings flat;
        flat.renderMode = mode == kRenderMode;
        flat.tolerance = face.tolerance;
        flat.steps = face.steps;
        flat.creaseAngle = hardShadingAngle >= 0 ? hardShadingAngle : 30.0;
        faces_[mode]->outlineInput.setSettings(&flat);

        GeometrySettings g;
        if (s) {
            g.depth = s->depth();
            g.perimeterXScale = s->perimeterXScale();
            g.holeXScale = s->holeXScale();
            g.parts = s->parts();
            g.style = s;
            g.capChanges = s->capChangeCount();
            g.sideChanges = s->sideChangeCount();
            g.faceOffset = face.faceOffset;
            g.kind = s->kind;
            g.buildAxis = s->buildAxis;
            g.angleStart = s->buildAngleStart, g.angleEnd = s->buildAngleEnd;
            g.headCap = s->headCapType, g.tailCap = s->tailCapType;
            g.headCapScale = s->headCapScale, g.headCapOffset = s->headCapOffset;
            g.tailCapScale = s->tailCapScale, g.tailCapOffset = s->tailCapOffset;
        }
        g.steps = face.steps;
        g.hardAngle = hardShadingAngle >= 0 ? hardShadingAngle : 30.0;
        g.maxSideSegment = meshingOn ? (mode == kRenderMode ? bestEdgeMeshing : draftEdgeMeshing) : 0.0;
        if (meshingOn && mode != kPreview2DMode) {  // the flat editing view needs no tiles
            const double* tiles = mode == kRenderMode ? bestTileResolution : draftTileResolution;
            g.tileSize[0] = tiles[0], g.tileSize[1] = tiles[1];
        }
        // Edge profiles flatten by tolerance at every quality: fixed steps would split
        // each straight run of a bevel into as many rows as the face has steps.
        ObjectXStyle::FlattenedProfileSettings edge;
        edge.renderMode = false;
        edge.tolerance = face.tolerance;
        solids_[mode]->perimeterInput.setSettings(&edge);
        solids_[mode]->holeInput.setSettings(&edge);
        caps_[mode]->prepare(&g);
        solids_[mode]->capsInput.setSettings(&g);
        deformed_[mode]->geometryInput.setSettings(&g);
        for (Input<GeometryInterface>* input : geometryInputs(mode)) input->setSettings(&g);
    }
}

const Object::Gradients* ObjectX::gradients(int mode) {
    prepareStages();
    return gradientsPort(mode).value();
}

GeometryInterface* ObjectX::solid(int mode) {
    prepareStages();
    // Through the link the drawing reads it by: asked without settings, the solid port
    // would build for default ones, not the style's depth, kind and parts.
    return deformed_[slot(mode)]->geometryInput.value();
}

void ObjectX::setFace(const std::string& name) {
    face_ = NameReference(scene().nameDictionary(), name.c_str());
    connectStages();
    geometryChanged();
}

std::string ObjectX::faceName() { return face_.name(); }

void ObjectX::setStyle(const std::string& name) {
    style_ = name;
    if (!dynamic_cast<ObjectXStyle*>(scene().findMember(name))) style_ = ObjectXStyle::kDefaultName;
    connectStages();
    for (int mode = 0; mode < 3; ++mode) faces_[mode]->setDirty();
}

void ObjectX::setSmoothness(int mode, double smoothness) {
    (mode == kRenderMode ? smoothnessRender : smoothnessPreview) = heldSmoothness(smoothness);
    scene().markChanged();
}

double ObjectX::smoothnessFromFlatness(double flatness, bool render) {
    float f = static_cast<float>(flatness);
    if (f < 1) return (1.0 / f - 1) * 2.222222 + 15.0;
    if (f < 5) return 10.0;
    double s = (10 - flatness) * 1.1111111;
    return s < 0 ? (render ? 50.0 : 20.0) : s;
}

void ObjectX::markUsed() {
    if (used()) return;  // references can loop in a damaged file
    setUsed(true);
    if (SceneMember* face = face_.resolve()) face->markUsed();
    if (ObjectXStyle* s = style()) s->markUsed();
}

void ObjectX::registerCommands() {
    Object::registerCommands();
    kObjectXTable.registerInto(*this);
}

int ObjectX::writeCommands(CommandIO& io) {
    if (Object::writeCommands(io) != 0) return -1;
    return kObjectXTable.write(io, *this);
}

}  // namespace fw
