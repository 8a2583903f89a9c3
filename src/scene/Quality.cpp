#include "scene/Quality.h"

namespace fw {

std::string qualityPortName(int mode, const char* stage) {
    static const char* const kPrefix[3] = {"Preview", "Render", "Preview2D"};
    return std::string(kPrefix[mode == kRenderMode || mode == kPreview2DMode ? mode : kPreviewMode]) + stage;
}

}  // namespace fw
