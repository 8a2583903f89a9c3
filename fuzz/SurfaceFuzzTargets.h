#pragma once
// Bodies of the surface library's fuzz targets, shared by the libFuzzer programs and
// the test that replays their corpora.

#include <cstddef>
#include <cstdint>

namespace fw::fuzz {

// Reads the bytes as a gradient preset index; what is kept must be usable names
// that survive being written and read again.
int readGradientIndex(const uint8_t* data, size_t size);
// Reads the bytes as a gradient preset file; a preset that loads must write, read
// and write again to the same bytes.
int readGradientPreset(const uint8_t* data, size_t size);

}  // namespace fw::fuzz
