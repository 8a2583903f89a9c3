// How commands behave for someone scripting them: a title framed whatever its alignment, no command changing the next,
// mistakes named. And project settings that would cost a render, movie or export more memory or time than any picture
// needs: held to their maximum with a warning naming the project, or refused before any work, exit 1. Runs are capped,
// so a setting that is not held ends its run instead of the machine's.
#include <algorithm>
#include <array>
#include <functional>
#include <regex>

#include "AppHelpers.h"

using testing::HasSubstr;
using testing::Not;

namespace {

using fw::test::Outcome;
using test::Pixels;

// A setting that is not held fails its test instead of taking the machine: memory is capped, except under
// AddressSanitizer, whose shadow memory needs the address space.
#ifdef FW_SANITIZED_BUILD
constexpr const char* kCapped = "timeout 300 ";
#else
constexpr const char* kCapped = "ulimit -v 4000000; timeout 120 ";
#endif

// The tests' runs, in a folder of their own and capped.
class SettingsLimits : public testing::Test {
protected:
    Outcome run(const std::string& arguments) { return fw::test::formwright(dir, arguments, kCapped); }
    // A small title as `text` writes it, with its lines changed by `edit`.
    std::string project(const std::string& name, const std::function<void(std::string&)>& edit,
                        const std::string& text = "Hi") {
        const std::string base = dir.file("base-" + text + ".kxp");
        EXPECT_TRUE(std::filesystem::exists(base) || run("-q text " + text + " -o '" + base + "'").status == 0) << text;
        std::string file = fw::test::readFile(base);
        edit(file);
        const std::string path = dir.file(name);
        fw::test::writeFile(path, file);
        return path;
    }
    fw::test::TempDir dir;
};
using CommandBehaviour = SettingsLimits;

// Replaces the first line starting with `keyword` (after its indentation).
void setLine(std::string& file, const std::string& keyword, const std::string& value) {
    std::smatch found;
    ASSERT_TRUE(std::regex_search(file, found, std::regex("\n( *)" + keyword + " [^\n]*"))) << keyword;
    file.replace(static_cast<size_t>(found.position(0)), static_cast<size_t>(found.length(0)),
                 "\n" + found[1].str() + keyword + " " + value);
}

// The scene's timeline block, which a new title leaves at its defaults and so unwritten.
void setTimeline(std::string& file, const std::string& lines) {
    const size_t at = file.find(" begin SceneX\n");
    ASSERT_NE(at, std::string::npos);
    file.insert(at + 14, "  begin AnimGlobals\n" + lines + "  end AnimGlobals\n");
}

// Glass letters that also mirror: every hit sends a refracted and a reflected ray, so followed to the bounce limit the
// rays a pixel costs double every two bounces.
void glass(std::string& file) {
    setLine(file, "RenderSize", "48 36");
    setLine(file, "AntiAliasLevel", "\"0\"");
    const size_t transparency = file.find("begin MaterialChannelTransparency");
    ASSERT_NE(transparency, std::string::npos);
    file.replace(file.find("amount 0", transparency), 8, "amount 0.8");
    file.replace(file.find("refraction 1", transparency), 12, "refraction 1.5");
    setLine(file, "raytraceAmount", "0.6");
}

double meanDifference(const Pixels& a, const Pixels& b) {
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(a.rgb[i] - b.rgb[i]);
    return sum / static_cast<double>(a.rgb.size());
}

// The columns a band of rows covers with anything brighter than the background.
struct Span {
    int left = 1 << 30, right = -1;
    bool empty() const { return right < 0; }
    double middle() const { return (left + right) / 2.0; }
};
Span litColumns(const Pixels& p, int fromRow, int toRow) {
    Span s;
    for (int y = std::max(0, fromRow); y < std::min(p.height, toRow); ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.at(x, y)[0] + p.at(x, y)[1] + p.at(x, y)[2] > 60)
                s.left = std::min(s.left, x), s.right = std::max(s.right, x);
    return s;
}

}  // namespace

