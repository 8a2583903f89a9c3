#include "scene/RootNode.h"

#include "scene/Scene.h"

namespace fw {

RootNode::RootNode(Scene& scene) : DAGNode(scene, kRootKind, "root", /*belowRoot=*/false) {}

CommandTable& RootNode::commandTable() {
    static CommandTable table;
    return table;
}

}  // namespace fw
