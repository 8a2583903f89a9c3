#include "anim/AnimSequenceParams.h"

#include <iterator>

#include "anim/RecordLines.h"

namespace fw {

namespace {

const char* const kLaunchWords[] = {"Birth",    "RevBirth",  "Random",    "Selection", "RevSelection",
                                    "TopBottom", "BottomTop", "LeftRight", "RightLeft", "FrontBack",
                                    "BackFront", "InOut",     "OutIn"};
static_assert(std::size(kLaunchWords) == size_t{AnimSequenceParams::kLaunchTypes});

int launchTypeWord(const char* word) { return AnimSequenceParams::launchTypeOf(word); }

constexpr FieldTable::Line kAnimSequenceParamsLines[] = {
    {"animVersion", &readVersionOf<AnimSequenceParams>},
    field<&AnimSequenceParams::minimizeRotations>("minimizeRotations"),
    field<&AnimSequenceParams::blendingRange>("blendingRange"),
    wordField<&AnimSequenceParams::launchType, AnimSequenceParams::launchTypeName, launchTypeWord>(
        "launchType", Spelling::quoted),
    field<&AnimSequenceParams::launchSeed>("launchSeed"),
    field<&AnimSequenceParams::overlap>("overlap"),
    field<&AnimSequenceParams::fragOverlapCheck>("fragOverlapCheck"),
    field<&AnimSequenceParams::fragOverlap>("fragOverlap"),
    field<&AnimSequenceParams::startGaps>("startGaps"),
    field<&AnimSequenceParams::endGaps>("endGaps"),
    field<&AnimSequenceParams::clumps>("clumps"),
    field<&AnimSequenceParams::startEase>("startEase"),
    field<&AnimSequenceParams::endEase>("endEase"),
    field<&AnimSequenceParams::easeAmount>("easeAmount"),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kAnimSequenceParamsFields(kAnimSequenceParamsLines);

}  // namespace

const char* AnimSequenceParams::launchTypeName(int type) {
    return type >= 0 && type < kLaunchTypes ? kLaunchWords[type] : kLaunchWords[kBirth];
}

// A launch order this program does not know starts the elements in the order they were made.
int AnimSequenceParams::launchTypeOf(const char* word) {
    int type = wordIndex(kLaunchWords, kLaunchTypes, word);
    return type < 0 ? kBirth : type;
}

AnimSequenceParams::AnimSequenceParams() { kAnimSequenceParamsFields.registerInto(*this); }

CommandTable& AnimSequenceParams::commandTable() {
    static CommandTable table;
    return table;
}

int AnimSequenceParams::writeCommands(CommandIO& io) { return kAnimSequenceParamsFields.write(io, *this); }

}  // namespace fw
