#include "text/TextChar.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"

namespace fw {

TextChar::TextChar() {
    registerCommand("Char", readField<&TextChar::code>);
    registerCommand("AttrIndex", readField<&TextChar::attrIndex>);
    registerCommand("CharPosX", readField<&TextChar::charPosX>);
    registerCommand("CharPosY", readField<&TextChar::charPosY>);
    registerCommand("CharWidth", readField<&TextChar::charWidth>);
    registerCommand("CharBaseY", readField<&TextChar::charBaseY>);
    registerCommand("CharBaseShift", readField<&TextChar::charBaseShift>);
    registerCommand("OrigIndex", readField<&TextChar::origIndex>);
    registerCommand("ProfileOffset", readField<&TextChar::profileOffset>);
    registerCommand("ProfileScale", readField<&TextChar::profileScale>);
    registerCommand("end", CommandEnabler::endCommand);
}

CommandTable& TextChar::commandTable() {
    static CommandTable table;
    return table;
}

int TextChar::writeCommands(CommandIO& io) {
    io.writef("Char %d\n", code);
    io.writef("AttrIndex %d\n", attrIndex);
    io.writef("CharPosX %f\n", charPosX);
    io.writef("CharPosY %f\n", charPosY);
    io.writef("CharWidth %f\n", charWidth);
    io.writef("CharBaseY %f\n", charBaseY);
    io.writef("CharBaseShift %f\n", charBaseShift);
    io.writef("OrigIndex %d\n", origIndex);
    io.writef("ProfileOffset %g %g %g\n", profileOffset[0], profileOffset[1], profileOffset[2]);
    io.writef("ProfileScale %g %g %g\n", profileScale[0], profileScale[1], profileScale[2]);
    return 0;
}

}  // namespace fw
