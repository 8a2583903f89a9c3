#include "FuzzFolder.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/Registration.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"

namespace fw::fuzz {

namespace {

// Kept apart from the string below, which is gone by the time exit handlers run.
char removedAtExit[64];

void removeFolder() {
    std::error_code failed;
    std::filesystem::remove_all(removedAtExit, failed);
}

}  // namespace

const std::string& fuzzFolder() {
    static const std::string folder = [] {
        registerAllClasses();
        std::string path = "/tmp/fw-fuzz-" + std::to_string(getpid());
        std::filesystem::create_directories(path + "/Documents");
        std::snprintf(removedAtExit, sizeof removedAtExit, "%s", path.c_str());
        std::atexit(removeFolder);
        Folders::instance().setDocuments(path + "/Documents");
        Dialogs::instance().setQuiet(true);
        return path;
    }();
    return folder;
}

}  // namespace fw::fuzz
