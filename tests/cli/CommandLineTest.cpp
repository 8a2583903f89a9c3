// The executable as users run it: output streams and exit statuses.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <FreeImage.h>

#include "FilesAndImages.h"
#include "StandInProject.h"
#include "TempDir.h"

using test::Pixels;
using test::readImage;
using test::slurp;
using test::spill;

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(const std::string& arguments) {
    // ctest runs tests as separate processes side by side: one file per run.
    std::string errFile = testing::TempDir() + "formwright-stderr-XXXXXX";
    int fd = mkstemp(errFile.data());
    if (fd >= 0) close(fd);
    std::string command = std::string(FW_EXECUTABLE) + " " + arguments + " 2>" + errFile;
    Outcome r{};
    std::FILE* p = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, n);
    int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (std::FILE* e = std::fopen(errFile.c_str(), "r")) {
        while ((n = std::fread(buffer, 1, sizeof buffer, e)) > 0) r.err.append(buffer, n);
        std::fclose(e);
    }
    std::remove(errFile.c_str());
    return r;
}

}  // namespace

TEST(CommandLine, VersionAndHelp) {
    Outcome version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "formwright 0.1.0\n");

    Outcome help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--version"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

TEST(CommandLine, BadArgumentsAreUserErrors) {
    Outcome bad = run("--no-such-option");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err.rfind("formwright: ", 0), 0u) << bad.err;
}


TEST(CommandLine, ResaveWritesTheExampleBackByteForByte) {
    std::string out = testing::TempDir() + "resaved.scene";
    std::string example = std::string(FW_SOURCE_DIR) + "/examples/opening-titles.scene";
    Outcome r = run("resave " + example + " " + out);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(slurp(out), slurp(example));

    std::string profiles = std::string(FW_SOURCE_DIR) + "/examples/profiles.scene";
    Outcome drawn = run("resave " + profiles + " " + out);
    EXPECT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_EQ(slurp(out), slurp(profiles));  // outlines, library entries and sequences

    Outcome described = run("info " + example);
    EXPECT_EQ(described.status, 0);
    EXPECT_NE(described.out.find("groups: 4\n"), std::string::npos);
    EXPECT_NE(described.out.find("Group \"Headline\" below \"Title Rig\""), std::string::npos);
}

TEST(CommandLine, ResaveReportsWarningsAndFailures) {
    std::string dir = testing::TempDir();
    spill(dir + "damaged.scene", " begin SceneX\n  name \"S\"\n  frobnicate 1 2\n end SceneX\n");
    Outcome warned = run("resave " + dir + "damaged.scene " + dir + "repaired.scene");
    EXPECT_EQ(warned.status, 0);
    EXPECT_EQ(warned.err, "formwright: " + dir +
                              "damaged.scene: Warning: Recovering from scene data error for command "
                              "<<frobnicate>> for class <<SceneX>> at byte 37.\n");
    EXPECT_EQ(slurp(dir + "repaired.scene"), " begin SceneX\n  name \"S\"\n end SceneX\n");

    spill(dir + "broken.scene", " begin SceneX\n  begin Teapot\n end SceneX\n");
    spill(dir + "keep.scene", "previous contents\n");
    Outcome failed = run("resave " + dir + "broken.scene " + dir + "keep.scene");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "formwright: " + dir +
                              "broken.scene: Error processing scene command <<begin>> for class <<SceneX>> "
                              "at byte 28.\n");
    EXPECT_EQ(slurp(dir + "keep.scene"), "previous contents\n");

    Outcome missing = run("info " + dir + "absent.scene");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "formwright: " + dir + "absent.scene: No such file or directory\n");
}

// A scene file's commands may stand bare, without the "begin SceneX" the program writes.
TEST(CommandLine, SceneCommandsWithoutTheSceneBlockLoad) {
    std::string dir = testing::TempDir();
    std::string example = std::string(FW_SOURCE_DIR) + "/examples/profiles.scene";
    std::string wrapped = slurp(example);
    size_t first = wrapped.find('\n') + 1;
    size_t last = wrapped.rfind(" end SceneX\n");
    ASSERT_NE(last, std::string::npos);
    spill(dir + "bare.scene", wrapped.substr(first, last - first));
    Outcome r = run("resave " + dir + "bare.scene " + dir + "wrapped.scene");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(dir + "wrapped.scene"), wrapped);

    // A file named neither project nor preferences that starts with the scene's name.
    spill(dir + "named", "name \"Loose\"\nbegin ProfileI\n name \"Square\"\nend ProfileI\n");
    Outcome named = run("info " + dir + "named");
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_NE(named.out.find("scene \"Loose\""), std::string::npos) << named.out;
    EXPECT_NE(named.out.find("ProfileI \"Square\""), std::string::npos) << named.out;

    // One scene per file: a second block is not merged into the first.
    spill(dir + "twice.scene", wrapped + wrapped);
    Outcome twice = run("info " + dir + "twice.scene");
    EXPECT_EQ(twice.status, 1);
    EXPECT_EQ(twice.err, "formwright: " + dir + "twice.scene: Error processing scene command <<begin>> for class "
                         "<<SceneX>> at byte " + std::to_string(wrapped.size() + 13) + ".\n");
    spill(dir + "nested.scene", " begin SceneX\n  begin SceneX\n  end SceneX\n end SceneX\n");
    EXPECT_EQ(run("info " + dir + "nested.scene").status, 1);
}

