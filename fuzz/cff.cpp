// libFuzzer target: arbitrary bytes read as a CFF table with Type 2 charstrings.
#include "FontFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fw::fuzz::parseCffTable(data, size);
}
