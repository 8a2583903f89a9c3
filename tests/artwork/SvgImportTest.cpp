// SVG artwork through the program: `import LOGO.svg -o OUT` builds closed solids, warns of text, and draws what an
// independent SVG renderer draws. Which contours are holes is SvgReader.FillRulesDecideWhichContoursAreHoles's, and
// that a hole stays one in the solid TextLayout.RenderCapsCoverEachCharacterExactly's (the counters).
#include "AppRun.h"
#include "ImportedSolids.h"

namespace fw {
namespace {

using test::formwright;

std::string svg(const std::string& body) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"300\" height=\"200\" viewBox=\"0 0 300 200\">\n" + body +
           "\n</svg>\n";
}

// Two circles of radius 70 and 30 about (90, 100), both drawn the same way round.
const char* kDiscs = "M20 100a70 70 0 1 0 140 0a70 70 0 1 0-140 0zM60 100a30 30 0 1 0 60 0a30 30 0 1 0-60 0z";

// Which paint a pixel shows: 0 the black background, 1 red, 2 blue, 3 anything else.
int paintOf(const int* p) {
    if (p[0] < 40 && p[1] < 40 && p[2] < 40) return 0;
    if (p[0] > 2 * p[1] && p[0] > 2 * p[2]) return 1;
    if (p[2] > p[0] + 40 && p[2] > p[1]) return 2;
    return 3;
}

// The picture's paints on a grid laid over what is painted, so pictures framed differently compare cell by cell.
std::vector<int> paintGrid(const ::test::Pixels& picture, int columns, int rows) {
    int x0 = picture.width, y0 = picture.height, x1 = -1, y1 = -1;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (paintOf(picture.at(x, y)) != 0)
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    std::vector<int> grid;
    if (x1 < 0) return grid;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            const int x = x0 + (x1 - x0) * (2 * column + 1) / (2 * columns);
            const int y = y0 + (y1 - y0) * (2 * row + 1) / (2 * rows);
            grid.push_back(paintOf(picture.at(x, y)));
        }
    return grid;
}

}  // namespace

TEST(SvgImport, TextIsReportedOnceAndTheRestIsBuilt) {
    test::TempDir dir;
    test::writeFile(dir.file("sign.svg"), svg("<text x=\"10\" y=\"20\">OPEN</text><g fill=\"red\"><rect width=\"50\" "
                                              "height=\"20\"/><text>24 hours</text></g><circle cx=\"100\" cy=\"50\" "
                                              "r=\"20\" fill=\"#00f\"/>"));
    test::Outcome r = formwright(dir, "import '" + dir.file("sign.svg") + "' -o '" + dir.file("sign.obj") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "formwright: " + dir.file("sign.svg") + ": text is not imported (convert it to outlines)\n");
    // The group and the circle; their names are SvgReader's and how a project writes them LogoImport's.
    EXPECT_EQ(test::closedSolidVolumes(dir.file("sign.obj")).size(), 2u);
}

TEST(SvgImport, ThePictureShowsWhatAnIndependentRendererDraws) {
    test::TempDir dir;
    test::writeFile(dir.file("logo.svg"),
                    svg(std::string("<path fill=\"#d22\" fill-rule=\"evenodd\" d=\"") + kDiscs +
                        "\"/><g fill=\"#28d\" transform=\"translate(190 30) rotate(15)\"><rect width=\"70\" "
                        "height=\"50\" rx=\"10\"/><polygon points=\"0,80 70,80 35,140\"/></g>"));
    test::Outcome reference = test::runProgram(
        "rsvg-convert", "-w 300 -h 200 -b black -o '" + dir.file("reference.png") + "' '" + dir.file("logo.svg") + "'",
        dir.path().string());
    ASSERT_EQ(reference.status, 0) << "rsvg-convert (a test dependency, librsvg2-bin) failed: " << reference.err;
    test::Outcome r = formwright(dir, "import '" + dir.file("logo.svg") + "' -o '" + dir.file("logo.png") +
                                          "' --size 300x200 --style 'Basic, Flat Sides'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<int> want = paintGrid(::test::readImage(dir.file("reference.png")), 60, 40);
    const std::vector<int> got = paintGrid(::test::readImage(dir.file("logo.png")), 60, 40);
    ASSERT_EQ(std::pair(want.size(), got.size()), std::pair(size_t{2400}, size_t{2400}));
    int painted = 0, agree = 0, counts[2][3] = {};
    for (size_t i = 0; i < want.size(); ++i) {
        if (want[i] == 0 && got[i] == 0) continue;
        ++painted;
        agree += want[i] == got[i];
        for (int k = 0; k < 3; ++k) counts[0][k] += want[i] == k + 1, counts[1][k] += got[i] == k + 1;
    }
    // The solids' sides, seen in perspective, and the bevel's shading differ at the edges.
    EXPECT_GT(agree, painted * 85 / 100) << agree << " of " << painted;
    EXPECT_GT(counts[0][0], 300);
    EXPECT_GT(counts[0][1], 150);
    EXPECT_NEAR(counts[1][0], counts[0][0], counts[0][0] / 8);
    EXPECT_NEAR(counts[1][1], counts[0][1], counts[0][1] / 8);
}

}  // namespace fw
