#include "ArtworkFuzzTargets.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "artwork/AIParser.h"
#include "artwork/SvgReader.h"

namespace fw::fuzz {

namespace {

// What every reader owes its caller, whatever the bytes: a verdict that agrees with
// its outlines, colours that exist, normalised segments of finite points.
void checkArtwork(ArtworkReader& reader, std::string_view bytes, double bound) {
    bool read = reader.readData(bytes);
    if (read != reader.error().empty() || read == reader.profiles().empty()) std::abort();
    for (const ArtworkProfile& profile : reader.profiles()) {
        if (profile.fill >= static_cast<int>(reader.colors().size())) std::abort();
        if (profile.stroke >= static_cast<int>(reader.colors().size())) std::abort();
        for (const CompositeCurve2& contour : profile.outline.contours())
            for (const Curve2& segment : contour.segments()) {
                // Normalised: polylines, and cubics of four points.
                if (segment.type == Curve2::Bezier && segment.pointCount() != 4) std::abort();
                for (int i = 0; i < segment.pointCount(); ++i)
                    if (!(std::fabs(segment.point(i).x) <= bound) || !(std::fabs(segment.point(i).y) <= bound))
                        std::abort();
            }
    }
}

}  // namespace

int parseIllustratorArtwork(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    using Mode = AIParser::LayerMode;
    for (Mode mode : {Mode::kObjects, Mode::kPerLayer, Mode::kOneLayer}) {
        AIParser parser(mode, "Layer 1");
        checkArtwork(parser, bytes, HUGE_VAL);
    }
    return 0;
}

int readSvgArtwork(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    using Mode = SvgReader::LayerMode;
    for (Mode mode : {Mode::kObjects, Mode::kPerLayer, Mode::kOneLayer}) {
        SvgReader reader(mode, "Layer 1");
        checkArtwork(reader, bytes, SvgReader::kMaxCoordinate);
    }
    return 0;
}

int parsePdfArtwork(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.starts_with("%PDF-1.")) return parseIllustratorArtwork(data, size);
    std::string pdf = "%PDF-1.7\n" + std::string(bytes);
    return parseIllustratorArtwork(reinterpret_cast<const uint8_t*>(pdf.data()), pdf.size());
}

}  // namespace fw::fuzz
