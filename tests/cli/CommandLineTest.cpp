// The executable as users run it: output streams and exit statuses.
#include <array>
#include <cstdint>
#include <utility>

#include "AppHelpers.h"
#include "StandInProject.h"

using fw::test::edited, fw::test::Outcome;
using test::Pixels, test::readImage, test::slurp, test::spill;
using testing::AllOf, testing::HasSubstr, testing::Not, testing::StartsWith;

namespace {

const std::string kSource = FW_SOURCE_DIR;

Outcome run(const std::string& arguments) { return fw::test::runProgram(FW_EXECUTABLE, arguments, testing::TempDir()); }

// A run that must end with `status`, and when `quiet` print nothing to the error stream.
Outcome run(const std::string& arguments, int status, bool quiet = false) {
    Outcome r = run(arguments);
    EXPECT_EQ(r.status, status) << arguments << "\n" << r.err;
    EXPECT_TRUE(!quiet || r.err.empty()) << arguments << "\n" << r.err;
    return r;
}

// Under a memory cap and a guard against hanging: a reader that buffered an endless token without bound runs out of
// memory, one that never gives up is stopped by the guard (status 124). Neither is a timing assertion.
Outcome runCapped(const std::string& arguments) {
#ifdef FW_SANITIZED_BUILD
    // The sanitizer reserves terabytes of address space for its shadow memory, so a cap on it would stop the program
    // before it starts; the guard still holds.
    const std::string cap;
#else
    const std::string cap = "ulimit -v 4000000; ";
#endif
    return fw::test::runProgram(cap + "timeout 600 " FW_EXECUTABLE, arguments, testing::TempDir());
}

// The solids of an OBJ file written by `text`, one per character object, and their bounds.
struct MeshObject {
    std::string name;
    std::array<double, 3> low{1e300, 1e300, 1e300}, high{-1e300, -1e300, -1e300};
};

}  // namespace

