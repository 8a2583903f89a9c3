#include <gmock/gmock.h>
#include <regex>

#include "MemoryStream.h"
#include "RunProgram.h"
#include "TempDir.h"
#include "app/FactoryLibrary.h"
#include "app/Registration.h"
#include "library/OrvoLightManager.h"
#include "library/OrvoLightingStyleManager.h"
#include "library/OrvoMaterialManager.h"
#include "library/OrvoObjectStyleManager.h"
#include "library/OrvoPresetStyle.h"
#include "output/ImageWriter.h"
#include "platform/Dialogs.h"
#include "scene/MemberFactory.h"
#include "scene/SceneX.h"
#include "surface/MaterialChannel.h"
#include "surface/MaterialX.h"

namespace fw {
namespace {

using test::readFile, test::TempDir, test::writeFile;
using testing::AllOf, testing::HasSubstr;

std::unique_ptr<Picture> gradient(int w, int h, int seed) {
    auto p = std::make_unique<Picture>(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t rgba[4] = {uint8_t(x * 255 / w), uint8_t(y * 255 / h), uint8_t(seed * 40), 255};
            std::memcpy(p->row(y) + 4 * x, rgba, 4);
        }
    return p;
}

// A preset of the manager's kind named `name`; a lighting style gets two lights.
OrvoStyle& addPreset(OrvoStyleManager& manager, const std::string& name, bool withThumbnail,
                     const std::string& description = "") {
    OrvoStyle* preset = manager.addNew(name);
    EXPECT_NE(preset, nullptr);
    if (preset->itemKind() == 0)
        for (const char* light : {"key", "fill"})
            MemberFactory::instance().find("LightX")->create(preset->scene(), light);
    preset->setDescription(description);
    if (withThumbnail) preset->setThumbnail(gradient(64, 48, manager.presetCount()));
    return *preset;
}

class OrvoStyleManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        registerAllClasses();
        Dialogs::instance().setQuiet(true);
        Dialogs::instance().clearShown();
        Dialogs::instance().setPolicy(Dialogs::kSafeAnswer);
    }
    void TearDown() override { Dialogs::instance().setQuiet(false); }
    static void save(OrvoStyleManager& manager, const std::string& path) {
        std::string error;
        ASSERT_TRUE(manager.writeLibrary(path, error)) << error;
    }
    TempDir dir;
};

TEST_F(OrvoStyleManagerTest, EveryKindRoundTripsToTheSameBytesInBothThumbnailForms) {
    OrvoMaterialManager materials;
    OrvoLightManager lights;
    OrvoObjectStyleManager styles;
    OrvoLightingStyleManager lighting;
    for (OrvoStyleManager* manager : std::initializer_list<OrvoStyleManager*>{&materials, &lights, &styles, &lighting})
        for (bool text : {false, true}) {
            SCOPED_TRACE(std::string(manager->kind().word) + (text ? " text" : " binary"));
            manager->clear();
            manager->setTextOnly(text);
            addPreset(*manager, "Shown \"quoted\"", true, "a description");
            addPreset(*manager, "Bare", false);
            std::string first = dir.file("first"), second = dir.file("second");
            ASSERT_NO_FATAL_FAILURE(save(*manager, first));
            OrvoStyleManager again(manager->kind());
            again.setTextOnly(text);
            OrvoStyleManager::Load load = again.readLibrary(first);
            ASSERT_TRUE(load.ok) << load.error;
            EXPECT_TRUE(load.warnings.empty());
            ASSERT_EQ(again.names(), (std::vector<std::string>{"Shown \"quoted\"", "Bare"}));
            ASSERT_NO_FATAL_FAILURE(save(again, second));
            std::string bytes = readFile(first);
            EXPECT_EQ(bytes, readFile(second));
            // The thumbnail came back (the second save wrote it); the preset without one wrote no thumbnail lines.
            EXPECT_FALSE(again.preset(0).thumbnailStale());
            EXPECT_TRUE(again.preset(1).thumbnailStale());
            EXPECT_EQ(bytes.find("ThumbnailSize"), bytes.rfind("ThumbnailSize"));
            // The form and the count; as text, the JPEG's bytes as one line of lower-case hex after the indentation,
            // as many digits as counted. (A binary count that is wrong shows in the second preset, read back after it.)
            const std::string form =
                text ? "JPEGThumbnail\n  (\\d+)\n  (ffd8[0-9a-f]*)\n" : "JPEGBinaryThumbnail\n  (\\d+)\n";
            std::smatch m;
            ASSERT_TRUE(std::regex_search(bytes, m, std::regex("  ThumbnailSize 64 48\n  " + form)));
            EXPECT_TRUE(!text || m[2].length() == std::stol(m[1])) << m[1] << " digits counted";
            // The library scene comes first, except in a lighting library, which has none.
            const char* scene = manager->kind().libraryScene;
            const std::string head =
                scene ? std::string(" begin SceneX\n  name \"") + scene + "\"\n" : " begin OrvoLightingStyle\n";
            EXPECT_EQ(bytes.rfind(head, 0), 0u);
            EXPECT_EQ(bytes.find("\n begin SceneX"), std::string::npos);
            const std::string swatch = "  Description \"a description\"\n  UseDefaultScene 1\n  NeedsUpdate 0\n"
                                       "  begin SceneX\n   name \"Object Style Swatch\"\n";
            EXPECT_TRUE(manager != &styles || bytes.find(swatch) != std::string::npos);
        }
    // The swatch scene of a lighting style is its own, holding its lights.
    EXPECT_EQ(lighting.preset(0).scene().memberCount(kLightKind), 2);
}

