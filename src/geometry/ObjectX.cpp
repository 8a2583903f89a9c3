#include "geometry/ObjectX.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <omp.h>
#include <unordered_map>

#include "geometry/ObjectXStyle.h"
#include "geometry/SmoothnessLines.h"
#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "platform/Clock.h"
#include "profile/Profile.h"
#include "profile/ProfileGeometry.h"
#include "scene/Scene.h"

namespace fw {

namespace {

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
    {"flatPreview", readFlatnessLine<ObjectX, kPreviewMode>},
    {"flatRender", readFlatnessLine<ObjectX, kRenderMode>},
    {"smoothnessPreview", readSmoothnessLine<ObjectX, kPreviewMode>, writeField<&ObjectX::smoothnessPreview>,
     Spelling::fixed},
    {"smoothnessRender", readSmoothnessLine<ObjectX, kRenderMode>, writeField<&ObjectX::smoothnessRender>,
     Spelling::fixed},
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

bool ObjectX::FacePort::compute(const Extrusion::FaceSettings* settings) {
    contours_.clear();
    Extrusion::Job job;
    job.outline = outlineInput.value();
    if (!job.outline) return false;
    job.face = &contours_;
    if (settings) job.faceSettings = *settings;
    Extrusion::run(job);
    return true;
}

ObjectX::SolidStage::SolidStage(ObjectX* owner, const char* name) : Port(owner, name) { setDirty(); }

void ObjectX::CapsPort::reset() {
    mesh().clear();
    mesh().finish();  // gives the arrays' room back
}

bool ObjectX::CapsPort::compute(const Extrusion::Settings* settings) {
    Extrusion::Job job;
    job.face = faceInput.value();
    job.caps.mesh = &mesh();
    if (settings) job.caps.settings = *settings;
    Extrusion::run(job);
    return job.caps.ok;
}

bool ObjectX::SolidPort::compute(const Extrusion::Settings* settings) {
    Extrusion::Job job;
    job.face = faceInput.value();
    if (job.face) {
        capsInput.value();  // a stage of its own
        job.perimeter = Extrusion::edgeProfile(perimeterInput.value());
        job.hole = Extrusion::edgeProfile(holeInput.value());
    }
    job.solid.mesh = &mesh();
    if (settings) job.solid.settings = *settings;
    Extrusion::run(job);
    return job.solid.ok;
}

namespace {
int gBuildThreads = 0;
}  // namespace

void ObjectX::setBuildThreads(int threads) { gBuildThreads = std::max(0, threads); }
int ObjectX::buildThreads() { return gBuildThreads; }

// One object's part of a batch besides its job: what the handing over needs to know.
struct ObjectX::BatchEntry {
    ObjectX* object = nullptr;
    StageStates states;
    OutputPort* outline = nullptr;  // the face's outline, read for a face built here
};

bool ObjectX::stageStates(int m, StageStates& states) {
    prepareStages();
    SolidPort& solid = *solids_[m];
    FacePort& face = *faces_[m];
    CapsPort& caps = *caps_[m];
    // Asked for as the deformed stage asks for it.
    solid.prepareAny(deformed_[m]->geometryInput.settings());
    if (!solid.settings() || solid.faceInput.source() != &face || solid.faceInput.settings() ||
        solid.capsInput.source() != &caps || caps.faceInput.source() != &face || caps.faceInput.settings())
        return false;
    caps.prepareAny(solid.capsInput.settings());
    auto stateOf = [](OutputPort& port) {
        return !port.isValid() ? StageState::kStale : port.evicted() ? StageState::kLetGo : StageState::kCurrent;
    };
    states.solid = stateOf(solid);
    states.face = stateOf(face);
    states.caps = stateOf(caps);
    return true;
}

bool ObjectX::gatherJob(int m, BatchEntry& entry, Extrusion::Job& job) {
    FacePort& face = *faces_[m];
    SolidPort& solid = *solids_[m];
    job.face = face.result();
    if (entry.states.face != StageState::kCurrent) {
        job.outline = face.outlineInput.value();  // flattened here: outlines are shared
        if (!job.outline) return false;
        if (const Extrusion::FaceSettings* fs = face.settings()) job.faceSettings = *fs;
        entry.outline = face.outlineInput.source();
    }
    if (entry.states.caps == StageState::kStale) {
        job.caps.mesh = &caps_[m]->mesh();
        if (const Extrusion::Settings* cs = caps_[m]->settings()) job.caps.settings = *cs;
    }
    job.perimeter = Extrusion::edgeProfile(solid.perimeterInput.value());
    job.hole = Extrusion::edgeProfile(solid.holeInput.value());
    job.solid.mesh = &solid.mesh();
    job.solid.settings = *solid.settings();
    return true;
}

void ObjectX::adoptJob(int m, const BatchEntry& entry, const Extrusion::Job& job, bool render) {
    FacePort& face = *faces_[m];
    CapsPort& caps = *caps_[m];
    if (entry.states.face == StageState::kLetGo) face.adoptRestored();
    if (entry.states.face == StageState::kStale) face.adoptComputed();
    if (entry.states.caps == StageState::kStale && (job.caps.ok || render)) caps.adoptComputed();
    if (job.solid.ok) solids_[m]->adoptComputed();
    if (!render) return;
    caps.evict();  // never built here
    if (!job.solid.ok) return;
    face.evict();
    if (OutputPort* outline = face.outlineInput.source()) outline->evict();
}

void ObjectX::buildSolids(const std::vector<ObjectX*>& objects, int mode) {
    const int m = slot(mode);
    // Render solids are built for output and seldom rebuilt: what they are built from
    // (the flattened outline, the face, the caps stage, which the solid does not read)
    // would be held only for a rebuild. So at render quality those stages count as
    // current without their results held, and a read makes them again, alike; each job
    // lets its own go as soon as its solid is built, so the next one reuses the room.
    // Previews keep theirs for quick rebuilds while a user edits.
    const bool render = m == slot(kRenderMode);
    std::vector<BatchEntry> entries;
    std::vector<Extrusion::Job> jobs;
    // An outline shared by two objects is one port's result: read for other settings
    // it would change under the earlier job, so that object is left to its ports.
    std::unordered_map<const OutputPort*, const fw::Settings*> outlines;
    for (ObjectX* o : objects) {
        BatchEntry entry;
        entry.object = o;
        if (!o || !o->stageStates(m, entry.states) || entry.states.solid != StageState::kStale) continue;
        if (entry.states.face != StageState::kCurrent) {
            const InputLink& link = o->faces_[m]->outlineInput;
            auto [earlier, first] = outlines.emplace(link.source(), link.settings());
            if (!first && !(earlier->second && link.settings() && earlier->second->equals(*link.settings()))) continue;
        }
        Extrusion::Job job;
        if (!o->gatherJob(m, entry, job)) continue;
        if (render) job.caps.mesh = nullptr;  // counts as current, never built
        entries.push_back(entry);
        jobs.push_back(std::move(job));
    }
    if (render) {
        std::unordered_map<const OutputPort*, int> outlineUsers;
        for (const BatchEntry& entry : entries)
            if (entry.outline) ++outlineUsers[entry.outline];
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].states.face == StageState::kCurrent) continue;
            FacePort* face = entries[i].object->faces_[m].get();
            OutputPort* own = outlineUsers[entries[i].outline] == 1 ? entries[i].outline : nullptr;
            jobs[i].release = [face, own] {
                face->reset();
                if (own) own->reset();
            };
        }
    }
    // Gathering is over; nothing recomputes until the results are handed over. A
    // scripted clock is read in build order, as the ports would read it.
    Extrusion::run(jobs, Clock::scripted() ? 1 : gBuildThreads > 0 ? gBuildThreads : omp_get_max_threads());
    // Handed over in stage order, so each stage is newer than what it was built from.
    for (size_t i = 0; i < entries.size(); ++i) entries[i].object->adoptJob(m, entries[i], jobs[i], render);
}

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
        Extrusion::FaceSettings face;
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

        Extrusion::Settings g;
        SolidBuilder::Options& o = g.solid;
        if (s) {
            o.depth = s->depth();
            o.perimeterXScale = s->perimeterXScale();
            o.holeXScale = s->holeXScale();
            o.parts = s->parts();
            o.axis = s->buildAxis;
            o.startAngle = s->buildAngleStart, o.endAngle = s->buildAngleEnd;
            o.head = {s->headCapType, s->headCapScale, s->headCapOffset};
            o.tail = {s->tailCapType, s->tailCapScale, s->tailCapOffset};
            g.style = s;
            g.capChanges = s->capChangeCount();
            g.sideChanges = s->sideChangeCount();
            g.faceOffset = face.faceOffset;
            g.kind = s->kind;
        }
        o.steps = face.steps;
        o.hardAngle = hardShadingAngle >= 0 ? hardShadingAngle : 30.0;
        o.maxSideSegment = meshingOn ? (mode == kRenderMode ? bestEdgeMeshing : draftEdgeMeshing) : 0.0;
        o.keepStraightRuns = o.maxSideSegment > 0;
        if (meshingOn && mode != kPreview2DMode) {  // the flat editing view needs no tiles
            const double* tiles = mode == kRenderMode ? bestTileResolution : draftTileResolution;
            o.tileSize[0] = tiles[0], o.tileSize[1] = tiles[1];
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
