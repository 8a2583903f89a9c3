#include "persistence/CommandEnabler.h"

#include <cstring>

#include "persistence/CommandIO.h"

namespace fw {

void CommandEnabler::registerCommand(const char* keyword, CommandHandler handler) {
    CommandTable& table = commandTable();
    CommandTable::Entry* entry = table.findOrInsert(keyword, handler);
    // Every instance registers again; the table itself holds one reference per keyword.
    if (entry->references > 1) table.release(entry);
}

int CommandEnabler::endCommand(CommandIO& io, CommandEnabler& receiver) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    if (std::strcmp(name, receiver.className()) != 0) return -1;
    receiver.finishReading();
    io.pop();
    return 0;
}

}  // namespace fw
