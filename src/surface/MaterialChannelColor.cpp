#include "surface/MaterialChannelColor.h"

#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw {

namespace {

// The channel's own lines, before the shared channel lines.
constexpr FieldTable::Line kMaterialChannelColorLines[] = {
    field<&MaterialChannelColor::color>("color"),
    field<&MaterialChannelColor::useBaseColor>("useBaseColor"),
};
constexpr FieldTable kMaterialChannelColorTable{kMaterialChannelColorLines};

}  // namespace

MaterialChannelColor::MaterialChannelColor(Scene* scene) : MaterialChannel(kColor, scene, {0.8f, 0.8f, 0.8f, 1.0f}) {
    registerCommands();
}

CommandTable& MaterialChannelColor::commandTable() {
    static CommandTable table;
    return table;
}

void MaterialChannelColor::registerCommands() {
    MaterialChannel::registerCommands();
    kMaterialChannelColorTable.registerInto(*this);
}

void MaterialChannelColor::reset() {
    MaterialChannel::reset();
    useBaseColor = true;
    setColor(0.8f, 0.8f, 0.8f, 1.0f);
}

void MaterialChannelColor::setColor(float r, float g, float b, float a) {
    color[0] = r, color[1] = g, color[2] = b, color[3] = a;
}

void MaterialChannelColor::refreshBaseLayer() { setBaseColor({color[0], color[1], color[2], color[3]}); }

const Rgba* MaterialChannelColor::startColor(Rgba& storage) const {
    if (!useBaseColor) return nullptr;
    storage = {color[0], color[1], color[2], color[3]};
    return &storage;
}

bool MaterialChannelColor::sameFields(const MaterialChannel& other) const {
    const auto& o = static_cast<const MaterialChannelColor&>(other);
    return useBaseColor == o.useBaseColor && std::memcmp(color, o.color, sizeof color) == 0;
}

void MaterialChannelColor::copyFields(const MaterialChannel& other) {
    const auto& o = static_cast<const MaterialChannelColor&>(other);
    useBaseColor = o.useBaseColor;
    std::memcpy(color, o.color, sizeof color);
}

int MaterialChannelColor::writeFields(CommandIO& io) { return kMaterialChannelColorTable.write(io, *this); }

}  // namespace fw
