// libFuzzer target: arbitrary bytes read as a command stream through the endpoint.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fw::fuzz::readThroughTerminalIO(data, size);
}
