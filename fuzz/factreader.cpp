// libFuzzer target: arbitrary bytes read as a .fac mesh file.
#include "MeshFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fw::fuzz::readThroughMeshReader(".fac", data, size);
}
