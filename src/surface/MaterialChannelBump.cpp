#include "surface/MaterialChannelBump.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw {

namespace {

// The channel's own line, before the shared channel lines.
constexpr FieldTable::Line kMaterialChannelBumpLines[] = {
    field<&MaterialChannelBump::amount>("amount"),
};
constexpr FieldTable kMaterialChannelBumpTable{kMaterialChannelBumpLines};

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
    kMaterialChannelBumpTable.registerInto(*this);
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

int MaterialChannelBump::writeFields(CommandIO& io) { return kMaterialChannelBumpTable.write(io, *this); }

}  // namespace fw
