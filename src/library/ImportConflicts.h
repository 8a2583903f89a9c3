#pragma once
// What to do when an imported preset has the name of one already in the library:
// asked once, and the answer kept for the rest of the import.

#include <string>

namespace fw {

class ImportConflicts {
public:
    enum Answer { kReplace = 0, kRename = 1, kIgnore = 2 };
    static constexpr const char* kButtons[] = {"Replace old", "Rename new", "Ignore new"};

    // Asks the program's dialogs at the first conflict.
    ImportConflicts() = default;
    // Answered beforehand (the command line's --on-conflict).
    explicit ImportConflicts(Answer answer) { remember(answer); }

    // "replace", "rename" or "ignore"; false for anything else.
    static bool parse(const std::string& word, Answer& answer);

    Answer resolve(const std::string& name);
    int questionsAsked() const { return asked_; }

private:
    void remember(Answer answer);

    // The remembered answer, as the three flags it is kept as.
    bool replace_ = false;
    bool rename_ = false;
    bool ignore_ = false;
    int asked_ = 0;
};

}  // namespace fw