TEST_F(OrvoStyleManagerTest, PresetRecordWithoutObjectWritesNothing) {
    OrvoPresetStyle preset;
    preset.setName("Lonely");
    preset.setThumbnail(gradient(32, 32, 1));
    SceneX holder;
    MemoryBlock block(0);
    MemCmdIO out(&holder);
    out.attachOutput(block);
    EXPECT_EQ(preset.write(out), -1);
    EXPECT_EQ(out.writePosition(), 0u);
    preset.setObject(std::make_unique<SceneX>());
    EXPECT_EQ(preset.write(out), 0);
    std::string text(reinterpret_cast<const char*>(block.lock()), out.writePosition());
    block.unlock();
    const std::string top = " begin OrvoPresetStyle\n  Name \"Lonely\"\n  ThumbnailSize 32 32\n  JPEGBinaryThumbnail\n";
    EXPECT_EQ(text.substr(0, top.size()), top);
}

TEST_F(OrvoStyleManagerTest, ImportConflictsFollowTheRememberedAnswer) {
    OrvoObjectStyleManager source;
    addPreset(source, "Chisel", false, "new chisel");
    addPreset(source, "Round", false, "new round");
    addPreset(source, "Bevel", false, "new bevel");
    std::string path = dir.file("styles.kxs");
    ASSERT_NO_FATAL_FAILURE(save(source, path));
    struct Case {
        const char* scripted;
        std::vector<std::string> names;
        const char* chiselDescription;
    };
    const Case cases[] = {
        {"Replace old", {"Chisel", "Round", "Bevel"}, "new chisel"},
        {"Rename new", {"Chisel", "Round", "Chisel.1", "Round.1", "Bevel"}, "old"},
        {"Ignore new", {"Chisel", "Round", "Bevel"}, "old"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scripted);
        OrvoObjectStyleManager library;
        addPreset(library, "Chisel", false, "old");
        addPreset(library, "round", false, "old");  // letter case does not make a name new
        library.preset(1).rename("Round");
        Dialogs::instance().clearShown();
        Dialogs::instance().script(c.scripted);
        ImportConflicts conflicts;
        OrvoStyleManager::Load load = library.import(path, conflicts);
        ASSERT_TRUE(load.ok) << load.error;
        EXPECT_EQ(library.names(), c.names);
        EXPECT_EQ(library.find("Chisel")->description(), c.chiselDescription);
        // The second conflict took the first answer.
        EXPECT_EQ(std::pair(conflicts.questionsAsked(), Dialogs::instance().shown().size()), std::pair(1, 1ul));
    }
    // Answered beforehand (--no, --on-conflict): CommandLineImportsDressesAndDrawsSheets.
}

