#include "surface/MaterialChannelBump.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"

namespace fw {

namespace {

int readAmount(CommandIO& io, CommandEnabler& r) { return io.readDouble(receiverAs<MaterialChannelBump>(r).amount); }

}  // namespace

MaterialChannelBump::MaterialChannelBump(Scene* scene) : MaterialChannel(kBump, scene, {0, 0, 0, 0}) {
    registerCommands();
}

CommandTable& MaterialChannelBump::commandTable() {
    static CommandTable table;
    return table;
}

void MaterialChannelBump::registerCommands() {
    MaterialChannel::registerCommands();
    registerCommand("amount", readAmount);
}

void MaterialChannelBump::reset() {
    MaterialChannel::reset();
    amount = 0.0;
}

bool MaterialChannelBump::sameFields(const MaterialChannel& other) const {
    return amount == static_cast<const MaterialChannelBump&>(other).amount;
}

void MaterialChannelBump::copyFields(const MaterialChannel& other) {
    amount = static_cast<const MaterialChannelBump&>(other).amount;
}

int MaterialChannelBump::writeFields(CommandIO& io) { return io.writef("amount %g\n", amount); }

}  // namespace fw
