#pragma once
// Bodies of the animation fuzz targets, shared with the tests that replay their inputs.

#include <cstddef>
#include <cstdint>

namespace fw::fuzz {

int readAnimTrack(const uint8_t* data, size_t size);

}  // namespace fw::fuzz
