#include "surface/GlintUnit.h"

#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

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

template <int GlintUnit::*Field, const NameTable* Table>
int writeNamed(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, Table->name(receiverAs<GlintUnit>(r).*Field));
}

template <int GlintUnit::*Field, const NameTable* Table>
constexpr FieldTable::Line named(const char* keyword) {
    return {keyword, readNamed<Field, Table>, writeNamed<Field, Table>};
}

// One glint's value out of the three-glint arrays.
template <auto Field, int N>
int readGlint(CommandIO& io, CommandEnabler& r) {
    return readValue(io, (receiverAs<GlintUnit>(r).*Field)[N]);
}
template <auto Field, int N>
int writeGlint(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, (receiverAs<GlintUnit>(r).*Field)[N], spelling);
}
template <auto Field, int N>
constexpr FieldTable::Line glint(const char* keyword) {
    return {keyword, readGlint<Field, N>, writeGlint<Field, N>, Spelling::fixed};
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

// The unit's own lines, after the shared ones (which bring its gradients' blocks).
constexpr FieldTable::Line kGlintLines[] = {
    glint<&GlintUnit::glintPosition, 0>("Glint1Position"),
    glint<&GlintUnit::glintSize, 0>("Glint1Size"),
    glint<&GlintUnit::glintAngle, 0>("Glint1Angle"),
    glint<&GlintUnit::glintFrame0Angle, 0>("Glint1Frame0Angle"),
    glint<&GlintUnit::glintPosition, 1>("Glint2Position"),
    glint<&GlintUnit::glintSize, 1>("Glint2Size"),
    glint<&GlintUnit::glintAngle, 1>("Glint2Angle"),
    glint<&GlintUnit::glintFrame0Angle, 1>("Glint2Frame0Angle"),
    glint<&GlintUnit::glintPosition, 2>("Glint3Position"),
    glint<&GlintUnit::glintSize, 2>("Glint3Size"),
    glint<&GlintUnit::glintAngle, 2>("Glint3Angle"),
    glint<&GlintUnit::glintFrame0Angle, 2>("Glint3Frame0Angle"),
    named<&GlintUnit::glintWipeType, &GlintUnit::kWipeNames>("GlintWipeType"),
    field<&GlintUnit::glintWipeFeather>("GlintWipeFeather", Spelling::fixed),
    named<&GlintUnit::applyGradient, &GlintUnit::kGlintSelectionNames>("ApplyGradient"),
    field<&GlintUnit::glintGradientFlip>("GlintGradientFlip"),
    field<&GlintUnit::glintGradientOversampling>("GlintGradientOversampling"),
    field<&GlintUnit::gradientBoost>("GradientBoost", Spelling::fixed),
    field<&GlintUnit::reactImageName>("ReactImageName", Spelling::quoted),
    field<&GlintUnit::reactImageCenter>("ReactImageCenter", Spelling::fixed),
    field<&GlintUnit::reactImageInvertMap>("ReactImageInvertMap"),
    field<&GlintUnit::reactImageScale>("ReactImageScale", Spelling::fixed),
    field<&GlintUnit::reactImageRotation>("ReactImageRotation", Spelling::fixed),
    field<&GlintUnit::reactImageSensitivity>("ReactImageSensitivity", Spelling::fixed),
    field<&GlintUnit::displaceImageName>("DisplaceImageName", Spelling::quoted),
    field<&GlintUnit::displaceImageCenter>("DisplaceImageCenter", Spelling::fixed),
    field<&GlintUnit::displaceImageScale>("DisplaceImageScale", Spelling::fixed),
    field<&GlintUnit::displaceImageRotation>("DisplaceImageRotation", Spelling::fixed),
    field<&GlintUnit::displaceHDepth>("DisplaceHDepth", Spelling::fixed),
    field<&GlintUnit::displaceVDepth>("DisplaceVDepth", Spelling::fixed),
    named<&GlintUnit::gradientTransferMode, &EffectUnit::kTransferModeNames>("GradientTransferMode"),
    named<&GlintUnit::applyBloom, &GlintUnit::kGlintSelectionNames>("ApplyBloom"),
    named<&GlintUnit::bloomColorFrom, &GlintUnit::kBloomColorNames>("BloomColorFrom"),
    field<&GlintUnit::bloomColor>("BloomColor", Spelling::fixed),
    field<&GlintUnit::bloomGradientFlip>("BloomGradientFlip"),
    field<&GlintUnit::bloomGradientOversampling>("BloomGradientOversampling"),
    field<&GlintUnit::bloomSize>("BloomSize", Spelling::fixed),
    field<&GlintUnit::bloomSoftness>("BloomSoftness", Spelling::fixed),
    field<&GlintUnit::bloomBoost>("BloomBoost", Spelling::fixed),
    named<&GlintUnit::bloomTransferMode, &EffectUnit::kTransferModeNames>("BloomTransferMode"),
    field<&GlintUnit::showEffectOnly>("ShowEffectOnly"),
    {"begin", beginGradient},
};
constexpr FieldTable kGlintTable{kGlintLines};

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
    kGlintTable.registerInto(*this);
}

int GlintUnit::writeGradients(CommandIO& io) {
    if (io.writeBlock(glintGradient) != 0) return -1;
    return io.writeBlock(bloomGradient);
}

int GlintUnit::writeOwnCommands(CommandIO& io) { return kGlintTable.write(io, *this); }

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
