#include "artwork/ArtworkReader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "artwork/AIParser.h"
#include "platform/Folders.h"
#include "artwork/SvgReader.h"

namespace fw {

namespace {

// Files past this are not artwork anyone draws; reading them would only exhaust memory.
constexpr std::streamoff kMaxFileBytes = std::streamoff(512) << 20;

struct Polygon {
    std::vector<double> xy;
    double area = 0;  // signed, positive anticlockwise (y up)
};

Polygon flatten(const CompositeCurve2& contour) {
    Polygon p;
    for (const Curve2& segment : contour.segments()) {
        if (segment.type == Curve2::Bezier && segment.pointCount() == 4) {
            const CurvePoint *q0 = &segment.point(0), *q1 = &segment.point(1), *q2 = &segment.point(2),
                             *q3 = &segment.point(3);
            for (int k = p.xy.empty() ? 0 : 1; k <= 8; ++k) {
                const double t = k / 8.0, u = 1 - t;
                const double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
                p.xy.push_back(w0 * q0->x + w1 * q1->x + w2 * q2->x + w3 * q3->x);
                p.xy.push_back(w0 * q0->y + w1 * q1->y + w2 * q2->y + w3 * q3->y);
            }
        } else {
            for (int i = p.xy.empty() ? 0 : 1; i < segment.pointCount(); ++i) {
                p.xy.push_back(segment.point(i).x);
                p.xy.push_back(segment.point(i).y);
            }
        }
    }
    const size_t n = p.xy.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        p.area += (p.xy[2 * i] * p.xy[2 * j + 1] - p.xy[2 * j] * p.xy[2 * i + 1]) / 2;
    }
    return p;
}

// How many times the polygon winds anticlockwise about (x, y).
int winding(const Polygon& p, double x, double y) {
    int w = 0;
    const size_t n = p.xy.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        const double x0 = p.xy[2 * i], y0 = p.xy[2 * i + 1], x1 = p.xy[2 * j], y1 = p.xy[2 * j + 1];
        const double side = (x1 - x0) * (y - y0) - (x - x0) * (y1 - y0);
        if (y0 <= y && y1 > y && side > 0) ++w;
        if (y0 > y && y1 <= y && side < 0) --w;
    }
    return w;
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

void ArtworkReader::applyFillRule(std::vector<CompositeCurve2>& contours, bool evenOdd) {
    constexpr size_t kMostCompared = 1000;  // quadratic work; past this contours pass as drawn
    if (contours.size() < 2 || contours.size() > kMostCompared) return;
    std::vector<Polygon> polygons;
    for (const CompositeCurve2& c : contours) polygons.push_back(flatten(c));
    // How the other contours wind about contour i, asked at up to 16 of its points and
    // taken by majority: a contour that touches another (a hole joined to its outline by
    // a slit, as converters write them) has points on that outline, where the answer is
    // either.
    auto around = [&](size_t i, const std::vector<bool>& counted, bool depthOnly) {
        const size_t points = polygons[i].xy.size() / 2, step = std::max<size_t>(1, points / 16);
        std::map<int, int> votes;
        for (size_t k = 0; k < points; k += step) {
            int value = 0;
            for (size_t j = 0; j < contours.size(); ++j)
                if (j != i && counted[j] && polygons[j].xy.size() >= 6) {
                    int w = winding(polygons[j], polygons[i].xy[2 * k], polygons[i].xy[2 * k + 1]);
                    value += depthOnly ? (w != 0) : w;
                }
            ++votes[value];
        }
        return std::max_element(votes.begin(), votes.end(), [](auto& a, auto& b) { return a.second < b.second; })
            ->first;
    };
    std::vector<bool> keep(contours.size(), true);
    if (!evenOdd) {
        const std::vector<bool> all(contours.size(), true);
        for (size_t i = 0; i < contours.size(); ++i) {
            if (polygons[i].xy.size() < 6) continue;
            const int outside = around(i, all, false), own = polygons[i].area > 0 ? 1 : -1;
            if (outside != 0 && outside + own != 0) keep[i] = false;
        }
    }
    std::vector<CompositeCurve2> out;
    for (size_t i = 0; i < contours.size(); ++i) {
        if (!keep[i]) continue;
        const int depth = polygons[i].xy.size() >= 2 ? around(i, keep, true) : 0;
        const bool anticlockwise = polygons[i].area > 0;
        if (anticlockwise != (depth % 2 == 0)) contours[i].reverse();
        out.push_back(std::move(contours[i]));
    }
    contours = std::move(out);
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
    std::string extension = Folders::lowerExtension(path);
    for (const char* known : {".ai", ".eps", ".ps", ".pdf", ".svg"})
        if (extension == known) return true;
    return false;
}

std::unique_ptr<ArtworkReader> ArtworkReader::forPath(const std::string& path, LayerMode mode,
                                                      const std::string& layer, std::string& why) {
    std::string extension = Folders::lowerExtension(path);
    if (extension == ".svg") return std::make_unique<SvgReader>(mode, layer);
    if (!isArtwork(path)) {
        why = std::string("read artwork: ").append(extensions());
        return nullptr;
    }
    return std::make_unique<AIParser>(mode, layer);
}

}  // namespace fw
