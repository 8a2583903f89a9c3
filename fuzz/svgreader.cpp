// libFuzzer target: arbitrary bytes read as SVG artwork.
#include "ArtworkFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return fw::fuzz::readSvgArtwork(data, size); }
