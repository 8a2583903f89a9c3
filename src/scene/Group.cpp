#include "scene/Group.h"

#include "scene/Scene.h"

namespace fw {

Group::Group(Scene& scene, const char* name) : DAGNode(scene, kGroupKind, name) { registerCommands(); }

CommandTable& Group::commandTable() {
    static CommandTable table;
    return table;
}

}  // namespace fw
