#pragma once
// Alerts and questions: the modal boxes of a desktop program. Headless, alerts go to
// standard error and questions take scripted answers (tests) or a standing answer
// (the command line's --yes / --no), by default the safe one.

#include <deque>
#include <string>
#include <vector>

namespace fw {

class Dialogs {
public:
    enum Policy { kSafeAnswer, kAlwaysYes, kAlwaysNo };

    // The one instance the program shows its alerts and questions through.
    static Dialogs& instance();

    // Alert texts begin with a carriage return; each one becomes a line break.
    void alert(const std::string& text);
    // Returns the index of the chosen button. `safe` is the answer that loses nothing.
    int ask(const std::string& text, const std::vector<std::string>& buttons, int safe);

    void setPolicy(Policy policy) { policy_ = policy; }
    Policy policy() const { return policy_; }
    // The next questions take these button labels, in order, before the policy applies.
    void script(const std::string& button) { scripted_.push_back(button); }
    void setQuiet(bool quiet) { quiet_ = quiet; }
    // The file the program is working on, named in front of what it prints.
    void setSubject(const std::string& subject) { subject_ = subject; }
    // Everything shown so far (alerts and questions), for tests and logs.
    const std::vector<std::string>& shown() const { return shown_; }
    void clearShown() { shown_.clear(); }

    // The text as a terminal shows it: carriage returns as line breaks, no leading
    // break, other control bytes and bytes that are not UTF-8 escaped.
    static std::string printable(const std::string& text);
    // Control bytes and characters (but line feeds and tabs) and bytes that are not
    // UTF-8 as \xNN.
    static std::string escaped(const std::string& text);

private:
    Policy policy_ = kSafeAnswer;
    std::deque<std::string> scripted_;
    std::vector<std::string> shown_;
    bool quiet_ = false;
    std::string subject_;
};

}  // namespace fw
