#pragma once
// The headless front end: parses the command line, runs one subcommand and turns every
// failure into "formwright: FILE: what is wrong" and an exit status (app/Console.h).

namespace fw {

int runCommandLine(int argc, char** argv);

// Program name and version as `formwright --version` prints them.
const char* versionText();

}  // namespace fw
