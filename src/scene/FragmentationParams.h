#pragma once
// How a solid breaks into pieces that animate separately: up to three chop passes.
// Segments of animation tracks carry one; the cutting itself is an effect.

#include <glm/mat4x4.hpp>

#include "scene/ChopParams.h"

namespace fw {

class FragmentationParams : public CommandEnabler {
public:
    enum Style { kLinear = 1, kRadial = 2, kRandom = 3 };
    enum Frame { kLocal = 1, kGlobal = 2 };
    enum ShellSolid { kShell = 1, kSolid = 2 };
    enum Division { kNormal = 1, kBrick = 2, kRecursive = 3 };

    FragmentationParams();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "FragmentationParams"; }

    bool enabled = false;
    int style = kLinear;
    int frame = kLocal;
    int shellSolid = kSolid;
    int solidMaterialIndex = 1;
    int divisionType = kNormal;
    double trackFrame = 0.0;
    int sliceIncrease = 0;
    double centerOffset[3] = {0, 0, 0};
    glm::dmat4 transforms[2] = {glm::dmat4(1.0), glm::dmat4(1.0)};  // not stored
    ChopParams chops[3];
    int chopsRead = 0;  // while reading: the next "begin ChopParams" fills chops[chopsRead]
};

}  // namespace fw
