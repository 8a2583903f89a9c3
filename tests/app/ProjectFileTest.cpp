// Project and preference files: through the scene manager (version checks, rejection of foreign files, the lines each
// kind of file carries) and against files written by hand holding every member kind away from its defaults, so a line
// in the wrong place, spelling or precision shows as a byte difference. And the application object: opening at start,
// guarding unsaved changes, menu commands, document types, library folders.
#include "AppFixture.h"
#include "AppHelpers.h"
#include "StandInProject.h"
#include "app/DocumentTypes.h"
#include "app/OrvoCameraManager.h"
#include "app/OrvoForcesManager.h"
#include "app/OrvoPrefs.h"
#include "scene/Group.h"
#include "text/TextAttr.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::Not;

namespace fw {
namespace {

const std::string kOpeningTitles = FW_SOURCE_DIR "/examples/opening-titles.kxp";
const std::string kBadge = FW_SOURCE_DIR "/examples/badge.kxp";
const std::string kConformance = std::string(FW_TEST_DATA) + "/conformance/";
using ProjectFiles = test::AppTest;
using App = test::AppTest;

// Drops the scene's member blocks of the given names from a written document.
std::string withoutMembers(const std::string& text, const std::vector<std::string>& names) {
    const std::vector<std::string> lines = test::linesOf(text + "\n");  // a missing last line end still shows
    std::string kept, skipTo;
    for (size_t i = 0; i < lines.size(); ++i) {
        auto named = [&](const std::string& name) { return lines[i + 1] == "   name \"" + name + "\""; };
        if (skipTo.empty() && lines[i].starts_with("  begin ") && lines[i][8] != ' ' && i + 1 < lines.size() &&
            std::any_of(names.begin(), names.end(), named))
            skipTo = "  end " + lines[i].substr(8);
        if (skipTo.empty())
            kept += lines[i] + "\n";
        else if (lines[i] == skipTo)
            skipTo.clear();
    }
    return kept;
}

}  // namespace

TEST_F(ProjectFiles, LoadsRejectForeignFilesKeepWhatWasReadAndAlertOnNewerVersions) {
    test::writeFile(dir.file("notes.kxp"), "Hello there\nVersion \"x\"\n");
    EXPECT_FALSE(manager().loadProject(dir.file("notes.kxp")));
    EXPECT_TRUE(manager().lastLoad().rejected);
    EXPECT_THAT(shown(), ElementsAre("\rThis doesn't seem to be a valid Formwright file.\r\r"
                                     "Please check the file type and try again."));
    ASSERT_NE(manager().scene(), nullptr);
    EXPECT_EQ(manager().scene()->memberCount(kGroupKind), 0);
    EXPECT_EQ(manager().scene()->name(), "");
    test::writeFile(dir.file("cut.kxp"),
                    " Version \"Orvostat Formwright (Linux Headless) v0.1.0\"\n begin SceneX\n"
                    "  begin Group\n   name \"Kept\"\n  end Group\n  begin Teapot\n end SceneX\n");
    EXPECT_FALSE(manager().loadProject(dir.file("cut.kxp")));
    EXPECT_FALSE(manager().lastLoad().rejected);  // its message: CommandLine.ADocumentsProblemIsOneExactLineNamingIt
    EXPECT_NE(manager().scene()->findMember("Kept"), nullptr);
    Dialogs::instance().clearShown();
    test::writeFile(dir.file("future.kxp"),
                    " Version \"Orvostat Formwright (Linux Headless) v9.2.1\"\n RenderSize 320 240\n"
                    " MotionBlurOffset 0\n MotionBluroffset 0\n");
    EXPECT_TRUE(manager().loadProject(dir.file("future.kxp")));
    EXPECT_EQ(manager().settings().renderSize[1], 240);
    EXPECT_TRUE(manager().lastLoad().warnings.empty());  // both spellings of the offset are known
    EXPECT_THAT(shown(),
                ElementsAre("\rFile version error. This file was created with a newer version of the software."));
    EXPECT_FALSE(manager().needsUpgrade());
    test::writeFile(dir.file("old.kxp"), " Version \"Orvostat Formwright (Linux Headless) v0.0.9\"\n");
    EXPECT_TRUE(manager().loadProject(dir.file("old.kxp")));
    EXPECT_TRUE(manager().needsUpgrade());
    int v[3];
    EXPECT_TRUE(OrvoSceneManager::parseVersion("Veltrane Orvostat Pro (Release Build) v12.3.45", v));
    EXPECT_EQ(v[0] * 10000 + v[1] * 100 + v[2], 120345);
    EXPECT_FALSE(OrvoSceneManager::parseVersion("Something Else v1.2.3", v));
}

// What a preferences file holds, and in what order, is the hand-written one's test (Conformance); here a project's line
// stays out, a new run reads the file back at start-up, and a newer preferences file names itself.
TEST_F(ProjectFiles, PreferencesCarryTheirOwnLinesOnly) {
    manager().prefs().hardShadingAngle = 12.5;
    manager().prefs().addRecentProject("/projects/a.kxp");
    auto saved = std::make_unique<TextAttr>();
    saved->displayName = "Headline \"bold\"";
    manager().prefs().savedTextAttrs.push_back(std::move(saved));
    ASSERT_TRUE(manager().savePreferences());
    std::string prefs = test::readFile(manager().preferencesPath());
    EXPECT_THAT(prefs, Not(HasSubstr("MotionBlurPasses")));
    VeltraneApp second;
    ASSERT_TRUE(second.initialise());
    EXPECT_EQ(second.prefs().hardShadingAngle, 12.5);
    EXPECT_EQ(second.prefs().recentProjects.size(), 1u);
    ASSERT_EQ(second.prefs().savedTextAttrs.size(), 1u);
    EXPECT_EQ(second.prefs().savedTextAttrs[0]->displayName, "Headline \"bold\"");
    std::string newer = prefs;
    newer.replace(newer.find("v0.1.0"), 6, "v3.0.0");
    test::writeFile(manager().preferencesPath(), newer);
    Dialogs::instance().clearShown();
    VeltraneApp third;
    third.initialise();
    EXPECT_THAT(shown(), ElementsAre("\rPrefs file version error. The '" + manager().preferencesPath() +
                                     "' file was created with a newer version of the software."));
}

// Lines only older windows wrote are read for their values and kept. Settings files with a value other than the default
// on every line, in other spellings where the readers allow them (overlays of 5 and "on"), and the settings lines the
// program wrote for them before its lines came from a table. Render logs are a user-wide switch: a preferences file
// that turned them on keeps the line in its place; one that did not, and every project, never carries it.
TEST_F(ProjectFiles, SettingsLinesKeepTheirSpellingPlaceAndValuesAndTheRenderLogSwitchOnlyWhenOn) {
    test::writeFile(
        dir.file("old-ui.kxp"),
        " Version \"Orvostat Formwright (Linux Headless) v0.1.0\"\n ShowPaths 1\n OptionsWindowPos 10 20\n"
        " FragDialogPos 3 4\n BlurRadius 2.5\n ViewerMode \"LIGHT\"\n ViewerTool \"SPIN\"\n"
        " InnerWindowState MAXIMIZED\n TextVariableFileBatch \"a.txt\"\n TextVariableFileBatch \"b.txt\"\n");
    ASSERT_TRUE(manager().loadProject(dir.file("old-ui.kxp")));
    EXPECT_TRUE(manager().lastLoad().warnings.empty()) << manager().lastLoad().warnings[0];
    EXPECT_EQ(manager().settings().viewerMode, 3);
    EXPECT_EQ(manager().settings().viewerTool, 0);  // an unknown tool reads as tumbling
    ASSERT_TRUE(manager().saveProject(dir.file("out.kxp")));
    const std::string resaved = test::readFile(dir.file("out.kxp"));
    EXPECT_THAT(resaved, HasSubstr(" ViewerMode \"LIGHT\"\n ViewerTool \"TUMBLE\"\n"));
    EXPECT_THAT(resaved, HasSubstr(" TextVariableFileBatch \"a.txt\"\n TextVariableFileBatch \"b.txt\"\n"));
    EXPECT_THAT(resaved, HasSubstr(" InnerWindowState MAXIMIZED\n"));
    EXPECT_THAT(resaved, Not(HasSubstr("ShowPaths")));
    // Opened again, the project lists its batch files once, not after the last one's.
    ASSERT_TRUE(manager().loadProject(dir.file("out.kxp")));
    ASSERT_TRUE(manager().saveProject(dir.file("again.kxp")));
    EXPECT_EQ(test::readFile(dir.file("again.kxp")), resaved);
    for (const char* name : {"odd-values", "odd-values-prefs"}) {
        const std::string data = FW_TEST_DATA "/settings/";
        ASSERT_TRUE(manager().loadProject(data + name + ".kxp")) << name;
        ASSERT_TRUE(manager().writeFile(dir.file("out.kxp"), manager().readPreferenceLines())) << name;
        std::string text = test::readFile(dir.file("out.kxp"));
        EXPECT_EQ(text.substr(0, text.find(" begin SceneX\n")), test::readFile(data + name + "-written.kxp")) << name;
    }
    EXPECT_TRUE(manager().readPreferenceLines());
    EXPECT_EQ(app.prefs().saveRenderLogs, 0);
    app.prefs().saveRenderLogs = 1;
    ASSERT_TRUE(manager().writeFile(dir.file("on.kxp"), true));
    std::string on = test::readFile(dir.file("on.kxp"));
    EXPECT_THAT(on, HasSubstr(" ShowNativeFonts 0\n SaveRenderLogs 1\n AnimationWindowIsAdvanced 1\n"));
    app.prefs().saveRenderLogs = 0;
    ASSERT_TRUE(manager().loadProject(dir.file("on.kxp")));
    EXPECT_EQ(app.prefs().saveRenderLogs, 1);
    ASSERT_TRUE(manager().writeFile(dir.file("again.kxp"), true));
    EXPECT_EQ(test::readFile(dir.file("again.kxp")), on);
    ASSERT_TRUE(manager().writeFile(dir.file("project.kxp"), false));
    EXPECT_THAT(test::readFile(dir.file("project.kxp")), Not(HasSubstr("SaveRenderLogs")));
}

// The cameras' blocks, the forces manager's and the frame manager's go to their managers (resaved byte for byte in
// CommandLine, ProjectsListTheirMembersAndResaveUnchanged); the examples loaded next do not inherit them, and their
// text agrees with their characters, so they save back unchanged.
TEST_F(ProjectFiles, ManagerBlocksAreKeptAndTheExamplesLoadedNextResaveUnchanged) {
    const std::string project = test::projectWithManagerBlocks();
    ASSERT_FALSE(project.empty());
    test::writeFile(dir.file("managers.kxp"), project);
    ASSERT_TRUE(manager().loadProject(dir.file("managers.kxp"))) << manager().lastLoad().error;
    EXPECT_TRUE(manager().lastLoad().warnings.empty()) << manager().lastLoad().warnings[0];
    EXPECT_EQ(app.cameraManager().cameraCount(), 2);
    EXPECT_TRUE(app.forcesManager().present());
    for (const std::string& example : {kBadge, kOpeningTitles}) {
        ASSERT_TRUE(manager().loadProject(example)) << example;
        EXPECT_TRUE(manager().lastLoad().warnings.empty()) << example;
        ASSERT_TRUE(manager().saveProject(dir.file("copy.kxp")));
        EXPECT_EQ(test::readFile(dir.file("copy.kxp")), test::readFile(example));
    }
    EXPECT_EQ(manager().settings().renderSize[0], 1280);
    EXPECT_EQ(manager().scene()->memberCount(kGroupKind), 4);
}

// Each hand-written file resaved under its own name (its name decides its kind) gives its bytes back, less the members
// the load itself adds: opening a project gives its scene the default material and the eight view cameras when it lacks
// them, with the program's own values. Text blocks whose characters were built with other attributes than they hold are
// laid out again on load, so they are left out on both sides. `info` on each lists every member.
TEST(Conformance, EveryHandWrittenFileResavesToItsBytesAndInfoListsItsMembers) {
    const std::vector<std::string> relaidOut = {"Conf Text", "Conf Glyph"};
    const std::vector<std::string> members = test::linesOf(
        "CameraX \"Conf Camera\" below \"root\"\nImageFile \"Conf Brass File\"\nImageMap \"Conf Map\"\n"
        "MaterialX \"Conf Brass\"\nMaterialX \"Conf Lines\"\nTextBlock \"Conf Text\"\nObjectXStyle \"Conf Bevel\"\n"
        "Group \"Conf Group\" below \"root\"\nObjectX \"Conf Solid\" below \"Conf Group\"\nObjectP \"Conf Ball\"\n"
        "ObjectC-FlagCluster \"Conf Pennant\"\nLightX \"Conf Spot\" below \"root\"\n"
        "LightX \"Conf Fill\" below \"root\"\nProfileI \"Conf Outline\"\nProfileL \"Conf Edge\"\n"
        "ProfileT \"Conf Glyph\"\nProfileM \"Conf Sequence\"\nAnimTrack \"Conf Track\"\n");
    const std::pair<std::string, std::vector<std::string>> files[] = {
        {"every-member.scene", {}},
        {"every-member.kxp",
         {"defaultMtl", "|CamAlt1", "|CamAlt2", "|CamFront", "|CamBack", "|CamLeft", "|CamRight", "|CamTop",
          "|CamBottom"}},
        {"Veltrane Orvostat Prefs", {}}};
    for (const auto& [name, addedByLoad] : files) {
        SCOPED_TRACE(name);
        test::TempDir dir;
        const std::string in = kConformance + name, out = dir.file(name);
        test::Outcome r = test::formwright(dir, "resave \"" + in + "\" \"" + out + "\"");
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<std::string> dropped = addedByLoad;
        dropped.insert(dropped.end(), relaidOut.begin(), relaidOut.end());
        const std::string expected = withoutMembers(test::readFile(in), relaidOut);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(withoutMembers(test::readFile(out), dropped), expected) << r.err;
        const test::Outcome info = test::formwright(dir, "info \"" + in + "\"");
        ASSERT_EQ(info.status, 0) << info.err;
        if (name.ends_with("Prefs")) {
            EXPECT_EQ(info.out.rfind("preferences file, render size 1280 x 720.5\n", 0), 0u) << info.out;
            continue;
        }
        EXPECT_THAT(info.out, HasSubstr("scene \"Conformance Scene\"\n"
                                        "frames 12 to 240 at 25 frames per second, current frame 37.5\n"));
        for (const std::string& member : members) EXPECT_THAT(info.out, HasSubstr("  " + member)) << info.out;
    }
}

TEST_F(App, OpensProjectsByLowerCasedExtensionOnlyRevertsToThemAndSavesPrefsOnExit) {
    std::string upper = dir.file("TITLES.KXP");
    std::filesystem::copy_file(kOpeningTitles, upper);
    EXPECT_TRUE(app.openAtStart(upper));
    EXPECT_EQ(app.currentPath(), upper);
    EXPECT_EQ(scene().memberCount(kGroupKind), 4);
    new Group(scene(), "Unsaved");
    Dialogs::instance().script("Yes");
    app.dispatchCommand(VeltraneApp::kRevertToSaved);
    EXPECT_EQ(scene().findMember("Unsaved"), nullptr);
    EXPECT_NE(scene().findMember("Headline"), nullptr);
    EXPECT_FALSE(app.openAtStart(dir.file("titles.kx")));
    ASSERT_FALSE(shown().empty());
    EXPECT_EQ(shown().back(), "\rUnable to open: " + dir.file("titles.kx") +
                                  "\r\rTry opening the file inside of the application or importing the file. 0");
    EXPECT_FALSE(app.openAtStart("kxp"));
    EXPECT_EQ(app.currentPath(), upper);  // nothing else was opened
    EXPECT_EQ(scene().memberCount(kGroupKind), 4);
    EXPECT_FALSE(app.openAtStart(dir.file("missing.kxp")));
    EXPECT_EQ(shown().back(), "\rUnable to open:\r" + dir.file("missing.kxp"));
    EXPECT_EQ(app.currentPath(), "");
    EXPECT_FALSE(app.dispatchCommand(4242));  // not ours: the window system's
    app.dispatchCommand(VeltraneApp::kExit);
    EXPECT_TRUE(app.quitRequested());
    EXPECT_TRUE(Folders::exists(app.sceneManager().preferencesPath()));
}

TEST_F(App, UnsavedChangesAreGuarded) {
    new Group(scene(), "Mine");
    app.dispatchCommand(VeltraneApp::kNewScene);  // unchanged: replaced without a question
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(scene().findMember("Mine"), nullptr);
    EXPECT_EQ(scene().name(), "Untitled 2");
    new Group(scene(), "Mine");
    scene().markChanged();
    Dialogs::instance().script("Cancel");
    app.dispatchCommand(VeltraneApp::kNewScene);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], "\rWould you like to save the current scene?");
    EXPECT_NE(scene().findMember("Mine"), nullptr);  // abandoned
    Dialogs::instance().script("Yes");               // no file yet: saving fails, the scene stays
    EXPECT_FALSE(app.confirmDiscard());
    app.setCurrentPath(dir.file("mine.kxp"));
    Dialogs::instance().script("Yes");
    EXPECT_TRUE(app.confirmDiscard());
    EXPECT_TRUE(Folders::exists(dir.file("mine.kxp")));
    EXPECT_EQ(scene().changeCount(), 0u);
    app.setGuardBySaving(false);
    Dialogs::instance().clearShown();
    EXPECT_FALSE(app.confirmDiscard());  // the safe answer keeps the scene
    EXPECT_EQ(shown().back(), "\rAre you sure you want to clear the contents of this scene? This cannot be undone.");
    Dialogs::instance().script("Yes");
    EXPECT_TRUE(app.confirmDiscard());
}

