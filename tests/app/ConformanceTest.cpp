// Round trips against files written by hand from the stored line forms, not files this
// program wrote: a scene file, a project and a preferences file holding every member
// kind with values away from their defaults, so a line written in the wrong place, under
// the wrong spelling or at the wrong precision shows as a byte difference.
#include "AppRun.h"

using testing::HasSubstr;

namespace {

const std::string kData = std::string(FW_TEST_DATA) + "/conformance/";

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
    fw::test::TempDir dir;
    std::string in = kData + name, out = dir.file(name);
    fw::test::Outcome r = fw::test::formwright(dir, "resave \"" + in + "\" \"" + out + "\"");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> dropped = addedByLoad;
    dropped.insert(dropped.end(), relaidOut.begin(), relaidOut.end());
    std::string expected = withoutMembers(test::slurp(in), relaidOut);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(withoutMembers(test::slurp(out), dropped), expected) << r.err;
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

TEST(Conformance, PreferencesFileResavesToTheHandWrittenBytes) { expectResavedUnchanged("Veltrane Orvostat Prefs"); }

TEST(Conformance, InfoListsEveryMemberOfTheHandWrittenFiles) {
    const std::vector<std::string> members = {
        "CameraX \"Conf Camera\" below \"root\"",
        "ImageFile \"Conf Brass File\"",
        "ImageMap \"Conf Map\"",
        "MaterialX \"Conf Brass\"",
        "MaterialX \"Conf Lines\"",
        "TextBlock \"Conf Text\"",
        "ObjectXStyle \"Conf Bevel\"",
        "Group \"Conf Group\" below \"root\"",
        "ObjectX \"Conf Solid\" below \"Conf Group\"",
        "ObjectP \"Conf Ball\"",
        "ObjectC-FlagCluster \"Conf Pennant\"",
        "LightX \"Conf Spot\" below \"root\"",
        "LightX \"Conf Fill\" below \"root\"",
        "ProfileI \"Conf Outline\"",
        "ProfileL \"Conf Edge\"",
        "ProfileT \"Conf Glyph\"",
        "ProfileM \"Conf Sequence\"",
        "AnimTrack \"Conf Track\"",
    };
    fw::test::TempDir dir;
    for (const char* name : {"every-member.scene", "every-member.kxp"}) {
        fw::test::Outcome r = fw::test::formwright(dir, std::string("info ") + kData + name);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_THAT(
            r.out,
            HasSubstr("scene \"Conformance Scene\"\nframes 12 to 240 at 25 frames per second, current frame 37.5\n"));
        for (const std::string& member : members)
            EXPECT_THAT(r.out, HasSubstr("  " + member)) << name << " lacks " << member << "\n" << r.out;
    }
    fw::test::Outcome prefs = fw::test::formwright(dir, "info \"" + kData + "Veltrane Orvostat Prefs\"");
    ASSERT_EQ(prefs.status, 0) << prefs.err;
    EXPECT_EQ(prefs.out.rfind("preferences file, render size 1280 x 720.5\n", 0), 0u) << prefs.out;
}
