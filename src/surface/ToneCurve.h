#pragma once
// The tone steps both noise shaders apply to their raw value: black and white
// points, point smoothing and a gamma cubic.

namespace fw {

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
    bool operator==(const ToneCurve& o) const {
        return blackPoint == o.blackPoint && whitePoint == o.whitePoint && pointSmooth == o.pointSmooth &&
               gamma == o.gamma;
    }
};

}  // namespace fw
