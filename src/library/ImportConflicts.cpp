#include "library/ImportConflicts.h"

#include <vector>

#include "platform/Dialogs.h"

namespace fw {

bool ImportConflicts::parse(const std::string& word, Answer& answer) {
    static const char* const kWords[] = {"replace", "rename", "ignore"};
    for (int i = 0; i < 3; ++i)
        if (word == kWords[i]) {
            answer = static_cast<Answer>(i);
            return true;
        }
    return false;
}

void ImportConflicts::remember(Answer answer) {
    replace_ = answer == kReplace;
    rename_ = answer == kRename;
    ignore_ = answer == kIgnore;
}

ImportConflicts::Answer ImportConflicts::resolve(const std::string& name) {
    if (replace_) return kReplace;
    if (rename_) return kRename;
    if (ignore_) return kIgnore;
    // Headless, --yes replaces and --no ignores; otherwise the answer that loses
    // nothing, keeping both.
    Dialogs& dialogs = Dialogs::instance();
    int standing = dialogs.policy() == Dialogs::kAlwaysYes  ? kReplace
                   : dialogs.policy() == Dialogs::kAlwaysNo ? kIgnore
                                                            : kRename;
    std::vector<std::string> buttons(std::begin(kButtons), std::end(kButtons));
    int chosen = dialogs.ask("\rThe library already has a preset named \"" + name +
                                 "\".\r\rReplace the old one, rename the new one, or ignore it? The answer holds "
                                 "for the rest of this import.",
                             buttons, standing);
    ++asked_;
    Answer answer = chosen >= kReplace && chosen <= kIgnore ? static_cast<Answer>(chosen) : kRename;
    remember(answer);
    return answer;
}

}  // namespace fw