TEST(CommandLine, VersionHelpAndBadArgumentsGiveTheirStatus) {
    EXPECT_EQ(run("--version", 0).out, "formwright 0.1.0\n");
    EXPECT_THAT(run("--help", 0, true).out, HasSubstr("--version"));
    Outcome bad = run("--no-such-option", 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_THAT(bad.err, StartsWith("formwright: "));
}

// Scene files resave byte for byte, their commands wrapped in the "begin SceneX" the program writes or standing bare; a
// file named as nothing is a scene by its first command. (Every hand-written file's resave and listing: Conformance.)
TEST(CommandLine, SceneFilesResaveByteForByteWithOrWithoutTheSceneBlock) {
    const std::string dir = testing::TempDir(), out = dir + "resaved.scene";
    const std::string profiles = kSource + "/examples/profiles.scene";
    const std::string wrapped = slurp(profiles);  // outlines, library entries and sequences
    const size_t first = wrapped.find('\n') + 1, last = wrapped.rfind(" end SceneX\n");
    ASSERT_NE(last, std::string::npos);
    spill(dir + "bare.scene", wrapped.substr(first, last - first));
    for (const std::string& in : {profiles, dir + "bare.scene"}) {
        run("resave " + in + " " + out, 0, true);
        EXPECT_EQ(slurp(out), wrapped) << in;
    }
    spill(dir + "named", "name \"Loose\"\nbegin ProfileI\n name \"Square\"\nend ProfileI\n");
    // Repeated bar names are told apart; an empty name leaves the default name the group was made with.
    auto group = [](const std::string& name) { return "  begin Group\n   name \"" + name + "\"\n  end Group\n"; };
    spill(dir + "names.scene", " begin SceneX\n  name \"N\"\n" + group("|rig") + group("|rig") + group("|rig") +
                                   group("") + " end SceneX\n");
    const std::string named = run("info " + dir + "named", 0).out, names = run("info " + dir + "names.scene", 0).out;
    for (const char* line : {"scene \"Loose\"", "ProfileI \"Square\""}) EXPECT_THAT(named, HasSubstr(line));
    for (const char* line : {"  Group \"|rig\" below \"root\"\n", "  Group \"|rig_DUPLICATE_FOUND\" below",
                             "  Group \"|rig_DUPLICATE_FOUND_DUPLICATE_FOUND\" below", "  Group \"|ORVO_GROUP"})
        EXPECT_THAT(names, HasSubstr(line));
    EXPECT_THAT(names, Not(HasSubstr("\"\"")));
}

// A document's problem is one exact line naming the file, with its exit status; a file that is refused is not written.
TEST(CommandLine, ADocumentsProblemIsOneExactLineNamingIt) {
    const std::string dir = testing::TempDir(), wrapped = slurp(kSource + "/examples/profiles.scene");
    spill(dir + "keep.scene", "previous contents\n");
    struct Case {
        std::string file, text, command, out;  // no text: no such file; "resave" writes to `out`; no command: opened
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"damaged.scene", " begin SceneX\n  name \"S\"\n  frobnicate 1 2\n end SceneX\n", "resave", "repaired.scene", 0,
         "Warning: Recovering from scene data error for command <<frobnicate>> for class <<SceneX>> at byte 37."},
        {"broken.scene", " begin SceneX\n  begin Teapot\n end SceneX\n", "resave", "keep.scene", 1,
         "Error processing scene command <<begin>> for class <<SceneX>> at byte 28."},
        {"absent.scene", "", "info", "", 1, "No such file or directory"},
        // Bytes a terminal would obey are shown escaped.
        {"control.scene", " begin SceneX\n  name \"S\"\n  \x1b[2Jgone\xff caf\xc3\xa9 1\n end SceneX\n", "info", "", 0,
         "Warning: Recovering from scene data error for command <<\\x1b[2Jgone\\xff>> for class <<SceneX>> at byte "
         "36."},
        // Reported once, not once more by the opening.
        {"failing.kxp", "Version \"Orvostat Formwright (Linux Headless) v0.1.0\"\n begin SceneX\n  begin Teapot\n", "",
         "", 1, "Error processing scene command <<begin>> for class <<SceneX>> at byte 82."},
        {"absent.kxp", "", "", "", 1, "cannot be read: there is no such file"},
        // One scene per file: a second block is not merged into the first, nor nested in it.
        {"twice.scene", wrapped + wrapped, "info", "", 1,
         "Error processing scene command <<begin>> for class <<SceneX>> at byte " +
             std::to_string(wrapped.size() + 13) + "."},
        {"nested.scene", " begin SceneX\n  begin SceneX\n  end SceneX\n end SceneX\n", "info", "", 1,
         "Error processing scene command <<begin>> for class <<SceneX>> at byte 28."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        if (!c.text.empty()) spill(dir + c.file, c.text);
        Outcome r = run(c.command + " " + dir + c.file + (c.out.empty() ? "" : " " + dir + c.out), c.status);
        EXPECT_EQ(r.err, "formwright: " + dir + c.file + ": " + c.message + "\n");
    }
    EXPECT_EQ(slurp(dir + "repaired.scene"), " begin SceneX\n  name \"S\"\n end SceneX\n");
    EXPECT_EQ(slurp(dir + "keep.scene"), "previous contents\n");
}

// Projects holding the blocks once kept as stand-ins (primitives and flag clusters are read now) or an animated title
// list their members and resave unchanged; one with newer animation data is refused, saying why.
TEST(CommandLine, ProjectsListTheirMembersAndResaveUnchanged) {
    fw::test::TempDir dir;
    const std::string in = dir.file("in.kxp"), out = dir.file("out.kxp");
    struct Case {
        const char* name;
        std::string project;
        std::vector<std::string> listed;  // what info prints
    };
    const Case cases[] = {
        {"stand-ins", fw::test::projectWithStandIns(),
         {"  ObjectP \"Ball\" below \"Badge\"\n", "animation tracks: 1\n  AnimTrack \"Ball Track\" (object, node "
                                                  "\"Ball\"): pose 0-9, transition 10-29 LeftRight\n"}},
        {"track", slurp(FW_TEST_DATA "/anim/title-track.kxp"),
         {"animation tracks: 1\n  AnimTrack \"Title Track\" (object, node \"Badge\"): pose 0-9, transition 10-39 "
          "LeftRight, pose 40-59\n"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.project.empty());
        fw::test::writeFile(in, c.project);
        const std::string described = run("info " + in, 0, true).out;
        for (const std::string& line : c.listed) EXPECT_THAT(described, HasSubstr(line));
        run("resave " + in + " " + out, 0, true);
        EXPECT_EQ(fw::test::readFile(out), c.project);
    }
    std::string newer = cases[1].project;
    size_t at = newer.find("    animVersion \"5.5\"\n", newer.find("begin AnimTransition"));
    ASSERT_NE(at, std::string::npos);
    newer.replace(at, 25, "    animVersion \"5.6\"\n");
    fw::test::writeFile(in, newer);
    const std::string refused = dir.file("refused.kxp");
    EXPECT_THAT(run("resave " + in + " " + refused, 1).err,
                HasSubstr("formwright: " + in + ": The animation information in this file is incompatible with this "
                          "version of the software.\n"));
    EXPECT_FALSE(std::filesystem::exists(refused));
}

// (A frame of the size asked for: RenderPictures.TheDemoTitleLooksAsItDidBeforeTheRendererWasSpedUp.)
TEST(CommandLine, RenderRejectsBadRequestsAndMissingMedia) {
    const std::string dir = testing::TempDir(), out = dir + "frame.png";
    const std::string render =
        "--library-folder " + dir + "render-libs render " + kSource + "/examples/opening-titles.kxp -o ";
    EXPECT_EQ(run(render + out + " --size big", 1).err,
              "formwright: --size: takes WIDTHxHEIGHT from 1x1 to 16384x16384, for example 1920x1080\n");
    EXPECT_THAT(run(render + dir + "frame.gif", 1).err, HasSubstr("unknown image type"));
    // A project whose background media file is gone renders on its background colour, and the user is told.
    const std::string gone = dir + "gone.png";
    std::remove(gone.c_str());
    spill(dir + "gone.kxp", edited(slurp(kSource + "/examples/title.kxp"),
                                   {{" BackgroundMedia \"\"", " BackgroundMedia \"" + gone + "\""},
                                    {" UseBackgroundMedia 0", " UseBackgroundMedia 1"}}));
    Outcome r = run("--library-folder " + dir + "media-libs render " + dir + "gone.kxp -o " + dir +
                    "gone-frame.png --size 160x90", 0);
    EXPECT_THAT(r.err, HasSubstr("the background media cannot be shown; the background colour is used"));
}

// A title made by `text` gives the same picture, of the size asked for, as its saved project rendered later, which
// keeps the size as its render size.
TEST(CommandLine, TextGivesThePictureOfItsSavedProject) {
    const std::string dir = testing::TempDir();
    const std::string libraries = "--library-folder " + dir + "text-libraries ";
    run(libraries + "--yes text \"Hi\" --size 320x200 -o " + dir + "title.kxp", 0);
    // The saved title resaves to itself: its font's file path included.
    run(libraries + "resave " + dir + "title.kxp " + dir + "title-again.kxp", 0);
    EXPECT_EQ(slurp(dir + "title-again.kxp"), slurp(dir + "title.kxp"));
    run(libraries + "text \"Hi\" --size 320x200 -o " + dir + "title.png", 0);
    run(libraries + "render " + dir + "title.kxp -o " + dir + "project.png", 0);
    Pixels a = readImage(dir + "title.png"), b = readImage(dir + "project.png");
    EXPECT_EQ(std::pair(a.width, a.height), std::pair(320, 200));
    EXPECT_TRUE(a.rgb == b.rgb);
    int lit = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3) lit += a.rgb[i] > 40;
    EXPECT_GT(lit, 1000);  // the letters are there
}

TEST(CommandLine, FolderPathsEndingInABackslashResaveAndReadBack) {
    const std::string dir = testing::TempDir();
    // A Windows folder, and a path that the reader cuts to 255 characters right after a backslash: both come back as
    // the value the first load gave, and the lines after them are still read.
    const std::string longPath = "D:\\" + std::string(251, 'p') + "\\" + std::string(45, 'q');
    for (const auto& [folder, written] :
         {std::pair<std::string, std::string>{"C:\\Titles\\Batch\\", "C:\\Titles\\Batch\\\\"}, {longPath, longPath}}) {
        spill(dir + "folder.kxp", "Version \"Orvostat Formwright (Linux Headless) v0.1.0\"\nTextVariableFile \"" +
                                      written + "\"\nBackgroundColor 0.25 0.5 0.75\n");
        run("resave " + dir + "folder.kxp " + dir + "folder-1.kxp", 0);
        run("resave " + dir + "folder-1.kxp " + dir + "folder-2.kxp", 0, true);
        const std::string once = slurp(dir + "folder-1.kxp"), kept = folder.substr(0, 255);
        EXPECT_EQ(slurp(dir + "folder-2.kxp"), once);
        EXPECT_THAT(once, HasSubstr("TextVariableFile \"" + kept + (kept.back() == '\\' ? "\\\"\n" : "\"\n")));
        EXPECT_THAT(once, HasSubstr("BackgroundColor 0.25"));
    }
    // Image paths are written by the same rule: a folder-like path keeps its last backslash.
    const std::string folder = "image \"textures\\plates\\\\\"";
    spill(dir + "folder.scene", edited(slurp(kSource + "/tests/data/conformance/every-member.scene"),
                                       {{"image \"textures/brass plate.png\"", folder}}));
    run("resave " + dir + "folder.scene " + dir + "folder-1.scene", 0);
    EXPECT_THAT(slurp(dir + "folder-1.scene"), HasSubstr("\n   " + folder + "\n"));
}

// Devices are refused unopened (HostileImport.PipesAndFoldersAreRefusedAsMeshesProjectsAndLibraries); an endless token
// is cut off by the reader (AFileIO's test). A plain file of noise is read and judged.
TEST(CommandLine, BinaryInputEndsWithAClearError) {
    const std::string noise = testing::TempDir() + "noise.kxp";
    std::string bytes(50 << 20, '\0');  // 50 MB of noise
    uint32_t state = 12345;
    for (char& b : bytes) b = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
    spill(noise, bytes);
    Outcome r = runCapped("info " + noise);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, AllOf(StartsWith("formwright: " + noise + ": "), HasSubstr("doesn't seem to be a valid")));
}

