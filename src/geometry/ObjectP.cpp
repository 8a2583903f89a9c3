#include "geometry/ObjectP.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "geometry/CustomMeshBlock.h"
#include "geometry/ObjectX.h"
#include "geometry/PrimitiveBuilder.h"
#include "geometry/SmoothnessLines.h"
#include "mesh/CreaseNormals.h"
#include "mesh/ObjReader.h"
#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "scene/Scene.h"

namespace fw {

namespace {

constexpr const char* kTypeNames[] = {"CUSTOM", "SPHERE",   "PLANE",    "FLOOR", "CUBE", "SLAB",       "CYLINDER",
                                      "CONE",   "TORUS",    "PYRAMID3", "PYRAMID4", "DISK", "NULL", "GROUP_NULL"};

ObjectP& primitive(CommandEnabler& r) { return receiverAs<ObjectP>(r); }

// "CUSTOM" and names not known leave the type as it was.
int readType(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    int type = ObjectP::typeFromName(word);
    if (type > 0) primitive(r).setType(type);
    return 0;
}

int writeType(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %s\n", keyword, ObjectP::typeName(primitive(r).type()));
}

int readNullType(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    primitive(r).nullType = word == "TEXTBLOCK" ? ObjectP::kTextBlockNull : ObjectP::k3DNull;
    return 0;
}

int writeNullType(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %s\n", keyword, primitive(r).nullType == ObjectP::kTextBlockNull ? "TEXTBLOCK" : "3D");
}

bool groupNull(CommandEnabler& r) { return primitive(r).type() == ObjectP::kGroupNull; }

template <int I>
int readSize(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    primitive(r).setSize(I, v);
    return 0;
}

template <int I>
int writeSize(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %f\n", keyword, primitive(r).size[I]);
}

template <int I>
int readFaceOn(CommandIO& io, CommandEnabler& r) {
    int on;
    if (io.readInt(on) != 0) return -1;
    primitive(r).faceOn[I] = on != 0;
    primitive(r).geometryChanged();
    return 0;
}

template <int I>
int writeFaceOn(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %d\n", keyword, primitive(r).faceOn[I] ? 1 : 0);
}

// Older files name a material per slot instead of storing stacks.
int readPrimitiveSlotMaterial(CommandIO& io, CommandEnabler& r) {
    int slot;
    std::string name;
    if (io.readInt(slot) != 0 || io.readString(name) != 0) return -1;
    primitive(r).setSlotMaterial(slot, name);
    return 0;
}

// What the mesh type once chose is carried by the mesh itself now.
int readIgnoredInt(CommandIO& io, CommandEnabler&) {
    int v;
    return io.readInt(v);
}

int beginPrimitiveBlock(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    ObjectP& p = primitive(r);
    if (std::strcmp(name, "MaterialStack") == 0) {
        int slot;
        MaterialStack* stack = io.readInt(slot) == 0 ? p.materialStack(slot) : nullptr;
        if (!stack) return -1;
        stack->clear();
        io.push(stack);
        return 0;
    }
    if (std::strcmp(name, CustomMeshBlock::kClassName) == 0) return CustomMeshBlock::read(io, p);
    return -1;
}

// The material stacks, then (custom objects only) the mesh.
int writePrimitiveBlocks(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    ObjectP& p = primitive(r);
    for (int slot = 0; slot < p.materialSlotCount(); ++slot)
        if (io.writeIndexedBlock(*p.materialStack(slot), slot) != 0) return -1;
    if (p.type() != ObjectP::kCustom) return 0;
    CustomMeshBlock mesh(p.customMesh());
    return io.writeBlock(mesh);
}

using P = ObjectP;
using enum Spelling;

// The stored lines in written order; the rest are read only (older spellings).
constexpr FieldTable::Line kObjectPLines[] = {
    field<&P::fileName>("filename", quoted),
    field<&P::fileType>("fileType", quoted),
    field<&P::importName>("origName", quoted),
    field<&P::selected>("selected"),
    {"primitiveType", readType, writeType},
    {"nullType", readNullType, writeNullType, Spelling::bare, groupNull},
    {"primVal1", readSize<0>, writeSize<0>},
    {"primVal2", readSize<1>, writeSize<1>},
    {"primVal3", readSize<2>, writeSize<2>},
    {"faceOn1", readFaceOn<0>, writeFaceOn<0>},
    {"faceOn2", readFaceOn<1>, writeFaceOn<1>},
    {"faceOn3", readFaceOn<2>, writeFaceOn<2>},
    {"faceOn4", readFaceOn<3>, writeFaceOn<3>},
    {"faceOn5", readFaceOn<4>, writeFaceOn<4>},
    {"faceOn6", readFaceOn<5>, writeFaceOn<5>},
    {"smoothnessPreview", readSmoothnessLine<ObjectP, kPreviewMode>, writeField<&P::smoothnessPreview>, fixed},
    {"smoothnessRender", readSmoothnessLine<ObjectP, kRenderMode>, writeField<&P::smoothnessRender>, fixed},
    {"begin", beginPrimitiveBlock, writePrimitiveBlocks},
    {"flatPreview", readFlatnessLine<ObjectP, kPreviewMode>},
    {"flatRender", readFlatnessLine<ObjectP, kRenderMode>},
    {"material", readPrimitiveSlotMaterial},
    {"backMaterial", readPrimitiveSlotMaterial},
    {"hasFragments", Object::readFlagLine<Object::kHasFragments>},
    {"isFragment", Object::readFlagLine<Object::kIsFragment>},
    {"animateFragments", readField<&P::animateFragments>},
    {"meshType", readIgnoredInt},
};
constexpr FieldTable kObjectPTable{kObjectPLines};

}  // namespace

// ---- ports

ObjectP::PrimitivePort::PrimitivePort(ObjectP* owner, const char* name) : Port(owner, name) { setDirty(); }

bool ObjectP::PrimitivePort::compute(const PrimitiveSettings* settings) {
    mesh_.clear();
    if (!settings) return false;
    ObjDB built;
    if (!PrimitiveBuilder::build(*settings, built)) return false;
    return mesh_.pack(built);
}

ObjectP::CustomGeometryPort::CustomGeometryPort(ObjectP* owner, const char* name) : Port(owner, name) {
    setDirty();
}

bool ObjectP::CustomGeometryPort::compute(const CustomGeometrySettings* settings) {
    mesh_.clear();
    const ObjDB& mesh = static_cast<ObjectP*>(owner())->customMesh();
    if (mesh.elementCount() == 0) return false;
    // Normals are made here rather than stored: the object's angle stays live, and
    // projects saved without them are lit as well.
    if (!CreaseNormals::needed(mesh)) return mesh_.pack(mesh);
    return CreaseNormals::pack(mesh, settings ? settings->hardAngle : kDefaultHardAngle, mesh_);
}

// ---- the object

ObjectP::ObjectP(Scene& scene, const char* name) : Object(scene, name) {
    hardShadingAngle = -1.0;
    for (int q = 0; q < 2; ++q) {
        int mode = q == 1 ? kRenderMode : kPreviewMode;
        primitives_[q] = std::make_unique<PrimitivePort>(this, qualityPortName(mode, "Primitive").c_str());
        primitivesDyn_[q] = std::make_unique<ObjectDynPort>(this, qualityPortName(mode, "PrimitiveDyn").c_str());
        elements_[q] = std::make_unique<ElementInterpPort>(this, qualityPortName(mode, "ElementInterp").c_str());
    }
    customPort_ = std::make_unique<CustomGeometryPort>(this, "CustomGeometry");
    customDyn_ = std::make_unique<ObjectDynPort>(this, "CustomGeometryDyn");
    materialStack(0);
    registerCommands();
    connectStages();
}

ObjectP::~ObjectP() = default;

CommandTable& ObjectP::commandTable() {
    static CommandTable table;
    return table;
}

const char* ObjectP::typeName(int type) { return type >= 1 && type <= kGroupNull ? kTypeNames[type] : "CUSTOM"; }

int ObjectP::typeFromName(const std::string& name) {
    for (int t = 1; t <= kGroupNull; ++t)
        if (name == kTypeNames[t]) return t;
    return -1;
}

void ObjectP::setType(int type) {
    if (type < kCustom || type > kGroupNull) type = kCustom;
    if (type == type_) return;
    type_ = type;
    connectStages();
    geometryChanged();
    scene().markChanged();
}

void ObjectP::setSize(int index, double value) {
    if (index < 0 || index > 2) return;
    size[index] = value;
    geometryChanged();
}

void ObjectP::setSmoothness(int mode, double smoothness) {
    (mode == kRenderMode ? smoothnessRender : smoothnessPreview) = ObjectX::heldSmoothness(smoothness);
    scene().markChanged();
}

void ObjectP::customMeshChanged() {
    ++customChanges_;
    customPort_->setDirty();
    geometryChanged();
}

bool ObjectP::readCustomMesh(std::string_view objText, std::string* error) {
    ObjReader reader;
    bool ok = reader.parse(objText, custom_);
    if (!ok) {
        if (error) *error = reader.error();
        custom_.clear();
        customMeshChanged();
        return false;
    }
    // The reader numbers parts by the order materials are first named; ours name
    // their part, others a material that a slot may already wear.
    std::vector<int> slotOf;
    for (const std::string& name : reader.materials()) {
        int slot = CustomMeshBlock::partFromName(name);
        for (int s = 0; slot < 0 && s < materialSlotCount(); ++s)
            if (slots_[static_cast<size_t>(s)]->itemCount() > 0 &&
                slots_[static_cast<size_t>(s)]->item(0).materialName() == name)
                slot = s;
        if (slot < 0) {
            slot = materialSlotCount();
            setSlotMaterial(slot, name);
        }
        slotOf.push_back(slot);
    }
    // Our own projects name parts in order: then every part stays as it is, and the
    // mesh need not be copied twice over.
    auto slotFor = [&](int part) {
        return part >= 0 && part < static_cast<int>(slotOf.size()) ? slotOf[static_cast<size_t>(part)] : 0;
    };
    bool unchanged = true;
    for (int e = 0; e < custom_.elementCount() && unchanged; ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        unchanged = !custom_.getElementRefs(e, info, &p, &t, &n) || slotFor(info.part) == info.part;
    }
    if (unchanged) {
        customMeshChanged();
        return true;
    }
    ObjDB renumbered;
    double x[3];
    for (int i = 0; i < custom_.vertexCount(); ++i) custom_.getVertex(x, i), renumbered.addVertex(x);
    for (int i = 0; i < custom_.texCoordCount(); ++i) custom_.getTexCoord(x, i), renumbered.addTexCoord(x);
    for (int i = 0; i < custom_.normalCount(); ++i) custom_.getNormal(x, i), renumbered.addNormal(x);
    for (int e = 0; e < custom_.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (!custom_.getElementRefs(e, info, &p, &t, &n)) continue;
        int part = slotFor(info.part);
        renumbered.addElement(info.kind, part, info.count, p, info.texCount, t, info.normalCount, n, info.user);
    }
    custom_.clear();
    for (int i = 0; i < renumbered.vertexCount(); ++i) renumbered.getVertex(x, i), custom_.addVertex(x);
    for (int i = 0; i < renumbered.texCoordCount(); ++i) renumbered.getTexCoord(x, i), custom_.addTexCoord(x);
    for (int i = 0; i < renumbered.normalCount(); ++i) renumbered.getNormal(x, i), custom_.addNormal(x);
    for (int e = 0; e < renumbered.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (renumbered.getElementRefs(e, info, &p, &t, &n))
            custom_.addElement(info.kind, info.part, info.count, p, info.texCount, t, info.normalCount, n, info.user);
    }
    customMeshChanged();
    return true;
}

MaterialStack* ObjectP::materialStack(int slot) {
    if (slot < 0 || slot >= 1000) return nullptr;  // a damaged file must not make millions
    while (static_cast<int>(slots_.size()) <= slot) {
        slots_.push_back(std::make_unique<MaterialStack>(scene()));
        slots_.back()->addItem("defaultMtl");
    }
    return slots_[static_cast<size_t>(slot)].get();
}

void ObjectP::setSlotMaterial(int slot, const std::string& material) {
    if (MaterialStack* stack = materialStack(slot)) stack->setBaseMaterial(material);
}

MaterialStack* ObjectP::partStack(int part) {
    if (part > 0 && part < materialSlotCount() && slots_[static_cast<size_t>(part)]->hasCustomMaterial())
        return slots_[static_cast<size_t>(part)].get();
    return materialStack(0);
}

ObjectP::PrimitiveSettings ObjectP::primitiveSettings(int mode) const {
    PrimitiveSettings s;
    s.type = type_;
    std::copy(std::begin(size), std::end(size), s.size);
    double smoothness = mode == kRenderMode ? smoothnessRender : smoothnessPreview;
    s.steps = std::max(1, static_cast<int>(std::lround(smoothness)));
    s.gridAcross = gridCount[0], s.gridAlong = gridCount[1];
    s.flipV = flipV;
    s.mappingMode = mappingMode;
    std::copy(std::begin(faceOn), std::end(faceOn), s.faceOn);
    s.hardAngle = hardShadingAngle;
    return s;
}

std::vector<Input<GeometryInterface>*> ObjectP::geometryInputs(int mode) {
    std::vector<Input<GeometryInterface>*> inputs = {
        &boundsPort(mode).geometryInput, &displayGeometryPort(mode).geometryInput,
        &worldVertexPort(mode).geometryInput, &worldNormalPort(mode).geometryInput,
        &gradientsPort(mode).geometryInput};
    if (mode != kPreview2DMode) inputs.push_back(&elements_[quality(mode)]->geometryInput);
    return inputs;
}

void ObjectP::connectStages() {
    NameReference self = nameReference();
    customDyn_->geometryInput.connect(self, customPort_->name());
    for (int q = 0; q < 2; ++q) {
        primitivesDyn_[q]->geometryInput.connect(self, primitives_[q]->name());
        int mode = q == 1 ? kRenderMode : kPreviewMode;
        ElementInterpPort& elements = *elements_[q];
        elements.worldVertices.connect(self, worldVertexPort(mode).name());
        elements.worldNormals.connect(self, worldNormalPort(mode).name());
        elements.gradientsInput.connect(self, gradientsPort(mode).name());
    }
    for (int mode = 0; mode < 3; ++mode) {
        const char* source = type_ == kCustom ? customDyn_->name() : primitivesDyn_[quality(mode)]->name();
        for (Input<GeometryInterface>* input : geometryInputs(mode)) input->connect(self, source);
    }
}

void ObjectP::prepareStages() {
    CustomGeometrySettings custom{customChanges_, hardShadingAngle >= 0 ? hardShadingAngle : kDefaultHardAngle};
    customPort_->prepare(&custom);
    customDyn_->geometryInput.setSettings(&custom);
    for (int q = 0; q < 2; ++q) {
        PrimitiveSettings s = primitiveSettings(q == 1 ? kRenderMode : kPreviewMode);
        primitives_[q]->prepare(&s);
        primitivesDyn_[q]->geometryInput.setSettings(&s);
    }
    for (int mode = 0; mode < 3; ++mode) {
        PrimitiveSettings s = primitiveSettings(mode == kRenderMode ? kRenderMode : kPreviewMode);
        for (Input<GeometryInterface>* input : geometryInputs(mode)) {
            if (type_ == kCustom)
                input->setSettings(&custom);
            else
                input->setSettings(&s);
        }
    }
}

GeometryInterface* ObjectP::geometry(int mode) {
    prepareStages();
    int q = quality(mode);
    return type_ == kCustom ? customDyn_->geometryInput.value() : primitivesDyn_[q]->geometryInput.value();
}

const Object::Gradients* ObjectP::gradients(int mode) {
    prepareStages();
    return gradientsPort(mode).value();
}

void ObjectP::markUsed() {
    if (used()) return;
    setUsed(true);
    for (auto& stack : slots_) stack->markUsed();
}

void ObjectP::registerCommands() {
    Object::registerCommands();
    kObjectPTable.registerInto(*this);
}

int ObjectP::writeCommands(CommandIO& io) {
    if (Object::writeCommands(io) != 0) return -1;
    return kObjectPTable.write(io, *this);
}

}  // namespace fw
