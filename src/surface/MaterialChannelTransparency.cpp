#include "surface/MaterialChannelTransparency.h"

#include <algorithm>

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"

namespace fw {

namespace {

MaterialChannelTransparency& transparency(CommandEnabler& r) { return static_cast<MaterialChannelTransparency&>(r); }

int readNumRays(CommandIO& io, CommandEnabler& r) {
    int count;
    if (io.readInt(count) != 0) return -1;
    transparency(r).setNumRays(count);
    return 0;
}

int readSpread(CommandIO& io, CommandEnabler& r) {
    double spread;
    if (io.readDouble(spread) != 0) return -1;
    transparency(r).setSpread(spread);
    return 0;
}

}  // namespace

MaterialChannelTransparency::MaterialChannelTransparency(Scene* scene)
    : MaterialChannel(kTransparency, scene, {1, 1, 1, 1}) {
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
    registerCommand("numRays", readNumRays);
    registerCommand("spread", readSpread);
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

void MaterialChannelTransparency::clampRays(int cap) { rays_.setCount(std::min(rays_.count(), cap)); }

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
