#pragma once
// The two encoding vectors a Type 1 font may name instead of listing its own:
// StandardEncoding, which accented characters (seac) also name their parts by, and
// ISOLatin1Encoding.

namespace fw::veltrane {

// The glyph name of a code, or null for codes the vector leaves at .notdef (and for
// codes outside 0 to 255).
const char* standardEncodingName(int code);
const char* isoLatin1EncodingName(int code);

}  // namespace fw::veltrane
