#include "persistence/FieldTable.h"

#include "persistence/CommandEnabler.h"

namespace fw {

void FieldTable::registerInto(CommandEnabler& owner) const {
    for (const Line& line : lines_)
        if (line.read) owner.registerCommand(line.keyword, line.read);
}

int FieldTable::write(CommandIO& io, CommandEnabler& owner) const {
    for (const Line& line : lines_) {
        if (!line.write || (line.when && !line.when(owner))) continue;
        if (line.write(io, owner, line.keyword, line.spelling) != 0) return -1;
    }
    return 0;
}

}  // namespace fw
