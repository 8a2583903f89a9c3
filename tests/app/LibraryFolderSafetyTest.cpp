// The swatch folders against what users and crashes do to them: imports killed at any
// moment, preset names no file can carry, and library files with a damaged thumbnail.
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include "AppRun.h"

using testing::HasSubstr;
using testing::Not;

namespace {

namespace fs = std::filesystem;
using fw::test::Outcome;
using fw::test::readFile;
using fw::test::TempDir;
using fw::test::writeFile;

Outcome formwright(const std::string& library, const std::string& arguments, const TempDir& dir) {
    return fw::test::runProgram(FW_EXECUTABLE, "--library-folder '" + library + "' " + arguments, dir.path().string());
}

std::string materialFolder(const std::string& library) {
    return library + "/Veltrane/Libraries/Veltrane Swatches/Material Swatches";
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code failed;
    for (const auto& entry : fs::directory_iterator(folder, failed)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A write cut short leaves its file under a temporary name: the target's, a dot and six
// letters or digits; a step of the folder cut short leaves ".pending" or ".removed".
bool isLeftover(const std::string& file) {
    if (file.size() > 8 && (file.ends_with(".pending") || file.ends_with(".removed"))) return true;
    return file.size() > 7 && file[file.size() - 7] == '.' &&
           std::all_of(file.end() - 6, file.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// One preset block of a library file, from its "begin" line through its "end" line.
std::string firstPresetBlock(const std::string& library) {
    size_t begin = library.find(" begin OrvoMaterialStyle");
    size_t end = library.find(" end OrvoMaterialStyle", begin);
    if (begin == std::string::npos || end == std::string::npos) return "";
    return library.substr(begin, library.find('\n', end) + 1 - begin);
}

TEST(LibraryFolderSafety, ImportsKilledAtAnyMomentLeaveAFolderThatLoadsQuietly) {
    TempDir dir;
    const std::string seeded = dir.file("seeded"), library = dir.file("lib"), file = dir.file("in.kxm");
    ASSERT_EQ(formwright(seeded, "library export materials -o '" + file + "'", dir).status, 0);
    std::mt19937 random(36);
    std::uniform_int_distribution<int> delay(0, 90000);
    // FW_LIBRARY_KILLS sets a longer sweep on demand.
    const int kills = std::getenv("FW_LIBRARY_KILLS") ? std::atoi(std::getenv("FW_LIBRARY_KILLS")) : 40;
    for (int kill = 0; kill < kills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        fs::remove_all(library);
        // Mostly into a folder that holds the factory presets, sometimes into none, so
        // that the first run's seeding is cut short as well.
        if (kill % 4 != 0) fs::copy(seeded, library, fs::copy_options::recursive);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "w", stderr);
            execl(FW_EXECUTABLE, FW_EXECUTABLE, "--library-folder", library.c_str(), "library", "import", file.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        Outcome list = formwright(library, "library list materials", dir);
        EXPECT_EQ(list.status, 0);
        EXPECT_EQ(list.err, "");
        EXPECT_GE(count(list.out, "\n"), 25u);
        // Nothing of the killed run lies about, and the index names only files there.
        for (const std::string& name : filesIn(materialFolder(library))) EXPECT_FALSE(isLeftover(name)) << name;
        std::string index = readFile(materialFolder(library) + "/_Material Swatches.idx");
        for (size_t at = 0, end; (end = index.find('\n', at)) != std::string::npos; at = end + 1)
            EXPECT_TRUE(fs::exists(materialFolder(library) + "/" + index.substr(at, end - at) + ".kxm"))
                << index.substr(at, end - at);
        if (HasFailure()) break;
    }
}

TEST(LibraryFolderSafety, PresetNamesThatNoFileCanCarryGetFilesOfTheirOwn) {
    TempDir dir;
    const std::string library = dir.file("lib"), exported = dir.file("all.kxm"), odd = dir.file("odd.kxm");
    ASSERT_EQ(formwright(library, "library export materials -o '" + exported + "'", dir).status, 0);
    const std::string block = firstPresetBlock(readFile(exported));
    ASSERT_THAT(block, HasSubstr("name \"Polished Gold\""));
    const std::string longName(245, 'L');
    const std::vector<std::string> names = {"Line\nBreak", "A/B", "A_B", longName, "Tab\tName", "..", "polished gold"};
    std::string presets;
    for (const std::string& name : names) {
        std::string copy = block;
        copy.replace(copy.find("name \"Polished Gold\""), 20, "name \"" + name + "\"");
        presets += copy;
    }
    writeFile(odd, presets);

    // "polished gold" replaces "Polished Gold"; the others are new.
    Outcome imported = formwright(library, "--yes library import '" + odd + "'", dir);
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_THAT(imported.out, HasSubstr("7 materials imported; the library holds 31"));

    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        Outcome list = formwright(library, "library list materials", dir);
        EXPECT_EQ(list.status, 0);
        EXPECT_EQ(list.err, "");
        EXPECT_EQ(count(list.out, "\n"), 31u) << list.out;
        for (const std::string& shown :
             {std::string("Line\\x0aBreak\n"), std::string("\nA/B\n"), std::string("\nA_B\n"), "\n" + longName + "\n",
              std::string("\nTab\tName\n"), std::string("\n..\n"), std::string("\npolished gold\n")})
            EXPECT_THAT(("\n" + list.out), HasSubstr(shown)) << shown;
        EXPECT_THAT(list.out, Not(HasSubstr("Polished Gold")));
    }

    // One file per preset, each a name the system takes, no two alike but for letter case.
    std::vector<std::string> files = filesIn(materialFolder(library));
    EXPECT_EQ(files.size(), 32u);
    std::set<std::string> folded;
    for (std::string file : files) {
        EXPECT_LE(file.size(), 220u) << file;
        EXPECT_EQ(file.find_first_of("\n\t"), std::string::npos) << file;
        EXPECT_FALSE(file.starts_with(".")) << file;
        std::transform(file.begin(), file.end(), file.begin(), [](unsigned char c) { return std::tolower(c); });
        EXPECT_TRUE(folded.insert(file).second) << file;
    }
    EXPECT_FALSE(fs::exists(materialFolder(library) + "/Polished Gold.kxm"));

    // Each odd preset is whole: exported again, every name comes back.
    const std::string again = dir.file("again.kxm");
    ASSERT_EQ(formwright(library, "library export materials -o '" + again + "'", dir).status, 0);
    std::string text = readFile(again);
    for (const std::string& name : names) EXPECT_THAT(text, HasSubstr("name \"" + name + "\"")) << name;
}

TEST(LibraryFolderSafety, ADamagedThumbnailCountLosesOnlyThatThumbnail) {
    TempDir dir;
    const std::string library = dir.file("lib"), binary = dir.file("binary.kxm"), hex = dir.file("hex.kxm");
    ASSERT_EQ(formwright(library, "library export materials --thumbnails 64x48 -o '" + binary + "'", dir).status, 0);
    ASSERT_EQ(formwright(library, "library export materials --text-thumbnails -o '" + hex + "'", dir).status, 0);
    const std::string whole = readFile(binary);
    ASSERT_EQ(count(whole, "begin OrvoMaterialStyle"), 25u);
    ASSERT_EQ(count(whole, "JPEGBinaryThumbnail\n"), 25u);

    // The count of the first preset's thumbnail, as written and damaged several ways.
    struct Damage {
        const std::string* file;
        const char* keyword;
        long by;       // added to the count
        long replace;  // or the count given instead, when not zero
    };
    for (const Damage& damage :
         {Damage{&binary, "JPEGBinaryThumbnail\n", 0, 2000000000}, Damage{&binary, "JPEGBinaryThumbnail\n", 700, 0},
          Damage{&binary, "JPEGBinaryThumbnail\n", -300, 0}, Damage{&hex, "JPEGThumbnail\n", 0, 2000000000}}) {
        std::string text = readFile(*damage.file);
        size_t at = text.find(damage.keyword);
        ASSERT_NE(at, std::string::npos);
        size_t digits = text.find_first_of("0123456789", at);
        size_t end = text.find('\n', digits);
        long was = std::stol(text.substr(digits, end - digits));
        long now = damage.replace ? damage.replace : was + damage.by;
        // A count short of the data's end is taken at its word where a blank follows it,
        // as the next line would: the damage is put where the data goes on.
        while (!damage.replace && now < was && std::isspace(static_cast<unsigned char>(text[end + 1 + now]))) --now;
        SCOPED_TRACE(std::string(damage.keyword) + std::to_string(was) + " made " + std::to_string(now));
        text.replace(digits, end - digits, std::to_string(now));
        const std::string damaged = dir.file("damaged.kxm"), out = dir.file("out.kxm");
        writeFile(damaged, text);
        fs::remove(out);

        Outcome resave =
            fw::test::runProgram(FW_EXECUTABLE, "resave '" + damaged + "' '" + out + "'", dir.path().string());
        EXPECT_EQ(resave.status, 0);
        EXPECT_EQ(count(resave.err, "\n"), 1u) << resave.err;
        EXPECT_THAT(resave.err, HasSubstr("a thumbnail is dropped: its byte count (" + std::to_string(now) + ")"));
        std::string kept = readFile(out);
        EXPECT_EQ(count(kept, "begin OrvoMaterialStyle"), 25u);
        EXPECT_EQ(count(kept, "JPEGBinaryThumbnail\n"), 24u);
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
}

}  // namespace
