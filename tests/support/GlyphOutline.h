#pragma once
// Glyph outlines of real fonts as flat contours, read through FreeType (a test-only
// peer) so that the geometry tests need nothing above their own layer.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <tuple>
#include <glm/vec2.hpp>
#include <vector>

namespace fw::test {

inline constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// `outline` times `scale`, each curve cut into `steps` straight pieces, contours as
// FreeType draws them (a contour's last point repeats its first when a line closes it).
inline std::vector<std::vector<glm::dvec2>> flatContours(const FT_Outline& outline, double scale, int steps) {
    struct Pen {
        std::vector<std::vector<glm::dvec2>> contours;
        double scale;
        int steps;
        static Pen& of(void* user) { return *static_cast<Pen*>(user); }
        glm::dvec2 v(const FT_Vector* p) const { return {p->x * scale, p->y * scale}; }
        // A quadratic curve when `c2` is null, else a cubic one.
        int curve(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to) {
            const glm::dvec2 a = contours.back().back(), c = v(c1), b = v(to);
            for (int k = 1; k <= steps; ++k) {
                double t = double(k) / steps, s = 1 - t;
                contours.back().push_back(c2 ? s * s * s * a + 3 * s * s * t * c + 3 * s * t * t * v(c2) + t * t * t * b
                                             : s * s * a + 2 * s * t * c + t * t * b);
            }
            return 0;
        }
    } pen{{}, scale, steps};
    FT_Outline_Funcs funcs = {
        [](const FT_Vector* to, void* u) { return Pen::of(u).contours.push_back({Pen::of(u).v(to)}), 0; },
        [](const FT_Vector* to, void* u) { return Pen::of(u).contours.back().push_back(Pen::of(u).v(to)), 0; },
        [](const FT_Vector* c, const FT_Vector* to, void* u) { return Pen::of(u).curve(c, nullptr, to); },
        [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* u) {
            return Pen::of(u).curve(c1, c2, to);
        },
        0, 0};
    FT_Outline_Decompose(const_cast<FT_Outline*>(&outline), &funcs, &pen);
    return pen.contours;
}

// The glyph of `code` in font units times `scale`, each curve cut into `steps` straight
// pieces; empty when the font or the glyph is missing. TrueType draws outlines clockwise;
// they come back turned round, as caps expect them: outlines counter-clockwise, holes clockwise.
inline std::vector<std::vector<glm::dvec2>> glyphOutline(const char* path, unsigned long code, double scale = 1,
                                                         int steps = 6) {
    std::vector<std::vector<glm::dvec2>> contours;
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) return {};
    FT_Face face;
    if (FT_New_Face(library, path, 0, &face) == 0) {
        if (FT_Load_Char(face, code, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0 &&
            face->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
            contours = flatContours(face->glyph->outline, scale, steps);
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    for (std::vector<glm::dvec2>& c : contours) {
        if (c.size() > 1 && c.front() == c.back()) c.pop_back();  // the closing point
        std::reverse(c.begin(), c.end());
    }
    return contours;
}

// Area covered by exactly one of two shapes (non-zero rule) on scanlines `step` apart, kept clear of whole font units
// so no vertex lies on one.
inline double differenceArea(const std::vector<std::vector<glm::dvec2>>& a,
                             const std::vector<std::vector<glm::dvec2>>& b, double step) {
    double lo = 1e18, hi = -1e18;
    for (const auto* s : {&a, &b})
        for (const auto& p : *s)
            for (const glm::dvec2& v : p) lo = std::min(lo, v.y), hi = std::max(hi, v.y);
    double area = 0;
    std::vector<std::tuple<double, int, int>> cross;  // x, which shape, direction
    for (double y = std::floor(lo) + 0.00314159; y < hi; y += step) {
        cross.clear();
        for (int s = 0; s < 2; ++s)
            for (const auto& p : s ? b : a)
                for (size_t i = 0; i < p.size(); ++i) {
                    const glm::dvec2 &e = p[i], &f = p[(i + 1) % p.size()];
                    if ((e.y <= y) != (f.y <= y))
                        cross.emplace_back(e.x + (y - e.y) / (f.y - e.y) * (f.x - e.x), s, f.y > e.y ? 1 : -1);
                }
        std::sort(cross.begin(), cross.end());
        int winding[2] = {0, 0};
        double last = 0;
        for (auto [x, s, dir] : cross) {
            if ((winding[0] != 0) != (winding[1] != 0)) area += (x - last) * step;
            winding[s] += dir;
            last = x;
        }
    }
    return area;
}

}  // namespace fw::test
