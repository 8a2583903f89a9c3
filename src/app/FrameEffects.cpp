#include "app/FrameEffects.h"

#include <cstring>

#include "persistence/CommandIO.h"
#include "surface/GlintUnit.h"
#include "surface/GradientUnit.h"

namespace fw {

namespace {

int beginUnit(CommandIO& io, CommandEnabler& r) {
    char className[CommandIO::kTokenSize];
    if (io.readToken(className, sizeof className) != 0) return -1;
    auto& effects = static_cast<FrameEffects&>(r);
    std::unique_ptr<EffectUnit> unit;
    if (std::strcmp(className, "GradientUnit") == 0) unit = std::make_unique<GradientUnit>();
    if (std::strcmp(className, "GlintUnit") == 0) unit = std::make_unique<GlintUnit>();
    if (!unit) return -1;
    io.push(unit.get());
    effects.units.push_back(std::move(unit));
    return 0;
}

}  // namespace

FrameEffects::FrameEffects() {
    registerCommand("begin", beginUnit);
    registerCommand("end", CommandEnabler::endCommand);
}

CommandTable& FrameEffects::commandTable() {
    static CommandTable table;
    return table;
}

int FrameEffects::readBlock(CommandIO& io) {
    io.push(this);
    return 0;
}

int FrameEffects::writeBlocks(CommandIO& io) { return units.empty() ? 0 : io.writeBlock(*this); }

int FrameEffects::writeCommands(CommandIO& io) {
    for (auto& unit : units)
        if (io.writeBlock(*unit) != 0) return -1;
    return 0;
}

std::unique_ptr<GlintUnit> FrameEffects::sweep() {
    auto glint = std::make_unique<GlintUnit>();
    glint->name = "Glint Sweep";
    glint->targetType = EffectUnit::kTargetAlpha;
    // One star with a warm bloom crossing the letters from left to right along their
    // middle, over the whole timeline; the letters' coverage keeps it off the background.
    glint->glintPosition[0][0] = 0.5;
    glint->glintPosition[0][1] = 0.55;
    glint->glintSize[0] = 480;
    glint->gradientTransferMode = EffectUnit::kAdd;
    glint->glintWipeType = GlintUnit::kWipeOnOff;
    glint->applyBloom = GlintUnit::kApplyOne;
    glint->bloomSize = 160;
    glint->bloomBoost = 60;
    glint->bloomColor[0] = 1, glint->bloomColor[1] = 0.85, glint->bloomColor[2] = 0.6;
    glint->bloomTransferMode = EffectUnit::kScreen;
    return glint;
}

}  // namespace fw
