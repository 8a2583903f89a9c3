#include "scene/ChopParams.h"

#include <string>

#include "persistence/FieldTable.h"

namespace fw {

namespace {

template <int ChopParams::*Field>
int readOffsetStyle(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    receiverAs<ChopParams>(r).*Field = ChopParams::offsetStyleOf(word.c_str());
    return 0;
}

template <int ChopParams::*Field>
int writeOffsetStyle(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %s\n", keyword, ChopParams::offsetStyleName(receiverAs<ChopParams>(r).*Field));
}

constexpr FieldTable::Line kChopParamsLines[] = {
    field<&ChopParams::enabled>("Enabled"),
    field<&ChopParams::sliceCount>("NumSlices"),
    field<&ChopParams::centerOffset>("CenterOffset"),
    {"PositionOffsetStyle", readOffsetStyle<&ChopParams::positionOffsetStyle>,
     writeOffsetStyle<&ChopParams::positionOffsetStyle>},
    field<&ChopParams::positionOffset>("PositionOffset"),
    field<&ChopParams::positionOffset2>("PositionOffset2"),
    field<&ChopParams::positionOffsetSeed>("PositionOffsetSeed"),
    {"RotationOffsetStyle", readOffsetStyle<&ChopParams::rotationOffsetStyle>,
     writeOffsetStyle<&ChopParams::rotationOffsetStyle>},
    field<&ChopParams::rotationOffset>("RotationOffset"),
    field<&ChopParams::rotationOffset2>("RotationOffset2"),
    field<&ChopParams::rotationOffsetSeed>("RotationOffsetSeed"),
    field<&ChopParams::sliceSkip>("SliceSkip"),
    field<&ChopParams::sliceSkipSeed>("SliceSkipSeed"),
    field<&ChopParams::direction>("Direction"),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kChopParamsFields(kChopParamsLines);

}  // namespace

const char* ChopParams::offsetStyleName(int style) {
    switch (style) {
        case kConstant: return "Constant";
        case kRandom: return "Random";
        case kAlternating: return "Alternating";
        default: return "None";
    }
}

int ChopParams::offsetStyleOf(const char* word) {
    std::string w = word;
    if (w == "Constant") return kConstant;
    if (w == "Random") return kRandom;
    if (w == "Alternating") return kAlternating;
    return kNone;
}

ChopParams::ChopParams() { kChopParamsFields.registerInto(*this); }

CommandTable& ChopParams::commandTable() {
    static CommandTable table;
    return table;
}

int ChopParams::writeCommands(CommandIO& io) { return kChopParamsFields.write(io, *this); }

}  // namespace fw
