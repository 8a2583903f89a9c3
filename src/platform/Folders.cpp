#include "platform/Folders.h"

#include <cctype>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace fw {

Folders& Folders::instance() {
    static Folders folders;
    return folders;
}

std::string Folders::documents() const {
    if (!documents_.empty()) return documents_;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/Documents";
}

std::string Folders::programPath() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.string();
}

std::string Folders::sharedData() const {
    if (!sharedData_.empty()) return sharedData_;
    fs::path program = programPath();
    for (fs::path dir = program.parent_path(); !dir.empty(); dir = dir.parent_path()) {
        std::error_code ec;
        if (fs::is_directory(dir / "data", ec)) return (dir / "data").string();
        if (dir == dir.root_path()) break;
    }
    return (program.parent_path() / "data").string();
}

bool Folders::ensureFolder(const std::string& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

bool Folders::isWritable(const std::string& folder) {
    // Named for this process: two programs probing one folder at once must not see
    // each other's probe as a folder they cannot write.
    std::string probe = folder + "/_test file " + std::to_string(::getpid());
    int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool Folders::copyFiles(const std::string& from, const std::string& to) {
    if (!ensureFolder(to)) return false;
    std::error_code ec;
    if (!fs::is_directory(from, ec)) return true;  // nothing shipped for this folder yet
    bool ok = true;
    for (const fs::directory_entry& entry : fs::directory_iterator(from, ec)) {
        if (!entry.is_regular_file()) continue;
        fs::copy_file(entry.path(), fs::path(to) / entry.path().filename(), fs::copy_options::overwrite_existing, ec);
        if (ec) ok = false;
    }
    return ok && !ec;
}

bool Folders::refreshFiles(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (!fs::is_directory(from, ec)) return true;
    bool ok = true;
    for (const fs::directory_entry& entry : fs::directory_iterator(from, ec)) {
        if (!entry.is_regular_file()) continue;
        fs::path target = fs::path(to) / entry.path().filename();
        std::error_code missing;
        auto installed = fs::last_write_time(target, missing);
        if (missing || installed >= entry.last_write_time(ec)) continue;
        fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing, ec);
        if (ec) ok = false;
    }
    return ok && !ec;
}

bool Folders::removeTree(const std::string& folder) {
    std::error_code ec;
    fs::remove_all(folder, ec);
    return !ec;
}

bool Folders::exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

std::string Folders::lowerExtension(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

bool Folders::isSpecialFile(const std::string& path) {
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    return fs::exists(status) && !fs::is_regular_file(status);
}

bool Folders::isRegularFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

unsigned Folders::replacementMode(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace fw