// Cut, altered and joined documents of every kind: each ends within the guard with exit status 0 or 1, messages in the
// usual form, and what it wrote reads back unchanged.
TEST(CommandLine, DamagedDocumentsOfEveryKindEndCleanly) {
    struct Document {
        std::string name, text;  // a document's kind comes from its name
    };
    const std::vector<Document> documents = {
        {"title.kxp", slurp(kSource + "/examples/title.kxp")},
        {"Veltrane Orvostat Prefs", slurp(kSource + "/tests/data/settings/odd-values-prefs.kxp")},
        {"titles.scene", slurp(kSource + "/examples/opening-titles.scene")}};
    std::vector<Document> damaged;
    uint32_t state = 20261206;
    auto next = [&](uint32_t range) { return ((state = state * 1664525u + 1013904223u) >> 8) % range; };
    for (const Document& d : documents) {
        ASSERT_FALSE(d.text.empty()) << d.name;
        for (int i = 1; i <= 12; ++i) damaged.push_back({d.name, d.text.substr(0, d.text.size() * i / 13)});
        for (int i = 0; i < 12; ++i) {
            std::string text = d.text;
            const char kTroublemakers[] = {'"', '\\', '\n', ' ', '\0', '\xff', '0', '-', '9', '.', 'e'};
            for (int edits = 1 + next(6); edits > 0; --edits) {
                size_t at = next(static_cast<uint32_t>(text.size()));
                text[at] = next(2) ? kTroublemakers[next(sizeof kTroublemakers)] : static_cast<char>(next(256));
            }
            damaged.push_back({d.name, text});
        }
    }
    for (auto [into, joined] : {std::pair{0, 0}, {0, 2}, {1, 0}, {2, 1}})
        damaged.push_back({documents[into].name, documents[into].text + documents[joined].text});
    const std::string dir = testing::TempDir() + "damaged-documents/";
    for (size_t i = 0; i < damaged.size(); ++i) {
        std::filesystem::remove_all(dir);
        for (const char* folder : {"in", "once", "twice"}) std::filesystem::create_directories(dir + folder);
        const Document& d = damaged[i];
        spill(dir + "in/" + d.name, d.text);
        Outcome first = runCapped("resave '" + dir + "in/" + d.name + "' '" + dir + "once/" + d.name + "'");
        ASSERT_TRUE(first.status == 0 || first.status == 1) << "case " << i << " status " << first.status;
        EXPECT_TRUE(first.status == 0 || !first.err.empty()) << "case " << i;
        // Every line is a message, or the rest of the one alert that spans lines.
        for (const std::string& text : fw::test::linesOf(first.err + "\n"))
            EXPECT_TRUE(text.empty() || text == "Please check the file type and try again." ||
                        text.rfind("formwright: ", 0) == 0) << "case " << i << ": " << first.err.substr(0, 300);
        if (first.status != 0) continue;
        Outcome second = runCapped("resave '" + dir + "once/" + d.name + "' '" + dir + "twice/" + d.name + "'");
        EXPECT_EQ(second.status, 0) << "case " << i << ": " << second.err;
        const std::string once = slurp(dir + "once/" + d.name), twice = slurp(dir + "twice/" + d.name);
        const size_t differ = std::mismatch(once.begin(), once.end(), twice.begin(), twice.end()).first - once.begin();
        EXPECT_TRUE(once == twice) << "case " << i << ": rewritten differently from byte " << differ << ": "
                                   << once.substr(differ, 80);
    }
    std::filesystem::remove_all(dir);
}

