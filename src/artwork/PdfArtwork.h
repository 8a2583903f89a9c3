#pragma once
// PDF-based artwork (PDF files, and .ai files saved with PDF compatibility), read for
// the Illustrator reader: the Illustrator text kept in the first page's private data
// when there is one, else the paths the first page's own content draws.
//
// Kept to C++17 and the standard library: qpdf 11.3's headers do not compile as C++20
// with clang (the fuzz build), so PdfArtwork.cpp is built as C++17.

#include <string>
#include <string_view>

namespace fw {

class PdfArtwork {
public:
    // Inflated Illustrator text past this is taken as damage, not artwork.
    static constexpr size_t kMaxInflated = size_t(256) << 20;
    // q without Q past this depth is not drawing anyone made; the state stops growing.
    static constexpr size_t kMaxStateDepth = 1024;
    // Form XObjects drawn within form XObjects, at most.
    static constexpr int kMaxFormDepth = 8;

    enum class Paint { kFill, kStroke, kFillStroke, kNone };

    // What the page's drawing goes to, in page space (points, y upwards).
    class Sink {
    public:
        virtual ~Sink();
        virtual void moveTo(double x, double y) = 0;
        virtual void lineTo(double x, double y) = 0;
        virtual void curveTo(double x1, double y1, double x2, double y2, double x3, double y3) = 0;
        // `evenOdd`: a fill by the even-odd rule (f*, B*, b*); else non-zero.
        virtual void paint(Paint how, bool evenOdd) = 0;
        virtual void setColor(bool fill, float r, float g, float b) = 0;
        // The colour in use as the reader numbers it, taken back by Q.
        virtual int colorIndex(bool fill) const = 0;
        virtual void setColorIndex(bool fill, int index) = 0;
    };

    struct Result {
        std::string error;            // the document cannot be opened
        std::string illustratorText;  // Illustrator's own text, from its header on
        bool drawn = false;           // the page was drawn into the sink
    };

    // Opens the PDF held in `data`: its Illustrator text when it has one, else the first
    // page drawn into `sink`. Neither, without an error: there is no page.
    static Result read(std::string_view data, Sink& sink);

    // The Illustrator text of "%AI12_CompressedData" private data: the part before the
    // marker and the inflated rest; empty when the rest does not inflate or is
    // Zstandard data.
    static std::string expandCompressed(std::string_view text);
};

}  // namespace fw
