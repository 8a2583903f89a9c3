#include "surface/ShaderGradient.h"

#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw {

namespace {

int beginUnit(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0 || std::strcmp(name, "GradientUnit") != 0) return -1;
    io.push(&receiverAs<ShaderGradient>(r).unit);
    return 0;
}

int writeUnit(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    return io.writeBlock(receiverAs<ShaderGradient>(r).unit);
}

constexpr FieldTable::Line kShaderGradientLines[] = {
    {"begin", beginUnit, writeUnit},
};
constexpr FieldTable kShaderGradientTable{kShaderGradientLines};

}  // namespace

ShaderGradient::ShaderGradient() : Shader(kGradient) { registerCommands(); }

CommandTable& ShaderGradient::commandTable() {
    static CommandTable table;
    return table;
}

void ShaderGradient::registerCommands() {
    Shader::registerCommands();
    kShaderGradientTable.registerInto(*this);
}

void ShaderGradient::reset() {
    Shader::reset();
    unit = GradientUnit("Gradient");
}

Rgba ShaderGradient::shade(const Footprint& f) const { return unit.average(f.u0, f.v0, f.u1, f.v1); }

bool ShaderGradient::sameFields(const Shader& other) const {
    return unit == static_cast<const ShaderGradient&>(other).unit;
}

void ShaderGradient::copyFields(const Shader& other) { unit = static_cast<const ShaderGradient&>(other).unit; }

int ShaderGradient::writeFields(CommandIO& io) { return kShaderGradientTable.write(io, *this); }

}  // namespace fw
