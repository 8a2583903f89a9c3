#pragma once
// Long test strings built by appending: g++ 12 warns falsely about concatenated string
// temporaries once the standard headers come from the precompiled header.
#include <string>
#include <string_view>

namespace fw::test {

// `before`, then `count` copies of `c`, then `after`.
inline std::string repeated(std::string_view before, size_t count, char c, std::string_view after = {}) {
    std::string s(before);
    s.append(count, c);
    s += after;
    return s;
}

}  // namespace fw::test
