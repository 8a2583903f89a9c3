#pragma once
// What kind of outlines a font file holds. The font list classifies installed files
// by it and the font layer picks its parser by it; the numbers are the file types
// that fonts are created with.

namespace fw {

enum class FontKind : int { kType1 = 0, kTrueType = 1, kOpenTypeCff = 2 };

}  // namespace fw
