// libFuzzer target: arbitrary bytes read as a TrueType, OpenType or collection file.
#include "FontFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fw::fuzz::parseTrueTypeFont(data, size);
}
