#pragma once
// The top of a scene's hierarchy, named "root": never listed and never written.

#include "scene/DAGNode.h"

namespace fw {

class RootNode : public DAGNode {
public:
    explicit RootNode(Scene& scene);

    CommandTable& commandTable() override;
    const char* className() const override { return "root"; }
    void markUsed() override { setUsed(true); }
};

}  // namespace fw
