#pragma once
// The window frames and panels. Headless there are none, but projects end with its
// block, which holds nothing of its own yet.

#include <string>
#include <vector>

#include "persistence/CommandEnabler.h"

namespace fw {

class OrvoFrameManager : public CommandEnabler {
public:
    OrvoFrameManager();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "OrvoFrameManager"; }
};

}  // namespace fw
