#pragma once
// The three qualities (render modes) every derived result comes in, and the port
// names that carry them.

#include <string>

namespace fw {

// Which variant of a result is wanted: the interactive preview, the final render, or
// the flat 2-D editing view.
enum RenderMode { kPreviewMode = 0, kRenderMode = 1, kPreview2DMode = 2 };

// A port's registry name for a quality: "Preview", "Render" or "Preview2D" + stage.
std::string qualityPortName(int mode, const char* stage);

}  // namespace fw
