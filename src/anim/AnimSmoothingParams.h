#pragma once
// How much a transition's motion is smoothed into the poses on either side.

#include "persistence/CommandEnabler.h"

namespace fw {

class AnimSmoothingParams : public CommandEnabler {
public:
    AnimSmoothingParams();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "AnimSmoothingParams"; }

    int versionMajor = 3, versionMinor = 0;
    double startSmooth = 100.0;  // percent
    double endSmooth = 100.0;
};

}  // namespace fw
