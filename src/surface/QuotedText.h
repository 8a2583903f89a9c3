#pragma once
// Text for a quoted value of the command stream. A backslash before the closing
// quote would escape it and swallow the lines after it on reading, so trailing
// backslashes are dropped; and text with quotes is shortened until its escaped
// form fits the 256 characters the stream keeps, so that cut cannot leave one.

#include <string>
#include <string_view>

#include "persistence/CommandIO.h"

namespace fw {

inline std::string quotedText(std::string_view text) {
    auto escapedSize = [](std::string_view t) {
        size_t n = t.size();
        for (char c : t) n += c == '"';
        return n;
    };
    for (;;) {
        while (!text.empty() && text.back() == '\\') text.remove_suffix(1);
        if (text.find('"') == std::string_view::npos || escapedSize(text) <= 256) break;
        text.remove_suffix(1);
    }
    return escapeQuotes(text);
}

}  // namespace fw
