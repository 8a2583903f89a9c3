#include "surface/GlintUnit.h"

#include <cstdio>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"

namespace fw {

namespace {

const char* const kWipes[] = {"None", "WipeOn", "WipeOff", "WipeOnOff", "WipeOffOn"};
const char* const kSelections[] = {"None", "One", "OneTwo", "OneTwoThree"};
const char* const kBloomColors[] = {"GlintGradient", "Layer", "Color", "BloomGradient"};

template <int GlintUnit::*Field, const NameTable* Table>
int readNamed(CommandIO& io, CommandEnabler& r) {
    char text[CommandIO::kTokenSize];
    if (io.readToken(text, sizeof text) != 0) return -1;
    receiverAs<GlintUnit>(r).*Field = Table->value(text);
    return 0;
}

template <int N>
int readGlintPosition(CommandIO& io, CommandEnabler& r) {
    return io.readVector2(receiverAs<GlintUnit>(r).glintPosition[N]);
}
template <int N>
int readGlintSize(CommandIO& io, CommandEnabler& r) {
    return io.readDouble(receiverAs<GlintUnit>(r).glintSize[N]);
}
template <int N>
int readGlintAngle(CommandIO& io, CommandEnabler& r) {
    return io.readDouble(receiverAs<GlintUnit>(r).glintAngle[N]);
}
template <int N>
int readGlintFrame0Angle(CommandIO& io, CommandEnabler& r) {
    return io.readDouble(receiverAs<GlintUnit>(r).glintFrame0Angle[N]);
}


int beginGradient(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    Gradient* g = nullptr;
    if (std::strcmp(name, "Gradient") == 0) g = &receiverAs<GlintUnit>(r).glintGradient;
    if (std::strcmp(name, "BloomGradient") == 0) g = &receiverAs<GlintUnit>(r).bloomGradient;
    if (!g) return -1;
    g->reset();
    io.push(g);
    return 0;
}

template <int N>
void registerGlint(GlintUnit& u) {
    char key[32];
    std::snprintf(key, sizeof key, "Glint%dPosition", N + 1);
    u.registerCommand(key, readGlintPosition<N>);
    std::snprintf(key, sizeof key, "Glint%dSize", N + 1);
    u.registerCommand(key, readGlintSize<N>);
    std::snprintf(key, sizeof key, "Glint%dAngle", N + 1);
    u.registerCommand(key, readGlintAngle<N>);
    std::snprintf(key, sizeof key, "Glint%dFrame0Angle", N + 1);
    u.registerCommand(key, readGlintFrame0Angle<N>);
}

}  // namespace

const NameTable GlintUnit::kWipeNames = {kWipes, 5, 1, kWipeNone, kWipeNone};
const NameTable GlintUnit::kGlintSelectionNames = {kSelections, 4, 1, kApplyNone, kApplyNone};
const NameTable GlintUnit::kBloomColorNames = {kBloomColors, 4, 1, kFromColor, kFromColor};

GlintUnit::GlintUnit(const char* name) : EffectUnit(name) { registerCommands(); }

CommandTable& GlintUnit::commandTable() {
    static CommandTable table;
    return table;
}

void GlintUnit::registerCommands() {
    EffectUnit::registerCommands();
    registerCommand("begin", beginGradient);
    registerGlint<0>(*this);
    registerGlint<1>(*this);
    registerGlint<2>(*this);
    registerCommand("GlintWipeType", readNamed<&GlintUnit::glintWipeType, &kWipeNames>);
    registerCommand("GlintWipeFeather", readField<&GlintUnit::glintWipeFeather>);
    registerCommand("ApplyGradient", readNamed<&GlintUnit::applyGradient, &kGlintSelectionNames>);
    registerCommand("GlintGradientFlip", readField<&GlintUnit::glintGradientFlip>);
    registerCommand("GlintGradientOversampling", readField<&GlintUnit::glintGradientOversampling>);
    registerCommand("GradientBoost", readField<&GlintUnit::gradientBoost>);
    registerCommand("ReactImageName", readField<&GlintUnit::reactImageName>);
    registerCommand("ReactImageInvertMap", readField<&GlintUnit::reactImageInvertMap>);
    registerCommand("ReactImageCenter", readField<&GlintUnit::reactImageCenter>);
    registerCommand("ReactImageScale", readField<&GlintUnit::reactImageScale>);
    registerCommand("ReactImageRotation", readField<&GlintUnit::reactImageRotation>);
    registerCommand("ReactImageSensitivity", readField<&GlintUnit::reactImageSensitivity>);
    registerCommand("DisplaceImageName", readField<&GlintUnit::displaceImageName>);
    registerCommand("DisplaceImageCenter", readField<&GlintUnit::displaceImageCenter>);
    registerCommand("DisplaceImageScale", readField<&GlintUnit::displaceImageScale>);
    registerCommand("DisplaceImageRotation", readField<&GlintUnit::displaceImageRotation>);
    registerCommand("DisplaceHDepth", readField<&GlintUnit::displaceHDepth>);
    registerCommand("DisplaceVDepth", readField<&GlintUnit::displaceVDepth>);
    registerCommand("GradientTransferMode", readNamed<&GlintUnit::gradientTransferMode, &kTransferModeNames>);
    registerCommand("ApplyBloom", readNamed<&GlintUnit::applyBloom, &kGlintSelectionNames>);
    registerCommand("BloomColorFrom", readNamed<&GlintUnit::bloomColorFrom, &kBloomColorNames>);
    registerCommand("BloomColor", readField<&GlintUnit::bloomColor>);
    registerCommand("BloomGradientFlip", readField<&GlintUnit::bloomGradientFlip>);
    registerCommand("BloomGradientOversampling", readField<&GlintUnit::bloomGradientOversampling>);
    registerCommand("BloomSize", readField<&GlintUnit::bloomSize>);
    registerCommand("BloomSoftness", readField<&GlintUnit::bloomSoftness>);
    registerCommand("BloomBoost", readField<&GlintUnit::bloomBoost>);
    registerCommand("BloomTransferMode", readNamed<&GlintUnit::bloomTransferMode, &kTransferModeNames>);
    registerCommand("ShowEffectOnly", readField<&GlintUnit::showEffectOnly>);
}

int GlintUnit::writeGradients(CommandIO& io) {
    if (io.writeBlock(glintGradient) != 0) return -1;
    return io.writeBlock(bloomGradient);
}

int GlintUnit::writeOwnCommands(CommandIO& io) {
    for (int n = 0; n < 3; ++n) {
        io.writef("Glint%dPosition %f %f\n", n + 1, glintPosition[n][0], glintPosition[n][1]);
        io.writef("Glint%dSize %f\n", n + 1, glintSize[n]);
        io.writef("Glint%dAngle %f\n", n + 1, glintAngle[n]);
        io.writef("Glint%dFrame0Angle %f\n", n + 1, glintFrame0Angle[n]);
    }
    io.writef("GlintWipeType \"%s\"\n", kWipeNames.name(glintWipeType));
    io.writef("GlintWipeFeather %f\n", glintWipeFeather);
    io.writef("ApplyGradient \"%s\"\n", kGlintSelectionNames.name(applyGradient));
    io.writef("GlintGradientFlip %d\n", glintGradientFlip ? 1 : 0);
    io.writef("GlintGradientOversampling %d\n", glintGradientOversampling);
    io.writef("GradientBoost %f\n", gradientBoost);
    io.writef("ReactImageName \"%s\"\n", escapeQuotes(reactImageName).c_str());
    io.writef("ReactImageCenter %f %f\n", reactImageCenter[0], reactImageCenter[1]);
    io.writef("ReactImageInvertMap %d\n", reactImageInvertMap ? 1 : 0);
    io.writef("ReactImageScale %f\n", reactImageScale);
    io.writef("ReactImageRotation %f\n", reactImageRotation);
    io.writef("ReactImageSensitivity %f\n", reactImageSensitivity);
    io.writef("DisplaceImageName \"%s\"\n", escapeQuotes(displaceImageName).c_str());
    io.writef("DisplaceImageCenter %f %f\n", displaceImageCenter[0], displaceImageCenter[1]);
    io.writef("DisplaceImageScale %f\n", displaceImageScale);
    io.writef("DisplaceImageRotation %f\n", displaceImageRotation);
    io.writef("DisplaceHDepth %f\n", displaceHDepth);
    io.writef("DisplaceVDepth %f\n", displaceVDepth);
    io.writef("GradientTransferMode \"%s\"\n", kTransferModeNames.name(gradientTransferMode));
    io.writef("ApplyBloom \"%s\"\n", kGlintSelectionNames.name(applyBloom));
    io.writef("BloomColorFrom \"%s\"\n", kBloomColorNames.name(bloomColorFrom));
    io.writef("BloomColor %f %f %f\n", bloomColor[0], bloomColor[1], bloomColor[2]);
    io.writef("BloomGradientFlip %d\n", bloomGradientFlip ? 1 : 0);
    io.writef("BloomGradientOversampling %d\n", bloomGradientOversampling);
    io.writef("BloomSize %f\n", bloomSize);
    io.writef("BloomSoftness %f\n", bloomSoftness);
    io.writef("BloomBoost %f\n", bloomBoost);
    io.writef("BloomTransferMode \"%s\"\n", kTransferModeNames.name(bloomTransferMode));
    io.writef("ShowEffectOnly %d\n", showEffectOnly ? 1 : 0);
    return 0;
}

bool GlintUnit::operator==(const GlintUnit& o) const {
    auto same = [](const double* a, const double* b, int n) {
        for (int i = 0; i < n; ++i)
            if (a[i] != b[i]) return false;
        return true;
    };
    return sameTarget(o) && same(&glintPosition[0][0], &o.glintPosition[0][0], 6) &&
           same(glintSize, o.glintSize, 3) && same(glintAngle, o.glintAngle, 3) &&
           same(glintFrame0Angle, o.glintFrame0Angle, 3) && glintWipeType == o.glintWipeType &&
           glintWipeFeather == o.glintWipeFeather && applyGradient == o.applyGradient &&
           glintGradient == o.glintGradient && glintGradientFlip == o.glintGradientFlip &&
           glintGradientOversampling == o.glintGradientOversampling && gradientBoost == o.gradientBoost &&
           reactImageName == o.reactImageName && reactImageInvertMap == o.reactImageInvertMap &&
           same(reactImageCenter, o.reactImageCenter, 2) && reactImageScale == o.reactImageScale &&
           reactImageRotation == o.reactImageRotation && reactImageSensitivity == o.reactImageSensitivity &&
           displaceImageName == o.displaceImageName && same(displaceImageCenter, o.displaceImageCenter, 2) &&
           displaceImageScale == o.displaceImageScale && displaceImageRotation == o.displaceImageRotation &&
           displaceHDepth == o.displaceHDepth && displaceVDepth == o.displaceVDepth &&
           gradientTransferMode == o.gradientTransferMode && applyBloom == o.applyBloom &&
           bloomColorFrom == o.bloomColorFrom && same(bloomColor, o.bloomColor, 3) &&
           bloomGradient == o.bloomGradient && bloomGradientFlip == o.bloomGradientFlip &&
           bloomGradientOversampling == o.bloomGradientOversampling && bloomSize == o.bloomSize &&
           bloomSoftness == o.bloomSoftness && bloomBoost == o.bloomBoost &&
           bloomTransferMode == o.bloomTransferMode && showEffectOnly == o.showEffectOnly;
}

}  // namespace fw
