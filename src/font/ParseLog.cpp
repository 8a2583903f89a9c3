#include "font/ParseLog.h"

#include <cstdarg>

namespace fw::veltrane {

void ParseLog::say(const char* format, ...) {
    if (!console_) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(console_, format, args);
    va_end(args);
}

bool ParseLog::fail(std::string what) {
    error_ = std::move(what);
    return false;
}

}  // namespace fw::veltrane
