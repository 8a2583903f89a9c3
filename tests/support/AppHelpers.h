#pragma once
// What the app tests share beyond running the program: mesh-file bytes made or read by hand in either byte
// order, counting in text, a folder's files, a run that must succeed, and a background run stopped mid-way.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "AppRun.h"

namespace fw::test {

inline std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)}; }
inline std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
inline std::string be16(unsigned v) { return {static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v & 0xFF)}; }
inline std::string be32(uint32_t v) { return be16(v >> 16) + be16(v & 0xFFFF); }
inline std::string leFloat(float f) { return le32(std::bit_cast<uint32_t>(f)); }
inline std::string beFloat(float f) { return be32(std::bit_cast<uint32_t>(f)); }

// Numbers read back from file bytes at `at`.
inline uint32_t leU16(const std::string& b, size_t at) { return uint8_t(b[at]) | uint32_t(uint8_t(b[at + 1])) << 8; }
inline uint32_t leU32(const std::string& b, size_t at) { return leU16(b, at) | leU16(b, at + 2) << 16; }
inline uint32_t beU16(const std::string& b, size_t at) { return uint32_t(uint8_t(b[at])) << 8 | uint8_t(b[at + 1]); }
inline uint32_t beU32(const std::string& b, size_t at) { return beU16(b, at) << 16 | beU16(b, at + 2); }
inline double leF32(const std::string& b, size_t at) { return std::bit_cast<float>(leU32(b, at)); }
inline double beF32(const std::string& b, size_t at) { return std::bit_cast<float>(beU32(b, at)); }

inline size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// The lines of `text`, without their line ends.
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        out.push_back(text.substr(at, end - at));
    return out;
}

// The names of the files in `folder`, sorted; none when it cannot be read.
inline std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code failed;
    for (const auto& entry : std::filesystem::directory_iterator(folder, failed))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Files in `folder` whose names start with `prefix` and are longer: what a write cut
// short would leave beside its target.
inline std::vector<std::string> leftBeside(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& name : filesIn(folder))
        if (name.size() > prefix.size() && name.rfind(prefix, 0) == 0) out.push_back(name);
    return out;
}

// The program run as formwright() runs it, expected to succeed.
inline Outcome ran(const TempDir& dir, const std::string& arguments) {
    Outcome r = formwright(dir, arguments);
    EXPECT_EQ(r.status, 0) << arguments << "\n" << r.err;
    return r;
}

// The program started in the background with stderr in `err`, until stopped.
class Background {
public:
    Background(const std::string& arguments, const std::string& err) : err_(err) {
        std::remove(err.c_str());
        pid_ = fork();
        if (pid_ == 0) {
            std::string command = "exec " + std::string(FW_EXECUTABLE) + " " + arguments + " 2>'" + err + "'";
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Background() { if (pid_ > 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0); }
    bool started() const { return pid_ > 0; }
    // Waits up to `seconds` for `text` in what the program said.
    void waitFor(const std::string& text, int seconds = 60) const {
        for (int wait = 0; wait < seconds * 100 && said().find(text) == std::string::npos; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Sends the signal and waits for the end: the raw wait status.
    int stop(int signal) {
        kill(pid_, signal);
        int raw = 0;
        waitpid(pid_, &raw, 0);
        pid_ = -1;
        return raw;
    }
    std::string said() const { return ::test::slurp(err_); }

private:
    pid_t pid_ = -1;
    std::string err_;
};

}  // namespace fw::test
