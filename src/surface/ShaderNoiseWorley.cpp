#include "surface/ShaderNoiseWorley.h"

#include <algorithm>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw {

namespace {

const char* const kWorleyTypes[] = {"Soft", "Hard", "Rings", "Flat"};
const char* const kMethods[] = {"Euclidean", "Manhattan", "Chebyshev", "Minkovsky"};

// Every value read may change the generator or the tone curve.
void noteWorleyChange(CommandEnabler& r) { receiverAs<ShaderNoiseWorley>(r).notifyChange(); }
ToneCurve& worleyTone(CommandEnabler& r) { return receiverAs<ShaderNoiseWorley>(r).tone; }

template <int ShaderNoiseWorley::*Field, const NameTable* Table>
int readNamed(CommandIO& io, CommandEnabler& r) {
    char text[CommandIO::kTokenSize];
    if (io.readToken(text, sizeof text) != 0) return -1;
    receiverAs<ShaderNoiseWorley>(r).*Field = Table->value(text);
    noteWorleyChange(r);
    return 0;
}
template <int ShaderNoiseWorley::*Field, const NameTable* Table>
int writeNamed(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, Table->name(receiverAs<ShaderNoiseWorley>(r).*Field));
}
template <int ShaderNoiseWorley::*Field, const NameTable* Table>
constexpr FieldTable::Line named(const char* keyword) {
    return {keyword, readNamed<Field, Table>, writeNamed<Field, Table>};
}

// The noise's own lines, after the shader's.
constexpr FieldTable::Line kWorleyLines[] = {
    named<&ShaderNoiseWorley::type, &ShaderNoiseWorley::kTypeNames>("Type"),
    named<&ShaderNoiseWorley::method, &ShaderNoiseWorley::kMethodNames>("Method"),
    field<&ShaderNoiseWorley::color1>("Color1"),
    field<&ShaderNoiseWorley::color2>("Color2"),
    fieldThen<&ShaderNoiseWorley::size, noteWorleyChange>("Size"),
    fieldThen<&ShaderNoiseWorley::stretch, noteWorleyChange>("Stretch"),
    fieldThen<&ToneCurve::blackPoint, noteWorleyChange, worleyTone>("BlackPoint"),
    fieldThen<&ToneCurve::whitePoint, noteWorleyChange, worleyTone>("WhitePoint"),
    fieldThen<&ToneCurve::pointSmooth, noteWorleyChange, worleyTone>("PointSmooth"),
    fieldThen<&ToneCurve::gamma, noteWorleyChange, worleyTone>("Gamma"),
    fieldThen<&ShaderNoiseWorley::ringComplexity, noteWorleyChange>("RingComplexity"),
    fieldThen<&ShaderNoiseWorley::exponent, noteWorleyChange>("Exponent"),
    fieldThen<&ShaderNoiseWorley::flatQuality, noteWorleyChange>("FlatQuality"),
    fieldThen<&ShaderNoiseWorley::seed, noteWorleyChange>("Seed"),
};
constexpr FieldTable kWorleyTable{kWorleyLines};

}  // namespace

const NameTable ShaderNoiseWorley::kTypeNames = {kWorleyTypes, 4, 1, CellularGenerator::kSoft,
                                                 CellularGenerator::kSoft};
const NameTable ShaderNoiseWorley::kMethodNames = {kMethods, 4, 1, CellularGenerator::kEuclidean,
                                                   CellularGenerator::kEuclidean};

ShaderNoiseWorley::ShaderNoiseWorley() : Shader(kNoiseWorley) {
    registerCommands();
    notifyChange();
}

CommandTable& ShaderNoiseWorley::commandTable() {
    static CommandTable table;
    return table;
}

void ShaderNoiseWorley::registerCommands() {
    Shader::registerCommands();
    kWorleyTable.registerInto(*this);
}

void ShaderNoiseWorley::reset() {
    Shader::reset();
    type = CellularGenerator::kSoft;
    method = CellularGenerator::kEuclidean;
    const float black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
    std::memcpy(color1, black, sizeof color1);
    std::memcpy(color2, white, sizeof color2);
    size = 5.0;
    stretch = 1.0;
    tone = ToneCurve();
    ringComplexity = 5;
    exponent = 5.0;
    flatQuality = 1;
    seed = 50;
    notifyChange();
}

void ShaderNoiseWorley::notifyChange() {
    generator_.build(type, method, kJitter, seed);
    tone.update();
}

Rgba ShaderNoiseWorley::shade(const Footprint& f) const {
    // Flat cells have hard edges; they alone are sampled across the footprint.
    int n = type == CellularGenerator::kFlat ? std::clamp(flatQuality, 1, 8) : 1;
    double sx = stretch > 1e-9 ? size / stretch : size;
    double t = 0;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            double u = f.u0 + (f.u1 - f.u0) * (i + 0.5) / n, v = f.v0 + (f.v1 - f.v0) * (j + 0.5) / n;
            t += generator_.value(u * sx, v * size, exponent, ringComplexity);
        }
    }
    double mix = tone.apply(t / (n * n));
    double c[4];
    for (int i = 0; i < 4; ++i) c[i] = color1[i] * (1 - mix) + color2[i] * mix;
    return {float(c[0] * c[3]), float(c[1] * c[3]), float(c[2] * c[3]), float(c[3])};
}

bool ShaderNoiseWorley::sameFields(const Shader& other) const {
    const auto& o = static_cast<const ShaderNoiseWorley&>(other);
    return type == o.type && method == o.method && !std::memcmp(color1, o.color1, sizeof color1) &&
           !std::memcmp(color2, o.color2, sizeof color2) && size == o.size && stretch == o.stretch &&
           tone == o.tone && ringComplexity == o.ringComplexity && exponent == o.exponent &&
           flatQuality == o.flatQuality && seed == o.seed;
}

void ShaderNoiseWorley::copyFields(const Shader& other) {
    const auto& o = static_cast<const ShaderNoiseWorley&>(other);
    type = o.type;
    method = o.method;
    std::memcpy(color1, o.color1, sizeof color1);
    std::memcpy(color2, o.color2, sizeof color2);
    size = o.size;
    stretch = o.stretch;
    tone = o.tone;
    ringComplexity = o.ringComplexity;
    exponent = o.exponent;
    flatQuality = o.flatQuality;
    seed = o.seed;
}

int ShaderNoiseWorley::writeFields(CommandIO& io) { return kWorleyTable.write(io, *this); }

}  // namespace fw
