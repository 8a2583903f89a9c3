// libFuzzer target: arbitrary bytes read as a Wavefront OBJ file.
#include "MeshFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fw::fuzz::readThroughMeshReader(".obj", data, size);
}
