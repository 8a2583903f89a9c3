// Artwork through the program: `import LOGO -o OUT` on files that pstoedit writes
// from PostScript drawings, and the messages for what cannot be read.
#include "AppRun.h"
#include "ImportedSolids.h"
#include "output/ImportGroup.h"
#include "output/ObjImport.h"

namespace fw {
namespace {

using test::formwright;

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
                                                          dir.file("drawing.ai") + "'",
                                          dir.path().string());
    EXPECT_EQ(made.status, 0) << "pstoedit (a test dependency) could not write the artwork: " << made.err;
    return dir.file("drawing.ai");
}

}  // namespace

TEST(LogoImport, PstoeditArtworkBuildsClosedSolidsInItsColoursAloneOrBesideATitle) {
    test::TempDir dir;
    const std::string art = illustratorFile(dir), project = dir.file("title.kxp");
    // Other edges close as GlyphSolidSweepTest's every-profile sweep shows.
    test::Outcome r =
        formwright(dir, "import '" + art + "' -o '" + dir.file("logo.obj") + "' --style 'Bevel, Medium'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::closedSolidVolumes(dir.file("logo.obj")).size(), 3u);
    // Overlapping and touching paths of one group make one closed solid, their union.
    test::writeFile(dir.file("overlap.ai"), "%!PS-Adobe-3.0\n%%EndSetup\nu\n0 0 m\n40 0 l\n40 40 l\n0 40 l\nf\n"
                                            "20 20 m\n60 20 l\n60 60 l\n20 60 l\nf\n40 0 m\n80 0 l\n80 20 l\n"
                                            "40 20 l\nf\nU\n");
    ASSERT_EQ(formwright(dir, "import '" + dir.file("overlap.ai") + "' -o '" + dir.file("overlap.obj") + "'").status,
              0);
    const std::vector<double> overlap = test::closedSolidVolumes(dir.file("overlap.obj"));
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
    // x and y extents of the title's letters and of the logo's objects.
    double title[4] = {1e300, 1e300, -1e300, -1e300}, logoBox[4] = {1e300, 1e300, -1e300, -1e300};
    int logoObjects = 0;
    for (const ImportGroup& group : groups) {
        const bool isLogo = group.name.starts_with("Illustrator");
        logoObjects += isLogo;
        double* extent = isLogo ? logoBox : title;
        for (int i = 0; i < group.mesh->vertexCount(); ++i) {
            double v[3];
            group.mesh->getVertex(v, i);
            extent[0] = std::min(extent[0], v[0]), extent[1] = std::min(extent[1], v[1]);
            extent[2] = std::max(extent[2], v[0]), extent[3] = std::max(extent[3], v[1]);
        }
    }
    EXPECT_EQ(logoObjects, 3);
    EXPECT_GT(logoBox[0], title[2]);  // to the right, apart
    // Outline to outline; the logo's bevel stands a little past it.
    EXPECT_NEAR(logoBox[3] - logoBox[1], title[3] - title[1], 0.1 * (title[3] - title[1]));
    const std::string saved = test::readFile(project);
    const size_t titleStyle = saved.find("name \"Text Style\""), logoStyle = saved.find("name \"AIColor 2 Style\"");
    ASSERT_TRUE(titleStyle != std::string::npos && logoStyle != std::string::npos);
    const size_t titleEnd = saved.find("end ObjectXStyle", titleStyle);
    EXPECT_EQ(saved.substr(titleStyle, titleEnd - titleStyle).find("Chrome"), std::string::npos);
    EXPECT_NE(saved.find("material \"Chrome\"", logoStyle), std::string::npos);
}

TEST(LogoImport, TheExampleProjectIsWhatItsArtworkBuilds) {
    test::TempDir dir;
    test::writeFile(dir.file("logo.ai"), test::readFile(test::example("logo.ai")));
    test::Outcome r =
        formwright(dir, "import logo.ai --size 960x720 -o logo.kxp", "cd '" + dir.path().string() + "' && ");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readFile(dir.file("logo.kxp")), test::readFile(test::example("logo.kxp")));
}

TEST(LogoImport, WhatCannotBeReadIsSaidInOneLineNamingTheFile) {
    test::TempDir dir;
    const std::string art = illustratorFile(dir);
    test::writeFile(dir.file("drawn.ps"), kDrawing);
    test::writeFile(dir.file("box.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    // The arguments, and the message (empty: unchecked).
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
        {"import '" + art + "' --into '" + dir.file("missing.kxp") + "'", ""},
        {"import '" + art + "' --into out.kxp --style 'Soft Bevel'",
         "formwright: --style: with --into, give an edge profile: the project's own objects keep their styles\n"},
        {"import '" + dir.file("box.obj") + "' -o out.kxp --depth 3",
         "formwright: --depth: is taken by artwork files (.ai, .eps, .ps, .pdf or .svg), not by meshes\n"},
    };
    for (const auto& [arguments, message] : rows) {
        SCOPED_TRACE(arguments);
        test::Outcome r = formwright(dir, arguments);
        EXPECT_EQ(r.status, 1);
        if (!message.empty()) {
            EXPECT_EQ(r.err, message);
        }
        EXPECT_EQ(r.err.find('\r'), std::string::npos);
    }
}

}  // namespace fw
