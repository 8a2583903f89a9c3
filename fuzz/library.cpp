// libFuzzer target: arbitrary bytes read as a style library file.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fw::fuzz::readLibraryFile(data, size);
}
