#pragma once
// The transfer modes that gradient units, glints and blooms share: how an effect's
// colour combines with the colour of the layer under it. Colours are straight RGB in 0..1.

#include <algorithm>

namespace fw {

// `out` = the effect colour `effect` transferred onto `base` by an EffectUnit::TransferMode
// (an unknown mode counts as Normal). Before opacity: EffectLayer mixes by the mask.
void transferColor(int mode, const float base[3], const float effect[3], float out[3]);

// The brightness the transfer modes keep and compare (Rgba's weights).
float transferBrightness(const float c[3]);

// The effects' smooth ramp from 0 at e0 to 1 at e1, worked in T's precision; where the
// ends meet or cross it is a step at e1.
template <class T>
float smoothstep(T e0, T e1, T x) {
    if (!(e1 > e0)) return x >= e1 ? 1.0f : 0.0f;
    T t = std::clamp((x - e0) / (e1 - e0), T(0), T(1));
    return static_cast<float>(t * t * (T(3) - T(2) * t));
}

}  // namespace fw
