#include "platform/Dialogs.h"

#include <cstdio>

namespace fw {

Dialogs& Dialogs::instance() {
    static Dialogs dialogs;
    return dialogs;
}

std::string Dialogs::printable(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\r' ? '\n' : c;
    size_t start = out.find_first_not_of('\n');
    return start == std::string::npos ? std::string() : out.substr(start);
}

void Dialogs::alert(const std::string& text) {
    shown_.push_back(text);
    if (quiet_) return;
    if (subject_.empty())
        std::fprintf(stderr, "formwright: %s\n", printable(text).c_str());
    else
        std::fprintf(stderr, "formwright: %s: %s\n", subject_.c_str(), printable(text).c_str());
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