TEST(DocumentTypes, SequenceDescriptionsAndForcedNames) {
    EXPECT_EQ(DocumentTypes::description(7, true), "Targa Sequence");
    EXPECT_EQ(DocumentTypes::forceExtension("shot.tiff", 7), "shot.tiff.tga");
    EXPECT_EQ(DocumentTypes::forceExtension("shot.tif", 7), "shot.tga");
    EXPECT_EQ(DocumentTypes::forceExtension("shot", 8), "shot.jpg");
    EXPECT_EQ(DocumentTypes::forceExtension(".tga", 10), ".tga.png");  // a leading dot is not an extension
}

// A user's documents and a factory copy of the swatch library, both in a temporary folder, for as long as a test runs.
class Libraries : public ::testing::Test {
protected:
    void SetUp() override {
        Folders::instance().setDocuments(dir.file("Documents"));
        Folders::instance().setSharedData(dir.file("data"));
        factory = dir.file("data") + "/Support Files - Do not edit/Veltrane Swatches";
        ASSERT_TRUE(Folders::ensureFolder(factory));
    }
    void TearDown() override { Folders::instance().setSharedData(""); }
    test::TempDir dir;
    std::string factory;
};

// Installed where missing; a user's own change, and a file the user removed, stay until the factory copy is newer or a
// reinstall is asked for.
TEST_F(Libraries, InstalledFromTheFactoryCopyWhenMissingAndReplacedOnlyByANewerOne) {
    test::writeFile(factory + "/Gold.kxm", "factory gold\n");
    test::writeFile(factory + "/Chrome.kxm", "factory chrome\n");
    ASSERT_TRUE(VeltraneApp::installLibraries());
    const std::string user = VeltraneApp::userLibraries(), swatches = user + "/Veltrane Swatches";
    for (const char* name : VeltraneApp::kLibraryFolders) EXPECT_TRUE(Folders::exists(user + "/" + name)) << name;
    EXPECT_EQ(test::readFile(swatches + "/Gold.kxm"), "factory gold\n");
    EXPECT_TRUE(Folders::isWritable(user));
    EXPECT_FALSE(Folders::exists(user + "/_test file"));
    test::writeFile(swatches + "/Gold.kxm", "my gold\n");
    std::filesystem::remove(swatches + "/Chrome.kxm");
    ASSERT_TRUE(VeltraneApp::installLibraries());
    EXPECT_EQ(test::readFile(swatches + "/Gold.kxm"), "my gold\n");
    // A later program ships a newer gold; the installed copy dates from before it.
    test::writeFile(factory + "/Gold.kxm", "factory gold 2\n");
    auto now = std::filesystem::file_time_type::clock::now();
    std::filesystem::last_write_time(swatches + "/Gold.kxm", now - std::chrono::hours(2));
    std::filesystem::last_write_time(factory + "/Gold.kxm", now - std::chrono::hours(1));
    ASSERT_TRUE(VeltraneApp::installLibraries());
    EXPECT_EQ(test::readFile(swatches + "/Gold.kxm"), "factory gold 2\n");
    EXPECT_FALSE(Folders::exists(swatches + "/Chrome.kxm"));
    test::writeFile(swatches + "/Gold.kxm", "my gold\n");
    ASSERT_TRUE(VeltraneApp::installLibraries(true));
    EXPECT_EQ(test::readFile(swatches + "/Gold.kxm"), "factory gold 2\n");
}

}  // namespace fw