// Killed at any moment, resave leaves the old file or the complete new one, never a mix.
TEST(CommandLine, AKilledResaveLeavesTheOldFileOrTheNewOne) {
    namespace fs = std::filesystem;
    std::string dir = testing::TempDir() + "killed-resave/";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string in = std::string(FW_SOURCE_DIR) + "/examples/title.kxp";
    std::string out = dir + "title.kxp";
    auto resave = [&]() {
        pid_t child = fork();
        if (child == 0) {
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 2);
            execl(FW_EXECUTABLE, FW_EXECUTABLE, "resave", in.c_str(), out.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        return child;
    };
    // The kills spread over twice the slowest of three whole runs, so that some land
    // after the end even when the machine slows down while the loop runs.
    int status = 0;
    long full = 0;
    for (int run = 0; run < 3; ++run) {
        auto started = std::chrono::steady_clock::now();
        waitpid(resave(), &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        full = std::max<long>(full, std::chrono::duration_cast<std::chrono::microseconds>(
                                        std::chrono::steady_clock::now() - started).count());
    }
    const std::string complete = slurp(out);
    const std::string old = "Version \"an older save\"\n";

    // The window in which a temporary file exists is short, and a busy machine moves
    // it: the delays sweep the whole span again (offset) until a kill has landed in it,
    // up to five sweeps.
    int completed = 0, killedWhileWriting = 0, kills = 0;
    const int kKills = 200;
    for (int i = 0; i < 5 * kKills && (i < kKills || killedWhileWriting == 0 || completed == 0); ++i, ++kills) {
        spill(out, old);
        pid_t child = resave();
        const double sweep = (i % kKills + (i / kKills) / 5.0) / kKills;
        usleep(static_cast<useconds_t>(full * 2.0 * sweep));
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        std::string now = slurp(out);
        ASSERT_TRUE(now == old || now == complete) << "kill " << i << " left " << now.size() << " bytes";
        completed += now == complete;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().filename() != "title.kxp") {
                ++killedWhileWriting;
                fs::remove(entry.path());
            }
    }
    // The kills must have landed before, during and after writing for this to mean anything.
    EXPECT_GT(killedWhileWriting, 0);
    EXPECT_GT(completed, 0);
    EXPECT_LT(completed, kills);
    fs::remove_all(dir);
}

// A project holding a primitive, a flag cluster and a track opens and resaves unchanged,
// with one line naming what was kept (the flag cluster: primitives are read now); so
// does one with the managers' blocks, silently.
TEST(CommandLine, ProjectsWithBlocksNotReadYetOpenAndResaveUnchanged) {
    fw::test::TempDir dir;
    const std::string project = fw::test::projectWithStandIns();
    ASSERT_FALSE(project.empty());
    const std::string in = dir.file("kept.kxp"), out = dir.file("out.kxp");
    fw::test::writeFile(in, project);
    const std::string notice =
        "formwright: " + in + ": kept as they were, since this version cannot read them yet: ObjectC-FlagCluster\n";
    Outcome described = run("info " + in);
    EXPECT_EQ(described.status, 0) << described.err;
    EXPECT_NE(described.out.find("  ObjectP \"Ball\" below \"Badge\"\n"), std::string::npos) << described.out;
    EXPECT_NE(described.out.find("animation tracks: 1\n  AnimTrack \"Ball Track\" (object, node \"Ball\"): pose 0-9, "
                                 "transition 10-29 LeftRight\n"),
              std::string::npos)
        << described.out;
    EXPECT_EQ(described.err, notice);
    Outcome resaved = run("resave " + in + " " + out);
    EXPECT_EQ(resaved.status, 0) << resaved.err;
    EXPECT_EQ(resaved.err, notice);
    EXPECT_EQ(fw::test::readFile(out), project);

    const std::string managers = fw::test::projectWithManagerBlocks();
    ASSERT_FALSE(managers.empty());
    fw::test::writeFile(in, managers);
    Outcome plain = run("resave " + in + " " + out);
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(fw::test::readFile(out), managers);
}

// A project with an animated title lists its track's timeline and resaves unchanged; the
// same project with newer animation data is refused with the user told why.
TEST(CommandLine, ProjectsWithTracksOpenAndResaveUnchanged) {
    fw::test::TempDir dir;
    const std::string in = FW_TEST_DATA "/anim/title-track.kxp", out = dir.file("out.kxp");
    Outcome described = run("info " + in);
    EXPECT_EQ(described.status, 0) << described.err;
    EXPECT_EQ(described.err, "");
    EXPECT_NE(described.out.find("animation tracks: 1\n  AnimTrack \"Title Track\" (object, node \"Badge\"): pose 0-9, "
                                 "transition 10-39 LeftRight, pose 40-59\n"),
              std::string::npos)
        << described.out;
    Outcome resaved = run("resave " + in + " " + out);
    EXPECT_EQ(resaved.status, 0) << resaved.err;
    const std::string project = fw::test::readFile(in);
    EXPECT_EQ(fw::test::readFile(out), project);

    std::string newer = project;
    size_t at = newer.find("    animVersion \"5.5\"\n", newer.find("begin AnimTransition"));
    ASSERT_NE(at, std::string::npos);
    newer.replace(at, 25, "    animVersion \"5.6\"\n");
    const std::string refusedIn = dir.file("newer.kxp"), refusedOut = dir.file("refused.kxp");
    fw::test::writeFile(refusedIn, newer);
    Outcome refused = run("resave " + refusedIn + " " + refusedOut);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("formwright: " + refusedIn +
                               ": The animation information in this file is incompatible with this version of the "
                               "software.\n"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(std::filesystem::exists(refusedOut));
}

TEST(CommandLine, RenderWritesTheFrameAndRejectsBadRequests) {
    std::string dir = testing::TempDir();
    std::string example = std::string(FW_SOURCE_DIR) + "/examples/opening-titles.kxp";
    std::string libraries = " --library-folder " + dir + "render-libs ";
    std::string out = dir + "frame.png";
    std::remove(out.c_str());
    Outcome ok = run(libraries + "render " + example + " -o " + out + " --size 64x36");
    EXPECT_EQ(ok.status, 0) << ok.err;
    std::string png = slurp(out);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // Width and height sit big-endian in the header chunk.
    EXPECT_EQ(static_cast<unsigned char>(png[19]), 64);
    EXPECT_EQ(static_cast<unsigned char>(png[23]), 36);

    Outcome badSize = run(libraries + "render " + example + " -o " + out + " --size big");
    EXPECT_EQ(badSize.status, 1);
    EXPECT_EQ(badSize.err, "formwright: --size: takes WIDTHxHEIGHT from 1x1 to 16384x16384, for example 1920x1080\n");
    Outcome badType = run(libraries + "render " + example + " -o " + dir + "frame.gif");
    EXPECT_EQ(badType.status, 1);
    EXPECT_NE(badType.err.find("unknown image type"), std::string::npos);
}


TEST(CommandLine, TheTitleDemoRendersGoldLettersThatShadowTheSlab) {
    std::string dir = testing::TempDir();
    std::string example = std::string(FW_SOURCE_DIR) + "/examples/title.kxp";
    std::string libraries = " --library-folder " + dir + "title-libs ";
    std::string lit = dir + "title-lit.png", unshadowed = dir + "title-unshadowed.png";
    Outcome first = run(libraries + "render " + example + " -o " + lit + " --size 320x180");
    ASSERT_EQ(first.status, 0) << first.err;

    // The same project with shadows switched off in its render settings.
    std::string project = slurp(example), key = " RenderShadows \"1\"";
    ASSERT_NE(project.find(key), std::string::npos);
    project.replace(project.find(key), key.size(), " RenderShadows \"0\"");
    std::string copy = dir + "title-unshadowed.kxp";
    if (std::FILE* f = std::fopen(copy.c_str(), "wb")) {
        std::fwrite(project.data(), 1, project.size(), f);
        std::fclose(f);
    }
    Outcome second = run(libraries + "render " + copy + " -o " + unshadowed + " --size 320x180");
    ASSERT_EQ(second.status, 0) << second.err;

    Pixels a = readImage(lit), b = readImage(unshadowed);
    ASSERT_EQ(a.width, 320);
    ASSERT_EQ(a.height, 180);
    ASSERT_EQ(b.width, 320);
    int gold = 0, shadowed = 0, brighter = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const int *p = a.at(x, y), *q = b.at(x, y);
            if (p[0] > 120 && p[1] > 70 && p[2] < p[0] * 0.6) ++gold;
            if (q[0] - p[0] > 20 && q[1] - p[1] > 20 && q[2] - p[2] > 20) ++shadowed;
            if (p[0] > q[0] + 2 || p[1] > q[1] + 2 || p[2] > q[2] + 2) ++brighter;
        }
    const int total = a.width * a.height;
    EXPECT_GT(gold * 100, total * 5) << gold << " gold pixels";         // the letters are about a tenth
    EXPECT_GT(shadowed * 1000, total * 5) << shadowed << " shadowed";  // shadows fall on the slab
    EXPECT_EQ(brighter, 0);                                            // and only ever darken
}

TEST(CommandLine, BackgroundMediaShowsBehindTheTitleAndAMissingFileIsReported) {
    std::string dir = testing::TempDir();
    std::string libraries = " --library-folder " + dir + "media-libs ";
    std::string media = dir + "sky.png";
    FIBITMAP* sky = FreeImage_Allocate(4, 4, 24);
    RGBQUAD blue{};
    blue.rgbBlue = 255;
    for (unsigned y = 0; y < 4; ++y)
        for (unsigned x = 0; x < 4; ++x) FreeImage_SetPixelColor(sky, x, y, &blue);
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, sky, media.c_str()));
    FreeImage_Unload(sky);

    auto withMedia = [&](const std::string& file, const std::string& name) {
        std::string project = slurp(std::string(FW_SOURCE_DIR) + "/examples/title.kxp");
        for (auto [from, to] : {std::pair<std::string, std::string>{" BackgroundMedia \"\"", " BackgroundMedia \"" + file + "\""},
                                {" UseBackgroundMedia 0", " UseBackgroundMedia 1"}}) {
            size_t at = project.find(from);
            if (at == std::string::npos) return std::string();
            project.replace(at, from.size(), to);
        }
        std::string path = dir + name;
        if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(project.data(), 1, project.size(), f);
            std::fclose(f);
        }
        return path;
    };
    std::string project = withMedia(media, "with-media.kxp");
    ASSERT_FALSE(project.empty());
    Outcome shown = run(libraries + "render " + project + " -o " + dir + "media.png --size 160x90");
    ASSERT_EQ(shown.status, 0) << shown.err;
    Pixels image = readImage(dir + "media.png");
    ASSERT_EQ(image.width, 160);
    const int* sky00 = image.at(5, image.height - 5);  // above the slab's far edge
    EXPECT_EQ(sky00[0], 0);
    EXPECT_EQ(sky00[1], 0);
    EXPECT_EQ(sky00[2], 255);

    std::remove((dir + "gone.png").c_str());
    Outcome missing = run(libraries + "render " + withMedia(dir + "gone.png", "gone.kxp") + " -o " + dir +
                          "gone-frame.png --size 160x90");
    EXPECT_EQ(missing.status, 0) << missing.err;
    EXPECT_NE(missing.err.find("the background media cannot be shown; the background colour is used"), std::string::npos)
        << missing.err;
}