// Reading a file mixes in nothing of the user's own preferences: a project lacking a preference line takes its default,
// and a preferences file keeps its own recent projects (ten at most, each once, paths of up to 260 characters). And a
// document's name decides its kind, never the lines it happens to hold: a project with a preferences line stays a
// project (the line is reported, the scene kept), and one holding only its scene block is written back as a project.
TEST(CommandLine, ResaveWritesTheFileAsItsNameSaysNotTheUsersPreferences) {
    const std::string dir = testing::TempDir() + "own-prefs/";
    const std::string resave = "--library-folder " + dir + "libraries resave " + dir;
    const std::string example = kSource + "/examples/badge.kxp", project = slurp(example);
    run("--library-folder " + dir + "libraries " + example, 0);  // quitting saves the preferences
    const std::string prefsPath = dir + "libraries/Veltrane/Libraries/Prefs/Veltrane Orvostat Prefs";
    const std::string prefs = slurp(prefsPath);
    spill(prefsPath, edited(prefs, {{" HardShadingAngle \"30\"", " HardShadingAngle \"45\""},
                                    {" RecentProject ", " RecentProject \"/users/own/a.kxp\"\n RecentProject "}}));
    spill(dir + "no-angle.kxp", edited(project, {{" HardShadingAngle \"30\"\n", ""}}));
    run(resave + "no-angle.kxp " + dir + "no-angle-out.kxp", 0);
    EXPECT_THAT(slurp(dir + "no-angle-out.kxp"), HasSubstr(" HardShadingAngle \"30\"\n"));
    std::string file = prefs, list, expected;
    for (int i = 0; i < 12; ++i) list += " RecentProject \"/p/" + std::to_string(i % 11) + ".kxp\"\n";
    for (int i = 0; i < 10; ++i) expected += " RecentProject \"/p/" + std::to_string(i) + ".kxp\"\n";
    const size_t recent = file.find(" RecentProject ");
    file.replace(recent, file.find('\n', recent) + 1 - recent, list);
    spill(dir + "prefs-in", file);
    run(resave + "prefs-in " + dir + "prefs-out", 0);
    const std::string out = slurp(dir + "prefs-out");
    EXPECT_THAT(out, HasSubstr(expected));
    for (const char* gone : {"/p/10.kxp", "/users/own/a.kxp", " HardShadingAngle \"45\""})
        EXPECT_EQ(out.find(gone), std::string::npos) << gone;
    // Named as no project is, so the preference lines it holds make it a preferences file.
    const std::string kept = "/projects/" + std::string(246, 'k') + ".kxp",
                      tooLong = "/projects/" + std::string(247, 'l') + ".kxp";
    ASSERT_EQ(kept.size(), 260u);
    spill(dir + "recent-prefs", "Version \"Orvostat Formwright (Linux Headless) v0.1.0\"\nRecentProject \"" + kept +
                                    "\"\nRecentProject \"" + tooLong + "\"\nRecentProject \"/projects/b.kxp\"\n");
    run(resave + "recent-prefs " + dir + "recent-out", 0);
    const std::string recents = " RecentProject \"" + kept + "\"\n RecentProject \"/projects/b.kxp\"\n";
    EXPECT_THAT(slurp(dir + "recent-out"), AllOf(HasSubstr(recents), Not(HasSubstr("lllll"))));
    std::string withPreference = project;
    withPreference.insert(withPreference.find('\n') + 1, " ShaderTextureWidth 512\n");
    spill(dir + "with-preference.kxp", withPreference);
    EXPECT_THAT(run(resave + "with-preference.kxp " + dir + "with-preference-out.kxp", 0).err,
                HasSubstr("holds lines of the preferences file"));
    EXPECT_EQ(slurp(dir + "with-preference-out.kxp"), project);  // as it was, less the line it cannot keep
    const size_t begin = project.find(" begin SceneX\n"), end = project.find(" end SceneX\n");
    ASSERT_NE(end, std::string::npos);
    spill(dir + "scene-only.kxp", project.substr(begin, end + 12 - begin));
    run(resave + "scene-only.kxp " + dir + "scene-only-out.kxp", 0);
    EXPECT_THAT(slurp(dir + "scene-only-out.kxp"), AllOf(StartsWith(" Version \""), HasSubstr("   name \"Badge\"\n")));
}

