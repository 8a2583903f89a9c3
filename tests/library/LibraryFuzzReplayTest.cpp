#include "FuzzReplay.h"
#include "FuzzTargets.h"
#include "TempDir.h"
#include "app/Registration.h"
#include "library/OrvoMaterialManager.h"

namespace fw {

TEST(LibraryFuzzReplay, SeedsAndKeptInputsReadCleanly) {
    EXPECT_GE(test::replayFuzzInputs("library", fuzz::readLibraryFile), 4);
    // A seed made by another JPEG writer still gives its thumbnails.
    registerAllClasses();
    test::TempDir dir;
    std::string seed = test::readFile(FW_SOURCE_DIR "/fuzz/corpus/library/materials-binary");
    test::writeFile(dir.file("seed.kxm"), seed.substr(1));
    OrvoMaterialManager materials;
    ASSERT_TRUE(materials.readLibrary(dir.file("seed.kxm")).ok);
    ASSERT_EQ(materials.names(), (std::vector<std::string>{"Gold", "Chrome"}));
    ASSERT_NE(materials.preset(1).currentThumbnail(), nullptr);
    EXPECT_EQ(materials.preset(1).currentThumbnail()->width(), 16);
}

}  // namespace fw
