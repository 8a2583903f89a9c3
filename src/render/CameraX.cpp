#include "render/CameraX.h"

#include "scene/Scene.h"

namespace fw {

CameraX::CameraX(Scene& scene, const char* name) : Camera(scene, kCameraKind, name) { registerCommands(); }

CommandTable& CameraX::commandTable() {
    static CommandTable table;
    return table;
}

}  // namespace fw
