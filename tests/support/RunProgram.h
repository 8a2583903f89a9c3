#pragma once
// Runs the program as a user would, from a shell, and keeps what it printed and its
// exit status. ctest runs test programs side by side: each run has its own files.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "FilesAndImages.h"

namespace fw::test {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// `program` with `arguments` (shell words); `folder` holds the captured output.
inline Outcome runProgram(const std::string& program, const std::string& arguments, const std::string& folder) {
    std::string outFile = folder + "/stdout-XXXXXX", errFile = folder + "/stderr-XXXXXX";
    for (std::string* f : {&outFile, &errFile})
        if (int fd = mkstemp(f->data()); fd >= 0) close(fd);
    int raw = std::system((program + " " + arguments + " >" + outFile + " 2>" + errFile).c_str());
    Outcome r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ::test::slurp(outFile), ::test::slurp(errFile)};
    std::remove(outFile.c_str());
    std::remove(errFile.c_str());
    return r;
}

}  // namespace fw::test
