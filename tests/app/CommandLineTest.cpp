// The executable as users run it: output streams and exit statuses.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(const std::string& arguments) {
    // ctest runs tests as separate processes side by side: one file per run.
    std::string errFile = testing::TempDir() + "formwright-stderr-XXXXXX";
    int fd = mkstemp(errFile.data());
    if (fd >= 0) close(fd);
    std::string command = std::string(FW_EXECUTABLE) + " " + arguments + " 2>" + errFile;
    Outcome r{};
    std::FILE* p = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, n);
    int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (std::FILE* e = std::fopen(errFile.c_str(), "r")) {
        while ((n = std::fread(buffer, 1, sizeof buffer, e)) > 0) r.err.append(buffer, n);
        std::fclose(e);
    }
    std::remove(errFile.c_str());
    return r;
}

}  // namespace

TEST(CommandLine, VersionAndHelp) {
    Outcome version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "formwright 0.1.0\n");

    Outcome help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--version"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

TEST(CommandLine, BadArgumentsAreUserErrors) {
    Outcome bad = run("--no-such-option");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err.rfind("formwright: ", 0), 0u) << bad.err;
}
