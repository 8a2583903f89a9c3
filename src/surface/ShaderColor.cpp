#include "surface/ShaderColor.h"

#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw {

namespace {

void colorChanged(CommandEnabler& r) { receiverAs<ShaderColor>(r).notifyChange(); }

constexpr FieldTable::Line kShaderColorLines[] = {
    fieldThen<&ShaderColor::color, colorChanged>("color"),
};
constexpr FieldTable kShaderColorTable{kShaderColorLines};

}  // namespace

ShaderColor::ShaderColor() : Shader(kColor) { registerCommands(); }

ShaderColor::ShaderColor(float r, float g, float b, float a) : ShaderColor() { setColor(r, g, b, a); }

CommandTable& ShaderColor::commandTable() {
    static CommandTable table;
    return table;
}

void ShaderColor::registerCommands() {
    Shader::registerCommands();
    kShaderColorTable.registerInto(*this);
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

int ShaderColor::writeFields(CommandIO& io) { return kShaderColorTable.write(io, *this); }

}  // namespace fw
