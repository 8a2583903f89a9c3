#pragma once
// printf-style text into a std::string, for the output's messages and log lines.

#include <cstdio>
#include <string>

namespace fw {

template <class... Args>
std::string formatted(const char* format, Args... args) {
    int n = std::snprintf(nullptr, 0, format, args...);
    std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

}  // namespace fw
