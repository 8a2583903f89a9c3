#include "app/SwatchCaption.h"

#include <algorithm>
#include <cmath>

#include "font/FontFile.h"
#include "font/RawGlyph.h"
#include "platform/FontList.h"

namespace fw {

namespace {

constexpr int kSubRows = 4;
constexpr int kCurveSteps = 6;

// One ring of on- and off-curve points as a polygon: each run of control points
// between two points on the curve is one curve, cut into straight steps.
std::vector<std::array<double, 2>> flatten(const veltrane::EmContour& ring) {
    std::vector<std::array<double, 2>> out;
    if (ring.empty()) return out;
    out.push_back({ring[0].x, ring[0].y});
    size_t i = 0;
    while (i + 1 < ring.size()) {
        size_t j = i + 1;
        while (j < ring.size() && !ring[j].on) ++j;
        if (j == ring.size()) break;
        const veltrane::EmPoint &a = ring[i], &b = ring[j];
        size_t controls = j - i - 1;
        for (int s = 1; s <= (controls ? kCurveSteps : 1); ++s) {
            double t = static_cast<double>(s) / (controls ? kCurveSteps : 1), u = 1 - t;
            double x, y;
            if (controls == 0) {
                x = b.x, y = b.y;
            } else if (controls == 1) {
                const veltrane::EmPoint& c = ring[i + 1];
                x = u * u * a.x + 2 * u * t * c.x + t * t * b.x;
                y = u * u * a.y + 2 * u * t * c.y + t * t * b.y;
            } else {
                const veltrane::EmPoint &c = ring[i + 1], &d = ring[i + 2];
                x = u * u * u * a.x + 3 * u * u * t * c.x + 3 * u * t * t * d.x + t * t * t * b.x;
                y = u * u * u * a.y + 3 * u * u * t * c.y + 3 * u * t * t * d.y + t * t * t * b.y;
            }
            out.push_back({x, y});
        }
        i = j;
    }
    return out;
}

}  // namespace

bool SwatchCaption::load(const std::string& font, std::string& error) {
    const FontList::Entry* entry = FontList::find(font);
    if (!entry) {
        error = "no such font: " + font;
        return false;
    }
    veltrane::FontFile file(entry->kind, "", entry->file.c_str());
    if (!file.parse() || file.unitsPerEm() <= 0) {
        error = entry->file + ": " + (file.error().empty() ? std::string("cannot be read") : file.error());
        return false;
    }
    const double scale = 1.0 / file.unitsPerEm();
    std::vector<veltrane::EmContour> rings;
    glyphs_.clear();
    for (const veltrane::RawGlyph& raw : file.rawGlyphs()) {
        Glyph& g = glyphs_[raw.code];
        g.advance = raw.advance * scale;
        raw.emContours(scale, file.cubic(), rings);
        for (const auto& ring : rings) g.rings.push_back(flatten(ring));
    }
    if (glyphs_.empty()) {
        error = entry->file + ": holds no glyphs";
        return false;
    }
    return true;
}

const SwatchCaption::Glyph* SwatchCaption::glyph(char c) const {
    auto it = glyphs_.find(static_cast<unsigned char>(c));
    if (it == glyphs_.end()) it = glyphs_.find('?');
    return it == glyphs_.end() ? nullptr : &it->second;
}

double SwatchCaption::width(const std::string& text, double pixelSize) const {
    double w = 0;
    for (char c : text)
        if (const Glyph* g = glyph(c)) w += g->advance * pixelSize;
    return w;
}

void SwatchCaption::draw(std::vector<uint8_t>& rgba, int width, int height, const std::string& text, double x,
                         double baseline, double pixelSize, const uint8_t colour[3]) const {
    struct Edge {
        double x0, y0, x1, y1;
        int winding;
    };
    std::vector<Edge> edges;
    double pen = x, low = 1e300, high = -1e300;
    for (char c : text) {
        const Glyph* g = glyph(c);
        if (!g) continue;
        for (const auto& ring : g->rings)
            for (size_t i = 0; i + 1 < ring.size(); ++i) {
                double ax = pen + ring[i][0] * pixelSize, ay = baseline + ring[i][1] * pixelSize;
                double bx = pen + ring[i + 1][0] * pixelSize, by = baseline + ring[i + 1][1] * pixelSize;
                if (ay == by) continue;
                edges.push_back(ay < by ? Edge{ax, ay, bx, by, 1} : Edge{bx, by, ax, ay, -1});
                low = std::min({low, ay, by}), high = std::max({high, ay, by});
            }
        pen += g->advance * pixelSize;
    }
    if (edges.empty()) return;
    int rowLow = std::max(0, static_cast<int>(std::floor(low))), rowHigh = std::min(height - 1, static_cast<int>(high));
    std::vector<double> coverage(static_cast<size_t>(width));
    std::vector<std::pair<double, int>> crossings;
    for (int row = rowLow; row <= rowHigh; ++row) {
        std::fill(coverage.begin(), coverage.end(), 0.0);
        for (int sub = 0; sub < kSubRows; ++sub) {
            double y = row + (sub + 0.5) / kSubRows;
            crossings.clear();
            for (const Edge& e : edges)
                if (y >= e.y0 && y < e.y1) crossings.emplace_back(e.x0 + (y - e.y0) / (e.y1 - e.y0) * (e.x1 - e.x0), e.winding);
            std::sort(crossings.begin(), crossings.end());
            int winding = 0;
            for (size_t i = 0; i + 1 < crossings.size(); ++i) {
                winding += crossings[i].second;
                if (winding == 0) continue;
                double from = std::max(0.0, crossings[i].first), to = std::min<double>(width, crossings[i + 1].first);
                for (int px = static_cast<int>(from); px < width && px < to; ++px)
                    coverage[px] += (std::min<double>(px + 1, to) - std::max<double>(px, from)) / kSubRows;
            }
        }
        uint8_t* line = rgba.data() + static_cast<size_t>(row) * width * 4;
        for (int px = 0; px < width; ++px) {
            double a = std::clamp(coverage[px], 0.0, 1.0);
            if (a <= 0) continue;
            for (int c = 0; c < 3; ++c)
                line[px * 4 + c] = static_cast<uint8_t>(std::lround(line[px * 4 + c] * (1 - a) + colour[c] * a));
        }
    }
}

}  // namespace fw
