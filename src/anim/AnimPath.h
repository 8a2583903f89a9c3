#pragma once
// The path a transition's elements take between the two poses: bowed, overshooting,
// pinched, twisted. A pair of values is spread over the elements by a style.

#include "persistence/CommandEnabler.h"

namespace fw {

class AnimPath : public CommandEnabler {
public:
    // How a pair of values is spread over the elements; stored internally 1..6.
    enum Style { kSame = 1, kEven, kReverse, kTwoPoint, kThreePoint, kRandom };
    static const char* styleName(int style);  // "same" outside 1..6
    static int styleOf(const char* word);     // kSame for an unknown word

    AnimPath();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "AnimPath"; }

    int versionMajor = 3, versionMinor = 0;
    double bowAmount = 0.0;
    double bowAmount2 = 100.0;
    int bowAmountStyle = kSame;
    long bowAmountStyleSeed = 0;
    double bowCenter = 0.0;
    double bowDirection = 0.0;  // degrees
    double bowDirection2 = 360.0;
    int bowDirectionStyle = kSame;
    long bowDirectionStyleSeed = 0;
    double startOvershoot = 0.0;
    double endOvershoot = 0.0;
    double startPinch = 0.0;
    double endPinch = 0.0;
    double twist = 0.0;
};

}  // namespace fw
