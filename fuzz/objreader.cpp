// libFuzzer target: arbitrary bytes read as a Wavefront OBJ file and packed.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fw::fuzz::readThroughObjReader(data, size);
}
