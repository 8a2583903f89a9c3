#pragma once
// A plain transform node that other nodes hang below: a group in the scene hierarchy.

#include "scene/DAGNode.h"

namespace fw {

class Group : public DAGNode {
public:
    static constexpr const char* kDefaultNamePrefix = "|ORVO_GROUP";

    Group(Scene& scene, const char* name);

    CommandTable& commandTable() override;
    const char* className() const override { return "Group"; }
    void markUsed() override { setUsed(true); }
};

}  // namespace fw