// A title made by `text` gives the same picture as its saved project rendered later.
TEST(CommandLine, TextGivesThePictureOfItsSavedProject) {
    std::string dir = testing::TempDir();
    std::string libraries = "--library-folder " + dir + "text-libraries ";
    Outcome saved = run(libraries + "--yes text \"Hi\" -o " + dir + "title.kxp");
    ASSERT_EQ(saved.status, 0) << saved.err;
    // The saved title resaves to itself: its font's file path included.
    Outcome resaved = run(libraries + "resave " + dir + "title.kxp " + dir + "title-again.kxp");
    ASSERT_EQ(resaved.status, 0) << resaved.err;
    EXPECT_EQ(slurp(dir + "title-again.kxp"), slurp(dir + "title.kxp"));
    Outcome drawn = run(libraries + "text \"Hi\" -o " + dir + "title.png");
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    Outcome rendered = run(libraries + "render " + dir + "title.kxp -o " + dir + "project.png");
    ASSERT_EQ(rendered.status, 0) << rendered.err;
    Pixels a = readImage(dir + "title.png"), b = readImage(dir + "project.png");
    ASSERT_GT(a.width, 0);
    ASSERT_EQ(a.width, b.width);
    EXPECT_TRUE(a.rgb == b.rgb);
    int lit = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3) lit += a.rgb[i] > 40;
    EXPECT_GT(lit, 1000);  // the letters are there

    Outcome mesh = run(libraries + "text \"Hi\" -o " + dir + "title.obj");
    ASSERT_EQ(mesh.status, 0) << mesh.err;
    EXPECT_NE(slurp(dir + "title.obj").find("\nv "), std::string::npos);

    Outcome noFont = run(libraries + "text \"Hi\" --font \"No Such Family 123\" -o " + dir + "none.png");
    EXPECT_EQ(noFont.status, 1);
    EXPECT_NE(noFont.err.find("No Such Family 123: no such font"), std::string::npos) << noFont.err;
    std::FILE* none = std::fopen((dir + "none.png").c_str(), "rb");
    EXPECT_EQ(none, nullptr);
    if (none) std::fclose(none);
}

