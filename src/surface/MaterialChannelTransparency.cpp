#include "surface/MaterialChannelTransparency.h"

#include <algorithm>

#include "persistence/CommandIO.h"
#include "surface/RayDirections.h"

namespace fw {

namespace {

MaterialChannelTransparency& transparency(CommandEnabler& r) { return static_cast<MaterialChannelTransparency&>(r); }

template <double MaterialChannelTransparency::*Field>
int readDouble(CommandIO& io, CommandEnabler& r) {
    return io.readDouble(transparency(r).*Field);
}

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
    : MaterialChannel(kTransparency, scene, {1, 1, 1, 1}), rays_(RayDirections::make(1, 0.0)) {
    registerCommands();
}

CommandTable& MaterialChannelTransparency::commandTable() {
    static CommandTable table;
    return table;
}

void MaterialChannelTransparency::registerCommands() {
    MaterialChannel::registerCommands();
    registerCommand("amount", readDouble<&MaterialChannelTransparency::amount>);
    registerCommand("refraction", readDouble<&MaterialChannelTransparency::refraction>);
    registerCommand("numRays", readNumRays);
    registerCommand("spread", readSpread);
}

void MaterialChannelTransparency::reset() {
    MaterialChannel::reset();
    amount = 0.0;
    refraction = 1.0;
    numRays_ = 1;
    spread_ = 0.0;
    rays_ = RayDirections::make(1, 0.0);
}

bool MaterialChannelTransparency::isTrivial() const {
    return amount <= 0.0 && refraction == 1.0 && !hasActiveLayers();
}

void MaterialChannelTransparency::setNumRays(int count) {
    numRays_ = count;
    rays_ = RayDirections::make(numRays_, spread_);
}

void MaterialChannelTransparency::setSpread(double spread) {
    spread_ = spread;
    rays_ = RayDirections::make(numRays_, spread_);
}

void MaterialChannelTransparency::clampRays(int cap) { setNumRays(std::min(numRays_, cap)); }

bool MaterialChannelTransparency::sameFields(const MaterialChannel& other) const {
    const auto& o = static_cast<const MaterialChannelTransparency&>(other);
    return amount == o.amount && refraction == o.refraction && numRays_ == o.numRays_ && spread_ == o.spread_;
}

void MaterialChannelTransparency::copyFields(const MaterialChannel& other) {
    const auto& o = static_cast<const MaterialChannelTransparency&>(other);
    amount = o.amount;
    refraction = o.refraction;
    numRays_ = o.numRays_;
    spread_ = o.spread_;
    rays_ = o.rays_;
}

int MaterialChannelTransparency::writeFields(CommandIO& io) {
    io.writef("amount %g\n", amount);
    io.writef("refraction %g\n", refraction);
    io.writef("numRays %d\n", numRays_);
    return io.writef("spread %g\n", spread_);
}

}  // namespace fw
