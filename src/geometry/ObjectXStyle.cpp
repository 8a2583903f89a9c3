#include "geometry/ObjectXStyle.h"

#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"
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
    receiverAs<ObjectXStyle>(r).setPerimeterProfile(name);
    return 0;
}

int readHole(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    receiverAs<ObjectXStyle>(r).setHoleProfile(name);
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
int readSlotMaterial(CommandIO& io, CommandEnabler& r) {
    int slot;
    std::string name;
    if (io.readInt(slot) != 0 || io.readString(name) != 0) return -1;
    receiverAs<ObjectXStyle>(r).setSlotMaterial(slot, name);
    return 0;
}

int beginBlock(CommandIO& io, CommandEnabler& r) {
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

}  // namespace

ObjectXStyle::FlattenedProfilePort::FlattenedProfilePort(ObjectXStyle* owner, const char* name) : Port(owner, name) {
    setDirty();
}

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
    for (int hole = 0; hole < 2; ++hole) {
        Profile* profile = findProfile(hole ? holeProfileName() : perimeter_);
        for (int q = 0; q < 3; ++q) {
            if (profile) {
                ports_[hole][q]->outlineInput.connect(profile->nameReference(), "Profile");
            }
            ports_[hole][q]->setDirty();
        }
    }
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
        if (stack->itemCount() == 0) stack->addItem(material);
        else stack->item(0).setMaterial(material);
    }
    touchCaps();
}

void ObjectXStyle::touchCaps() { capChanges_ = nextCount(capChanges_); }
void ObjectXStyle::touchSides() { sideChanges_ = nextCount(sideChanges_); }

void ObjectXStyle::setPerimeterProfile(const std::string& name) {
    perimeter_ = name;
    if (trackProfile) hole_ = name;
    connectPorts();
    touchSides();
}

void ObjectXStyle::setHoleProfile(const std::string& name) {
    if (trackProfile) return;
    hole_ = name;
    connectPorts();
    touchSides();
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
    registerCommand("extrusionStyle", readKind);
    registerCommand("trackProfile", readField<&ObjectXStyle::trackProfile>);
    registerCommand("trackProperties", readField<&ObjectXStyle::trackProperties>);
    registerCommand("trackXScale", readField<&ObjectXStyle::trackXScale>);
    registerCommand("perim", readPerimeter);
    registerCommand("hole", readHole);
    registerCommand("perimXScale", readPerimeterXScale);
    registerCommand("holeXScale", readHoleXScale);
    registerCommand("frontFaceOffset", readFrontFaceOffset);
    registerCommand("spikeAngle", readFieldThen<&ObjectXStyle::spikeAngle, capsAndSidesChanged>);
    registerCommand("pullBackDistance", readFieldThen<&ObjectXStyle::pullBackDistance, capsAndSidesChanged>);
    registerCommand("depth", readDepth);
    registerCommand("frontPart", readPart<kFront>);
    registerCommand("backPart", readPart<kBack>);
    registerCommand("perimPart", readPart<kPerimeter>);
    registerCommand("holePart", readPart<kHoles>);
    registerCommand("frontMtlidx", readFieldThen<&ObjectXStyle::frontMaterialIndex, capsChanged>);
    registerCommand("backMtlidx", readFieldThen<&ObjectXStyle::backMaterialIndex, capsChanged>);
    registerCommand("mitreMethod", readMitre);
    registerCommand("material", readSlotMaterial);
    registerCommand("backMaterial", readSlotMaterial);
    registerCommand("headCapType", readCap<&ObjectXStyle::headCapType>);
    registerCommand("headCapScale", readFieldThen<&ObjectXStyle::headCapScale, capsAndSidesChanged>);
    registerCommand("headCapOffset", readFieldThen<&ObjectXStyle::headCapOffset, capsAndSidesChanged>);
    registerCommand("tailCapType", readCap<&ObjectXStyle::tailCapType>);
    registerCommand("tailCapScale", readFieldThen<&ObjectXStyle::tailCapScale, capsAndSidesChanged>);
    registerCommand("tailCapOffset", readFieldThen<&ObjectXStyle::tailCapOffset, capsAndSidesChanged>);
    registerCommand("buildAngleStart", readFieldThen<&ObjectXStyle::buildAngleStart, capsAndSidesChanged>);
    registerCommand("buildAngleEnd", readFieldThen<&ObjectXStyle::buildAngleEnd, capsAndSidesChanged>);
    registerCommand("buildAxis", readAxis);
    registerCommand("begin", beginBlock);
}

int ObjectXStyle::writeCommands(CommandIO& io) {
    if (SceneMember::writeCommands(io) != 0) return -1;
    static const char* const kKindNames[] = {"ExtrusionOrvo", "ExtrusionNoodle", "ExtrusionOrvoLathe"};
    io.writef("extrusionStyle \"%s\"\n", kKindNames[kind >= 0 && kind <= 2 ? kind : 0]);
    io.writef("trackProfile %d\n", trackProfile ? 1 : 0);
    io.writef("trackProperties %d\n", trackProperties ? 1 : 0);
    io.writef("trackXScale %d\n", trackXScale ? 1 : 0);
    io.writef("perim \"%s\"\n", escapeQuotes(perimeter_).c_str());
    if (!trackProfile) io.writef("hole \"%s\"\n", escapeQuotes(hole_).c_str());
    io.writef("perimXScale %f\n", perimeterXScale_);
    if (!trackXScale) io.writef("holeXScale %f\n", holeXScale_);
    io.writef("frontFaceOffset %f\n", frontFaceOffset_);
    io.writef("spikeAngle %f\n", spikeAngle);
    io.writef("pullBackDistance %f\n", pullBackDistance);
    io.writef("depth %f\n", depth_);
    io.writef("frontPart %d\n", parts_ & kFront ? 1 : 0);
    io.writef("backPart %d\n", parts_ & kBack ? 1 : 0);
    io.writef("perimPart %d\n", parts_ & kPerimeter ? 1 : 0);
    io.writef("holePart %d\n", parts_ & kHoles ? 1 : 0);
    io.writef("frontMtlidx %d\n", frontMaterialIndex);
    io.writef("backMtlidx %d\n", backMaterialIndex);
    if (kind == kRevolved) {
        io.writef("headCapType %s\n", capName(headCapType));
        io.writef("headCapScale %g\n", headCapScale);
        io.writef("headCapOffset %g\n", headCapOffset);
        io.writef("tailCapType %s\n", capName(tailCapType));
        io.writef("tailCapScale %g\n", tailCapScale);
        io.writef("tailCapOffset %g\n", tailCapOffset);
        if (buildAxis >= 1 && buildAxis <= 3) io.writef("buildAxis %s\n", buildAxis == 1 ? "X" : buildAxis == 2 ? "Y" : "Z");
        io.writef("buildAngleStart %f\n", buildAngleStart);
        io.writef("buildAngleEnd %f\n", buildAngleEnd);
    }
    if (io.writeBlock(perimeterProperties) != 0) return -1;
    if (!trackProperties && io.writeBlock(holeProperties) != 0) return -1;
    for (int slot = 0; slot < kMaterialSlots; ++slot)
        if (io.writeIndexedBlock(*materialStack(slot), slot) != 0) return -1;
    io.writef("mitreMethod %s\n", mitreMethod == 1 ? "complex" : "fast");
    return 0;
}

}  // namespace fw
