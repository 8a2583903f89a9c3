#pragma once
// Gradient and glint units drawn over a rendered frame. Both work on the layer an
// effect is laid over: the title rendered over a clear background (straight RGBA,
// alpha = coverage). They change it in place and may raise alpha where they draw
// outside the letters (glint rays, bloom, a gradient with target None); the caller
// composites the result over the background. Sizes stored in pixels are pixels of a
// 640-wide frame and scale with the frame's width. docs/EFFECTS.md has the details.

#include <functional>
#include <string>

#include "render/Renderer.h"
#include "surface/GlintUnit.h"
#include "surface/GradientUnit.h"
#include "surface/Picture.h"

namespace fw {

// Where on the timeline the frame lies, for turning glints and wipes. A timeline of
// one frame (lastFrame <= firstFrame) counts as finished.
struct EffectTime {
    double frame = 0;
    double firstFrame = 0;
    double lastFrame = 0;

    // 0 at the first frame, 1 at the last.
    double progress() const;
};

// Image maps by name (react and displace images); null when there is none of that name.
using EffectImages = std::function<const Picture*(const std::string& name)>;

void applyGradientUnit(const GradientUnit& unit, RenderImage& layer, const EffectTime& time);
void applyGlintUnit(const GlintUnit& unit, RenderImage& layer, const EffectTime& time, const EffectImages& images);

}  // namespace fw
