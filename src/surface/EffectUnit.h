#pragma once
// What the gradient and glint units share: a name and the target mask that says
// where on a layer the effect applies, with the transfer mode names both use.

#include <string>

#include "persistence/CommandEnabler.h"
#include "surface/NameTable.h"

namespace fw {

class EffectUnit : public CommandEnabler {
public:
    enum TargetType {
        kTargetNone = 1, kTargetAlpha, kTargetBrightness, kTargetBrightnessAlpha,
        kTargetCircle, kTargetCircleAlpha, kTargetSquare, kTargetSquareAlpha,
    };
    enum TargetProcessing { kProcessNone = 1, kProcessInvert, kProcessEdgesOnly, kProcessInnerGlow, kProcessOuterGlow };
    // Numbered differently from the blend modes of material layers.
    enum TransferMode { kNormal = 1, kScreen, kMultiply, kOverlay, kAdd, kMagicGlue1, kMagicGlue2, kMagicGlue3 };

    static const NameTable kTargetTypeNames;
    static const NameTable kTargetProcessingNames;
    static const NameTable kTransferModeNames;

    explicit EffectUnit(const char* name) : name(name) {}

    // Name, the unit's gradients, the target lines; then the unit's own lines.
    int writeCommands(CommandIO& io) override;
    // Registers the shared keywords; the concrete unit's constructor calls it (through
    // its own override) so that every keyword lands in the concrete unit's table.
    virtual void registerCommands();

    bool sameTarget(const EffectUnit& o) const;

    std::string name;
    int targetType = kTargetAlpha;
    int targetProcessing = kProcessNone;
    double targetBrightCutoff = 1.0;
    double targetDarkCutoff = 0.25;
    double targetThickness = 1.0;
    double targetFeather = 0.0;
    double targetSizeH = 150.0;
    double targetSizeV = 150.0;
    double targetShear = 0.0;
    double targetPosition[2] = {0.5, 0.5};
    bool targetShowTarget = false;

    // The unit's gradient blocks, written after its name.
    virtual int writeGradients(CommandIO& io) = 0;

protected:
    virtual int writeOwnCommands(CommandIO& io) = 0;
};

}  // namespace fw