TEST(CommandLine, FolderPathsEndingInABackslashResaveAndReadBack) {
    std::string dir = testing::TempDir();
    // A Windows folder, and a path that the reader cuts to 255 characters right after
    // a backslash: both come back as the value the first load gave, and the lines after
    // them are still read.
    std::string longPath = "D:\\" + std::string(251, 'p') + "\\" + std::string(45, 'q');
    struct Spelled {
        std::string folder, written;
    };
    for (const Spelled& path : {Spelled{"C:\\Titles\\Batch\\", "C:\\Titles\\Batch\\\\"}, Spelled{longPath, longPath}}) {
        const std::string& folder = path.folder;
        spill(dir + "folder.kxp", "Version \"Orvostat Formwright (Linux Headless) v0.1.0\"\n"
                                  "TextVariableFile \"" + path.written + "\"\n"
                                  "BackgroundColor 0.25 0.5 0.75\n");
        Outcome first = run("resave " + dir + "folder.kxp " + dir + "folder-1.kxp");
        ASSERT_EQ(first.status, 0) << first.err;
        Outcome second = run("resave " + dir + "folder-1.kxp " + dir + "folder-2.kxp");
        ASSERT_EQ(second.status, 0) << second.err;
        EXPECT_EQ(second.err, "");
        std::string once = slurp(dir + "folder-1.kxp");
        EXPECT_EQ(slurp(dir + "folder-2.kxp"), once);
        std::string kept = folder.substr(0, 255);
        std::string line = "TextVariableFile \"" + kept + (kept.back() == '\\' ? "\\\"\n" : "\"\n");
        EXPECT_NE(once.find(line), std::string::npos) << once;
        EXPECT_NE(once.find("BackgroundColor 0.25"), std::string::npos) << once;
    }
    // Image paths are written by the same rule: a folder-like path keeps its last backslash.
    std::string scene = slurp(std::string(FW_SOURCE_DIR) + "/tests/data/conformance/every-member.scene");
    const std::string stored = "image \"textures/brass plate.png\"", folder = "image \"textures\\plates\\\\\"";
    ASSERT_NE(scene.find(stored), std::string::npos);
    scene.replace(scene.find(stored), stored.size(), folder);
    spill(dir + "folder.scene", scene);
    Outcome resaved = run("resave " + dir + "folder.scene " + dir + "folder-1.scene");
    ASSERT_EQ(resaved.status, 0) << resaved.err;
    EXPECT_NE(slurp(dir + "folder-1.scene").find("\n   " + folder + "\n"), std::string::npos);
}

// The executable under a memory cap and a guard against hanging: a reader that
// buffered an endless token without bound runs out of memory, one that never gives
// up is stopped by the guard (status 124). Neither is a timing assertion.
Outcome runCapped(const std::string& arguments) {
    std::string errFile = testing::TempDir() + "formwright-stderr-XXXXXX";
    int fd = mkstemp(errFile.data());
    if (fd >= 0) close(fd);
#ifdef FW_SANITIZED_BUILD
    // The sanitizer reserves terabytes of address space for its shadow memory, so a
    // cap on it would stop the program before it starts; the guard still holds.
    std::string cap;
#else
    std::string cap = "ulimit -v 4000000; ";
#endif
    std::string command = cap + "timeout 600 " + std::string(FW_EXECUTABLE) + " " + arguments +
                          " >/dev/null 2>" + errFile;
    int raw = std::system(command.c_str());
    Outcome r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, "", slurp(errFile)};
    std::remove(errFile.c_str());
    return r;
}

TEST(CommandLine, EndlessAndBinaryInputEndsWithAClearError) {
    std::string dir = testing::TempDir();
    std::string noise = dir + "noise.kxp";
    {
        std::FILE* f = std::fopen(noise.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        uint32_t state = 12345;
        std::vector<unsigned char> block(1 << 20);
        for (int mb = 0; mb < 50; ++mb) {
            for (unsigned char& b : block) {
                state = state * 1664525u + 1013904223u;
                b = static_cast<unsigned char>(state >> 24);
            }
            std::fwrite(block.data(), 1, block.size(), f);
        }
        std::fclose(f);
    }
    for (const std::string& path : {std::string("/dev/zero"), noise}) {
        Outcome r = runCapped("info " + path);
        EXPECT_EQ(r.status, 1) << path;
        EXPECT_EQ(r.err.rfind("formwright: " + path + ": ", 0), 0u) << r.err;
        // A device is refused before it is opened; a plain file of noise is read and judged.
        EXPECT_NE(r.err.find(path == noise ? "doesn't seem to be a valid" : "is not a regular file"), std::string::npos)
            << r.err;
    }
    // Past a good first line, the error says what is wrong and where.
    std::string runaway = dir + "runaway.kxp";
    std::string head = "Version \"Orvostat Formwright (Linux Headless) v0.1.0\"\nBackgroundColor 0 0 0\n";
    spill(runaway, head + std::string(200000, 'x') + "\nRenderSize 64 36\n");
    Outcome r = runCapped("info " + runaway);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "formwright: " + runaway +
                         ": Scene error: a token of more than 50000 characters for class <<OrvoSceneManager>> "
                         "at byte " + std::to_string(head.size()) + "; the rest of the data is not read.\n");
}

// Cut, altered and joined documents of every kind: each ends within the guard with exit
// status 0 or 1, messages in the usual form, and what it wrote reads back unchanged.
TEST(CommandLine, DamagedDocumentsOfEveryKindEndCleanly) {
    namespace fs = std::filesystem;
    const std::string source = FW_SOURCE_DIR;
    struct Document {
        std::string name;  // a document's kind comes from its name
        std::string text;
    };
    const std::vector<Document> documents = {
        {"title.kxp", slurp(source + "/examples/title.kxp")},
        {"Veltrane Orvostat Prefs", slurp(source + "/tests/data/settings/odd-values-prefs.kxp")},
        {"titles.scene", slurp(source + "/examples/opening-titles.scene")},
    };
    std::vector<Document> damaged;
    uint32_t state = 20261206;
    auto next = [&](uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
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
    damaged.push_back({documents[0].name, documents[0].text + documents[0].text});
    damaged.push_back({documents[0].name, documents[0].text + documents[2].text});
    damaged.push_back({documents[1].name, documents[1].text + documents[0].text});
    damaged.push_back({documents[2].name, documents[2].text + documents[1].text});

    std::string dir = testing::TempDir() + "damaged-documents/";
    for (size_t i = 0; i < damaged.size(); ++i) {
        fs::remove_all(dir);
        fs::create_directories(dir + "in");
        fs::create_directories(dir + "once");
        fs::create_directories(dir + "twice");
        const Document& d = damaged[i];
        spill(dir + "in/" + d.name, d.text);
        Outcome first = runCapped("resave '" + dir + "in/" + d.name + "' '" + dir + "once/" + d.name + "'");
        ASSERT_TRUE(first.status == 0 || first.status == 1) << "case " << i << " status " << first.status;
        if (first.status == 1) {
            EXPECT_FALSE(first.err.empty()) << "case " << i;
        }
        // Every line is a message, or the rest of the one alert that spans lines.
        for (size_t line = 0; line < first.err.size(); line = first.err.find('\n', line) + 1) {
            std::string text = first.err.substr(line, first.err.find('\n', line) - line);
            if (text.empty() || text == "Please check the file type and try again.") continue;
            EXPECT_EQ(text.rfind("formwright: ", 0), 0u) << "case " << i << ": " << first.err.substr(0, 300);
        }
        if (first.status != 0) continue;
        Outcome second = runCapped("resave '" + dir + "once/" + d.name + "' '" + dir + "twice/" + d.name + "'");
        EXPECT_EQ(second.status, 0) << "case " << i << ": " << second.err;
        std::string once = slurp(dir + "once/" + d.name), twice = slurp(dir + "twice/" + d.name);
        auto differ = std::mismatch(once.begin(), once.end(), twice.begin(), twice.end());
        EXPECT_TRUE(once == twice) << "case " << i << ": rewritten differently from byte "
                                   << (differ.first - once.begin()) << ": "
                                   << once.substr(differ.first - once.begin(), 80);
    }
    fs::remove_all(dir);
}

TEST(CommandLine, MessagesShowUnprintableBytesEscaped) {
    std::string dir = testing::TempDir();
    spill(dir + "control.scene", " begin SceneX\n  name \"S\"\n  \x1b[2Jgone\xff caf\xc3\xa9 1\n end SceneX\n");
    Outcome r = run("info " + dir + "control.scene");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "formwright: " + dir +
                         "control.scene: Warning: Recovering from scene data error for command "
                         "<<\\x1b[2Jgone\\xff>> for class <<SceneX>> at byte 36.\n");
}

