#pragma once
// Keyword handlers for stored fields whose line is nothing but the value:
// readField<&Class::field> reads it with the CommandIO reader of the field's type.

#include <cstddef>
#include <string>

#include "persistence/CommandEnabler.h"
#include "persistence/CommandIO.h"

namespace fw {

// One value into a field, with the reader of its type; 0 or -1, as the readers.
inline int readValue(CommandIO& io, double& value) { return io.readDouble(value); }
inline int readValue(CommandIO& io, int& value) { return io.readInt(value); }
inline int readValue(CommandIO& io, std::string& value) { return io.readString(value); }
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

template <class>
struct MemberOf;
template <class C, class T>
struct MemberOf<T C::*> {
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

}  // namespace fw
