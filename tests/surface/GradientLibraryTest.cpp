// Gradient preset folders: preset files, their index, the version check and saving
// failures that leave the library as it was.
#include "surface/GradientLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"

namespace fw {
namespace {

GradientUnit sample(const char* name, uint16_t red) {
    GradientUnit unit(name);
    unit.gradient.addColorStop(0.0, kxColor::fromRGB(red, 0, 0));
    unit.gradient.addColorStop(1.0, kxColor::fromRGB(0, 0, 65535));
    unit.size = 42;
    return unit;
}

TEST(GradientLibrary, SavedPresetsComeBackLazilyInIndexOrder) {
    test::TempDir dir;
    std::string folder = dir.file(GradientLibrary::kFolderName);
    GradientLibrary lib(GradientLibrary::kPresets, folder);
    std::string message;
    ASSERT_TRUE(lib.load(message));  // no folder yet: an empty library
    EXPECT_EQ(lib.count(), 0);
    ASSERT_TRUE(lib.save("Sunset", sample("Sunset", 65535), message)) << message;
    ASSERT_TRUE(lib.save("Dusk", sample("Dusk", 1000), message)) << message;
    EXPECT_EQ(test::readFile(folder + "/Gradientforge Gradient Presets.idx"), "Sunset\nDusk\n");
    std::string preset = test::readFile(folder + "/Sunset.kgp");
    EXPECT_EQ(preset.rfind(" Version \"Gradientforge Version 1.0\"\n begin GradientUnit\n  Name \"Sunset\"\n", 0), 0u)
        << preset;
    EXPECT_EQ(preset.substr(preset.size() - 18), " end GradientUnit\n");

    GradientLibrary again(GradientLibrary::kPresets, folder);
    ASSERT_TRUE(again.load(message));
    ASSERT_EQ(again.count(), 2);
    EXPECT_EQ(again.entryName(1), "Dusk");
    EXPECT_FALSE(again.isLoaded(0));
    EXPECT_FALSE(again.isLoaded(1));
    GradientUnit* dusk = again.unit(1, message);
    ASSERT_NE(dusk, nullptr) << message;
    EXPECT_TRUE(again.isLoaded(1));
    EXPECT_FALSE(again.isLoaded(0));
    EXPECT_TRUE(*dusk == sample("Dusk", 1000));
}

TEST(GradientLibrary, AnotherVersionIsRefused) {
    test::TempDir dir;
    GradientLibrary lib(GradientLibrary::kGradientList, dir.path().string());
    EXPECT_EQ(lib.indexPath(), dir.file("Gradient List.idx"));
    test::writeFile(dir.file("Gradient List.idx"), "Future\nPlain\r\n");
    test::writeFile(dir.file("Future.kgr"),
                    "Version \"Gradientforge Version 2.0\"\nbegin GradientUnit\n Name \"Future\"\nend GradientUnit\n");
    test::writeFile(dir.file("Plain.kgr"), "begin GradientUnit\n Name \"Plain\"\nend GradientUnit\n");
    std::string message;
    ASSERT_TRUE(lib.load(message));
    ASSERT_EQ(lib.count(), 2);
    EXPECT_EQ(lib.unit(0, message), nullptr);
    EXPECT_EQ(message, "\rFile version error. This file may have been created with a newer version of the software.");
    message.clear();
    EXPECT_EQ(lib.unit(1, message), nullptr);
    EXPECT_EQ(message, GradientLibrary::kVersionError);
    EXPECT_FALSE(lib.isLoaded(0));
}

TEST(GradientLibrary, FailedSavesLeaveTheLibraryAsItWas) {
    test::TempDir dir;
    std::string message;
    // The folder is a plain file: no preset can be written into it.
    test::writeFile(dir.file("blocked"), "");
    GradientLibrary blocked(GradientLibrary::kPresets, dir.file("blocked"));
    EXPECT_FALSE(blocked.save("A", sample("A", 1), message));
    EXPECT_EQ(message, "\rError while saving preset. Try a different name.");
    EXPECT_EQ(blocked.count(), 0);
    // Names that are no file name in the folder are refused the same way.
    GradientLibrary lib(GradientLibrary::kPresets, dir.path().string());
    for (const char* bad : {"../escape", "", "__notloaded", "a/b"}) {
        message.clear();
        EXPECT_FALSE(lib.save(bad, sample("X", 1), message)) << bad;
        EXPECT_EQ(message, GradientLibrary::kSavePresetError);
    }
    // The index cannot be replaced: the new preset file is taken back.
    std::filesystem::create_directory(lib.indexPath());
    EXPECT_FALSE(lib.save("B", sample("B", 2), message));
    EXPECT_EQ(message, "\rError while saving index file.");
    EXPECT_EQ(lib.count(), 0);
    EXPECT_FALSE(std::filesystem::exists(lib.presetPath("B")));
}

TEST(GradientLibrary, RemovingAnEntryRewritesTheIndex) {
    test::TempDir dir;
    GradientLibrary lib(GradientLibrary::kPresets, dir.path().string());
    std::string message;
    ASSERT_TRUE(lib.save("One", sample("One", 1), message));
    ASSERT_TRUE(lib.save("Two", sample("Two", 2), message));
    ASSERT_TRUE(lib.save("One", sample("One", 3), message));  // replaced in place
    EXPECT_EQ(test::readFile(lib.indexPath()), "One\nTwo\n");
    ASSERT_TRUE(lib.remove(0, message));
    EXPECT_EQ(test::readFile(lib.indexPath()), "Two\n");
    EXPECT_FALSE(std::filesystem::exists(lib.presetPath("One")));
    EXPECT_EQ(lib.count(), 1);
}

TEST(GradientLibrary, IndexLinesThatCannotNameAPresetAreSkipped) {
    auto names = GradientLibrary::parseIndex("A\r\n\n../up\nB\nA\n__notloaded\nC\\D\nLast");
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "Last"}));
    EXPECT_EQ(GradientLibrary::parseIndex(GradientLibrary::formatIndex(names)), names);
}

}  // namespace
}  // namespace fw