// Settings held to their maximum with a warning naming the project. Bounces: 10000 once overflowed the stack and 100
// never finished; both are now the most the tracer follows, and a picture followed that deep differs from one of 12
// bounces only where single steps of 8-bit colour fall. Shadow bounces; a channel's blur rays (200 million once took
// 1.6 GB before failing); a texture side of 100000, which the ray tracer once tried to bake whole; smoothness, which
// sets how finely curves are cut (a million ran out of memory).
TEST_F(SettingsLimits, OversizedSettingsAreHeldToTheirMaximumWithAWarning) {
    const std::string grid =
        "    active 1\n    begin ShaderBlock\n     active 1\n     begin ShaderGrid 0\n"
        "      VVisible 1\n      VColor 0.9 0.1 0.1 1\n      FillColor 0.2 0.6 0.2 1\n"
        "     end ShaderGrid\n    end ShaderBlock\n";
    const std::string traced = " is above the most the ray tracer follows; 64 are traced";
    const struct {
        std::string name, text, renderer;
        bool glass;         // the glass letters above
        std::string lines;  // "keyword value", one a line
        std::string says;   // empty: no setting is held
        int width;
    } cases[] = {
        {"bounces-64", "Hi", "raytrace", true, "MaxBounces 64", "", 48},
        {"bounces-12", "Hi", "raytrace", true, "MaxBounces 12", "", 48},
        {"bounces-100", "Hi", "raytrace", true, "MaxBounces 100", "bounces-100.kxp: MaxBounces 100" + traced, 48},
        {"bounces-10000", "Hi", "raytrace", true, "MaxBounces 10000", "bounces-10000.kxp: MaxBounces 10000" + traced,
         48},
        {"shadows", "Hi", "raytrace", true, "MaxShadowBounces 1000000",
         "shadows.kxp: MaxShadowBounces 1000000" + traced, 48},
        {"rays", "Hi", "raytrace", true, "numRays 200000000\nspread 40",
         "rays.kxp: numRays 200000000 is above the most this program takes; 256 is used", 48},
        {"texture", "Hi", "raytrace", false, "RenderSize 48 36\nshaderTextureWidth 100000\nshaderTextureHeight 100000",
         "defaultMtl: the texture size 100000 x 100000 is above the most a texture is baked at; it is baked at most "
         "8192 x 8192",
         48},
        {"smooth", "O", "gl", false, "RenderSize 64 48\nsmoothnessRender 1000000",
         "smooth.kxp: smoothnessRender 1e+06 is above the most this program takes; 200 is used", 64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto edit = [&](std::string& f) {
            if (c.glass) glass(f);
            for (const std::string& line : fw::test::linesOf(c.lines + "\n"))
                setLine(f, line.substr(0, line.find(' ')), line.substr(line.find(' ') + 1));
            if (c.name == "texture") f = fw::test::edited(f, {{"useBaseColor 1\n", "useBaseColor 1\n" + grid}});
        };
        const std::string in = project(c.name + ".kxp", edit, c.text);
        const std::string out = dir.file(c.name + ".png");
        Outcome r = run("render '" + in + "' -o '" + out + "' --renderer " + c.renderer);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_THAT(r.err, c.says.empty() ? Not(HasSubstr(" is above the most"))
                                          : testing::Matcher<std::string>(HasSubstr(c.says)));
        EXPECT_EQ(test::readImage(out).width, c.width);
    }
    auto drawn = [&](const std::string& name) { return test::readImage(dir.file("bounces-" + name + ".png")); };
    const Pixels atCap = drawn("64");
    EXPECT_EQ(meanDifference(drawn("100"), atCap), 0.0);
    EXPECT_EQ(meanDifference(drawn("10000"), atCap), 0.0);
    EXPECT_LT(meanDifference(drawn("12"), atCap), 0.5);
    // The letters show: the picture is not background alone.
    int differing = 0;
    for (size_t i = 0; i < atCap.rgb.size(); ++i) differing += atCap.rgb[i] != atCap.rgb[i % 3];
    EXPECT_GT(differing, 100);
    // Held, not dropped: the project written back keeps the maximum.
    const std::string resaved = dir.file("resaved.kxp");
    ASSERT_EQ(run("resave '" + dir.file("smooth.kxp") + "' '" + resaved + "'").status, 0);
    EXPECT_THAT(fw::test::readFile(resaved), HasSubstr("smoothnessRender 200.000000"));
    // Edge meshing and cap tiles a hair's breadth apart once asked for millions of rows along each edge and tens of
    // thousands of grid lines.
    const std::string fine = project("fine.kxp", [&](std::string& f) {
        setLine(f, "meshingOn", "1");
        setLine(f, "bestEdgeMeshing", "1e-5");
        setLine(f, "bestTileResolution", "0.002 0.002");
    });
    Outcome info = run("info '" + fine + "'");
    ASSERT_EQ(info.status, 0) << info.err;
    std::smatch faces;
    ASSERT_TRUE(std::regex_search(info.out, faces, std::regex("([0-9]+) faces"))) << info.out;
    EXPECT_LT(std::stol(faces[1].str()), 2000000) << info.out;
}

// Refused before any work, exit 1: the project's own render size and frame rate (its own fault, not an option's), a
// movie into a folder, a billion frames gathered whole into one mesh file, and a frame larger than the OpenGL driver
// can make (four samples of 16384 x 16384 pass the software driver's one-gigabyte limit).
TEST_F(SettingsLimits, SizesRatesRangesAndMovieFoldersThatNoRunCouldHonourAreRefusedUpFront) {
    for (const char* size : {"16385 480", "1e12 480", "nan 480"}) {
        SCOPED_TRACE(size);
        const std::string in = project("size.kxp", [&](std::string& f) { setLine(f, "RenderSize", size); });
        Outcome r = run("render '" + in + "' -o '" + dir.file("size.png") + "'");
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.err.rfind("formwright: " + in + ": the render size ", 0), 0u) << r.err;
        EXPECT_THAT(r.err, HasSubstr("(RenderSize) cannot be drawn: each side runs from 1 to 16384"));
    }
    const std::string movie = dir.file("m.mp4");
    for (const char* rate : {"0", "nan", "5000"}) {
        SCOPED_TRACE(rate);
        const std::string in = project("rate.kxp", [&](std::string& f) {
            setLine(f, "RenderSize", "32 24");
            setTimeline(f, std::string("   framesPerSecond ") + rate + "\n");
        });
        Outcome r = run("render '" + in + "' -o '" + movie + "' --frames 0-1");
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.err.rfind("formwright: " + in + ": framesPerSecond ", 0), 0u) << r.err;
        EXPECT_FALSE(std::filesystem::exists(movie));
        // An --fps of the user's own stands in for the project's.
        if (std::string(rate) == "0") {
            Outcome given = run("-q render '" + in + "' -o '" + movie + "' --frames 0-1 --fps 25");
            EXPECT_EQ(given.status, 0) << given.err;
            EXPECT_TRUE(std::filesystem::exists(movie));
            std::filesystem::remove(movie);
        }
    }
    const std::string folder = dir.file("movie.mp4");
    std::filesystem::create_directory(folder);
    const std::string in = project("small.kxp", [&](std::string& f) { setLine(f, "RenderSize", "32 24"); });
    Outcome r = run("render '" + in + "' -o '" + folder + "' --frames 0-5");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err.rfind("formwright: " + folder + ": is a folder", 0), 0u) << r.err;
    EXPECT_THAT(r.err, Not(HasSubstr("Rendering"))) << "no frame is rendered: " << r.err;
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    const std::vector<std::string> names = fw::test::filesIn(dir.file(""));
    const auto movies = std::count_if(names.begin(), names.end(), [](auto& n) { return n.find("movie") != n.npos; });
    EXPECT_EQ(movies, 1) << "a temporary movie was left beside the folder";
    const std::string billion =
        project("long.kxp", [&](std::string& f) { setTimeline(f, "   frameStart 0\n   frameEnd 1000000000\n"); });
    const std::string out = dir.file("long.dxf");
    Outcome range = run("export '" + billion + "' -o '" + out + "' --frames 0-1000000000");
    EXPECT_EQ(range.status, 1) << range.err;
    EXPECT_THAT(range.err, HasSubstr("--frames: frames 0-1000000000 would put 2000000002 objects into one file, more "
                                     "than the 100000 it may hold"));
    EXPECT_FALSE(std::filesystem::exists(out));
    // Within the count of objects, the polygons of every frame's copy bound it too: 12818 faces (one less smooth) x
    // 3001 frames.
    auto longer = [&](std::string& f) {
        setTimeline(f, "   frameStart 0\n   frameEnd 3000\n");
        setLine(f, "smoothnessRender", "200");
    };
    const std::string smooth = project("smooth.kxp", longer, "OO");
    Outcome heavy = run("export '" + smooth + "' -o '" + out + "' --frames 0-3000");
    EXPECT_EQ(heavy.status, 1) << heavy.err;
    EXPECT_THAT(heavy.err, HasSubstr(" polygons into one file, more than the 20000000 it may hold"));
    EXPECT_FALSE(std::filesystem::exists(out));
    const std::string large = project("large.kxp", [&](std::string& f) { setLine(f, "RenderSize", "16384 16384"); });
    Outcome frame = run("render '" + large + "' -o '" + dir.file("large.png") + "'");
    if (frame.status == 0) GTEST_SKIP() << "this OpenGL driver makes a 16384 x 16384 frame";
    EXPECT_EQ(frame.status, 1) << frame.err;
    EXPECT_THAT(frame.err,
                HasSubstr("large.kxp: the OpenGL driver cannot make a 16384 x 16384 frame buffer; render it smaller"));
}

