#include "app/OrvoFrameManager.h"

#include "persistence/CommandIO.h"

namespace fw {

OrvoFrameManager::OrvoFrameManager() { registerCommand("end", CommandEnabler::endCommand); }

CommandTable& OrvoFrameManager::commandTable() {
    static CommandTable table;
    return table;
}

int OrvoFrameManager::writeCommands(CommandIO&) { return 0; }

}  // namespace fw
