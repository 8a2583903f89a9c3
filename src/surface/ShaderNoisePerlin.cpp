#include "surface/ShaderNoisePerlin.h"

#include <cmath>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"
#include "platform/MathConstants.h"

namespace fw {

namespace {

const char* const kTypes[] = {"Cloud", "Marble", "Lava"};

// Every value read may change the generator or the tone curve.
int changed(ShaderNoisePerlin& s, int status) {
    if (status == 0) s.notifyChange();
    return status;
}

void noteChange(CommandEnabler& r) { receiverAs<ShaderNoisePerlin>(r).notifyChange(); }
ToneCurve& toneOf(CommandEnabler& r) { return receiverAs<ShaderNoisePerlin>(r).tone; }

int readType(CommandIO& io, CommandEnabler& r) {
    char text[CommandIO::kTokenSize];
    if (io.readToken(text, sizeof text) != 0) return -1;
    receiverAs<ShaderNoisePerlin>(r).type = ShaderNoisePerlin::kTypeNames.value(text);
    return changed(receiverAs<ShaderNoisePerlin>(r), 0);
}

int readSeed(CommandIO& io, CommandEnabler& r) { return changed(receiverAs<ShaderNoisePerlin>(r), io.readUnsignedLong(receiverAs<ShaderNoisePerlin>(r).seed)); }

// The block may be closed under either of the names it can be opened with.
int endNoise(CommandIO& io, CommandEnabler&) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    if (std::strcmp(name, "ShaderNoise") != 0 && std::strcmp(name, "ShaderNoisePerlin") != 0) return -1;
    io.pop();
    return 0;
}

}  // namespace

// Any name other than Cloud or Marble reads as Lava.
const NameTable ShaderNoisePerlin::kTypeNames = {kTypes, 3, 1, kCloud, kLava};

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
    registerCommand("Type", readType);
    registerCommand("Color1", readField<&ShaderNoisePerlin::color1>);
    registerCommand("Color2", readField<&ShaderNoisePerlin::color2>);
    registerCommand("Size", readFieldThen<&ShaderNoisePerlin::size, noteChange>);
    registerCommand("Complexity", readFieldThen<&ShaderNoisePerlin::complexity, noteChange>);
    registerCommand("Persistence", readFieldThen<&ShaderNoisePerlin::persistence, noteChange>);
    registerCommand("Stretch", readFieldThen<&ShaderNoisePerlin::stretch, noteChange>);
    registerCommand("Narrow", readFieldThen<&ShaderNoisePerlin::narrow, noteChange>);
    ToneCurve::registerCommands<toneOf, noteChange>(*this);
    registerCommand("NumStripes", readFieldThen<&ShaderNoisePerlin::numStripes, noteChange>);
    registerCommand("Seed", readSeed);
    registerCommand("end", endNoise);
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

int ShaderNoisePerlin::writeFields(CommandIO& io) {
    io.writef("Type \"%s\"\n", kTypeNames.name(type));
    io.writef("Color1 %g %g %g %g\n", color1[0], color1[1], color1[2], color1[3]);
    io.writef("Color2 %g %g %g %g\n", color2[0], color2[1], color2[2], color2[3]);
    io.writef("Size %g\n", size);
    io.writef("Complexity %g\n", complexity);
    io.writef("Persistence %g\n", persistence);
    io.writef("Stretch %g\n", stretch);
    io.writef("Narrow %g\n", narrow);
    tone.write(io);
    io.writef("Seed %lu\n", seed);
    return 0;
}

}  // namespace fw
