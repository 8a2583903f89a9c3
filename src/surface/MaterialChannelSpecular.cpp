#include "surface/MaterialChannelSpecular.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw {

namespace {

// The channel's own lines, before the shared channel lines.
constexpr FieldTable::Line kMaterialChannelSpecularLines[] = {
    field<&MaterialChannelSpecular::brightness>("brightness"),
    field<&MaterialChannelSpecular::sharpness>("sharpness"),
};
constexpr FieldTable kMaterialChannelSpecularTable{kMaterialChannelSpecularLines};

}  // namespace

MaterialChannelSpecular::MaterialChannelSpecular(Scene* scene) : MaterialChannel(kSpecular, scene, {1, 1, 1, 1}) {
    registerCommands();
}

CommandTable& MaterialChannelSpecular::commandTable() {
    static CommandTable table;
    return table;
}

void MaterialChannelSpecular::registerCommands() {
    MaterialChannel::registerCommands();
    kMaterialChannelSpecularTable.registerInto(*this);
}

void MaterialChannelSpecular::reset() {
    MaterialChannel::reset();
    brightness = 0.2;
    sharpness = 80.0;
}

bool MaterialChannelSpecular::sameFields(const MaterialChannel& other) const {
    const auto& o = static_cast<const MaterialChannelSpecular&>(other);
    return brightness == o.brightness && sharpness == o.sharpness;
}

void MaterialChannelSpecular::copyFields(const MaterialChannel& other) {
    const auto& o = static_cast<const MaterialChannelSpecular&>(other);
    brightness = o.brightness;
    sharpness = o.sharpness;
}

int MaterialChannelSpecular::writeFields(CommandIO& io) { return kMaterialChannelSpecularTable.write(io, *this); }

}  // namespace fw
