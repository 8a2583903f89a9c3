#include "text/TextChar.h"

#include "persistence/CommandIO.h"

namespace fw {

namespace {

TextChar& ch(CommandEnabler& r) { return static_cast<TextChar&>(r); }

template <int TextChar::*Field>
int readInt(CommandIO& io, CommandEnabler& r) {
    return io.readInt(ch(r).*Field);
}
template <double TextChar::*Field>
int readDouble(CommandIO& io, CommandEnabler& r) {
    return io.readDouble(ch(r).*Field);
}
template <double (TextChar::*Field)[3]>
int readTriple(CommandIO& io, CommandEnabler& r) {
    return io.readVector3(ch(r).*Field);
}

}  // namespace

TextChar::TextChar() {
    registerCommand("Char", readInt<&TextChar::code>);
    registerCommand("AttrIndex", readInt<&TextChar::attrIndex>);
    registerCommand("CharPosX", readDouble<&TextChar::charPosX>);
    registerCommand("CharPosY", readDouble<&TextChar::charPosY>);
    registerCommand("CharWidth", readDouble<&TextChar::charWidth>);
    registerCommand("CharBaseY", readDouble<&TextChar::charBaseY>);
    registerCommand("CharBaseShift", readDouble<&TextChar::charBaseShift>);
    registerCommand("OrigIndex", readInt<&TextChar::origIndex>);
    registerCommand("ProfileOffset", readTriple<&TextChar::profileOffset>);
    registerCommand("ProfileScale", readTriple<&TextChar::profileScale>);
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
