#pragma once
// Bodies of the fuzz targets, shared by the libFuzzer programs and the test that
// replays inputs which once crashed them.

#include <cstddef>
#include <cstdint>

namespace fw::fuzz {

int readThroughAFileIO(const uint8_t* data, size_t size);
int readThroughMemCmdIO(const uint8_t* data, size_t size);
int readThroughTerminalIO(const uint8_t* data, size_t size);

int readThroughScene(const uint8_t* data, size_t size);
// The first byte picks the library kind (materials, lights, object styles, lighting
// styles); the rest is the library file.
int readLibraryFile(const uint8_t* data, size_t size);

}  // namespace fw::fuzz
