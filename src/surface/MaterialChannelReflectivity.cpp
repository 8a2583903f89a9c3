#include "surface/MaterialChannelReflectivity.h"

#include <algorithm>

#include "persistence/CommandIO.h"
#include "surface/RayDirections.h"

namespace fw {

namespace {

MaterialChannelReflectivity& reflectivity(CommandEnabler& r) { return static_cast<MaterialChannelReflectivity&>(r); }

template <double MaterialChannelReflectivity::*Field>
int readDouble(CommandIO& io, CommandEnabler& r) {
    return io.readDouble(reflectivity(r).*Field);
}

int readNumRays(CommandIO& io, CommandEnabler& r) {
    int count;
    if (io.readInt(count) != 0) return -1;
    reflectivity(r).setNumRays(count);
    return 0;
}

int readSpread(CommandIO& io, CommandEnabler& r) {
    double spread;
    if (io.readDouble(spread) != 0) return -1;
    reflectivity(r).setSpread(spread);
    return 0;
}

}  // namespace

MaterialChannelReflectivity::MaterialChannelReflectivity(Scene* scene)
    : MaterialChannel(kReflectivity, scene, {0.8f, 0.8f, 1.0f, 1.0f}), rays_(RayDirections::make(1, 0.0)) {
    registerCommands();
}

CommandTable& MaterialChannelReflectivity::commandTable() {
    static CommandTable table;
    return table;
}

void MaterialChannelReflectivity::registerCommands() {
    MaterialChannel::registerCommands();
    registerCommand("amount", readDouble<&MaterialChannelReflectivity::amount>);
    registerCommand("raytraceAmount", readDouble<&MaterialChannelReflectivity::raytraceAmount>);
    registerCommand("numRays", readNumRays);
    registerCommand("spread", readSpread);
    registerCommand("falloffStart", readDouble<&MaterialChannelReflectivity::falloffStart>);
    registerCommand("falloffEnd", readDouble<&MaterialChannelReflectivity::falloffEnd>);
}

void MaterialChannelReflectivity::reset() {
    MaterialChannel::reset();
    amount = raytraceAmount = 0.0;
    falloffStart = falloffEnd = 0.0;
    numRays_ = 1;
    spread_ = 0.0;
    rays_ = RayDirections::make(1, 0.0);
}

// Ray-traced reflection needs no layers; the OpenGL one needs an environment to show.
bool MaterialChannelReflectivity::isTrivial() const {
    if (amount == 0.0 && raytraceAmount == 0.0) return true;
    if (raytraceAmount != 0.0) return false;
    return !hasActiveLayers();
}

void MaterialChannelReflectivity::setNumRays(int count) {
    numRays_ = count;
    rays_ = RayDirections::make(numRays_, spread_);
}

void MaterialChannelReflectivity::setSpread(double spread) {
    spread_ = spread;
    rays_ = RayDirections::make(numRays_, spread_);
}

void MaterialChannelReflectivity::clampRays(int cap) { setNumRays(std::min(numRays_, cap)); }

bool MaterialChannelReflectivity::sameFields(const MaterialChannel& other) const {
    const auto& o = static_cast<const MaterialChannelReflectivity&>(other);
    return amount == o.amount && raytraceAmount == o.raytraceAmount && numRays_ == o.numRays_ &&
           spread_ == o.spread_ && falloffStart == o.falloffStart && falloffEnd == o.falloffEnd;
}

void MaterialChannelReflectivity::copyFields(const MaterialChannel& other) {
    const auto& o = static_cast<const MaterialChannelReflectivity&>(other);
    amount = o.amount;
    raytraceAmount = o.raytraceAmount;
    falloffStart = o.falloffStart;
    falloffEnd = o.falloffEnd;
    numRays_ = o.numRays_;
    spread_ = o.spread_;
    rays_ = o.rays_;
}

int MaterialChannelReflectivity::writeFields(CommandIO& io) {
    io.writef("amount %g\n", amount);
    io.writef("raytraceAmount %g\n", raytraceAmount);
    io.writef("numRays %d\n", numRays_);
    io.writef("spread %g\n", spread_);
    io.writef("falloffStart %g\n", falloffStart);
    return io.writef("falloffEnd %g\n", falloffEnd);
}

}  // namespace fw
