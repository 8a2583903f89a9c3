// libFuzzer target: arbitrary bytes opened as a project, saved and opened again.
#include "ProjectFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fw::fuzz::openProject(data, size);
}
