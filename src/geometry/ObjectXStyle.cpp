#include "geometry/ObjectXStyle.h"

#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "profile/InputProfile2.h"
#include "profile/ProfileLibrary.h"
#include "scene/Object.h"
#include "scene/Scene.h"

namespace fw {

namespace {

const char* const kCapNames[] = {"None", "None", "Flat", "Beveled", "Pointed", "Rounded", "Domed", "NotchedHead", "NotchedTail"};

const char* capName(int type) { return type >= 2 && type <= 8 ? kCapNames[type] : "None"; }

int capType(const std::string& name) {
    for (int i = 2; i <= 8; ++i)
        if (name == kCapNames[i]) return i;
    return 1;
}


int readWord(CommandIO& io, std::string& word) { return io.readString(word); }

int readKind(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (readWord(io, word) != 0) return -1;
    receiverAs<ObjectXStyle>(r).kind = word == "ExtrusionNoodle"                                      ? ObjectXStyle::kTube
                    : word == "ExtrusionOrvoLathe" || word == "ExtrusionOrvoLong" ? ObjectXStyle::kRevolved
                                                                                    : ObjectXStyle::kExtruded;
    return 0;
}

int readPerimeter(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    receiverAs<ObjectXStyle>(r).setPerimeterProfile(name, false);
    return 0;
}

int readHole(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    receiverAs<ObjectXStyle>(r).setHoleProfile(name, false);
    return 0;
}

template <unsigned Bit>
int readPart(CommandIO& io, CommandEnabler& r) {
    int on;
    if (io.readInt(on) != 0) return -1;
    ObjectXStyle& s = receiverAs<ObjectXStyle>(r);
    s.setParts(on ? s.parts() | Bit : s.parts() & ~Bit);
    return 0;
}

int readPerimeterXScale(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    receiverAs<ObjectXStyle>(r).setPerimeterXScale(v);
    return 0;
}

int readHoleXScale(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    receiverAs<ObjectXStyle>(r).setHoleXScale(v);
    return 0;
}

int readDepth(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    receiverAs<ObjectXStyle>(r).setDepth(v);
    return 0;
}

int readFrontFaceOffset(CommandIO& io, CommandEnabler& r) {
    double v;
    if (io.readDouble(v) != 0) return -1;
    receiverAs<ObjectXStyle>(r).setFrontFaceOffset(v);
    return 0;
}

// Lengths and angles reshape caps and sides alike; material indices feed the caps only.
void capsAndSidesChanged(CommandEnabler& r) {
    receiverAs<ObjectXStyle>(r).touchCaps();
    receiverAs<ObjectXStyle>(r).touchSides();
}
void capsChanged(CommandEnabler& r) { receiverAs<ObjectXStyle>(r).touchCaps(); }

template <int ObjectXStyle::*Field>
int readCap(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    receiverAs<ObjectXStyle>(r).*Field = capType(word);
    return 0;
}

int readAxis(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    receiverAs<ObjectXStyle>(r).buildAxis = word == "X" ? 1 : word == "Z" ? 3 : 2;
    return 0;
}

int readMitre(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    receiverAs<ObjectXStyle>(r).mitreMethod = word == "complex" ? 1 : 0;
    return 0;
}

// Older files name a material per slot instead of storing stacks.
int readStyleSlotMaterial(CommandIO& io, CommandEnabler& r) {
    int slot;
    std::string name;
    if (io.readInt(slot) != 0 || io.readString(name) != 0) return -1;
    receiverAs<ObjectXStyle>(r).setSlotMaterial(slot, name);
    return 0;
}

int beginStyleBlock(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    ObjectXStyle& s = receiverAs<ObjectXStyle>(r);
    if (std::strcmp(name, "perimProperties") == 0) {
        io.push(&s.perimeterProperties);
        return 0;
    }
    if (std::strcmp(name, "holeProperties") == 0) {
        io.push(&s.holeProperties);
        return 0;
    }
    if (std::strcmp(name, "MaterialStack") == 0) {
        int slot;
        MaterialStack* stack = io.readInt(slot) == 0 ? s.materialStack(slot) : nullptr;
        if (!stack) return -1;
        stack->clear();
        io.push(stack);
        return 0;
    }
    return -1;
}

int writeKind(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    static const char* const kKindNames[] = {"ExtrusionOrvo", "ExtrusionNoodle", "ExtrusionOrvoLathe"};
    int kind = receiverAs<ObjectXStyle>(r).kind;
    return io.writef("%s \"%s\"\n", keyword, kKindNames[kind >= 0 && kind <= 2 ? kind : 0]);
}

template <unsigned Bit>
int writePart(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %d\n", keyword, receiverAs<ObjectXStyle>(r).parts() & Bit ? 1 : 0);
}

template <int ObjectXStyle::*Field>
int writeCap(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %s\n", keyword, capName(receiverAs<ObjectXStyle>(r).*Field));
}

int writeAxis(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    int axis = receiverAs<ObjectXStyle>(r).buildAxis;
    if (axis < 1 || axis > 3) return 0;
    return io.writef("%s %s\n", keyword, axis == 1 ? "X" : axis == 2 ? "Y" : "Z");
}

int writeMitre(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %s\n", keyword, receiverAs<ObjectXStyle>(r).mitreMethod == 1 ? "complex" : "fast");
}

// The edge properties and the material stacks, at their place among the lines.
int writeStyleBlocks(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    ObjectXStyle& s = receiverAs<ObjectXStyle>(r);
    if (io.writeBlock(s.perimeterProperties) != 0) return -1;
    if (!s.trackProperties && io.writeBlock(s.holeProperties) != 0) return -1;
    for (int slot = 0; slot < ObjectXStyle::kMaterialSlots; ++slot)
        if (io.writeIndexedBlock(*s.materialStack(slot), slot) != 0) return -1;
    return 0;
}

bool holeOwnProfile(CommandEnabler& r) { return !receiverAs<ObjectXStyle>(r).trackProfile; }
bool holeOwnScale(CommandEnabler& r) { return !receiverAs<ObjectXStyle>(r).trackXScale; }
bool revolved(CommandEnabler& r) { return receiverAs<ObjectXStyle>(r).kind == ObjectXStyle::kRevolved; }

using S = ObjectXStyle;
using enum Spelling;

// The stored lines in written order; "material" and "backMaterial" are older files'
// per-slot materials, read only.
constexpr FieldTable::Line kStyleLines[] = {
    {"extrusionStyle", readKind, writeKind},
    field<&S::trackProfile>("trackProfile"),
    field<&S::trackProperties>("trackProperties"),
    field<&S::trackXScale>("trackXScale"),
    {"perim", readPerimeter, writeGetter<&S::perimeterProfileName>, quoted},
    {"hole", readHole, writeGetter<&S::holeProfileName>, quoted, holeOwnProfile},
    {"perimXScale", readPerimeterXScale, writeGetter<&S::perimeterXScale>, fixed},
    {"holeXScale", readHoleXScale, writeGetter<&S::holeXScale>, fixed, holeOwnScale},
    {"frontFaceOffset", readFrontFaceOffset, writeGetter<&S::frontFaceOffset>, fixed},
    fieldThen<&S::spikeAngle, capsAndSidesChanged>("spikeAngle", fixed),
    fieldThen<&S::pullBackDistance, capsAndSidesChanged>("pullBackDistance", fixed),
    {"depth", readDepth, writeGetter<&S::depth>, fixed},
    {"frontPart", readPart<S::kFront>, writePart<S::kFront>},
    {"backPart", readPart<S::kBack>, writePart<S::kBack>},
    {"perimPart", readPart<S::kPerimeter>, writePart<S::kPerimeter>},
    {"holePart", readPart<S::kHoles>, writePart<S::kHoles>},
    fieldThen<&S::frontMaterialIndex, capsChanged>("frontMtlidx"),
    fieldThen<&S::backMaterialIndex, capsChanged>("backMtlidx"),
    {"headCapType", readCap<&S::headCapType>, writeCap<&S::headCapType>, bare, revolved},
    fieldThen<&S::headCapScale, capsAndSidesChanged>("headCapScale", bare, revolved),
    fieldThen<&S::headCapOffset, capsAndSidesChanged>("headCapOffset", bare, revolved),
    {"tailCapType", readCap<&S::tailCapType>, writeCap<&S::tailCapType>, bare, revolved},
    fieldThen<&S::tailCapScale, capsAndSidesChanged>("tailCapScale", bare, revolved),
    fieldThen<&S::tailCapOffset, capsAndSidesChanged>("tailCapOffset", bare, revolved),
    {"buildAxis", readAxis, writeAxis, bare, revolved},
    fieldThen<&S::buildAngleStart, capsAndSidesChanged>("buildAngleStart", fixed, revolved),
    fieldThen<&S::buildAngleEnd, capsAndSidesChanged>("buildAngleEnd", fixed, revolved),
    {"begin", beginStyleBlock, writeStyleBlocks},
    {"mitreMethod", readMitre, writeMitre},
    {"material", readStyleSlotMaterial},
    {"backMaterial", readStyleSlotMaterial},
};
constexpr FieldTable kStyleTable{kStyleLines};

}  // namespace

ObjectXStyle::FlattenedProfilePort::FlattenedProfilePort(ObjectXStyle* owner, const char* name) : Port(owner, name) {
    setDirty();
}

void ObjectXStyle::FlattenedProfilePort::reset() { geometry_.clear(); }

bool ObjectXStyle::FlattenedProfilePort::compute(const FlattenedProfileSettings* s) {
    geometry_.clear();
    const InputProfile2* outline = outlineInput.value();
    if (!outline) return false;
    Profile::FlattenedProfileSettings flat;
    if (s) {
        flat.tolerance = s->tolerance;
        flat.renderMode = s->renderMode;
        flat.steps = s->steps;
        flat.keepJoinPoints = s->keepJoinPoints;
    }
    return Profile::flattenOutline(*outline, flat, geometry_);
}

ObjectXStyle::ObjectXStyle(Scene& scene, const char* name, unsigned parts) : SceneMember(scene, kStyleKind, name), parts_(parts) {
    for (int hole = 0; hole < 2; ++hole)
        for (int q = 0; q < 3; ++q) {
            std::string port = qualityPortName(q, hole ? "FlattenedHoleProfile" : "FlattenedPerimeterProfile");
            ports_[hole][q] = std::make_unique<FlattenedProfilePort>(this, port.c_str());
        }
    registerCommands();
    for (int slot = 0; slot < kMaterialSlots; ++slot) materialStack(slot), materialStack(slot, true);
}

ObjectXStyle::~ObjectXStyle() = default;

CommandTable& ObjectXStyle::commandTable() {
    static CommandTable table;
    return table;
}

ObjectXStyle* ObjectXStyle::ensureDefault(Scene& scene) {
    if (auto* found = dynamic_cast<ObjectXStyle*>(scene.findMember(kDefaultName))) return found;
    if (scene.findMember(kDefaultName)) return nullptr;
    return new ObjectXStyle(scene, kDefaultName);
}

Profile* ObjectXStyle::findProfile(const std::string& name) const {
    if (name.empty()) return nullptr;
    if (auto* p = dynamic_cast<Profile*>(scene().findMember(name))) return p;
    return ProfileLibrary::instance().find(name);
}

ObjectXStyle::FlattenedProfilePort& ObjectXStyle::flattenedPort(bool hole, int quality) {
    return *ports_[hole ? 1 : 0][quality < 0 || quality > 2 ? 0 : quality];
}

void ObjectXStyle::connectPorts() {
    connectSide(false);
    connectSide(true);
}

bool ObjectXStyle::connectSide(bool hole) {
    Profile* profile = findProfile(hole ? holeProfileName() : perimeter_);
    bool changed = false;
    for (auto& port : ports_[hole ? 1 : 0]) {
        const OutputPort* before = port->outlineInput.source();
        if (profile)
            port->outlineInput.connect(profile->nameReference(), "Profile");
        else
            port->outlineInput.disconnect();
        changed = changed || port->outlineInput.source() != before;
    }
    return changed;
}

MaterialStack* ObjectXStyle::materialStack(int slot, bool back) {
    if (slot < 0 || slot >= kMaterialSlots) return nullptr;
    auto& list = stacks_[back ? 1 : 0];
    while (static_cast<int>(list.size()) <= slot) {
        list.push_back(std::make_unique<MaterialStack>(scene()));
        list.back()->addItem("defaultMtl");
    }
    return list[static_cast<size_t>(slot)].get();
}

void ObjectXStyle::setSlotMaterial(int slot, const std::string& material) {
    for (bool back : {false, true}) {
        MaterialStack* stack = materialStack(slot, back);
        if (!stack) return;
        stack->setBaseMaterial(material);
    }
    touchCaps();
}

MaterialStack* ObjectXStyle::partStack(int part) {
    constexpr int kFront = 0, kBack = 1;
    MaterialStack* front = materialStack(frontMaterialIndex);
    MaterialStack* own = part == kFront ? front : materialStack(part == kBack ? backMaterialIndex : part, part == kBack);
    if (part == kBack && own && !own->hasCustomMaterial()) own = materialStack(backMaterialIndex);
    if (own && own->hasCustomMaterial()) return own;
    return front ? front : own;
}

void ObjectXStyle::touchCaps() { capChanges_ = nextCount(capChanges_); }
void ObjectXStyle::touchSides() { sideChanges_ = nextCount(sideChanges_); }

// A new edge profile resets only the ports it feeds (the hole's too while the hole
// tracks the perimeter) and raises the side count once per such part that is built;
// naming the profile already in use changes nothing, so the flattened profiles and the
// solids built on them are kept.
void ObjectXStyle::setPerimeterProfile(const std::string& name, bool resolveNow) {
    perimeter_ = !resolveNow || findProfile(name) ? name : std::string();
    if (trackProfile) hole_ = perimeter_;
    if (connectSide(false) && (parts_ & kPerimeter)) touchSides();
    if (trackProfile && connectSide(true) && (parts_ & kHoles)) touchSides();
}

void ObjectXStyle::setHoleProfile(const std::string& name, bool resolveNow) {
    if (trackProfile) return;
    hole_ = !resolveNow || findProfile(name) ? name : std::string();
    if (connectSide(true) && (parts_ & kHoles)) touchSides();
}

void ObjectXStyle::postLoad() {
    bool dropped = false;
    for (std::string* name : {&perimeter_, &hole_})
        if (!name->empty() && !findProfile(*name)) name->clear(), dropped = true;
    connectPorts();
    if (dropped) touchSides();
}

void ObjectXStyle::setPerimeterXScale(double scale) {
    perimeterXScale_ = scale;
    if (parts_ & kPerimeter) touchSides();
    if (trackXScale) {
        holeXScale_ = scale;
        if (parts_ & kHoles) touchSides();
    }
}

void ObjectXStyle::setHoleXScale(double scale) {
    if (trackXScale) return;
    holeXScale_ = scale;
    if (parts_ & kHoles) touchSides();
}

void ObjectXStyle::setDepth(double depth) {
    depth_ = depth;
    touchCaps();
    touchSides();
}

void ObjectXStyle::setParts(unsigned parts) {
    parts_ = parts & 15;
    touchCaps();
    touchSides();
}

void ObjectXStyle::setFrontFaceOffset(double offset) {
    frontFaceOffset_ = offset;
    touchCaps();
    touchSides();
}

void ObjectXStyle::markUsed() {
    if (used()) return;
    setUsed(true);
    for (auto& list : stacks_)
        for (auto& stack : list) stack->markUsed();
    for (const std::string& name : {perimeter_, holeProfileName()})
        if (auto* p = dynamic_cast<Profile*>(scene().findMember(name))) p->markUsed();
}

void ObjectXStyle::registerCommands() {
    SceneMember::registerCommands();
    kStyleTable.registerInto(*this);
}

int ObjectXStyle::writeCommands(CommandIO& io) {
    if (SceneMember::writeCommands(io) != 0) return -1;
    return kStyleTable.write(io, *this);
}

}  // namespace fw
