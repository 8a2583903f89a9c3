#include "artwork/ArtworkReader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "artwork/AIParser.h"
#include "artwork/SvgReader.h"

namespace fw {

namespace {

// Files past this are not artwork anyone draws; reading them would only exhaust memory.
constexpr std::streamoff kMaxFileBytes = std::streamoff(512) << 20;

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

}  // namespace

ArtworkReader::~ArtworkReader() = default;

bool ArtworkReader::readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error_ = "cannot be opened";
        return false;
    }
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size > kMaxFileBytes) {
        error_ = "is too large to be artwork (over 512 MB)";
        return false;
    }
    in.seekg(0);
    std::string data(static_cast<size_t>(std::max<std::streamoff>(size, 0)), '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<size_t>(in.gcount()));
    return readData(data);
}

int ArtworkReader::colorIndex(const ArtworkColor& color) {
    auto found = std::find(colors_.begin(), colors_.end(), color);
    if (found != colors_.end()) return static_cast<int>(found - colors_.begin());
    colors_.push_back(color);
    return static_cast<int>(colors_.size()) - 1;
}

void ArtworkReader::linkContours(std::vector<CompositeCurve2>& contours, bool filled) {
    for (CompositeCurve2& contour : contours) {
        contour.linkSegments();
        if (!filled || contour.closed()) continue;
        const CurvePoint from = contour.segments().back().lastPoint();
        const CurvePoint to = contour.segments().front().point(0);
        Curve2& closing = contour.addSegment(Curve2::Linear);
        closing.addPoint(CurvePoint::anchor(from.x, from.y));
        closing.addPoint(CurvePoint::anchor(to.x, to.y));
        contour.linkSegments();
    }
}

bool ArtworkReader::keepDrawnOutlines(bool layerMissing) {
    std::erase_if(profiles_, [](const ArtworkProfile& p) { return p.outline.contours().empty(); });
    for (ArtworkProfile& p : profiles_) p.outline.normalize();
    if (layerMissing) {
        profiles_.clear();
        error_ = kLayerGoneMessage;
    } else if (profiles_.empty()) {
        error_ = kNoPathsMessage;
    }
    return error_.empty();
}

bool ArtworkReader::isArtwork(const std::string& path) {
    std::string extension = lowerExtension(path);
    for (const char* known : {".ai", ".eps", ".ps", ".pdf", ".svg"})
        if (extension == known) return true;
    return false;
}

std::unique_ptr<ArtworkReader> ArtworkReader::forPath(const std::string& path, LayerMode mode,
                                                      const std::string& layer, std::string& why) {
    std::string extension = lowerExtension(path);
    if (extension == ".svg") return std::make_unique<SvgReader>(mode, layer);
    if (!isArtwork(path)) {
        why = std::string("read artwork: ") + extensions();
        return nullptr;
    }
    return std::make_unique<AIParser>(mode, layer);
}

}  // namespace fw
