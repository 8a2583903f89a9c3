#pragma once
// Keyword handlers for stored fields whose line is nothing but the value:
// readField<&Class::field> reads it with the CommandIO reader of the field's type,
// and its twin writeField<&Class::field> writes the line back the way it is read.

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <type_traits>

#include "persistence/CommandEnabler.h"
#include "persistence/CommandIO.h"

namespace fw {

// One value into a field, with the reader of its type; 0 or -1, as the readers.
inline int readValue(CommandIO& io, double& value) { return io.readDouble(value); }
inline int readValue(CommandIO& io, int& value) { return io.readInt(value); }
inline int readValue(CommandIO& io, std::string& value) { return io.readString(value); }
// Seeds: the whole token must be a decimal integer within range.
inline int readValue(CommandIO& io, long& value) {
    char token[CommandIO::kTokenSize];
    if (io.readToken(token, sizeof token) != 0) return -1;
    char* end;
    errno = 0;
    long v = std::strtol(token, &end, 10);
    if (end == token || *end != 0 || errno == ERANGE) return -1;
    value = v;
    return 0;
}
inline int readValue(CommandIO& io, unsigned long& value) { return io.readUnsignedLong(value); }
// Flags are written as 0 or 1; any integer is read, and a malformed one leaves the flag alone.
inline int readValue(CommandIO& io, bool& value) {
    int on;
    if (io.readInt(on) != 0) return -1;
    value = on != 0;
    return 0;
}
inline int readValue(CommandIO& io, double (&values)[2]) { return io.readVector2(values); }
inline int readValue(CommandIO& io, double (&values)[3]) { return io.readVector3(values); }
// Colours go through the colour reader, which knows three and four channels only.
template <size_t N>
int readValue(CommandIO& io, float (&rgba)[N]) {
    static_assert(N == 3 || N == 4, "a colour has three or four channels");
    return io.readColor(rgba, static_cast<int>(N));
}
// Other arrays: value by value, stopping at the first that fails.
template <class T, size_t N>
int readValue(CommandIO& io, T (&values)[N]) {
    for (T& v : values)
        if (readValue(io, v) != 0) return -1;
    return 0;
}

// How a written value is spelled. Files keep the spelling each line has always had,
// so the spelling belongs to the line, not to the value's type.
enum class Spelling {
    bare,    // 12, 0.5, Normal
    quoted,  // "12", "0.5", "a \"b\"": each value between quotes, strings escaped
    fixed,   // 0.500000: six decimals
};

// A value's text as its line spells it, without quotes.
inline std::string valueText(int value, Spelling) { return std::to_string(value); }
inline std::string valueText(long value, Spelling) { return std::to_string(value); }
inline std::string valueText(unsigned long value, Spelling) { return std::to_string(value); }
inline std::string valueText(bool value, Spelling) { return value ? "1" : "0"; }
inline std::string valueText(double value, Spelling spelling) {
    char text[400];  // "%f" of the largest double needs 317
    std::snprintf(text, sizeof text, spelling == Spelling::fixed ? "%f" : "%g", value);
    return text;
}
inline std::string valueText(float value, Spelling spelling) { return valueText(static_cast<double>(value), spelling); }
inline std::string valueText(const std::string& value, Spelling spelling) {
    return spelling == Spelling::quoted ? escapeQuotes(value) : value;
}

// A count or size read from a file, held to `most`: a larger one (or, for reals, one
// that is not a number) would cost memory or time out of all proportion to the file.
// The command's warning names the line and what is used instead.
template <class T>
T atMost(CommandIO& io, const char* keyword, T value, T most) {
    if (value <= most) return value;
    const std::string used = valueText(most, Spelling::bare);
    io.warn(std::string(keyword) + " " + valueText(value, Spelling::bare) +
            (value > most ? " is above the most this program takes; " + used + " is used"
                          : " is not a number; " + used + " is used"));
    return most;
}

// Whether a text reads back as the one bare token it was written as: not empty, and
// without blanks, control bytes or quotes.
inline bool isPlainToken(const std::string& text) {
    if (text.empty()) return false;
    for (unsigned char c : text)
        if (c <= ' ' || c == '"' || c == 0x7F) return false;
    return true;
}

// One value appended to a line after a space; arrays value by value. A text that a
// bare line could not give back whole (one a damaged file put there) goes between
// quotes, so that what is written reads back as it was.
template <class T>
void writeValue(std::string& line, const T& value, Spelling spelling) {
    if constexpr (std::is_same_v<T, std::string>)
        if (spelling == Spelling::bare && !isPlainToken(value)) spelling = Spelling::quoted;
    line += ' ';
    if (spelling == Spelling::quoted) line += '"';
    line += valueText(value, spelling);
    if (spelling == Spelling::quoted) line += '"';
}
template <class T, size_t N>
void writeValue(std::string& line, const T (&values)[N], Spelling spelling) {
    for (const T& v : values) writeValue(line, v, spelling);
}

template <class>
struct MemberOf;
template <class C, class T>
struct MemberOf<T C::*> {
    using Class = C;
};
template <class C, class R>
struct MemberOf<R (C::*)() const> {
    using Class = C;
};
template <auto Field>
using MemberClass = typename MemberOf<decltype(Field)>::Class;

// The receiver as the class that declares the field.
template <class C>
C& receiverAs(CommandEnabler& r) {
    return static_cast<C&>(r);
}

// Access finds the object holding the field; by default that is the receiver itself.
template <auto Field, auto Access = &receiverAs<MemberClass<Field>>>
int readField(CommandIO& io, CommandEnabler& r) {
    return readValue(io, Access(r).*Field);
}

// The same for fields that feed derived data: Changed(receiver) runs once the value is read.
template <auto Field, void (*Changed)(CommandEnabler&), auto Access = &receiverAs<MemberClass<Field>>>
int readFieldThen(CommandIO& io, CommandEnabler& r) {
    if (readValue(io, Access(r).*Field) != 0) return -1;
    Changed(r);
    return 0;
}

// The line of a field: its keyword, then the value spelled as the line has it; 0 or -1.
template <class T>
int writeLine(CommandIO& io, const char* keyword, const T& value, Spelling spelling) {
    std::string line = keyword;
    writeValue(line, value, spelling);
    return io.writef("%s\n", line.c_str());
}

template <auto Field, auto Access = &receiverAs<MemberClass<Field>>>
int writeField(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, Access(r).*Field, spelling);
}

}  // namespace fw
