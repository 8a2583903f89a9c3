#pragma once
// Glyph outlines of real fonts as flat contours, read through FreeType (a test-only
// peer) so that the geometry tests need nothing above their own layer. TrueType draws
// outlines clockwise; they come back turned round, as caps expect them: outlines
// counter-clockwise, holes clockwise.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <glm/vec2.hpp>
#include <vector>

namespace fw::test {

inline constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// The glyph of `code` in font units times `scale`, each curve cut into `steps`
// straight pieces; empty when the font or the glyph is missing.
inline std::vector<std::vector<glm::dvec2>> glyphOutline(const char* path, unsigned long code, double scale = 1,
                                                         int steps = 6) {
    struct Pen {
        std::vector<std::vector<glm::dvec2>> contours;
        glm::dvec2 at{};
        double scale;
        int steps;
        static Pen& of(void* user) { return *static_cast<Pen*>(user); }
        glm::dvec2 v(const FT_Vector* p) const { return {p->x * scale, p->y * scale}; }
    } pen{{}, {}, scale, steps};
    FT_Outline_Funcs funcs = {
        [](const FT_Vector* to, void* u) {
            Pen& p = Pen::of(u);
            p.contours.push_back({p.at = p.v(to)});
            return 0;
        },
        [](const FT_Vector* to, void* u) {
            Pen& p = Pen::of(u);
            p.contours.back().push_back(p.at = p.v(to));
            return 0;
        },
        [](const FT_Vector* control, const FT_Vector* to, void* u) {
            Pen& p = Pen::of(u);
            glm::dvec2 a = p.at, c = p.v(control), b = p.v(to);
            for (int k = 1; k <= p.steps; ++k) {
                double t = double(k) / p.steps, s = 1 - t;
                p.contours.back().push_back(s * s * a + 2 * s * t * c + t * t * b);
            }
            p.at = b;
            return 0;
        },
        [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* u) {
            Pen& p = Pen::of(u);
            glm::dvec2 a = p.at, c = p.v(c1), d = p.v(c2), b = p.v(to);
            for (int k = 1; k <= p.steps; ++k) {
                double t = double(k) / p.steps, s = 1 - t;
                p.contours.back().push_back(s * s * s * a + 3 * s * s * t * c + 3 * s * t * t * d + t * t * t * b);
            }
            p.at = b;
            return 0;
        },
        0, 0};
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) return {};
    FT_Face face;
    if (FT_New_Face(library, path, 0, &face) == 0) {
        if (FT_Load_Char(face, code, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0 &&
            face->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
            FT_Outline_Decompose(&face->glyph->outline, &funcs, &pen);
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    for (std::vector<glm::dvec2>& c : pen.contours) {
        if (c.size() > 1 && c.front() == c.back()) c.pop_back();  // the closing point
        std::reverse(c.begin(), c.end());
    }
    return pen.contours;
}

}  // namespace fw::test
