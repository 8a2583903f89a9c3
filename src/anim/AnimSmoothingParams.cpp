#include "anim/AnimSmoothingParams.h"

#include "anim/RecordLines.h"

namespace fw {

namespace {

constexpr FieldTable::Line kAnimSmoothingParamsLines[] = {
    {"animVersion", &readVersionOf<AnimSmoothingParams>},
    field<&AnimSmoothingParams::startSmooth>("startSmooth", Spelling::fixed),
    field<&AnimSmoothingParams::endSmooth>("endSmooth", Spelling::fixed),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kAnimSmoothingParamsFields(kAnimSmoothingParamsLines);

}  // namespace

AnimSmoothingParams::AnimSmoothingParams() { kAnimSmoothingParamsFields.registerInto(*this); }

CommandTable& AnimSmoothingParams::commandTable() {
    static CommandTable table;
    return table;
}

int AnimSmoothingParams::writeCommands(CommandIO& io) { return kAnimSmoothingParamsFields.write(io, *this); }

}  // namespace fw