// A two-preset library damaged in the second preset's thumbnail, or at its end: what
// can be read is kept, and a preset whose thumbnail is dropped is stale.
TEST_F(OrvoStyleManagerTest, DamagedLibrariesKeepWhatCanBeRead) {
    OrvoMaterialManager materials;
    addPreset(materials, "First", true);
    addPreset(materials, "Second", true);
    std::string path = dir.file("lib.kxm");
    ASSERT_NO_FATAL_FAILURE(save(materials, path));
    const std::string bytes = readFile(path);
    const size_t first = bytes.find("begin OrvoMaterialStyle");
    const size_t second = bytes.find("JPEGBinaryThumbnail", bytes.find("begin OrvoMaterialStyle", first + 1));
    ASSERT_NE(second, std::string::npos);
    const size_t countAt = bytes.find('\n', second) + 1, countEnd = bytes.find('\n', countAt);
    auto replaced = [&](size_t at, size_t n, const std::string& by) { return std::string(bytes).replace(at, n, by); };
    struct Case {
        const char* what;
        std::string bytes, error;
        std::vector<std::string> names;
        std::vector<bool> thumbnails;
    };
    const Case cases[] = {
        {"CR LF after the count", replaced(countEnd, 1, "\r\n"), "", {"First", "Second"}, {true, true}},
        {"cut inside the data", bytes.substr(0, countEnd + 200), "", {"First"}, {true}},
        // Counts short of the data or past the file: LibraryFolderSafety.ADamagedThumbnailCountLosesOnlyThatThumbnail….
        {"a negative count", replaced(countAt, countEnd - countAt, "  -5"), "", {"First", "Second"}, {true, false}},
        {"an end of another class", replaced(bytes.rfind("end OrvoMaterialStyle"), 21, "end OrvoLightStyle"),
         "<<end>> for class <<OrvoMaterialStyle>>", {"First", "Second"}, {true, true}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(path, c.bytes);
        OrvoMaterialManager read;
        OrvoStyleManager::Load load = read.readLibrary(path);
        EXPECT_EQ(load.ok, c.error.empty()) << load.error;
        EXPECT_NE(load.error.find(c.error), std::string::npos) << load.error;
        EXPECT_EQ(read.names(), c.names);
        for (size_t i = 0; i < c.thumbnails.size() && i < read.names().size(); ++i) {
            EXPECT_EQ(read.preset(int(i)).currentThumbnail() != nullptr, c.thumbnails[i]) << i;
            EXPECT_EQ(read.preset(int(i)).thumbnailStale(), !c.thumbnails[i]) << i;
        }
    }
    // Through a memory stream, raw data that starts with a left-over line end: that many more bytes are read.
    OrvoMaterialManager fromMemory;
    const std::string block = replaced(countEnd + 1, 0, "\n").substr(bytes.find(" begin OrvoMaterialStyle"));
    EXPECT_EQ(test::readLines(fromMemory, block), 0);
    ASSERT_EQ(fromMemory.names(), (std::vector<std::string>{"First", "Second"}));
    ASSERT_NE(fromMemory.preset(1).currentThumbnail(), nullptr);
}

TEST_F(OrvoStyleManagerTest, SwatchFoldersKeepOrderReportFailuresAndFindNewFiles) {
    std::string libraries = dir.file("Libraries");
    OrvoLightManager lights;
    addPreset(lights, "Zeta", true);
    addPreset(lights, "Alpha", false);
    addPreset(lights, "Key/Fill", false);
    ASSERT_TRUE(lights.saveSwatches(libraries));
    std::string folder = libraries + "/Veltrane Swatches/Light Swatches/";
    EXPECT_EQ(readFile(folder + "_Light Swatches.idx"), "Zeta\nAlpha\nKey/Fill\n");
    OrvoLightManager loaded;
    EXPECT_EQ(loaded.loadSwatches(libraries), 3);
    EXPECT_EQ(loaded.names(), lights.names());
    EXPECT_TRUE(Dialogs::instance().shown().empty());
    // A listed file gone, and one the index does not list.
    std::filesystem::rename(folder + "Alpha.kxl", folder + "Beta.kxl");
    OrvoLightManager later;
    EXPECT_EQ(later.loadSwatches(libraries), 2);
    EXPECT_EQ(Dialogs::instance().shown(), std::vector<std::string>{"\rUnable to load Light swatch: Alpha"});
    EXPECT_EQ(later.addUnlistedSwatches(libraries), 1);
    EXPECT_EQ(later.names(), (std::vector<std::string>{"Zeta", "Key/Fill", "Alpha"}));
    OrvoMaterialManager materials;
    EXPECT_EQ(OrvoStyleManager::newSwatchesNotice({&materials, &later}, {0, 1}),
              "\rNew swatches have been found and added:\r   - Lighting (1)\r");
    EXPECT_EQ(OrvoStyleManager::newSwatchesNotice({&materials, &later}, {0, 0}), "");
}

TEST_F(OrvoStyleManagerTest, NewPresetNamesAndThumbnailRules) {
    OrvoMaterialManager materials;
    EXPECT_EQ(materials.addNew()->name(), "New Material.");
    EXPECT_EQ(materials.addNew()->name(), "New Material.1");
    EXPECT_EQ(materials.addNew("new material.")->name(), "new material.2");
    OrvoStyle& preset = materials.preset(0);
    EXPECT_EQ(preset.thumbnail(32, 32), nullptr);  // no renderer: nothing, still stale
    EXPECT_TRUE(preset.thumbnailStale());
    int renders = 0;
    materials.setRenderHook([&](const OrvoStyle&, int w, int h) {
        ++renders;
        return gradient(w, h, 2);
    });
    const Picture* made = preset.thumbnail(32, 24);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->height(), 24);
    EXPECT_EQ(preset.thumbnail(32, 24), made);  // cached
    EXPECT_EQ(preset.thumbnail(-1, 10), made);
    EXPECT_EQ(renders, 1);
    preset.thumbnail(16, 16);
    EXPECT_EQ(renders, 2);
    preset.setRequestedThumbnailSize(-1, 16);
    EXPECT_TRUE(preset.thumbnailStale());
    preset.setRequestedThumbnailSize(16, 16);
    EXPECT_FALSE(preset.thumbnailStale());
    preset.setThumbnail(nullptr);
    EXPECT_TRUE(preset.thumbnailStale());
}

