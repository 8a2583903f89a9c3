#pragma once
// Up to three star-like glints placed through a target mask, coloured from a gradient,
// reacting to or displaced by other images, with a bloom. Only the stored side lives
// here; drawing glints over an image belongs to the effects that use them.

#include <string>

#include "surface/EffectUnit.h"
#include "surface/Gradient.h"

namespace fw {

class GlintUnit : public EffectUnit {
public:
    enum Wipe { kWipeNone = 1, kWipeOn, kWipeOff, kWipeOnOff, kWipeOffOn };
    // Which glints a gradient or bloom applies to.
    enum GlintSelection { kApplyNone = 1, kApplyOne, kApplyOneTwo, kApplyOneTwoThree };
    enum BloomColorSource { kFromGlintGradient = 1, kFromLayer, kFromColor, kFromBloomGradient };

    static const NameTable kWipeNames;
    static const NameTable kGlintSelectionNames;
    static const NameTable kBloomColorNames;

    explicit GlintUnit(const char* name = "GlintUnit");

    CommandTable& commandTable() override;
    const char* className() const override { return "GlintUnit"; }
    void registerCommands() override;

    bool operator==(const GlintUnit& o) const;

    double glintPosition[3][2] = {{0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}};
    double glintSize[3] = {100.0, 100.0, 100.0};
    double glintAngle[3] = {20.0, 20.0, 20.0};
    double glintFrame0Angle[3] = {0.0, 0.0, 0.0};  // the angle at frame 0
    int glintWipeType = kWipeNone;
    double glintWipeFeather = 0.0;
    int applyGradient = kApplyOne;
    Gradient glintGradient{"Gradient"};
    bool glintGradientFlip = false;
    int glintGradientOversampling = 0;
    double gradientBoost = 0.0;
    std::string reactImageName;  // an image map, or empty for none
    bool reactImageInvertMap = false;
    double reactImageCenter[2] = {0.5, 0.5};
    double reactImageScale = 1.0;
    double reactImageRotation = 0.0;
    double reactImageSensitivity = 0.0;
    std::string displaceImageName;
    double displaceImageCenter[2] = {0.5, 0.5};
    double displaceImageScale = 1.0;
    double displaceImageRotation = 0.0;
    double displaceHDepth = 10.0;
    double displaceVDepth = 10.0;
    int gradientTransferMode = kNormal;
    int applyBloom = kApplyNone;
    int bloomColorFrom = kFromColor;
    double bloomColor[3] = {1.0, 1.0, 1.0};
    Gradient bloomGradient{"BloomGradient"};
    bool bloomGradientFlip = false;
    int bloomGradientOversampling = 0;
    double bloomSize = 25.0;
    double bloomSoftness = 0.8;
    double bloomBoost = 0.0;
    int bloomTransferMode = kNormal;
    bool showEffectOnly = false;

protected:
    int writeGradients(CommandIO& io) override;
    int writeOwnCommands(CommandIO& io) override;
};

}  // namespace fw
