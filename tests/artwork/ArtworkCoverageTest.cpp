// The outlines read from artwork cover what an independent renderer paints: the file rasterised by Ghostscript (or, for
// SVG, librsvg) against our flattened outlines filled by a scanline.
#include "EdgeProfile.h"
#include "FilesAndImages.h"
#include "RunProgram.h"
#include "TempDir.h"
#include "artwork/ArtworkReader.h"
#include "profile/ProfileGeometry.h"

namespace fw {
namespace {

constexpr int kDpi = 144;
constexpr int kWidth = 612 * kDpi / 72, kHeight = 792 * kDpi / 72;  // the page pstoedit's artwork declares, in pixels

// Every outline filled by the non-zero rule, in picture rows from the bottom as the image reader gives them.
std::vector<bool> fillOutlines(const std::vector<ArtworkProfile>& profiles, int width, int height) {
    std::vector<bool> mask(static_cast<size_t>(width) * height, false);
    const double scale = kDpi / 72.0;
    for (const ArtworkProfile& profile : profiles) {
        InputProfile2 outline = profile.outline;
        ProfileGeometry flat;
        outline.flattenProfile(false, false, 32, 30, false, flat);
        const auto polygons = test::flatPolygons(flat, 3);
        for (int row = 0; row < height; ++row) {
            const double y = (row + 0.5) / scale;
            std::vector<std::pair<double, int>> crossings;  // x and winding direction
            for (const auto& polygon : polygons)
                for (size_t i = 0; i < polygon.size(); ++i) {
                    const auto &a = polygon[i], &b = polygon[(i + 1) % polygon.size()];
                    if ((a[1] <= y) == (b[1] <= y)) continue;
                    double x = a[0] + (y - a[1]) / (b[1] - a[1]) * (b[0] - a[0]);
                    crossings.push_back({x * scale, b[1] > a[1] ? 1 : -1});
                }
            std::sort(crossings.begin(), crossings.end());
            int winding = 0;
            for (size_t i = 0; i + 1 < crossings.size(); ++i) {
                winding += crossings[i].second;
                if (winding == 0) continue;
                int from = std::max(0, static_cast<int>(std::ceil(crossings[i].first - 0.5)));
                int to = std::min(width - 1, static_cast<int>(std::floor(crossings[i + 1].first - 0.5)));
                for (int x = from; x <= to; ++x) mask[static_cast<size_t>(row) * width + x] = true;
            }
        }
    }
    return mask;
}

}  // namespace

TEST(ArtworkCoverage, IllustratorPdfAndSvgOutlinesCoverWhatTheirOwnRenderersPaint) {
    test::TempDir dir;
    // Curves, a hole drawn with the even-odd rule, a rotated star and overlapping shapes.
    test::writeFile(dir.file("drawing.ps"), R"(%!PS-Adobe-3.0
%%BoundingBox: 0 0 612 792
newpath 150 600 100 0 360 arc closepath 150 600 50 360 0 arcn closepath 0.8 0.1 0.1 setrgbcolor eofill
gsave 420 600 translate 17 rotate newpath 0 90 moveto
  4 { 144 rotate 0 90 lineto } repeat closepath 0.9 0.7 0.1 setrgbcolor fill grestore
newpath 80 200 moveto 300 420 500 -40 540 300 curveto 300 100 lineto closepath 0.1 0.6 0.2 setrgbcolor fill
newpath 100 380 120 60 rectfill 0.1 0.2 0.9 setrgbcolor newpath 150 400 100 60 rectfill
showpage
)");
    // The same drawing written by hand as SVG, y running down; the reader is chosen whatever the extension's case.
    test::writeFile(dir.file("drawing.SVG"), R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="612" height="792"
     viewBox="0 0 612 792">
  <path fill="#cc1a1a" fill-rule="evenodd" d="M250 192 A100 100 0 1 0 50 192 A100 100 0 1 0 250 192 Z
    M200 192 A50 50 0 1 0 100 192 A50 50 0 1 0 200 192 Z"/>
  <polygon transform="translate(420 192) rotate(-17)" fill="#e6b31a"
    points="0.0000,-90.0000 -52.9007,72.8115 85.5951,-27.8115 -85.5951,-27.8115 52.9007,72.8115"/>
  <path fill="#1a9933" d="M80 592 C300 372 500 832 540 492 L300 692 Z"/>
  <rect x="100" y="352" width="120" height="60" fill="#1a9933"/>
  <rect x="150" y="332" width="100" height="60" fill="#1a33e6"/>
</svg>
)svg");
    // The drawing as Illustrator artwork from pstoedit, as a PDF from Ghostscript and as
    // SVG, each painted by a renderer of its own kind.
    const std::string pixels = std::to_string(kWidth) + " -h " + std::to_string(kHeight);
    auto ghostscript = [&](const std::string& file) {
        return "gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pngalpha -r" + std::to_string(kDpi) +
               " -dGraphicsAlphaBits=4 -dDEVICEWIDTHPOINTS=612 -dDEVICEHEIGHTPOINTS=792 -dFIXEDMEDIA -sOutputFile='" +
               dir.file("painted.png") + "' '" + dir.file(file) + "'";
    };
    // The file, the command that makes it (none: written above) and the one that paints it.
    const std::tuple<std::string, std::string, std::string> routes[] = {
        {"drawing.ai", "pstoedit -q -f ps2ai '" + dir.file("drawing.ps") + "' '" + dir.file("drawing.ai") + "'",
         ghostscript("drawing.ai")},
        {"drawing.pdf",
         "gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -sOutputFile='" + dir.file("drawing.pdf") + "' '" +
             dir.file("drawing.ps") + "'",
         ghostscript("drawing.pdf")},
        {"drawing.SVG", "", "rsvg-convert -w " + pixels + " -f png -o '" + dir.file("painted.png") + "' '" +
                                dir.file("drawing.SVG") + "'"},
    };
    for (const auto& [file, make, paint] : routes) {
        SCOPED_TRACE(file);
        if (!make.empty()) {
            test::Outcome made = test::runProgram(make, "", dir.path().string());
            ASSERT_EQ(made.status, 0) << made.err;
        }
        test::Outcome painted = test::runProgram(paint, "", dir.path().string());
        ASSERT_EQ(painted.status, 0) << painted.err;
        ::test::Pixels reference = ::test::readImage(dir.file("painted.png"), true);
        ASSERT_EQ(std::pair(reference.width, reference.height), std::pair(kWidth, kHeight));
        std::string why;
        auto reader = ArtworkReader::forPath(file, ArtworkReader::LayerMode::kObjects, "", why);
        ASSERT_TRUE(reader) << why;
        ASSERT_TRUE(reader->readFile(dir.file(file))) << reader->error();
        EXPECT_EQ(reader->profiles().size(), 5u);
        std::vector<bool> ours = fillOutlines(reader->profiles(), kWidth, kHeight);
        long both = 0, either = 0;
        for (int y = 0; y < reference.height; ++y)
            for (int x = 0; x < reference.width; ++x) {
                bool theirs = reference.at(x, y)[3] >= 128, mine = ours[static_cast<size_t>(y) * reference.width + x];
                both += theirs && mine;
                either += theirs || mine;
            }
        ASSERT_GT(either, 100000);
        EXPECT_GE(static_cast<double>(both) / either, 0.99) << both << " of " << either << " filled pixels agree";
    }
}

}  // namespace fw
