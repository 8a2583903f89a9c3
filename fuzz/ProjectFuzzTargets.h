#pragma once
// Fuzz bodies for whole project files, shared by the libFuzzer targets and the tests
// that replay kept inputs.

#include <cstddef>
#include <cstdint>

namespace fw::fuzz {

// Opens the bytes as a project; one that opens must save, open again and save the
// same file again.
int openProject(const uint8_t* data, size_t size);
// Opens the bytes as a project and ray-traces its first frame at 8 x 6 pixels, so
// that every tracer setting a project carries is followed.
int traceProject(const uint8_t* data, size_t size);

}  // namespace fw::fuzz
