#pragma once
// A class's stored lines in the order they are written: one entry per keyword gives
// both its reader and its writer, so a stored value is named in one place.

#include <cstddef>
#include <span>

#include "persistence/CommandTable.h"
#include "persistence/FieldReaders.h"

namespace fw {

class FieldTable {
public:
    using Writer = int (*)(CommandIO& io, CommandEnabler& owner, const char* keyword, Spelling spelling);
    using When = bool (*)(CommandEnabler& owner);

    struct Line {
        const char* keyword;
        CommandHandler read;
        Writer write = nullptr;  // none: read only (old spellings, retired lines, "end")
        Spelling spelling = Spelling::bare;
        When when = nullptr;  // none: always written
    };

    template <size_t N>
    constexpr FieldTable(const Line (&lines)[N]) : lines_(lines) {}

    // Every keyword's reader into the owner's command table; a line without a reader
    // is written only (a block another table's "begin" reads, say).
    void registerInto(CommandEnabler& owner) const;
    // Every line whose condition holds, in the table's order; stops at the first failure.
    int write(CommandIO& io, CommandEnabler& owner) const;

private:
    std::span<const Line> lines_;
};

// The entry of a plain field: readField and writeField of the same member.
template <auto Field, auto Access = &receiverAs<MemberClass<Field>>>
constexpr FieldTable::Line field(const char* keyword, Spelling spelling = Spelling::bare,
                                 FieldTable::When when = nullptr) {
    return {keyword, &readField<Field, Access>, &writeField<Field, Access>, spelling, when};
}

// The same for a field that feeds derived data (see readFieldThen).
template <auto Field, void (*Changed)(CommandEnabler&), auto Access = &receiverAs<MemberClass<Field>>>
constexpr FieldTable::Line fieldThen(const char* keyword, Spelling spelling = Spelling::bare,
                                     FieldTable::When when = nullptr) {
    return {keyword, &readFieldThen<Field, Changed, Access>, &writeField<Field, Access>, spelling, when};
}

// The line of a value kept private and read through a const accessor.
template <auto Get>
int writeGetter(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, (receiverAs<MemberClass<Get>>(r).*Get)(), spelling);
}

}  // namespace fw
