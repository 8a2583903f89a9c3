#pragma once
// How an element fades while it moves: on or off over a part of its own progress.

#include "persistence/CommandEnabler.h"

namespace fw {

class AnimVis : public CommandEnabler {
public:
    enum Type { kFadeOn = 0, kFadeOff = 1 };

    AnimVis();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "AnimVis"; }

    int versionMajor = 3, versionMinor = 0;
    int visType = kFadeOn;
    double startTime = 0.0;  // percent of the element's local progress
    double endTime = 0.0;
};

}  // namespace fw
