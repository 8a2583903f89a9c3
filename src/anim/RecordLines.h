#pragma once
// Line forms shared by the animation records: values stored by name from a fixed
// list, "true"/"false" flags, and the stored data's version line.

#include <cstring>
#include <string>

#include "persistence/FieldTable.h"

namespace fw {

// The position of `word` in `words`, or -1.
inline int wordIndex(const char* const* words, int count, const std::string& word) {
    for (int i = 0; i < count; ++i)
        if (word == words[i]) return i;
    return -1;
}

// A reference written as a number (an optional minus and digits only) is a place in a
// scene list rather than a name.
inline bool isIndex(const std::string& text) {
    size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// A value stored as a word: Of gives the value of a word (negative for one it does not
// know, which fails the command), Name the word of a value.
template <auto Field, int (*Of)(const char*)>
int readWord(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    int value = Of(word.c_str());
    if (value < 0) return -1;
    receiverAs<MemberClass<Field>>(r).*Field = value;
    return 0;
}

template <auto Field, const char* (*Name)(int)>
int writeWord(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    const char* word = Name(receiverAs<MemberClass<Field>>(r).*Field);
    return spelling == Spelling::quoted ? io.writef("%s \"%s\"\n", keyword, word) : io.writef("%s %s\n", keyword, word);
}

template <auto Field, const char* (*Name)(int), int (*Of)(const char*)>
constexpr FieldTable::Line wordField(const char* keyword, Spelling spelling) {
    return {keyword, &readWord<Field, Of>, &writeWord<Field, Name>, spelling};
}

// Flags written as "true" or "false" between quotes.
template <auto Field>
int readTrueFalse(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0 || (word != "true" && word != "false")) return -1;
    receiverAs<MemberClass<Field>>(r).*Field = word == "true";
    return 0;
}

template <auto Field>
int writeTrueFalse(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, receiverAs<MemberClass<Field>>(r).*Field ? "true" : "false");
}

template <auto Field>
constexpr FieldTable::Line trueFalseField(const char* keyword) {
    return {keyword, &readTrueFalse<Field>, &writeTrueFalse<Field>, Spelling::quoted};
}

// What the user is told when a file's animation data is newer than this program reads.
inline constexpr const char* kIncompatibleAnimation =
    "\rThe animation information in this file is incompatible with this version of the software.";

// Reads an "animVersion" value into major and minor. A version this program cannot
// read tells the user and fails the command, which ends the load.
int readAnimVersion(CommandIO& io, int& major, int& minor);

template <class C>
int readVersionOf(CommandIO& io, CommandEnabler& r) {
    C& c = receiverAs<C>(r);
    return readAnimVersion(io, c.versionMajor, c.versionMinor);
}

}  // namespace fw
