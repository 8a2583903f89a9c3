#pragma once
// Exact and quick conversion of the decimal numbers files hold, shared by the file
// reader's in-place path and the token converter. Inline: these run once per number
// of a stream, and a call per number costs a measurable share of reading.

#include <charconv>
#include <cstdint>
#include <system_error>

namespace fw::quickreal {

// "-12.5" and the like: with at most 15 digits and 22 decimals, digits and power of
// ten are exact doubles and one division rounds the value exactly as strtod does.
// Anything else is left to the caller.
inline bool plainDecimal(const char* p, const char* end, double& value) {
    bool negative = *p == '-';
    p += negative;
    uint64_t digits = 0;
    int count = 0, decimals = 0;
    bool point = false;
    for (; p < end; ++p) {
        if (*p >= '0' && *p <= '9') {
            digits = digits * 10 + static_cast<uint64_t>(*p - '0');
            ++count;
            decimals += point;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (count == 0 || count > 15 || decimals > 22) return false;
    double v = static_cast<double>(digits) / kPowers[decimals];
    value = negative ? -v : v;
    return true;
}

// from_chars, which rounds as strtod does, for spellings both read alike: not a hex
// number, whose "0x" from_chars would stop at. `*last` must be readable.
template <class T>
inline bool decimal(const char* first, const char* last, T& value) {
    auto [stop, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && *stop != 'x' && *stop != 'X';
}

}  // namespace fw::quickreal
