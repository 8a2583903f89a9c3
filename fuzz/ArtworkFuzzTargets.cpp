#include "ArtworkFuzzTargets.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "artwork/AIParser.h"

namespace fw::fuzz {

int parseIllustratorArtwork(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    using Mode = AIParser::LayerMode;
    for (Mode mode : {Mode::kObjects, Mode::kPerLayer, Mode::kOneLayer}) {
        AIParser parser(mode, "Layer 1");
        bool read = parser.readData(bytes);
        if (read != parser.error().empty() || read == parser.profiles().empty()) std::abort();
        for (const ArtworkProfile& profile : parser.profiles()) {
            if (profile.fill >= static_cast<int>(parser.colors().size())) std::abort();
            for (const CompositeCurve2& contour : profile.outline.contours())
                for (const Curve2& segment : contour.segments()) {
                    // Normalised: polylines, and cubics of four points.
                    if (segment.type == Curve2::Bezier && segment.pointCount() != 4) std::abort();
                    for (int i = 0; i < segment.pointCount(); ++i)
                        if (!std::isfinite(segment.point(i).x) || !std::isfinite(segment.point(i).y)) std::abort();
                }
        }
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
