// How commands behave for someone scripting them: what a title looks like whatever its
// alignment, and that one command leaves nothing behind that changes the next.
#include <algorithm>
#include <filesystem>

#include "AppRun.h"

using testing::HasSubstr;
using testing::Not;

namespace {

using fw::test::Outcome;
using test::Pixels;

Outcome formwright(const std::string& arguments, const fw::test::TempDir& dir) {
    return fw::test::formwright(dir, arguments);
}

// Puts `to` where the file says `from`.
void replaceLine(const std::string& path, const std::string& from, const std::string& to) {
    test::spill(path, fw::test::edited(test::slurp(path), {{from, to}}));
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
// The first and last rows with anything lit (bottom row first, as the pixels are kept).
std::pair<int, int> litRows(const Pixels& p) {
    int low = -1, high = -1;
    for (int y = 0; y < p.height; ++y)
        if (!litColumns(p, y, y + 1).empty()) (low < 0 ? low : high) = y, high = y;
    return {low, high};
}

}  // namespace

TEST(CommandBehaviour, EveryAlignmentFramesTheWholeTitleAndLinesUpItsLines) {
    fw::test::TempDir dir;
    // The second line is the longer one, so the alignment shows in the first.
    for (const std::string align : {"left", "centre", "right", "justify", "justify-all"}) {
        SCOPED_TRACE(align);
        std::string out = dir.file(align + ".png");
        Outcome r = formwright("text \"$(printf 'GRAND\\nOPENING')\" --align " + align + " -o '" + out + "'", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        Pixels p = test::readImage(out);
        ASSERT_GT(p.width, 0);
        auto [low, high] = litRows(p);
        ASSERT_GE(low, 0);
        Span all = litColumns(p, 0, p.height);
        // Nothing touches the frame's edges: the whole title is in the picture.
        EXPECT_GT(all.left, 8);
        EXPECT_LT(all.right, p.width - 9);
        EXPECT_GT(low, 8);
        EXPECT_LT(high, p.height - 9);
        // The title as a whole sits in the middle of the frame.
        EXPECT_NEAR(all.middle(), p.width / 2.0, p.width * 0.03);
        const int mid = (low + high) / 2;
        Span top = litColumns(p, mid, high + 1), bottom = litColumns(p, low, mid);
        ASSERT_FALSE(top.empty());
        ASSERT_FALSE(bottom.empty());
        const double letter = (bottom.right - bottom.left) / 7.0;
        if (align == "left") {
            EXPECT_NEAR(top.left, bottom.left, letter * 0.3);
        } else if (align == "right") {
            EXPECT_NEAR(top.right, bottom.right, letter * 0.3);
        } else if (align == "centre") {
            EXPECT_NEAR(top.middle(), bottom.middle(), letter * 0.3);
        }
        if (align == "justify-all") {
            EXPECT_NEAR(top.left, bottom.left, letter * 0.3);
            EXPECT_NEAR(top.right, bottom.right, letter * 0.3);
        }
    }
}

TEST(CommandBehaviour, OpeningOrRenderingAProjectLeavesTheNextTitleAtTheDefaults) {
    fw::test::TempDir dir;
    const std::string red = dir.file("red.kxp");
    ASSERT_EQ(formwright("text Big --size 1280x720 -o '" + red + "'", dir).status, 0);
    replaceLine(red, "BackgroundColor 0 0 0", "BackgroundColor 1 0 0");
    ASSERT_EQ(formwright("'" + red + "'", dir).status, 0);
    ASSERT_EQ(formwright("render '" + red + "' -o '" + dir.file("red.png") + "'", dir).status, 0);
    EXPECT_GT(test::readImage(dir.file("red.png")).at(1, 1)[0], 200);  // the project is red itself

    Outcome r = formwright("text X -o '" + dir.file("x.png") + "'", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    Pixels p = test::readImage(dir.file("x.png"));
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 480);
    EXPECT_EQ(p.at(1, 1)[0], 0);
}

// Each user error exits 1 with one line naming what is wrong, and writes nothing.
TEST(CommandBehaviour, UserErrorsExitOneWithALineNamingTheCulprit) {
    fw::test::TempDir dir;
    const std::string project = dir.file("p.kxp");
    ASSERT_EQ(formwright("text Hi -o '" + project + "'", dir).status, 0);
    std::string junk(3000, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919 + 13) % 251);
    test::spill(dir.file("junk.kxm"), junk);
    test::spill(dir.file("empty.kxm"), "");
    test::spill(dir.file("afile"), "not a folder");
    const struct {
        std::string arguments, culprit;
    } cases[] = {
        {"text Hi --size 100000x100000 -o '" + dir.file("h.png") + "'", "--size"},
        {"library import '" + dir.file("junk.kxm") + "'", "junk.kxm"},
        {"library import '" + dir.file("empty.kxm") + "'", "empty.kxm"},
        {"render '" + project + "' --frame -5 -o '" + dir.file("f.png") + "'", "--frame"},
        {"render '" + project + "' --frame 9999 -o '" + dir.file("f.png") + "'", "--frame"},
        {"export '" + project + "' --frame 9999 -o '" + dir.file("f.obj") + "'", "--frame"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        Outcome r = formwright(c.arguments, dir);
        EXPECT_EQ(r.status, 1);
        EXPECT_THAT(r.err, HasSubstr("formwright: "));
        EXPECT_THAT(r.err, HasSubstr(c.culprit));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("h.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("f.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("f.obj")));

    Outcome r = fw::test::runProgram(
        FW_EXECUTABLE,
        "--library-folder '" + dir.file("afile") + "' text Hi --material Chrome -o '" + dir.file("m.png") + "'",
        dir.path().string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("formwright: " + dir.file("afile") + ": ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);

    // A swatch folder that is not a folder would otherwise pass for an empty library.
    const std::string swatches = dir.file("lib") + "/Veltrane/Libraries/Veltrane Swatches/Material Swatches";
    std::filesystem::remove_all(swatches);
    test::spill(swatches, "not a folder");
    Outcome unreadable = formwright("text Hi --material Chrome -o '" + dir.file("m.png") + "'", dir);
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.err.rfind("formwright: " + swatches + ": ", 0), 0u) << unreadable.err;
}

// A project or library file already there is replaced only when the user says so; a
// script without --yes gets an error and the file stays as it was.
TEST(CommandBehaviour, AnExistingProjectOrLibraryIsReplacedOnlyWithYes) {
    fw::test::TempDir dir;
    const std::string project = dir.file("Mine.KXP"), library = dir.file("mine.kxm");
    test::spill(project, "hand edited\n");
    test::spill(library, "hand edited\n");
    test::spill(dir.file("tri.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    for (const std::string answer : {"", "--no ", "-n "}) {
        SCOPED_TRACE(answer);
        Outcome r = formwright(answer + "text Oops -o '" + project + "'", dir);
        EXPECT_EQ(r.status, 1);
        EXPECT_THAT(r.err, HasSubstr(project));
        EXPECT_EQ(formwright(answer + "import '" + dir.file("tri.obj") + "' -o '" + project + "'", dir).status, 1);
        EXPECT_EQ(formwright(answer + "library export materials -o '" + library + "'", dir).status, 1);
        EXPECT_EQ(test::slurp(project), "hand edited\n");
        EXPECT_EQ(test::slurp(library), "hand edited\n");
    }
    EXPECT_EQ(formwright("-y text Oops -o '" + project + "'", dir).status, 0);
    EXPECT_EQ(test::slurp(project).rfind(" Version ", 0), 0u);
    EXPECT_EQ(formwright("--yes library export materials -o '" + library + "'", dir).status, 0);
    EXPECT_NE(test::slurp(library), "hand edited\n");
}

TEST(CommandBehaviour, MistakesAreNamedInOneLine) {
    fw::test::TempDir dir;
    Outcome typo = formwright("rendr p.kxp -o a.png", dir);
    EXPECT_EQ(typo.status, 1);
    EXPECT_EQ(typo.err.rfind("formwright: rendr: no such command; the closest are render", 0), 0u) << typo.err;
    for (const std::string word : {"bogus", "missing.kxp"}) {
        Outcome r = formwright(word, dir);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("formwright: " + word + ": ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    // Characters the font lacks are named once, beyond ASCII as well.
    Outcome cjk = formwright("text '日本 日' -o '" + dir.file("j.png") + "'", dir);
    EXPECT_EQ(cjk.status, 0) << cjk.err;
    EXPECT_THAT(cjk.err, HasSubstr("has no characters for 日本."));
    size_t first = cjk.err.find("日本"), second = cjk.err.find("日本", first + 1);
    EXPECT_EQ(second, std::string::npos) << cjk.err;
    // --quiet leaves only errors; letter case of an extension does not matter.
    Outcome quiet = formwright("--quiet text Hi -o '" + dir.file("UPPER.KXP") + "'", dir);
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    Outcome drawn = formwright("-q render '" + dir.file("UPPER.KXP") + "' -o '" + dir.file("a.PNG") + "'", dir);
    EXPECT_EQ(drawn.status, 0);
    EXPECT_EQ(drawn.err, "");
    EXPECT_EQ(test::readImage(dir.file("a.PNG")).width, 640);
}

// On a terminal a ray trace counts the picture's rows, not its finer sample grid's.
TEST(CommandBehaviour, TracedProgressCountsPictureRows) {
    fw::test::TempDir dir;
    if (!std::filesystem::exists("/usr/bin/script")) GTEST_SKIP() << "no script(1) to give the run a terminal";
    ASSERT_EQ(formwright("text Hi -o '" + dir.file("p.kxp") + "'", dir).status, 0);
    const std::string command = std::string(FW_EXECUTABLE) + " --library-folder '" + dir.file("lib") + "' render '" +
                                dir.file("p.kxp") + "' --renderer raytrace --size 160x120 -o '" + dir.file("t.png") +
                                "'";
    Outcome r = fw::test::runProgram("script", "-qec \"" + command + "\" /dev/null", dir.path().string());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    size_t at = r.out.find(" rows, ");
    ASSERT_NE(at, std::string::npos) << r.out;
    for (; at != std::string::npos; at = r.out.find(" rows, ", at + 1)) {
        size_t of = r.out.rfind(" of ", at);
        EXPECT_EQ(r.out.substr(of, at - of), " of 120");
    }
}

// Every option a command's help lists is one it takes, and every help lists the
// options of every command.
TEST(CommandBehaviour, EachCommandsHelpListsWhatItAccepts) {
    fw::test::TempDir dir;
    const std::string refused = "not expected";
    // Each command with what it requires, of files that are not there: an accepted
    // option fails on those, a refused one on itself.
    const std::string missing = "'" + dir.file("none") + "'";
    const struct {
        std::string command, required;
    } commands[] = {{"resave", missing + " " + missing},
                    {"render", missing + ".kxp -o x.png"},
                    {"text", "Hi -o " + missing + ".nope"},
                    {"export", missing + ".kxp -o x.obj"},
                    {"import", missing + ".obj -o x.kxp"},
                    {"glyphs", missing},
                    {"info", missing},
                    {"library list", ""},
                    {"library import", missing + ".kxm"},
                    {"library export", "materials -o " + missing + ".kxs"},
                    {"library sheet", "materials -o " + missing + ".nope"},
                    {"prefs", "NoSuchThing"}};
    ASSERT_THAT(formwright("render " + commands[1].required + " --no-such-option", dir).err, HasSubstr(refused));
    for (const auto& [command, required] : commands) {
        SCOPED_TRACE(command);
        Outcome help = formwright(command + " --help", dir);
        ASSERT_EQ(help.status, 0);
        const size_t globals = help.out.find("Options of every command:");
        ASSERT_NE(globals, std::string::npos) << help.out;
        for (const char* global : {"--library-folder", "--yes", "--no", "--quiet"})
            EXPECT_NE(help.out.find(global, globals), std::string::npos) << global;
        std::vector<std::string> listed;
        for (size_t at = help.out.find("--"); at < globals; at = help.out.find("--", at + 2)) {
            size_t end = help.out.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", at + 2);
            std::string option = help.out.substr(at, end - at);
            if (option.size() > 2 && option != "--help") listed.push_back(option);
        }
        EXPECT_FALSE(listed.empty() && command != "info" && command != "resave" && command != "library list" &&
                     command != "prefs");
        listed.insert(listed.end(), {"--quiet", "--yes"});  // the global ones, after the command
        for (const std::string& option : listed) {
            Outcome r = formwright(command + " " + required + " " + option, dir);
            EXPECT_THAT(r.err, Not(HasSubstr(refused))) << option << ": " << r.err;
        }
    }
}

TEST(CommandBehaviour, TheEdgeProfilesAreListedAndAnUnknownStyleNamesThemAll) {
    fw::test::TempDir dir;
    Outcome edges = formwright("library list edges", dir);
    ASSERT_EQ(edges.status, 0) << edges.err;
    EXPECT_EQ(std::count(edges.out.begin(), edges.out.end(), '\n'), 14);
    EXPECT_THAT(edges.out, HasSubstr("Bevel, Medium\n"));
    Outcome unknown = formwright("text Hi --style 'Bevl' -o '" + dir.file("x.png") + "'", dir);
    EXPECT_EQ(unknown.status, 1);
    size_t start = 0;
    for (size_t end = edges.out.find('\n'); end != std::string::npos;
         start = end + 1, end = edges.out.find('\n', start))
        EXPECT_THAT(unknown.err, HasSubstr("\"" + edges.out.substr(start, end - start) + "\""))
            << edges.out.substr(start, end - start);
}

// What the preferences keep is shown and set by `prefs` alone, and it lasts.
TEST(CommandBehaviour, PrefsShowsAndSetsWhatCarriesOver) {
    fw::test::TempDir dir;
    Outcome shown = formwright("prefs", dir);
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out.rfind("HardShadingAngle 30 ", 0), 0u) << shown.out;
    EXPECT_EQ(formwright("prefs HardShadingAngle 45", dir).status, 0);
    EXPECT_EQ(formwright("prefs HardShadingAngle", dir).out, "45\n");
    Outcome wrong = formwright("prefs HardShadingAngle 400", dir);
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.err, "formwright: HardShadingAngle: takes one number from 0 to 180\n");
    EXPECT_EQ(formwright("prefs HardShadingAngle", dir).out, "45\n");
    EXPECT_EQ(formwright("prefs NoSuchThing 1", dir).status, 1);
}

// A project's own odd settings line is named as the project's, and --quiet leaves it
// alone while the tracer's summary goes.
TEST(CommandBehaviour, AProjectsOddSettingIsNamedAsTheProjects) {
    fw::test::TempDir dir;
    const std::string project = dir.file("odd.kxp");
    ASSERT_EQ(formwright("text Hi -o '" + project + "'", dir).status, 0);
    replaceLine(project, "PixelAspect \"0\"", "PixelAspect \"9\"");
    Outcome r =
        formwright("-q render '" + project + "' --renderer raytrace --size 64x48 -o '" + dir.file("o.png") + "'", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "formwright: " + project +
                         ": PixelAspect: pixel aspect 9 is not one of 0 to 7; square pixels are "
                         "used\n");
}
