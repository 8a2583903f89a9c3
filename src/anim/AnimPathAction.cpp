#include "anim/AnimPathAction.h"

#include <iterator>

#include "anim/RecordLines.h"

namespace fw {

namespace {

const char* const kActions[] = {
    "Pitch",      "Spin",       "Twirl",          "FreeTumble",           "Follow2D",
    "Follow3D",   "Follow3DTwirl", "FaceCamera",  "PoseTitleRollUp",      "PoseTitleRollDown",
    "PoseTitleCrawlRight", "PoseTitleCrawlLeft", "PosePitch", "PoseSpin",  "PoseTwirl",
    "PoseFreeTumble", "PoseWander", "PoseFreeWander", "PoseFreeWanderTumble", "PoseFreeWanderTumble2",
    "PathWander", "PathFreeWander", "PathFreeWanderTumble", "PathFreeWanderTumble2", "PoseNone",
    "None"};
static_assert(std::size(kActions) == size_t{AnimPathAction::kActionTypes});

const char* const kPathFaces[] = {"Front", "Back", "Top", "Bottom", "Left", "Right"};

int actionWord(const char* word) { return AnimPathAction::actionOf(word); }
int pathFaceWord(const char* word) { return wordIndex(kPathFaces, 6, word); }

template <int I>
constexpr FieldTable::Line amountLine(const char* keyword) {
    return {keyword,
            [](CommandIO& io, CommandEnabler& r) { return io.readDouble(receiverAs<AnimPathAction>(r).amount[I]); },
            [](CommandIO& io, CommandEnabler& r, const char* kw, Spelling) {
                return io.writef("%s %f\n", kw, receiverAs<AnimPathAction>(r).amount[I]);
            }};
}

constexpr FieldTable::Line kAnimPathActionLines[] = {
    {"animVersion", &readVersionOf<AnimPathAction>},
    wordField<&AnimPathAction::actionType, AnimPathAction::actionName, actionWord>("actionType", Spelling::quoted),
    field<&AnimPathAction::blendingRange>("blendingRange", Spelling::fixed),
    field<&AnimPathAction::randomSeed>("randomSeed"),
    field<&AnimPathAction::startTime>("startTime", Spelling::fixed),
    field<&AnimPathAction::endTime>("endTime", Spelling::fixed),
    amountLine<0>("amount1"),
    amountLine<1>("amount2"),
    amountLine<2>("amount3"),
    amountLine<3>("amount4"),
    amountLine<4>("amount5"),
    amountLine<5>("amount6"),
    amountLine<6>("amount7"),
    field<&AnimPathAction::useCommonCenter>("useCommonCenter"),
    wordField<&AnimPathAction::faceValue, AnimPathAction::faceName, pathFaceWord>("faceValue", Spelling::quoted),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kAnimPathActionFields(kAnimPathActionLines);

}  // namespace

const char* AnimPathAction::actionName(int type) { return type >= 0 && type < kActionTypes ? kActions[type] : "None"; }

int AnimPathAction::actionOf(const char* word) { return wordIndex(kActions, kActionTypes, word); }

const char* AnimPathAction::faceName(int face) { return face >= kFront && face <= kRight ? kPathFaces[face] : "Front"; }

AnimPathAction::AnimPathAction(int defaultType) : actionType(defaultType) { kAnimPathActionFields.registerInto(*this); }

CommandTable& AnimPathAction::commandTable() {
    static CommandTable table;
    return table;
}

int AnimPathAction::writeCommands(CommandIO& io) { return kAnimPathActionFields.write(io, *this); }

}  // namespace fw
