#pragma once
// The headless front end: parses the command line, runs one job and turns every
// failure into "formwright: FILE: what is wrong" and an exit status
// (0 done, 1 user error, 2 internal failure).

#include <string>

namespace fw {

enum ExitStatus { kExitOk = 0, kExitUserError = 1, kExitInternal = 2 };

int runCommandLine(int argc, char** argv);

// "formwright: SUBJECT: what" on standard error (no subject: "formwright: what"), the
// text made printable.
void printError(const std::string& subject, const std::string& what);

// A summary of finished work or progress ("formwright: " and the formatted text) on
// standard error; --quiet silences these, never errors.
void printNote(const char* format, ...) __attribute__((format(printf, 1, 2)));
void setQuiet(bool quiet);
bool quiet();

// Whether a command may write `path`, a project or library file the user may have
// edited: a new file always; an existing one with --yes, never with --no (reported),
// and otherwise only when the user at a terminal says so (a script gets an error).
bool mayReplace(const std::string& path);

// Program name and version as `formwright --version` prints them.
const char* versionText();

}  // namespace fw
