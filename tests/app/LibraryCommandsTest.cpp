// The user's style libraries as the `library` commands keep them: swatch files copied or renamed by hand, thumbnails
// written into library files, presets added from a project, removed and renamed; and the swatch folders against what
// users and crashes do to them: imports killed at any moment, preset names no file can carry, a damaged thumbnail.
#include <random>
#include <set>

#include "AppHelpers.h"
#include "app/Registration.h"
#include "library/OrvoMaterialManager.h"
#include "library/ThumbnailRecord.h"
#include "surface/Picture.h"

using testing::HasSubstr;
using testing::Not;

namespace fw {
namespace {

namespace fs = std::filesystem;
using test::occurrences;
using test::Outcome;
using test::readFile;

class LibraryCommands : public testing::Test {
protected:
    void SetUp() override { registerAllClasses(); }
    Outcome run(const std::string& arguments) { return test::formwright(dir, arguments); }
    std::string swatches(const std::string& kind) const {
        return dir.file("lib") + "/Veltrane/Libraries/Veltrane Swatches/" + kind + " Swatches/";
    }
    // `library list KIND` as names, after checking the run went through quietly or not.
    std::vector<std::string> names(const std::string& kind, std::string* err = nullptr) {
        Outcome r = run("library list " + kind);
        EXPECT_EQ(r.status, 0) << r.err;
        if (err) *err = r.err;
        return test::linesOf(r.out);
    }
    test::TempDir dir;
};
using LibraryFolderSafety = LibraryCommands;

// Swatch files copied, renamed or clashing by hand are taken in once; a step of the library's own cut short is finished
// or undone by the index.
TEST_F(LibraryCommands, SwatchFilesCopiedRenamedOrClashingAreTakenInOnceAndStepsCutShortAreSettled) {
    const std::vector<std::string> factory = names("materials");
    ASSERT_THAT(factory, testing::IsSupersetOf({"Chrome", "Copper", "Pearl"}));
    const std::string folder = swatches("Material");
    // A copy beside its original, a copy whose file name is the one the copy would be renamed to, an original renamed,
    // and a copy whose name differs only in case.
    fs::copy_file(folder + "Chrome.kxm", folder + "Chrome copy.kxm");
    fs::copy_file(folder + "Chrome.kxm", folder + "Chrome.1.kxm");
    fs::rename(folder + "Copper.kxm", folder + "Shiny.kxm");
    fs::copy_file(folder + "Pearl.kxm", folder + "pearl.kxm");
    std::string err;
    const std::vector<std::string> first = names("materials", &err);
    EXPECT_THAT(err, HasSubstr("New swatches have been found"));
    // Every preset is there, each name once: the three copies under names of their own.
    EXPECT_EQ(first.size(), factory.size() + 3);
    EXPECT_THAT(first, testing::IsSupersetOf(factory));
    EXPECT_EQ(std::set<std::string>(first.begin(), first.end()).size(), first.size());
    // Taken in once: the next run says nothing and finds the same presets.
    const std::vector<std::string> second = names("materials", &err);
    EXPECT_EQ(err, "");
    EXPECT_EQ(second, first);
    // Each preset has the file of its name, the index lists them in order, and the copies under other names are gone.
    std::set<std::string> expected{"_Material Swatches.idx"};
    std::string index;
    for (const std::string& name : second) expected.insert(name + ".kxm"), index += name + "\n";
    EXPECT_THAT(test::filesIn(folder), testing::ElementsAreArray(expected));
    EXPECT_EQ(readFile(folder + "_Material Swatches.idx"), index);
    for (const std::string& name : second) {
        OrvoMaterialManager one;
        ASSERT_TRUE(one.readLibrary(folder + name + ".kxm").ok) << name;
        EXPECT_EQ(one.names(), std::vector<std::string>{name});
    }
    // A preset added up to its index, and one removed up to its index: the first never happened, the second is back.
    fs::copy_file(folder + "Chrome.kxm", folder + "Half Added.kxm.pending");
    fs::rename(folder + "Copper.kxm", folder + "Copper.kxm.removed");
    // A rename whose index went in: the new file goes into place, the old one goes.
    std::string renamed = readFile(folder + "_Material Swatches.idx");
    renamed.replace(renamed.find("Pearl\n"), 6, "Nacre\n");
    ::test::spill(folder + "_Material Swatches.idx", renamed);
    OrvoMaterialManager pearl;
    ASSERT_TRUE(pearl.readLibrary(folder + "Pearl.kxm").ok);
    pearl.preset(0).rename("Nacre");
    std::string error;
    ASSERT_TRUE(pearl.writeLibrary(folder + "Nacre.kxm.pending", error)) << error;
    fs::rename(folder + "Pearl.kxm", folder + "Pearl.kxm.removed");
    const std::vector<std::string> after = names("materials", &err);
    EXPECT_EQ(err, "");
    EXPECT_THAT(after, testing::AllOf(testing::IsSupersetOf({"Copper", "Nacre"}), Not(testing::Contains("Pearl")),
                                      Not(testing::Contains("Half Added"))));
    expected = {"_Material Swatches.idx"};
    for (const std::string& name : after) expected.insert(name + ".kxm");
    EXPECT_THAT(test::filesIn(folder), testing::ElementsAreArray(expected));
}

TEST_F(LibraryCommands, ThumbnailSizesAreWrittenOrRefused) {
    // Too small for the JPEG the record keeps: refused, nothing written.
    Outcome small = run("library export materials -o " + dir.file("small.kxm") + " --thumbnails 16x16");
    EXPECT_EQ(small.status, 1);
    EXPECT_THAT(small.err, HasSubstr("formwright: --thumbnails: 16x16 cannot be kept"));
    EXPECT_EQ(std::count(small.err.begin(), small.err.end(), '\n'), 1);
    EXPECT_FALSE(fs::exists(dir.file("small.kxm")));
    EXPECT_EQ(run("library export materials -o " + dir.file("huge.kxm") + " --thumbnails 2048x64").status, 1);
    // A size the record holds: every preset carries a thumbnail of exactly that size.
    ASSERT_EQ(test::ran(dir, "library export materials -o " + dir.file("m.kxm") + " --thumbnails 48x36").status, 0);
    OrvoMaterialManager exported;
    ASSERT_TRUE(exported.readLibrary(dir.file("m.kxm")).ok);
    ASSERT_EQ(static_cast<size_t>(exported.presetCount()), names("materials").size());
    EXPECT_EQ(occurrences(readFile(dir.file("m.kxm")), "ThumbnailSize 48 36\n"), size_t(exported.presetCount()));
    for (int i = 0; i < exported.presetCount(); ++i) {
        const Picture* thumbnail = exported.preset(i).currentThumbnail();
        ASSERT_NE(thumbnail, nullptr) << exported.preset(i).name();
        EXPECT_EQ(std::pair(thumbnail->width(), thumbnail->height()), std::pair(48, 36));
    }
    // Whether a picture of an allowed size fits depends on how busy it is: noise needs more room than 36x36 gives it,
    // and is caught before anything is written.
    Picture noise(36, 36);
    std::mt19937 random(7);
    for (uint8_t& byte : noise.pixels()) byte = static_cast<uint8_t>(random());
    ThumbnailRecord record;
    record.set(std::make_unique<Picture>(noise));
    EXPECT_FALSE(record.storable());
    record.set(std::make_unique<Picture>(36, 36));
    EXPECT_TRUE(record.storable());
}

// The share of pixels that differ between two pictures by more than a little in any channel; 1 for other sizes.
double differing(const ::test::Pixels& a, const ::test::Pixels& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) return 1;
    size_t count = 0;
    auto off = [&](size_t i) { return std::abs(a.rgb[i] - b.rgb[i]) > 8; };
    for (size_t i = 0; i < a.rgb.size(); i += 3) count += off(i) || off(i + 1) || off(i + 2);
    return static_cast<double>(count) / (a.rgb.size() / 3);
}

TEST_F(LibraryCommands, LooksOfAProjectAreAddedRemovedAndRenamed) {
    const std::string project = dir.file("red.kxp");
    const std::string looks = "--material \"Glossy Red Plastic\" --lighting Sunset --style \"Deep Bevel\"";
    ASSERT_EQ(run("text Hi " + looks + " -o " + project).status, 0);
    auto add = [&](const std::string& arguments) { return run("library add " + arguments + " --from " + project); };
    Outcome added = add("materials --object \"Text H\" --as \"My Red\"");
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.err, "");
    std::vector<std::string> materials = names("materials");
    EXPECT_EQ(materials.back(), "My Red");
    EXPECT_TRUE(fs::exists(swatches("Material") + "My Red.kxm"));
    ASSERT_EQ(add("lighting --as \"My Sunset\"").status, 0);
    ASSERT_EQ(add("styles --object \"Text i\" --as \"My Bevel\"").status, 0);
    ASSERT_EQ(add("lights --object \"Low Sun\" --as \"My Sun\"").status, 0);
    EXPECT_THAT(names("lights"), testing::Contains("My Sun"));
    // The presets dress a title as the looks they came from do (which finds each by its name), and differ from none.
    auto render = [&](const std::string& looks, const std::string& name) {
        test::ran(dir, "text Hi " + looks + " --size 160x120 -o " + dir.file(name));
        return ::test::readImage(dir.file(name));
    };
    const ::test::Pixels mine = render("--material \"My Red\"", "mine.png");
    EXPECT_LT(differing(mine, render("--material \"Glossy Red Plastic\"", "theirs.png")), 0.001);
    EXPECT_GT(differing(mine, render("", "plain.png")), 0.02);
    for (const auto& [own, factory] :
         {std::pair<std::string, std::string>{"--lighting \"My Sunset\"", "--lighting Sunset"},
          {"--style \"My Bevel\"", "--style \"Deep Bevel\""}})
        EXPECT_LT(differing(render(own, "own.png"), render(factory, "factory.png")), 0.001) << own;
    // Mistakes are one line and exit 1, and change nothing.
    const std::string index = readFile(swatches("Material") + "_Material Swatches.idx");
    const struct {
        std::string arguments, says;
    } mistakes[] = {
        {"library add materials --from " + dir.file("none.kxp") + " --object \"Text H\" --as X", "no such project"},
        {"library add materials --from " + project + " --object \"Text Q\" --as X",
         "no such object \"Text Q\" here; the closest are \"Text H\""},
        {"library add materials --from " + project + " --object \"Text H\" --as \"My Red\"",
         "give --yes (-y) to replace it"},
        {"-n library add materials --from " + project + " --object \"Text H\" --as \"my red\"", "--no keeps it"},
        {"library add lighting --from " + project + " --object \"Text H\" --as X", "leave --object out"},
        {"library remove materials \"My Rde\"", "no such preset among the materials; the closest are \"My Red\""},
        {"library rename materials \"My Red\" Chrome", "the library holds \"Chrome\" already"},
        {"library rename materials \"My Red\" \"chrome\"", "the library holds \"Chrome\" already"},
    };
    for (const auto& m : mistakes) {
        Outcome r = run(m.arguments);
        EXPECT_EQ(r.status, 1) << m.arguments;
        EXPECT_THAT(r.err, HasSubstr(m.says)) << m.arguments << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_EQ(readFile(swatches("Material") + "_Material Swatches.idx"), index);
    EXPECT_EQ(names("materials"), materials);
    // --yes replaces in place: same place in the list, one file.
    ASSERT_EQ(run("-y library add materials --from " + project + " --object \"Text i\" --as \"My Red\"").status, 0);
    EXPECT_EQ(names("materials"), materials);
    // Renamed: the new name's file holds it and the old file is gone.
    ASSERT_EQ(run("library rename materials \"My Red\" \"Crimson\"").status, 0);
    materials.back() = "Crimson";
    EXPECT_EQ(names("materials"), materials);
    EXPECT_FALSE(fs::exists(swatches("Material") + "My Red.kxm"));
    OrvoMaterialManager renamed;
    ASSERT_TRUE(renamed.readLibrary(swatches("Material") + "Crimson.kxm").ok);
    EXPECT_EQ(renamed.names(), std::vector<std::string>{"Crimson"});
    // Removed: gone from the list and the folder, and a title cannot ask for it.
    ASSERT_EQ(run("library remove materials Crimson").status, 0);
    materials.pop_back();
    EXPECT_EQ(names("materials"), materials);
    EXPECT_FALSE(fs::exists(swatches("Material") + "Crimson.kxm"));
    EXPECT_EQ(run("text Hi --material Crimson -o " + dir.file("x.png")).status, 1);
    EXPECT_EQ(test::filesIn(swatches("Material")).size(), materials.size() + 1);
}

// A write cut short leaves its file under a temporary name: the target's, a dot and six letters or digits; a step of
// the folder cut short leaves ".pending" or ".removed".
bool isLeftover(const std::string& file) {
    if (file.size() > 8 && (file.ends_with(".pending") || file.ends_with(".removed"))) return true;
    return file.size() > 7 && file[file.size() - 7] == '.' &&
           std::all_of(file.end() - 6, file.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

TEST_F(LibraryFolderSafety, ImportsKilledAtAnyMomentLeaveAFolderThatLoadsQuietly) {
    const std::string seeded = dir.file("seeded"), library = dir.file("lib"), file = dir.file("in.kxm");
    const std::string seeding = "--library-folder '" + seeded + "' library export materials -o '" + file + "'";
    ASSERT_EQ(test::runProgram(FW_EXECUTABLE, seeding, dir.file("")).status, 0);
    std::mt19937 random(36);
    std::uniform_int_distribution<int> delay(0, 90000);
    // FW_LIBRARY_KILLS sets a longer sweep on demand.
    const int kills = std::getenv("FW_LIBRARY_KILLS") ? std::atoi(std::getenv("FW_LIBRARY_KILLS")) : 40;
    for (int kill = 0; kill < kills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        fs::remove_all(library);
        // Mostly into a folder holding the factory presets, sometimes into none, so that seeding is cut short too.
        if (kill % 4 != 0) fs::copy(seeded, library, fs::copy_options::recursive);
        test::Background child("--library-folder '" + library + "' library import '" + file + "' >/dev/null",
                               dir.file("killed.err"));
        ASSERT_TRUE(child.started());
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        child.stop(SIGKILL);
        std::string err;
        EXPECT_GE(names("materials", &err).size(), 25u);
        EXPECT_EQ(err, "");
        // Nothing of the killed run lies about, and the index names only files there.
        for (const std::string& name : test::filesIn(swatches("Material"))) EXPECT_FALSE(isLeftover(name)) << name;
        for (const std::string& name : test::linesOf(readFile(swatches("Material") + "_Material Swatches.idx")))
            EXPECT_TRUE(fs::exists(swatches("Material") + name + ".kxm")) << name;
        if (HasFailure()) break;
    }
}

TEST_F(LibraryFolderSafety, ADamagedThumbnailCountLosesOnlyThatThumbnailAndOddPresetNamesGetFilesOfTheirOwn) {
    const std::string binary = dir.file("binary.kxm"), hex = dir.file("hex.kxm");
    ASSERT_EQ(run("library export materials --thumbnails 64x48 -o '" + binary + "'").status, 0);
    ASSERT_EQ(run("library export materials --text-thumbnails -o '" + hex + "'").status, 0);
    const std::string whole = readFile(binary);
    ASSERT_EQ(occurrences(whole, "begin OrvoMaterialStyle"), 25u);
    ASSERT_EQ(occurrences(whole, "JPEGBinaryThumbnail\n"), 25u);
    // The count of the first preset's thumbnail, as written and damaged several ways: `by` is added to the count, or
    // `replace` given instead when not zero.
    for (const auto& [inHex, by, replace] :
         {std::tuple{false, 0L, 2000000000L}, {false, 700L, 0L}, {false, -300L, 0L}, {true, 0L, 2000000000L}}) {
        const std::string keyword = inHex ? "JPEGThumbnail\n" : "JPEGBinaryThumbnail\n";
        std::string text = readFile(inHex ? hex : binary);
        const size_t digits = text.find_first_of("0123456789", text.find(keyword));
        ASSERT_NE(digits, std::string::npos);
        size_t end = text.find('\n', digits);
        long was = std::stol(text.substr(digits, end - digits));
        long now = replace ? replace : was + by;
        // A count short of the data's end is taken at its word where a blank follows it, as the next line would: the
        // damage is put where the data goes on.
        while (!replace && now < was && std::isspace(static_cast<unsigned char>(text[end + 1 + now]))) --now;
        SCOPED_TRACE(keyword + std::to_string(was) + " made " + std::to_string(now));
        text.replace(digits, end - digits, std::to_string(now));
        const std::string damaged = dir.file("damaged.kxm"), out = dir.file("out.kxm");
        test::writeFile(damaged, text);
        fs::remove(out);
        Outcome resave = test::runProgram(FW_EXECUTABLE, "resave '" + damaged + "' '" + out + "'", dir.path().string());
        EXPECT_EQ(resave.status, 0);
        EXPECT_EQ(occurrences(resave.err, "\n"), 1u) << resave.err;
        EXPECT_THAT(resave.err, HasSubstr("a thumbnail is dropped: its byte count (" + std::to_string(now) + ")"));
        std::string kept = readFile(out);
        EXPECT_EQ(occurrences(kept, "begin OrvoMaterialStyle"), 25u);
        EXPECT_EQ(occurrences(kept, "JPEGBinaryThumbnail\n"), 24u);
        // The preset after the damaged one keeps its thumbnail, its name and its colour.
        std::string second =
            whole.substr(whole.find(" begin OrvoMaterialStyle", whole.find(" begin OrvoMaterialStyle") + 1));
        second = second.substr(0, second.find(" end OrvoMaterialStyle"));
        EXPECT_THAT(kept, HasSubstr(second));
    }
    // Undamaged, the file reads back without a word and writes back byte for byte.
    const std::string out = dir.file("same.kxm");
    Outcome resave = fw::test::runProgram(FW_EXECUTABLE, "resave '" + binary + "' '" + out + "'", dir.path().string());
    EXPECT_EQ(resave.status, 0);
    EXPECT_EQ(resave.err, "");
    EXPECT_EQ(readFile(out), whole);
    // Preset names no file can carry, given to copies of the first preset, get files of their own.
    const size_t begin = whole.find(" begin OrvoMaterialStyle"), end = whole.find(" end OrvoMaterialStyle", begin);
    ASSERT_NE(end, std::string::npos);
    const std::string block = whole.substr(begin, whole.find('\n', end) + 1 - begin), odd = dir.file("odd.kxm");
    ASSERT_THAT(block, HasSubstr("name \"Polished Gold\""));
    const std::string longName(245, 'L');
    const std::vector<std::string> given = {"Line\nBreak", "A/B", "A_B", longName, "Tab\tName", "..", "polished gold"};
    std::string presets;
    for (const std::string& name : given)
        presets += std::string(block).replace(block.find("name \"Polished Gold\""), 20, "name \"" + name + "\"");
    test::writeFile(odd, presets);
    // "polished gold" replaces "Polished Gold"; the others are new.
    Outcome imported = run("--yes library import '" + odd + "'");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_THAT(imported.out, HasSubstr("7 materials imported; the library holds 31"));
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE("pass " + std::to_string(pass));
        std::string err;
        const std::vector<std::string> listed = names("materials", &err);
        EXPECT_EQ(err, "");
        EXPECT_EQ(listed.size(), 31u);
        // Each on a line of its own, the line break spelled out.
        EXPECT_THAT(listed, testing::IsSupersetOf(std::vector<std::string>{"Line\\x0aBreak", "A/B", "A_B", longName,
                                                                           "Tab\tName", "..", "polished gold"}));
        EXPECT_THAT(listed, testing::Each(Not(HasSubstr("Polished Gold"))));
    }
    // One file per preset, each a name the system takes, no two alike but for letter case.
    std::vector<std::string> files = test::filesIn(swatches("Material"));
    EXPECT_EQ(files.size(), 32u);
    std::set<std::string> folded;
    for (std::string file : files) {
        EXPECT_TRUE(file.size() <= 220 && file.find_first_of("\n\t") == file.npos && !file.starts_with(".")) << file;
        std::transform(file.begin(), file.end(), file.begin(), [](unsigned char c) { return std::tolower(c); });
        EXPECT_TRUE(folded.insert(file).second) << file;
    }
    EXPECT_FALSE(fs::exists(swatches("Material") + "Polished Gold.kxm"));
    // Each odd preset is whole: exported again, every name comes back.
    const std::string again = dir.file("again.kxm");
    ASSERT_EQ(run("library export materials -o '" + again + "'").status, 0);
    std::string text = readFile(again);
    for (const std::string& name : given) EXPECT_THAT(text, HasSubstr("name \"" + name + "\"")) << name;
}

}  // namespace
}  // namespace fw
