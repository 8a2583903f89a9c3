#pragma once
// One character of a text block: its code, its run's attribute, where the editor put
// it and what was applied to its glyph outline.

#include <cstdint>

#include "persistence/CommandEnabler.h"

namespace fw {

class TextChar : public CommandEnabler {
public:
    static constexpr int kConsumedByVariable = -100000;

    TextChar();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "TextChar"; }

    int code = 0;
    int attrIndex = 0;
    int origIndex = -1;
    bool visible = true;
    double charPosX = 0, charPosY = 0;
    double profileOffset[3] = {0, 0, 0};
    double profileScale[3] = {1, 1, 1};
    double charWidth = 0;
    double charBaseY = 0;
    double charBaseShift = 0;
};

}  // namespace fw
