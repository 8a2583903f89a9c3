#include "render/LightX.h"

namespace fw {

LightX::LightX(Scene& scene, const char* name) : Light(scene, name) { registerCommands(); }

CommandTable& LightX::commandTable() {
    static CommandTable table;
    return table;
}

}  // namespace fw
