#include "surface/MaterialChannelReflectivity.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw {

namespace {

using Channel = MaterialChannelReflectivity;

// The channel's own lines, after the shared channel lines.
constexpr FieldTable::Line kReflectivityLines[] = {
    field<&Channel::amount>("amount"),
    field<&Channel::raytraceAmount>("raytraceAmount"),
    {"numRays", &RayChannel::readNumRays, writeGetter<&RayChannel::numRays>},
    {"spread", &RayChannel::readSpread, writeGetter<&RayChannel::spread>},
    field<&Channel::falloffStart>("falloffStart"),
    field<&Channel::falloffEnd>("falloffEnd"),
};
constexpr FieldTable kReflectivityTable{kReflectivityLines};

}  // namespace

MaterialChannelReflectivity::MaterialChannelReflectivity(Scene* scene)
    : RayChannel(kReflectivity, scene, {0.8f, 0.8f, 1.0f, 1.0f}) {
    registerCommands();
}

CommandTable& MaterialChannelReflectivity::commandTable() {
    static CommandTable table;
    return table;
}

void MaterialChannelReflectivity::registerCommands() {
    MaterialChannel::registerCommands();
    kReflectivityTable.registerInto(*this);
}

void MaterialChannelReflectivity::reset() {
    MaterialChannel::reset();
    amount = raytraceAmount = 0.0;
    falloffStart = falloffEnd = 0.0;
    rays_ = RaySpread();
}

// Ray-traced reflection needs no layers; the OpenGL one needs an environment to show.
bool MaterialChannelReflectivity::isTrivial() const {
    if (amount == 0.0 && raytraceAmount == 0.0) return true;
    if (raytraceAmount != 0.0) return false;
    return !hasActiveLayers();
}

bool MaterialChannelReflectivity::sameFields(const MaterialChannel& other) const {
    const auto& o = static_cast<const MaterialChannelReflectivity&>(other);
    return amount == o.amount && raytraceAmount == o.raytraceAmount && rays_ == o.rays_ &&
           falloffStart == o.falloffStart && falloffEnd == o.falloffEnd;
}

void MaterialChannelReflectivity::copyFields(const MaterialChannel& other) {
    const auto& o = static_cast<const MaterialChannelReflectivity&>(other);
    amount = o.amount;
    raytraceAmount = o.raytraceAmount;
    falloffStart = o.falloffStart;
    falloffEnd = o.falloffEnd;
    rays_ = o.rays_;
}

int MaterialChannelReflectivity::writeFields(CommandIO& io) { return kReflectivityTable.write(io, *this); }

}  // namespace fw
