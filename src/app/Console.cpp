#include "app/Console.h"

#include <unistd.h>
#include <cstdarg>
#include <cstdio>
#include <filesystem>

#include "platform/Dialogs.h"

namespace fw {

void printError(const std::string& subject, const std::string& what) {
    std::string text = Dialogs::printable(what);
    if (subject.empty())
        std::fprintf(stderr, "formwright: %s\n", text.c_str());
    else
        std::fprintf(stderr, "formwright: %s: %s\n", Dialogs::escaped(subject).c_str(), text.c_str());
}

namespace {
bool quiet_ = false;
}

void setQuiet(bool quiet) { quiet_ = quiet; }
bool quiet() { return quiet_; }

void printNote(const char* format, ...) {
    if (quiet_) return;
    std::va_list arguments;
    va_start(arguments, format);
    std::fputs("formwright: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    va_end(arguments);
}

bool mayReplace(const std::string& path) {
    std::error_code failed;
    if (!std::filesystem::exists(path, failed)) return true;
    switch (Dialogs::instance().policy()) {
        case Dialogs::kAlwaysYes: return true;
        case Dialogs::kAlwaysNo: printError(path, "exists and --no keeps it; nothing was written"); return false;
        default: break;
    }
    if (!isatty(STDIN_FILENO) || !isatty(STDERR_FILENO)) {
        printError(path, "exists; give --yes (-y) to replace it");
        return false;
    }
    std::fprintf(stderr, "formwright: %s exists; replace it? [y/N] ", Dialogs::escaped(path).c_str());
    char answer[16] = {};
    if (!std::fgets(answer, sizeof answer, stdin) || (answer[0] != 'y' && answer[0] != 'Y')) {
        printError(path, "kept; nothing was written");
        return false;
    }
    return true;
}

}  // namespace fw
