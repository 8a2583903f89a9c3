#include "surface/EffectUnit.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw {

namespace {

const char* const kTargetTypes[] = {"None", "Alpha", "Brightness", "BrightnessAlpha",
                                    "Circle", "CircleAlpha", "Square", "SquareAlpha"};
const char* const kTargetProcessings[] = {"None", "Invert", "EdgesOnly", "InnerGlow", "OuterGlow"};
const char* const kTransferModes[] = {"Normal", "Screen", "Multiply", "Overlay",
                                      "Add", "MagicGlue1", "MagicGlue2", "MagicGlue3"};

template <int EffectUnit::*Field, const NameTable* Table>
int readNamed(CommandIO& io, CommandEnabler& r) {
    char text[CommandIO::kTokenSize];
    if (io.readToken(text, sizeof text) != 0) return -1;
    receiverAs<EffectUnit>(r).*Field = Table->value(text);
    return 0;
}
template <int EffectUnit::*Field, const NameTable* Table>
int writeNamed(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, Table->name(receiverAs<EffectUnit>(r).*Field));
}

int writeGradientBlocks(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    return receiverAs<EffectUnit>(r).writeGradients(io);
}

// The shared lines; the unit's gradient blocks come between its name and its target.
constexpr FieldTable::Line kEffectLines[] = {
    field<&EffectUnit::name>("Name", Spelling::quoted),
    {"begin", nullptr, writeGradientBlocks},  // each unit reads its own gradient blocks
    {"TargetType", readNamed<&EffectUnit::targetType, &EffectUnit::kTargetTypeNames>,
     writeNamed<&EffectUnit::targetType, &EffectUnit::kTargetTypeNames>},
    {"TargetProcessing", readNamed<&EffectUnit::targetProcessing, &EffectUnit::kTargetProcessingNames>,
     writeNamed<&EffectUnit::targetProcessing, &EffectUnit::kTargetProcessingNames>},
    field<&EffectUnit::targetBrightCutoff>("TargetBrightCutoff", Spelling::fixed),
    field<&EffectUnit::targetDarkCutoff>("TargetDarkCutoff", Spelling::fixed),
    field<&EffectUnit::targetThickness>("TargetThickness", Spelling::fixed),
    field<&EffectUnit::targetFeather>("TargetFeather", Spelling::fixed),
    field<&EffectUnit::targetSizeH>("TargetSizeH", Spelling::fixed),
    field<&EffectUnit::targetSizeV>("TargetSizeV", Spelling::fixed),
    field<&EffectUnit::targetShear>("TargetShear", Spelling::fixed),
    field<&EffectUnit::targetPosition>("TargetPosition", Spelling::fixed),
    field<&EffectUnit::targetShowTarget>("TargetShowTarget"),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kEffectTable{kEffectLines};

}  // namespace

const NameTable EffectUnit::kTargetTypeNames = {kTargetTypes, 8, 1, kTargetAlpha, kTargetAlpha};
const NameTable EffectUnit::kTargetProcessingNames = {kTargetProcessings, 5, 1, kProcessNone, kProcessNone};
const NameTable EffectUnit::kTransferModeNames = {kTransferModes, 8, 1, kNormal, kNormal};

void EffectUnit::registerCommands() { kEffectTable.registerInto(*this); }

int EffectUnit::writeCommands(CommandIO& io) {
    if (kEffectTable.write(io, *this) != 0) return -1;
    return writeOwnCommands(io);
}

bool EffectUnit::sameTarget(const EffectUnit& o) const {
    return name == o.name && targetType == o.targetType && targetProcessing == o.targetProcessing &&
           targetBrightCutoff == o.targetBrightCutoff && targetDarkCutoff == o.targetDarkCutoff &&
           targetThickness == o.targetThickness && targetFeather == o.targetFeather &&
           targetSizeH == o.targetSizeH && targetSizeV == o.targetSizeV && targetShear == o.targetShear &&
           targetPosition[0] == o.targetPosition[0] && targetPosition[1] == o.targetPosition[1] &&
           targetShowTarget == o.targetShowTarget;
}

}  // namespace fw
