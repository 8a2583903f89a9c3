#include "app/CommandLine.h"

int main(int argc, char** argv) { return fw::runCommandLine(argc, argv); }
