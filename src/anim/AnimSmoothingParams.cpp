#include "anim/AnimSmoothingParams.h"

#include "anim/RecordLines.h"

namespace fw {

namespace {

constexpr FieldTable::Line kLines[] = {
    {"animVersion", &readVersionOf<AnimSmoothingParams>},
    field<&AnimSmoothingParams::startSmooth>("startSmooth", Spelling::fixed),
    field<&AnimSmoothingParams::endSmooth>("endSmooth", Spelling::fixed),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kFields(kLines);

}  // namespace

AnimSmoothingParams::AnimSmoothingParams() { kFields.registerInto(*this); }

CommandTable& AnimSmoothingParams::commandTable() {
    static CommandTable table;
    return table;
}

int AnimSmoothingParams::writeCommands(CommandIO& io) { return kFields.write(io, *this); }

}  // namespace fw
