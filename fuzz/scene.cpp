// libFuzzer target: arbitrary bytes read as the contents of a scene block.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fw::fuzz::readThroughScene(data, size);
}
