#pragma once
// The nine ways a material layer or a material-stack item is laid over what lies
// under it, with their stored names. Colours are non-premultiplied.

#include "surface/NameTable.h"
#include "surface/Rgba.h"

namespace fw {

class BlendMode {
public:
    enum Mode { kNormal = 1, kScreen, kMultiply, kOverlay, kSoftLight, kAdd, kMagicGlue1, kMagicGlue2, kMagicGlue3 };

    // Unknown values write "Normal"; unknown names read as Normal ("Soft Light" reads as SoftLight).
    static const char* name(int mode);
    static int value(const char* name);

    // Lays `source` over `dest` in place. With `alphaAware` off both alphas count as 1
    // where they weight colours, and the result is not divided by its alpha.
    static void blend(Rgba& dest, const Rgba& source, int mode, bool alphaAware);

    static const NameTable kNames;
};

}  // namespace fw
