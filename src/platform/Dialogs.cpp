#include "platform/Dialogs.h"

#include <cstdio>

namespace fw {

Dialogs& Dialogs::instance() {
    static Dialogs dialogs;
    return dialogs;
}

namespace {

// Length of the well-formed UTF-8 sequence at text[i], or 0.
size_t utf8Length(const std::string& text, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = byte(i);
    size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    // Overlong three- and four-byte forms, surrogates and code points past U+10FFFF.
    unsigned char d = byte(i + 1);
    if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d > 0x9F) || (c == 0xF0 && d < 0x90) || (c == 0xF4 && d > 0x8F))
        return 0;
    return n;
}

}  // namespace

std::string Dialogs::escaped(const std::string& text) {
    // Names and tokens in messages may come from any file: control bytes and bytes
    // that are not UTF-8 are shown as \xNN so they cannot steer the terminal.
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t n = c < 0x80 ? (c >= 0x20 && c != 0x7F) || c == '\n' || c == '\t' : utf8Length(text, i);
        // U+0080 to U+009F are control characters too (U+009B starts an escape sequence
        // on some terminals): both of their bytes are escaped.
        const bool c1 = n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if (n == 0 || c1) {
            for (size_t k = 0; k < (c1 ? 2 : 1); ++k) {
                unsigned char b = static_cast<unsigned char>(text[i + k]);
                out += "\\x";
                out += digits[b >> 4];
                out += digits[b & 15];
            }
            i += c1 ? 2 : 1;
            continue;
        }
        out.append(text, i, n);
        i += n;
    }
    return out;
}

std::string Dialogs::printable(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\r' ? '\n' : c;
    size_t start = out.find_first_not_of('\n');
    return start == std::string::npos ? std::string() : escaped(out.substr(start));
}

void Dialogs::alert(const std::string& text) {
    shown_.push_back(text);
    if (quiet_) return;
    if (subject_.empty())
        std::fprintf(stderr, "formwright: %s\n", printable(text).c_str());
    else
        std::fprintf(stderr, "formwright: %s: %s\n", escaped(subject_).c_str(), printable(text).c_str());
}

int Dialogs::ask(const std::string& text, const std::vector<std::string>& buttons, int safe) {
    shown_.push_back(text);
    int answer = safe;
    if (!scripted_.empty()) {
        std::string wanted = scripted_.front();
        scripted_.pop_front();
        for (size_t i = 0; i < buttons.size(); ++i)
            if (buttons[i] == wanted) answer = static_cast<int>(i);
    } else if (policy_ != kSafeAnswer) {
        const char* wanted = policy_ == kAlwaysYes ? "Yes" : "No";
        for (size_t i = 0; i < buttons.size(); ++i)
            if (buttons[i] == wanted) answer = static_cast<int>(i);
    }
    if (!quiet_)
        std::fprintf(stderr, "formwright: %s [%s]\n", printable(text).c_str(),
                     answer >= 0 && answer < static_cast<int>(buttons.size()) ? buttons[static_cast<size_t>(answer)].c_str() : "");
    return answer;
}

}  // namespace fw
