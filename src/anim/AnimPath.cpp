#include "anim/AnimPath.h"

#include "anim/RecordLines.h"

namespace fw {

namespace {

const char* const kStyles[] = {"same", "even", "reverse", "two_point", "three_point", "random"};

int styleWord(const char* word) { return AnimPath::styleOf(word); }

constexpr FieldTable::Line kAnimPathLines[] = {
    {"animVersion", &readVersionOf<AnimPath>},
    field<&AnimPath::bowAmount>("bowAmount", Spelling::fixed),
    field<&AnimPath::bowAmount2>("bowAmount2", Spelling::fixed),
    wordField<&AnimPath::bowAmountStyle, AnimPath::styleName, styleWord>("bowAmountStyle", Spelling::quoted),
    field<&AnimPath::bowAmountStyleSeed>("bowAmountStyleSeed"),
    field<&AnimPath::bowCenter>("bowCenter", Spelling::fixed),
    field<&AnimPath::bowDirection>("bowDirection", Spelling::fixed),
    field<&AnimPath::bowDirection2>("bowDirection2", Spelling::fixed),
    wordField<&AnimPath::bowDirectionStyle, AnimPath::styleName, styleWord>("bowDirectionStyle", Spelling::quoted),
    field<&AnimPath::bowDirectionStyleSeed>("bowDirectionStyleSeed"),
    field<&AnimPath::startOvershoot>("startOvershoot", Spelling::fixed),
    field<&AnimPath::endOvershoot>("endOvershoot", Spelling::fixed),
    field<&AnimPath::startPinch>("startPinch", Spelling::fixed),
    field<&AnimPath::endPinch>("endPinch", Spelling::fixed),
    field<&AnimPath::twist>("twist", Spelling::fixed),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kAnimPathFields(kAnimPathLines);

}  // namespace

const char* AnimPath::styleName(int style) { return style >= kSame && style <= kRandom ? kStyles[style - kSame] : "same"; }

// A spread this program does not know gives every element the first value.
int AnimPath::styleOf(const char* word) {
    int i = wordIndex(kStyles, 6, word);
    return i < 0 ? kSame : kSame + i;
}

AnimPath::AnimPath() { kAnimPathFields.registerInto(*this); }

CommandTable& AnimPath::commandTable() {
    static CommandTable table;
    return table;
}

int AnimPath::writeCommands(CommandIO& io) { return kAnimPathFields.write(io, *this); }

}  // namespace fw
