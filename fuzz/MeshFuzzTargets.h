#pragma once
// Fuzz bodies for the mesh readers of every format, shared by the libFuzzer targets
// and the tests that replay kept inputs.

#include <cstddef>
#include <cstdint>

namespace fw::fuzz {

// Reads the bytes as a mesh file of the format the extension names (".dxf", ...): a
// refused file must say why, an accepted one must hold only indices in range and
// pack for drawing.
int readThroughMeshReader(const char* extension, const uint8_t* data, size_t size);

}  // namespace fw::fuzz
