// libFuzzer target: arbitrary bytes read as a gradient preset file.
#include "SurfaceFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fw::fuzz::readGradientPreset(data, size);
}
