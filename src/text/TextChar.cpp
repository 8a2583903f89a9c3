#include "text/TextChar.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw {

namespace {

constexpr FieldTable::Line kTextCharLines[] = {
    field<&TextChar::code>("Char"),
    field<&TextChar::attrIndex>("AttrIndex"),
    field<&TextChar::charPosX>("CharPosX", Spelling::fixed),
    field<&TextChar::charPosY>("CharPosY", Spelling::fixed),
    field<&TextChar::charWidth>("CharWidth", Spelling::fixed),
    field<&TextChar::charBaseY>("CharBaseY", Spelling::fixed),
    field<&TextChar::charBaseShift>("CharBaseShift", Spelling::fixed),
    field<&TextChar::origIndex>("OrigIndex"),
    field<&TextChar::profileOffset>("ProfileOffset"),
    field<&TextChar::profileScale>("ProfileScale"),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kTextCharTable{kTextCharLines};

}  // namespace

TextChar::TextChar() { kTextCharTable.registerInto(*this); }

CommandTable& TextChar::commandTable() {
    static CommandTable table;
    return table;
}

int TextChar::writeCommands(CommandIO& io) { return kTextCharTable.write(io, *this); }

}  // namespace fw
