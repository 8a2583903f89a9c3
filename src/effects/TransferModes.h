#pragma once
// The transfer modes that gradient units, glints and blooms share: how an effect's
// colour combines with the colour of the layer under it. Colours are straight RGB in 0..1.

namespace fw {

// `out` = the effect colour `effect` transferred onto `base` by an EffectUnit::TransferMode
// (an unknown mode counts as Normal). Before opacity: EffectLayer mixes by the mask.
void transferColor(int mode, const float base[3], const float effect[3], float out[3]);

// The brightness the transfer modes keep and compare (Rgba's weights).
float transferBrightness(const float c[3]);

}  // namespace fw
