#include "surface/ShaderColor.h"

#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"

namespace fw {

namespace {

int readColor(CommandIO& io, CommandEnabler& r) {
    auto& s = receiverAs<ShaderColor>(r);
    if (io.readColor(s.color, 4) != 0) return -1;
    s.notifyChange();
    return 0;
}

}  // namespace

ShaderColor::ShaderColor() : Shader(kColor) { registerCommands(); }

ShaderColor::ShaderColor(float r, float g, float b, float a) : ShaderColor() { setColor(r, g, b, a); }

CommandTable& ShaderColor::commandTable() {
    static CommandTable table;
    return table;
}

void ShaderColor::registerCommands() {
    Shader::registerCommands();
    registerCommand("color", readColor);
}

void ShaderColor::reset() {
    Shader::reset();
    setColor(1, 1, 1, 1);
}

void ShaderColor::setColor(float r, float g, float b, float a) {
    color[0] = r, color[1] = g, color[2] = b, color[3] = a;
    notifyChange();
}

void ShaderColor::notifyChange() {
    brightness_ = Rgba{color[0], color[1], color[2], color[3]}.brightness();
}

Rgba ShaderColor::shade(const Footprint&) const {
    float a = color[3];
    return {color[0] * a, color[1] * a, color[2] * a, a};
}

bool ShaderColor::sameFields(const Shader& other) const {
    return std::memcmp(color, static_cast<const ShaderColor&>(other).color, sizeof color) == 0;
}

void ShaderColor::copyFields(const Shader& other) {
    std::memcpy(color, static_cast<const ShaderColor&>(other).color, sizeof color);
}

int ShaderColor::writeFields(CommandIO& io) {
    return io.writef("color %g %g %g %g\n", color[0], color[1], color[2], color[3]);
}

}  // namespace fw
