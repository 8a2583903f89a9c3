// libFuzzer target: arbitrary bytes read as a gradient preset index file.
#include "SurfaceFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fw::fuzz::readGradientIndex(data, size);
}
