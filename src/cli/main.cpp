#include "cli/CommandLine.h"

#ifdef __SANITIZE_ADDRESS__
// Sanitizer builds: the leak check at exit stops every thread, and the renderer's
// worker threads (Mesa's) can crash it then ("Tracer caught signal 11"), failing a
// run that leaked nothing. The test programs check the same code for leaks in-process.
extern "C" const char* __lsan_default_options() { return "detect_leaks=0"; }
#endif

int main(int argc, char** argv) { return fw::runCommandLine(argc, argv); }
