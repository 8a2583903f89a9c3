// libFuzzer target: arbitrary bytes opened as a project and ray-traced.
#include "ProjectFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fw::fuzz::traceProject(data, size);
}
