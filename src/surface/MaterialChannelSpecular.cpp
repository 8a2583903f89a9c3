#include "surface/MaterialChannelSpecular.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"

namespace fw {

MaterialChannelSpecular::MaterialChannelSpecular(Scene* scene) : MaterialChannel(kSpecular, scene, {1, 1, 1, 1}) {
    registerCommands();
}

CommandTable& MaterialChannelSpecular::commandTable() {
    static CommandTable table;
    return table;
}

void MaterialChannelSpecular::registerCommands() {
    MaterialChannel::registerCommands();
    registerCommand("brightness", readField<&MaterialChannelSpecular::brightness>);
    registerCommand("sharpness", readField<&MaterialChannelSpecular::sharpness>);
}

void MaterialChannelSpecular::reset() {
    MaterialChannel::reset();
    brightness = 0.2;
    sharpness = 80.0;
}

bool MaterialChannelSpecular::sameFields(const MaterialChannel& other) const {
    const auto& o = static_cast<const MaterialChannelSpecular&>(other);
    return brightness == o.brightness && sharpness == o.sharpness;
}

void MaterialChannelSpecular::copyFields(const MaterialChannel& other) {
    const auto& o = static_cast<const MaterialChannelSpecular&>(other);
    brightness = o.brightness;
    sharpness = o.sharpness;
}

int MaterialChannelSpecular::writeFields(CommandIO& io) {
    io.writef("brightness %g\n", brightness);
    return io.writef("sharpness %g\n", sharpness);
}

}  // namespace fw
