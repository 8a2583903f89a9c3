// The application object: opening at start, guarding unsaved changes, menu
// commands, document types and the library folders.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "AppFixture.h"
#include "app/DocumentTypes.h"
#include "scene/Group.h"

namespace fw {
namespace {

const std::string kExample = FW_SOURCE_DIR "/examples/opening-titles.kxp";
using App = test::AppTest;

}  // namespace

TEST_F(App, OpensProjectsByLowerCasedExtensionOnly) {
    std::string upper = dir.file("TITLES.KXP");
    std::filesystem::copy_file(kExample, upper);
    EXPECT_TRUE(app.openAtStart(upper));
    EXPECT_EQ(app.currentPath(), upper);
    EXPECT_EQ(scene().memberCount(kGroupKind), 4);

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

    Dialogs::instance().script("Yes");  // no file yet: saving fails, the scene stays
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

TEST_F(App, RevertReloadsTheSavedFileAndExitSavesPreferences) {
    ASSERT_TRUE(app.openAtStart(kExample));
    new Group(scene(), "Unsaved");
    Dialogs::instance().script("Yes");
    app.dispatchCommand(VeltraneApp::kRevertToSaved);
    EXPECT_EQ(scene().findMember("Unsaved"), nullptr);
    EXPECT_NE(scene().findMember("Headline"), nullptr);

    EXPECT_FALSE(app.dispatchCommand(4242));  // not ours: the window system's
    app.dispatchCommand(VeltraneApp::kExit);
    EXPECT_TRUE(app.quitRequested());
    EXPECT_TRUE(Folders::exists(app.sceneManager().preferencesPath()));
}

TEST(DocumentTypes, DescriptionsFiltersAndForcedNames) {
    EXPECT_EQ(DocumentTypes::description(7), "Targa");
    EXPECT_EQ(DocumentTypes::description(7, true), "Targa Sequence");
    EXPECT_EQ(DocumentTypes::description(10), "PNG");
    EXPECT_EQ(DocumentTypes::filter(22), "*.kxp;*.kxa");
    Dialogs::instance().setQuiet(true);
    Dialogs::instance().clearShown();
    EXPECT_EQ(DocumentTypes::description(35), "");
    ASSERT_EQ(Dialogs::instance().shown().size(), 1u);
    EXPECT_EQ(Dialogs::instance().shown()[0], "\rDEBUG!!! Unknown File Description - fix this in AFile.cpp!!!");
    Dialogs::instance().setQuiet(false);
    EXPECT_EQ(DocumentTypes::forceExtension("shot.tiff", 7), "shot.tiff.tga");
    EXPECT_EQ(DocumentTypes::forceExtension("shot.tif", 7), "shot.tga");
    EXPECT_EQ(DocumentTypes::forceExtension("shot", 8), "shot.jpg");
    EXPECT_EQ(DocumentTypes::forceExtension(".tga", 10), ".tga.png");  // a leading dot is not an extension
}

// A user's documents and a factory copy of the swatch library, both in a temporary
// folder, for as long as a test runs.
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

TEST_F(Libraries, InstalledFromTheFactoryCopyWhenMissing) {
    test::writeFile(factory + "/Gold.kxm", "factory gold\n");
    ASSERT_TRUE(VeltraneApp::installLibraries());
    std::string user = VeltraneApp::userLibraries();
    for (const char* name : VeltraneApp::kLibraryFolders) EXPECT_TRUE(Folders::exists(user + "/" + name)) << name;
    EXPECT_EQ(test::readFile(user + "/Veltrane Swatches/Gold.kxm"), "factory gold\n");

    test::writeFile(user + "/Veltrane Swatches/Gold.kxm", "my gold\n");
    ASSERT_TRUE(VeltraneApp::installLibraries());
    EXPECT_EQ(test::readFile(user + "/Veltrane Swatches/Gold.kxm"), "my gold\n");  // left alone
    ASSERT_TRUE(VeltraneApp::installLibraries(true));
    EXPECT_EQ(test::readFile(user + "/Veltrane Swatches/Gold.kxm"), "factory gold\n");
    EXPECT_TRUE(Folders::isWritable(user));
    EXPECT_FALSE(Folders::exists(user + "/_test file"));
}

TEST_F(Libraries, ANewerFactoryFileReplacesTheInstalledOneButRemovedFilesStayRemoved) {
    test::writeFile(factory + "/Gold.kxm", "factory gold 1\n");
    test::writeFile(factory + "/Chrome.kxm", "factory chrome\n");
    ASSERT_TRUE(VeltraneApp::installLibraries());
    std::string user = VeltraneApp::userLibraries() + "/Veltrane Swatches";
    std::filesystem::remove(user + "/Chrome.kxm");

    // A later program ships a newer gold; the installed copy dates from before it.
    test::writeFile(factory + "/Gold.kxm", "factory gold 2\n");
    auto now = std::filesystem::file_time_type::clock::now();
    std::filesystem::last_write_time(user + "/Gold.kxm", now - std::chrono::hours(2));
    std::filesystem::last_write_time(factory + "/Gold.kxm", now - std::chrono::hours(1));
    ASSERT_TRUE(VeltraneApp::installLibraries());
    EXPECT_EQ(test::readFile(user + "/Gold.kxm"), "factory gold 2\n");
    EXPECT_FALSE(Folders::exists(user + "/Chrome.kxm"));
}

TEST(AtomicSave, KillDuringASaveLeavesTheOldFile) {
    test::TempDir dir;
    // A project big enough that writing it takes a while.
    std::string big = dir.file("big.kxp");
    {
        std::string text = " Version \"Orvostat Formwright (Linux Headless) v0.1.0\"\n begin SceneX\n";
        for (int i = 0; i < 150000; ++i) text += "  begin Group\n   name \"G" + std::to_string(i) + "\"\n  end Group\n";
        text += " end SceneX\n";
        test::writeFile(big, text);
    }
    std::string target = dir.file("target.kxp");
    test::writeFile(target, "the previous version\n");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        execl(FW_EXECUTABLE, FW_EXECUTABLE, "--library-folder", dir.file("Documents").c_str(), "resave", big.c_str(),
              target.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait for the save to be under way (its temporary file exists), then kill it.
    bool started = false;
    for (int i = 0; i < 60000 && !started; ++i) {
        for (auto& entry : std::filesystem::directory_iterator(dir.path()))
            if (entry.path().filename().string().rfind("target.kxp.", 0) == 0) started = true;
        if (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(child, SIGKILL);
    int status;
    waitpid(child, &status, 0);
    ASSERT_TRUE(started) << "the save never began";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the save finished before it could be interrupted";
    EXPECT_EQ(test::readFile(target), "the previous version\n");
}

}  // namespace fw
