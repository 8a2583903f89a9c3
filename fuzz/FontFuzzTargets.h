#pragma once
// Bodies of the font fuzz targets, shared by the libFuzzer programs and the test that
// replays their corpora and every input that once crashed them.

#include <cstddef>
#include <cstdint>

namespace fw::fuzz {

// Reads the bytes as a TrueType-family font file (collections and CFF outlines
// included): the slots of 64 codes from the space on, converted into outlines, then
// every glyph of the font up to a limit. Records must be well formed.
int parseTrueTypeFont(const uint8_t* data, size_t size);
// Reads the bytes as a bare "CFF " table and interprets every glyph up to a limit.
int parseCffTable(const uint8_t* data, size_t size);
// Reads the bytes as a Type 1 font file (PFB, PFA or text then binary): the slots of 64
// codes from the space on, converted into outlines, then every glyph up to a limit.
// When the bytes hold "eexec", what follows it is also encrypted here and read again,
// so that plain private parts and charstrings in the corpus reach the interpreter.
int parseType1Font(const uint8_t* data, size_t size);

}  // namespace fw::fuzz
