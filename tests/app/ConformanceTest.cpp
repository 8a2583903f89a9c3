// Round trips against files written by hand from the stored line forms, not files this
// program wrote: a scene file, a project and a preferences file holding every member
// kind with values away from their defaults, so a line written in the wrong place, under
// the wrong spelling or at the wrong precision shows as a byte difference.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "FilesAndImages.h"

using test::slurp;

namespace {

const std::string kData = std::string(FW_TEST_DATA) + "/conformance/";

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Each run gets its own library folder, so the user's preferences never reach the file.
Outcome run(const std::string& dir, const std::string& arguments) {
    std::string errFile = dir + "stderr.txt";
    std::string command = std::string(FW_EXECUTABLE) + " --library-folder \"" + dir + "libraries\" " + arguments +
                          " 2>\"" + errFile + "\"";
    Outcome r{};
    std::FILE* p = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, n);
    int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = slurp(errFile);
    return r;
}

std::string freshDir(const std::string& name) {
    std::string dir = testing::TempDir() + "conformance-" + name + "/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "out");
    return dir;
}

// The first differing line, to make a failure readable in a file of hundreds of lines.
std::string firstDifference(const std::string& expected, const std::string& actual) {
    size_t line = 1, start = 0;
    for (size_t i = 0; i < expected.size() && i < actual.size(); ++i) {
        if (expected[i] != actual[i]) {
            size_t endE = expected.find('\n', start), endA = actual.find('\n', start);
            return "line " + std::to_string(line) + ":\n  expected: " + expected.substr(start, endE - start) +
                   "\n  written:  " + actual.substr(start, endA - start);
        }
        if (expected[i] == '\n') {
            ++line;
            start = i + 1;
        }
    }
    return "lengths " + std::to_string(expected.size()) + " and " + std::to_string(actual.size());
}

// Drops the scene's member blocks of the given names from a written document.
std::string withoutMembers(const std::string& text, const std::vector<std::string>& names) {
    std::string kept;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(at, end - at);
        if (line.rfind("  begin ", 0) == 0 && line[8] != ' ') {
            size_t next = text.find('\n', end);
            std::string nameLine = text.substr(end, next == std::string::npos ? std::string::npos : next + 1 - end);
            bool dropped = false;
            for (const std::string& name : names)
                if (nameLine == "   name \"" + name + "\"\n") dropped = true;
            if (dropped) {
                size_t close = text.find("  end " + line.substr(8), end);
                if (close != std::string::npos) {
                    at = close + 6 + line.size() - 8;
                    continue;
                }
            }
        }
        kept += line;
        at = end;
    }
    return kept;
}

// Resaves the hand-written file under its own name (its name decides its kind) and
// compares what was written with it byte for byte, less the members the load itself adds.
// Members in `relaidOut` are left out on both sides: a text block whose characters were
// built with other attributes than it holds is laid out again on load, with its outlines.
void expectResavedUnchanged(const std::string& name, const std::vector<std::string>& addedByLoad = {},
                            const std::vector<std::string>& relaidOut = {"Conf Text", "Conf Glyph"}) {
    std::string dir = freshDir(name.substr(0, name.find('.')) + std::to_string(name.size()));
    std::string in = kData + name, out = dir + "out/" + name;
    Outcome r = run(dir, "resave \"" + in + "\" \"" + out + "\"");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> dropped = addedByLoad;
    dropped.insert(dropped.end(), relaidOut.begin(), relaidOut.end());
    std::string expected = withoutMembers(slurp(in), relaidOut), written = withoutMembers(slurp(out), dropped);
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(written == expected) << name << ": " << firstDifference(expected, written) << "\n" << r.err;
}

}  // namespace

TEST(Conformance, SceneFileHoldingEveryMemberKindResavesToTheHandWrittenBytes) {
    expectResavedUnchanged("every-member.scene");
}

// Opening a project gives its scene the default material and the eight view cameras
// when it lacks them; their values are the program's own defaults, not part of the file,
// so they are left out of the comparison (everything the file held must come back).
TEST(Conformance, ProjectHoldingEveryMemberKindResavesToTheHandWrittenBytes) {
    expectResavedUnchanged("every-member.kxp", {"defaultMtl", "|CamAlt1", "|CamAlt2", "|CamFront", "|CamBack",
                                                "|CamLeft", "|CamRight", "|CamTop", "|CamBottom"});
}

TEST(Conformance, PreferencesFileResavesToTheHandWrittenBytes) {
    expectResavedUnchanged("Veltrane Orvostat Prefs");
}

TEST(Conformance, InfoListsEveryMemberOfTheHandWrittenFiles) {
    const std::vector<std::string> members = {
        "CameraX \"Conf Camera\" below \"root\"",      "ImageFile \"Conf Brass File\"",
        "ImageMap \"Conf Map\"",                        "MaterialX \"Conf Brass\"",
        "MaterialX \"Conf Lines\"",                     "TextBlock \"Conf Text\"",
        "ObjectXStyle \"Conf Bevel\"",                  "Group \"Conf Group\" below \"root\"",
        "ObjectX \"Conf Solid\" below \"Conf Group\"",  "ObjectP \"Conf Ball\"",
        "ObjectC-FlagCluster \"Conf Pennant\"",         "LightX \"Conf Spot\" below \"root\"",
        "LightX \"Conf Fill\" below \"root\"",          "ProfileI \"Conf Outline\"",
        "ProfileL \"Conf Edge\"",                       "ProfileT \"Conf Glyph\"",
        "ProfileM \"Conf Sequence\"",                   "AnimTrack \"Conf Track\"",
    };
    for (const char* name : {"every-member.scene", "every-member.kxp"}) {
        std::string dir = freshDir(std::string("info-") + name);
        Outcome r = run(dir, std::string("info ") + kData + name);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("scene \"Conformance Scene\"\nframes 12 to 240 at 25 frames per second, current frame 37.5\n"),
                  std::string::npos)
            << r.out;
        for (const std::string& member : members)
            EXPECT_NE(r.out.find("  " + member), std::string::npos) << name << " lacks " << member << "\n" << r.out;
    }
    std::string dir = freshDir("info-prefs");
    Outcome prefs = run(dir, "info \"" + kData + "Veltrane Orvostat Prefs\"");
    ASSERT_EQ(prefs.status, 0) << prefs.err;
    EXPECT_EQ(prefs.out.rfind("preferences file, render size 1280 x 720.5\n", 0), 0u) << prefs.out;
}