// What the library commands' own tests leave to this one: the answer to import conflicts, a preset's image file
// reaching the title it dresses, and the swatches a contact sheet drew kept with the presets. (Exports, thumbnail
// sizes and resaves: tests/app/LibraryCommandsTest.cpp; the sheet's layout: FactoryPresets.ContactSheet*.)
TEST_F(OrvoStyleManagerTest, CommandLineImportsDressesAndDrawsSheets) {
    OrvoMaterialManager materials;
    addPreset(materials, "Test Gold", true);
    // A material that names an image file, which must reach a project it dresses.
    auto* tin = dynamic_cast<MaterialX*>(addPreset(materials, "Test Tin", false).item());
    ASSERT_NE(tin, nullptr);
    std::vector<uint8_t> stripes(8 * 8 * 4, 200);
    std::string imageError;
    ASSERT_TRUE(ImageWriter::write(dir.file("tin-stripes.png"), {8, 8, stripes.data()}, false, imageError));
    ASSERT_NE(tin->channel(0).setImageLayer(dir.file("tin-stripes.png")), nullptr);
    ASSERT_NO_FATAL_FAILURE(save(materials, dir.file("in.kxm")));
    std::string program = std::string(FW_EXECUTABLE) + " --library-folder " + dir.file("docs") + " ";
    // A run that must end with `status`.
    auto run = [&](const std::string& arguments, int status = 0) {
        test::Outcome r = test::runProgram(program, arguments, dir.path().string());
        EXPECT_EQ(r.status, status) << arguments << "\n" << r.err;
        return r;
    };
    std::string factory;
    for (const std::string& name : FactoryLibrary::names(FactoryLibrary::kMaterials)) factory += name + "\n";
    int count = static_cast<int>(FactoryLibrary::names(FactoryLibrary::kMaterials).size());
    run("library import " + dir.file("in.kxm"));
    run("library import " + dir.file("in.kxm") + " --on-conflict rename");
    EXPECT_EQ(run("--no library import " + dir.file("in.kxm")).out,
              "0 materials imported; the library holds " + std::to_string(count + 4) + "\n");
    EXPECT_EQ(run("library list materials").out, factory + "Test Gold\nTest Tin\nTest Gold.1\nTest Tin.1\n");
    // Looks come from the user's libraries: an imported preset dresses a title.
    run("text Tin --material \"Test Tin.1\" -o " + dir.file("tin.kxp"));
    EXPECT_THAT(readFile(dir.file("tin.kxp")), AllOf(HasSubstr("Test Tin.1"), HasSubstr("tin-stripes.png")));
    run("library sheet lighting -o " + dir.file("sheet.png"));
    int kept = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.file("docs")))
        if (entry.path().extension() == ".kxi" &&
            readFile(entry.path().string()).find("ThumbnailSize 160 120\n") != std::string::npos)
            ++kept;
    EXPECT_EQ(kept, 6);
    EXPECT_THAT(run("library export lights -o " + dir.file("x.kxm"), 1).err,
                HasSubstr("a library of lights is a .kxl file"));
}

}  // namespace
}  // namespace fw
