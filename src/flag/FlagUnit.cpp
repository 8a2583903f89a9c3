#include "flag/FlagUnit.h"

#include <algorithm>
#include <cmath>

#include "persistence/FieldTable.h"
#include "platform/MathConstants.h"

namespace fw {

namespace {

using WordOf = int (*)(const std::string&);
using NameOf = const char* (*)(int);

template <int FlagUnit::*Field, WordOf Of>
int readWord(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    receiverAs<FlagUnit>(r).*Field = Of(word);
    return 0;
}

template <int FlagUnit::*Field, NameOf Name>
int writeWord(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %s\n", keyword, Name(receiverAs<FlagUnit>(r).*Field));
}

// A count that sizes the grid or a run, held between `least` and `most`.
template <int FlagUnit::*Field, int Least, int Most, const char* Keyword>
int readCount(CommandIO& io, CommandEnabler& r) {
    int value;
    if (io.readInt(value) != 0) return -1;
    receiverAs<FlagUnit>(r).*Field = std::max(Least, atMost(io, Keyword, value, Most));
    return 0;
}

template <int FlagUnit::*Field, int Least, int Most, const char* Keyword>
constexpr FieldTable::Line count() {
    return {Keyword, &readCount<Field, Least, Most, Keyword>, &writeField<Field>};
}

constexpr char kNu[] = "Nu", kNv[] = "Nv", kAccuracy[] = "AccuracySteps", kBlurPasses[] = "MotionBlurPasses",
               kPreRoll[] = "PreRollFrames", kRepeat[] = "LoopRepeat", kBlend[] = "LoopBlend";

int readIgnored(CommandIO& io, CommandEnabler&) {
    int value;
    return io.readInt(value);
}

constexpr int kMostAcross = FlagUnit::kMostParticlesAcross;

constexpr FieldTable::Line kFlagUnitLines[] = {
    field<&FlagUnit::name>("Name", Spelling::quoted),
    field<&FlagUnit::width>("Width"),
    field<&FlagUnit::height>("Height"),
    field<&FlagUnit::scaleX>("ScaleX"),
    field<&FlagUnit::scaleY>("ScaleY"),
    // Old files' diagonal choice; the grid's springs cover both diagonals.
    {"ShearLR", &readIgnored},
    count<&FlagUnit::nu, 2, kMostAcross, kNu>(),
    count<&FlagUnit::nv, 2, kMostAcross, kNv>(),
    field<&FlagUnit::meshType>("MeshType"),
    {"LockEdge", readWord<&FlagUnit::lockEdge, FlagUnit::lockEdgeOf>,
     writeWord<&FlagUnit::lockEdge, FlagUnit::lockEdgeName>},
    {"LockPoints", readWord<&FlagUnit::lockPoints, FlagUnit::lockPointsOf>,
     writeWord<&FlagUnit::lockPoints, FlagUnit::lockPointsName>},
    field<&FlagUnit::mass>("Mass"),
    field<&FlagUnit::edgeMassPercent>("EdgeMassPercent"),
    field<&FlagUnit::stretch>("Stretch"),
    field<&FlagUnit::bend>("Bend"),
    field<&FlagUnit::shear>("Shear"),
    field<&FlagUnit::airFriction>("AirFriction"),
    count<&FlagUnit::accuracySteps, 0, FlagUnit::kMostPasses, kAccuracy>(),
    count<&FlagUnit::motionBlurPasses, 0, FlagUnit::kMostPasses, kBlurPasses>(),
    field<&FlagUnit::sloMo>("SloMo"),
    field<&FlagUnit::windVariation>("WindVariation"),
    field<&FlagUnit::windVariationSeed>("WindVariationSeed"),
    field<&FlagUnit::useLocalForces>("UseLocalForces"),
    field<&FlagUnit::flagpoleName>("FlagpoleName", Spelling::quoted),
    field<&FlagUnit::flagpoleNameIndex>("FlagpoleNameIndex"),
    field<&FlagUnit::showFlagpole>("ShowFlagpole"),
    {"FlagpoleType", readWord<&FlagUnit::flagpoleType, FlagUnit::poleTypeOf>,
     writeWord<&FlagUnit::flagpoleType, FlagUnit::poleTypeName>},
    field<&FlagUnit::flagpoleLength>("FlagpoleLength"),
    field<&FlagUnit::flagpoleRadius>("FlagpoleRadius"),
    field<&FlagUnit::showFlagpoleCap>("ShowFlagpoleCap"),
    field<&FlagUnit::topCapStyle>("FlagpoleTopCapStyle", Spelling::quoted),
    field<&FlagUnit::topCapScale>("FlagpoleTopCapScale"),
    field<&FlagUnit::bottomCapStyle>("FlagpoleBottomCapStyle", Spelling::quoted),
    field<&FlagUnit::bottomCapScale>("FlagpoleBottomCapScale"),
    field<&FlagUnit::speedGeneratorSeed>("SpeedGeneratorSeed"),
    field<&FlagUnit::speedGeneratorType>("SpeedGeneratorType"),
    field<&FlagUnit::preRollTime>("PreRollTime"),
    count<&FlagUnit::preRollFrames, 0, FlagUnit::kMostLeadIn, kPreRoll>(),
    {"SelfCollision", readWord<&FlagUnit::selfCollision, FlagUnit::collisionOf>,
     writeWord<&FlagUnit::selfCollision, FlagUnit::collisionName>},
    field<&FlagUnit::flagNudge>("FlagNudge"),
    field<&FlagUnit::polePivot>("PolePivot"),
    field<&FlagUnit::loopOn>("LoopOn"),
    field<&FlagUnit::loopAnchor>("LoopAnchor"),
    count<&FlagUnit::loopRepeat, 1, FlagUnit::kMostFrames, kRepeat>(),
    count<&FlagUnit::loopBlend, 0, FlagUnit::kMostFrames, kBlend>(),
    field<&FlagUnit::flatten>("Flatten"),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kFlagUnitFields(kFlagUnitLines);

constexpr const char* kLockEdges[] = {"None", "Left", "Right", "Top", "Bottom", "Left_Right", "Top_Bottom", "All",
                                      "Center"};
constexpr const char* kLockPoints[] = {"None", "Edge", "Corners", "Corners_One_Center", "Corners_Two_Centers",
                                       "Two_Centers"};
constexpr const char* kPoleTypes[] = {"None", "Cylinder", "Cube", "Plane"};
constexpr const char* kCollisions[] = {"None", "Fast", "Accurate"};

// Words are numbered from 1 in their list's order.
template <size_t N>
const char* nameIn(const char* const (&words)[N], int value, int fallback) {
    return words[(value >= 1 && value <= static_cast<int>(N) ? value : fallback) - 1];
}
template <size_t N>
int numberIn(const char* const (&words)[N], const std::string& word, int fallback) {
    for (size_t i = 0; i < N; ++i)
        if (word == words[i]) return static_cast<int>(i) + 1;
    return fallback;
}

}  // namespace

const char* FlagUnit::lockEdgeName(int v) { return nameIn(kLockEdges, v, kEdgeLeft); }
int FlagUnit::lockEdgeOf(const std::string& w) { return numberIn(kLockEdges, w, kEdgeLeft); }
const char* FlagUnit::lockPointsName(int v) { return nameIn(kLockPoints, v, kPointsCornersOneCenter); }
int FlagUnit::lockPointsOf(const std::string& w) { return numberIn(kLockPoints, w, kPointsCornersOneCenter); }
const char* FlagUnit::poleTypeName(int v) { return nameIn(kPoleTypes, v, kPoleCylinder); }
int FlagUnit::poleTypeOf(const std::string& w) { return numberIn(kPoleTypes, w, kPoleCylinder); }
const char* FlagUnit::collisionName(int v) { return nameIn(kCollisions, v, kCollisionNone); }
int FlagUnit::collisionOf(const std::string& w) { return numberIn(kCollisions, w, kCollisionNone); }

int FlagUnit::capStyleNumber(const std::string& style) {
    if (style == "None") return 1;
    if (style == "Ball") return 2;
    return 3;
}

FlagUnit::FlagUnit(double w, double h, double sx, double sy)
    : width(w), height(h), scaleX(sx), scaleY(sy), flagpoleLength(2.0 * h), flagpoleRadius(0.01 * 2.0 * h) {
    // (0, 0, -1) turned by -85 degrees about the vertical, then 5 degrees about the
    // horizontal: mostly along +x, away from a pole on the left edge.
    const double a = -85.0 * kPi / 180.0, b = 5.0 * kPi / 180.0;
    const double x = -std::sin(a), z = -std::cos(a);
    windDirection[0] = x;
    windDirection[1] = -z * std::sin(b);
    windDirection[2] = z * std::cos(b);
    kFlagUnitFields.registerInto(*this);
}

CommandTable& FlagUnit::commandTable() {
    static CommandTable table;
    return table;
}

int FlagUnit::writeCommands(CommandIO& io) { return kFlagUnitFields.write(io, *this); }

}  // namespace fw
