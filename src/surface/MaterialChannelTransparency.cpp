#include "surface/MaterialChannelTransparency.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw {

namespace {

using Channel = MaterialChannelTransparency;

// The channel's own lines, before the shared channel lines.
constexpr FieldTable::Line kMaterialChannelTransparencyLines[] = {
    field<&Channel::amount>("amount"),
    field<&Channel::refraction>("refraction"),
    {"numRays", &RayChannel::readNumRays, writeGetter<&RayChannel::numRays>},
    {"spread", &RayChannel::readSpread, writeGetter<&RayChannel::spread>},
};
constexpr FieldTable kMaterialChannelTransparencyTable{kMaterialChannelTransparencyLines};

}  // namespace

MaterialChannelTransparency::MaterialChannelTransparency(Scene* scene)
    : RayChannel(kTransparency, scene, {1, 1, 1, 1}) {
    registerCommands();
}

CommandTable& MaterialChannelTransparency::commandTable() {
    static CommandTable table;
    return table;
}

void MaterialChannelTransparency::registerCommands() {
    MaterialChannel::registerCommands();
    kMaterialChannelTransparencyTable.registerInto(*this);
}

void MaterialChannelTransparency::reset() {
    MaterialChannel::reset();
    amount = 0.0;
    refraction = 1.0;
    rays_ = RaySpread();
}

bool MaterialChannelTransparency::isTrivial() const {
    return amount <= 0.0 && refraction == 1.0 && !hasActiveLayers();
}

bool MaterialChannelTransparency::sameFields(const MaterialChannel& other) const {
    const auto& o = static_cast<const MaterialChannelTransparency&>(other);
    return amount == o.amount && refraction == o.refraction && rays_ == o.rays_;
}

void MaterialChannelTransparency::copyFields(const MaterialChannel& other) {
    const auto& o = static_cast<const MaterialChannelTransparency&>(other);
    amount = o.amount;
    refraction = o.refraction;
    rays_ = o.rays_;
}

int MaterialChannelTransparency::writeFields(CommandIO& io) {
    return kMaterialChannelTransparencyTable.write(io, *this);
}

}  // namespace fw
