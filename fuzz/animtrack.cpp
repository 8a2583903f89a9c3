// libFuzzer target: arbitrary bytes read as the contents of an animation track's block.
#include "AnimFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return fw::fuzz::readAnimTrack(data, size); }
