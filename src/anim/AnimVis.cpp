#include "anim/AnimVis.h"

#include "anim/RecordLines.h"

namespace fw {

namespace {

const char* const kVisTypes[] = {"FadeOn", "FadeOff"};

const char* visTypeName(int type) { return type == AnimVis::kFadeOff ? "FadeOff" : "FadeOn"; }
int visTypeOf(const char* word) { return wordIndex(kVisTypes, 2, word); }

constexpr FieldTable::Line kAnimVisLines[] = {
    {"animVersion", &readVersionOf<AnimVis>},
    wordField<&AnimVis::visType, visTypeName, visTypeOf>("visType", Spelling::bare),
    field<&AnimVis::startTime>("startTime", Spelling::fixed),
    field<&AnimVis::endTime>("endTime", Spelling::fixed),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kAnimVisFields(kAnimVisLines);

}  // namespace

AnimVis::AnimVis() { kAnimVisFields.registerInto(*this); }

CommandTable& AnimVis::commandTable() {
    static CommandTable table;
    return table;
}

int AnimVis::writeCommands(CommandIO& io) { return kAnimVisFields.write(io, *this); }

}  // namespace fw
