#pragma once
// Bodies of the artwork fuzz targets, shared by the libFuzzer programs and the test
// that replays their corpora and every input that once crashed them.

#include <cstddef>
#include <cstdint>

namespace fw::fuzz {

// Reads the bytes as Illustrator or EPS artwork in each layer mode; every outline it
// gives must be made of finite points and normalised segments.
int parseIllustratorArtwork(const uint8_t* data, size_t size);
// Reads the bytes as SVG artwork in each layer mode, with the same demands, and every
// point within the reader's coordinate bound.
int readSvgArtwork(const uint8_t* data, size_t size);

// The same reading and checks, with the bytes taken as a PDF file: a header is put in
// front of bytes that lack one, so that every input reaches the PDF reader.
int parsePdfArtwork(const uint8_t* data, size_t size);

}  // namespace fw::fuzz