// A library file may claim large thumbnails in a few bytes each: no pixels are kept for a claim until its data decodes,
// so 1,200 presets claiming 1024 x 1024 (4.8 GB of blank pictures before) resave within the memory cap.
TEST_F(SettingsLimits, ThumbnailSizesClaimedWithoutDataCostNoMemory) {
    ASSERT_EQ(run("library export materials --text-thumbnails -o " + dir.file("m.kxm")).status, 0);
    const std::string library = test::slurp(dir.file("m.kxm"));
    const std::string begin = " begin OrvoMaterialStyle\n", end = " end OrvoMaterialStyle\n";
    const size_t first = library.find(begin), last = library.find(end, first);
    ASSERT_NE(last, std::string::npos);
    std::string preset = library.substr(first, last + end.size() - first);
    preset.insert(begin.size(), "  ThumbnailSize 1024 1024\n");
    const size_t named = preset.find("name \"", preset.find("begin MaterialX"));
    ASSERT_NE(named, std::string::npos);
    std::string claimed = library.substr(0, first);
    for (int i = 0; i < 1200; ++i) claimed += std::string(preset).insert(named + 6, "Claim " + std::to_string(i) + " ");
    test::spill(dir.file("claims.kxm"), claimed);
    Outcome r = run("resave " + dir.file("claims.kxm") + " " + dir.file("out.kxm"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fw::test::occurrences(test::slurp(dir.file("out.kxm")), begin), 1200u);
}

// Where left, right and centred lines fall is the text mesh's test (CommandLine,
// TextRejectsWhatItCannotBuildAndItsMeshFollowsItsStyleAndLayoutOptions); here every alignment's title is framed whole.
TEST_F(CommandBehaviour, EveryAlignmentFramesTheWholeTitleAndLinesUpItsLines) {
    for (const std::string align : {"left", "centre", "right", "justify", "justify-all"}) {
        SCOPED_TRACE(align);
        std::string out = dir.file(align + ".png");
        Outcome r = run("text \"$(printf 'GRAND\\nOPENING')\" --align " + align + " -o '" + out + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        Pixels p = test::readImage(out);
        // The first and last rows with anything lit (bottom row first, as the pixels are kept).
        int low = -1, high = -1;
        for (int y = 0; y < p.height; ++y)
            if (!litColumns(p, y, y + 1).empty()) (low < 0 ? low : high) = y, high = y;
        ASSERT_GE(low, 0);
        Span all = litColumns(p, 0, p.height);
        // Nothing within 9 pixels of the left, bottom, right or top edge: the whole title is in the picture.
        const std::array margins = {all.left, low, p.width - 1 - all.right, p.height - 1 - high};
        EXPECT_THAT(margins, testing::Each(testing::Gt(8)));
        // The title as a whole sits in the middle of the frame.
        EXPECT_NEAR(all.middle(), p.width / 2.0, p.width * 0.03);
        // Justified to both ends, the short first line spans the longer second one.
        if (align != "justify-all") continue;
        const int mid = (low + high) / 2;
        const Span top = litColumns(p, mid, high + 1), bottom = litColumns(p, low, mid);
        const double letter = (bottom.right - bottom.left) / 7.0;
        EXPECT_NEAR(top.left, bottom.left, letter * 0.3);
        EXPECT_NEAR(top.right, bottom.right, letter * 0.3);
    }
}

// Each user error exits 1 with one line naming what is wrong, and writes nothing.
TEST_F(CommandBehaviour, UserErrorsExitOneWithALineNamingTheCulprit) {
    const std::string project = dir.file("p.kxp");
    ASSERT_EQ(run("text Hi -o '" + project + "'").status, 0);
    std::string junk(3000, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919 + 13) % 251);
    test::spill(dir.file("junk.kxm"), junk);
    test::spill(dir.file("empty.kxm"), "");
    test::spill(dir.file("afile"), "not a folder");
    const struct {
        std::string arguments, culprit;
        bool leads = false;  // the line starts with the culprit, and nothing follows it
    } cases[] = {
        {"library import '" + dir.file("junk.kxm") + "'", "junk.kxm"},
        {"library import '" + dir.file("empty.kxm") + "'", "empty.kxm"},
        {"export '" + project + "' --frame 9999 -o '" + dir.file("f.obj") + "'", "--frame"},
        {"rendr p.kxp -o a.png", "rendr: no such command; the closest are render", true},
        {"bogus", "bogus: ", true},
        {"missing.kxp", "missing.kxp: ", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        Outcome r = run(c.arguments);
        EXPECT_EQ(r.status, 1);
        EXPECT_THAT(r.err, testing::AllOf(HasSubstr("formwright: "), HasSubstr(c.culprit)));
        const bool oneLeadingLine =
            r.err.rfind("formwright: " + c.culprit, 0) == 0 && std::count(r.err.begin(), r.err.end(), '\n') == 1;
        EXPECT_TRUE(!c.leads || oneLeadingLine) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("f.obj")));
    const std::string chrome = "text Hi --material Chrome -o '" + dir.file("m.png") + "'";
    Outcome r = fw::test::runProgram(FW_EXECUTABLE, "--library-folder '" + dir.file("afile") + "' " + chrome,
                                     dir.path().string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("formwright: " + dir.file("afile") + ": ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    // A swatch folder that is not a folder would otherwise pass for an empty library.
    const std::string swatches = dir.file("lib") + "/Veltrane/Libraries/Veltrane Swatches/Material Swatches";
    std::filesystem::remove_all(swatches);
    test::spill(swatches, "not a folder");
    Outcome unreadable = run(chrome);
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.err.rfind("formwright: " + swatches + ": ", 0), 0u) << unreadable.err;
}

// A project or library file already there is replaced only when the user says so; without --yes it stays, with an
// error.
TEST_F(CommandBehaviour, AnExistingProjectOrLibraryIsReplacedOnlyWithYes) {
    const std::string project = dir.file("Mine.KXP"), library = dir.file("mine.kxm");
    test::spill(project, "hand edited\n");
    test::spill(library, "hand edited\n");
    test::spill(dir.file("tri.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    for (const std::string answer : {"", "--no ", "-n "}) {
        SCOPED_TRACE(answer);
        Outcome r = run(answer + "text Oops -o '" + project + "'");
        EXPECT_EQ(r.status, 1);
        EXPECT_THAT(r.err, HasSubstr(project));
        EXPECT_EQ(run(answer + "import '" + dir.file("tri.obj") + "' -o '" + project + "'").status, 1);
        EXPECT_EQ(run(answer + "library export materials -o '" + library + "'").status, 1);
        EXPECT_EQ(test::slurp(project), "hand edited\n");
        EXPECT_EQ(test::slurp(library), "hand edited\n");
    }
    EXPECT_EQ(run("-y text Oops -o '" + project + "'").status, 0);
    EXPECT_EQ(test::slurp(project).rfind(" Version ", 0), 0u);
    EXPECT_EQ(run("--yes library export materials -o '" + library + "'").status, 0);
    EXPECT_NE(test::slurp(library), "hand edited\n");
}

// What the preferences keep is shown and set by `prefs` alone, and it lasts; opening or rendering a project leaves the
// next title at the defaults. A project's own odd settings line is named as the project's; --quiet keeps it while the
// tracer's summary goes. Characters the font lacks are named once, beyond ASCII as well.
TEST_F(CommandBehaviour, PrefsCarryOverAProjectsSettingsStayAndAreNamedAsItsOwnAndMissingCharactersOnce) {
    const std::string red = project("red.kxp", [](std::string& f) {
        setLine(f, "RenderSize", "1280 720");
        setLine(f, "BackgroundColor", "1 0 0");
    });
    ASSERT_EQ(run("'" + red + "'").status, 0);
    ASSERT_EQ(run("render '" + red + "' -o '" + dir.file("red.png") + "'").status, 0);
    EXPECT_GT(test::readImage(dir.file("red.png")).at(1, 1)[0], 200);  // the project is red itself
    Outcome r = run("text X -o '" + dir.file("x.png") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    Pixels p = test::readImage(dir.file("x.png"));
    EXPECT_EQ(std::pair(p.width, p.height), std::pair(640, 480));
    EXPECT_EQ(p.at(1, 1)[0], 0);
    Outcome shown = run("prefs");
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out.rfind("HardShadingAngle 30 ", 0), 0u) << shown.out;
    EXPECT_EQ(run("prefs HardShadingAngle 45").status, 0);
    EXPECT_EQ(run("prefs HardShadingAngle").out, "45\n");
    Outcome wrong = run("prefs HardShadingAngle 400");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.err, "formwright: HardShadingAngle: takes one number from 0 to 180\n");
    EXPECT_EQ(run("prefs HardShadingAngle").out, "45\n");
    EXPECT_EQ(run("prefs NoSuchThing 1").status, 1);
    const std::string odd = project("odd.kxp", [](std::string& f) { setLine(f, "PixelAspect", "\"9\""); });
    Outcome quiet = run("-q render '" + odd + "' --renderer raytrace --size 64x48 -o '" + dir.file("o.png") + "'");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err,
              "formwright: " + odd + ": PixelAspect: pixel aspect 9 is not one of 0 to 7; square pixels are used\n");
    Outcome cjk = run("text '日本 日' -o '" + dir.file("j.png") + "'");
    EXPECT_EQ(cjk.status, 0) << cjk.err;
    EXPECT_THAT(cjk.err, HasSubstr("has no characters for 日本."));
    EXPECT_EQ(cjk.err.find("日本", cjk.err.find("日本") + 1), std::string::npos) << cjk.err;
}