TEST(CommandLine, EmptyAndRepeatedBarNamesFollowTheNamingRules) {
    std::string dir = testing::TempDir();
    std::string group = "  begin Group\n   name \"%\"\n  end Group\n";
    auto named = [&](const std::string& name) { return group.substr(0, group.find('%')) + name + group.substr(group.find('%') + 1); };
    spill(dir + "names.scene", " begin SceneX\n  name \"N\"\n" + named("|rig") + named("|rig") + named("|rig") +
                                   named("") + " end SceneX\n");
    Outcome r = run("info " + dir + "names.scene");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  Group \"|rig\" below \"root\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  Group \"|rig_DUPLICATE_FOUND\" below"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  Group \"|rig_DUPLICATE_FOUND_DUPLICATE_FOUND\" below"), std::string::npos) << r.out;
    // An empty name leaves the default name the group was made with.
    EXPECT_NE(r.out.find("  Group \"|ORVO_GROUP"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\"\""), std::string::npos) << r.out;
}

TEST(CommandLine, RecentProjectsKeepPathsOfUpTo260Characters) {
    std::string dir = testing::TempDir();
    std::string kept = "/projects/" + std::string(246, 'k') + ".kxp";  // 260 characters
    std::string tooLong = "/projects/" + std::string(247, 'l') + ".kxp";
    ASSERT_EQ(kept.size(), 260u);
    // Named as no project is, so the preference lines it holds make it a preferences file.
    spill(dir + "recent-prefs", "Version \"Orvostat Formwright (Linux Headless) v0.1.0\"\nRecentProject \"" + kept +
                                        "\"\nRecentProject \"" + tooLong + "\"\nRecentProject \"/projects/b.kxp\"\n");
    Outcome r = run("resave " + dir + "recent-prefs " + dir + "recent-out");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string out = slurp(dir + "recent-out");
    EXPECT_NE(out.find(" RecentProject \"" + kept + "\"\n RecentProject \"/projects/b.kxp\"\n"), std::string::npos)
        << out;
    EXPECT_EQ(out.find("lllll"), std::string::npos);
}

TEST(CommandLine, AProjectThatFailsToLoadIsReportedOnce) {
    std::string dir = testing::TempDir();
    spill(dir + "failing.kxp", "Version \"Orvostat Formwright (Linux Headless) v0.1.0\"\n begin SceneX\n  begin Teapot\n");
    Outcome r = run(dir + "failing.kxp");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "formwright: " + dir +
                         "failing.kxp: Error processing scene command <<begin>> for class <<SceneX>> at byte 82.\n");
    Outcome missing = run(dir + "absent.kxp");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "formwright: " + dir + "absent.kxp: cannot be read: there is no such file\n");
}

// Reading a file mixes in nothing of the user's own preferences: a project lacking a
// preference line takes its default, and a preferences file keeps its own recent
// projects (ten at most, each once), whatever the user's preferences hold.
TEST(CommandLine, ResaveWritesTheFileNotTheUsersPreferences) {
    std::string dir = testing::TempDir() + "own-prefs/";
    std::string libraries = "--library-folder " + dir + "libraries ";
    std::string example = std::string(FW_SOURCE_DIR) + "/examples/badge.kxp";
    ASSERT_EQ(run(libraries + example).status, 0);  // opening and quitting saves the preferences
    std::string prefsPath = dir + "libraries/Veltrane/Libraries/Prefs/Veltrane Orvostat Prefs";
    std::string prefs = slurp(prefsPath);
    ASSERT_NE(prefs.find(" HardShadingAngle \"30\"\n"), std::string::npos) << prefs;
    std::string own = prefs;
    own.replace(own.find(" HardShadingAngle \"30\""), 22, " HardShadingAngle \"45\"");
    size_t recent = own.find(" RecentProject ");
    ASSERT_NE(recent, std::string::npos);
    own.insert(recent, " RecentProject \"/users/own/a.kxp\"\n");
    spill(prefsPath, own);

    std::string project = slurp(example);
    size_t line = project.find(" HardShadingAngle \"30\"\n");
    ASSERT_NE(line, std::string::npos);
    project.erase(line, 23);
    spill(dir + "no-angle.kxp", project);
    ASSERT_EQ(run(libraries + "resave " + dir + "no-angle.kxp " + dir + "no-angle-out.kxp").status, 0);
    EXPECT_NE(slurp(dir + "no-angle-out.kxp").find(" HardShadingAngle \"30\"\n"), std::string::npos);

    std::string file = prefs;
    std::string list;
    for (int i = 0; i < 12; ++i) list += " RecentProject \"/p/" + std::to_string(i % 11) + ".kxp\"\n";
    file.replace(file.find(" RecentProject "), file.find('\n', file.find(" RecentProject ")) + 1 -
                                                   file.find(" RecentProject "), list);
    spill(dir + "prefs-in", file);
    ASSERT_EQ(run(libraries + "resave \"" + dir + "prefs-in\" \"" + dir + "prefs-out\"").status, 0);
    std::string out = slurp(dir + "prefs-out");
    std::string expected;
    for (int i = 0; i < 10; ++i) expected += " RecentProject \"/p/" + std::to_string(i) + ".kxp\"\n";
    EXPECT_NE(out.find(expected), std::string::npos) << out;
    EXPECT_EQ(out.find("/p/10.kxp"), std::string::npos);
    EXPECT_EQ(out.find("/users/own/a.kxp"), std::string::npos);
    EXPECT_EQ(out.find(" HardShadingAngle \"45\""), std::string::npos);
}

