// libFuzzer target: arbitrary bytes read as a Type 1 font file.
#include "FontFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fw::fuzz::parseType1Font(data, size);
}
