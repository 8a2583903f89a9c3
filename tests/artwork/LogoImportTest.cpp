// Artwork through the program: `import LOGO -o OUT` on files that pstoedit writes from PostScript drawings and on SVG,
// which builds closed solids, warns of text and draws what an independent SVG renderer draws; and the messages for
// what cannot be read. Which contours are holes is SvgReader.FillRulesDecideWhichContoursAreHoles's, and that a hole
// stays one in the solid TextLayout.RenderCapsCoverEachCharacterExactly's (the counters).
#include "AppRun.h"
#include "GeometryHelpers.h"
#include "output/ImportGroup.h"
#include "output/ObjImport.h"

namespace fw {
namespace {

using test::formwright;

// The solids of an OBJ file that `import` wrote, read back with the program's reader, each checked closed and sound
// (every edge used once each way, no degenerate triangle, positive volume): their volumes, in file order.
std::vector<double> closedSolidVolumes(const std::string& obj) {
    std::vector<ImportGroup> groups;
    ObjImport reader;
    EXPECT_TRUE(reader.read(obj, groups)) << obj << ": " << reader.error();
    std::vector<double> volumes;
    for (const ImportGroup& group : groups) {
        volumes.push_back(test::expectClosed(*group.mesh, obj + ": " + group.name).volume);
        EXPECT_GT(volumes.back(), 0) << obj << ": " << group.name;
    }
    return volumes;
}

// A red ring drawn with an even-odd fill, a blue square and a green shape with curves.
const char* kDrawing = R"(%!PS-Adobe-3.0
%%BoundingBox: 0 0 300 200
newpath 100 100 80 0 360 arc closepath 100 100 40 360 0 arcn closepath 0.8 0.1 0.1 setrgbcolor eofill
newpath 200 20 moveto 260 20 lineto 260 80 lineto 200 80 lineto closepath 0.1 0.1 0.9 setrgbcolor fill
newpath 200 110 moveto 280 110 280 190 200 190 curveto 230 150 lineto closepath 0.1 0.8 0.1 setrgbcolor fill
showpage
)";

// The drawing as Illustrator artwork, written by pstoedit's ps2ai driver.
std::string illustratorFile(const test::TempDir& dir) {
    test::writeFile(dir.file("drawing.ps"), kDrawing);
    test::Outcome made = test::runProgram("pstoedit", "-q -f ps2ai '" + dir.file("drawing.ps") + "' '" +
                                                          dir.file("drawing.ai") + "'", dir.path().string());
    EXPECT_EQ(made.status, 0) << "pstoedit (a test dependency) could not write the artwork: " << made.err;
    return dir.file("drawing.ai");
}

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

TEST(LogoImport, PstoeditArtworkBuildsClosedSolidsBesideATitleAndRefusalsNameTheFileInOneLine) {
    test::TempDir dir;
    const std::string art = illustratorFile(dir), project = dir.file("title.kxp");
    // Other edges close as GlyphSolidSweepTest's every-profile sweep shows.
    test::Outcome r = formwright(dir, "import '" + art + "' -o '" + dir.file("logo.obj") + "' --style 'Bevel, Medium'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(closedSolidVolumes(dir.file("logo.obj")).size(), 3u);
    // Overlapping and touching paths of one group make one closed solid, their union.
    test::writeFile(dir.file("overlap.ai"), "%!PS-Adobe-3.0\n%%EndSetup\nu\n0 0 m\n40 0 l\n40 40 l\n0 40 l\nf\n"
                                            "20 20 m\n60 20 l\n60 60 l\n20 60 l\nf\n40 0 m\n80 0 l\n80 20 l\n"
                                            "40 20 l\nf\nU\n");
    ASSERT_EQ(formwright(dir, "import '" + dir.file("overlap.ai") + "' -o '" + dir.file("overlap.obj") + "'").status,
              0);
    const std::vector<double> overlap = closedSolidVolumes(dir.file("overlap.obj"));
    ASSERT_EQ(overlap.size(), 1u);
    // The union's area is 3,600 (the second square shares 400 with the first); the
    // default depth is about 10. Dropping any one path leaves less than this.
    EXPECT_GT(overlap[0], 3200 * 10.0);
    ASSERT_EQ(formwright(dir, "import '" + art + "' -o '" + dir.file("logo.kxp") + "' --depth 12").status, 0);
    const std::string logo = test::readFile(dir.file("logo.kxp"));
    for (const char* line : {"name \"Illustrator Object 1\"", "name \"Illustrator Object 1 Outline\"",
                             "name \"Illustrator Object 3\"", "name \"AIColor 3\"",
                             "face \"Illustrator Object 2 Outline\""})
        EXPECT_NE(logo.find(line), std::string::npos) << line;
    EXPECT_EQ(logo.find("Illustrator Object 4"), std::string::npos);
    // The picture of each shape in its own colour is SvgImport.ThePictureShowsWhatAnIndependentRendererDraws's.
    // Into a project, the logo stands beside its title, as tall as it, and alone wears the material.
    ASSERT_EQ(formwright(dir, "text AB -o '" + project + "'").status, 0);
    r = formwright(dir, "import '" + art + "' --into '" + project + "' --material Chrome");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(formwright(dir, "export '" + project + "' -o '" + dir.file("all.obj") + "'").status, 0);
    std::vector<ImportGroup> groups;
    ObjImport reader;
    ASSERT_TRUE(reader.read(dir.file("all.obj"), groups)) << reader.error();
    // The extents of the title's letters and of the logo's objects.
    test::Box title, logoBox;
    int logoObjects = 0;
    for (const ImportGroup& group : groups) {
        const bool isLogo = group.name.starts_with("Illustrator");
        logoObjects += isLogo;
        test::Box& extent = isLogo ? logoBox : title;
        const test::Box box = test::boxOf(*group.mesh);
        extent.low = glm::min(extent.low, box.low), extent.high = glm::max(extent.high, box.high);
    }
    EXPECT_EQ(logoObjects, 3);
    EXPECT_GT(logoBox.low.x, title.high.x);  // to the right, apart
    // Outline to outline; the logo's bevel stands a little past it.
    const double titleHeight = title.high.y - title.low.y;
    EXPECT_NEAR(logoBox.high.y - logoBox.low.y, titleHeight, 0.1 * titleHeight);
    const std::string saved = test::readFile(project);
    const size_t titleStyle = saved.find("name \"Text Style\""), logoStyle = saved.find("name \"AIColor 2 Style\"");
    ASSERT_TRUE(titleStyle != std::string::npos && logoStyle != std::string::npos);
    const size_t titleEnd = saved.find("end ObjectXStyle", titleStyle);
    EXPECT_EQ(saved.substr(titleStyle, titleEnd - titleStyle).find("Chrome"), std::string::npos);
    EXPECT_NE(saved.find("material \"Chrome\"", logoStyle), std::string::npos);
    // What cannot be read is said in one line naming the file.
    test::writeFile(dir.file("drawn.ps"), kDrawing);
    test::writeFile(dir.file("box.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    // The arguments and the message.
    const std::pair<std::string, std::string> rows[] = {
        // The message for artwork without paths (its \r taken out) ends the PostScript drawing's row.
        {"import '" + art + "' -o out.kxp --layer Logo",
         "formwright: " + art +
             ": The original layer is no longer available. Check to see if it is now invisible or has been renamed.\n"},
        {"import '" + dir.file("drawn.ps") + "' -o out.kxp",
         "formwright: " + dir.file("drawn.ps") +
             ": it draws with PostScript's own operators, which are not read: turn it into Illustrator artwork "
             "first (pstoedit -f ps2ai IN.ps OUT.ai)\nformwright: " + dir.file("drawn.ps") +
             ": There were no usable vector paths in this file.\n"},
        {"import '" + art + "' --into '" + dir.file("missing.kxp") + "'",
         "formwright: " + dir.file("missing.kxp") + ": No such file or directory\n"},
        {"import '" + art + "' --into out.kxp --style 'Soft Bevel'",
         "formwright: --style: with --into, give an edge profile: the project's own objects keep their styles\n"},
        {"import '" + dir.file("box.obj") + "' -o out.kxp --depth 3",
         "formwright: --depth: is taken by artwork files (.ai, .eps, .ps, .pdf or .svg), not by meshes\n"},
    };
    for (const auto& [arguments, message] : rows) {
        SCOPED_TRACE(arguments);
        r = formwright(dir, arguments);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, message);
        EXPECT_EQ(r.err.find('\r'), std::string::npos);
    }
}

TEST(LogoImport, TheExampleProjectIsWhatItsArtworkBuilds) {
    test::TempDir dir;
    test::writeFile(dir.file("logo.ai"), test::readFile(test::example("logo.ai")));
    test::Outcome r =
        formwright(dir, "import logo.ai --size 960x720 -o logo.kxp", "cd '" + dir.path().string() + "' && ");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readFile(dir.file("logo.kxp")), test::readFile(test::example("logo.kxp")));
}

TEST(SvgImport, TextIsReportedOnceAndTheRestIsBuilt) {
    test::TempDir dir;
    test::writeFile(dir.file("sign.svg"), svg("<text x=\"10\" y=\"20\">OPEN</text><g fill=\"red\"><rect width=\"50\" "
                                              "height=\"20\"/><text>24 hours</text></g><circle cx=\"100\" cy=\"50\" "
                                              "r=\"20\" fill=\"#00f\"/>"));
    test::Outcome r = formwright(dir, "import '" + dir.file("sign.svg") + "' -o '" + dir.file("sign.obj") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "formwright: " + dir.file("sign.svg") + ": text is not imported (convert it to outlines)\n");
    // The group and the circle; their names are SvgReader's and how a project writes them LogoImport's.
    EXPECT_EQ(closedSolidVolumes(dir.file("sign.obj")).size(), 2u);
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