// `text` refuses what it cannot build and writes nothing. What it builds is the solid the saved project describes, and
// every layout option moves the characters as it says. (How --align lines up the lines:
// CommandBehaviour.EveryAlignmentFramesTheWholeTitleAndLinesUpItsLines.)
TEST(CommandLine, TextRejectsWhatItCannotBuildAndItsMeshFollowsItsStyleAndLayoutOptions) {
    const std::string dir = testing::TempDir() + "text-";
    const std::string libraries = "--library-folder " + dir + "libraries ";
    spill(dir + "broken.ttf", "this is no font at all, only a few words of plain text");
    // The parser's reason for a cut font reaches the user, not placeholders for every character.
    spill(dir + "cut.ttf", slurp("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf").substr(0, 200));
    const struct {
        std::string arguments, out, message;
        bool leads = false;  // the message begins the error, and the reason follows it
    } cases[] = {
        {"\"\"", "empty.obj", "formwright: the text is empty\n"},
        {"Hi --font " + dir + "broken.ttf", "broken.obj", "broken.ttf: "},
        {"Hi --font " + dir + "cut.ttf", "cut.obj", "formwright: " + dir + "cut.ttf: ", true},
        {"Hi --font " + dir + "missing.ttf", "missing.obj", "no such font"},
        {"Hi --font \"No Such Family 123\"", "none.png", "No Such Family 123: no such font"},
        {"Hi --style Nonsense", "nonsense.obj", "formwright: Nonsense: no such object style or edge profile; "},
        {"Hi --style \"Bevel, Mediun\"", "mediun.kxp", "the closest are \"Bevel, Medium\""},
        {"Hi --size 320x200", "sized.obj", "--size: a mesh has no picture size"},
        {"Hi --align middle", "middle.obj", "--align"},
        {"Hi --depth 0", "flat.obj", "formwright: --depth: takes a number above 0, not 0"},
        {"Hi --wrap 0", "narrow.obj", "--wrap"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        Outcome r = run(libraries + "text " + c.arguments + " -o " + dir + c.out, 1);
        EXPECT_THAT(r.err, HasSubstr(c.message));
        EXPECT_FALSE(std::filesystem::exists(dir + c.out));
        EXPECT_EQ(r.err.find("characters are missing"), std::string::npos) << r.err;
        EXPECT_TRUE(!c.leads || (r.err.rfind(c.message, 0) == 0 && r.err.size() > c.message.size() + 1)) << r.err;
    }
    const std::string help = run("text --help", 0).out;
    for (const char* option :
         {"--size", "--depth", "--align", "--leading", "--spacing", "--wrap", "--style", "--material"})
        EXPECT_THAT(help, HasSubstr(option));
    auto mesh = [&](const std::string& arguments, const std::string& out) {
        run(libraries + "text " + arguments + " -o " + dir + out, 0);
        std::vector<MeshObject> objects;
        for (const std::string& line : fw::test::linesOf(slurp(dir + out))) {
            if (line.rfind("# Object '", 0) == 0) objects.emplace_back().name = line.substr(10, line.size() - 11);
            std::array<double, 3> v{};
            if (line.rfind("v ", 0) != 0 || objects.empty()) continue;
            std::sscanf(line.c_str(), "v %lf %lf %lf", &v[0], &v[1], &v[2]);
            MeshObject& o = objects.back();
            for (size_t a = 0; a < 3; ++a) o.low[a] = std::min(o.low[a], v[a]), o.high[a] = std::max(o.high[a], v[a]);
        }
        return objects;
    };
    // Depth: the style's, by default a quarter of the 72-point size.
    for (const auto& [arguments, depth] : {std::pair<std::string, double>{"H", 18.0}, {"H --depth 40", 40.0}}) {
        std::vector<MeshObject> solid = mesh(arguments, "depth.obj");
        ASSERT_EQ(solid.size(), 1u);
        EXPECT_NEAR(solid[0].high[2] - solid[0].low[2], depth, 1e-3) << arguments;
    }
    // Lines: CR LF is one break, like LF; leading sets the distance between baselines (the default's: TextLayout).
    mesh("\"$(printf 'H\\nI')\"", "lf.obj");
    mesh("\"$(printf 'H\\r\\nI')\"", "crlf.obj");
    // The same file but for the name of the material library beside it.
    EXPECT_TRUE(edited(slurp(dir + "lf.obj"), {{"mtllib text-lf.mtl\n", ""}}) ==
                edited(slurp(dir + "crlf.obj"), {{"mtllib text-crlf.mtl\n", ""}}));
    std::vector<MeshObject> lines = mesh("\"$(printf 'H\\nI')\" --leading 150", "leading.obj");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].name + ", " + lines[1].name, "Text H, Text I");
    EXPECT_NEAR(lines[0].low[1] - lines[1].low[1], 150, 1e-3);
    // Spacing widens every advance by the same amount.
    std::vector<MeshObject> tight = mesh("HI", "tight.obj"), loose = mesh("HI --spacing 500", "loose.obj");
    ASSERT_EQ(std::pair(tight.size(), loose.size()), std::pair(2ul, 2ul));
    const double gap = tight[1].low[0] - tight[0].low[0], wider = loose[1].low[0] - loose[0].low[0];
    EXPECT_THAT(wider - gap, AllOf(testing::Gt(25.0), testing::Lt(45.0)));  // half an em of a 72-point font
    // Wrapping: a line breaks after its last space once it is wider than the width.
    for (const auto& [arguments, count] : {std::pair<std::string, size_t>{"", 1}, {" --wrap 200", 3}}) {
        std::vector<MeshObject> words = mesh("\"HH HH HH\"" + arguments, "wrap.obj");
        ASSERT_EQ(words.size(), 6u);
        std::set<long> rows;  // the characters' bottoms
        for (const MeshObject& o : words) rows.insert(std::lround(o.low[1]));
        EXPECT_EQ(rows.size(), count) << arguments;
    }
}

