#include "persistence/CommandEnabler.h"

#include <cstdint>
#include <cstring>

#include "persistence/CommandIO.h"

namespace fw {

void CommandEnabler::registerCommand(const char* keyword, CommandHandler handler) {
    CommandTable& table = commandTable();
    // Every instance registers its class's keywords again. A per-thread memo of where
    // each keyword landed spares the repeats the table's hashing.
    struct Seen {
        const CommandTable* table = nullptr;
        const char* keyword = nullptr;
        CommandTable::Entry* entry = nullptr;
    };
    thread_local Seen seen[512];
    auto bits = reinterpret_cast<uintptr_t>(keyword) ^ reinterpret_cast<uintptr_t>(&table) * 31;
    Seen& memo = seen[(bits ^ bits >> 9) & 511];
    if (memo.table == &table && memo.keyword == keyword && table.binds(memo.entry, keyword, handler)) return;
    CommandTable::Entry* entry = table.findOrInsert(keyword, handler);
    // The table itself holds one reference per keyword.
    if (entry->references > 1) table.release(entry);
    memo = {&table, keyword, entry};
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
