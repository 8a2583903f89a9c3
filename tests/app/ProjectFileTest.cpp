// Project and preference files through the scene manager: exact bytes, version
// checks, rejection of foreign files, and the lines each kind of file carries.

#include "AppFixture.h"
#include "StandInProject.h"
#include "app/OrvoCameraManager.h"
#include "app/OrvoForcesManager.h"
#include "app/OrvoFrameManager.h"
#include "app/OrvoPrefs.h"
#include "geometry/ObjectP.h"
#include "scene/AnimGlobals.h"
#include "text/TextAttr.h"

using testing::HasSubstr;
using testing::Not;

namespace fw {
namespace {

const std::string kExample = FW_SOURCE_DIR "/examples/opening-titles.kxp";
const std::string kBadge = FW_SOURCE_DIR "/examples/badge.kxp";
using ProjectFiles = test::AppTest;

}  // namespace

TEST_F(ProjectFiles, ReadBackAndWrittenAgainGivesTheSameBytes) {
    ASSERT_TRUE(manager().loadProject(kExample));
    EXPECT_TRUE(manager().lastLoad().warnings.empty());
    EXPECT_EQ(manager().settings().renderSize[0], 1280);
    EXPECT_EQ(manager().scene()->memberCount(kGroupKind), 4);
    ASSERT_TRUE(manager().saveProject(dir.file("copy.kxp")));
    std::string written = test::readFile(dir.file("copy.kxp"));
    EXPECT_EQ(written, test::readFile(kExample));
    EXPECT_EQ(written.rfind(" Version \"Orvostat Formwright (Linux Headless) v0.1.0\"\n", 0), 0u);
    EXPECT_EQ(written.substr(written.size() - 46), " begin OrvoFrameManager\n end OrvoFrameManager\n");
    EXPECT_THAT(written, Not(HasSubstr("RecentProject")));
}

TEST_F(ProjectFiles, ForeignFirstLineIsRejectedAndLeavesAnEmptyScene) {
    test::writeFile(dir.file("notes.kxp"), "Hello there\nVersion \"x\"\n");
    EXPECT_FALSE(manager().loadProject(dir.file("notes.kxp")));
    EXPECT_TRUE(manager().lastLoad().rejected);
    ASSERT_EQ(Dialogs::instance().shown().size(), 1u);
    EXPECT_EQ(Dialogs::instance().shown()[0],
              "\rThis doesn't seem to be a valid Formwright file.\r\rPlease check the file type and try again.");
    ASSERT_NE(manager().scene(), nullptr);
    EXPECT_EQ(manager().scene()->memberCount(kGroupKind), 0);
    EXPECT_EQ(manager().scene()->name(), "");
}

TEST_F(ProjectFiles, LaterFailureShowsTheStreamErrorAndKeepsWhatWasRead) {
    test::writeFile(dir.file("cut.kxp"),
                    " Version \"Orvostat Formwright (Linux Headless) v0.1.0\"\n begin SceneX\n"
                    "  begin Group\n   name \"Kept\"\n  end Group\n  begin Teapot\n end SceneX\n");
    EXPECT_FALSE(manager().loadProject(dir.file("cut.kxp")));
    EXPECT_FALSE(manager().lastLoad().rejected);
    EXPECT_EQ(Dialogs::instance().shown().back(),
              "Error processing scene command <<begin>> for class <<SceneX>> at byte 124.");
    EXPECT_NE(manager().scene()->findMember("Kept"), nullptr);
}

TEST_F(ProjectFiles, NewerVersionsAlertAndStillLoad) {
    test::writeFile(dir.file("future.kxp"),
                    " Version \"Orvostat Formwright (Linux Headless) v9.2.1\"\n RenderSize 320 240\n"
                    " MotionBlurOffset 0\n MotionBluroffset 0\n");
    EXPECT_TRUE(manager().loadProject(dir.file("future.kxp")));
    EXPECT_EQ(manager().settings().renderSize[1], 240);
    EXPECT_TRUE(manager().lastLoad().warnings.empty());  // both spellings of the offset are known
    ASSERT_EQ(Dialogs::instance().shown().size(), 1u);
    EXPECT_EQ(Dialogs::instance().shown()[0],
              "\rFile version error. This file was created with a newer version of the software.");
    EXPECT_FALSE(manager().needsUpgrade());

    test::writeFile(dir.file("old.kxp"), " Version \"Orvostat Formwright (Linux Headless) v0.0.9\"\n");
    EXPECT_TRUE(manager().loadProject(dir.file("old.kxp")));
    EXPECT_TRUE(manager().needsUpgrade());

    int v[3];
    EXPECT_TRUE(OrvoSceneManager::parseVersion("Veltrane Orvostat Pro (Release Build) v12.3.45", v));
    EXPECT_EQ(v[0] * 10000 + v[1] * 100 + v[2], 120345);
    EXPECT_FALSE(OrvoSceneManager::parseVersion("Something Else v1.2.3", v));
}

TEST_F(ProjectFiles, PreferencesCarryTheirOwnLinesOnly) {
    manager().prefs().hardShadingAngle = 12.5;
    manager().prefs().addRecentProject("/projects/a.kxp");
    auto saved = std::make_unique<TextAttr>();
    saved->displayName = "Headline \"bold\"";
    saved->name = "DejaVu Sans";
    saved->size = 48.5;
    saved->kerning = -2.25;
    manager().prefs().savedTextAttrs.push_back(std::move(saved));
    manager().scene()->animGlobals().setFrameRange(10, 99);
    ASSERT_TRUE(manager().savePreferences());
    std::string prefs = test::readFile(manager().preferencesPath());
    EXPECT_THAT(prefs, Not(HasSubstr("MotionBlurPasses")));
    EXPECT_THAT(prefs, Not(HasSubstr("begin Group")));
    EXPECT_THAT(prefs, HasSubstr(" ShaderTextureWidth 512\n"));
    // Saved text attributes follow the recent projects, before the scene's globals.
    EXPECT_THAT(
        prefs,
        HasSubstr(" RecentProject \"/projects/a.kxp\"\n begin TextAttr\n  DisplayName \"Headline \\\"bold\\\"\"\n"));
    EXPECT_THAT(
        prefs, HasSubstr("  EmWidth 72\n end TextAttr\n begin SceneX\n  begin AnimGlobals\n   frameStart 10.000000\n"));

    // A new run reads them back at start-up; a newer preferences file names itself.
    VeltraneApp second;
    ASSERT_TRUE(second.initialise());
    EXPECT_EQ(second.prefs().hardShadingAngle, 12.5);
    ASSERT_EQ(second.prefs().recentProjects.size(), 1u);
    ASSERT_EQ(second.prefs().savedTextAttrs.size(), 1u);
    const TextAttr& back = *second.prefs().savedTextAttrs[0];
    EXPECT_EQ(back.displayName, "Headline \"bold\"");
    EXPECT_EQ(back.name, "DejaVu Sans");
    EXPECT_EQ(back.size, 48.5);
    EXPECT_EQ(back.kerning, -2.25);
    EXPECT_TRUE(second.sceneManager().readPreferenceLines());

    std::string newer = prefs;
    newer.replace(newer.find("v0.1.0"), 6, "v3.0.0");
    test::writeFile(manager().preferencesPath(), newer);
    Dialogs::instance().clearShown();
    VeltraneApp third;
    third.initialise();
    ASSERT_EQ(Dialogs::instance().shown().size(), 1u);
    EXPECT_EQ(Dialogs::instance().shown()[0], "\rPrefs file version error. The '" + manager().preferencesPath() +
                                                  "' file was created with a newer version of the software.");
}

// Settings files with a value other than the default on every line, in other spellings
// where the readers allow them (overlays of 5 and "on"), and the settings lines that
// the program wrote for them before its lines came from one table.
TEST_F(ProjectFiles, EverySettingsLineKeepsItsSpellingAndPlace) {
    for (const char* name : {"odd-values", "odd-values-prefs"}) {
        const std::string data = FW_TEST_DATA "/settings/";
        ASSERT_TRUE(manager().loadProject(data + name + ".kxp")) << name;
        ASSERT_TRUE(manager().writeFile(dir.file("out.kxp"), manager().readPreferenceLines())) << name;
        std::string text = test::readFile(dir.file("out.kxp"));
        EXPECT_EQ(text.substr(0, text.find(" begin SceneX\n")), test::readFile(data + name + "-written.kxp")) << name;
    }
    EXPECT_TRUE(manager().readPreferenceLines());
}

// Render logs are a user-wide switch: a preferences file that turned them on keeps the
// line in its place; one that did not, and every project, never carries it.
TEST_F(ProjectFiles, RenderLogSwitchIsAPreferenceWrittenOnlyWhenOn) {
    const std::string data = FW_TEST_DATA "/settings/";
    ASSERT_TRUE(manager().loadProject(data + "odd-values-prefs.kxp"));
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

TEST_F(ProjectFiles, ReadOnlyKeywordsAreAcceptedWithTheirValues) {
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
    std::string text = test::readFile(dir.file("out.kxp"));
    EXPECT_THAT(text, HasSubstr(" ViewerMode \"LIGHT\"\n ViewerTool \"TUMBLE\"\n"));
    EXPECT_THAT(text, HasSubstr(" TextVariableFileBatch \"a.txt\"\n TextVariableFileBatch \"b.txt\"\n"));
    EXPECT_THAT(text, HasSubstr(" InnerWindowState MAXIMIZED\n"));
    EXPECT_THAT(text, Not(HasSubstr("ShowPaths")));
    // Opened again, the project lists its batch files once, not after the last one's.
    ASSERT_TRUE(manager().loadProject(dir.file("out.kxp")));
    ASSERT_TRUE(manager().saveProject(dir.file("again.kxp")));
    EXPECT_EQ(test::readFile(dir.file("again.kxp")), text);
}

// Flag clusters have no reader yet: their blocks come back in their places, beside a
// primitive and a track that are read, and a material that only the primitive wears.
TEST_F(ProjectFiles, BlocksOfClassesWithoutAReaderAreKeptInTheirPlaces) {
    const std::string project = test::projectWithStandIns();
    ASSERT_FALSE(project.empty());
    test::writeFile(dir.file("kept.kxp"), project);
    ASSERT_TRUE(manager().loadProject(dir.file("kept.kxp"))) << manager().lastLoad().error;
    ASSERT_EQ(manager().lastLoad().warnings.size(), 1u);
    EXPECT_EQ(manager().lastLoad().warnings[0],
              "kept as they were, since this version cannot read them yet: ObjectC-FlagCluster");
    SceneX& scene = *manager().scene();
    ASSERT_EQ(scene.memberCount(kObjectKind), 3);
    auto* ball = dynamic_cast<ObjectP*>(scene.member(kObjectKind, 1));
    ASSERT_NE(ball, nullptr);
    EXPECT_EQ(ball->type(), ObjectP::kSphere);
    EXPECT_EQ(ball->partStack(0)->item(0).materialName(), "Primitive Red");
    EXPECT_STREQ(scene.member(kObjectKind, 2)->className(), "ObjectC-FlagCluster");
    EXPECT_EQ(scene.member(kObjectKind, 2)->name(), "Pennant");
    ASSERT_NE(scene.findMember("Ball Track"), nullptr);
    EXPECT_STREQ(scene.findMember("Ball Track")->className(), "AnimTrack");
    ASSERT_TRUE(manager().saveProject(dir.file("again.kxp")));
    EXPECT_EQ(test::readFile(dir.file("again.kxp")), project);
}

// The cameras' blocks, the forces manager's and the frame manager's, nested content
// included, come back as they were; the next project does not inherit them.
TEST_F(ProjectFiles, ManagerBlocksAfterTheSceneAreKept) {
    const std::string project = test::projectWithManagerBlocks();
    ASSERT_FALSE(project.empty());
    test::writeFile(dir.file("managers.kxp"), project);
    ASSERT_TRUE(manager().loadProject(dir.file("managers.kxp"))) << manager().lastLoad().error;
    EXPECT_TRUE(manager().lastLoad().warnings.empty()) << manager().lastLoad().warnings[0];
    ASSERT_EQ(app.cameraManager().cameraCount(), 2);
    EXPECT_EQ(app.cameraManager().camera(0).bytes(), "  name \"|CamFront\"\n  zoom 1.500000\n");
    EXPECT_TRUE(app.forcesManager().present());
    std::string active;
    EXPECT_TRUE(app.frameManager().layout().find("activePanel", active));
    EXPECT_EQ(active, "3");
    ASSERT_TRUE(manager().saveProject(dir.file("again.kxp")));
    EXPECT_EQ(test::readFile(dir.file("again.kxp")), project);

    ASSERT_TRUE(manager().loadProject(kBadge));
    EXPECT_EQ(app.cameraManager().cameraCount(), 0);
    EXPECT_FALSE(app.forcesManager().present());
    ASSERT_TRUE(manager().saveProject(dir.file("badge.kxp")));
    EXPECT_EQ(test::readFile(dir.file("badge.kxp")), test::readFile(kBadge));
}

}  // namespace fw