// A document's name decides its kind, never the lines it happens to hold: a project
// with a preferences line stays a project (the line is reported, the scene kept), and
// a project file holding only its scene block is written back as a project.
TEST(CommandLine, ResaveKeepsAProjectAProjectWhateverItHolds) {
    std::string dir = testing::TempDir();
    std::string libraries = "--library-folder " + dir + "kind-libraries ";
    std::string project = slurp(std::string(FW_SOURCE_DIR) + "/examples/badge.kxp");
    ASSERT_FALSE(project.empty());
    std::string withPreference = project;
    withPreference.insert(withPreference.find('\n') + 1, " ShaderTextureWidth 512\n");
    spill(dir + "with-preference.kxp", withPreference);
    Outcome kept = run(libraries + "resave " + dir + "with-preference.kxp " + dir + "with-preference-out.kxp");
    ASSERT_EQ(kept.status, 0) << kept.err;
    EXPECT_NE(kept.err.find("holds lines of the preferences file"), std::string::npos) << kept.err;
    std::string written = slurp(dir + "with-preference-out.kxp");
    EXPECT_NE(written.find("   name \"Badge\"\n"), std::string::npos);
    EXPECT_EQ(written, project);  // the project as it was, less the line it cannot keep

    size_t begin = project.find(" begin SceneX\n"), end = project.find(" end SceneX\n");
    ASSERT_NE(end, std::string::npos);
    spill(dir + "scene-only.kxp", project.substr(begin, end + 12 - begin));
    Outcome scene = run(libraries + "resave " + dir + "scene-only.kxp " + dir + "scene-only-out.kxp");
    ASSERT_EQ(scene.status, 0) << scene.err;
    written = slurp(dir + "scene-only-out.kxp");
    EXPECT_EQ(written.rfind(" Version \"", 0), 0u) << written.substr(0, 80);
    EXPECT_NE(written.find("   name \"Badge\"\n"), std::string::npos);
}

namespace {

// The solids of an OBJ file written by `text`, one per character object.
struct MeshObject {
    std::string name;
    std::vector<std::array<double, 3>> vertices;
    double min(int axis) const {
        double m = 1e300;
        for (const auto& v : vertices) m = std::min(m, v[static_cast<size_t>(axis)]);
        return m;
    }
    double max(int axis) const {
        double m = -1e300;
        for (const auto& v : vertices) m = std::max(m, v[static_cast<size_t>(axis)]);
        return m;
    }
    // The vertices moved so that their lowest corner is the origin, in order.
    std::vector<std::array<long, 3>> shape() const {
        std::vector<std::array<long, 3>> out;
        for (const auto& v : vertices)
            out.push_back({std::lround((v[0] - min(0)) * 100), std::lround((v[1] - min(1)) * 100),
                           std::lround((v[2] - min(2)) * 100)});
        std::sort(out.begin(), out.end());
        return out;
    }
};

std::vector<MeshObject> readObjObjects(const std::string& path) {
    std::vector<MeshObject> objects;
    std::istringstream in(slurp(path));
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("# Object '", 0) == 0) {
            objects.push_back({line.substr(10, line.size() - 11), {}});
        } else if (line.rfind("v ", 0) == 0 && !objects.empty()) {
            std::array<double, 3> v{};
            std::sscanf(line.c_str(), "v %lf %lf %lf", &v[0], &v[1], &v[2]);
            objects.back().vertices.push_back(v);
        }
    }
    return objects;
}

const MeshObject* objectNamed(const std::vector<MeshObject>& objects, const std::string& name) {
    for (const MeshObject& o : objects)
        if (o.name == name) return &o;
    return nullptr;
}

}  // namespace

