#pragma once
// One cutting pass of a fragmentation: a family of planes that chop a solid.

#include <glm/mat4x4.hpp>

#include "persistence/CommandEnabler.h"

namespace fw {

class ChopParams : public CommandEnabler {
public:
    enum OffsetStyle { kNone = 1, kConstant = 2, kRandom = 3, kAlternating = 4 };
    static const char* offsetStyleName(int style);  // "None" outside 2..4
    static int offsetStyleOf(const char* word);     // kNone for an unknown word

    ChopParams();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "ChopParams"; }

    bool enabled = true;
    int sliceCount = 3;
    double centerOffset[3] = {0, 0, 0};
    int positionOffsetStyle = kNone;
    double positionOffset = 0.0;
    double positionOffset2 = 0.25;
    unsigned long positionOffsetSeed = 123;
    int rotationOffsetStyle = kNone;
    double rotationOffset = 0.0;  // degrees
    double rotationOffset2 = 45.0;
    unsigned long rotationOffsetSeed = 321;
    double sliceSkip = 0.0;
    unsigned long sliceSkipSeed = 231;
    double direction[3] = {0, 0, 0};  // degrees about X, Y, Z
    glm::dmat4 transforms[2] = {glm::dmat4(1.0), glm::dmat4(1.0)};  // not stored
};

}  // namespace fw
