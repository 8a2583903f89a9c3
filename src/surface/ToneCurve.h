#pragma once
// The tone steps both noise shaders apply to their raw value: black and white
// points, point smoothing and a gamma cubic.

#include "persistence/CommandEnabler.h"
#include "persistence/FieldReaders.h"

namespace fw {

class CommandIO;

struct ToneCurve {
    double blackPoint = 0.0;
    double whitePoint = 1.0;
    double pointSmooth = 0.0;
    double gamma = 0.0;  // 0: off; positive brightens, negative darkens
    // a t³ + b t² + c t + d, derived from gamma by update().
    double cubic[4] = {0.0, 0.0, 1.0, 0.0};

    void update();
    // Remaps t (0..1 on the way out).
    double apply(double t) const;
    // The four stored lines ("BlackPoint" to "Gamma"), in the order the shaders keep.
    void write(CommandIO& io) const;
    // Their keywords on `owner`, which reaches its curve through Access and hears of
    // every value read through Changed.
    template <ToneCurve& (*Access)(CommandEnabler&), void (*Changed)(CommandEnabler&)>
    static void registerCommands(CommandEnabler& owner) {
        owner.registerCommand("BlackPoint", readFieldThen<&ToneCurve::blackPoint, Changed, Access>);
        owner.registerCommand("WhitePoint", readFieldThen<&ToneCurve::whitePoint, Changed, Access>);
        owner.registerCommand("PointSmooth", readFieldThen<&ToneCurve::pointSmooth, Changed, Access>);
        owner.registerCommand("Gamma", readFieldThen<&ToneCurve::gamma, Changed, Access>);
    }
    bool operator==(const ToneCurve& o) const {
        return blackPoint == o.blackPoint && whitePoint == o.whitePoint && pointSmooth == o.pointSmooth &&
               gamma == o.gamma;
    }
};

}  // namespace fw
