#include "surface/MaterialChannelTransparency.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"

namespace fw {

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
    registerCommand("amount", readField<&MaterialChannelTransparency::amount>);
    registerCommand("refraction", readField<&MaterialChannelTransparency::refraction>);
    registerRayCommands();
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
    io.writef("amount %g\n", amount);
    io.writef("refraction %g\n", refraction);
    io.writef("numRays %d\n", rays_.count());
    return io.writef("spread %g\n", rays_.spread());
}

}  // namespace fw
