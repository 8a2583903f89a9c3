#pragma once
// Runs the program as a user would, from a shell, and keeps what it printed and its
// exit status. ctest runs test programs side by side: each run has its own files.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fw::test {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string slurpFile(const std::string& path) {
    std::string text;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

// `program` with `arguments` (shell words); `folder` holds the captured output.
inline Outcome runProgram(const std::string& program, const std::string& arguments, const std::string& folder) {
    std::string outFile = folder + "/stdout-XXXXXX", errFile = folder + "/stderr-XXXXXX";
    for (std::string* f : {&outFile, &errFile})
        if (int fd = mkstemp(f->data()); fd >= 0) close(fd);
    int raw = std::system((program + " " + arguments + " >" + outFile + " 2>" + errFile).c_str());
    Outcome r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurpFile(outFile);
    r.err = slurpFile(errFile);
    std::remove(outFile.c_str());
    std::remove(errFile.c_str());
    return r;
}

}  // namespace fw::test
