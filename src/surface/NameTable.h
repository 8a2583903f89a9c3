#pragma once
// Enumerations stored by name: value to name and back. An unknown value writes the
// table's fallback name; an unknown name reads as the table's fallback value.

#include <cstring>

namespace fw {

struct NameTable {
    const char* const* names;  // names[i] is the name of value first + i
    int count;
    int first;
    int writeFallback;  // value whose name an unknown value is written as
    int readFallback;   // value an unknown name reads as

    const char* name(int value) const {
        int i = value - first;
        if (i < 0 || i >= count) i = writeFallback - first;
        return names[i];
    }
    int value(const char* text) const {
        for (int i = 0; i < count; ++i)
            if (std::strcmp(names[i], text) == 0) return first + i;
        return readFallback;
    }
};

}  // namespace fw
