#include "anim/AnimPoseSettings.h"

#include <iterator>

#include "anim/RecordLines.h"

namespace fw {

namespace {

const char* const kShapes[] = {
    "HorizontalLine", "VerticalLine",  "DepthLine",     "CircleX",       "CircleY",        "CircleZ",
    "FilledCircleX",  "FilledCircleY", "FilledCircleZ", "SquareX",       "SquareY",        "SquareZ",
    "FilledSquareX",  "FilledSquareY", "FilledSquareZ", "PushOut",       "SpreadOnGround", "SpreadOnWall",
    "SphereVolume",   "SphereShell",   "Cylinder",      "None"};
static_assert(std::size(kShapes) == size_t{AnimPoseSettings::kShapes});

const char* const kFaces[] = {"Front",           "FrontConstrained", "Back",           "BackConstrained",
                              "TopConstrained",  "Bottom",           "BottomConstrained", "Left",
                              "LeftConstrained", "Right",            "RightConstrained"};
static_assert(std::size(kFaces) == size_t{AnimPoseSettings::kFaces});

const char* const kAxes[] = {"XAxis", "YAxis"};

int shapeWord(const char* word) { return AnimPoseSettings::shapeOf(word); }
int faceWord(const char* word) { return AnimPoseSettings::faceOf(word); }
const char* axisName(int axis) { return axis == AnimPoseSettings::kYAxis ? "YAxis" : "XAxis"; }
int axisWord(const char* word) { return wordIndex(kAxes, 2, word); }

// A record that never read the second angle writes the one it would derive, so what
// is written reads back to the same value.
int writeParam2b(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %f\n", keyword, receiverAs<AnimPoseSettings>(r).effectiveParam2b());
}

using S = AnimPoseSettings;
constexpr FieldTable::Line kAnimPoseSettingsLines[] = {
    {"animVersion", &readVersionOf<S>},
    trueFalseField<&S::moveToCenter>("moveToCenter"),
    field<&S::spread>("spread", Spelling::fixed),
    field<&S::spreadXYZ>("spreadXYZ"),
    field<&S::shuffleSeed>("shuffleSeed"),
    field<&S::shuffleType>("shuffleType"),
    field<&S::distributeSeed>("distributeSeed"),
    wordField<&S::distributeType, S::shapeName, shapeWord>("distributeType", Spelling::quoted),
    field<&S::distributeSize>("distributeSize", Spelling::fixed),
    field<&S::distributeParam1>("distributeParam1", Spelling::fixed),
    field<&S::distributeParam2>("distributeParam2", Spelling::fixed),
    {"distributeParam2b", &readField<&S::distributeParam2b>, writeParam2b},
    wordField<&S::distributeMenu1, axisName, axisWord>("distributeMenu1", Spelling::quoted),
    wordField<&S::distributeMenu2, S::faceName, faceWord>("distributeMenu2", Spelling::quoted),
    field<&S::distributeCheck1>("distributeCheck1"),
    field<&S::randomizeSeed>("randomizeSeed"),
    field<&S::randomizeDistance>("randomizeDistance", Spelling::fixed),
    field<&S::randomizeXYZ>("randomizeXYZ"),
    field<&S::moveXYZ>("moveXYZ"),
    field<&S::moveDistance>("moveDistance", Spelling::fixed),
    field<&S::moveDirection>("moveDirection", Spelling::fixed),
    field<&S::moveDirectionVector>("moveDirectionVector", Spelling::fixed),
    field<&S::localScale>("localScale", Spelling::fixed),
    field<&S::globalScale>("globalScale", Spelling::fixed),
    field<&S::globalCenterRotation>("globalCenterRotation", Spelling::fixed),
    field<&S::localCenterRotation>("localCenterRotation", Spelling::fixed),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kAnimPoseSettingsFields(kAnimPoseSettingsLines);

}  // namespace

const char* AnimPoseSettings::shapeName(int shape) { return shape >= 0 && shape < kShapes ? fw::kShapes[shape] : "None"; }

int AnimPoseSettings::shapeOf(const char* word) { return wordIndex(fw::kShapes, kShapes, word); }

const char* AnimPoseSettings::faceName(int face) { return face >= 0 && face < kFaces ? fw::kFaces[face] : "Front"; }

int AnimPoseSettings::faceOf(const char* word) { return wordIndex(fw::kFaces, kFaces, word); }

AnimPoseSettings::AnimPoseSettings() { kAnimPoseSettingsFields.registerInto(*this); }

CommandTable& AnimPoseSettings::commandTable() {
    static CommandTable table;
    return table;
}

int AnimPoseSettings::writeCommands(CommandIO& io) { return kAnimPoseSettingsFields.write(io, *this); }

double AnimPoseSettings::effectiveParam2b() const {
    if (distributeParam2b > kNotSet) return distributeParam2b;
    // The arc's other end lies a full turn from the first, on the side that keeps it in range.
    return distributeParam2 <= 0 ? distributeParam2 + 360.0 : distributeParam2 - 360.0;
}

void AnimPoseSettings::finishReading() { distributeParam2b = effectiveParam2b(); }

}  // namespace fw
