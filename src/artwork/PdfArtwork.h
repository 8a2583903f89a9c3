#pragma once
// PDF-based artwork (PDF files, and .ai files saved with PDF compatibility), read for
// the Illustrator reader: the Illustrator text kept in the first page's private data
// when there is one, else the paths the first page's own content draws.

#include <string>
#include <string_view>

namespace fw {

class AIParser;

class PdfArtwork {
public:
    // Inflated Illustrator text past this is taken as damage, not artwork.
    static constexpr size_t kMaxInflated = size_t(256) << 20;
    // q without Q past this depth is not drawing anyone made; the state stops growing.
    static constexpr size_t kMaxStateDepth = 1024;
    // Form XObjects drawn within form XObjects, at most.
    static constexpr int kMaxFormDepth = 8;

    // Reads the PDF held in `data` into the parser's outlines. False, with the parser's
    // error set, when the document cannot be opened or draws no usable path.
    static bool read(std::string_view data, AIParser& parser);

    // The Illustrator text of "%AI12_CompressedData" private data: the part before the
    // marker and the inflated rest; empty when the rest does not inflate or is
    // Zstandard data.
    static std::string expandCompressed(std::string_view text);
};

}  // namespace fw
