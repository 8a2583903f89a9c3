#include "surface/EffectUnit.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"

namespace fw {

namespace {

const char* const kTargetTypes[] = {"None", "Alpha", "Brightness", "BrightnessAlpha",
                                    "Circle", "CircleAlpha", "Square", "SquareAlpha"};
const char* const kTargetProcessings[] = {"None", "Invert", "EdgesOnly", "InnerGlow", "OuterGlow"};
const char* const kTransferModes[] = {"Normal", "Screen", "Multiply", "Overlay",
                                      "Add", "MagicGlue1", "MagicGlue2", "MagicGlue3"};



int readTargetType(CommandIO& io, CommandEnabler& r) {
    char text[CommandIO::kTokenSize];
    if (io.readToken(text, sizeof text) != 0) return -1;
    receiverAs<EffectUnit>(r).targetType = EffectUnit::kTargetTypeNames.value(text);
    return 0;
}

int readTargetProcessing(CommandIO& io, CommandEnabler& r) {
    char text[CommandIO::kTokenSize];
    if (io.readToken(text, sizeof text) != 0) return -1;
    receiverAs<EffectUnit>(r).targetProcessing = EffectUnit::kTargetProcessingNames.value(text);
    return 0;
}


int readShowTarget(CommandIO& io, CommandEnabler& r) {
    int on;
    if (io.readInt(on) != 0) return -1;
    receiverAs<EffectUnit>(r).targetShowTarget = on != 0;
    return 0;
}

}  // namespace

const NameTable EffectUnit::kTargetTypeNames = {kTargetTypes, 8, 1, kTargetAlpha, kTargetAlpha};
const NameTable EffectUnit::kTargetProcessingNames = {kTargetProcessings, 5, 1, kProcessNone, kProcessNone};
const NameTable EffectUnit::kTransferModeNames = {kTransferModes, 8, 1, kNormal, kNormal};

int EffectUnit::readName(CommandIO& io, const NameTable& table, int& field) {
    char text[CommandIO::kTokenSize];
    if (io.readToken(text, sizeof text) != 0) return -1;
    field = table.value(text);
    return 0;
}

void EffectUnit::registerCommands() {
    registerCommand("Name", readField<&EffectUnit::name>);
    registerCommand("TargetType", readTargetType);
    registerCommand("TargetProcessing", readTargetProcessing);
    registerCommand("TargetBrightCutoff", readField<&EffectUnit::targetBrightCutoff>);
    registerCommand("TargetDarkCutoff", readField<&EffectUnit::targetDarkCutoff>);
    registerCommand("TargetThickness", readField<&EffectUnit::targetThickness>);
    registerCommand("TargetFeather", readField<&EffectUnit::targetFeather>);
    registerCommand("TargetSizeH", readField<&EffectUnit::targetSizeH>);
    registerCommand("TargetSizeV", readField<&EffectUnit::targetSizeV>);
    registerCommand("TargetShear", readField<&EffectUnit::targetShear>);
    registerCommand("TargetPosition", readField<&EffectUnit::targetPosition>);
    registerCommand("TargetShowTarget", readShowTarget);
    registerCommand("end", CommandEnabler::endCommand);
}

int EffectUnit::writeCommands(CommandIO& io) {
    io.writef("Name \"%s\"\n", escapeQuotes(name).c_str());
    if (writeGradients(io) != 0) return -1;
    io.writef("TargetType \"%s\"\n", kTargetTypeNames.name(targetType));
    io.writef("TargetProcessing \"%s\"\n", kTargetProcessingNames.name(targetProcessing));
    io.writef("TargetBrightCutoff %f\n", targetBrightCutoff);
    io.writef("TargetDarkCutoff %f\n", targetDarkCutoff);
    io.writef("TargetThickness %f\n", targetThickness);
    io.writef("TargetFeather %f\n", targetFeather);
    io.writef("TargetSizeH %f\n", targetSizeH);
    io.writef("TargetSizeV %f\n", targetSizeV);
    io.writef("TargetShear %f\n", targetShear);
    io.writef("TargetPosition %f %f\n", targetPosition[0], targetPosition[1]);
    io.writef("TargetShowTarget %d\n", targetShowTarget ? 1 : 0);
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
