// The user's style libraries as the `library` commands keep them: swatch files copied
// or renamed by hand, thumbnails written into library files, and presets added from a
// project, removed and renamed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "FilesAndImages.h"
#include "RunProgram.h"
#include "TempDir.h"
#include "app/Registration.h"
#include "library/OrvoMaterialManager.h"
#include "library/ThumbnailRecord.h"

namespace fw {
namespace {

namespace fs = std::filesystem;
using test::Outcome;
using test::readFile;

class LibraryCommands : public testing::Test {
protected:
    void SetUp() override { registerAllClasses(); }
    Outcome run(const std::string& arguments) {
        return test::runProgram(FW_EXECUTABLE, "--library-folder '" + dir.file("lib") + "' " + arguments,
                                dir.path().string());
    }
    std::string swatches(const std::string& kind) const {
        return dir.file("lib") + "/Veltrane/Libraries/Veltrane Swatches/" + kind + " Swatches/";
    }
    // `library list KIND` as names, after checking the run went through.
    std::vector<std::string> names(const std::string& kind, std::string* err = nullptr) {
        Outcome r = run("library list " + kind);
        EXPECT_EQ(r.status, 0) << r.err;
        if (err) *err = r.err;
        std::vector<std::string> out;
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);) out.push_back(line);
        return out;
    }
    // The kind's swatch files, by name.
    std::set<std::string> files(const std::string& kind) const {
        std::set<std::string> out;
        for (const auto& entry : fs::directory_iterator(swatches(kind))) out.insert(entry.path().filename().string());
        return out;
    }

    test::TempDir dir;
};

bool has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST_F(LibraryCommands, SwatchFilesCopiedRenamedOrClashingAreTakenInOnce) {
    const std::vector<std::string> factory = names("materials");
    ASSERT_TRUE(has(factory, "Chrome") && has(factory, "Copper") && has(factory, "Pearl"));
    const std::string folder = swatches("Material");
    // A copy beside its original, a copy whose file name is the one the copy would be
    // renamed to, an original renamed, and a copy whose name differs only in case.
    fs::copy_file(folder + "Chrome.kxm", folder + "Chrome copy.kxm");
    fs::copy_file(folder + "Chrome.kxm", folder + "Chrome.1.kxm");
    fs::rename(folder + "Copper.kxm", folder + "Shiny.kxm");
    fs::copy_file(folder + "Pearl.kxm", folder + "pearl.kxm");

    std::string err;
    const std::vector<std::string> first = names("materials", &err);
    EXPECT_NE(err.find("New swatches have been found"), std::string::npos) << err;
    // Every preset is there, each name once: the three copies under names of their own.
    EXPECT_EQ(first.size(), factory.size() + 3);
    for (const std::string& name : factory) EXPECT_TRUE(has(first, name)) << name;
    EXPECT_EQ(std::set<std::string>(first.begin(), first.end()).size(), first.size());

    // Taken in once: the next run says nothing and finds the same presets.
    const std::vector<std::string> second = names("materials", &err);
    EXPECT_EQ(err, "");
    EXPECT_EQ(second, first);
    // Each preset has the file of its name, the index lists them in order, and the
    // copies under other names are gone.
    std::set<std::string> expected{"_Material Swatches.idx"};
    std::string index;
    for (const std::string& name : second) expected.insert(name + ".kxm"), index += name + "\n";
    EXPECT_EQ(files("Material"), expected);
    EXPECT_EQ(readFile(folder + "_Material Swatches.idx"), index);
    for (const std::string& name : second) {
        OrvoMaterialManager one;
        ASSERT_TRUE(one.readLibrary(folder + name + ".kxm").ok) << name;
        EXPECT_EQ(one.names(), std::vector<std::string>{name});
    }
}

}  // namespace
}  // namespace fw