TEST(CommandLine, TextRejectsWhatItCannotBuildAndWritesNothing) {
    std::string dir = testing::TempDir() + "text-rejects-";
    std::string libraries = "--library-folder " + dir + "libraries ";
    auto rejected = [&](const std::string& arguments, const std::string& out, const std::string& message) {
        Outcome r = run(libraries + "text " + arguments + " -o " + dir + out);
        EXPECT_EQ(r.status, 1) << arguments << "\n" << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << arguments << "\n" << r.err;
        EXPECT_EQ(slurp(dir + out), "") << arguments;
    };
    rejected("\"\"", "empty.obj", "formwright: the text is empty\n");
    rejected("\"\"", "empty.png", "formwright: the text is empty\n");
    spill(dir + "broken.ttf", "this is no font at all, only a few words of plain text");
    rejected("Hi --font " + dir + "broken.ttf", "broken.obj", "broken.ttf: ");
    rejected("Hi --font " + dir + "missing.ttf", "missing.obj", "no such font");
    rejected("Hi --material Gold", "gold.png",
             "formwright: Gold: no such material; the closest are \"Polished Gold\", \"Brushed Gold\"");
    rejected("Hi --style Nonsense", "nonsense.obj", "formwright: Nonsense: no such object style or edge profile; ");
    rejected("Hi --style \"Bevel, Mediun\"", "mediun.kxp", "the closest are \"Bevel, Medium\"");
    rejected("Hi --size 0x200", "zero.png", "formwright: --size: takes WIDTHxHEIGHT");
    rejected("Hi --size 320x200", "sized.obj", "--size: a mesh has no picture size");
    rejected("Hi --align middle", "middle.obj", "--align");
    rejected("Hi --depth 0", "flat.obj", "formwright: --depth: takes a number above 0, not 0");
    rejected("Hi --wrap 0", "narrow.obj", "--wrap");

    Outcome help = run("text --help");
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--size", "--depth", "--align", "--leading", "--spacing", "--wrap", "--style", "--material"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

// The parser's reason reaches the user, not placeholders for every character.
TEST(CommandLine, TextReportsWhyAFontFileCannotBeRead) {
    std::string dir = testing::TempDir() + "text-font-";
    spill(dir + "cut.ttf", slurp("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf").substr(0, 200));
    Outcome r = run("--library-folder " + dir + "libraries text Hi --font " + dir + "cut.ttf -o " + dir + "cut.obj");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err.find("characters are missing"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.rfind("formwright: " + dir + "cut.ttf: ", 0), 0u) << r.err;
    EXPECT_GT(r.err.size(), ("formwright: " + dir + "cut.ttf: \n").size()) << r.err;
}

// The mesh is the solid the saved project describes, and every layout option moves
// the characters as it says.
TEST(CommandLine, TextMeshFollowsItsStyleAndLayoutOptions) {
    std::string dir = testing::TempDir() + "text-layout-";
    std::string libraries = "--library-folder " + dir + "libraries ";
    auto mesh = [&](const std::string& arguments, const std::string& out) {
        Outcome r = run(libraries + "text " + arguments + " -o " + dir + out);
        EXPECT_EQ(r.status, 0) << arguments << "\n" << r.err;
        return readObjObjects(dir + out);
    };
    // Depth: the style's, by default a quarter of the 72-point size.
    std::vector<MeshObject> plain = mesh("H", "plain.obj");
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_NEAR(plain[0].max(2) - plain[0].min(2), 18.0, 1e-3);
    std::vector<MeshObject> deep = mesh("H --depth 40", "deep.obj");
    ASSERT_EQ(deep.size(), 1u);
    EXPECT_NEAR(deep[0].max(2) - deep[0].min(2), 40.0, 1e-3);

    // Lines: CR LF is one break, like LF; leading sets the distance between baselines.
    std::vector<MeshObject> lf = mesh("\"$(printf 'H\\nI')\"", "lf.obj");
    std::vector<MeshObject> crlf = mesh("\"$(printf 'H\\r\\nI')\"", "crlf.obj");
    // The same file but for the name of the material library beside it.
    std::string lfText = slurp(dir + "lf.obj"), crlfText = slurp(dir + "crlf.obj");
    for (auto [text, name] : {std::pair{&lfText, "lf"}, std::pair{&crlfText, "crlf"}}) {
        const std::string line = "mtllib text-layout-" + std::string(name) + ".mtl\n";
        if (size_t at = text->find(line); at != std::string::npos) text->erase(at, line.size());
    }
    EXPECT_TRUE(lfText == crlfText);
    const MeshObject *h = objectNamed(lf, "Text H"), *i = objectNamed(lf, "Text I");
    ASSERT_TRUE(h && i);
    EXPECT_NEAR(h->min(1) - i->min(1), 86.0, 1e-3);  // 1.2 x 72, rounded
    std::vector<MeshObject> led = mesh("\"$(printf 'H\\nI')\" --leading 150", "leading.obj");
    h = objectNamed(led, "Text H"), i = objectNamed(led, "Text I");
    ASSERT_TRUE(h && i);
    EXPECT_NEAR(h->min(1) - i->min(1), 150.0, 1e-3);

    // Spacing widens every advance by the same amount.
    std::vector<MeshObject> tight = mesh("HI", "tight.obj"), loose = mesh("HI --spacing 500", "loose.obj");
    ASSERT_EQ(tight.size(), 2u);
    ASSERT_EQ(loose.size(), 2u);
    double gap = tight[1].min(0) - tight[0].min(0), wider = loose[1].min(0) - loose[0].min(0);
    EXPECT_GT(wider - gap, 25.0);  // half an em of a 72-point font
    EXPECT_LT(wider - gap, 45.0);

    // Alignment: the short second line starts under the first (left) or ends under it (right).
    std::vector<MeshObject> left = mesh("\"$(printf 'HHHH\\nI')\"", "left.obj");
    std::vector<MeshObject> right = mesh("\"$(printf 'HHHH\\nI')\" --align right", "right.obj");
    std::vector<MeshObject> centre = mesh("\"$(printf 'HHHH\\nI')\" --align centre", "centre.obj");
    ASSERT_EQ(left.size(), 5u);
    ASSERT_EQ(right.size(), 5u);
    ASSERT_EQ(centre.size(), 5u);
    EXPECT_LT(std::abs(left[4].min(0) - left[0].min(0)), 15.0);  // side bearings of H and I
    EXPECT_LT(std::abs(right[3].max(0) - right[4].max(0)), 15.0);
    double middle = (centre[0].min(0) + centre[3].max(0)) / 2, iMiddle = (centre[4].min(0) + centre[4].max(0)) / 2;
    EXPECT_LT(std::abs(middle - iMiddle), 5.0);

    // Wrapping: a line breaks after its last space once it is wider than the width.
    std::vector<MeshObject> one = mesh("\"HH HH HH\"", "unwrapped.obj");
    std::vector<MeshObject> wrapped = mesh("\"HH HH HH\" --wrap 200", "wrapped.obj");
    ASSERT_EQ(one.size(), 6u);
    ASSERT_EQ(wrapped.size(), 6u);
    auto rows = [](const std::vector<MeshObject>& objects) {
        std::vector<long> bottoms;
        for (const MeshObject& o : objects) bottoms.push_back(std::lround(o.min(1)));
        std::sort(bottoms.begin(), bottoms.end());
        return std::unique(bottoms.begin(), bottoms.end()) - bottoms.begin();
    };
    EXPECT_EQ(rows(one), 1);
    EXPECT_EQ(rows(wrapped), 3);
}

TEST(CommandLine, TextPictureTakesTheSizeAskedFor) {
    std::string dir = testing::TempDir() + "text-size-";
    std::string libraries = "--library-folder " + dir + "libraries ";
    Outcome r = run(libraries + "text Hi --size 320x200 -o " + dir + "small.png");
    ASSERT_EQ(r.status, 0) << r.err;
    Pixels image = readImage(dir + "small.png");
    EXPECT_EQ(image.width, 320);
    EXPECT_EQ(image.height, 200);
    Outcome saved = run(libraries + "--yes text Hi --size 320x200 -o " + dir + "small.kxp");
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_NE(run(libraries + "info " + dir + "small.kxp").out.find("render size 320 x 200"), std::string::npos);
}

// Accented letters find their own glyphs whether the font's character map in use is
// a Unicode one (DejaVu Sans, FreeSerif) or a Mac OS Roman one (Liberation Serif),
// in the glyph listing and in the solids alike.
TEST(CommandLine, AccentedLettersFindTheirGlyphsInEveryKindOfCharacterMap) {
    std::string dir = testing::TempDir() + "text-accents-";
    std::string libraries = "--library-folder " + dir + "libraries ";
    const std::string text = "Café, Ångström, Łódź, Ærø";
    for (const char* font : {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                             "/usr/share/fonts/opentype/freefont/FreeSerif.otf",
                             "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf"}) {
        SCOPED_TRACE(font);
        Outcome listing = run(std::string("glyphs ") + font + " --chars \"" + text + "\"");
        ASSERT_EQ(listing.status, 0) << listing.err;
        std::istringstream lines(listing.out);
        std::string line;
        int records = 0;
        while (std::getline(lines, line)) {
            ++records;
            EXPECT_EQ(line.find("\"glyph\":0,"), std::string::npos) << line;
        }
        EXPECT_EQ(records, 25);

        // The missing-glyph box, from a character none of these fonts has.
        Outcome boxed = run(libraries + "text \"" + std::string("\xEF\xBF\xBF") + "\" --font " + font + " -o " + dir + "box.obj");
        ASSERT_EQ(boxed.status, 0) << boxed.err;
        std::vector<MeshObject> box = readObjObjects(dir + "box.obj");
        ASSERT_EQ(box.size(), 1u);
        Outcome built = run(libraries + "text \"" + text + "\" --font " + font + " -o " + dir + "accents.obj");
        ASSERT_EQ(built.status, 0) << built.err;
        std::vector<MeshObject> letters = readObjObjects(dir + "accents.obj");
        EXPECT_EQ(letters.size(), 22u);  // spaces make no solids
        for (const MeshObject& letter : letters) EXPECT_NE(letter.shape(), box[0].shape()) << letter.name;
    }

    // With a Mac OS Roman map, the listing looks é up as text does: as 0x8E, not as È's 0xE9.
    const char* liberation = "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf";
    std::string all = run(std::string("glyphs ") + liberation).out;
    std::string acute = run(std::string("glyphs ") + liberation + " --chars é").out;
    size_t at = all.find("{\"code\":142,");
    ASSERT_NE(at, std::string::npos);
    std::string macGlyph = all.substr(all.find("\"glyph\":", at), all.find(",\"advance\"", at) - all.find("\"glyph\":", at));
    EXPECT_NE(acute.find("{\"code\":233," + macGlyph + ","), std::string::npos) << acute << macGlyph;
}

// A project whose text attribute was edited by hand (size halved, tracking added) is
// laid out again when it is loaded: the characters, their outlines and their objects
// follow the attribute. One whose characters agree with it saves back unchanged.
TEST(CommandLine, TextWhoseAttributesChangedIsLaidOutAgainOnLoad) {
    const std::string dir = testing::TempDir();
    const std::string title = slurp(std::string(FW_SOURCE_DIR) + "/examples/title.kxp");
    ASSERT_EQ(run("resave " + std::string(FW_SOURCE_DIR) + "/examples/title.kxp " + dir + "agreeing.kxp").status, 0);
    EXPECT_EQ(slurp(dir + "agreeing.kxp"), title);

    std::string edited = title;
    for (auto [from, to] : {std::pair<std::string, std::string>{"    Size 72.000000\n", "    Size 36.000000\n"},
                            {"    Spacing 0.000000\n", "    Spacing 100.000000\n"}}) {
        size_t at = edited.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        edited.replace(at, from.size(), to);
    }
    spill(dir + "edited.kxp", edited);
    Outcome r = run("resave " + dir + "edited.kxp " + dir + "relaid.kxp");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string relaid = slurp(dir + "relaid.kxp");

    // Numbers after a keyword, one list per occurrence.
    auto values = [](const std::string& text, const std::string& keyword) {
        std::vector<std::vector<double>> all;
        for (size_t at = text.find("\n" + keyword + " "); at != std::string::npos; at = text.find("\n" + keyword + " ", at + 1)) {
            std::istringstream line(text.substr(at + keyword.size() + 2, text.find('\n', at + 1) - at - keyword.size() - 2));
            std::vector<double> v;
            for (double d; line >> d;) v.push_back(d);
            all.push_back(v);
        }
        return all;
    };
    auto trimmed = [](std::string text) {  // keywords at the start of lines, indentation dropped
        std::string out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) out += "\n" + line.substr(line.find_first_not_of(' ') == std::string::npos ? 0 : line.find_first_not_of(' '));
        return out;
    };
    const std::string before = trimmed(title), after = trimmed(relaid);
    auto emWidth = values(after, "EmWidth");
    ASSERT_EQ(emWidth.size(), 1u);
    EXPECT_LT(emWidth[0][0], 40);  // the "M" of the halved size
    auto widths = values(before, "CharWidth"), newWidths = values(after, "CharWidth");
    auto scales = values(after, "ProfileScale"), positions = values(after, "CharPosX");
    ASSERT_EQ(newWidths.size(), widths.size());
    ASSERT_EQ(scales.size(), widths.size());
    for (size_t i = 0; i < widths.size(); ++i) {
        EXPECT_EQ(scales[i], (std::vector<double>{36, 36, 1})) << i;
        // Half the glyph's advance, give or take the rounding to whole units, plus a tenth of the em.
        EXPECT_NEAR(newWidths[i][0], widths[i][0] / 2 + emWidth[0][0] * 0.1, 1.0) << i;
        if (i > 0) {
            EXPECT_NEAR(positions[i][0] - positions[i - 1][0], newWidths[i - 1][0], 0.5 + 1e-9) << i;
        }
    }

    // The outlines are half as tall and the objects turn about their new advances.
    auto heightOfFirstOutline = [&](const std::string& text) {
        size_t from = text.find("\nbegin ProfileT"), to = text.find("\nend ProfileT", from);
        double low = 1e9, high = -1e9;
        for (const auto& p : values(text.substr(from, to - from), "p")) low = std::min(low, p[2]), high = std::max(high, p[2]);
        return high - low;
    };
    EXPECT_NEAR(heightOfFirstOutline(after), heightOfFirstOutline(before) * 0.5, 1e-3);
    auto origins = values(after, "origin"), oldOrigins = values(before, "origin");
    ASSERT_EQ(origins.size(), oldOrigins.size());
    EXPECT_NE(origins, oldOrigins);

    // What was laid out agrees with its attributes now: a second load keeps it.
    ASSERT_EQ(run("resave " + dir + "relaid.kxp " + dir + "again.kxp").status, 0);
    EXPECT_TRUE(slurp(dir + "again.kxp") == relaid);
}
