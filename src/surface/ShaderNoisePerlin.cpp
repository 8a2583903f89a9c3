#include "surface/ShaderNoisePerlin.h"

#include <cmath>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "platform/MathConstants.h"

namespace fw {

namespace {

const char* const kPerlinTypes[] = {"Cloud", "Marble", "Lava"};

// Every value read may change the generator or the tone curve.
void notePerlinChange(CommandEnabler& r) { receiverAs<ShaderNoisePerlin>(r).notifyChange(); }
ToneCurve& perlinTone(CommandEnabler& r) { return receiverAs<ShaderNoisePerlin>(r).tone; }

int readType(CommandIO& io, CommandEnabler& r) {
    char text[CommandIO::kTokenSize];
    if (io.readToken(text, sizeof text) != 0) return -1;
    receiverAs<ShaderNoisePerlin>(r).type = ShaderNoisePerlin::kTypeNames.value(text);
    notePerlinChange(r);
    return 0;
}
int writeType(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, ShaderNoisePerlin::kTypeNames.name(receiverAs<ShaderNoisePerlin>(r).type));
}

// The block may be closed under either of the names it can be opened with.
int endNoise(CommandIO& io, CommandEnabler&) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    if (std::strcmp(name, "ShaderNoise") != 0 && std::strcmp(name, "ShaderNoisePerlin") != 0) return -1;
    io.pop();
    return 0;
}

// The noise's own lines, after the shader's. The stripe count is read but never
// written.
constexpr FieldTable::Line kPerlinLines[] = {
    {"Type", readType, writeType},
    field<&ShaderNoisePerlin::color1>("Color1"),
    field<&ShaderNoisePerlin::color2>("Color2"),
    fieldThen<&ShaderNoisePerlin::size, notePerlinChange>("Size"),
    fieldThen<&ShaderNoisePerlin::complexity, notePerlinChange>("Complexity"),
    fieldThen<&ShaderNoisePerlin::persistence, notePerlinChange>("Persistence"),
    fieldThen<&ShaderNoisePerlin::stretch, notePerlinChange>("Stretch"),
    fieldThen<&ShaderNoisePerlin::narrow, notePerlinChange>("Narrow"),
    fieldThen<&ToneCurve::blackPoint, notePerlinChange, perlinTone>("BlackPoint"),
    fieldThen<&ToneCurve::whitePoint, notePerlinChange, perlinTone>("WhitePoint"),
    fieldThen<&ToneCurve::pointSmooth, notePerlinChange, perlinTone>("PointSmooth"),
    fieldThen<&ToneCurve::gamma, notePerlinChange, perlinTone>("Gamma"),
    {"NumStripes", readFieldThen<&ShaderNoisePerlin::numStripes, notePerlinChange>},
    fieldThen<&ShaderNoisePerlin::seed, notePerlinChange>("Seed"),
    {"end", endNoise},
};
constexpr FieldTable kPerlinTable{kPerlinLines};

}  // namespace

// Any name other than Cloud or Marble reads as Lava.
const NameTable ShaderNoisePerlin::kTypeNames = {kPerlinTypes, 3, 1, kCloud, kLava};

ShaderNoisePerlin::ShaderNoisePerlin() : Shader(kNoisePerlin) {
    registerCommands();
    notifyChange();
}

CommandTable& ShaderNoisePerlin::commandTable() {
    static CommandTable table;
    return table;
}

void ShaderNoisePerlin::registerCommands() {
    Shader::registerCommands();
    kPerlinTable.registerInto(*this);
}

void ShaderNoisePerlin::reset() {
    Shader::reset();
    type = kCloud;
    const float black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
    std::memcpy(color1, black, sizeof color1);
    std::memcpy(color2, white, sizeof color2);
    size = 5.0;
    complexity = 5.0;
    persistence = 0.5;
    stretch = 1.0;
    narrow = 1.0;
    tone = ToneCurve();
    numStripes = 5.0;
    seed = 50;
    notifyChange();
}

void ShaderNoisePerlin::notifyChange() {
    int mode = type == kCloud ? NoiseGenerator::kSigned : type == kMarble ? NoiseGenerator::kAbsolute
                                                                          : NoiseGenerator::kAbsoluteToo;
    generator_.build(mode, complexity, size, 1.0, persistence, seed);
    tone.update();
}

Rgba ShaderNoisePerlin::shade(const Footprint& f) const {
    double u = (f.u0 + f.u1) * 0.5, v = (f.v0 + f.v1) * 0.5;
    if (stretch > 1e-9) u /= stretch;
    double t = tone.apply((generator_.sum(u, v) + 1.0) * 0.5);
    double mix = t;
    if (type == kMarble) {
        // Stripes run across u, bent by the noise; inside one the colours blend from
        // Color2 at its middle to Color1 at its edges.
        double w = std::sin(2 * kPi * (std::floor(numStripes) * u + t)) / (0.25 * (narrow > 1e-9 ? narrow : 1e-9));
        mix = std::fabs(w) < 1.0 ? std::fabs(std::cos(w * kPi / 2)) : 0.0;
    }
    double c[4];
    for (int i = 0; i < 4; ++i) c[i] = color1[i] * (1 - mix) + color2[i] * mix;
    return {float(c[0] * c[3]), float(c[1] * c[3]), float(c[2] * c[3]), float(c[3])};
}

bool ShaderNoisePerlin::sameFields(const Shader& other) const {
    const auto& o = static_cast<const ShaderNoisePerlin&>(other);
    return type == o.type && !std::memcmp(color1, o.color1, sizeof color1) &&
           !std::memcmp(color2, o.color2, sizeof color2) && size == o.size && complexity == o.complexity &&
           persistence == o.persistence && stretch == o.stretch && narrow == o.narrow && tone == o.tone &&
           numStripes == o.numStripes && seed == o.seed;
}

void ShaderNoisePerlin::copyFields(const Shader& other) {
    const auto& o = static_cast<const ShaderNoisePerlin&>(other);
    type = o.type;
    std::memcpy(color1, o.color1, sizeof color1);
    std::memcpy(color2, o.color2, sizeof color2);
    size = o.size;
    complexity = o.complexity;
    persistence = o.persistence;
    stretch = o.stretch;
    narrow = o.narrow;
    tone = o.tone;
    numStripes = o.numStripes;
    seed = o.seed;
}

int ShaderNoisePerlin::writeFields(CommandIO& io) { return kPerlinTable.write(io, *this); }

}  // namespace fw