// Accented letters find their own glyphs in the listing whether the font's character map in use is a Unicode one
// (DejaVu Sans) or a Mac OS Roman one (Liberation Serif). (The glyphs text builds from either map are FreeType's:
// Font.Latin1CodesGoThroughMacRomanOnlyWhenThatMapIsInUse.)
TEST(CommandLine, AccentedLettersFindTheirGlyphsInEveryKindOfCharacterMap) {
    const std::string accented = "Café, Ångström, Łódź, Ærø";
    const char* liberation = "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf";
    for (const std::string font : {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", liberation}) {
        SCOPED_TRACE(font);
        const std::vector<std::string> records =
            fw::test::linesOf(run("glyphs " + font + " --chars \"" + accented + "\"", 0).out);
        for (const std::string& line : records) EXPECT_EQ(line.find("\"glyph\":0,"), std::string::npos) << line;
        EXPECT_EQ(records.size(), 25u);
    }
    // With a Mac OS Roman map, the listing looks é up as text does: as 0x8E, not as È's 0xE9.
    const std::string all = run(std::string("glyphs ") + liberation).out;
    const std::string acute = run(std::string("glyphs ") + liberation + " --chars é").out;
    const size_t at = all.find("{\"code\":142,");
    ASSERT_NE(at, std::string::npos);
    const size_t glyph = all.find("\"glyph\":", at);
    const std::string macGlyph = all.substr(glyph, all.find(",\"advance\"", at) - glyph);
    EXPECT_NE(acute.find("{\"code\":233," + macGlyph + ","), std::string::npos) << acute << macGlyph;
}

// A project whose text attribute was edited by hand (size halved, tracking added) is laid out again when it is loaded:
// the characters, their outlines and their objects follow the attribute. (Ones that agree with it resave byte for byte:
// TextGivesThePictureOfItsSavedProject and ProjectFiles.ManagerBlocksAreKeptAndTheExamplesLoadedNextResaveUnchanged.)
TEST(CommandLine, TextWhoseAttributesChangedIsLaidOutAgainOnLoad) {
    const std::string dir = testing::TempDir(), title = slurp(kSource + "/examples/title.kxp");
    spill(dir + "edited.kxp", edited(title, {{"    Size 72.000000\n", "    Size 36.000000\n"},
                                             {"    Spacing 0.000000\n", "    Spacing 100.000000\n"}}));
    run("resave " + dir + "edited.kxp " + dir + "relaid.kxp", 0);
    const std::string relaid = slurp(dir + "relaid.kxp");
    // The numbers after each line's keyword, indentation dropped: one list per line.
    auto values = [](const std::string& text, const std::string& keyword) {
        std::vector<std::vector<double>> all;
        for (const std::string& line : fw::test::linesOf(text)) {
            std::istringstream words(line);
            std::string first;
            if (!(words >> first) || first != keyword) continue;
            all.emplace_back();
            for (double d; words >> d;) all.back().push_back(d);
        }
        return all;
    };
    auto emWidth = values(relaid, "EmWidth");
    ASSERT_EQ(emWidth.size(), 1u);
    EXPECT_LT(emWidth[0][0], 40);  // the "M" of the halved size
    auto widths = values(title, "CharWidth"), newWidths = values(relaid, "CharWidth");
    auto scales = values(relaid, "ProfileScale"), positions = values(relaid, "CharPosX");
    ASSERT_EQ(std::pair(newWidths.size(), scales.size()), std::pair(widths.size(), widths.size()));
    for (size_t i = 0; i < widths.size(); ++i) {
        EXPECT_EQ(scales[i], (std::vector<double>{36, 36, 1})) << i;
        // Half the glyph's advance, give or take the rounding to whole units, plus a tenth of the em.
        EXPECT_NEAR(newWidths[i][0], widths[i][0] / 2 + emWidth[0][0] * 0.1, 1.0) << i;
    }
    for (size_t i = 1; i < widths.size(); ++i)
        EXPECT_NEAR(positions[i][0] - positions[i - 1][0], newWidths[i - 1][0], 0.5 + 1e-9) << i;
    // The outlines are half as tall and the objects turn about their new advances.
    auto heightOfFirstOutline = [&](const std::string& text) {
        const size_t from = text.find("begin ProfileT"), to = text.find("end ProfileT", from);
        double low = 1e9, high = -1e9;
        for (const auto& p : values(text.substr(from, to - from), "p"))
            low = std::min(low, p[2]), high = std::max(high, p[2]);
        return high - low;
    };
    EXPECT_NEAR(heightOfFirstOutline(relaid), heightOfFirstOutline(title) * 0.5, 1e-3);
    auto origins = values(relaid, "origin"), oldOrigins = values(title, "origin");
    ASSERT_EQ(origins.size(), oldOrigins.size());
    EXPECT_NE(origins, oldOrigins);
    // What was laid out agrees with its attributes now: a second load keeps it.
    run("resave " + dir + "relaid.kxp " + dir + "again.kxp", 0);
    EXPECT_TRUE(slurp(dir + "again.kxp") == relaid);
}
