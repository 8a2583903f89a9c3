// Glyph outlines per second: every glyph of a TrueType font, of a CFF font and of a
// Type 1 font read by our parser and by FreeType, passes interleaved in the same run.
// "x_freetype" is our rate divided by FreeType's (above 1: faster).
#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <chrono>
#include <cstdlib>
#include <string>

#include "Summary.h"

#include "font/FontFile.h"
#include "font/TrueTypeFontParser.h"
#include "font/Type1FontParser.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

template <class Parser>
void outlineEveryGlyph(benchmark::State& state, const char* fontName, const char* path) {
    fw::veltrane::FontFile font(fw::FontKind::kTrueType, "", path);
    Parser parser(font);
    if (!parser.openFile(path)) std::abort();
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, path, 0, &face) != 0) std::abort();
    const int glyphs = parser.glyphCount();
    if (glyphs != face->num_glyphs) std::abort();

    fw::veltrane::RawGlyph record;
    double ours = 0, theirs = 0;
    long points = 0, theirPoints = 0;
    // Both sides' points are read, as a caller would, so that no work is left undone.
    for (auto _ : state) {
        Clock::time_point t0 = Clock::now();
        for (int g = 0; g < glyphs; ++g) {
            parser.outline(g, record);
            for (const fw::veltrane::GlyphPoint& p : record.points) points += p.x + p.onCurve;
        }
        double t = since(t0);
        ours += t;
        state.SetIterationTime(t);
        t0 = Clock::now();
        for (int g = 0; g < glyphs; ++g) {
            if (FT_Load_Glyph(face, g, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0) {
                const FT_Outline& o = face->glyph->outline;
                for (int p = 0; p < o.n_points; ++p) theirPoints += o.points[p].x + (o.tags[p] & 1);
            }
        }
        theirs += since(t0);
    }
    benchmark::DoNotOptimize(points);
    benchmark::DoNotOptimize(theirPoints);
    double n = static_cast<double>(glyphs) * static_cast<double>(state.iterations());
    state.SetItemsProcessed(static_cast<int64_t>(n));
    state.counters["glyphs"] = glyphs;
    state.counters["freetype_glyphs_per_s"] = n / theirs;
    state.counters["x_freetype"] = (n / ours) / (n / theirs);
    fw::bench::summaryRow(std::string("glyph outlines, ") + fontName, n / ours, "glyphs/s", "FreeType", n / theirs,
                          fw::bench::Better::higher);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

void BM_OutlineEveryGlyph(benchmark::State& state, const char* fontName, const char* path) {
    outlineEveryGlyph<fw::veltrane::TrueTypeFontParser>(state, fontName, path);
}

void BM_OutlineEveryType1Glyph(benchmark::State& state, const char* fontName, const char* path) {
    outlineEveryGlyph<fw::veltrane::Type1FontParser>(state, fontName, path);
}

BENCHMARK_CAPTURE(BM_OutlineEveryGlyph, DejaVuSans, "DejaVuSans.ttf",
                  "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OutlineEveryGlyph, FreeSerifCFF, "FreeSerif.otf",
                  "/usr/share/fonts/opentype/freefont/FreeSerif.otf")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OutlineEveryType1Glyph, NimbusRoman, "NimbusRoman-Regular.t1",
                  "/usr/share/fonts/type1/urw-base35/NimbusRoman-Regular.t1")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OutlineEveryType1Glyph, NimbusSansPFB, "NimbusSans-Regular.pfb",
                  "/usr/share/fonts/X11/Type1/NimbusSans-Regular.pfb")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
