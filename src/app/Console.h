#pragma once
// What a command tells the person who ran it: one-line errors "formwright: FILE: what
// is wrong", notes that --quiet silences, the exit status (0 done, 1 user error,
// 2 internal failure) and the question before a file the user may have edited is replaced.

#include <string>

namespace fw {

enum ExitStatus { kExitOk = 0, kExitUserError = 1, kExitInternal = 2 };

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

}  // namespace fw
